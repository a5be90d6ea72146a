#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each of them for a while.
#
#   tools/fuzz.sh SECONDS [TARGET...]
#
# Targets: splitter replace extract convert strings cli (all by default).
# Each target starts from the seeds taken from the tests plus its corpus in
# build-fuzz/corpus/<target>, which keeps growing across runs. Two targets run
# at a time. Any crash, sanitizer report, hang or leak of memory fails the run;
# the input that caused it is left in build-fuzz/ as <target>-crash-... etc.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build-fuzz
seconds=${1:?usage: tools/fuzz.sh SECONDS [TARGET...]}
shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(splitter replace extract convert strings cli)

CC=clang CXX=clang++ cmake -S fuzz -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j2 >"$build/build.log" 2>&1 || { cat "$build/build.log"; exit 1; }
rm -rf "$build/seeds"
python3 fuzz/make_seeds.py "$build/seeds" >/dev/null

# Process-wide buffers live until exit by design (no leak reports); a failed
# allocation comes back as null so the exhaustion paths are reached. Items
# whose <to> repeats their own pattern grow a line exponentially from item to
# item, as they should; the allocation cap turns that into the memory
# helpers' exhaustion end instead of minutes spent building gigabytes. The
# cap is as low as libFuzzer itself allows (it asks for 20 MB as it starts):
# a line grown just under the cap is copied by every later item, which at
# 32 MB once took longer than 10 s.
export ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=0:max_allocation_size_mb=24
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

run_one() {
  local t=$1
  mkdir -p "$build/corpus/$t"
  # -timeout: one input running 25 s is a hang; -max_len reaches past the
  # 4095-byte line limit and the 4096-byte tab expansion area.
  local dict=()
  [ -f "$root/fuzz/$t.dict" ] && dict=(-dict="$root/fuzz/$t.dict")
  # One seed (QUORL_FUZZ_SEED, 1 by default): from the same corpus, a run
  # tries the same inputs in the same order, so what a short run finds can
  # be found again.
  if "$build/fuzz_$t" "${dict[@]}" -seed="${QUORL_FUZZ_SEED:-1}" -max_total_time="$seconds" -timeout=25 -max_len=10000 \
       -close_fd_mask=3 -print_final_stats=1 -artifact_prefix="$build/$t-" \
       "$build/corpus/$t" "$build/seeds/$t" >"$build/fuzz_$t.log" 2>&1; then
    echo "fuzz_$t: $(grep -o 'stat::number_of_executed_units: *[0-9]*' "$build/fuzz_$t.log" |
      grep -o '[0-9]*$') runs in ${seconds} s, no finding"
  else
    echo "fuzz_$t: FINDING, see $build/fuzz_$t.log"
    grep -m1 -A20 -E 'ERROR|runtime error|deadly signal' "$build/fuzz_$t.log" || tail -20 "$build/fuzz_$t.log"
    return 1
  fi
}

status=0
i=0
while [ $i -lt ${#targets[@]} ]; do
  pids=()
  for t in "${targets[@]:$i:2}"; do
    run_one "$t" & pids+=($!)
  done
  for p in "${pids[@]}"; do wait "$p" || status=1; done
  i=$((i + 2))
done
exit $status
