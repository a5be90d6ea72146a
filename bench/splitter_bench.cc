// Specifications: cutting them into items, and applying whole ones to lines.
#include <benchmark/benchmark.h>

#include <cstring>

#include "bench_text.h"
#include "replace/spec.h"
#include "support/bytebuf.h"

namespace quorl {
namespace {

void BM_NextReplaceItem(benchmark::State& state) {
  const char* spec = "the:THE,and:AND,(2)$d$s:<$d>,\\,:;,ing:ING";
  ByteBuf from;
  ByteBuf to;
  int items = 0;
  for (auto _ : state) {
    items = 0;
    for (const char* p = spec; *p != '\0'; ++items) {
      p = next_replace_item(p, &from, &to);
      if (p == nullptr) break;
    }
    benchmark::DoNotOptimize(from.data);
  }
  if (items != 5) state.SkipWithError("the specification did not split into 5 items");
}
BENCHMARK(BM_NextReplaceItem);

const char* const kSpecs[] = {"the:[THE]", "$d:<$d>", "the:THE,and:AND,ing:ING", "(and):&",
                              "zzz:y"};

// apply_spec per line, the specification compiled once, as the line loop
// uses it.
void BM_ApplySpec(benchmark::State& state) {
  const char* spec = kSpecs[state.range(0)];
  const auto lines = bench::sample_lines(5000, state.range(1) != 0);
  EditorState ed;
  const FieldSyntax syntax;
  CompiledSpec compiled;
  compile_spec(spec, &compiled, syntax.enc);
  size_t out = 0;
  for (auto _ : state) {
    for (const std::string& line : lines) {
      size_t len = line.size();
      const char* r = apply_spec(compiled, syntax, ed, line.c_str(), &len);
      if (r == nullptr) {
        state.SkipWithError("apply_spec failed");
        return;
      }
      out += len;
    }
  }
  benchmark::DoNotOptimize(out);
  state.SetLabel(spec);
  state.SetBytesProcessed(state.iterations() * bench::total_bytes(lines));
}
BENCHMARK(BM_ApplySpec)->ArgsProduct({{0, 1, 2, 3, 4}, {0, 1}});

}  // namespace
}  // namespace quorl
