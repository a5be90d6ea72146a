#include "replace/spec.h"

#include <gtest/gtest.h>

#include <string>

#include "replace/test_editor.h"

namespace quorl {
namespace {

struct SplitCase {
  std::string item;
  std::string from;
  std::string to;
  std::string next;  // what follows the item
};

const SplitCase kSplits[] = {
    {"a:b,c:d", "a", "b", "c:d"},
    {"a:b,", "a", "b", ""},
    {"abc:", "abc", "", ""},
    {" a : b ", " a ", " b ", ""},
    // Every colon restarts <to>.
    {"a:b:c", "a", "c", ""},
    {"a::", "a", "", ""},
    // Escapes stay in both texts and hide ',' and ':'.
    {"a\\:b:c", "a\\:b", "c", ""},
    {"a:x\\,y,z:w", "a", "x\\,y", "z:w"},
    {"a:b\\", "a", "b\\", ""},
    // A comma ends the item even inside parentheses.
    {"a(b:c,d):e", "a(b", "c", "d):e"},
    // The leading group.
    {"(2)a:b", "(2)a", "b", ""},
    {"(abc):x", "(abc)", "x", ""},
    {"(a)b:c", "(a)b", "c", ""},
    {"((1)):x", "((1))", "x", ""},
    {"(1)(2):x", "(1)(2)", "x", ""},
    {"(1)a:(b", "(1)a", "(b", ""},
    {"(\\1):x", "(\\1)", "x", ""},
    // A double-byte character is never split, even when its second byte is
    // 0x5C or a comma or colon.
    {"\x95\x5c:x", "\x95\x5c", "x", ""},
    {"\x95\x5c\\,:x", "\x95\x5c\\,", "x", ""},
    {"a:\x81\x2c\x81\x3a,b:c", "a", "\x81\x2c\x81\x3a", "b:c"},
    // A lead byte or backslash just before the end is an ordinary byte.
    {"a:\x81", "a", "\x81", ""},
};

TEST(NextReplaceItem, SplitsOneItem) {
  ByteBuf from, to;
  for (const SplitCase& c : kSplits) {
    SCOPED_TRACE(c.item);
    const char* next = next_replace_item(c.item.c_str(), &from, &to);
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(std::string(from.data), c.from);
    EXPECT_EQ(std::string(to.data), c.to);
    EXPECT_EQ(std::string(next), c.next);
  }
}

TEST(NextReplaceItem, TextsOfAnyLengthAreKeptWhole) {
  ByteBuf from, to;
  const std::string long_from(10000, 'f');
  const std::string long_to(20000, 't');
  const std::string item = long_from + ":" + long_to + ",x:y";
  const char* next = next_replace_item(item.c_str(), &from, &to);
  ASSERT_NE(next, nullptr);
  EXPECT_EQ(std::string(from.data), long_from);
  EXPECT_EQ(std::string(to.data), long_to);
  EXPECT_STREQ(next, "x:y");
}

// Items that are not well formed.
const char* const kBadItems[] = {
    "",
    "abc",
    ":x",
    ",a:b",
    "(2):b",
    "():b",
    "(007):b",
    "(1x:y",
    "((a):b",
    "(a:b)c:d",  // the colon interrupts the group: no pattern before it
    "a\\:b",  // an escaped colon is no colon
    "\x95\x5c,b:x",
    "a\\",
    "\x81:b",  // the colon is the second byte of a double-byte character
};

TEST(NextReplaceItem, RejectsBadItems) {
  ByteBuf from, to;
  for (const char* item : kBadItems) {
    SCOPED_TRACE(item);
    EXPECT_EQ(next_replace_item(item, &from, &to), nullptr);
  }
}

struct ApplyCase {
  std::string spec;
  std::string line;
  std::string want;
};

const ApplyCase kApplies[] = {
    {"a:b,c:d", "acac", "bdbd"},
    {"a:b,b:c", "ab", "cc"},
    {"a:b,", "aa", "bb"},
    {"abc:", "xabcyabc", "xy"},
    {"a\\:b:c", "a:b a:b", "c c"},
    {"a:x\\,y", "a", "x,y"},
    {"a:b:c", "a", "c"},
    {"(abc):x", "abc abcd", "x abcd"},
    // Each item sees the previous item's result, also the result buffer itself.
    {"a:aa,a:aa,a:aa", "a", "aaaaaaaa"},
};

using ApplySpec = EngineTest;

TEST_F(ApplySpec, AppliesItemsInOrder) {
  for (const ApplyCase& c : kApplies) {
    SCOPED_TRACE(c.spec + " on " + c.line);
    const char* got = replace(c.spec.c_str(), c.line.c_str());
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(got, ed.result.data);
    EXPECT_EQ(std::string(got), c.want);
  }
  EXPECT_GE(ed.work.size, 4096u);
  EXPECT_GE(ed.result.size, 4096u);
}

TEST_F(ApplySpec, ResultMayBeFedBack) {
  const char* first = replace("a:bb", "aXa");
  ASSERT_NE(first, nullptr);
  const char* second = replace("b:c", first);
  ASSERT_NE(second, nullptr);
  EXPECT_STREQ(second, "ccXcc");
}

struct BadSpec {
  std::string spec;
  std::string line;
  std::string message;
  std::string applied;  // the result buffer after the fault: the items before
};

const BadSpec kBadSpecs[] = {
    {"", "x", "\"\": bad <replace>\n", ""},
    {",a:b", "a", "\",a:b\": bad <replace>\n", ""},
    {"x:y,zz", "xz", "\"x:y,zz\": bad <replace>\n", "yz"},
    {"a:b,,c:d", "ac", "\"a:b,,c:d\": bad <replace>\n", "bc"},
    {"(0)a:b", "a", "\"(0)a\": bad <replace>\n", ""},
    {"a:b,(00)a:c", "ab", "\"(00)a\": bad <replace>\n", "bb"},
};

TEST_F(ApplySpec, ReportsBadItemsAfterApplyingTheOnesBefore) {
  for (const BadSpec& c : kBadSpecs) {
    SCOPED_TRACE(c.spec);
    // Start from a known result so that "nothing applied" shows.
    ASSERT_NE(replace("q:q", ""), nullptr);
    EXPECT_EQ(replace(c.spec.c_str(), c.line.c_str()), nullptr);
    EXPECT_EQ(ed.fault, ErrorCode::bad_item);
    EXPECT_EQ(std::string(ed.error.data), c.message);
    EXPECT_EQ(std::string(ed.result.data), c.applied);
  }
}

}  // namespace
}  // namespace quorl
