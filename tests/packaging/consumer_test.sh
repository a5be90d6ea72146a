#!/usr/bin/env bash
# Installs the build tree into a fresh prefix and uses it from outside:
# the installed quorl edits text, and a separate program finds the library
# once through find_package(quorl) and once through pkg-config, links it and
# gets the right results from convert_str.
#
# usage: consumer_test.sh <build dir> <work dir> <consumer source dir>
#                         <project version> <cmake> <generator> <c++ compiler>
set -uo pipefail

build=$1 work=$2 consumer_src=$3 version=$4 cmake=$5 generator=$6 cxx=$7
prefix=$work/prefix
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

rm -rf "$work" && mkdir -p "$work" || exit 1
"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log"; echo "FAIL: cmake --install"; exit 1; }

# The layout a user looks for.
for f in bin/quorl include/quorl/quorl.h share/man/man1/quorl.1.gz \
  share/man/ja/man1/quorl.1.gz share/bash-completion/completions/quorl; do
  [ -f "$prefix/$f" ] || fail "not installed: $f"
done
lib=$(find "$prefix" -name libquorl.a | head -n 1)
pc=$(find "$prefix" -name quorl.pc | head -n 1)
config=$(find "$prefix" -name quorlConfig.cmake | head -n 1)
[ -n "$lib" ] || fail "not installed: libquorl.a"
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
}

# find_package(quorl) from a separate CMake project.
if "$cmake" -S "$consumer_src" -B "$work/cmake-build" -G "$generator" \
    -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_PREFIX_PATH="$prefix" \
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
  flags=$(pkg-config --cflags --libs quorl) || fail "pkg-config --cflags --libs quorl"
  # shellcheck disable=SC2086
  if "$cxx" -std=c++17 "$consumer_src/main.cc" $flags -o "$work/pc-consumer" 2>"$work/pc.log"; then
    check "$work/pc-consumer" "pkg-config"
  else
    cat "$work/pc.log"
    fail "compiling with \$(pkg-config --cflags --libs quorl) = '$flags'"
  fi
fi

[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "install and consume: all checks passed"
