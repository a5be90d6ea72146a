#!/usr/bin/env bash
# The library's examples in the README compile against the headers and the
# static library as they are, and the whole programs print what the README
# says they print. A code block is a whole program when it opens with its
# file name (// app.cc, /* app.c */); other blocks are fragments, compiled
# inside a main of their own. The width and kana examples ($w $n $h $k) and
# the conversion examples (--to) of the README, both manual pages and
# --help run as they are shown, each printing the line after it (in --help:
# what its comment says).
#
# usage: readme_examples_test.sh <source dir> <libquorl.a> <c++ compiler> <c compiler> [flags [quorl]]
# (flags: what a library built with the sanitizers needs in its programs)
set -uo pipefail

src=$1 lib=$2 cxx=$3 cc=$4 flags=${5:-} quorl=${6:-}
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

# shown_examples <where>: each "$ quorl ... $$:$w" line (or $n $h $k, or
# --encoding=auto, or a "$ ... | quorl ... --to=" line) of the text on
# standard input run, and compared with the line after it.
shown_examples() {
  local n=0 cmd want got
  while IFS= read -r cmd && IFS= read -r want; do
    n=$((n + 1)) cmd=${cmd#*\$ } want=${want#"${want%%[! ]*}"}  # a page indents them
    got=$(bash -c "$cmd" 2>&1)
    [ "$got" = "$want" ] || fail "$1: '$cmd' printed '$got', not '$want'"
  done < <(grep -A1 -E '^ *\$ (quorl .*\$\$:\$[wnhk]|.*quorl .*(--encoding=auto|--to=))' | grep -vx -- --)
  [ "$n" -ge 7 ] || fail "$1 shows $n width, kana, guessing and conversion examples"
}
if [ -n "$quorl" ]; then
  mkdir "$work/bin" && ln -s "$quorl" "$work/bin/quorl" && export PATH="$work/bin:$PATH"
  shown_examples README.md <"$src"/README.md
  for page in man/quorl.1 man/ja/quorl.1; do
    shown_examples "$page" < <(groff -K utf8 -man -Tutf8 -P-c -P-b -P-u "$src/$page" 2>/dev/null |
      sed -e 's/\xe2\x80\x90/-/g' -e 's/\xe2\x88\x92/-/g')
  done
  # --help shows one example on two lines; the Japanese one names the
  # locale's encoding, UTF-8 here.
  for locale in C ja_JP.UTF-8; do
    example=$(LC_ALL=$locale quorl --help | grep -A1 -F '$$:$w' | sed 's/ *\\$//' | tr -d '\n')
    got=$(LC_ALL=C.UTF-8 bash -c "${example%%#*}" 2>&1)
    [ -n "$example" ] && [ "$got" = "${example##*# }" ] || fail "--help ($locale): '$example' printed '$got'"
    n=0
    while IFS= read -r example; do
      n=$((n + 1))
      got=$(LC_ALL=C.UTF-8 bash -c "${example%%#*}" 2>&1)
      [ "$got" = "${example##*# }" ] || fail "--help ($locale): '$example' printed '$got'"
    done < <(LC_ALL=$locale quorl --help | grep -F -e '--to=' | grep -F '#')
    [ "$n" -ge 2 ] || fail "--help ($locale) shows $n conversion examples"
  done
fi
[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
