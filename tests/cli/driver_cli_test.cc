// The command line: arguments, input sources, line limits and their messages.
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include <unistd.h>

#include "cli/harness.h"

namespace quorl_test {
namespace {

const std::string kUsage =
    "Usage: quorl [-t<C>] [-b[<c1><c2>]] [-r <replace>] [-R <rfile>]\n"
    "             [-e <extract>] [{<string> | -f <file>}]\n";

std::string bad(const std::string& arg) { return "\"" + arg + "\": bad parameter\n"; }

std::string bad_long(const std::string& arg) { return bad(arg) + "Try 'quorl --help'.\n"; }

std::string unknown_encoding(const std::string& name) {
  return "\"" + name + "\": unknown encoding; use one of sjis, shift_jis, shift-jis, cp932, ms932, windows-31j, "
         "utf-8, utf8, utf_8, euc-jp, eucjp, ujis, bytes\n";
}

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
      {"--help with more", {"--help", "x"}, "", {}, "", bad_long("--help"), 1},
      {"--help later is no option", {"-t,", "--help"}, "", {}, "", bad_long("--help"), 1},
      {"--version later is no option", {"-t,", "--version"}, "", {}, "", bad_long("--version"), 1},
  };
  for (const CliCase& c : cases) expect_cli(c);
}

TEST(DriverCli, StandardInput) {
  const CliCase cases[] = {
      {"every line is read", {"-r", "s:S"}, "first\nsecond\n", {}, "firSt\nSecond\n", "", 0},
      {"line without newline", {"-t,"}, "abc", {}, "abc\n", "", 0},
      {"last line without newline", {"-r", "a:b"}, "a\na\na", {}, "b\nb\nb\n", "", 0},
      {"empty first line", {"-t,"}, "\nmore\n", {}, "\nmore\n", "", 0},
      {"input ends before a byte", {"-t,"}, "", {}, "", "", 0},
      {"carriage return is kept", {"-t,"}, "a\r\n", {}, "a\r\n", "", 0},
      {"-f - is standard input", {"-r", "a:b", "-f", "-"}, "a\nxa", {}, "b\nxb\n", "", 0},
      {"-f - with no input", {"-r", "bad", "-f", "-"}, "", {}, "", "", 0},
      {"a bad rule after no line", {"-r", "bad"}, "", {}, "", "", 0},
      {"a bad rule at the first line", {"-r", "bad"}, "x\ny\n", {}, "", "\"bad\": bad <replace>\n", 1},
      {"lines past the file limit", {"-r", "a:b"}, std::string(5000, 'a') + "\na\n", {},
       std::string(5000, 'b') + "\nb\n", "", 0},
  };
  for (const CliCase& c : cases) expect_cli(c);

  // Lines are taken whole, however long.
  const std::string big(1 << 20, 'x');
  CliOptions o;
  o.in = big + "\nnext\n" + big;
  CliResult r = run_quorl({"-t,"}, o);
  EXPECT_TRUE(r.out == big + "\nnext\n" + big + "\n") << r.out.size() << " bytes";
  EXPECT_EQ(r.status, 0);
}

// Long options stand where an option may, also last, never as the value of an
// option; "--" ends the options, and the one argument after it is the <string>.
TEST(DriverCli, LongOptionsAndTheEndOfOptions) {
  const CliCase cases[] = {
      {"long option as the last argument", {"-r", "a:b", "abc", "--crlf"}, "", {}, "bbc\n", "", 0},
      {"long option first", {"--crlf", "-r", "a:b", "abc"}, "", {}, "bbc\n", "", 0},
      {"long options after -f <file>", {"-e", "[$1]", "-f", "in", "--crlf", "--jobs", "2"}, "", {{"in", "a\r\n"}}, "[a]\r\n", "", 0},
      // An option's value, whatever it looks like (was: taken for an option).
      {"-e takes --", {"-e", "--", "a b"}, "", {}, "--\n", "", 0},
      {"-R takes --", {"-R", "--", "x"}, "", {{"--", "x:y\n"}}, "y\n", "", 0},
      {"-f takes --", {"-r", "a:b", "-f", "--"}, "", {{"--", "a\n"}}, "b\n", "", 0},
      {"-r takes --diff", {"-r", "--diff:D", "x--diff"}, "", {}, "xD\n", "", 0},
      {"-f takes a long option", {"-f", "--crlf", "in"}, "", {{"in", "a\r\n"}}, "", bad("-f"), 1},
      {"-r takes a long option, then no operand is last", {"-r", "--crlf", "a:b", "a"}, "", {}, "", bad("a:b"), 1},
      {"--encoding takes an option", {"--encoding", "-r", "a"}, "", {}, "", unknown_encoding("-r"), 1},
      {"string after --", {"-r", "a:b", "--", "-abc"}, "", {}, "-bbc\n", "", 0},
      {"-f after -- is the string", {"--", "-f"}, "", {}, "-f\n", "", 0},
      {"a long option after -- is the string", {"--", "--diff"}, "", {}, "--diff\n", "", 0},
      {"nothing after --: standard input", {"-r", "a:b", "--"}, "a\na\n", {}, "b\nb\n", "", 0},
      {"two after --", {"--", "x", "y"}, "", {}, "", bad("y"), 1},
      {"an operand before --", {"x", "--", "y"}, "", {}, "", bad("x"), 1},
      {"-f before --", {"-f", "in", "--", "y"}, "", {}, "", bad("-f"), 1},
      {"an operand before options", {"x", "--crlf", "-r", "a:b"}, "", {}, "", bad("x"), 1},
      // Unknown long options, and values where they do not belong.
      {"an unknown long option alone", {"--bogus"}, "", {}, "", bad_long("--bogus"), 1},
      {"a misspelt long option", {"--in-plase", "-r", "a:b", "-f", "f"}, "", {{"f", "a\n"}}, "", bad_long("--in-plase"), 1},
      {"an unknown long option last", {"-r", "a:b", "x", "--bogus=1"}, "", {}, "", bad_long("--bogus=1"), 1},
      {"no abbreviations", {"--enc=utf-8", "x"}, "", {}, "", bad_long("--enc=utf-8"), 1},
      {"a value where none is taken", {"--crlf=yes"}, "", {}, "", bad_long("--crlf=yes"), 1},
      {"no value at the end", {"x", "--encoding"}, "", {}, "", bad_long("--encoding"), 1},
      {"a separate --jobs value that is no count", {"--jobs", "0", "x"}, "", {}, "", bad_long("0"), 1},
      {"--in-place takes no separate suffix", {"--in-place", ".bak", "-f", "f"}, "", {}, "", bad(".bak"), 1},
      {"no letter after --: an argument", {"--1"}, "", {}, "--1\n", "", 0},
      // A fault under --diff: the diff of the lines before it, without the
      // line whose edit never came.
      {"a bad rule under --diff", {"-r", ",a:b", "x", "--diff"}, "", {}, "", "\",a:b\": bad <replace>\n", 1},
      {"a bad <to> under --diff", {"--diff", "-r", "b:B", "-r", "c:$z", "-f", "in"}, "", {{"in", "a\nb\nc\n"}},
       "--- in\n+++ in\n@@ -1,2 +1,2 @@\n a\n-b\n+B\n", "illegal \"-r <replace>\" parameter: $z\n", 1},
  };
  for (const CliCase& c : cases) expect_cli(c);
}

// --encoding and --check. Texts in UTF-8 are written as escapes: あ, い, う,
// and 、 (a separator of three bytes) and 「」 (brackets of three each).
TEST(DriverCli, Encodings) {
  const std::string a = "\xe3\x81\x82", i = "\xe3\x81\x84", u = "\xe3\x81\x86";
  const std::string comma = "\xe3\x80\x81", open = "\xe3\x80\x8c", close = "\xe3\x80\x8d";
  const CliCase cases[] = {
      {"a field after UTF-8 text", {"--encoding=utf-8", "-t,", "-e", "$2", "-f", "in"}, "",
       {{"in", a + "," + i + "," + u + "\n"}}, i + "\n", "", 0},
      {"a field number in UTF-8", {"--encoding=UTF8", "-r", "(2)" + i + ":X", "-t,", a + "," + i}, "", {},
       a + ",X\n", "", 0},
      {"a multibyte separator", {"--encoding=utf-8", "-t" + comma, "-e", "$3$1", "x" + comma + "y" + comma + "z"},
       "", {}, "zx\n", "", 0},
      {"multibyte brackets", {"--encoding=utf-8", "-t,", "-b" + open + close, "-r", "(2)c:C", open + "a,b" + close + ",c"},
       "", {}, open + "a,b" + close + ",C\n", "", 0},
      {"? takes a UTF-8 character", {"--encoding=utf-8", "-r", "?:<$$>", a + "b"}, "", {}, "<" + a + "><b>\n", "", 0},
      {"an EUC-JP character, not the bytes across two", {"--encoding=euc-jp", "-r", "\xa4\xa2:X",
       "\xa2\xa4\xa2\xa4\xa4\xa2"}, "", {}, "\xa2\xa4\xa2\xa4X\n", "", 0},
      {"bytes", {"--encoding=bytes", "-r", "\x83:X", "\x83\x65"}, "", {}, "X\x65\n", "", 0},
      {"an unknown encoding edits nothing", {"--encoding=latin1", "-r", "a:b", "a"}, "", {}, "", unknown_encoding("latin1"), 1},
      {"no name is unknown too", {"--encoding=", "a"}, "", {}, "", unknown_encoding(""), 1},
      {"check: clean UTF-8", {"--encoding=utf-8", "--check", a + i}, "", {}, "", "", 0},
      {"check: a file, each fault", {"--encoding=utf-8", "--check", "-f", "in"}, "",
       {{"in", "ok\n\xe3\x81 x\xc0\x80\n" + a + "\xe3"}}, "",
       "in:2:1: invalid utf-8 sequence 0xE381\nin:2:5: invalid utf-8 sequence 0xC0\nin:2:6: invalid utf-8 "
       "sequence 0x80\nin:3:4: invalid utf-8 sequence 0xE3\n", 1},
      {"check: Shift_JIS from standard input", {"--check"}, "\x83\x65\x81\x20\xa0\n\x83", {}, "",
       "-:1:3: invalid sjis sequence 0x81\n-:1:5: invalid sjis sequence 0xA0\n-:2:1: invalid sjis sequence 0x83\n", 1},
      {"check: the string", {"--encoding=euc-jp", "--check", "\x8f\xa1"}, "", {}, "",
       "<string>:1:1: invalid euc-jp sequence 0x8FA1\n", 1},
  };
  for (const CliCase& c : cases) expect_cli(c);
  // Each name, in any case, attached or next: "?" cuts the bytes as each encoding does.
  const std::string text = "\xe3\x81\x82\xa4\xa2";
  const std::string sjis = "<\xe3\x81><\x82\xa4><\xa2>\n", utf8 = "<\xe3\x81\x82><\xa4><\xa2>\n";
  const std::string eucjp = "<\xe3><\x81><\x82><\xa4\xa2>\n", bytes = "<\xe3><\x81><\x82><\xa4><\xa2>\n";
  const std::pair<const char*, const std::string*> names[] = {{"SJIS", &sjis}, {"Shift_JIS", &sjis},
      {"shift-jis", &sjis}, {"CP932", &sjis}, {"ms932", &sjis}, {"Windows-31J", &sjis}, {"UTF-8", &utf8}, {"utf8", &utf8},
      {"utf_8", &utf8}, {"EUC-JP", &eucjp}, {"eucJP", &eucjp}, {"UJIS", &eucjp}, {"Bytes", &bytes}};
  for (const auto& [name, out] : names) {
    expect_cli({name, {"--encoding=" + std::string(name), "-r", "?:<$$>", text}, "", {}, *out, "", 0});
    expect_cli({name, {"-r", "?:<$$>", "--encoding", name, "-f", "-"}, text, {}, *out, "", 0});
  }
  // The environment gives the default; the option wins.
  setenv("QUORL_ENCODING", "utf-8", 1);
  expect_cli({"from the environment", {"-r", "?:<$$>", a}, "", {}, "<" + a + ">\n", "", 0});
  expect_cli({"the option wins", {"--encoding=bytes", "-r", "?:<$$>", a}, "", {},
              "<\xe3><\x81><\x82>\n", "", 0});
  setenv("QUORL_ENCODING", "nope", 1);
  expect_cli({"an unknown default", {"x"}, "", {}, "", unknown_encoding("nope"), 1});
  unsetenv("QUORL_ENCODING");
}

// --encoding=auto: each input edited in the encoding guessed for it, with
// the rules typed in the locale's (here UTF-8) converted to it.
TEST(DriverCli, GuessedEncodings) {
  const std::string tokyo8 = "\xe6\x9d\xb1\xe4\xba\xac", osaka8 = "\xe5\xa4\xa7\xe9\x98\xaa";
  const std::string tokyo_s = "\x93\x8c\x8b\x9e", osaka_s = "\x91\xe5\x8d\xe3";
  const std::string tokyo_e = "\xc5\xec\xb5\xfe", osaka_e = "\xc2\xe7\xba\xe5";
  const std::string a8 = "\xe3\x81\x82", a_s = "\x82\xa0", a_e = "\xa4\xa2", bom = "\xef\xbb\xbf";
  const std::string rule = tokyo8 + ":" + osaka8, comma8 = "\xe3\x80\x81", comma_s = "\x81\x41";
  setenv("LC_ALL", "C.UTF-8", 1);
  const CliCase cases[] = {
      {"UTF-8 from standard input", {"--encoding=auto", "-r", rule}, a8 + tokyo8 + "\n", {}, a8 + osaka8 + "\n", "", 0},
      {"a Shift_JIS file", {"--encoding=auto", "-r", rule, "-f", "in"}, "", {{"in", a_s + tokyo_s + "\n"}},
       a_s + osaka_s + "\n", "", 0},
      {"an EUC-JP file", {"--encoding=auto", "-r", rule, "-f", "in"}, "", {{"in", a_e + tokyo_e + "\n"}},
       a_e + osaka_e + "\n", "", 0},
      {"each file in its own", {"--encoding=auto", "-r", rule, "-f", "s", "-f", "u"}, "",
       {{"s", tokyo_s + a_s + "\n"}, {"u", bom + tokyo8 + a8 + "\n"}}, osaka_s + a_s + "\n" + bom + osaka8 + a8 + "\n", "", 0},
      {"the string", {"--encoding=auto", "-r", rule, a_s + tokyo_s}, "", {}, a_s + osaka_s + "\n", "", 0},
      {"a separator typed in UTF-8", {"--encoding=auto", "-t" + comma8, "-e", "$2", "-f", "in"}, "",
       {{"in", a_s + comma_s + tokyo_s + "\n"}}, tokyo_s + "\n", "", 0},
      {"a rule file in its own encoding", {"--encoding=auto", "-R", "rules", "-f", "in"}, "",
       {{"rules", tokyo_e + ":" + osaka_e + "\n"}, {"in", a8 + tokyo8 + "\n"}}, a8 + osaka8 + "\n", "", 0},
      {"ASCII is edited as typed", {"--encoding=auto", "-r", "?:<$$>", "ab"}, "", {}, "<a><b>\n", "", 0},
      {"a rule the input's encoding cannot hold", {"--encoding=auto", "-r", "\xf0\x9f\x98\x80:x", a_s}, "", {}, "",
       "\"\xf0\x9f\x98\x80:x\": cannot be converted from UTF-8 to sjis\n", 1},
      {"rules typed in EUC-JP, a fixed input", {"--encoding=sjis", "--rules-encoding=euc-jp", "-r",
       tokyo_e + ":" + osaka_e, tokyo_s}, "", {}, osaka_s + "\n", "", 0},
  };
  for (const CliCase& c : cases) expect_cli(c);
  setenv("QUORL_ENCODING", "auto", 1);
  expect_cli({"auto from the environment", {"-r", rule}, tokyo8 + "\n", {}, osaka8 + "\n", "", 0});
  unsetenv("QUORL_ENCODING");
  unsetenv("LC_ALL");
}

// --to converts what is written; --rules-encoding the rule texts typed.
// Shift_JIS: \x82\xa0 is あ, \x87\x40 is ① (code page 932 only), \xb1 is ｱ.
TEST(DriverCli, Transcoding) {
  const std::string a8 = "\xe3\x81\x82", circled8 = "\xe2\x91\xa0", ka8 = "\xe3\x81\x8b";
  const Files sjis_in = {{"in", "x\x82\xa0\n\x87\x40\xb1\n"}};
  const CliCase cases[] = {
      {"to UTF-8", {"--to=utf-8", "-f", "in"}, "", sjis_in, "x" + a8 + "\n" + circled8 + "\xef\xbd\xb1\n", "", 0},
      {"to EUC-JP, extensions kept", {"--to", "EUC-JP", "-f", "in"}, "", sjis_in, "x\xa4\xa2\n\xad\xa1\x8e\xb1\n", "", 0},
      {"after the edit", {"-r", "x:\x82\xa2", "--to=utf-8", "x"}, "", {}, "\xe3\x81\x84\n", "", 0},
      {"from UTF-8 back", {"--encoding=utf-8", "--to=sjis", a8 + circled8}, "", {}, "\x82\xa0\x87\x40\n", "", 0},
      {"standard input", {"--to=utf-8"}, "\x82\xa0", {}, a8 + "\n", "", 0},
      {"a character the target cannot hold", {"--to=iso-8859-1", "-f", "in"}, "", {{"in", "ok\nab\x82\xa0\n"}},
       "ok\nab", "in:2:3: character 0x82A0 cannot be converted to iso-8859-1\n", 1},
      {"... named on standard input", {"--to=iso-8859-1"}, "ab\x87\x40\n", {}, "ab",
       "-:1:3: character 0x8740 cannot be converted to iso-8859-1\n", 1},
      {"... in the string", {"--encoding=utf-8", "--to=sjis", "\xc3\xa9"}, "", {}, "",
       "<string>:1:1: character 0xC3A9 cannot be converted to sjis\n", 1},
      {"an invalid sequence", {"--to=utf-8", "-f", "in"}, "", {{"in", "a\x80" "b\n"}}, "a",
       "in:1:2: invalid sjis sequence 0x80\n", 1},
      {"//TRANSLIT writes a stand-in", {"--to=ascii//TRANSLIT", "a\x82\xa0"}, "", {}, "a?\n", "", 0},
      {"another suffix", {"--to=utf-8//IGNORE", "a"}, "", {}, "", "\"utf-8//IGNORE\": unknown encoding\n", 1},
      {"an unknown target", {"--to=nope", "a"}, "", {}, "", "\"nope\": unknown encoding\n", 1},
      {"not with --diff", {"--diff", "--to=utf-8", "a"}, "", {}, "", "\"--to\": not with --diff\n", 1},
      {"not from bytes", {"--encoding=bytes", "--to=utf-8", "a"}, "", {}, "",
       "\"--to=utf-8\": the input's encoding is needed, not bytes\n", 1},
      {"rules typed in UTF-8", {"--rules-encoding=utf-8", "-r", a8 + ":" + ka8, "-t" + std::string("\xe3\x80\x81"),
       "-e", "$2", "-f", "in"}, "", {{"in", "z\x81\x41\x82\xa0\n"}}, "\x82\xa9\n", "", 0},
      {"a rule file stays as it is", {"--rules-encoding=utf-8", "-R", "r", "-f", "in"}, "",
       {{"r", "\x82\xa0:X\n"}, {"in", "\x82\xa0\n"}}, "X\n", "", 0},
      {"a rule that cannot be converted", {"--rules-encoding=utf-8", "-r", "\xc3\xa9:e", "x"}, "", {}, "",
       "\"\xc3\xa9:e\": cannot be converted from utf-8 to sjis\n", 1},
      {"an unknown rules encoding", {"--rules-encoding=nope", "-r", "a:b", "x"}, "", {}, "",
       "\"nope\": unknown encoding\n", 1},
  };
  for (const CliCase& c : cases) expect_cli(c);
}

// UTF-8 text edited as sed and awk edit it in the C.UTF-8 locale, where the
// two mean the same: a literal replacement, a -t field, -e field picking.
TEST(DriverCli, Utf8AsSedAndAwkSeeIt) {
  const std::vector<std::string> words = {"the", "cat", "\xe3\x81\x82\xe3\x81\x84", "\xe6\x9d\xb1\xe4\xba\xac",
                                          "\xe8\xa1\xa8", "x\xe3\x82\xbd", "\xc3\xa9t\xc3\xa9", "42"};
  std::mt19937 rng(3629);
  // The name is the process's own: another run of the suite may share the folder.
  const std::string path = ::testing::TempDir() + "quorl-utf8-" + std::to_string(getpid()) + ".txt";
  // shell: what a command prints, the input file as its standard input.
  auto shell = [&](const std::string& cmd) {
    std::string out;
    FILE* p = popen(("LC_ALL=C.UTF-8 " + cmd + " < " + path).c_str(), "r");
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    pclose(p);
    return out;
  };
  for (int round = 0; round < 20; ++round) {
    std::string text;
    for (int l = 0; l < 200; ++l) {
      text += words[rng() % words.size()];  // a first field that is never empty
      for (int w = static_cast<int>(rng() % 6); w > 0; --w) text += (rng() % 2 ? "," : " ") + words[rng() % words.size()];
      text += "\n";
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    const std::string from = words[rng() % words.size()], to = words[rng() % words.size()];
    CliOptions opts;
    opts.in = text;
    SCOPED_TRACE(from + " -> " + to);
    EXPECT_EQ(run_quorl({"--encoding=utf-8", "-r", from + ":" + to}, opts).out,
              shell("sed 's/" + from + "/" + to + "/g'"));
    EXPECT_EQ(run_quorl({"--encoding=utf-8", "-t,", "-r", "(2)" + from + ":" + to}, opts).out,
              shell("awk -F, -v OFS=, 'NF >= 2 { gsub(/" + from + "/, \"" + to + "\", $2) } 1'"));
    EXPECT_EQ(run_quorl({"--encoding=utf-8", "-t,", "-e", "$2:$1"}, opts).out,
              shell("awk -F, '{ print $2 \":\" $1 }'"));
    EXPECT_EQ(run_quorl({"--encoding=utf-8", "-e", "$2 $1"}, opts).out, shell("awk '{ print $2, $1 }'"));
  }
  std::remove(path.c_str());
}

// --jobs: a large file edited on several threads prints, reports and ends
// exactly as on one, faults included (a bad rule, a bad <to> at a late
// match, a line too long, NUL bytes, a last line without its newline).
TEST(DriverCli, JobsChangeNothing) {
  const char* const specs[] = {"the:[THE]", "$d:<$d>", "(the):X,$a$s:$u_", "q$d:$$,z:[$d]",
                               "(2)$a:$l", "a:b,c", "zq:$z", "\x83\x65:T,?:<$$>"};
  const char* const templates[] = {"", "$3-$1", "$$|$*"};
  std::mt19937 rng(16);
  for (int round = 0; round < 24; ++round) {
    std::string text;
    while (text.size() < (1u << 20) + rng() % (1u << 21)) {
      switch (rng() % 40) {
        case 0: text += "zq" + std::to_string(rng() % 9) + "\n"; break;
        case 1: text += std::string(1, '\0') + "nul\n"; break;
        case 2: text += "\x83\x65\x83,q7 z\n"; break;
        default: text += "the 12 cat,and 3" + std::string(rng() % 90, 'e') + ",q4\n"; break;
      }
    }
    if (rng() % 4 == 0) text.insert(text.size() - rng() % 300000 - 1, std::string(5000, 'L'));
    if (rng() % 2 == 0) text.pop_back();
    std::vector<std::string> args = {"-t,", "-r", specs[rng() % 8]};
    if (rng() % 2 == 0) args.insert(args.end(), {"-r", specs[rng() % 8]});
    if (const char* t = templates[rng() % 3]; *t != '\0') args.insert(args.end(), {"-e", t});
    args.insert(args.end(), {"-f", "in"});
    SCOPED_TRACE(args[2] + (args.size() > 5 ? " " + args[4] : ""));
    CliOptions opts;
    opts.files = {{"in", text}};
    std::vector<std::string> one = args, four = args;
    one.push_back("--jobs=1");
    four.push_back("--jobs=4");
    // The same file through a pipe, read ahead on a thread of its own
    // (not on Windows, which has no /dev/stdin).
    std::vector<std::string> piped = args;
    piped.back() = "/dev/stdin";
    CliOptions pipe_opts;
    pipe_opts.in = text;
    const CliResult a = run_quorl(one, opts);
    std::vector<CliResult> others = {run_quorl(four, opts)};
    if (!windows_target()) others.push_back(run_quorl(piped, pipe_opts));
    for (const CliResult& b : others) {
      EXPECT_EQ(a.status, b.status);
      EXPECT_EQ(a.err, b.err);
      EXPECT_TRUE(a.out == b.out) << a.out.size() << " bytes against " << b.out.size();
    }
  }
}

// --crlf: a CR before a newline, or at the very end, belongs to the line
// ending: off the text while editing, back on the output line.
TEST(DriverCli, CrLfLineEnds) {
  const CliCase cases[] = {
      {"fields of a CR LF file", {"--crlf", "-t,", "-e", "$3,$1", "-f", "in"}, "",
       {{"in", "a,b,c\r\nd,e,f\r\n"}}, "c,a\r\nf,d\r\n", "", 0},
      {"each line ends as it did", {"--crlf", "-r", "$a:<$a>", "-f", "in"}, "",
       {{"in", "a\r\nb\nc\r"}}, "<a>\r\n<b>\n<c>\r\n", "", 0},
      {"a CR inside the line stays text", {"--crlf", "-r", "\r:|", "-f", "in"}, "",
       {{"in", "a\rb\r\n\r\r\n"}}, "a|b\r\n|\r\n", "", 0},
      {"the last field ends before the CR", {"--crlf", "-e", "[$2]", "-f", "in"}, "",
       {{"in", "a b\r\n"}}, "[b]\r\n", "", 0},
      {"standard input", {"--crlf", "-t,", "-e", "$2"}, "a,b\r\nc,d\r\n", {}, "b\r\nd\r\n", "", 0},
      {"a rule file saved with CR LF", {"--crlf", "-R", "r", "abc"}, "", {{"r", "a:x\r\nc:y\r\n"}},
       "xby\n", "", 0},
      {"without --crlf a CR is a byte", {"-t,", "-e", "$3,$1", "-f", "in"}, "",
       {{"in", "a,b,c\r\n"}}, "c\r,a\n", "", 0},
  };
  for (const CliCase& c : cases) expect_cli(c);
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
      {"-f A B stays one bad parameter", {"-f", "a", "b"}, "", {{"a", "1\n"}, {"b", "2\n"}}, "", bad("-f"), 1},
      {"several files in order, long options between", {"-r", "1:X", "-f", "a", "--crlf", "-f", "b", "-f", "-"},
       "3\n", {{"a", "1\r\n"}, {"b", "21"}}, "X\r\n2X\n3\n", "", 0},
      {"a missing middle file is skipped", {"-r", "1:X", "-f", "a", "-f", "no", "-f", "b"}, "",
       {{"a", "1\n"}, {"b", "1\n"}}, "X\nX\n", "no: not found\n", 1},
      {"--files takes every argument after it", {"-r", "1:X", "-f", "a", "--files", "b", "-f"}, "",
       {{"a", "1\n"}, {"b", "1\n"}}, "X\nX\n", "-f: not found\n", 1},
      {"--files without a file", {"-r", "1:X", "--files"}, "", {}, "", bad_long("--files"), 1},
      {"captures carry over to the next file", {"-r", "n$d:N,x:<$d>", "-f", "a", "-f", "b"}, "",
       {{"a", "n5\n"}, {"b", "x\n"}}, "N\n<5>\n", "", 0},
      {"a rule fault ends the run in its file", {"-r", "q:$", "-f", "a", "-f", "b", "-f", "c"}, "",
       {{"a", "1\n"}, {"b", "2\nq\n3\n"}, {"c", "4\n"}}, "1\n2\n", "illegal \"-r <replace>\" parameter: $\n", 1},
      {"one diff per file", {"--diff", "-r", "1:X", "-f", "a", "-f", "b"}, "", {{"a", "1\n"}, {"b", "21\n"}},
       "--- a\n+++ a\n@@ -1 +1 @@\n-1\n+X\n--- b\n+++ b\n@@ -1 +1 @@\n-21\n+2X\n", "", 0},
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

  for (const char* request : {"-usage", "--help", "--version"}) {
    r = run_quorl({request}, o);
    EXPECT_EQ(r.err, "stdout: writing error\n") << request;
    EXPECT_EQ(r.status, 1) << request;
  }
}

}  // namespace
}  // namespace quorl_test
