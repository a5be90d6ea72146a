#include "quorl/classic/search.h"

#include <gtest/gtest.h>

#include <string>

namespace quorl {
namespace {

// Offsets of found positions; -1 stands for null.
constexpr int kNull = -1;

int offset(const char* s, const char* found) {
  return found == nullptr ? kNull : static_cast<int>(found - s);
}

struct CharCase {
  const char* s;
  int c;
  int want;
};

const CharCase kIndex[] = {
    {"abc", 'b', 1},
    {"abcb", 'b', 1},
    {"abc", 'x', kNull},
    {"abc", 0, kNull},
    {"", 'a', kNull},
    // Bytes: a trail byte is found like any other.
    {"\x88\x62" "b", 'b', 1},
    {"x\x88", 0x88, 1},
    {"x\x88", static_cast<char>(0x88), 1},
};

TEST(SearchTest, IndexFindsFirstByte) {
  for (const CharCase& c : kIndex) {
    SCOPED_TRACE(std::string("s=") + c.s + " c=" + std::to_string(c.c));
    EXPECT_EQ(offset(c.s, quorl::index(c.s, c.c)), c.want);
  }
}

const CharCase kRindex[] = {
    {"abcb", 'b', 3},
    {"abc", 'a', 0},
    {"abc", 'x', kNull},
    {"abc", 0, kNull},
    {"", 'a', kNull},
    {"b\x88\x62", 'b', 2},
};

TEST(SearchTest, RindexFindsLastByte) {
  for (const CharCase& c : kRindex) {
    SCOPED_TRACE(std::string("s=") + c.s + " c=" + std::to_string(c.c));
    EXPECT_EQ(offset(c.s, quorl::rindex(c.s, c.c)), c.want);
  }
}

const CharCase kStrrchr[] = {
    {"a\\b\\c", '\\', 3},
    {"abc", 'x', kNull},
    {"abc", 0, kNull},
    {"", 'a', kNull},
    // A trail byte 0x5C is not a backslash; a lead byte can match.
    {"\x95\x5C", '\\', kNull},
    {"a\\\x95\x5C", '\\', 1},
    {"\x95\x5C", 0x95, 0},
    {"\x95\x5C\x95\x5C", static_cast<char>(0x95), 2},
    // A lead byte before the NUL is an ordinary byte.
    {"a\x95", 0x95, 1},
    {"\x95\\", '\\', kNull},
    {"\x95\\\\", '\\', 2},
};

TEST(SearchTest, StrrchrFindsLastCharacter) {
  for (const CharCase& c : kStrrchr) {
    SCOPED_TRACE(std::string("s=") + c.s + " c=" + std::to_string(c.c));
    EXPECT_EQ(offset(c.s, Strrchr(c.s, c.c)), c.want);
  }
}

struct TextCase {
  const char* s;
  const char* t;
  int want;
};

const TextCase kIndex1[] = {
    {"abc", "", 0},
    {"", "", kNull},
    {"", "a", kNull},
    {"abcabc", "ca", 2},
    {"aab", "ab", 1},
    {"abc", "abcd", kNull},
    {"abc", "abc", 0},
    // Bytes: a match may begin on a trail byte.
    {"\x88\x62" "c", "bc", 1},
};

TEST(SearchTest, Index1FindsText) {
  for (const TextCase& c : kIndex1) {
    SCOPED_TRACE(std::string("s=") + c.s + " t=" + c.t);
    EXPECT_EQ(offset(c.s, index1(c.s, c.t)), c.want);
  }
}

const TextCase kIndex2[] = {
    {"abc", "cb", 1},
    {"abc", "x", kNull},
    {"abc", "", kNull},
    {"", "a", kNull},
    // Both bytes of a pair are passed over.
    {"\x88\x62x", "bx", 2},
    {"\x95\x5C\\", "\\", 2},
    {"\x88\x9F", "\x88", kNull},
    // A lead byte before the NUL is a single-byte character.
    {"ab\x88", "\x88", 2},
};

TEST(SearchTest, Index2FindsSingleByteCharacter) {
  for (const TextCase& c : kIndex2) {
    SCOPED_TRACE(std::string("s=") + c.s + " set=" + c.t);
    EXPECT_EQ(offset(c.s, index2(c.s, c.t)), c.want);
  }
}

const TextCase kSerstr[] = {
    {"abcabc", "ca", 2},
    {"abc", "", kNull},
    {"", "a", kNull},
    {"abc", "abcd", kNull},
    {"\x88\x62" "b", "b", 2},
    {"\x88\x62", "\x62", kNull},
    {"\x81\x40", "\x81\x40", 0},
    {"ab\x81", "\x81", 2},
    // 0x3F is no trail byte in code page 932, so the "?" starts a character.
    {"\x88?", "?", 1},
    // 0x7F is none either; 0x80 is one.
    {"\x88\x7F", "\x7F", 1},
    {"\x88\x80", "\x80", kNull},
    {"\x95\x5C\\", "\\", 2},
};

TEST(SearchTest, SerstrFindsTextAtCharacterStart) {
  for (const TextCase& c : kSerstr) {
    SCOPED_TRACE(std::string("s=") + c.s + " sub=" + c.t);
    EXPECT_EQ(offset(c.s, serstr(c.s, c.t)), c.want);
  }
}

struct WildCase {
  const char* s;
  int want;
};

const WildCase kWild[] = {
    {"ab?c*", 2},
    {"a*?", 1},
    {"abc", kNull},
    {"", kNull},
    // Bytes: even a byte after a lead byte counts.
    {"\x88?", 1},
};

TEST(SearchTest, SrchWildFindsWildcard) {
  for (const WildCase& c : kWild) {
    SCOPED_TRACE(std::string("s=") + c.s);
    EXPECT_EQ(offset(c.s, srch_wild(c.s)), c.want);
  }
}

TEST(SearchTest, Cp932Classes) {
  struct Case {
    int byte;
    bool lead;
    bool trail;
  };
  const Case cases[] = {
      {0x3F, false, false}, {0x40, false, true}, {0x7E, false, true},
      {0x7F, false, false}, {0x80, false, true}, {0x81, true, true},
      {0x9F, true, true},   {0xA0, false, true}, {0xDF, false, true},
      {0xE0, true, true},   {0xFC, true, true},  {0xFD, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.byte);
    EXPECT_EQ(cp932_lead(static_cast<unsigned char>(c.byte)), c.lead);
    EXPECT_EQ(cp932_trail(static_cast<unsigned char>(c.byte)), c.trail);
  }
}

}  // namespace
}  // namespace quorl
