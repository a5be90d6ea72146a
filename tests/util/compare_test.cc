#include "quorl/classic/compare.h"

#include <gtest/gtest.h>

#include <string>

namespace quorl {
namespace {

int sign(int v) { return (v > 0) - (v < 0); }

struct Case {
  const char* a;
  const char* b;
  int n;
  int want;
};

// StrnCmp with and without a limit; n == -1 is what StrCmp passes.
const Case kOrder[] = {
    {"abc", "ABD", -1, -1},
    {"ABC", "abc", -1, 0},
    {"abX", "ABY", 2, 0},
    {"abX", "ABY", 3, -1},
    {"abc", "abd", 0, 0},
    {"abc", "abd", -7, -1},
    {"", "", -1, 0},
    {"", "a", -1, -1},
    {"a", "", -1, 1},
    {"ab", "abc", -1, -1},
    {"abc", "ab", -1, 1},
    {"ab", "abc", 2, 0},
    // The backslash sorts below every other character, whatever its code.
    {"a\\b", "a!b", -1, -1},
    {"a!b", "a\\b", -1, 1},
    {"a\\b", "a0b", -1, -1},
    // Letters fold to lower case before the byte order decides.
    {"[", "A", -1, -1},
    {"_", "B", -1, -1},
    {"Z", "_", -1, 1},
    // ASCII, then half-width katakana, then double-byte characters.
    {"z", "\xB1", -1, -1},
    {"\xB1", "z", -1, 1},
    {"\xB1", "\x88\x9F", -1, -1},
    {"\x88\x9F", "\xB1", -1, 1},
    {"a", "\x88\x9F", -1, -1},
    {"\x88\x9F", "a", -1, 1},
    {"\xB1\xB2", "\xB1\xB3", -1, -1},
    {"\xDF", "\xA1", -1, 1},
    {"\x88\x9F", "\x89\x40", -1, -1},
    // Trail bytes compare as plain bytes, even a trail byte 0x5C or a letter.
    {"\x95\x5C", "\x95\x5D", -1, -1},
    {"\x95\x5C", "\x95\x41", -1, 1},
    {"\x88\x41", "\x88\x61", -1, -1},
    {"\x95\x5Cx", "\x95\x5CX", -1, 0},
    // A limit that ends on a lead byte still compares the whole character.
    {"\x88\x9F", "\x88\xA0", 1, -1},
    {"x\x88\x9F", "x\x88\xA0", 2, -1},
    {"x\x88\x9F" "a", "x\x88\x9F" "b", 3, 0},
    // A text that ends right after its lead byte.
    {"\x88", "\x88\x9F", -1, -1},
    {"\x88\x9F", "\x88", -1, 1},
    {"\x88", "\x88", -1, 0},
    {"\x88", "\x88\x9F", 1, 0},
};

TEST(CompareTest, StrnCmpOrders) {
  for (const Case& c : kOrder) {
    SCOPED_TRACE(std::string("a=") + c.a + " b=" + c.b + " n=" + std::to_string(c.n));
    EXPECT_EQ(StrnCmp(c.a, c.b, c.n), c.want);
    if (c.n == -1) {
      EXPECT_EQ(StrCmp(c.a, c.b), c.want);
    }
  }
}

TEST(CompareTest, StrCmpIsAntisymmetric) {
  for (const Case& c : kOrder) {
    if (c.n != -1) continue;
    SCOPED_TRACE(std::string("a=") + c.a + " b=" + c.b);
    EXPECT_EQ(StrCmp(c.b, c.a), -c.want);
  }
}

struct DirCase {
  const char* a;
  const char* b;
  int want;
};

const DirCase kDir[] = {
    {"a\\b\\", "A\\B", 0},
    {"a\\b", "a\\b\\", 0},
    {"a", "ab", 1},
    {"ab", "a", 1},
    {"", "", 0},
    {"\\", "", 0},
    {"a\\\\", "a", 1},
    {"abc", "abd", -1},
    {"abd", "abc", 1},
    {"a\\c", "a!c", -1},
    {"\x95\x5C", "\x95\x5C", 0},
    // The trailing backslash is looked for byte by byte, so the trail byte
    // 0x5C of a last double-byte character counts as one.
    {"\x95\x5C\\", "\x95\x5C", 1},
    {"\x95\x5C\\", "\x95\x5C\\", 0},
};

TEST(CompareTest, DirCmpComparesDirectories) {
  for (const DirCase& c : kDir) {
    SCOPED_TRACE(std::string("a=") + c.a + " b=" + c.b);
    EXPECT_EQ(DirCmp(c.a, c.b), c.want);
  }
}

const DirCase kCase[] = {
    {"ABC", "abc", 0},
    {"a", "B", -1},
    {"b", "A", 1},
    {"", "", 0},
    {"", "a", -1},
    // Plain byte order after lowering: "[" (0x5B) is below "a" (0x61).
    {"[", "A", -1},
    // A trail byte that looks like a letter is not lowered.
    {"\x88\x41", "\x88\x61", -1},
    // Half-width katakana stand alone, so the letter after one is lowered.
    {"\xB1" "A", "\xB1" "a", 0},
};

TEST(CompareTest, StrcasecmpLowersThenCompares) {
  for (const DirCase& c : kCase) {
    SCOPED_TRACE(std::string("a=") + c.a + " b=" + c.b);
    EXPECT_EQ(sign(quorl::strcasecmp(c.a, c.b)), c.want);
  }
}

TEST(CompareTest, StrcasecmpLooksAtTheFirst1023Bytes) {
  const std::string base(1023, 'a');
  EXPECT_EQ(quorl::strcasecmp((base + "x").c_str(), (base + "y").c_str()), 0);
  std::string shorter(1022, 'a');
  EXPECT_LT(quorl::strcasecmp((shorter + "X").c_str(), (shorter + "y").c_str()), 0);
}

}  // namespace
}  // namespace quorl
