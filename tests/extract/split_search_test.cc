// split_fields on long mixed lines, against cutting character by character.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "replace/editor.h"
#include "extract/extractor.h"
#include "support/sjis.h"

namespace quorl {
namespace {

// The offsets where the pieces start and the line as cut, the plain way:
// step a character at a time; a separator byte (or a blank or tab without
// one, taking the blanks after it along) cuts where a character starts.
struct Cut {
  std::vector<long> starts;
  std::string bytes;
};

Cut reference(std::string line, char separator) {
  Cut cut;
  cut.starts.push_back(0);
  size_t i = 0;
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (i < line.size()) {
    const bool is_sep = separator == 0 ? blank(line[i]) : line[i] == separator;
    if (is_sep) {
      line[i++] = '\0';
      if (separator == 0)
        while (i < line.size() && blank(line[i])) ++i;
      cut.starts.push_back(static_cast<long>(i));
    } else {
      i += static_cast<size_t>(char_len(line.c_str() + i));
    }
  }
  cut.bytes = line;
  return cut;
}

TEST(SplitFields, LongMixedLinesAgreeWithCharacterSteps) {
  EditorState ed;
  FieldSyntax syntax;
  // 0x5C and 0x7C are second bytes as well as separators; 0x81 is a lead
  // byte that separates wherever it stands.
  const char separators[] = {0, ',', '\\', '|', '\x81'};
  const char* const pieces[] = {"a", "bc", " ", "  ", "\t", ",", "\\", "|", "\x81",
                                "\x95\x5c", "\x83\x7c", "\x81\x20", "\x81\x2c", "\x82\xa0", "xyz"};
  std::mt19937 rng(5);
  for (int round = 0; round < 1500; ++round) {
    const char separator = separators[round % 5];
    std::string line;
    const size_t want = rng() % 100;
    while (line.size() < want) line += pieces[rng() % (sizeof pieces / sizeof *pieces)];
    SCOPED_TRACE(line);
    SCOPED_TRACE(static_cast<int>(static_cast<unsigned char>(separator)));
    const Cut want_cut = reference(line, separator);

    syntax.sep = Delim{{separator}, 0};
    std::string buf = line;
    const int n = static_cast<int>(split_fields(ed, syntax, buf.data(), buf.size()));
    ASSERT_EQ(n + 1, static_cast<int>(want_cut.starts.size()));
    for (int k = 0; k <= n; ++k) EXPECT_EQ(ed.field_ptr[k] - buf.data(), want_cut.starts[static_cast<size_t>(k)]);
    EXPECT_EQ(buf, want_cut.bytes);
  }
}

// extract_with gives the output's length, whether the line's length was
// given or measured.
TEST(ExtractWith, ReportsTheOutputLength) {
  struct Case {
    const char* templ;
    const char* line;
    char sep;
  };
  const Case cases[] = {
      {"$3-$1", "alpha beta  gamma", 0},
      {"[$*]", "  lead blanks", 0},
      {"$2", "a,,c", ','},
      {"$(2-9)$$", "a,b\x81,c", ','},
      {"x", "", 0},
  };
  EditorState ed;
  FieldSyntax syntax;
  Template templ;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.templ);
    syntax.sep = Delim{{c.sep}, 0};
    compile_template(c.templ, &templ);
    std::string plain = c.line;
    size_t measured = static_cast<size_t>(-1);
    const std::string want = extract_with(templ, syntax, ed, plain.data(), &measured);
    EXPECT_EQ(measured, want.size());
    std::string line = c.line;
    size_t len = line.size();
    const char* got = extract_with(templ, syntax, ed, line.data(), &len);
    EXPECT_EQ(std::string(got), want);
    EXPECT_EQ(len, want.size());
  }
}

}  // namespace
}  // namespace quorl
