// The matcher alone: one pattern tried at every character of every line.
#include <benchmark/benchmark.h>

#include "bench_text.h"
#include "replace/matcher.h"
#include "support/sjis.h"

namespace quorl {
namespace {

const char* const kPatterns[] = {"the", "$d", "$a$s$d", "(and)", "?h?"};

// Tries the pattern at every character start, as a scan without skipping
// would; counts the matches so the work cannot be dropped.
void BM_MatchEveryPosition(benchmark::State& state) {
  const char* pattern = kPatterns[state.range(0)];
  const auto lines = bench::sample_lines(2000, state.range(1) != 0);
  Program prog;
  EditorState ed;
  long long matches = 0;
  for (auto _ : state) {
    for (const std::string& line : lines) {
      const char* s = line.c_str();
      compile_pattern(pattern, &prog);
      Scan scan = begin_scan(prog, ed, s, s, s + line.size());
      int db = 0;
      for (const char* p = s; *p != '\0'; p += char_len(p)) {
        if (match_program(&scan, p, db) != nullptr) ++matches;
        db = is_double(p) ? 1 : 0;
      }
    }
  }
  if (matches == 0) state.SkipWithError("the pattern never matched");
  benchmark::DoNotOptimize(matches);
  state.SetLabel(pattern);
  state.SetBytesProcessed(state.iterations() * bench::total_bytes(lines));
}
BENCHMARK(BM_MatchEveryPosition)->ArgsProduct({{0, 1, 2, 3, 4}, {0, 1}});

// compile_pattern alone: what taking a pattern apart costs.
void BM_CompilePattern(benchmark::State& state) {
  Program prog;
  for (auto _ : state) {
    compile_pattern("$a$s$d:", &prog);
    benchmark::DoNotOptimize(prog.count);
  }
  if (prog.count != 4) state.SkipWithError("unexpected step count");
}
BENCHMARK(BM_CompilePattern);

}  // namespace
}  // namespace quorl
