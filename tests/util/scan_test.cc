#include "quorl/classic/scan.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace quorl {
namespace {

struct WordCase {
  std::string s;
  std::string prefix;
  std::string word;
  int end;  // offset of the returned position
};

TEST(ScanTest, GetWordSplitsPrefixAndWord) {
  const WordCase cases[] = {
      {"  +foo_1(x)", "  +", "foo_1", 8},
      {"", "", "", 0},
      {"abc", "", "abc", 3},
      {"12ab+", "", "12ab", 4},
      {"_a b", "", "_a", 2},
      // Quotes, backslashes and the end leave the word empty.
      {"'a'", "", "", 0},
      {"  \"x", "  ", "", 2},
      {"+\\n", "+", "", 1},
      {"+-", "+-", "", 2},
      // High bytes belong to the prefix, byte by byte.
      {"\xB1\x88\x9F" "a", "\xB1\x88\x9F", "a", 4},
      {"\x95\x5C" "a", "\x95", "", 1},
      // Each run stops after 1024 bytes.
      {std::string(1500, '+') + "ab", std::string(1024, '+'), "", 1024},
      {std::string(1024, '+') + "ab", std::string(1024, '+'), "ab", 1026},
      {"(" + std::string(2000, 'a'), "(", std::string(1024, 'a'), 1025},
      {std::string(2000, '\x88'), std::string(1024, '\x88'), "", 1024},
  };
  for (const WordCase& c : cases) {
    SCOPED_TRACE("s=" + c.s.substr(0, 40) + " len=" + std::to_string(c.s.size()));
    char* word = nullptr;
    char* prefix = nullptr;
    const char* end = get_word(c.s.c_str(), &word, &prefix);
    EXPECT_EQ(end - c.s.c_str(), c.end);
    ASSERT_EQ(word, word_area);
    ASSERT_EQ(prefix, prefix_area);
    EXPECT_EQ(std::string(prefix), c.prefix);
    EXPECT_EQ(std::string(word), c.word);
  }
}

struct ParamCase {
  std::string src;
  int n;
  std::string want;  // dst afterwards; unused when n < 1
  int end;           // offset of the returned position
};

constexpr char kUnwritten = '\x7F';

TEST(ScanTest, SetParamCopiesOneValue) {
  const ParamCase cases[] = {
      {"key=value", 10, "key", 3},
      {"[x y]z", 10, "[x y]", 4},
      {"\"a b\" c", 10, "a b", 4},
      {"  val ue", 10, "val", 5},
      {"\tv\tw", 10, "v", 2},
      {"\"abc", 10, "abc", 4},
      {"[ab", 10, "[ab", 3},
      {"", 10, "", 0},
      {"=x", 10, "", 0},
      // The count limits the characters copied.
      {"abcdef", 4, "abc", 3},
      {"\"abcdef\"", 4, "abc", 4},
      {"[abcdef]", 4, "[ab", 2},
      {"abc", 1, "", 0},
      {"\"abc", 1, "", 1},
      {"[abc]", 1, "", 0},
      {"[abc]", 2, "[", 0},
      // A pair is one character of two bytes, and its second byte is no
      // stop byte.
      {"\x88\x9F\x88\x9F" "a=", 3, "\x88\x9F\x88\x9F", 4},
      {"\x88=b=c", 10, "\x88=b", 3},
      {"\"\x95\"x\"", 10, "\x95\"x", 4},
      {"[\x95]]", 10, "[\x95]]", 3},
      // A lead byte before the NUL is an ordinary byte.
      {"a\x88", 10, "a\x88", 2},
  };
  for (const ParamCase& c : cases) {
    SCOPED_TRACE("src=" + c.src + " n=" + std::to_string(c.n));
    char dst[64];
    std::memset(dst, kUnwritten, sizeof dst);
    const char* end = SetParam(c.src.c_str(), dst, c.n);
    EXPECT_EQ(end - c.src.c_str(), c.end);
    EXPECT_EQ(std::string(dst), c.want);
    // Nothing beyond the 2 * n - 1 bytes the caller provides.
    for (int i = 2 * c.n - 1; i < static_cast<int>(sizeof dst); ++i) {
      ASSERT_EQ(dst[i], kUnwritten) << "byte " << i;
    }
  }
}

TEST(ScanTest, SetParamWithoutRoomWritesNothing) {
  const ParamCase cases[] = {
      {"  abc", 0, "", 2},
      {"\"abc\"", -1, "", 0},
      {"[a]", 0, "", 0},
  };
  for (const ParamCase& c : cases) {
    SCOPED_TRACE("src=" + c.src + " n=" + std::to_string(c.n));
    char dst[4];
    std::memset(dst, kUnwritten, sizeof dst);
    EXPECT_EQ(SetParam(c.src.c_str(), dst, c.n) - c.src.c_str(), c.end);
    EXPECT_EQ(std::string(dst, sizeof dst), std::string(sizeof dst, kUnwritten));
  }
}

struct NumCase {
  std::string s;
  int term;
  double want;
  int err;
};

TEST(ScanTest, TonumChecksAndConverts) {
  const NumCase cases[] = {
      {"1,234.5", 0, 1234.5, 0},
      {"12 abc", 0, 12, 0},
      {"1e 5", 0, 1, 0},
      {"  -3.25", 0, -3.25, 0},
      {"+7", 0, 7, 0},
      {"-.5", 0, -0.5, 0},
      {"1.", 0, 1, 0},
      {"1e+3", 0, 1000, 0},
      {"2E-2", 0, 0.02, 0},
      {"1,000,000", 0, 1e6, 0},
      {"1\t2", 0, 1, 0},
      {"12;", ';', 12, 0},
      {"1.5;", ';', 1.5, 0},
      {"5e3;x", ';', 5000, 0},
      // Only the first 512 bytes are looked at.
      {std::string(511, ' ') + "7x", 0, 7, 0},
  };
  for (const NumCase& c : cases) {
    SCOPED_TRACE("s=" + c.s.substr(0, 40) + " term=" + std::to_string(c.term));
    int err = -5;
    EXPECT_DOUBLE_EQ(tonum(c.s.c_str(), c.term, &err), c.want);
    EXPECT_EQ(err, c.err);
  }
}

TEST(ScanTest, TonumRejectsNonNumbers) {
  const NumCase cases[] = {
      {"1,", 0, 0, 1},     {".", 0, 0, 1},    {"1e", 0, 0, 1},  {"+-1", 0, 0, 1},
      {"1,2a", 0, 0, 1},   {"", 0, 0, 1},     {"  ", 0, 0, 1},  {"1e5x", 0, 0, 1},
      {"12;", 0, 0, 1},    {"1,,2", 0, 0, 1}, {",1", 0, 0, 1},  {"1.2.3", 0, 0, 1},
      {"1x", 0, 0, 1},     {"1e-", 0, 0, 1},  {"1e++2", 0, 0, 1}, {"abc", 0, 0, 1},
      {"\x82\x4F", 0, 0, 1},
      {std::string(600, ' ') + "5", 0, 0, 1},
  };
  for (const NumCase& c : cases) {
    SCOPED_TRACE("s=" + c.s.substr(0, 40) + " term=" + std::to_string(c.term));
    int err = -5;
    EXPECT_EQ(tonum(c.s.c_str(), c.term, &err), 0.0);
    EXPECT_EQ(err, 1);
  }
}

}  // namespace
}  // namespace quorl
