// The command line: arguments, input sources, line limits and their messages.
#include <string>

#include <gtest/gtest.h>

#include "cli/harness.h"

namespace quorl_test {
namespace {

const std::string kUsage =
    "Usage: quorl [-t<C>] [-b[<c1><c2>]] [-r <replace>] [-R <rfile>]\n"
    "             [-e <extract>] [{<string> | -f <file>}]\n";

std::string bad(const std::string& arg) { return "\"" + arg + "\": bad parameter\n"; }

// A line of n bytes, all 'L'.
std::string line_of(size_t n) { return std::string(n, 'L'); }

// What the too-long messages show of a line: its first 768 bytes.
std::string shown(const std::string& line) { return line.substr(0, 768); }

TEST(DriverCli, ArgumentsAndOperands) {
  const CliCase cases[] = {
      {"plain string", {"abc"}, "", {}, "abc\n", "", 0},
      {"-r alone is the string", {"-r"}, "", {}, "-r\n", "", 0},
      {"-R alone is the string", {"-R"}, "", {}, "-R\n", "", 0},
      {"-e alone is the string", {"-e"}, "", {}, "-e\n", "", 0},
      {"-bX alone is the string", {"-bX"}, "", {}, "-bX\n", "", 0},
      {"-b( as the last argument", {"-b("}, "", {}, "-b(\n", "", 0},
      {"option then string", {"-r", "zz:y", "abc"}, "", {}, "abc\n", "", 0},
      {"string before an option", {"abc", "-r", "x:y"}, "", {}, "", bad("abc"), 1},
      {"-f with two names", {"-f", "a", "b"}, "", {}, "", bad("-f"), 1},
      {"-f alone", {"-f"}, "", {}, "", kUsage, 1},
      {"-usage with more", {"-usage", "x"}, "", {}, "", bad("-usage"), 1},
      {"-usage later is a string", {"-t,", "-usage"}, "", {}, "-usage\n", "", 0},
      {"-b form of another length", {"-b(((", "x"}, "", {}, "", bad("-b((("), 1},
      {"-b of five bytes", {"-b((((", "x"}, "", {}, "", bad("-b(((("), 1},
      {"-r takes any next argument", {"-r", "-e", "abc"}, "", {}, "", "\"-e\": bad <replace>\n", 1},
      {"-t as the last argument is still an option", {"-t"}, "from stdin\n", {}, "from stdin\n", "", 0},
      {"options repeat", {"-t,", "-t;", "-b", "-b()", "-r", "q:r", "-r", "q:r", "z"}, "", {}, "z\n", "", 0},
      {"empty string argument", {""}, "", {}, "\n", "", 0},
  };
  for (const CliCase& c : cases) expect_cli(c);
}

TEST(DriverCli, StandardInput) {
  const CliCase cases[] = {
      {"only the first line is read", {"-r", "zz:y"}, "first\nsecond\n", {}, "first\n", "", 0},
      {"line without newline", {"-t,"}, "abc", {}, "abc\n", "", 0},
      {"empty first line", {"-t,"}, "\nmore\n", {}, "\n", "", 0},
      {"input ends before a byte", {"-t,"}, "", {}, "", "", 0},
      {"carriage return is kept", {"-t,"}, "a\r\n", {}, "a\r\n", "", 0},
  };
  for (const CliCase& c : cases) expect_cli(c);

  // One line is taken whole, however long.
  const std::string big(1 << 20, 'x');
  CliOptions o;
  o.in = big + "\nnext\n";
  CliResult r = run_quorl({"-t,"}, o);
  EXPECT_EQ(r.out, big + "\n");
  EXPECT_EQ(r.status, 0);
}

TEST(DriverCli, InputFile) {
  const CliCase cases[] = {
      {"every line, empty ones too", {"-f", "in"}, "", {{"in", "a\n\nb\n\n"}}, "a\n\nb\n\n", "", 0},
      {"no final newline", {"-f", "in"}, "", {{"in", "a\nb"}}, "a\nb\n", "", 0},
      {"empty file", {"-f", "in"}, "", {{"in", ""}}, "", "", 0},
      {"empty file never applies a bad rule", {"-r", "bad", "-f", "in"}, "", {{"in", ""}}, "", "", 0},
      {"CR LF and lone CR stay", {"-f", "in"}, "", {{"in", "a\r\nb\rc\n"}}, "a\r\nb\rc\n", "", 0},
      {"missing file, no newline in message", {"-f", "nofile"}, "", {}, "", "nofile: not found", 1},
      {"directory is not a file", {"-f", "."}, "", {}, "", ".: not found", 1},
      {"read error is reported", {"-f", "/proc/self/mem"}, "", {}, "", "/proc/self/mem: reading error\n", 1},
      {"-f may come after options", {"-r", "zz:y", "-t,", "-f", "in"}, "", {{"in", "q\n"}}, "q\n", "", 0},
      {"stdin is not read with -f", {"-f", "in"}, "stdin\n", {{"in", "file\n"}}, "file\n", "", 0},
  };
  for (const CliCase& c : cases) expect_cli(c);
}

TEST(DriverCli, BinaryBytesPassThrough) {
  std::string bytes;
  for (int c = 1; c < 256; ++c)
    if (c != '\n') bytes += static_cast<char>(c);
  expect_cli({"all bytes but NUL and newline", {"-f", "in"}, "", {{"in", bytes + "\n" + bytes}},
              bytes + "\n" + bytes + "\n", "", 0});
  // A line is text up to its first NUL byte.
  expect_cli({"NUL ends the text of a line", {"-f", "in"}, "", {{"in", std::string("a\0b\nc\n", 6)}},
              "a\nc\n", "", 0});
  // A lead byte as the last byte of a line and of the file.
  expect_cli({"lead byte at line and file end", {"-f", "in"}, "", {{"in", "a\x82\n\x81"}},
              "a\x82\n\x81\n", "", 0});
}

TEST(DriverCli, LineLimits) {
  const std::string ok = line_of(4093);
  const std::string too_long = line_of(4094);
  const CliCase cases[] = {
      {"4093 bytes and newline accepted", {"-f", "in"}, "", {{"in", ok + "\n"}}, ok + "\n", "", 0},
      {"4094 bytes and newline rejected after earlier lines", {"-f", "in"}, "",
       {{"in", "before\n" + too_long + "\nafter\n"}}, "before\n",
       shown(too_long) + " \nError: too long line found!\n", 1},
      {"last line of 4094 bytes without newline accepted", {"-f", "in"}, "", {{"in", too_long}},
       too_long + "\n", "", 0},
      {"last line of 4095 bytes without newline rejected", {"-f", "in"}, "", {{"in", line_of(4095)}}, "",
       shown(line_of(4095)) + " \nError: too long line found!\n", 1},
      {"very long line rejected", {"-f", "in"}, "", {{"in", line_of(100000) + "\n"}}, "",
       shown(line_of(4095)) + " \nError: too long line found!\n", 1},
  };
  for (const CliCase& c : cases) expect_cli(c);
}

TEST(DriverCli, RuleFiles) {
  const std::string rule_ok = std::string(4091, 'Q') + ":x";  // 4093 bytes
  const std::string rule_long = std::string(4092, 'Q') + ":x";
  const CliCase cases[] = {
      {"blank lines add nothing", {"-R", "r", "abc"}, "", {{"r", "\n \t\f\n\n"}}, "abc\n", "", 0},
      {"missing rule file", {"-R", "none", "abc"}, "", {}, "", "none: not found\n", 1},
      {"directory as rule file", {"-R", ".", "abc"}, "", {}, "", ".: not found\n", 1},
      {"rule file read at once, before the operand is checked", {"-R", "none", "-f"}, "", {}, "",
       "none: not found\n", 1},
      {"rule line of 4093 bytes accepted", {"-R", "r", "abc"}, "", {{"r", rule_ok + "\n"}}, "abc\n", "", 0},
      {"rule line of 4094 bytes rejected", {"-R", "r", "abc"}, "", {{"r", "a:b\n" + rule_long + "\n"}}, "",
       shown(rule_long) + " \nError: too long line found in r!\n", 1},
  };
  for (const CliCase& c : cases) expect_cli(c);
}

// Rules apply in the order collected, each text once; settings reach the
// field selection of the rules.
TEST(DriverCli, OptionsReachTheEditing) {
  std::string many;  // rules that match nothing here
  for (int k = 0; k < 300; ++k) many += "z" + std::to_string(k) + ":y\n";
  const CliCase cases[] = {
      {"rules apply in argument order", {"-r", "a:b", "-r", "b:c", "a"}, "", {}, "c\n", "", 0},
      {"reversed order", {"-r", "b:c", "-r", "a:b", "a"}, "", {}, "b\n", "", 0},
      {"a repeated rule applies once, at its first place",
       {"-r", "a:ab", "-r", "b:c", "-r", "a:ab", "a"}, "", {}, "ac\n", "", 0},
      {"rule file enters the list at its -R", {"-r", "a:b", "-R", "r", "-r", "c:d", "a"}, "",
       {{"r", "b:c\n"}}, "d\n", "", 0},
      {"rule file lines in file order", {"-R", "r", "a"}, "", {{"r", "a:b\n\nb:c\n"}}, "c\n", "", 0},
      {"rule repeated across -r and -R applies once", {"-r", "a:aa", "-R", "r", "a"}, "",
       {{"r", "a:aa\n"}}, "aa\n", "", 0},
      {"a rule repeated among many applies once, at its first place", {"-r", "a:ab", "-R", "r", "-r", "a:ab", "a"},
       "", {{"r", many + "b:c\n" + many + "a:ab\n"}}, "ac\n", "", 0},
      {"leading blank belongs to the rule", {"-R", "r", "x a"}, "", {{"r", " a:b\na:c\n"}}, "xb\n", "", 0},
      {"CR in a rule line is part of it", {"-R", "r", "a"}, "", {{"r", "a:b\r\n"}}, "b\r\n", "", 0},
      {"-t, selects comma fields", {"-t,", "-r", "(2)a:X", "a,a,a"}, "", {}, "a,X,a\n", "", 0},
      {"last -t counts", {"-t,", "-t;", "-r", "(2)a:X", "a,a;a"}, "", {}, "a,a;X\n", "", 0},
      {"-t alone restores the default", {"-t,", "-t", "-r", "(2)a:X", "a,a"}, "", {}, "a,a\n", "", 0},
      {"only the third byte counts", {"-t,xyz", "-r", "(2)a:X", "a,a"}, "", {}, "a,X\n", "", 0},
      {"-t\\t is the tab", {"-t\\t", "-r", "(2)a:X", "a\ta"}, "", {}, "a\tX\n", "", 0},
      {"-t\\ alone is the backslash", {"-t\\", "-r", "(2)a:X", "a\\a\ta"}, "", {}, "a\\X\tX\n", "", 0},
      {"a real tab byte is the tab", {"-t\t", "-r", "(2)a:X", "a\ta"}, "", {}, "a\tX\n", "", 0},
      {"-b keeps quoted commas", {"-b", "-t,", "-r", "(2)a:X", "\"a,a\",a"}, "", {}, "\"a,a\",X\n", "", 0},
      {"-b() brackets", {"-b()", "-t,", "-r", "(2)a:X", "(a,a),a"}, "", {}, "(a,a),X\n", "", 0},
      {"bad rule ends the run at the first line", {"-r", "bad", "-f", "in"}, "", {{"in", "x\ny\n"}}, "",
       "\"bad\": bad <replace>\n", 1},
  };
  for (const CliCase& c : cases) expect_cli(c);
}

TEST(DriverCli, OutputThatCannotBeWrittenIsAFailure) {
  CliOptions o;
  o.stdout_path = "/dev/full";
  CliResult r = run_quorl({"abc"}, o);
  EXPECT_EQ(r.err, "stdout: writing error\n");
  EXPECT_EQ(r.status, 1);

  r = run_quorl({"-usage"}, o);
  EXPECT_EQ(r.err, "stdout: writing error\n");
  EXPECT_EQ(r.status, 1);
}

}  // namespace
}  // namespace quorl_test
