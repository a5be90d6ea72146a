#!/usr/bin/env bash
# Installs the Debian packages quorl needs to build and test, if any are missing.
set -euo pipefail

need=()
command -v g++ >/dev/null 2>&1 || need+=(g++)
command -v cmake >/dev/null 2>&1 || need+=(cmake)
command -v ninja >/dev/null 2>&1 || need+=(ninja-build)
command -v iconv >/dev/null 2>&1 || need+=(libc-bin)
command -v groff >/dev/null 2>&1 || need+=(groff-base)
command -v pkg-config >/dev/null 2>&1 || need+=(pkg-config)
command -v dpkg-shlibdeps >/dev/null 2>&1 || need+=(dpkg-dev)
command -v file >/dev/null 2>&1 || need+=(file)
command -v python3 >/dev/null 2>&1 || need+=(python3)
# The fuzz targets: clang and its runtime libraries (libFuzzer, sanitizers).
command -v clang++ >/dev/null 2>&1 || need+=(clang)
compgen -G "/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a" >/dev/null ||
  need+=(libclang-rt-dev)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
[ -f /usr/include/benchmark/benchmark.h ] || need+=(libbenchmark-dev)

if [ ${#need[@]} -gt 0 ]; then
  echo "installing: ${need[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${need[@]}"
fi
