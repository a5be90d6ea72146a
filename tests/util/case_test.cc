#include "quorl/classic/case.h"

#include <gtest/gtest.h>

#include <string>

namespace quorl {
namespace {

struct Case {
  const char* in;
  const char* upper;
  const char* lower;
};

const Case kCases[] = {
    {"", "", ""},
    {"abc", "ABC", "abc"},
    {"Hello, World!", "HELLO, WORLD!", "hello, world!"},
    {"@[`{", "@[`{", "@[`{"},
    // A pair is left whole, even when its trail byte is a letter.
    {"a\x88\x61z", "A\x88\x61Z", "a\x88\x61z"},
    {"A\x88\x41Z", "A\x88\x41Z", "a\x88\x41z"},
    // Any high byte outside half-width katakana pairs with the next byte.
    {"\x80" "a", "\x80" "a", "\x80" "a"},
    {"\xFF" "A", "\xFF" "A", "\xFF" "A"},
    // Half-width katakana stand alone.
    {"\xB1" "a", "\xB1" "A", "\xB1" "a"},
    {"\xDF" "A", "\xDF" "A", "\xDF" "a"},
    // A high byte before the NUL is an ordinary byte.
    {"a\x88", "A\x88", "a\x88"},
};

TEST(CaseTest, ConvertsAsciiLettersOnly) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string("in=") + c.in);
    std::string up = c.in;
    EXPECT_EQ(to_upper(up.data()), 0);
    EXPECT_EQ(up, c.upper);
    std::string low = c.in;
    EXPECT_EQ(to_lower(low.data()), 0);
    EXPECT_EQ(low, c.lower);
  }
}

}  // namespace
}  // namespace quorl
