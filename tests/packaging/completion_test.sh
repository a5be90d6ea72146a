#!/usr/bin/env bash
# The bash completion offers exactly the program's options after "-",
# -usage only as the first word, file names after -R and -f, and nothing
# where a specification or template goes.
#
# usage: completion_test.sh <completion file> <quorl binary> <work dir>
set -uo pipefail

completion=$1 quorl=$2 work=$3
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

# The options the program itself lists in its usage lines.
usage_opts=$("$quorl" 2>&1 >/dev/null | grep -o -- '-[A-Za-z]\+' | sort -u | tr '\n' ' ' | sed 's/ $//')
all_opts=$(printf '%s\n' $usage_opts -usage | sort | tr '\n' ' ' | sed 's/ $//')

rm -rf "$work" && mkdir -p "$work/dir" && cd "$work" || exit 1
touch rules.txt input.txt

cases=(
  # expected | words (the last one is being completed)
  "$all_opts|quorl -"
  "$usage_opts|quorl -t, -"
  "-r|quorl -r"
  "-R|quorl -t, -R"
  "-usage|quorl -u"
  "--crlf --diff --in-place|quorl -r a:b --"
  "--in-place|quorl --in"
  "|quorl -b -u"
  "rules.txt|quorl -R ru"
  "input.txt|quorl -r a:b -f in"
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
