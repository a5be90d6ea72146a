#!/usr/bin/env bash
# Installs the build tree into a fresh prefix and uses it from outside:
# the installed quorl edits text, and a separate program finds the library
# once through find_package(quorl) and once through pkg-config, links it and
# gets the right results from convert_str and from a compiled rule set. The
# same again against the shared library, from a build of its own. A program
# that calls only the public API links no command-line code. The program asks
# for C++14, as a compiler that defaults to it does: what the library
# declares must raise it to the C++17 its header needs.
#
# usage: consumer_test.sh <build dir> <work dir> <consumer source dir>
#                         <project version> <cmake> <generator> <c++ compiler>
#                         <source dir>
set -uo pipefail

build=$1 work=$2 consumer_src=$3 version=$4 cmake=$5 generator=$6 cxx=$7 src=$8
prefix=$work/prefix
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

rm -rf "$work" && mkdir -p "$work" || exit 1
"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log"; echo "FAIL: cmake --install"; exit 1; }

# The layout a user looks for.
for f in bin/quorl include/quorl/quorl.h include/quorl/classic.h share/man/man1/quorl.1.gz \
  share/man/ja/man1/quorl.1.gz share/bash-completion/completions/quorl; do
  [ -f "$prefix/$f" ] || fail "not installed: $f"
done
lib=$(find "$prefix" -name libquorl.a | head -n 1)
pc=$(find "$prefix" -name quorl.pc | head -n 1)
config=$(find "$prefix" -name quorlConfig.cmake | head -n 1)
[ -n "$lib" ] || fail "not installed: libquorl.a"
[ -n "$(find "$prefix" -name libquorl_classic.a)" ] || fail "not installed: libquorl_classic.a"
[ -n "$pc" ] || fail "not installed: quorl.pc"
[ -n "$config" ] || fail "not installed: quorlConfig.cmake"
[ -x "$prefix/bin/quorl" ] || { echo "FAIL: no installed quorl to run"; exit 1; }

got=$("$prefix/bin/quorl" -r '(colour):color' 'the colour of colours')
[ "$got" = "the color of colours" ] || fail "installed quorl printed '$got'"

# Cases for convert_str: whole_word | from list | to list | line | result.
cases=(
  "1|colour,grey|color,gray|the colour grey greyhound|the color gray greyhound"
  "0|a,b|x,y|abba|xyyx"
  "0| cat , dog |dog,cow|cat dog|cow cow"
  "0|a,b,c|x,y|abc|(null)"
)
# check <consumer binary> <how it was built>
check() {
  local c ww from to line want got
  for c in "${cases[@]}"; do
    IFS='|' read -r ww from to line want <<<"$c"
    got=$("$1" "$ww" "$from" "$to" "$line")
    [ "$got" = "$want" ] || fail "$2: convert_str($ww, '$from', '$to', '$line') gave '$got', want '$want'"
  done
  # Captures carry over from line to line; faults come back as text.
  got=$("$1" rules , '$2+$1' 'n$d:<$d>,x:[$d]' 'n5,b' 'a,x' 'q:$z' | tr '\n' '|')
  [ "$got" = "b+<5>|[5]+a|+q:\$z|" ] || fail "$2: rules gave '$got'"
  got=$("$1" rules '' '' 'a:$z' 'a')
  [ "$got" = 'error: illegal "-r <replace>" parameter: $z' ] || fail "$2: a bad <to> gave '$got'"
  if nm -C "$1" | grep -E ' (quorl::run\(|quorl::help_text|quorl::print_usage)' >/dev/null; then
    fail "$2: the consumer links command-line code"
  fi
}

# find_package(quorl) from a separate CMake project.
if "$cmake" -S "$consumer_src" -B "$work/cmake-build" -G "$generator" \
    -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_STANDARD=14 -DCMAKE_PREFIX_PATH="$prefix" \
    >"$work/configure.log" 2>&1 &&
  "$cmake" --build "$work/cmake-build" >"$work/build.log" 2>&1; then
  check "$work/cmake-build/consumer" "find_package"
else
  cat "$work/configure.log" "$work/build.log" 2>/dev/null
  fail "the consumer project did not configure and build against $prefix"
fi

# pkg-config, with nothing but the installed .pc file to go on.
if [ -n "$pc" ]; then
  export PKG_CONFIG_PATH=${pc%/*}
  got=$(pkg-config --modversion quorl)
  [ "$got" = "$version" ] || fail "pkg-config --modversion quorl gave '$got'"
  got=$(pkg-config --cflags quorl | sed 's/ *$//')
  [ "$got" = "-I$prefix/include -std=c++17" ] || fail "pkg-config --cflags quorl gave '$got'"
  flags=$(pkg-config --cflags --libs quorl quorl-classic) || fail "pkg-config --cflags --libs quorl quorl-classic"
  # shellcheck disable=SC2086
  if "$cxx" -std=c++14 "$consumer_src/main.cc" $flags -o "$work/pc-consumer" 2>"$work/pc.log"; then
    check "$work/pc-consumer" "pkg-config"
  else
    cat "$work/pc.log"
    fail "compiling with \$(pkg-config --cflags --libs quorl quorl-classic) = '$flags'"
  fi
fi

nm -C "$lib" | grep -E ' T quorl::(run|edit_line)\(' && fail "libquorl.a holds command-line code"
nm -C "$lib" | grep -E ' T quorl::(convert_str|add_name)\(' && fail "libquorl.a holds the classic routines"

# The shared library: a build of its own, installed into a second prefix.
shared=$work/shared-prefix
if "$cmake" -S "$src" -B "$work/shared-build" -G "$generator" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_COMPILER="$cxx" -DBUILD_SHARED_LIBS=ON -DQUORL_BUILD_TESTS=OFF >"$work/shared.log" 2>&1 &&
  "$cmake" --build "$work/shared-build" >>"$work/shared.log" 2>&1 &&
  "$cmake" --install "$work/shared-build" --prefix "$shared" >>"$work/shared.log" 2>&1; then
  so=$(find "$shared" -name 'libquorl.so.*.*' | head -n 1)
  soname=$(readelf -d "$so" | sed -n 's/.*SONAME.*\[\(.*\)\]/\1/p')
  [ "$soname" = "libquorl.so.${version%%.*}" ] || fail "SONAME is '$soname'"
  # Only the public API is exported.
  extra=$(nm -DC --defined-only "$so" | grep ' quorl::' |
    grep -vE ' quorl::((Rules|Editor|LineReader|Transcoder)::|(edit_lines|edit_stream|edit_file|check|transcode|guess_encoding|guess_file_encoding|guess_name)\()' || true)
  [ -z "$extra" ] || fail "libquorl.so exports more than the public API: $extra"
  if "$cmake" -S "$consumer_src" -B "$work/shared-cmake" -G "$generator" \
      -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_STANDARD=14 -DCMAKE_PREFIX_PATH="$shared" \
      >"$work/shared-c.log" 2>&1 &&
    "$cmake" --build "$work/shared-cmake" >>"$work/shared-c.log" 2>&1; then
    LD_LIBRARY_PATH=${so%/*} check "$work/shared-cmake/consumer" "find_package, shared"
  else
    cat "$work/shared-c.log"; fail "the consumer did not build against the shared library"
  fi
  flags=$(PKG_CONFIG_PATH=$(dirname "$(find "$shared" -name quorl.pc)") pkg-config --cflags --libs quorl quorl-classic)
  # shellcheck disable=SC2086
  if "$cxx" -std=c++14 "$consumer_src/main.cc" $flags -o "$work/pc-shared" 2>"$work/pc-shared.log"; then
    LD_LIBRARY_PATH=${so%/*} check "$work/pc-shared" "pkg-config, shared"
  else
    cat "$work/pc-shared.log"; fail "compiling against the shared library with pkg-config"
  fi
else
  cat "$work/shared.log"; fail "building the shared library"
fi

[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "install and consume: all checks passed"
