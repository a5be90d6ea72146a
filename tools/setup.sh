#!/usr/bin/env bash
# Installs what building quorl needs (a C++ compiler, CMake and Ninja) if it
# is missing, builds a Release quorl in build/ without the test suite, and
# shows it at work with commands that can be pasted as they are printed.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/deps.sh build
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORL_BUILD_TESTS=OFF >/dev/null
cmake --build build

# demo <command>: prints the command as it is typed, then runs it.
demo() { printf '$ %s\n' "$1"; eval "$1"; echo; }
echo
demo "build/quorl -r 'colour:color' 'the colour of the sky'"
demo "build/quorl -r '\$d:<\$d>' 'order 66 shipped on day 12'"
demo "build/quorl -t, -e '\$3,\$1' 'alice,31,paris'"
echo "Built: build/quorl   (build/quorl --help for more; bash tools/test.sh for the test suite)"
