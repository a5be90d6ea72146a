#include <string>

#include <gtest/gtest.h>

#include "cli/harness.h"

namespace quorl_test {
namespace {

const char kBad[] = "illegal \"-e <extract>\" parameter";

// ---- -e with -t and -b ----

const CliCase kTemplates[] = {
    {"fields reordered", {"-e", "$3-$1", "a b  c"}, "", {}, "c-a\n", "", 0},
    {"every element form", {"-e", "$*|$(2-3)|$$|$12|$(12)|[$2]|$(2-", "a b c"}, "", {},
     "abc|bc|c|a2||[b]|b\n", "", 0},
    {"leading blanks", {"-e", "$1/$*/$$/", "  a b"}, "", {}, "a/ab//\n", "", 0},
    {"empty template", {"-e", "", "a b"}, "", {}, "\n", "", 0},
    {"the last -e counts", {"-e", "$1", "-e", "$2", "a b"}, "", {}, "b\n", "", 0},
    {"-e as the operand is the text", {"-e"}, "", {}, "-e\n", "", 0},
    {"comma separator", {"-t,", "-e", "[$2][$3]", "a,,b"}, "", {}, "[][b]\n", "", 0},
    {"comma separator and blanks", {"-t,", "-e", "[$1]", "   "}, "", {}, "[   ]\n", "", 0},
    {"backslash t is the tab", {"-t\\t", "-e", "$2|$3", "a\t\tb c"}, "", {}, "|b c\n", "", 0},
    {"-t alone restores blanks and tabs", {"-t,", "-t", "-e", "$2", "a,b c"}, "", {}, "c\n", "", 0},
    {"brackets do not hold fields here", {"-b[]", "-e", "$1|$2|$3", "[a b] c"}, "", {},
     "[a|b]|c\n", "", 0},
    {"default brackets neither", {"-b", "-t,", "-e", "$2", "\"a,b\",c"}, "", {}, "b\"\n", "", 0},
    {"standard input lines", {"-t:", "-e", "$3$2$1"}, "x:y:z\n1:2:3\n", {}, "zyx\n321\n", "", 0},
    {"every file line", {"-e", "<$2>", "-f", "in"}, "", {{"in", "a b\n\nc d e\n  f g\n"}},
     "<b>\n<>\n<d>\n<g>\n", "", 0},
    // Shift_JIS: a second byte equal to the separator stays inside its field.
    {"second byte equal to the separator", {"-t\x5c", "-e", "$2,$1", "\x83\x5c" "a\x5c" "b"}, "",
     {}, "b,\x83\x5c" "a\n", "", 0},
    {"double-byte fields and literals", {"-e", "$2\x81\x40$1", "\x82\xa0 \x82\xa2"}, "", {},
     "\x82\xa2\x81\x40\x82\xa0\n", "", 0},
    {"double-byte character before a blank", {"-e", "$2", "\x81\x20 x"}, "", {}, "x\n", "", 0},
};

TEST(ExtractCli, Templates) {
  for (const CliCase& c : kTemplates) expect_cli(c);
}

// ---- --csv: quoted fields, records over several lines ----

const CliCase kCsv[] = {
    {"quoted separator and doubled quotes", {"--csv", "-e", "$2|$1|$3", "\"a,b\",\"x \"\"y\"\"\",c"}, "", {},
     "\"x \"\"y\"\"\"|\"a,b\"|c\n", "", 0},
    {"a range keeps its separators", {"--csv", "-t;", "-e", "$(2-3)", "a;\"b;c\";;"}, "", {}, "\"b;c\";\n", "", 0},
    {"an empty first field counts", {"--csv", "-e", "[$1][$2]", ",x"}, "", {}, "[][x]\n", "", 0},
    {"a lone empty field", {"--csv", "-e", "$2", "a,"}, "", {}, "\"\"\n", "", 0},
    {"brackets play no part", {"--csv", "-b", "-r", "(2)c:C", "\"a\"b,c"}, "", {}, "\"a\"b,C\n", "", 0},
    {"an edited field quoted as it must be", {"--csv", "-r", "(2)b:\"", "a,b,\"c\""}, "", {},
     "a,\"\"\"\",\"c\"\n", "", 0},
    {"an unmatched quoted field stays as it was", {"--csv", "-r", "(2)z:Z", "a,\"b\",c"}, "", {}, "a,\"b\",c\n", "", 0},
    {"a record over two lines", {"--csv", "--crlf", "-e", "$2", "-f", "in"}, "", {{"in", "1,\"a\r\nb\"\r\n2,c\r\n"}},
     "\"a\r\nb\"\r\n" "c\r\n", "", 0},
    {"a quote never closed", {"--csv", "-e", "$1", "-f", "in"}, "", {{"in", "a\n\"b\nc\n"}}, "a\n",
     "in: line 2: a quoted field is never closed\n", 1},
    {"on standard input", {"--csv", "-e", "$1"}, "x\n\"y", {}, "x\n", "stdin: line 2: a quoted field is never closed\n", 1},
    {"a quote never closed in the string", {"--csv", "-e", "$1", "a,\"b"}, "", {}, "",
     "line 1: a quoted field is never closed\n", 1},
    {"a quote inside an unquoted field ends no record", {"--csv", "-e", "$2|$1", "-f", "in"}, "",
     {{"in", "a\"b,c\n\"x\"y\",z\nd,e\n"}}, "c|\"a\"\"b\"\nz|\"xy\"\"\"\ne|d\n", "", 0},
    {"a diff shows the record's lines", {"--csv", "--diff", "-r", "(1)b:B", "-f", "in"}, "", {{"in", "\"a\nb\",c\nd\n"}},
     "--- in\n+++ in\n@@ -1,3 +1,3 @@\n-\"a\n-b\",c\n+\"a\n+B\",c\n d\n", "", 0},
    // Shift_JIS second bytes 0x5C and 0x7C are never the separator.
    {"second bytes 0x5C and 0x7C", {"--csv", "-t|", "-e", "$2|$1", "\x83\x7c|\x95\x5c\"|"}, "", {},
     "\"\x95\x5c\"\"\"|\x83\x7c\n", "", 0},
    {"a multibyte separator in UTF-8", {"--csv", "--encoding=utf-8", "-t\xe3\x80\x81", "-e", "$2",
     "a\xe3\x80\x81\"b\xe3\x80\x81" "c\""}, "", {}, "\"b\xe3\x80\x81" "c\"\n", "", 0},
};

TEST(ExtractCli, Csv) {
  for (const CliCase& c : kCsv) expect_cli(c);
}

// ---- Malformed templates: found only while a line is extracted ----

const CliCase kMalformed[] = {
    {"zero field", {"-e", "$0", "a b"}, "", {}, "", kBad, 1},
    {"reversed range", {"-e", "$(3-1)", "a b"}, "", {}, "", kBad, 1},
    {"lone dollar at the end", {"-e", "x$", "a b"}, "", {}, "", kBad, 1},
    {"open parenthesis at the end", {"-e", "$1$(", "a b"}, "", {}, "", kBad, 1},
    {"range on a later element", {"-e", "$1 $(1-2-3)", "a b"}, "", {}, "", kBad, 1},
    {"saturated number in a range", {"-e", "$(99999999999-1)", "a"}, "", {}, "", kBad, 1},
    {"at the first line of a file", {"-e", "$x", "-f", "in"}, "", {{"in", "a\nb\n"}}, "", kBad, 1},
    {"an empty file never extracts", {"-e", "$x", "-f", "in"}, "", {{"in", ""}}, "", "", 0},
    {"a missing file comes first", {"-e", "$x", "-f", "in"}, "", {}, "", "in: not found", 1},
    {"the last -e is the one checked", {"-e", "$x", "-e", "$1", "a b"}, "", {}, "a\n", "", 0},
};

TEST(ExtractCli, MalformedTemplates) {
  for (const CliCase& c : kMalformed) expect_cli(c);
}

// A too-long line ends the run after the lines before it were extracted.
TEST(ExtractCli, EarlierLinesStayPrinted) {
  std::string in = "a b\nc d\n" + std::string(5000, 'x') + "\ne f\n";
  CliOptions opts;
  opts.files = {{"in", in}};
  CliResult r = run_quorl({"-e", "$2$1", "-f", "in"}, opts);
  EXPECT_EQ(r.out, "ba\ndc\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Error: too long line found!"), std::string::npos);
}

// ---- Size: many fields, long templates, long fields ----

TEST(ExtractCli, ManyFields) {
  std::string line;
  std::string all;
  for (int k = 1; k <= 3000; ++k) {
    line += (k > 1 ? "," : "") + std::to_string(k);
    all += std::to_string(k);
  }
  struct Case {
    const char* templ;
    std::string out;
  };
  const Case cases[] = {
      {"$*", all},
      {"$(300)-$(2999-3000)-$$", "300-29993000-3000"},
      {"$(3001)$(3001-9999)", ""},
      {"$1$(257)$(256-258)", "1257256257258"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.templ);
    CliResult r = run_quorl({"-t,", "-e", c.templ, line});
    EXPECT_EQ(r.out, c.out + "\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
  }
}

TEST(ExtractCli, LongTemplateAndFields) {
  std::string templ;
  std::string want;
  for (int k = 0; k < 2500; ++k) {
    templ += "[$2]";
    want += "[bb]";
  }
  std::string big(6000, 'z');
  struct Case {
    const char* name;
    std::string templ;
    std::string line;
    std::string out;
  };
  const Case cases[] = {
      {"long template", templ, "a bb", want},
      {"long fields", "$2.$1.$*", "y " + big, big + ".y.y" + big},
      {"long literal text", std::string(9000, '-') + "$1", "q", std::string(9000, '-') + "q"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CliResult r = run_quorl({"-e", c.templ, c.line});
    EXPECT_EQ(r.out, c.out + "\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
  }
}

// ---- Rules first, then the template ----

const CliCase kWithRules[] = {
    {"rule then fields", {"-r", "a:b", "-e", "$2 $1", "a c"}, "", {}, "c b\n", "", 0},
    {"rule adds a field", {"-r", "x:x y", "-e", "$2|$$", "x"}, "", {}, "y|y\n", "", 0},
    {"rule joins fields", {"-r", " :", "-e", "[$1][$2]", "a b"}, "", {}, "[ab][]\n", "", 0},
    {"rule file and template", {"-R", "rules", "-t;", "-e", "$2;$1", "-f", "in"}, "",
     {{"rules", "1:one\n2:two\n"}, {"in", "1;2\n2;1\n"}}, "two;one\none;two\n", "", 0},
    // The rule's field selection honours the brackets; the template's split
    // does not.
    {"bracketed field for the rule only",
     {"-t,", "-b[]", "-r", "(2)c:X", "-e", "$3|$2|$1", "[a,b],c"}, "", {}, "X|b]|[a\n", "", 0},
    {"bad rule is reported before the template", {"-r", "abc", "-e", "$0", "a b"}, "", {}, "",
     "\"abc\": bad <replace>\n", 1},
    {"bad template after a good rule", {"-r", "a:b", "-e", "$(0)", "a b"}, "", {}, "", kBad, 1},
    {"rule on a file, bad template", {"-r", "a:b", "-e", "$$$", "-f", "in"}, "",
     {{"in", "a\n"}}, "", kBad, 1},
};

TEST(ExtractCli, WithRules) {
  for (const CliCase& c : kWithRules) expect_cli(c);
}

}  // namespace
}  // namespace quorl_test
