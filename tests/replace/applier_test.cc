#include "replace/applier.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "replace/reference_scan.h"
#include "replace/test_editor.h"
#include "support/sjis.h"

namespace quorl {
namespace {

// Field settings for one table row.
struct Fields {
  char sep = 0;
  char open = 0;
  char close = 0;
};

class ReplaceItem : public EngineTest {
 protected:
  void set(const Fields& f) {
    syntax.sep = Delim{{f.sep}, 0};
    syntax.open = Delim{{f.open}, 0};
    syntax.close = Delim{{f.close}, 0};
  }
  std::string apply(const std::string& from, const std::string& to, const std::string& line) {
    const char* got = replace_item(line.c_str(), from.c_str(), to.c_str());
    EXPECT_NE(got, nullptr);
    return got == nullptr ? std::string("<null>") : std::string(got);
  }
  std::vector<std::string> snapshot() {
    std::vector<std::string> all;
    for (const char* n = kNames; *n != '\0'; ++n) all.push_back(cap(*n).str());
    return all;
  }
  void restore(const std::vector<std::string>& all) {
    for (size_t i = 0; kNames[i] != '\0'; ++i) {
      cap(kNames[i]).refer(all[i].c_str(), all[i].size());
      cap(kNames[i]).settle();
    }
  }
  static constexpr char kNames[] = "AasdDfxgc=";
};

struct Case {
  Fields fields;
  std::string from;
  std::string to;
  std::string line;
  std::string want;
};

const Fields kComma{',', 0, 0};
const Fields kBrackets{',', '[', ']'};

const Case kCases[] = {
    // Scanning: no overlap, no rescanning.
    {{}, "aa", "b", "aaa", "ba"},
    {{}, "ab", "ba", "abab", "baba"},
    {{}, "x", "y", "", ""},
    {{}, "$d", "<$d>", "a1b22c333", "a<1>b<22>c<333>"},
    {{}, "$a", "$u", "ab cd", "AB CD"},
    {{}, "$s", " ", "a \t b\n\nc", "a b c"},
    // A match ending inside a double-byte character takes its other byte.
    {{}, "?", "X", "\x82\xa0", "X"},
    {{}, "a?", "X", "a\x82\xa0" "b", "Xb"},
    // Double-byte characters are stepped over whole.
    {{}, "\xa0", "X", "\x82\xa0\xa0", "\x82\xa0X"},
    {{}, "@", "X", "\x82@@", "\x82@X"},
    // Zero-length matches: written once, then the scan moves on.
    {{}, "$^", "> ", "abc", "> abc"},
    {{}, "$^$^", "#", "ab", "#ab"},
    {{}, "\\", "-", "a\x82\xa0" "b", "-a-\x82\xa0-b"},
    {{}, "$^", "x", "", ""},
    // Whole words.
    {{}, "(cat)", "dog", "cat cats _cat cat. \x82\xa0" "cat (cat)", "dog cats _cat dog. \x82\xa0" "cat (dog)"},
    // Fields.
    {kComma, "(2)b", "X", "a,b,c", "a,X,c"},
    {kComma, "(3)c", "X", "a,b,c", "a,b,X"},
    {kComma, "(1)a", "X", "a,b,c", "X,b,c"},
    {kComma, "(01)a", "X", "a,a", "X,a"},
    {kComma, "(4)a", "X", "a,b,c", "a,b,c"},
    {kComma, "(99999999999999999999999)a", "X", "a,b", "a,b"},
    {kComma, "(2)x", "Y", "a,,c", "a,,c"},
    {kComma, "(2)$^b", "X", "a,b,b", "a,X,b"},
    {kComma, "(2)b", "X", "b,bb,b", "b,XX,b"},
    {kComma, "(2)$$", "[$$]", "a,bc,d", "a,[bc],d"},
    {kComma, "(2)(cat)", "X", "a,cat,b", "a,X,b"},
    {{'_', 0, 0}, "(2)(cat)", "X", "a_cat", "a_cat"},
    {kComma, "(2)b", "X", "a\x82,b,b", "a\x82,b,X"},
    {kBrackets, "(2)c", "X", "[a,b],c", "[a,b],X"},
    {kBrackets, "(2)b", "X", "[a,b", "[a,X"},
    {kBrackets, "(2)b", "X", "[[a,b,b", "[[a,X,b"},
    {kBrackets, "(3)c", "X", "x,[a,]\x82],c", "x,[a,]\x82],X"},
    {{',', '"', '"'}, "(2)c", "X", "\"a,b\",c,\"c,d\"", "\"a,b\",X,\"c,d\""},
    {{']', '[', ']'}, "(2)c", "X", "[a]c]d", "[a]X]d"},
    // Without a separator the whole line is field 1.
    {{}, "(1)b", "X", "a b", "a X"},
    {{}, "(2)b", "X", "a b", "a b"},
    // A leading group that is not a field number is pattern text.
    {{}, "(a)b", "X", "(a)b", "X"},
};

TEST_F(ReplaceItem, AppliesTheTable) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.from + ":" + c.to + " on " + c.line);
    set(c.fields);
    EXPECT_EQ(apply(c.from, c.to, c.line), c.want);
  }
}

TEST_F(ReplaceItem, FieldNumberZeroIsBad) {
  for (const char* from : {"(0)a", "(00)a", "()a"}) {
    SCOPED_TRACE(from);
    set(kComma);
    EXPECT_EQ(replace_item("a,b", from, "X"), nullptr);
    EXPECT_EQ(ed.fault, ErrorCode::bad_item);
    EXPECT_EQ(std::string(ed.error.data), std::string("\"") + from + "\": bad <replace>\n");
  }
}

TEST_F(ReplaceItem, LongLinesAndExpansionsAreWrittenWhole) {
  const std::string as(5000, 'a');
  EXPECT_EQ(apply("a", "bb", as), std::string(10000, 'b'));
  const std::string digits(5000, '4');
  EXPECT_EQ(apply("$d", "<$d$d>", "x" + digits + "y"), "x<" + digits + digits + ">y");
  EXPECT_EQ(apply("x", "$$$$$$$$", std::string(3000, 'x')), std::string(12000, 'x'));
  const std::string rest(9000, 'r');
  set(kComma);
  EXPECT_EQ(apply("(1)a", "AAAA", "a," + rest), "AAAA," + rest);
}

TEST_F(ReplaceItem, CapturesOutliveTheItem) {
  // The last attempt of "$d" reaches the digits: its capture keeps them.
  EXPECT_EQ(apply("$d", "", "x7"), "x");
  EXPECT_EQ(apply("x", "[$d]", "x"), "[7]");
  // Here the last attempt is at 'x', where the run is empty.
  EXPECT_EQ(apply("$d", "", "7x"), "x");
  EXPECT_EQ(apply("x", "[$d]", "x"), "[]");
  // The work copy is rewritten by the next item; the captures stay.
  EXPECT_EQ(apply("$a-", "", "ab-"), "");
  EXPECT_EQ(apply("q", "$a", "qq"), "abab");
}

// The scan skips positions where no match can begin and remembers class
// runs; output and every capture must be what trying each position gives.
TEST_F(ReplaceItem, AgreesWithTryingEveryPosition) {
  const char* const patterns[] = {"$d",   "$dX",   "x$d",  "$^a",   "($a)",  "(cat)", "$$",   "a$$",
                                  "?",    "\\",    "$s$g", "$f.",   "\x82\xa0", "$A$d", "$a$d", "($^a)",
                                  "$D0",  "c$c",   "$x;",  "(1a)", "$d-$d", "\xa0" "b", "at ", "12-3", "\x40x", "ca",
                                  "\\$d", "x?", "($a$^)"};
  const char* const lines[] = {
      "",           "a",          "abc 123 x45 X",    "99X 9 aX",         "cat a1 _cat cat9 cat",
      "12-34 5-",   "a\x82\xa0" "b\x82\xa0", "\x82" "cat \xe0\x40x7", "1.5. e. x", "ff; 0x; \x01c\x01",
      "\x82",       "a,b c;d",    "100 200 0",  "\x82\x40x\x40x \xa0\xa0" "b\x82\xa0" "b 12-312-3",
      // The last attempt of a whole word is at "b": the one at the tab
      // fails its left test and the end of the line is never tried.
      " -eb\t",
  };
  const char* const tos[] = {"<$$>", "[$d|$a|$A|$x]", ""};
  for (const char* pattern : patterns) {
    for (const char* line : lines) {
      for (const char* to : tos) {
        SCOPED_TRACE(std::string(pattern) + ":" + to + " on " + line);
        restore({"A0", "a0", "s0", "d0", "D0", "f0", "x0", "g0", "c0", "m0"});
        set(Fields{});
        const std::string want = reference_scan(*this, pattern, to, line);
        const std::vector<std::string> want_captures = snapshot();
        // The line as the caller's own text, as the previous item's
        // result, and as the only field of a line.
        for (int mode = 0; mode < 3; ++mode) {
          SCOPED_TRACE(mode);
          std::string from = pattern;
          const char* text = line;
          if (mode == 1) text = replace_item(line, "\x01\x02\x03", "");
          set(mode == 2 ? Fields{'\x7f', 0, 0} : Fields{});
          if (mode == 2) from = "(1)" + from;
          restore({"A0", "a0", "s0", "d0", "D0", "f0", "x0", "g0", "c0", "m0"});
          const char* got = replace_item(text, from.c_str(), to);
          ASSERT_NE(got, nullptr);
          EXPECT_EQ(std::string(got), want);
          EXPECT_EQ(snapshot(), want_captures);
        }
      }
    }
  }
}

// Runs longer than one 16-byte block are looked through a block at a time:
// they must end where a byte-by-byte walk ends them, at a byte outside the
// class, at the end of the line, or at the end of the selected field.
TEST_F(ReplaceItem, LongRunsEndWhereTheClassEnds) {
  struct ClassCase {
    const char* element;
    const char* members;  // bytes of the class, used in turn
    char outside;         // a byte the class does not hold
  };
  const ClassCase classes[] = {
      {"$d", "0123456789", 'x'}, {"$D", "123456789", '0'}, {"$a", "abyzABYZ", '1'},
      {"$A", "a0Z9", '-'},       {"$s", " \t\n\f", 'a'},  {"$x", "09afAF", 'g'},
      {"$g", "!~a0", ' '},       {"$c", "\x01\x1f\x7f", 'a'}, {"$f", "1.e-+E", 'x'},
  };
  const size_t lengths[] = {15, 16, 17, 31, 32, 33, 47, 64, 100};
  for (const ClassCase& c : classes) {
    for (const size_t n : lengths) {
      std::string run;
      for (size_t i = 0; i < n; ++i) run += c.members[i % std::strlen(c.members)];
      for (const std::string& line : {run, run + c.outside + run, "q" + run + c.outside}) {
        for (const std::string& pattern : {std::string(c.element), std::string(c.element) + c.outside}) {
          SCOPED_TRACE(pattern + " on " + std::to_string(line.size()) + " bytes");
          set(Fields{});
          const std::string want = reference_scan(*this, pattern, "<$$>", line);
          EXPECT_EQ(apply(pattern, "<$$>", line), want);
          // The same text as field 1, with more of the class behind it.
          set(Fields{'\x02', 0, 0});
          EXPECT_EQ(apply("(1)" + pattern, "<$$>", line + '\x02' + run), want + '\x02' + run);
        }
      }
    }
  }
}

TEST_F(ReplaceItem, AGreedyRunTriedEverywhereStaysLinear) {
  // Every position of the run is tried and fails at 'X'; each attempt must
  // not copy or rescan the run (this finishes at once, not in minutes).
  const std::string digits(1 << 20, '3');
  EXPECT_EQ(apply("$dX", "Y", digits), digits);
  EXPECT_EQ(std::string(cap('d').str()), "3");
  EXPECT_EQ(apply("$$X", "Y", digits), digits);
  EXPECT_EQ(apply("$d", "<$d>", digits), "<" + digits + ">");
}

}  // namespace
}  // namespace quorl
