#!/usr/bin/env bash
# The library's examples in the README compile against the headers and the
# static library as they are, and the whole programs print what the README
# says they print. A code block is a whole program when it opens with its
# file name (// app.cc, /* app.c */); other blocks are fragments, compiled
# inside a main of their own.
#
# usage: readme_examples_test.sh <source dir> <libquorl.a> <c++ compiler> <c compiler> [flags]
# (flags: what a library built with the sanitizers needs in its programs)
set -uo pipefail

src=$1 lib=$2 cxx=$3 cc=$4 flags=${5:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The code blocks of one language, each into $work/<lang>-<n>.
awk -v dir="$work" '/^```(c\+\+|c)$/ { lang = substr($0, 4); n++; out = dir "/" (lang == "c++" ? "cc" : "c") "-" n; next }
  /^```/ { out = ""; next } out != "" { print > out }' "$src"/README.md
count=0
for block in "$work"/cc-* "$work"/c-*; do
  [ -f "$block" ] || continue
  count=$((count + 1))
  case $block in *cc-*) ext=cc comp=$cxx std=-std=c++17 ;; *) ext=c comp=$cc std=-std=c11 ;; esac
  if head -n 1 "$block" | grep -Eq '^(// app\.cc|/\* app\.c \*/)$'; then
    cp "$block" "$block.$ext"
  else
    { printf '#include <quorl/quorl.h>\n#include <cstdio>\n#include <iostream>\n#include <string_view>\n'
      printf 'int main() {\nquorl::Editor editor{quorl::Rules(quorl::RuleOptions{})};\n'
      cat "$block"; printf '}\n'; } > "$block.$ext"
  fi
  # shellcheck disable=SC2086
  "$comp" $std $flags -Wall -Wextra -Werror -I"$src"/include -c "$block.$ext" -o "$block.o" 2>"$block.log" ||
    { cat "$block.log"; fail "a README example does not compile: $(head -n 1 "$block")"; continue; }
  # shellcheck disable=SC2086
  "$cxx" $flags "$block.o" "$lib" -o "$block.bin" 2>"$block.log" ||
    { cat "$block.log"; fail "a README example does not link: $(head -n 1 "$block")"; continue; }
  if grep -q 'app\.c' <(head -n 1 "$block"); then
    got=$(echo 'the colour,7 days' | "$block.bin")
    [ "$got" = "<7> days,the color" ] || fail "$(head -n 1 "$block") printed '$got'"
  fi
done
[ "$count" -ge 3 ] || fail "found only $count C and C++ examples in the README"
[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
