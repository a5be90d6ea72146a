#include "replace/matcher.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "replace/test_editor.h"

namespace quorl {
namespace {

const char kNames[] = "AasdDfxgc=";

class Checkstr : public EngineTest {
 protected:
  Capture* capture(char name) { return &cap(name); }

  // preset: every capture holds "old", so that what an attempt writes shows.
  void preset() {
    for (const char* n = kNames; *n != '\0'; ++n) {
      Capture* c = capture(*n);
      c->refer("old", 3);
      c->settle();
    }
  }
  const char* checkstr(const char* start, const char* p, const char* pattern, int db) {
    return match(start, p, pattern, db);
  }
};

using Captures = std::vector<std::pair<char, std::string>>;

struct MatchCase {
  std::string pattern;
  std::string text;
  int at;        // the position tried
  int end;       // where the match ends, -1 for no match
  Captures want; // captures afterwards ('=' is the whole match); the rest hold "old"
  int db = 0;    // the character before the position is double-byte
};

const MatchCase kMatches[] = {
    // Class elements take the longest run and record it.
    {"$d", "123abc", 0, 3, {{'d', "123"}, {'=', "123"}}},
    {"$D", "0123", 0, -1, {{'D', ""}, {'=', ""}}},
    {"$D", "120", 0, 2, {{'D', "12"}, {'=', "12"}}},
    {"$s", "\rx", 0, -1, {{'s', ""}, {'=', ""}}},
    {"$s", "\v", 0, -1, {{'s', ""}, {'=', ""}}},
    {"$s", "  \t\n\fx", 0, 5, {{'s', "  \t\n\f"}, {'=', "  \t\n\f"}}},
    {"$f", "-1.5e+3x", 0, 7, {{'f', "-1.5e+3"}, {'=', "-1.5e+3"}}},
    {"$f", "e", 0, 1, {{'f', "e"}, {'=', "e"}}},
    {"$f", "--", 0, 2, {{'f', "--"}, {'=', "--"}}},
    {"$g", "a!~ b", 0, 3, {{'g', "a!~"}, {'=', "a!~"}}},
    {"$g", "ab\x81\x40", 0, 2, {{'g', "ab"}, {'=', "ab"}}},
    {"$c", "\x01\x1f\x7f x", 0, 3, {{'c', "\x01\x1f\x7f"}, {'=', "\x01\x1f\x7f"}}},
    {"$c", "\x01\x80", 0, 1, {{'c', "\x01"}, {'=', "\x01"}}},
    {"$x", "09aFgz", 0, 4, {{'x', "09aF"}, {'=', "09aF"}}},
    {"$a", "abZ9", 0, 3, {{'a', "abZ"}, {'=', "abZ"}}},
    {"$A", "abZ9_", 0, 4, {{'A', "abZ9"}, {'=', "abZ9"}}},
    {"$A", "\x82\xa0", 0, -1, {{'A', ""}, {'=', ""}}},
    // Greedy runs never give back.
    {"$a$d", "ab12", 0, 4, {{'a', "ab"}, {'d', "12"}, {'=', "ab12"}}},
    {"$d0", "100", 0, -1, {{'d', "100"}, {'=', ""}}},
    // The text ends before $d is reached: its capture is not written.
    {"$A$d", "ab12", 0, -1, {{'A', "ab12"}, {'=', ""}}},
    // A failure at the third element leaves the first two changed.
    {"$d-$a-$s", "12-ab-x", 0, -1, {{'d', "12"}, {'a', "ab"}, {'s', ""}, {'=', ""}}},
    {"x$d", "y12", 0, -1, {{'=', ""}}},
    // $^ and $$.
    {"$^abc", "abc", 0, 3, {{'=', "abc"}}},
    {"$^abc", "xabc", 1, -1, {{'=', ""}}},
    {"a$^", "a", 0, -1, {{'=', ""}}},
    {"a$^", "ab", 0, -1, {{'=', ""}}},
    {"$^", "abc", 0, 0, {{'=', ""}}},
    {"$$", "rest of", 2, 7, {{'A', "st of"}, {'=', "st of"}}},
    {"$$x", "abx", 0, -1, {{'A', "abx"}, {'=', ""}}},
    {"$A$$", "ab c", 0, 4, {{'A', " c"}, {'=', "ab c"}}},
    // ?, escapes and other '$' bytes.
    // A match that ends inside a character takes the rest of it.
    {"?", "\x82\xa0", 0, 2, {{'=', "\x82\xa0"}}},
    {"??", "\x82\xa0", 0, 2, {{'=', "\x82\xa0"}}},
    {"\\$d", "$d", 0, 2, {{'=', "$d"}}},
    {"\\?", "?", 0, 1, {{'=', "?"}}},
    {"\\?", "x", 0, -1, {{'=', ""}}},
    {"\\\\", "\\", 0, 1, {{'=', "\\"}}},
    {"$l", "$l", 0, 2, {{'=', "$l"}}},
    {"a$", "a$", 0, 2, {{'=', "a$"}}},
    // A backslash ending the pattern ends the match without a comparison.
    {"a\\", "ab", 0, 1, {{'=', "a"}}},
    {"\\", "ab", 1, 1, {{'=', ""}}},
    {"a\\", "a", 0, -1, {{'=', ""}}},
    // Double-byte characters in the pattern compare whole; an escaped lead
    // byte compares alone.
    {"\x82\xa0", "\x82\xa0", 0, 2, {{'=', "\x82\xa0"}}},
    {"\x82\xa0", "\x82\xa1", 0, -1, {{'=', ""}}},
    {"\\\x82", "\x82\xa0", 0, 2, {{'=', "\x82\xa0"}}},
    {"x\x82", "x\x82", 0, 2, {{'=', "x\x82"}}},
    {"Ab", "ab", 0, -1, {{'=', ""}}},
    // Whole words.
    {"(cat)", "a cat.", 2, 5, {{'=', "cat"}}},
    {"(cat)", "cat", 0, 3, {{'=', "cat"}}},
    {"(cat)", "cats", 0, -1, {{'=', ""}}},
    {"(cat)", "_cat", 1, -1, {{'=', "old"}}},
    {"(cat)", "3cat", 1, -1, {{'=', "old"}}},
    {"(cat)", "cat_", 0, -1, {{'=', ""}}},
    {"(cat)", "cat\xe0", 0, -1, {{'=', ""}}},
    {"(cat)", "\xa0" "cat", 1, 4, {{'=', "cat"}}},
    {"(cat)", "\x82\xa0" "cat", 2, -1, {{'=', "old"}}, 1},
    {"(cat)", "-cat-", 1, 4, {{'=', "cat"}}},
    {"($d)", "x 12 y", 2, 4, {{'d', "12"}, {'=', "12"}}},
    {"($d)", "x 12y", 2, -1, {{'d', "12"}, {'=', ""}}},
    {"(a\\)", "a)b", 0, 2, {{'=', "a)"}}},
    {"(cat)x", "(cat)x", 0, 6, {{'=', "(cat)x"}}},
    {"()", "()", 0, 2, {{'=', "()"}}},
};

TEST_F(Checkstr, MatchesTheTable) {
  for (const MatchCase& c : kMatches) {
    SCOPED_TRACE("pattern " + c.pattern + " on " + c.text + " at " + std::to_string(c.at));
    preset();
    const char* text = c.text.c_str();
    const char* end = checkstr(text, text + c.at, c.pattern.c_str(), c.db);
    EXPECT_EQ(end == nullptr ? -1 : static_cast<int>(end - text), c.end);
    for (const char* n = kNames; *n != '\0'; ++n) {
      std::string want = "old";
      for (const auto& [name, value] : c.want)
        if (name == *n) want = value;
      SCOPED_TRACE(std::string("capture ") + *n);
      EXPECT_EQ(std::string(capture(*n)->str()), want);
    }
  }
}

TEST_F(Checkstr, WordLeftNeighbourIsReadOnlyPastTheStart) {
  // At the start of the scanned text there is no left neighbour.
  const std::string text = "xcat";
  EXPECT_NE(checkstr(text.c_str() + 1, text.c_str() + 1, "(cat)", 0), nullptr);
  EXPECT_EQ(checkstr(text.c_str(), text.c_str() + 1, "(cat)", 0), nullptr);
  // match_program reads it before a field's start, back to the line's start.
  Program prog;
  compile_pattern("(cat)", &prog);
  Scan in_line = begin_scan(prog, ed, text.c_str(), text.c_str() + 1, nullptr);
  EXPECT_EQ(match_program(&in_line, text.c_str() + 1, 0), nullptr);
  const std::string sep = ",cat";
  Scan after_sep = begin_scan(prog, ed, sep.c_str(), sep.c_str() + 1, nullptr);
  EXPECT_NE(match_program(&after_sep, sep.c_str() + 1, 0), nullptr);
}

TEST_F(Checkstr, CapturesOverFourKilobytesAreKeptWhole) {
  const std::string digits(100000, '7');
  const std::string text = digits + "x";
  const char* end = checkstr(text.c_str(), text.c_str(), "$dx", 0);
  ASSERT_NE(end, nullptr);
  EXPECT_EQ(end, text.c_str() + text.size());
  ed.caps.settle();
  EXPECT_EQ(std::string(cap('d').str()), digits);
  EXPECT_EQ(std::string(cap('=').str()), text);
}

TEST_F(Checkstr, SettledCapturesOutliveTheirText) {
  std::string text = "ab12";
  ASSERT_NE(checkstr(text.c_str(), text.c_str(), "$a$d", 0), nullptr);
  ed.caps.settle();
  text.assign("zzzz");
  EXPECT_STREQ(cap('a').str(), "ab");
  EXPECT_STREQ(cap('d').str(), "12");
  EXPECT_STREQ(cap('=').str(), "ab12");
}

TEST_F(Checkstr, ClearClassesEmptiesTheClassBuffersOnly) {
  preset();
  ed.caps.clear_classes();
  for (const char* n = kNames; *n != '\0'; ++n) {
    SCOPED_TRACE(*n);
    EXPECT_STREQ(capture(*n)->str(), *n == '=' ? "old" : "");
  }
}

// A program reused at every position of one text remembers its runs; the
// ends and captures must be those of a fresh attempt at each position.
TEST_F(Checkstr, RememberedRunsGiveTheSameResults) {
  const char* const patterns[] = {"$d$a", "$d-$d", "$$x", "$a?$a", "$s$g", "x$f", "($A)"};
  const std::string text = "123ab-45 6789x--abcdef 12-34-56 e+5 x1.5";
  for (const char* pattern : patterns) {
    SCOPED_TRACE(pattern);
    Program prog;
    compile_pattern(pattern, &prog);
    const char* s = text.c_str();
    // Both editors start empty and see the same attempts in the same order.
    ed.caps.clear_classes();
    cap('=').clear();
    EditorState kept_editor;
    Scan scan = begin_scan(prog, kept_editor, s, s, nullptr);
    for (size_t i = 0; i < text.size(); ++i) {
      SCOPED_TRACE(i);
      const char* fresh = checkstr(s, s + i, pattern, 0);
      ed.caps.settle();
      std::vector<std::string> want;
      for (const char* n = kNames; *n != '\0'; ++n) want.push_back(capture(*n)->str());
      const char* kept = match_program(&scan, s + i, 0);
      EXPECT_EQ(kept, fresh);
      kept_editor.caps.settle();
      for (size_t k = 0; kNames[k] != '\0'; ++k)
        EXPECT_EQ(kept_editor.caps.slot[capture(kNames[k]) - ed.caps.slot].str(), want[k]);
    }
  }
}

}  // namespace
}  // namespace quorl
