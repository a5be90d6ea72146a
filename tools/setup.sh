#!/usr/bin/env bash
# Installs what is missing, builds quorl in build/ and shows it at work.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build

q=build/quorl
demo() { printf '$ %s\n' "$*"; "$@"; echo; }
echo
demo $q -r 'colour:color' 'the colour of the sky'
demo $q -r '$d:<$d>' 'order 66 shipped on day 12'
demo $q -t, -e '$3,$1' 'alice,31,paris'
echo "Built: $q   (run 'bash tools/test.sh' for the test suite)"
