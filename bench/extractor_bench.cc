// Field splitting and the -e template.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench_text.h"
#include "replace/editor.h"
#include "extract/extractor.h"

namespace quorl {
namespace {

// The lines laid out NUL-terminated in one block, with a copy to cut, since
// splitting writes into the line.
struct Lines {
  std::vector<char> text;
  std::vector<size_t> starts;
  std::vector<char> scratch;
  long long bytes = 0;

  explicit Lines(bool japanese) {
    const auto lines = bench::sample_lines(5000, japanese);
    for (const std::string& l : lines) {
      starts.push_back(text.size());
      text.insert(text.end(), l.begin(), l.end());
      text.push_back('\0');
    }
    bytes = bench::total_bytes(lines);
    scratch.resize(text.size());
  }
  void refresh() { std::memcpy(scratch.data(), text.data(), text.size()); }
  char* line(size_t i) { return scratch.data() + starts[i]; }
};

void BM_SplitFields(benchmark::State& state) {
  sep = static_cast<char>(state.range(0));
  Lines lines(state.range(1) != 0);
  long long fields = 0;
  for (auto _ : state) {
    lines.refresh();
    for (size_t i = 0; i < lines.starts.size(); ++i) fields += split_fields(lines.line(i)) + 1;
  }
  sep = 0;
  if (fields == 0) state.SkipWithError("no fields");
  benchmark::DoNotOptimize(fields);
  state.SetBytesProcessed(state.iterations() * lines.bytes);
}
BENCHMARK(BM_SplitFields)->ArgsProduct({{0, ','}, {0, 1}});

const char* const kTemplates[] = {"$3-$1", "$2", "[$*]", "$(2-4)/$$"};

void BM_ExtractFields(benchmark::State& state) {
  const char* templ = kTemplates[state.range(0)];
  sep = state.range(0) == 1 ? ',' : 0;
  Lines lines(state.range(1) != 0);
  size_t out = 0;
  for (auto _ : state) {
    lines.refresh();
    for (size_t i = 0; i < lines.starts.size(); ++i)
      out += std::strlen(extract_fields(templ, lines.line(i)));
  }
  sep = 0;
  if (out == 0) state.SkipWithError("nothing extracted");
  benchmark::DoNotOptimize(out);
  state.SetLabel(templ);
  state.SetBytesProcessed(state.iterations() * lines.bytes);
}
BENCHMARK(BM_ExtractFields)->ArgsProduct({{0, 1, 2, 3}, {0, 1}});

}  // namespace
}  // namespace quorl
