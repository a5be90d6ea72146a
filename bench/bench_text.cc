#include "bench_text.h"

#include <random>

namespace quorl::bench {

namespace {

const char* const kEnglish[] = {
    "the",    "the",    "and",     "and",   "of",     "to",     "in",    "is",   "was",
    "for",    "thing",  "string",  "morning", "during", "bring", "hand",  "land", "stand",
    "other",  "theory", "field",   "record",  "value",  "column", "number", "table",
    "buffer", "output", "pattern", "match",   "replace", "server", "client", "data"};

// Shift_JIS words (Tokyo, file, data, setting, date, words), as escapes.
const char* const kJapanese[] = {"\x93\x8c\x8b\x9e", "\x83\x74\x83\x40\x83\x43\x83\x8b",
                                 "\x83\x66\x81\x5b\x83\x5e", "\x90\xdd\x92\xe8",
                                 "\x93\xfa\x95\x74", "\x8c\xbe\x97\x74"};

}  // namespace

std::vector<std::string> sample_lines(int count, bool japanese) {
  std::mt19937 rng(12345);
  std::uniform_int_distribution<int> len(20, 200);
  std::uniform_int_distribution<int> pick(0, 99);
  std::vector<std::string> lines;
  lines.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const size_t want = static_cast<size_t>(len(rng));
    std::string line;
    while (line.size() < want) {
      if (!line.empty()) line += ' ';
      const int r = pick(rng);
      if (r < 15) {
        line += std::to_string(rng() % 1000000);
      } else if (japanese && r < 45) {
        line += kJapanese[rng() % (sizeof kJapanese / sizeof *kJapanese)];
      } else {
        line += kEnglish[rng() % (sizeof kEnglish / sizeof *kEnglish)];
      }
      if (pick(rng) < 20) line += ',';
    }
    lines.push_back(line);
  }
  return lines;
}

long long total_bytes(const std::vector<std::string>& lines) {
  long long n = 0;
  for (const std::string& l : lines) n += static_cast<long long>(l.size()) + 1;
  return n;
}

}  // namespace quorl::bench
