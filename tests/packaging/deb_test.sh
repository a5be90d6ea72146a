#!/usr/bin/env bash
# Builds the Debian packages as a release is built (Release) with cpack,
# from a build configured with the default prefix, so that the packages are
# seen not to depend on it; with "shared", from a -DBUILD_SHARED_LIBS=ON
# build, which adds the run-time library package libquorl1. Fails on any
# lintian error or warning, checks the control fields (dependencies computed
# from the binary, section, description), unpacks the packages with dpkg-deb
# and uses what they hold: the packaged quorl edits a line, the manual pages
# are the project's, the copyright files and changelogs are there, and a
# program built with the development package's pkg-config flags runs.
#
# usage: deb_test.sh <source dir> <work dir> <project version> <cmake> <cpack>
#                    <generator> <c++ compiler> static|shared
set -uo pipefail

src=$1 work=$2 version=$3 cmake=$4 cpack=$5 generator=$6 cxx=$7 kind=$8
shared=OFF && [ "$kind" = shared ] && shared=ON
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

rm -rf "$work" && mkdir -p "$work" || exit 1
build=$work/build
{ "$cmake" -S "$src" -B "$build" -G "$generator" -DCMAKE_CXX_COMPILER="$cxx" \
    -DCMAKE_BUILD_TYPE=Release -DQUORL_BUILD_TESTS=OFF -DBUILD_SHARED_LIBS=$shared &&
  "$cmake" --build "$build" -j2; } >"$work/build.log" 2>&1 ||
  { cat "$work/build.log"; echo "FAIL: the Release build to package"; exit 1; }
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; echo "FAIL: cpack -G DEB"; exit 1; }

arch=$(dpkg --print-architecture)
deb=$work/quorl_${version}-1_${arch}.deb
dev=$work/libquorl-dev_${version}-1_${arch}.deb
lib=$work/libquorl1_${version}-1_${arch}.deb
debs=("$deb" "$dev") && [ $shared = ON ] && debs+=("$lib")
for f in "${debs[@]}"; do
  [ -f "$f" ] || { ls "$work"; echo "FAIL: no ${f##*/}"; exit 1; }
done
[ $shared = ON ] || [ ! -e "$lib" ] || fail "a static build made ${lib##*/}"

if ! command -v lintian >/dev/null 2>&1; then  # root installs it, anyone else through sudo
  sudo=() && [ "$(id -u)" -ne 0 ] && sudo=(sudo -n)
  { "${sudo[@]}" apt-get update -qq && "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq lintian; } >"$work/apt.log" 2>&1 || cat "$work/apt.log"
fi
command -v lintian >/dev/null 2>&1 || fail "lintian is missing and could not be installed"
complaints=$(lintian --tag-display-limit 0 "${debs[@]}" 2>&1 | grep '^[EW]: ')
[ -z "$complaints" ] || fail "lintian: $complaints"

# field <deb> <name>: one control field.
field() { dpkg-deb -f "$1" "$2"; }

[ "$(field "$deb" Package)" = quorl ] || fail "quorl.deb: Package is '$(field "$deb" Package)'"
[ "$(field "$deb" Version)" = "${version}-1" ] || fail "quorl.deb: Version is '$(field "$deb" Version)'"
[ "$(field "$deb" Section)" = utils ] || fail "quorl.deb: Section is '$(field "$deb" Section)'"
[ "$(field "$deb" Architecture)" = "$arch" ] || fail "quorl.deb: Architecture is '$(field "$deb" Architecture)'"
[ -n "$(field "$deb" Maintainer)" ] || fail "quorl.deb: no Maintainer"
depends=$(field "$deb" Depends)
description=$(field "$deb" Description)
[ "$(printf '%s\n' "$description" | head -n 1)" = "line filter with a compact replacement and field language" ] ||
  fail "quorl.deb: synopsis is '$(printf '%s\n' "$description" | head -n 1)'"
[ "$(printf '%s\n' "$description" | wc -l)" -ge 3 ] || fail "quorl.deb: no long description"
[ "$(field "$dev" Package)" = libquorl-dev ] || fail "libquorl-dev.deb: Package is '$(field "$dev" Package)'"
[ "$(field "$dev" Section)" = libdevel ] || fail "libquorl-dev.deb: Section is '$(field "$dev" Section)'"

root=$work/root
for f in "${debs[@]}"; do dpkg-deb -x "$f" "$root" || { echo "FAIL: dpkg-deb -x ${f##*/}"; exit 1; }; done

q=$root/usr/bin/quorl
[ -x "$q" ] || { echo "FAIL: the package holds no usr/bin/quorl"; exit 1; }

# Depends is computed: every shared library the packaged binary loads is
# covered by a dependency on the package that ships it, versioned where the
# library's shlibs data asks for a version (the C library always does).
needed=0
while IFS= read -r so; do
  needed=$((needed + 1))
  # dpkg knows a library under the path its package ships it at, which on a
  # merged-/usr system may be the /lib or the /usr/lib spelling.
  owner=$(dpkg -S "$so" 2>/dev/null || dpkg -S "$(readlink -f "$so")" 2>/dev/null ||
    dpkg -S "${so#/usr}" 2>/dev/null || dpkg -S "/usr${so}" 2>/dev/null)
  pkg=${owner%%:*}
  if [ -z "$pkg" ]; then
    fail "no installed package owns $so"
  elif ! grep -q "\(^\|, \)$pkg\( (>= [0-9][^)]*)\)\?\(,\|\$\)" <<<"$depends"; then
    fail "quorl.deb: Depends '$depends' lacks $pkg (for $so)"
  fi
done < <(ldd "$q" | awk '/=> \//{print $3}')
grep -q "\(^\|, \)libc6 (>= [0-9]" <<<"$depends" ||
  fail "quorl.deb: Depends '$depends' lacks a versioned libc6"
[ "$needed" -ge 1 ] || fail "ldd found no shared library in the packaged quorl"
file "$q" | grep -q ', stripped' || fail "usr/bin/quorl is not stripped: $(file "$q")"
got=$("$q" -r 'colour:color,$d:<$d>' 'the colour of 66 skies')
[ "$got" = "the color of <66> skies" ] || fail "packaged quorl printed '$got'"
got=$(printf 'alice,31,paris\n' | "$q" -t, -e '$3,$1')
[ "$got" = "paris,alice" ] || fail "packaged quorl -e printed '$got'"

for page in man1/quorl.1 ja/man1/quorl.1; do
  packed=$root/usr/share/man/$page.gz
  if [ -f "$packed" ]; then
    gzip -dc "$packed" | cmp -s - "$src/man/${page/man1\//}" || fail "usr/share/man/$page.gz differs from the source"
  else
    fail "the package holds no usr/share/man/$page.gz"
  fi
done
[ -f "$root/usr/share/bash-completion/completions/quorl" ] || fail "no bash completion in the package"
cmp -s "$root/usr/share/doc/quorl/LICENSE" "$src/LICENSE" || fail "usr/share/doc/quorl/LICENSE is not the project's LICENSE"

# Each package's machine-readable copyright file carries the text of
# LICENSE; its changelog names this version.
permission=$(sed -n '/^Permission/,$p' "$src/LICENSE" | sed -e 's/^$/./' -e 's/^/ /')
for f in "${debs[@]}"; do
  name=$(field "$f" Package)
  copyright=$(cat "$root/usr/share/doc/$name/copyright")
  [[ $copyright == "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"* ]] ||
    fail "$name: the copyright file is not machine-readable"
  grep -Fq -- "$permission" <<<"$copyright" || fail "$name: the copyright file lacks the text of LICENSE"
  changelog=$(gzip -dc "$root/usr/share/doc/$name/changelog.Debian.gz" | head -n 1)
  [ "$changelog" = "quorl (${version}-1) unstable; urgency=medium" ] || fail "$name: changelog begins '$changelog'"
done

libdir=usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)
[ -f "$root/usr/include/quorl/quorl.h" ] || fail "libquorl-dev holds no usr/include/quorl/quorl.h"
[ -f "$root/$libdir/cmake/quorl/quorlConfig.cmake" ] || fail "libquorl-dev holds no CMake package in $libdir"
if [ $shared = ON ]; then
  # libquorl1 holds what programs load; libquorl-dev the link to link them with.
  grep -q " \./$libdir/libquorl\.so\.1 -> " <<<"$(dpkg-deb -c "$lib")" || fail "libquorl1 holds no $libdir/libquorl.so.1"
  files=$(dpkg-deb -c "$dev")
  grep -q " \./$libdir/libquorl\.so -> libquorl\.so\.1\$" <<<"$files" || fail "libquorl-dev holds no $libdir/libquorl.so"
  grep -q " \./$libdir/libquorl\.so\." <<<"$files" && fail "libquorl-dev holds the shared library itself"
  [ "$(field "$lib" Section)" = libs ] || fail "libquorl1.deb: Section is '$(field "$lib" Section)'"
  grep -q "\(^\|, \)libquorl1 (= ${version}-1)" <<<"$(field "$dev" Depends)" ||
    fail "libquorl-dev.deb: Depends '$(field "$dev" Depends)' lacks libquorl1 (= ${version}-1)"
else
  [ -f "$root/$libdir/libquorl.a" ] || fail "libquorl-dev holds no $libdir/libquorl.a"
fi
pc=$root/$libdir/pkgconfig/quorl.pc
if [ -f "$pc" ]; then
  export PKG_CONFIG_PATH=${pc%/*}
  # Installed, the flags name /usr/include, which pkg-config leaves out.
  got=$(pkg-config --cflags quorl | sed 's/ *$//')
  [ "$got" = "-std=c++17" ] || fail "pkg-config --cflags quorl gave '$got'"
  # A program built against the unpacked packages, as the system root.
  flags=$(PKG_CONFIG_SYSROOT_DIR=$root pkg-config --cflags --libs quorl quorl-classic)
  # shellcheck disable=SC2086
  if "$cxx" -std=c++14 "$src/tests/packaging/consumer/main.cc" $flags -o "$work/consumer" 2>"$work/consumer.log"; then
    got=$(LD_LIBRARY_PATH=$root/$libdir "$work/consumer" rules , '$2+$1' 'n$d:<$d>' 'n5,b')
    [ "$got" = "b+<5>" ] || fail "a program built against the packages printed '$got'"
  else
    cat "$work/consumer.log"; fail "building a program with '$flags'"
  fi
else
  fail "libquorl-dev holds no $libdir/pkgconfig/quorl.pc"
fi

[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "Debian packages: all checks passed"
