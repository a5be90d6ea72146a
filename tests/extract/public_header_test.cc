// Uses quorl's classic entries the way a program outside the project would:
// through their public header alone, linked against the library.
#include <quorl/classic.h>

#include <string>

#include <gtest/gtest.h>

namespace {

struct Conversion {
  const char* name;
  int whole_word;
  const char* from;
  const char* to;
  const char* line;
  const char* out;  // null: convert_str refuses
};

const Conversion kConversions[] = {
    {"pairs", 0, "a,b", "x,y", "a b ab ba", "x y xy yx"},
    {"whole words", 1, "a,b", "x,y", "a b ab ba", "x y ab ba"},
    {"pairs in order", 0, "a,b", "b,c", "ab", "cc"},
    {"blanks around words", 0, " cat , dog ", " tiger , wolf ", "cat-dog", "tiger-wolf"},
    {"whole word boundaries", 1, "cat", "dog", "a cat. cats _cat cat", "a dog. cats _cat dog"},
    {"empty words end the lists", 0, "a,,c", "x,,z", "abc", "xbc"},
    {"patterns in words", 0, "$d", "<$$>", "a12b3", "a<12>b<3>"},
    {"colon splits the item", 0, "a:b", "c", "ab", "cb"},
    {"double-byte words", 0, "\x82\xa0", "\x82\xa2", "x\x82\xa0y", "x\x82\xa2y"},
    {"lists of different length", 0, "a,b,c", "x,y", "abc", nullptr},
    {"no deletion", 0, "a", "", "abc", nullptr},
};

TEST(PublicHeader, ConvertStr) {
  for (const Conversion& c : kConversions) {
    SCOPED_TRACE(c.name);
    std::string line = c.line;
    char* out = quorl::convert_str(c.whole_word, c.from, c.to, line.c_str());
    if (c.out == nullptr) {
      EXPECT_EQ(out, nullptr);
    } else {
      ASSERT_NE(out, nullptr);
      EXPECT_STREQ(out, c.out);
    }
    EXPECT_EQ(line, c.line);
  }
}

TEST(PublicHeader, RejectedSpecificationIsReported) {
  struct Rejected {
    int whole_word;
    const char* from;
    const char* to;
    const char* message;
  };
  // Two empty lists build an empty specification; a whole digit word reads
  // as a field number.
  const Rejected cases[] = {
      {0, "", "", "\"\": bad <replace>\n"},
      {1, "12", "x", "\"(12):x,\": bad <replace>\n"},
  };
  for (const Rejected& c : cases) {
    SCOPED_TRACE(c.from);
    testing::internal::CaptureStderr();
    char* out = quorl::convert_str(c.whole_word, c.from, c.to, "12 x");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message);
    EXPECT_EQ(out, nullptr);
  }
}

// A to-word whose '$' starts no element is only read once its from-word
// matches; then it ends the process.
TEST(PublicHeader, BadToWordIsFatalOnlyWhenItsWordMatches) {
  char* out = quorl::convert_str(0, "q", "$1", "xax");
  ASSERT_NE(out, nullptr);
  EXPECT_STREQ(out, "xax");
}

using PublicHeaderDeathTest = ::testing::Test;

TEST(PublicHeaderDeathTest, BadToWordEndsTheProcess) {
  EXPECT_EXIT(quorl::convert_str(0, "a", "$1", "xax"), ::testing::ExitedWithCode(1),
              "^illegal \"-r <replace>\" parameter: \\$1\n$");
}

TEST(PublicHeader, GetCsvword) {
  char* word = nullptr;
  const char* rest = quorl::get_csvword("  one two , three", &word);
  EXPECT_STREQ(word, "one two");
  EXPECT_STREQ(rest, " three");
  rest = quorl::get_csvword(rest, &word);
  EXPECT_STREQ(word, "three");
  EXPECT_STREQ(rest, "");
}

}  // namespace
