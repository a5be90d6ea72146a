// Specifications kept between lines, and the scan's 16-byte search on lines
// long enough to use it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "replace/applier.h"
#include "replace/builder.h"
#include "replace/matcher.h"
#include "replace/editor.h"
#include "replace/spec.h"
#include "replace/reference_scan.h"
#include "support/errors.h"
#include "support/sjis.h"

namespace quorl {
namespace {

std::string run(const char* spec, const std::string& line) {
  const char* got = apply_replace(spec, line.c_str());
  return got == nullptr ? std::string("<null>") : std::string(got);
}

TEST(KeptSpec, ATextChangedInPlaceIsCutAgain) {
  char spec[] = "a:b";
  EXPECT_EQ(run(spec, "aaa"), "bbb");
  spec[2] = 'c';
  EXPECT_EQ(run(spec, "aaa"), "ccc");
  spec[1] = ',';  // "a,c": no colon in the first item any more
  EXPECT_EQ(run(spec, "aaa"), "<null>");
}

TEST(KeptSpec, ManySpecificationsTakeTurns) {
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

TEST(KeptSpec, ABadItemIsReportedEveryTimeAfterTheItemsBefore) {
  const char* spec = "a:$d,$dX:<$d>,no-colon";
  errmsg_output_flg = 0;
  // The second item captures 12 into arg_d before the third item fails.
  for (int i = 0; i < 3; ++i) {
    arg_d.clear();
    EXPECT_EQ(apply_replace(spec, "12X"), nullptr);
    EXPECT_STREQ(arg_d.str(), "12");
  }
}

// The length the engine reports is the result's, item after item, whether
// the line's own length was given or measured.
TEST(KeptSpec, TheReportedLengthIsTheResults) {
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
    sep = c.sep;
    const std::string want = run(c.spec, c.line);
    for (size_t given : {UNKNOWN_LEN, std::strlen(c.line)}) {
      size_t len = given;
      const char* got = apply_replace_len(c.spec, c.line, &len);
      ASSERT_NE(got, nullptr);
      EXPECT_EQ(std::string(got), want);
      EXPECT_EQ(len, std::strlen(got));
    }
    sep = 0;
  }
}

std::vector<std::string> captures() {
  std::vector<std::string> all;
  for (Capture* c : {&arg_A, &arg_a, &arg_s, &arg_d, &arg_D, &arg_f, &arg_x, &arg_g, &arg_c, &from_arg})
    all.push_back(c->str());
  return all;
}

void reset_captures() {
  clear_captures();
  from_arg.clear();
}

// Long random lines of ASCII and Shift_JIS pieces where the patterns' bytes
// also turn up as second bytes ("\x95\x74" holds 't', "\x83\x65" 'e'), and
// greedy runs that fail after them.
TEST(LongLineScan, AgreesWithTryingEveryPosition) {
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
    const std::string want_text = reference_scan(pattern, to, line);
    settle_captures();
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
