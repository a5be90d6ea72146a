// Text the micro-benchmarks share: English-like lines of words, digit runs
// and commas, made by a fixed seed so every run sees the same bytes.
#ifndef QUORL_BENCH_BENCH_TEXT_H
#define QUORL_BENCH_BENCH_TEXT_H

#include <string>
#include <vector>

namespace quorl::bench {

// sample_lines: count lines of 20 to 200 bytes; with japanese, about a third
// of the words are Shift_JIS double-byte text.
std::vector<std::string> sample_lines(int count, bool japanese);

// total_bytes: the bytes of all lines, newlines counted.
long long total_bytes(const std::vector<std::string>& lines);

}  // namespace quorl::bench

#endif
