// Specifications kept between lines, and the scan's 16-byte search on lines
// long enough to use it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "replace/reference_scan.h"
#include "replace/test_editor.h"
#include "support/sjis.h"

namespace quorl {
namespace {

class KeptSpec : public EngineTest {
 protected:
  std::string run(const char* text, const std::string& line) {
    const char* got = replace(text, line.c_str());
    return got == nullptr ? std::string("<null>") : std::string(got);
  }
  std::vector<std::string> captures() {
    std::vector<std::string> all;
    for (const char* n = "AasdDfxgc="; *n != '\0'; ++n) all.push_back(cap(*n).str());
    return all;
  }
  void reset_captures() {
    ed.caps.clear_classes();
    cap('=').clear();
  }
};

TEST_F(KeptSpec, ATextChangedInPlaceIsCutAgain) {
  char spec[] = "a:b";
  EXPECT_EQ(run(spec, "aaa"), "bbb");
  spec[2] = 'c';
  EXPECT_EQ(run(spec, "aaa"), "ccc");
  spec[1] = ',';  // "a,c": no colon in the first item any more
  EXPECT_EQ(run(spec, "aaa"), "<null>");
}

TEST_F(KeptSpec, ManySpecificationsTakeTurns) {
  // More specifications than are kept at once, used round and round.
  std::vector<std::string> specs;
  std::vector<std::string> wants;
  for (int i = 0; i < 200; ++i) {
    char text[32];
    std::snprintf(text, sizeof text, "x:%d", i);
    specs.emplace_back(text);
    std::snprintf(text, sizeof text, "a%db", i);
    wants.emplace_back(text);
  }
  for (int round = 0; round < 3; ++round) {
    for (size_t i = 0; i < specs.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(run(specs[i].c_str(), "axb"), wants[i]);
    }
  }
}

TEST_F(KeptSpec, ABadItemIsReportedEveryTimeAfterTheItemsBefore) {
  const char* text = "a:$d,$dX:<$d>,no-colon";
  // The second item captures 12 into $d before the third item fails.
  for (int i = 0; i < 3; ++i) {
    cap('d').clear();
    EXPECT_EQ(replace(text, "12X"), nullptr);
    EXPECT_EQ(ed.fault, ErrorCode::bad_item);
    EXPECT_STREQ(cap('d').str(), "12");
  }
}

// The length the engine reports is the result's, item after item, whether
// the line's own length was given or measured.
TEST_F(KeptSpec, TheReportedLengthIsTheResults) {
  struct Case {
    const char* spec;
    const char* line;
    char sep;
  };
  const Case cases[] = {
      {"a:bb,bb:", "abcabc", 0},
      {"$d:<$d>,<:((", "x12y345", 0},
      {"(2)b:XYZ", "b,b,b", ','},
      {"(5)b:X", "b,b", ','},   // no such field: the line as it was
      {"(1)$$:", "abc,def", ','},
      {"ing:,r:R", "ringing \x81\x40r", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.spec);
    syntax.sep = Delim{{c.sep}, 0};
    const std::string want = run(c.spec, c.line);
    for (size_t given : {UNKNOWN_LEN, std::strlen(c.line)}) {
      size_t len = given;
      const char* got = replace(c.spec, c.line, &len);
      ASSERT_NE(got, nullptr);
      EXPECT_EQ(std::string(got), want);
      EXPECT_EQ(len, std::strlen(got));
    }
  }
}

// Long random lines of ASCII and Shift_JIS pieces where the patterns' bytes
// also turn up as second bytes ("\x95\x74" holds 't', "\x83\x65" 'e'), and
// greedy runs that fail after them.
TEST_F(KeptSpec, LongLineScanAgreesWithTryingEveryPosition) {
  const char* const pieces[] = {"the", "t",     "he",        "1",         "23",   " ",
                                "ing", "x",     "\x95\x74",  "\x83\x65",  "\x81", "\x81\x81",
                                "a",   "nd",    "\x82\xa0",  "\x95\x74" "he"};
  const char* const patterns[] = {"the", "he",   "\x74he", "\x95\x74", "$d",  "$a",   "$s",
                                 "x$d", "ing", "\x81\x81", "$d$a",    "$aX", "$$X", "$s$d"};
  const char* const tos[] = {"<$$>", "#", "[$d]"};
  std::mt19937 rng(3);
  for (int round = 0; round < 700; ++round) {
    std::string line;
    const size_t want = rng() % 90;
    while (line.size() < want) line += pieces[rng() % (sizeof pieces / sizeof *pieces)];
    const char* pattern = patterns[round % (sizeof patterns / sizeof *patterns)];
    const char* to = tos[round % 3];
    SCOPED_TRACE(std::string(pattern) + ":" + to + " on " + line);
    reset_captures();
    const std::string want_text = reference_scan(*this, pattern, to, line);
    const std::vector<std::string> want_captures = captures();
    reset_captures();
    const char* got = replace_item(line.c_str(), pattern, to);
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(std::string(got), want_text);
    EXPECT_EQ(captures(), want_captures);
  }
}

}  // namespace
}  // namespace quorl
