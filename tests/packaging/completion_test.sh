#!/usr/bin/env bash
# The bash completion offers every option the program accepts after "-",
# -usage, --help and --version only as the first word, file names after -R
# and -f and every word after --files, the encoding names and thread counts after --encoding and --jobs,
# and nothing where a specification, template or the string goes.
#
# usage: completion_test.sh <completion file> <quorl binary> <work dir>
#                           <source dir>
set -uo pipefail
export LC_ALL=C  # one sort order for the lists compared

completion=$1 quorl=$2 work=$3 src=$4
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# shellcheck source=/dev/null
source "$completion"
complete -p quorl | grep -q -- '-F _quorl' || fail "no completion registered for quorl"

# offered <words...>: what _quorl proposes for the last word, sorted, one line.
offered() {
  COMP_WORDS=("$@")
  COMP_CWORD=$(($# - 1))
  COMPREPLY=()
  _quorl
  printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | sort | tr '\n' ' ' | sed 's/ $//'
}

# Every option the program accepts: the short ones and each "--name"
# literal of the command-line sources.
options=$({ printf '%s\n' -r -R -e -t -b -f -usage; grep -oh '"--[a-z][a-z-]*' "$src"/driver/*.cc | tr -d '"'; } | sort -u)
[ "$(grep -c -- '^--' <<<"$options")" -ge 2 ] || fail "found too few long options in the sources: $options"

# Every encoding name of the program's message after --encoding=, and the
# counts from 1 to the processors quorl may use after --jobs=.
names=$(awk '/ENCODING_NAMES\[\]/ { f = 1 } f { print } f && /;/ { exit }' "$src"/support/encoding.h |
  grep -o '"[^"]*"' | tr -d '",' | tr ' ' '\n' | sed '/^$/d; s/^/--encoding=/' | sort | xargs)
[ "$(wc -w <<<"$names")" -ge 9 ] && [ "$(offered quorl --encoding=)" = "$names" ] || fail "--encoding= gives '$(offered quorl --encoding=)', want '$names'"
[ "$(offered quorl --jobs=)" = "$(seq 1 "$(nproc)" | sed 's/^/--jobs=/' | sort | xargs)" ] || fail "--jobs= gives '$(offered quorl --jobs=)'"

rm -rf "$work" && mkdir -p "$work/dir" && cd "$work" || exit 1
touch rules.txt input.txt

first=$(offered quorl - | tr ' ' '\n')
later=$(offered quorl -t, - | tr ' ' '\n')
while IFS= read -r opt; do
  grep -Fxq -e "$opt" -e "$opt=" <<<"$first" || fail "'quorl -' does not offer $opt"
  case $opt in
    -usage | --help | --version) ! grep -Fxq -- "$opt" <<<"$later" || fail "$opt offered after another option" ;;
    *) grep -Fxq -e "$opt" -e "$opt=" <<<"$later" || fail "'quorl -t, -' does not offer $opt" ;;
  esac
done <<<"$options"

cases=(
  # expected | words (the last one is being completed)
  "-r|quorl -r"
  "-R|quorl -t, -R"
  "-usage|quorl -u"
  "--check --crlf --csv --diff --encoding= --files --in-place --jobs= --rules-encoding= --to=|quorl -r a:b --"
  "--in-place|quorl --in"
  "|quorl -b -u"
  "--help|quorl --h"
  "--encoding=euc-jp --encoding=eucjp|quorl -t, --encoding=e"
  "ujis utf-8 utf8 utf_8|quorl --encoding u"
  "ms932|quorl --encoding = m"
  "|quorl -r --encoding "
  "--to=utf-8|quorl --to=u"
  "|quorl -t, --v"
  "|quorl -- -"
  "rules.txt|quorl -R ru"
  "input.txt|quorl -r a:b -f in"
  "input.txt|quorl --files rules.txt -r in"
  "dir|quorl -f di"
  "|quorl -r "
  "|quorl -e \$"
  "|quorl -r a:b some"
)
for c in "${cases[@]}"; do
  want=${c%%|*}
  read -r -a words <<<"${c#*|}"
  # A trailing blank in the case means an empty word is being completed.
  [[ ${c: -1} == " " ]] && words+=("")
  got=$(offered "${words[@]}")
  [ "$got" = "$want" ] || fail "completing '${c#*|}': got '$got', want '$want'"
done

[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "bash completion: all checks passed"
