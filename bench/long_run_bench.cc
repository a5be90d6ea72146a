// Long runs: a greedy element that could be tried at every position of a
// long run of its class must cost about what a literal costs over the same
// bytes. Compare the rows of one text with each other.
#include <benchmark/benchmark.h>

#include <string>

#include "replace/spec.h"

namespace quorl {
namespace {

const char* const kSpecs[] = {"9:Y", "$dX:Y", "$$X:Y", "$d$aX:Y", "$x$dX:Y"};

std::string digits(size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s += static_cast<char>('0' + i % 10);
  return s;
}

// One text of range(1) digits, with the specification kSpecs[range(0)] applied to it.
void BM_LongRun(benchmark::State& state) {
  const char* spec = kSpecs[state.range(0)];
  const std::string text = digits(static_cast<size_t>(state.range(1)));
  EditorState ed;
  CompiledSpec compiled;
  compile_spec(spec, &compiled, Encoding::sjis);
  for (auto _ : state) {
    size_t len = text.size();
    const char* r = apply_spec(compiled, FieldSyntax{}, ed, text.c_str(), &len);
    if (r == nullptr) {
      state.SkipWithError("apply_spec failed");
      return;
    }
    benchmark::DoNotOptimize(r);
  }
  state.SetLabel(spec);
  state.SetBytesProcessed(state.iterations() * state.range(1));
}
BENCHMARK(BM_LongRun)->ArgsProduct({{0, 1, 2, 3, 4}, {4093, 1 << 20}});

}  // namespace
}  // namespace quorl
