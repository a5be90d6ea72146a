#!/usr/bin/env bash
# The manual pages render without a single groff warning, name the version
# the program reports, and describe what the program actually offers: every
# option it accepts, its usage lines themselves, every message the command
# line can print, and how to read the Shift_JIS help text. The --help text,
# English and Japanese, names every option too; the pages, --help and the
# README name every encoding name the program accepts.
#
# usage: man_pages_test.sh <source dir> <quorl binary> <project version>
set -uo pipefail

src=$1 quorl=$2 version=$3
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# render <page>: plain text (no overstriking), hyphens as ASCII.
render() {
  groff -K utf8 -man -Tutf8 -P-c -P-b -P-u "$1" 2>/dev/null |
    sed -e 's/\xe2\x80\x90/-/g' -e 's/\xe2\x88\x92/-/g'
}

# What the program says about itself.
usage=$("$quorl" 2>&1 >/dev/null)
help_version=$("$quorl" -usage | iconv -f CP932 -t UTF-8 | tail -n 1)
[ "$help_version" = "Version: $version" ] ||
  fail "help text ends with '$help_version', the project version is $version"
[ "$("$quorl" --version | head -n 1)" = "quorl $version" ] ||
  fail "--version begins '$("$quorl" --version | head -n 1)', the project version is $version"
# Every option the program accepts: the short ones and each "--name" the
# command-line sources compare arguments with, so a new one is caught here.
options=$({ printf '%s\n' -r -R -e -t -b -f -usage; grep -oh '"--[a-z][a-z-]*' "$src"/driver/*.cc | tr -d '"'; } | sort -u)
[ "$(grep -c -- '^--' <<<"$options")" -ge 2 ] ||
  fail "found too few long options in the sources: $options"
# The help texts are read whole first: a grep -q that stops early would end
# quorl with SIGPIPE, which pipefail takes for a failure.
declare -A help
for locale in C ja_JP.UTF-8; do help[$locale]=$(LC_ALL=$locale "$quorl" --help); done
while IFS= read -r opt; do
  for locale in C ja_JP.UTF-8; do
    grep -q -- "\(^\|[^a-zA-Z-]\)$opt\([^a-zA-Z-]\|\$\)" <<<"${help[$locale]}" ||
      fail "quorl --help under LC_ALL=$locale does not name $opt"
  done
done <<<"$options"
# The encoding names, as the message that lists them has them.
names=$(awk '/ENCODING_NAMES\[\]/ { f = 1 } f { print } f && /;/ { exit }' "$src"/support/encoding.h |
  grep -o '"[^"]*"' | tr -d '",')
[ "$(wc -w <<<"$names")" -ge 9 ] || fail "found too few encoding names in support/encoding.h: $names"
for name in $names; do
  for l in C ja_JP.UTF-8; do grep -Fqw -- "$name" <<<"${help[$l]}" || fail "--help ($l) lacks $name"; done
  grep -Fqw -- "\`$name\`" "$src"/README.md || fail "README.md does not name the encoding $name"
done
grep -q 'MIT License' <<<"$("$quorl" --version)" || fail "--version names no licence"
# The Japanese --help is one text in each encoding a locale may name.
japanese=$(LC_ALL=ja_JP.UTF-8 "$quorl" --help | iconv -f UTF-8 -t UTF-8) || fail "the Japanese --help is not UTF-8"
[ "$japanese" != "$(LC_ALL=C "$quorl" --help)" ] || fail "the Japanese --help is the English one"
for pair in ja_JP.SJIS:CP932 ja_JP.eucJP:EUC-JP; do
  [ "$(LC_ALL=${pair%:*} "$quorl" --help | iconv -f "${pair#*:}" -t UTF-8)" = "$japanese" ] ||
    fail "--help under LC_ALL=${pair%:*} is not the Japanese text in ${pair#*:}"
done

# The messages, as the sources format them; the locked allocation and the
# appending string copy are library routines the command line never calls.
messages=$(cd "$src" &&
  grep -oh 'errmsg("\([^"\\]\|\\.\)*"' driver/*.cc replace/*.cc extract/*.cc \
    support/exit.cc support/memory.cc |
  sed -e 's/^errmsg("//' -e 's/"$//' -e 's/\\"/"/g' |
  grep -v -e '^Faital error' -e "^can't get memory" | sort -u)
[ "$(printf '%s\n' "$messages" | wc -l)" -ge 10 ] ||
  fail "found too few messages in the sources: $messages"

for page in man/quorl.1 man/ja/quorl.1; do
  path=$src/$page
  [ -f "$path" ] || { fail "$page is missing"; continue; }

  # Warnings of every kind, with and without output (some, such as lines
  # that cannot be broken, only show when the page is really formatted).
  for mode in -z ""; do
    warnings=$(groff -K utf8 -man -Tutf8 -ww $mode "$path" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$page: groff -ww $mode: $warnings"
  done

  # The English page also reads on a terminal that is not UTF-8.
  if [ "$page" = man/quorl.1 ]; then
    LC_ALL=C grep -q '[^ -~]' "$path" && fail "$page: holds bytes other than printable ASCII"
    warnings=$(groff -man -Tascii -ww "$path" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$page: groff -Tascii -ww: $warnings"
  fi

  text=$(render "$path")
  has_line() { grep -Fxq -- "$1" <<<"$text"; }

  grep -q "^\.TH QUORL 1 .*\"quorl $version\"" "$path" ||
    fail "$page: .TH does not name quorl $version"

  while IFS= read -r opt; do
    grep -q -- "^       $opt\([^a-z]\|\$\)" <<<"$text" ||
      fail "$page: no entry for the option $opt"
  done <<<"$options"

  while IFS= read -r line; do
    has_line "       $line" || fail "$page: usage line missing: '$line'"
  done <<<"$usage"

  while IFS= read -r msg; do
    has_line "       $msg" || fail "$page: message missing: '$msg'"
  done <<<"$messages"

  for name in $names; do grep -Fqw -- "$name" <<<"$text" || fail "$page: lacks the encoding $name"; done

  grep -Fq 'quorl -usage | iconv -f CP932 -t UTF-8' <<<"$text" ||
    fail "$page: does not show how to read the help text on a UTF-8 terminal"
done

[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "man pages: all checks passed"
