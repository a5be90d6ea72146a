// Replacement specifications on the command line and in rule files.
#include <string>

#include <gtest/gtest.h>

#include "cli/harness.h"

namespace quorl_test {
namespace {

std::string bad_replace(const std::string& text) { return "\"" + text + "\": bad <replace>\n"; }

std::string illegal_to(const std::string& to) {
  return "illegal \"-r <replace>\" parameter: " + to + "\n";
}

TEST(ReplaceCli, WholeSpecifications) {
  const CliCase cases[] = {
      {"items apply in order", {"-r", "a:b,c:d", "acac"}, "", {}, "bdbd\n", "", 0},
      {"each item sees the one before", {"-r", "a:b,b:c", "ab"}, "", {}, "cc\n", "", 0},
      {"rules apply in order", {"-r", "a:b", "-r", "b:c", "ab"}, "", {}, "cc\n", "", 0},
      {"a trailing comma", {"-r", "a:b,", "aa"}, "", {}, "bb\n", "", 0},
      {"empty <to> deletes", {"-r", "abc:", "xabcyabc"}, "", {}, "xy\n", "", 0},
      {"no overlap", {"-r", "aa:b", "aaa"}, "", {}, "ba\n", "", 0},
      {"no rescanning", {"-r", "ab:ba", "abab"}, "", {}, "baba\n", "", 0},
      {"escaped comma and colon", {"-r", "a\\:b:x\\,y", "a:b"}, "", {}, "x,y\n", "", 0},
      {"repeated colons", {"-r", "a:b:c", "a"}, "", {}, "c\n", "", 0},
      {"digit runs", {"-r", "$d:<$d>", "a1b22c333"}, "", {}, "a<1>b<22>c<333>\n", "", 0},
      {"swap around a dash", {"-r", "$a-$d:$d-$a", "ab-12 cd-3"}, "", {}, "12-ab 3-cd\n", "", 0},
      {"upper case", {"-r", "$a:$u", "ab 1c"}, "", {}, "AB 1C\n", "", 0},
      {"lower case", {"-r", "$A:$l", "AB-C1"}, "", {}, "ab-c1\n", "", 0},
      {"whole match twice", {"-r", "$d:$$$$", "a1"}, "", {}, "a11\n", "", 0},
      {"start of line", {"-r", "$^:> ", "abc"}, "", {}, "> abc\n", "", 0},
      {"rest of line", {"-r", "=$$:=[$A]", "k=v w"}, "", {}, "k=[v w]\n", "", 0},
      {"whole words", {"-r", "(cat):dog", "cat cats cat."}, "", {}, "dog cats dog.\n", "", 0},
      {"a literal dollar", {"-r", "\\$d:\\$\\\\", "$d"}, "", {}, "$\\\n", "", 0},
      {"a literal $l in the pattern", {"-r", "$l:L", "$l"}, "", {}, "L\n", "", 0},
      {"question mark", {"-r", "a?c:X", "abc a-c ac"}, "", {}, "X X ac\n", "", 0},
      {"captures outlive the rule", {"-r", "$d:", "-r", "x:[$d]", "x7"}, "", {}, "[7]\n", "", 0},
      // The last attempt of the first rule, at the final 'x', found no digits.
      {"the last attempt counts", {"-r", "$d:", "-r", "x:[$d]", "7x"}, "", {}, "[]\n", "", 0},
      {"an unmatched <to> is never read", {"-r", "q:$z", "abc"}, "", {}, "abc\n", "", 0},
  };
  for (const CliCase& c : cases) expect_cli(c);
}

TEST(ReplaceCli, FieldsAndBrackets) {
  const CliCase cases[] = {
      {"second field", {"-t,", "-r", "(2)b:X", "a,b,c"}, "", {}, "a,X,c\n", "", 0},
      {"last field", {"-t,", "-r", "(3)c:X", "a,b,c"}, "", {}, "a,b,X\n", "", 0},
      {"first field", {"-t,", "-r", "(1)a:X", "a,b,a"}, "", {}, "X,b,a\n", "", 0},
      {"missing field", {"-t,", "-r", "(4)a:X", "a,b,c"}, "", {}, "a,b,c\n", "", 0},
      {"empty field", {"-t,", "-r", "(2)x:Y", "a,,c"}, "", {}, "a,,c\n", "", 0},
      {"start of a field", {"-t,", "-r", "(2)$^b:X", "a,b,b"}, "", {}, "a,X,b\n", "", 0},
      {"the saved rest stays behind", {"-t,", "-r", "(2)b:X", "-r", "a:Y", "a,b,c"}, "", {}, "Y,X,c\n",
       "", 0},
      {"brackets", {"-t,", "-b[]", "-r", "(2)c:X", "[a,b],c"}, "", {}, "[a,b],X\n", "", 0},
      {"an unclosed bracket", {"-t,", "-b[]", "-r", "(2)b:X", "[a,b"}, "", {}, "[a,X\n", "", 0},
      {"default quotes", {"-t,", "-b", "-r", "(2)b:X", "\"b,b\",b"}, "", {}, "\"b,b\",X\n", "", 0},
      {"tab separator", {"-t\\t", "-r", "(2)b:X", "b\tb"}, "", {}, "b\tX\n", "", 0},
      {"no separator: one field", {"-r", "(1)b:X", "a b"}, "", {}, "a X\n", "", 0},
      {"no separator: no field 2", {"-r", "(2)b:X", "a b"}, "", {}, "a b\n", "", 0},
  };
  for (const CliCase& c : cases) expect_cli(c);
}

TEST(ReplaceCli, ShiftJisLines) {
  // \x95\x5c ends in a backslash byte, \x83\x41 in 'A', \x82\x60 in '`'.
  const CliCase cases[] = {
      {"a character whose second byte is a backslash", {"-r", "\x95\x5c:X", "a\x95\x5c" "b"}, "", {},
       "aXb\n", "", 0},
      {"trail bytes are never matched", {"-r", "A:a", "\x83\x41" "A"}, "", {}, "\x83\x41" "a\n", "", 0},
      {"upper case keeps double-byte characters",
       {"-r", "$$:$u", "a\x82\x61" "b"}, "", {}, "A\x82\x61" "B\n", "", 0},
      {"lower case keeps double-byte characters", {"-r", "$$:$l", "A\x83\x41" "B"}, "", {},
       "a\x83\x41" "b\n", "", 0},
      {"? takes one byte and the match its character", {"-r", "?:X", "\x82\xa0\x82\xa0"}, "", {}, "XX\n",
       "", 0},
      {"separator as a second byte", {"-t@", "-r", "(2)b:X", "\x82@b@b"}, "", {}, "\x82@b@X\n", "", 0},
      {"whole word after a double-byte character", {"-r", "(cat):X", "\x82\xa0" "cat cat"}, "", {},
       "\x82\xa0" "cat X\n", "", 0},
      {"a double-byte <to>", {"-r", "x:\x95\x5c\x95\x5c", "axb"}, "", {}, "a\x95\x5c\x95\x5c" "b\n", "",
       0},
  };
  for (const CliCase& c : cases) expect_cli(c);
}

TEST(ReplaceCli, RuleFiles) {
  const CliCase cases[] = {
      {"rules from a file", {"-R", "rules", "a1b2"}, "", {{"rules", "$d:<$d>\n\n  \na:A\n"}}, "A<1>b<2>\n",
       "", 0},
      {"file and command line in order",
       {"-r", "a:b", "-R", "rules", "-r", "c:d", "abc"}, "", {{"rules", "b:c\n"}}, "ddd\n", "", 0},
      {"a rule file with a CRLF-free last line", {"-R", "rules", "abc"}, "", {{"rules", "b:X"}}, "aXc\n",
       "", 0},
      {"a Shift_JIS rule", {"-R", "rules", "a\x95\x5c" "b"}, "", {{"rules", "\x95\x5c:\x83\x41\n"}},
       "a\x83\x41" "b\n", "", 0},
      {"a bad rule in a file", {"-R", "rules", "-f", "in"}, "", {{"rules", "a:b\nnocolon\n"}, {"in", "ab\n"}},
       "", bad_replace("nocolon"), 1},
  };
  for (const CliCase& c : cases) expect_cli(c);
}

TEST(ReplaceCli, BadSpecifications) {
  const CliCase cases[] = {
      {"no colon", {"-r", "abc", "x"}, "", {}, "", bad_replace("abc"), 1},
      {"empty <from>", {"-r", ":x", "x"}, "", {}, "", bad_replace(":x"), 1},
      {"empty specification", {"-r", "", "x"}, "", {}, "", bad_replace(""), 1},
      {"leading comma", {"-r", ",a:b", "x"}, "", {}, "", bad_replace(",a:b"), 1},
      {"empty item", {"-r", "a:b,,c:d", "x"}, "", {}, "", bad_replace("a:b,,c:d"), 1},
      {"the whole specification is named", {"-r", "x:y,zz", "x"}, "", {}, "", bad_replace("x:y,zz"), 1},
      {"field number only", {"-r", "(2):b", "x"}, "", {}, "", bad_replace("(2):b"), 1},
      {"open group", {"-r", "(1x:y", "x"}, "", {}, "", bad_replace("(1x:y"), 1},
      {"field number 0", {"-r", "(0)a:b", "x"}, "", {}, "", bad_replace("(0)a"), 1},
      {"field number 00 after a good item", {"-r", "a:b,(00)a:b", "x"}, "", {}, "", bad_replace("(00)a"),
       1},
      {"bad $ once <from> matches", {"-r", "a:x$", "a"}, "", {}, "", illegal_to("x$"), 1},
      {"bad $^ in <to>", {"-r", "a:$^", "a"}, "", {}, "", illegal_to("$^"), 1},
      {"no input line, no message", {"-r", "abc"}, "", {}, "", "", 0},
      {"earlier lines stay printed",
       {"-r", "x:$z", "-f", "in"}, "", {{"in", "abc\nxyz\nlast\n"}}, "abc\n", illegal_to("$z"), 1},
      {"a bad specification at the first line",
       {"-r", "bad", "-f", "in"}, "", {{"in", "abc\nxyz\n"}}, "", bad_replace("bad"), 1},
  };
  for (const CliCase& c : cases) expect_cli(c);
}

TEST(ReplaceCli, LongTexts) {
  // A 4094-byte file line (4093 bytes and its newline) is edited whole.
  const std::string line(4093, 'a');
  expect_cli({"a 4094-byte line", {"-r", "a:bb", "-f", "in"}, "", {{"in", line + "\n"}},
              std::string(8186, 'b') + "\n", "", 0});

  // A 100 KB <string> operand.
  std::string big;
  for (int i = 0; i < 10240; ++i) big += "word 1234 ";
  std::string want;
  for (int i = 0; i < 10240; ++i) want += "WORD <1234> ";
  expect_cli({"a 100 KB string", {"-r", "$a:$u,$d:<$d>", big}, "", {}, want + "\n", "", 0});

  // A capture over 4096 bytes, inserted twice.
  const std::string digits(6000, '7');
  expect_cli({"a capture over 4096 bytes", {"-r", "$d:$d$d", "x" + digits + "y"}, "", {},
              "x" + digits + digits + "y\n", "", 0});

  // A <from> and <to> over 4096 bytes each.
  const std::string from(5000, 'f');
  const std::string to(7000, 't');
  expect_cli({"long <from> and <to>", {"-r", from + ":" + to, "<" + from + ">"}, "", {},
              "<" + to + ">\n", "", 0});

  // A long bad specification is shown as the message formatter shows it.
  const std::string spec(2000, 's');
  const CliResult r = run_quorl({"-r", spec, "x"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "\"" + spec.substr(0, 767) + "\": bad <replace>\n");
}

}  // namespace
}  // namespace quorl_test
