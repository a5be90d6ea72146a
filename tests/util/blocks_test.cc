#include "quorl/classic/blocks.h"

#include <gtest/gtest.h>

#include <string>

namespace quorl {
namespace {

struct CmpCase {
  std::string a;
  std::string b;
  int n;
  int want;
};

TEST(BlocksTest, BcmpComparesUnsignedBytes) {
  using namespace std::string_literals;
  const CmpCase cases[] = {
      {"abc", "abd", 3, -1},
      {"abd", "abc", 3, 1},
      {"abc", "abd", 2, 0},
      {"abc", "xyz", 0, 0},
      {"abc", "xyz", -1, 0},
      {"\x80", "\x7F", 1, 1},
      {"\x7F", "\xFF", 1, -1},
      // NULs are bytes like any other.
      {"a\0b"s, "a\0c"s, 3, -1},
  };
  for (const CmpCase& c : cases) {
    SCOPED_TRACE("a=" + c.a + " b=" + c.b + " n=" + std::to_string(c.n));
    EXPECT_EQ(quorl::bcmp(c.a.data(), c.b.data(), c.n), c.want);
  }
}

enum class Move { kCopy, kBack };

struct MoveCase {
  Move op;
  int from;  // offset of the source block in "abcdef"
  int to;    // offset of the destination block
  int n;
  const char* want;
};

// bcopy walks from the first byte, bakmov from the last, which decides what
// an overlapping move leaves behind.
const MoveCase kMoves[] = {
    {Move::kCopy, 2, 0, 4, "cdefef"},
    {Move::kCopy, 0, 2, 4, "ababab"},
    {Move::kCopy, 0, 3, 3, "abcabc"},
    {Move::kCopy, 0, 2, 0, "abcdef"},
    {Move::kCopy, 0, 2, -3, "abcdef"},
    {Move::kBack, 0, 2, 4, "ababcd"},
    {Move::kBack, 2, 0, 4, "efefef"},
    {Move::kBack, 0, 3, 3, "abcabc"},
    {Move::kBack, 0, 2, 0, "abcdef"},
    {Move::kBack, 0, 2, -3, "abcdef"},
};

TEST(BlocksTest, BcopyAndBakmovMoveBlocks) {
  for (const MoveCase& c : kMoves) {
    SCOPED_TRACE(std::string(c.op == Move::kCopy ? "bcopy" : "bakmov") + " from=" +
                 std::to_string(c.from) + " to=" + std::to_string(c.to) +
                 " n=" + std::to_string(c.n));
    std::string buf = "abcdef";
    char* p = buf.data();
    const int got = c.op == Move::kCopy ? quorl::bcopy(p + c.to, p + c.from, c.n)
                                        : bakmov(p + c.from, p + c.to, c.n);
    EXPECT_EQ(got, 0);
    EXPECT_EQ(buf, c.want);
  }
}

struct ClearCase {
  int at;
  int c;
  int n;
  const char* want;
  int end;  // offset of the returned position
};

TEST(BlocksTest, ClearFillsBytes) {
  const ClearCase cases[] = {
      {1, 'x', 3, "axxxef", 4},
      {0, 'y', 6, "yyyyyy", 6},
      {1, 'x', 0, "abcdef", 1},
      {1, 'x', -2, "abcdef", 1},
      {5, 0x1FF, 1, "abcde\xFF", 6},
  };
  for (const ClearCase& c : cases) {
    SCOPED_TRACE("at=" + std::to_string(c.at) + " n=" + std::to_string(c.n));
    std::string buf = "abcdef";
    EXPECT_EQ(clear(buf.data() + c.at, c.c, c.n) - buf.data(), c.end);
    EXPECT_EQ(buf, c.want);
  }
}

struct EditCase {
  const char* in;
  int from;
  int to;
  std::string want;  // the whole buffer afterwards, NULs included
};

TEST(BlocksTest, InsCharInsertsAtTheStart) {
  const EditCase cases[] = {
      {"", 'x', 0, "x"},
      {"abc", 'x', 0, "xabc"},
      {"\x95\x5C", '\\', 0, "\\\x95\x5C"},
  };
  for (const EditCase& c : cases) {
    SCOPED_TRACE(std::string("in=") + c.in);
    std::string buf = c.in;
    buf.push_back('\0');  // the room for one more byte
    EXPECT_EQ(insChar(buf.data(), c.from), 0);
    EXPECT_EQ(std::string(buf.c_str()), c.want);
  }
}

TEST(BlocksTest, ChgChrChangesCharacterStarts) {
  using namespace std::string_literals;
  const EditCase cases[] = {
      {"a,b,c", ',', ';', "a;b;c"},
      {"", 'a', 'b', ""},
      {"abc", 'x', 'y', "abc"},
      // A trail byte 0x5C is not a backslash.
      {"\x95\x5C\\", '\\', '/', "\x95\x5C/"},
      // The pair test looks at the changed byte.
      {"\x95\x5C", 0x95, 'a', "a\\"},
      {"\\\\", '\\', 0x95, "\x95\\"},
      {"a\x88", 0x88, 'x', "ax"},
      // Changing to NUL cuts the text, and the rest stays as it was.
      {"a,b,c", ',', 0, "a\0b,c"s},
  };
  for (const EditCase& c : cases) {
    SCOPED_TRACE(std::string("in=") + c.in);
    std::string buf = c.in;
    EXPECT_EQ(ChgChr(buf.data(), c.from, c.to), buf.data());
    EXPECT_EQ(buf, c.want);
  }
}

TEST(BlocksTest, CutBackSpaceTrimsTheEnd) {
  const EditCase cases[] = {
      {"ab  \t ", 0, 0, "ab"}, {"  ", 0, 0, ""},     {"", 0, 0, ""},
      {"a b", 0, 0, "a b"},    {" a", 0, 0, " a"},   {"a\n ", 0, 0, "a\n"},
      {"\x81\x40 ", 0, 0, "\x81\x40"},
  };
  for (const EditCase& c : cases) {
    SCOPED_TRACE(std::string("in=") + c.in);
    std::string buf = c.in;
    EXPECT_EQ(cutBackSpace(buf.data()), 0);
    EXPECT_EQ(std::string(buf.c_str()), c.want);
  }
}

}  // namespace
}  // namespace quorl
