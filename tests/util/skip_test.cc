#include "quorl/classic/skip.h"

#include <gtest/gtest.h>

#include <string>

namespace quorl {
namespace {

struct Case {
  const char* s;
  int want;  // offset of the result, or the flag for isnum
};

TEST(SkipTest, SpSkipPassesBlanksAndTabs) {
  const Case cases[] = {
      {"  \tab", 3}, {"ab", 0}, {"", 0}, {"   ", 3},
      // A double-byte blank is not a blank.
      {"\x81\x40", 0},
      {"\n a", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("s=") + c.s);
    EXPECT_EQ(sp_skip(c.s) - c.s, c.want);
  }
}

TEST(SkipTest, ChrSkipStopsAtBlankTabOrEnd) {
  const Case cases[] = {
      {"ab c", 2}, {"ab\tc", 2}, {"abc", 3}, {"", 0}, {" a", 0}, {"a\nb c", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("s=") + c.s);
    EXPECT_EQ(chr_skip(c.s) - c.s, c.want);
  }
}

TEST(SkipTest, OptionStrSkipPassesOneWord) {
  const Case cases[] = {
      {"abc def", 3},
      {"abc\tdef", 3},
      {"a>b", 1},
      {"a<b", 1},
      {"a\"b", 1},
      {"", 0},
      {" a", 0},
      // Quoted: the closing quote is passed over, blanks are part of the word.
      {"\"a b\" c", 5},
      {"\"\"x", 2},
      {"\"", 1},
      {"\"a b", 4},
      // Redirections end a quoted word too, and are not passed over.
      {"\"a<b\"", 2},
      {"\"a>\"", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("s=") + c.s);
    EXPECT_EQ(optionStr_skip(c.s) - c.s, c.want);
  }
}

TEST(SkipTest, IsnumTestsTheFirstWord) {
  const Case cases[] = {
      {"", 1},      {"12 x", 1},  {"1a", 0},   {"123", 1},  {"12\tx", 1},
      {"12\nx", 1}, {" 1", 1},    {"-1", 0},   {"1.5", 0},  {"a1", 0},
      // Bytes of 0x80 and above are not digits.
      {"\xB1", 0},  {"1\x82\x4F", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("s=") + c.s);
    EXPECT_EQ(isnum(c.s), c.want);
  }
}

}  // namespace
}  // namespace quorl
