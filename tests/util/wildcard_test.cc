#include "quorl/classic/wildcard.h"

#include <gtest/gtest.h>

#include <string>

namespace quorl {
namespace {

// The codes, spelled out so that a letter after them is not read as hex.
#define ONE "\x01"
#define ANY "\x02"
#define HEAD "\x03"

struct InPlaceCase {
  const char* in;
  int esc;
  const char* want;
  int literal;
};

const InPlaceCase kInPlace[] = {
    {"a**b?", 0, "a" ANY "b" ONE, 1},
    {"*?", 0, ANY ONE, 0},
    {"", 0, "", 0},
    {"***", 0, ANY, 0},
    {"*a*", 0, ANY "a" ANY, 1},
    {"a\\*b", 1, "a*b", 1},
    {"a\\*b", 0, "a\\" ANY "b", 1},
    {"\\*", 1, "*", 1},
    {"\\", 0, "\\", 1},
    // A backslash at the very end ends the text.
    {"*\\", 1, ANY, 0},
    {"\\", 1, "", 0},
    // A pair is copied whole: its second byte is no escape and no wildcard.
    {"\x95\x5C*", 1, "\x95\x5C" ANY, 1},
    {"\x88?", 0, "\x88?", 1},
    // An escape takes a whole pair.
    {"\\\x95\x5C*", 1, "\x95\x5C" ANY, 1},
    // A lead byte before the NUL is an ordinary byte.
    {"a\x88", 0, "a\x88", 1},
    {"*\x88", 0, ANY "\x88", 1},
};

TEST(WildcardTest, ConvSearchStrConvertsInPlace) {
  for (const InPlaceCase& c : kInPlace) {
    SCOPED_TRACE(std::string("in=") + c.in + " esc=" + std::to_string(c.esc));
    std::string s = c.in;
    EXPECT_EQ(conv_search_str(s.data(), c.esc), c.literal);
    EXPECT_EQ(std::string(s.c_str()), c.want);
  }
}

struct AreaCase {
  std::string in;
  std::string want;
  bool wrapped;
};

std::string repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

void check_area(const AreaCase& c, char* got) {
  EXPECT_EQ(got, c.wrapped ? pattern_area : pattern_area + 1);
  EXPECT_EQ(std::string(got), c.want);
  EXPECT_LT(std::string(got).size(), static_cast<size_t>(PATTERN_AREA_SIZE));
}

TEST(WildcardTest, ConvSearchStr1WrapsOnlyWildPatterns) {
  const AreaCase cases[] = {
      {"abc", "abc", false},
      {"a*c", ANY "a" ANY "c" ANY, true},
      {"a**", ANY "a" ANY ANY ANY, true},
      {"?", ANY ONE ANY, true},
      {"", "", false},
      {"a\\*", "a*", false},
      {"ab\\", "ab", false},
      {"^a", "^a", false},
      {"\x95\x5C*", ANY "\x95\x5C" ANY ANY, true},
      // The pair's 0x5C does not escape; the real backslash does.
      {"\x95\x5C\\*", "\x95\x5C*", false},
      {"a\x88", "a\x88", false},
      // Only the first 510 characters are converted.
      {std::string(600, 'a'), std::string(510, 'a'), false},
      {std::string(509, 'a') + "*", ANY + std::string(509, 'a') + ANY ANY, true},
      {std::string(510, 'a') + "*", std::string(510, 'a'), false},
      {repeat("\\a", 600), std::string(510, 'a'), false},
      // Double-byte characters count one each and still fit the area.
      {repeat("\x88\x9F", 600), repeat("\x88\x9F", 510), false},
      {"*" + repeat("\x88\x9F", 600), ANY ANY + repeat("\x88\x9F", 509) + ANY, true},
      {repeat("\x88\x9F", 509) + "?", ANY + repeat("\x88\x9F", 509) + ONE ANY, true},
  };
  for (const AreaCase& c : cases) {
    SCOPED_TRACE("in=" + c.in);
    check_area(c, conv_search_str1(c.in.c_str()));
  }
}

TEST(WildcardTest, ConvSearchFindAlwaysWraps) {
  const AreaCase cases[] = {
      {"abc", ANY "abc" ANY, true},
      {"^a?", ANY HEAD "a" ONE ANY, true},
      {"\\^", ANY "^" ANY, true},
      {"", ANY ANY, true},
      {"a*", ANY "a" ANY ANY, true},
      {"\x95\x5C^", ANY "\x95\x5C" HEAD ANY, true},
      {std::string(600, '^'), ANY + std::string(510, '\x03') + ANY, true},
      {repeat("\x88\x9F", 600), ANY + repeat("\x88\x9F", 510) + ANY, true},
  };
  for (const AreaCase& c : cases) {
    SCOPED_TRACE("in=" + c.in);
    check_area(c, conv_search_find(c.in.c_str()));
  }
}

TEST(WildcardTest, NextConversionOverwritesTheArea) {
  char* first = conv_search_find("x");
  conv_search_find("yz");
  EXPECT_EQ(std::string(first), ANY "yz" ANY);
}

#undef ONE
#undef ANY
#undef HEAD

}  // namespace
}  // namespace quorl
