#!/usr/bin/env bash
# A standard-input line longer than an int counts (2.2 GB) is edited whole,
# then the line after it: such a line once ended the run with "cannot get the
# memory of 2147483 K bytes". The template keeps the field after the line's
# one separator, so the run holds little more than the line itself.
#
# usage: long_line_test.sh <quorl binary>
set -uo pipefail

quorl=$1
out=$({ head -c 2200000000 /dev/zero | tr '\0' a; printf ',b\nc,d\n'; } |
  timeout 300 "$quorl" -t, -e '<$2>' 2>&1)
status=$?
[ "$status" = 0 ] && [ "$out" = $'<b>\n<d>' ] && exit 0
echo "FAIL: status $status, output: ${out:0:300}"
exit 1
