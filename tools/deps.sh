#!/usr/bin/env bash
# Installs the Debian packages quorl needs, if any are missing.
#
#   tools/deps.sh build   what building the tool needs: a C++ compiler, CMake, Ninja
#   tools/deps.sh         that and everything the test suite needs
#   tools/deps.sh windows that, and what the Windows build and its tests
#                         under Wine need
#
# Works as root without sudo, and as a user with sudo.
set -euo pipefail

need=()
command -v c++ >/dev/null 2>&1 || command -v g++ >/dev/null 2>&1 || need+=(g++)
command -v cmake >/dev/null 2>&1 || need+=(cmake)
command -v ninja >/dev/null 2>&1 || need+=(ninja-build)
[ -f /usr/include/acl/libacl.h ] || need+=(libacl1-dev)
[ -f /usr/include/attr/libattr.h ] || need+=(libattr1-dev)
if [ "${1:-test}" != build ]; then
  command -v g++ >/dev/null 2>&1 || need+=(g++)
  # The C API's test is a C program.
  command -v cc >/dev/null 2>&1 || need+=(gcc)
  command -v iconv >/dev/null 2>&1 || need+=(libc-bin)
  command -v groff >/dev/null 2>&1 || need+=(groff-base)
  command -v pkg-config >/dev/null 2>&1 || need+=(pkg-config)
  command -v dpkg-shlibdeps >/dev/null 2>&1 || need+=(dpkg-dev)
  command -v file >/dev/null 2>&1 || need+=(file)
  command -v python3 >/dev/null 2>&1 || need+=(python3)
  command -v patch >/dev/null 2>&1 || need+=(patch)
  # The encoding guess against nkf's, on the SKK dictionary's Japanese words.
  command -v nkf >/dev/null 2>&1 || need+=(nkf)
  [ -f /usr/share/skk/SKK-JISYO.L ] || need+=(skkdic)
  command -v lintian >/dev/null 2>&1 || need+=(lintian)
  # ACLs and extended attributes of a file edited in place.
  command -v setfacl >/dev/null 2>&1 || need+=(acl)
  command -v setfattr >/dev/null 2>&1 || need+=(attr)
  # The fuzz targets: clang and its runtime libraries (libFuzzer, sanitizers).
  command -v clang++ >/dev/null 2>&1 || need+=(clang)
  compgen -G "/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a" >/dev/null ||
    need+=(libclang-rt-dev)
  [ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
  [ -f /usr/include/benchmark/benchmark.h ] || need+=(libbenchmark-dev)
fi

# tools/deps.sh windows: the MinGW-w64 cross-compilers, GoogleTest's sources
# and Wine (with its 32-bit half, from the i386 architecture), and mandoc
# for the manual as HTML.
i386=no
if [ "${1:-test}" = windows ]; then
  command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1 || need+=(g++-mingw-w64-x86-64-posix)
  command -v i686-w64-mingw32-g++-posix >/dev/null 2>&1 || need+=(g++-mingw-w64-i686-posix)
  [ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
  command -v wine >/dev/null 2>&1 || need+=(wine wine64)
  command -v mandoc >/dev/null 2>&1 || need+=(mandoc)
  # The Shift_JIS and EUC-JP locales Wine reads test arguments in.
  [ -f /usr/share/i18n/charmaps/SHIFT_JIS.gz ] || need+=(locales)
  if ! dpkg -s wine32:i386 >/dev/null 2>&1; then
    need+=(wine32:i386)
    i386=yes
  fi
  command -v cmake >/dev/null 2>&1 || need+=(cmake)
  command -v ninja >/dev/null 2>&1 || need+=(ninja-build)
fi

if [ ${#need[@]} -gt 0 ]; then
  mapfile -t need < <(printf '%s\n' "${need[@]}" | sort -u)
  echo "installing: ${need[*]}"
  sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  # sudo drops most of the environment, so DEBIAN_FRONTEND goes through env.
  if [ "$i386" = yes ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo[@]}" dpkg --add-architecture i386
  fi
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}"
fi
