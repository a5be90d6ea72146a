#include <cstdio>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "cli/harness.h"
#include "driver/help.h"

namespace {

// Each help line: its leading blanks, its length in code page 932 bytes, and
// what it reads (UTF-8, with the quoting of a C string).
struct HelpLine {
  int blanks;
  int bytes;
  const char* text;
};

const HelpLine kHelp[] = {
    {0, 24, "文字列の編集を行います。"},
    {1, 1, " "},
    {0, 63, "Usage: quorl [-t<C>] [-b[<c1><c2>]] [-r <replace>] [-R <rfile>]"},
    {13, 52, "             [-e <extract>] [{<string> | -f <file>}]"},
    {1, 1, " "},
    {0, 10, "Parameter:"},
    {3, 8, "   -t<C>"},
    {9, 46, "         文字列を分ける文字を<C>で指定します。"},
    {9, 43, "         タブの場合には、'\\t'と指定します。"},
    {9, 49, "         省略した場合、スペースやタブとなります。"},
    {9, 61, "         この場合、連続したスペースやタブは１つとみなします。"},
    {9, 65, "         <C>に '<'または'>'を指定する場合には、\"-t<\"または\"-t>\"と"},
    {9, 28, "         '\"'で囲って下さい。"},
    {1, 1, " "},
    {3, 15, "   -b[<c1><c2>]"},
    {9, 65, "         フィールドを括る開始文字<c1>と終了文字<c2>を指定します。"},
    {9, 68, "         もしそれらの文字を省略した場合には、それぞれ'\"'となります。"},
    {1, 1, " "},
    {3, 15, "   -r <replace>"},
    {9, 48, "         置換指定文字列を<replace>で指定します。"},
    {9, 35, "         これは次の形式となります。"},
    {9, 63, "         [(<no1>)]<from1>:[<to1>][,[(<no2>)]<from2>:[<to2>]]..."},
    {1, 1, " "},
    {9, 55, "         (<no>)  <no>番目のデータの文字列を指定します。"},
    {9, 73, "         <from>  {$^|$$|$A|$a|$s|$d|$D|$f|$g|$c|$x|?|(<word>)|<x>|<x>}..."},
    {18, 31, "                  $^:行頭と一致"},
    {18, 31, "                  $$:元の文字列"},
    {18, 29, "                  $A:英数字列"},
    {18, 27, "                  $a:英字列"},
    {18, 29, "                  $s:スペース"},
    {18, 27, "                  $d:数字列"},
    {18, 33, "                  $D:1～9の数字列"},
    {18, 42, "                  $f:0～9,e,E,-,+,.,の並び"},
    {18, 70, "                  $g:図形文字列(' 'を除く印字文字列,ただしASCIIに限る)"},
    {18, 60, "                  $c:制御コード列(0x00～0x1f,0x7fのコード列)"},
    {18, 33, "                  $x:16進コード列"},
    {18, 30, "                  ?:任意の文字"},
    {18, 68, "                  (<word>):語<word>と一致（直前、直後は語以外の文字)"},
    {18, 33, "                  <x>,<x>:文字<x>"},
    {1, 1, " "},
    {9, 66, "         <to>    {$$|$l|$u|$A|$a|$s|$d|$D|$f|$g|$c|$x|<string>}..."},
    {18, 27, "                  $$:<from>"},
    {18, 33, "                  $l:小文字に変換"},
    {18, 33, "                  $u:大文字に変換"},
    {18, 63, "                  $A,$a,$s,$d,$D,$f,$g,$c,$x:<from>との各対応値"},
    {18, 64, "                  <string>:$を含まない文字列(ただし\\xはxとなる）"},
    {3, 13, "   -R <rfile>"},
    {8, 66, "        置換指定文字列<replace>をファイル<rfile>から読み込みます。"},
    {1, 1, " "},
    {3, 15, "   -e <extract>"},
    {8, 47, "        出力する文字列を<extract>で指定します。"},
    {8, 34, "        これは次の形式となります。"},
    {9, 45, "         {$<no>|$(<no1>[-<no2>)|$*|$$|<x>}..."},
    {10, 34, "          $<no>:<no>番目の文字列, "},
    {10, 27, "          $(<no1>[-<no2>]):"},
    {14, 56, "              <no1>番目の文字列から<no2>番目までの文字列"},
    {14, 64, "              ただしこの場合、各文字列は詰められて出力されます。"},
    {10, 71, "          $*:全ての文字列（この場合も各文字列は詰められて出力されます）"},
    {10, 25, "          $$:最後の文字列"},
    {10, 21, "          <x>:文字<x>"},
    {8, 72, "        このオプションを省略した場合には、置換された文字列をそのまま出力"},
    {8, 16, "        します。"},
    {1, 1, " "},
    {3, 25, "   {<string> | -f <file>}"},
    {8, 30, "        編集対象を指定します。"},
    {8, 53, "        <string>は文字列、-f <file>はファイルの文字列"},
    {8, 56, "        これを省略した場合は標準入力の文字列となります。"},
    {1, 1, " "},
    {0, 13, "Version: 1.81"},
};

// to_utf8: the code page 932 bytes in cp932 decoded by iconv.
std::string to_utf8(const std::string& cp932) {
  char path[] = "/tmp/quorl-help-XXXXXX";
  int fd = mkstemp(path);
  EXPECT_GE(fd, 0);
  FILE* f = fdopen(fd, "wb");
  std::fwrite(cp932.data(), 1, cp932.size(), f);
  std::fclose(f);
  std::string cmd = std::string("iconv -f CP932 -t UTF-8 ") + path;
  FILE* p = popen(cmd.c_str(), "r");
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  EXPECT_EQ(pclose(p), 0) << "iconv could not decode the help text";
  std::remove(path);
  return out;
}

TEST(HelpText, TableHoldsSixtyNineLinesAndEndsWithNull) {
  ASSERT_EQ(sizeof kHelp / sizeof kHelp[0], static_cast<size_t>(quorl::HELP_LINES));
  for (int i = 0; i < quorl::HELP_LINES; ++i) EXPECT_NE(quorl::help_text[i], nullptr) << i + 1;
  EXPECT_EQ(quorl::help_text[quorl::HELP_LINES], nullptr);
}

TEST(HelpText, EveryLineHasItsLengthAndLeadingBlanks) {
  for (int i = 0; i < quorl::HELP_LINES; ++i) {
    SCOPED_TRACE("line " + std::to_string(i + 1));
    const char* line = quorl::help_text[i];
    EXPECT_EQ(static_cast<int>(std::strlen(line)), kHelp[i].bytes);
    EXPECT_EQ(static_cast<int>(std::strspn(line, " ")), kHelp[i].blanks);
    EXPECT_EQ(std::strchr(line, '\t'), nullptr);
  }
}

TEST(HelpText, EveryLineDecodesFromCodePage932ToItsText) {
  std::string all, expected;
  for (int i = 0; i < quorl::HELP_LINES; ++i) {
    all += quorl::help_text[i];
    all += '\n';
    expected += kHelp[i].text;
    expected += '\n';
  }
  EXPECT_EQ(to_utf8(all), expected);
}

TEST(HelpText, UsagePrintsTheWholeTextOnStandardOutput) {
  std::string expected;
  for (int i = 0; i < quorl::HELP_LINES; ++i) expected += std::string(quorl::help_text[i]) + "\n";
  quorl_test::CliResult r = quorl_test::run_quorl({"-usage"});
  EXPECT_EQ(r.out, expected);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(to_utf8(r.out).substr(0, 37), "文字列の編集を行います。\n");
}

TEST(HelpText, NoArgumentPrintsTheUsageLinesOnStandardError) {
  quorl_test::CliResult r = quorl_test::run_quorl({});
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err,
            "Usage: quorl [-t<C>] [-b[<c1><c2>]] [-r <replace>] [-R <rfile>]\n"
            "             [-e <extract>] [{<string> | -f <file>}]\n");
  EXPECT_EQ(r.status, 1);
}

TEST(HelpText, BackslashesStandWhereTheTextHasThem) {
  int count = 0;
  for (int i = 0; i < quorl::HELP_LINES; ++i)
    for (const char* p = quorl::help_text[i]; *p; ++p) count += *p == '\\';
  // Line 9 ("'\\t'") and line 46 ("\\x") hold one each; no second byte is 0x5C.
  EXPECT_EQ(count, 2);
  EXPECT_NE(std::strstr(quorl::help_text[8], "'\\t'"), nullptr);
}

// Which locale variable decides the --help language; its codeset, the encoding.
TEST(LongHelp, LanguageFollowsTheLocale) {
  using enum quorl::HelpLanguage;
  struct Case {
    const char *lc_all, *lc_messages, *lang;
    quorl::HelpLanguage want;
  };
  const Case cases[] = {
      {nullptr, nullptr, nullptr, english},         {nullptr, nullptr, "C.UTF-8", english},
      {nullptr, nullptr, "ja_JP.UTF-8", ja_utf8},   {nullptr, nullptr, "ja", ja_utf8},
      {nullptr, nullptr, "ja_JP.SJIS", ja_sjis},    {nullptr, nullptr, "ja_JP.cp932@x", ja_sjis},
      {nullptr, nullptr, "ja_JP.Shift_JIS", ja_sjis}, {nullptr, nullptr, "ja_JP.eucJP", ja_eucjp},
      {nullptr, nullptr, "ja_JP.ujis", ja_eucjp},   {nullptr, nullptr, "en_US.SJIS", english},
      {"C", nullptr, "ja_JP.UTF-8", english},       {"", nullptr, "ja_JP.UTF-8", ja_utf8},
      {nullptr, "ja_JP.EUC-JP", "C", ja_eucjp},     {nullptr, "en_GB.UTF-8", "ja_JP.UTF-8", english},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    EXPECT_EQ(quorl::help_language(c.lc_all, c.lc_messages, c.lang), c.want);
  }
}

}  // namespace
