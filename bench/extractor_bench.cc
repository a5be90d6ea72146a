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
  EditorState ed;
  FieldSyntax syntax;
  syntax.sep = Delim{{static_cast<char>(state.range(0))}, 0};
  Lines lines(state.range(1) != 0);
  long long fields = 0;
  for (auto _ : state) {
    lines.refresh();
    for (size_t i = 0; i < lines.starts.size(); ++i) {
      char* line = lines.line(i);
      fields += static_cast<long long>(split_fields(ed, syntax, line, std::strlen(line))) + 1;
    }
  }
  if (fields == 0) state.SkipWithError("no fields");
  benchmark::DoNotOptimize(fields);
  state.SetBytesProcessed(state.iterations() * lines.bytes);
}
BENCHMARK(BM_SplitFields)->ArgsProduct({{0, ','}, {0, 1}});

const char* const kTemplates[] = {"$3-$1", "$2", "[$*]", "$(2-4)/$$"};

// The template compiled once, as the line loop uses it.
void BM_ExtractWith(benchmark::State& state) {
  const char* templ = kTemplates[state.range(0)];
  EditorState ed;
  FieldSyntax syntax;
  syntax.sep = Delim{{state.range(0) == 1 ? ',' : '\0'}, 0};
  Template compiled;
  compile_template(templ, &compiled);
  Lines lines(state.range(1) != 0);
  size_t out = 0;
  for (auto _ : state) {
    lines.refresh();
    for (size_t i = 0; i < lines.starts.size(); ++i) {
      size_t len = static_cast<size_t>(-1);
      extract_with(compiled, syntax, ed, lines.line(i), &len);
      out += len;
    }
  }
  if (out == 0) state.SkipWithError("nothing extracted");
  benchmark::DoNotOptimize(out);
  state.SetLabel(templ);
  state.SetBytesProcessed(state.iterations() * lines.bytes);
}
BENCHMARK(BM_ExtractWith)->ArgsProduct({{0, 1, 2, 3}, {0, 1}});

}  // namespace
}  // namespace quorl
