#!/usr/bin/env bash
# Installs what is missing, builds quorl and runs the whole test suite: once in
# an optimised build, then again under AddressSanitizer and
# UndefinedBehaviorSanitizer, where any report fails the run; last, a short
# run of every fuzz target, where any finding fails the run. The library's
# threads test also runs under ThreadSanitizer. Last, quorl is cross-built
# for Windows (64 and 32 bits) and tested under Wine (tools/windows.sh).
# Each stage has a build folder of its own (build-test/, build-asan/,
# build-tsan/, build-fuzz/, build-win64/, build-win32/), so build/ stays the
# Release build that tools/setup.sh makes.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/deps.sh
jobs=$(nproc)

echo "== build and test (RelWithDebInfo)"
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-test
ctest --test-dir build-test --output-on-failure -j "$jobs"

echo "== build and test under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORL_SANITIZE=ON >/dev/null
cmake --build build-asan
# Process-wide buffers and lists live until exit by design, so leak reports
# are off; a failed allocation must come back as null for the exhaustion paths.
ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=0:abort_on_error=0 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

echo "== the library's and the command's threads under ThreadSanitizer"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORL_TSAN=ON \
  -DQUORL_BUILD_TESTS=ON >/dev/null
cmake --build build-tsan --target test_extract test_cli quorl
TSAN_OPTIONS=halt_on_error=1 build-tsan/tests/test_extract --gtest_filter='EditorApi.*'
# The file's workers and the pipe's reader, in the command built with
# ThreadSanitizer. A fault ends the process with workers still running, on
# purpose, so threads left at the end are not reported.
TSAN_OPTIONS=halt_on_error=1:report_thread_leaks=0 build-tsan/tests/test_cli \
  --gtest_filter='DriverCli.JobsChangeNothing:HostileCli.StreamErrors'

echo "== fuzz smoke run (every target, 20 s each, two at a time)"
bash tools/fuzz.sh 20

echo "== Windows: the cross-builds, and their tests under Wine"
bash tools/windows.sh test
