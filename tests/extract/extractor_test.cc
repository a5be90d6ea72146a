#include "extract/extractor.h"

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "replace/editor.h"

namespace quorl {
namespace {

// Each test has an editor of its own and starts from the blank-and-tab
// default.
class Extract : public ::testing::Test {
 protected:
  EditorState ed;
  FieldSyntax syntax;
  Template compiled;

  // extract_fields: templ applied to line, which is cut in place; null
  // after a fault, whose message is in ed.error.
  char* extract_fields(const char* templ, char* line) {
    compile_template(templ, &compiled);
    size_t len = static_cast<size_t>(-1);
    return extract_with(compiled, syntax, ed, line, &len);
  }
  // extract: templ applied to a writable copy of line under separator s.
  std::string extract(char s, const std::string& line, const char* templ) {
    syntax.sep = Delim{{s}, 0};
    std::vector<char> buf(line.begin(), line.end());
    buf.push_back('\0');
    return extract_fields(templ, buf.data());
  }
  // split: line cut by split_fields under separator s.
  int split(char s, char* line) {
    syntax.sep = Delim{{s}, 0};
    return static_cast<int>(split_fields(ed, syntax, line, std::strlen(line)));
  }
};

// ---- The template reader ----

struct ReadCase {
  const char* spec;  // the bytes after the '$'
  int field_count;
  int first_no;
  int last_no;
  const char* rest;  // the template left after the element
};

const ReadCase kReads[] = {
    // One byte after the '$'.
    {"1", 3, 1, 1, ""},
    {"9x", 3, 9, 9, "x"},
    {"12", 3, 1, 1, "2"},
    {"$", 3, 3, 3, ""},
    {"$-", 7, 7, 7, "-"},
    {"*", 4, 1, 4, ""},
    {"*)", 1, 1, 1, ")"},
    {"1(2)", 3, 1, 1, "(2)"},
    // Parenthesised numbers: any number of digits, leading zeros.
    {"(12)", 3, 12, 12, ""},
    {"(007)x", 3, 7, 7, "x"},
    {"(2-3)", 5, 2, 3, ""},
    {"(2-2)", 5, 2, 2, ""},
    {"(1-100)y", 5, 1, 100, "y"},
    {"(0003-04)", 5, 3, 4, ""},
    // An open range at the very end of the template names one field.
    {"(2-", 5, 2, 2, ""},
    {"(15-", 5, 15, 15, ""},
    // Numbers too large for an int stay at INT_MAX.
    {"(99999999999)", 3, INT_MAX, INT_MAX, ""},
    {"(2147483647)", 3, INT_MAX, INT_MAX, ""},
    {"(2147483648)", 3, INT_MAX, INT_MAX, ""},
    {"(1-99999999999)", 3, 1, INT_MAX, ""},
    {"(2147483646-2147483647)", 3, INT_MAX - 1, INT_MAX, ""},
};

TEST_F(Extract, ReadsElements) {
  for (const ReadCase& c : kReads) {
    SCOPED_TRACE(c.spec);
    int first = -5;
    int last = -5;
    const char* rest = read_field_no(c.spec, &first, &last, c.field_count);
    ASSERT_NE(rest, nullptr);
    EXPECT_EQ(first, c.first_no);
    EXPECT_EQ(last, c.last_no);
    EXPECT_STREQ(rest, c.rest);
    EXPECT_EQ(rest, c.spec + std::strlen(c.spec) - std::strlen(c.rest));
  }
}

// Elements that read_field_no refuses, each given as the bytes after '$'.
const char* const kBadElements[] = {
    "",       // a lone '$' at the end
    "(",      // "$(" at the end
    "0",      "(0)",    "(00)",   "(0-3)",  "(3-1)",  "(3-)",    "(3-0)",   "x",
    "(a)",    "($)",    "(*)",    "(2",     "(1-2",   "(1-2-3)", "(1--2)",  "(-2)",
    "()",     "(1-x)",  " 1",     "-1",     "(1 )",   "( 1)",    "(1-2 )",
    "(99999999999-1)",  "(2147483647-1)",
};

TEST_F(Extract, RefusesMalformedElements) {
  for (const char* spec : kBadElements) {
    SCOPED_TRACE(std::string("$") + spec);
    int first = -5;
    int last = -5;
    EXPECT_EQ(read_field_no(spec, &first, &last, 3), nullptr);
  }
}

// ---- The splitter ----

struct SplitCase {
  const char* name;
  char sep;
  std::string line;
  std::vector<std::string> pieces;
};

const SplitCase kSplits[] = {
    {"empty line", 0, "", {""}},
    {"one word", 0, "abc", {"abc"}},
    {"runs of blanks and tabs", 0, "a b \t c\t\td", {"a", "b", "c", "d"}},
    {"leading blanks give an empty first piece", 0, "  a b", {"", "a", "b"}},
    {"trailing blank gives an empty last piece", 0, "a b ", {"a", "b", ""}},
    {"blanks only", 0, " \t ", {"", ""}},
    {"explicit separator keeps empty fields", ',', "a,,b,", {"a", "", "b", ""}},
    {"explicit separator at the start", ',', ",a", {"", "a"}},
    {"explicit separator ignores blanks", ',', "  ", {"  "}},
    {"tab separator", '\t', "a\t\tb c", {"a", "", "b c"}},
    {"blank separator counts every blank", ' ', "a  b", {"a", "", "b"}},
    {"brackets do not hold a field together", 0, "[a b] c", {"[a", "b]", "c"}},
    // A double-byte character whose second byte equals the separator.
    {"second byte is never a separator", '\x5c', "a\x83\x5c" "b\x5c" "c",
     {"a\x83\x5c" "b", "c"}},
    {"second byte 0x40 is not a blank-run separator", '@', "\x81\x40@x", {"\x81\x40", "x"}},
    {"second byte equal to a tab", 0, "\x81\x09 x", {"\x81\x09", "x"}},
    // A lead byte just before the NUL is an ordinary byte.
    {"lead byte at the end", 0, "a \x81", {"a", "\x81"}},
    // The separator test comes first, so a separator that is a lead byte
    // still cuts.
    {"lead-byte separator", '\x81', "a\x81" "b", {"a", "b"}},
    {"double-byte characters step whole", ',', "\x82\xa0,\xe0\x2c,x",
     {"\x82\xa0", "\xe0\x2c", "x"}},
};

TEST_F(Extract, SplitsLines) {
  for (const SplitCase& c : kSplits) {
    SCOPED_TRACE(c.name);
    std::vector<char> buf(c.line.begin(), c.line.end());
    buf.push_back('\0');
    int n = split(c.sep, buf.data());
    ASSERT_EQ(n + 1, static_cast<int>(c.pieces.size()));
    EXPECT_EQ(ed.field_ptr[0], buf.data());
    for (int k = 0; k <= n; ++k) EXPECT_EQ(std::string(ed.field_ptr[k]), c.pieces[k]) << "piece " << k;
  }
}

TEST_F(Extract, FieldTableGrowsPast256Pieces) {
  std::string line;
  for (int k = 0; k < 1000; ++k) line += std::to_string(k) + ",";
  std::vector<char> buf(line.begin(), line.end());
  buf.push_back('\0');
  int n = split(',', buf.data());
  ASSERT_EQ(n, 1000);
  EXPECT_GE(ed.field_ptr_max, 1001u);
  EXPECT_EQ(ed.field_ptr_max % FIELD_PTR_STEP, 0u);
  for (int k = 0; k < 1000; ++k) ASSERT_EQ(std::string(ed.field_ptr[k]), std::to_string(k));
  EXPECT_EQ(std::string(ed.field_ptr[1000]), "");
}

// ---- Extraction ----

struct ExtractCase {
  const char* name;
  char sep;
  std::string line;
  const char* templ;
  std::string out;
};

const ExtractCase kExtracts[] = {
    // Default separation: runs of blanks and tabs.
    {"fields reordered", 0, "a b  c", "$3-$1", "c-a"},
    {"all fields packed", 0, "a b c", "$*", "abc"},
    {"range packed", 0, "a b c", "$(2-3)", "bc"},
    {"last field", 0, "a b c", "$$", "c"},
    {"one digit only", 0, "a b c", "$12", "a2"},
    {"number beyond the fields", 0, "a b c", "$(12)", ""},
    {"literal bytes around", 0, "a b c", "[$2]", "[b]"},
    {"range past the end", 0, "a b c", "$(2-99)", "bc"},
    {"range wholly past the end", 0, "a b c", "<$(4-9)>", "<>"},
    {"open range at the end", 0, "a b c", "$1:$(2-", "a:b"},
    {"huge number selects nothing", 0, "a b c", "<$(99999999999)>", "<>"},
    {"huge range end", 0, "a b c", "$(2-99999999999)", "bc"},
    {"tabs separate", 0, "a\tb\t\tc", "$3$2$1", "cba"},
    {"template without elements", 0, "a b", "xyz", "xyz"},
    {"empty template", 0, "a b", "", ""},
    {"field used twice", 0, "a b", "$1$1$$$2", "aabb"},
    // An empty first piece is not counted, but $$ still names the count.
    {"leading blanks: first field", 0, "  a b", "$1", "a"},
    {"leading blanks: all", 0, "  a b", "$*", "ab"},
    {"leading blanks: last names nothing", 0, "  a b", "<$$>", "<>"},
    {"leading blanks: range", 0, "  a b c", "$(2-3)", "bc"},
    {"trailing blank: third field empty", 0, "a b ", "<$3>", "<>"},
    {"trailing blank: last is empty", 0, "a b ", "<$$>", "<>"},
    {"trailing blank: all", 0, "a b ", "$*", "ab"},
    {"empty line keeps literals", 0, "", "[$1|$$|$*|$(1-3)]", "[|||]"},
    {"blanks only line", 0, "   ", "[$1|$*]", "[|]"},
    // An explicit separator.
    {"empty middle field", ',', "a,,b", "[$2][$3]", "[][b]"},
    {"separator first", ',', ",a", "$1", "a"},
    {"separator first, last names nothing", ',', ",a", "<$$>", "<>"},
    {"blanks stay in the field", ',', "   ", "[$1]", "[   ]"},
    {"blanks inside fields", ',', " a b , c ", "[$2][$1]", "[ c ][ a b ]"},
    {"all fields with empties", ',', "a,,b,", "$*", "ab"},
    {"last of a line ending in a separator", ',', "a,b,", "<$$>", "<>"},
    {"brackets are not fields here", 0, "[a b] c", "$1|$2|$3", "[a|b]|c"},
    // Double-byte characters.
    {"second byte equal to the separator", '\x5c', "\x83\x5c\x5c" "b", "$2$1",
     "b\x83\x5c"},
    {"double-byte fields", 0, "\x82\xa0 \x82\xa2", "$2\x81\x40$1", "\x82\xa2\x81\x40\x82\xa0"},
    {"double-byte literal in the template", 0, "a b", "\x83\x40$1", "\x83\x40" "a"},
    // Template bytes are taken one at a time: a '$' after a lead byte still
    // starts an element.
    {"dollar after a lead byte", 0, "a b", "\x83$2", "\x83" "b"},
};

TEST_F(Extract, BuildsOutput) {
  for (const ExtractCase& c : kExtracts) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(extract(c.sep, c.line, c.templ), c.out);
  }
}

TEST_F(Extract, LongTemplateGivesWholeOutput) {
  std::string templ;
  std::string want;
  for (int k = 0; k < 3000; ++k) {
    templ += "<$2>";
    want += "<b>";
  }
  std::string out = extract(0, "a b", templ.c_str());
  EXPECT_EQ(out.size(), want.size());
  EXPECT_EQ(out, want);
  EXPECT_GT(ed.extract.size, want.size());
}

TEST_F(Extract, LongFieldsGiveWholeOutput) {
  std::string big1(5000, 'x');
  std::string big2(9000, 'y');
  std::string out = extract(0, big1 + " " + big2, "$2-$1-$*");
  EXPECT_EQ(out, big2 + "-" + big1 + "-" + big1 + big2);
  EXPECT_GT(ed.extract.size, out.size());
}

TEST_F(Extract, ManyFieldsGiveWholeOutput) {
  std::string line;
  std::string all;
  std::string reversed;
  std::string templ;
  for (int k = 1; k <= 2000; ++k) {
    line += "f" + std::to_string(k) + "\t";
    all += "f" + std::to_string(k);
    reversed = "f" + std::to_string(k) + "." + reversed;
    templ = "$(" + std::to_string(k) + ")." + templ;
  }
  EXPECT_EQ(extract(0, line, "$*"), all);
  EXPECT_EQ(extract(0, line, templ.c_str()), reversed);
  EXPECT_EQ(extract(0, line, "$(1999-2001)"), "f1999f2000");
}

TEST_F(Extract, LineIsCutInPlace) {
  syntax.sep = Delim{{','}, 0};
  char line[] = "ab,cd,ef";
  char* out = extract_fields("$3", line);
  EXPECT_EQ(out, ed.extract.data);
  EXPECT_STREQ(out, "ef");
  EXPECT_EQ(std::memcmp(line, "ab\0cd\0ef", sizeof line), 0);
}

TEST_F(Extract, EachCallStartsAfresh) {
  EXPECT_EQ(extract(0, "one two three", "$*$*$*"), "onetwothreeonetwothreeonetwothree");
  EXPECT_EQ(extract(0, "x", "$1"), "x");
  EXPECT_EQ(extract(',', "p,q", "$2"), "q");
  EXPECT_EQ(extract(0, "p,q r", "$2"), "r");
}

// ---- Malformed templates ----

struct BadTemplate {
  const char* templ;
  const char* line;
};

const BadTemplate kBadTemplates[] = {
    {"$0", "a b"},        {"$(0)", "a b"},      {"$(3-1)", "a b"},    {"$(3-)", "a b"},
    {"$x", "a b"},        {"$(a)", "a b"},      {"$($)", "a b"},      {"$(2", "a b"},
    {"$(1-2", "a b"},     {"$(1-2-3)", "a b"},  {"$", "a b"},         {"$(", "a b"},
    {"x$", "a b"},        {"$1$", "a b"},       {"$1 $(", ""},        {"ok $1 $(2-1)", "a b"},
    {"$(99999999999-1)", "a"},  {"$*$-", "a b"},  {"$1$(0)", "a b"},
};

TEST_F(Extract, MalformedTemplateIsAFault) {
  for (const BadTemplate& c : kBadTemplates) {
    SCOPED_TRACE(c.templ);
    std::string line = c.line;
    EXPECT_EQ(extract_fields(c.templ, line.data()), nullptr);
    EXPECT_EQ(ed.fault, ErrorCode::bad_template);
    EXPECT_EQ(std::string(ed.error.data), "illegal \"-e <extract>\" parameter");
  }
}

}  // namespace
}  // namespace quorl
