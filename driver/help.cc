#include "driver/help.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "platform/platform.h"
#include "support/exit.h"
#include "support/sjis.h"

namespace quorl {

// The lines are kept as the code page 932 bytes that are printed; the comment
// above a line with Japanese text shows what it reads.
const char* const help_text[HELP_LINES + 1] = {
    // 文字列の編集を行います。
    "\x95\xb6\x8e\x9a\x97\xf1\x82\xcc\x95\xd2\x8f\x57\x82\xf0\x8d\x73\x82\xa2\x82\xdc\x82\xb7\x81\x42",
    " ",
    "Usage: quorl [-t<C>] [-b[<c1><c2>]] [-r <replace>] [-R <rfile>]",
    "             [-e <extract>] [{<string> | -f <file>}]",
    " ",
    "Parameter:",
    "   -t<C>",
    // 文字列を分ける文字を<C>で指定します。
    "         \x95\xb6\x8e\x9a\x97\xf1\x82\xf0\x95\xaa\x82\xaf\x82\xe9\x95\xb6\x8e\x9a\x82\xf0<C>\x82\xc5\x8e\x77\x92\xe8\x82\xb5\x82\xdc\x82\xb7\x81\x42",
    // タブの場合には、'\t'と指定します。
    "         \x83\x5e\x83\x75\x82\xcc\x8f\xea\x8d\x87\x82\xc9\x82\xcd\x81\x41'\\t'\x82\xc6\x8e\x77\x92\xe8\x82\xb5\x82\xdc\x82\xb7\x81\x42",
    // 省略した場合、スペースやタブとなります。
    "         \x8f\xc8\x97\xaa\x82\xb5\x82\xbd\x8f\xea\x8d\x87\x81\x41\x83\x58\x83\x79\x81\x5b\x83\x58\x82\xe2\x83\x5e\x83\x75\x82\xc6\x82\xc8\x82\xe8\x82\xdc\x82\xb7\x81\x42",
    // この場合、連続したスペースやタブは１つとみなします。
    "         \x82\xb1\x82\xcc\x8f\xea\x8d\x87\x81\x41\x98\x41\x91\xb1\x82\xb5\x82\xbd\x83\x58\x83\x79\x81\x5b\x83\x58\x82\xe2\x83\x5e\x83\x75\x82\xcd\x82\x50\x82\xc2\x82\xc6\x82\xdd\x82\xc8\x82\xb5\x82\xdc\x82\xb7\x81\x42",
    // <C>に '<'または'>'を指定する場合には、"-t<"または"-t>"と
    "         <C>\x82\xc9 '<'\x82\xdc\x82\xbd\x82\xcd'>'\x82\xf0\x8e\x77\x92\xe8\x82\xb7\x82\xe9\x8f\xea\x8d\x87\x82\xc9\x82\xcd\x81\x41\"-t<\"\x82\xdc\x82\xbd\x82\xcd\"-t>\"\x82\xc6",
    // '"'で囲って下さい。
    "         '\"'\x82\xc5\x88\xcd\x82\xc1\x82\xc4\x89\xba\x82\xb3\x82\xa2\x81\x42",
    " ",
    "   -b[<c1><c2>]",
    // フィールドを括る開始文字<c1>と終了文字<c2>を指定します。
    "         \x83\x74\x83\x42\x81\x5b\x83\x8b\x83\x68\x82\xf0\x8a\x87\x82\xe9\x8a\x4a\x8e\x6e\x95\xb6\x8e\x9a<c1>\x82\xc6\x8f\x49\x97\xb9\x95\xb6\x8e\x9a<c2>\x82\xf0\x8e\x77\x92\xe8\x82\xb5\x82\xdc\x82\xb7\x81\x42",
    // もしそれらの文字を省略した場合には、それぞれ'"'となります。
    "         \x82\xe0\x82\xb5\x82\xbb\x82\xea\x82\xe7\x82\xcc\x95\xb6\x8e\x9a\x82\xf0\x8f\xc8\x97\xaa\x82\xb5\x82\xbd\x8f\xea\x8d\x87\x82\xc9\x82\xcd\x81\x41\x82\xbb\x82\xea\x82\xbc\x82\xea'\"'\x82\xc6\x82\xc8\x82\xe8\x82\xdc\x82\xb7\x81\x42",
    " ",
    "   -r <replace>",
    // 置換指定文字列を<replace>で指定します。
    "         \x92\x75\x8a\xb7\x8e\x77\x92\xe8\x95\xb6\x8e\x9a\x97\xf1\x82\xf0<replace>\x82\xc5\x8e\x77\x92\xe8\x82\xb5\x82\xdc\x82\xb7\x81\x42",
    // これは次の形式となります。
    "         \x82\xb1\x82\xea\x82\xcd\x8e\x9f\x82\xcc\x8c\x60\x8e\xae\x82\xc6\x82\xc8\x82\xe8\x82\xdc\x82\xb7\x81\x42",
    "         [(<no1>)]<from1>:[<to1>][,[(<no2>)]<from2>:[<to2>]]...",
    " ",
    // (<no>)  <no>番目のデータの文字列を指定します。
    "         (<no>)  <no>\x94\xd4\x96\xda\x82\xcc\x83\x66\x81\x5b\x83\x5e\x82\xcc\x95\xb6\x8e\x9a\x97\xf1\x82\xf0\x8e\x77\x92\xe8\x82\xb5\x82\xdc\x82\xb7\x81\x42",
    "         <from>  {$^|$$|$A|$a|$s|$d|$D|$f|$g|$c|$x|?|(<word>)|<x>|<x>}...",
    // $^:行頭と一致
    "                  $^:\x8d\x73\x93\xaa\x82\xc6\x88\xea\x92\x76",
    // $$:元の文字列
    "                  $$:\x8c\xb3\x82\xcc\x95\xb6\x8e\x9a\x97\xf1",
    // $A:英数字列
    "                  $A:\x89\x70\x90\x94\x8e\x9a\x97\xf1",
    // $a:英字列
    "                  $a:\x89\x70\x8e\x9a\x97\xf1",
    // $s:スペース
    "                  $s:\x83\x58\x83\x79\x81\x5b\x83\x58",
    // $d:数字列
    "                  $d:\x90\x94\x8e\x9a\x97\xf1",
    // $D:1～9の数字列
    "                  $D:1\x81\x60" "9\x82\xcc\x90\x94\x8e\x9a\x97\xf1",
    // $f:0～9,e,E,-,+,.,の並び
    "                  $f:0\x81\x60" "9,e,E,-,+,.,\x82\xcc\x95\xc0\x82\xd1",
    // $g:図形文字列(' 'を除く印字文字列,ただしASCIIに限る)
    "                  $g:\x90\x7d\x8c\x60\x95\xb6\x8e\x9a\x97\xf1(' '\x82\xf0\x8f\x9c\x82\xad\x88\xf3\x8e\x9a\x95\xb6\x8e\x9a\x97\xf1,\x82\xbd\x82\xbe\x82\xb5" "ASCII\x82\xc9\x8c\xc0\x82\xe9)",
    // $c:制御コード列(0x00～0x1f,0x7fのコード列)
    "                  $c:\x90\xa7\x8c\xe4\x83\x52\x81\x5b\x83\x68\x97\xf1(0x00\x81\x60" "0x1f,0x7f\x82\xcc\x83\x52\x81\x5b\x83\x68\x97\xf1)",
    // $x:16進コード列
    "                  $x:16\x90\x69\x83\x52\x81\x5b\x83\x68\x97\xf1",
    // ?:任意の文字
    "                  ?:\x94\x43\x88\xd3\x82\xcc\x95\xb6\x8e\x9a",
    // (<word>):語<word>と一致（直前、直後は語以外の文字)
    "                  (<word>):\x8c\xea<word>\x82\xc6\x88\xea\x92\x76\x81\x69\x92\xbc\x91\x4f\x81\x41\x92\xbc\x8c\xe3\x82\xcd\x8c\xea\x88\xc8\x8a\x4f\x82\xcc\x95\xb6\x8e\x9a)",
    // <x>,<x>:文字<x>
    "                  <x>,<x>:\x95\xb6\x8e\x9a<x>",
    " ",
    "         <to>    {$$|$l|$u|$A|$a|$s|$d|$D|$f|$g|$c|$x|<string>}...",
    "                  $$:<from>",
    // $l:小文字に変換
    "                  $l:\x8f\xac\x95\xb6\x8e\x9a\x82\xc9\x95\xcf\x8a\xb7",
    // $u:大文字に変換
    "                  $u:\x91\xe5\x95\xb6\x8e\x9a\x82\xc9\x95\xcf\x8a\xb7",
    // $A,$a,$s,$d,$D,$f,$g,$c,$x:<from>との各対応値
    "                  $A,$a,$s,$d,$D,$f,$g,$c,$x:<from>\x82\xc6\x82\xcc\x8a\x65\x91\xce\x89\x9e\x92\x6c",
    // <string>:$を含まない文字列(ただし\xはxとなる）
    "                  <string>:$\x82\xf0\x8a\xdc\x82\xdc\x82\xc8\x82\xa2\x95\xb6\x8e\x9a\x97\xf1(\x82\xbd\x82\xbe\x82\xb5\\x\x82\xcdx\x82\xc6\x82\xc8\x82\xe9\x81\x6a",
    "   -R <rfile>",
    // 置換指定文字列<replace>をファイル<rfile>から読み込みます。
    "        \x92\x75\x8a\xb7\x8e\x77\x92\xe8\x95\xb6\x8e\x9a\x97\xf1<replace>\x82\xf0\x83\x74\x83\x40\x83\x43\x83\x8b<rfile>\x82\xa9\x82\xe7\x93\xc7\x82\xdd\x8d\x9e\x82\xdd\x82\xdc\x82\xb7\x81\x42",
    " ",
    "   -e <extract>",
    // 出力する文字列を<extract>で指定します。
    "        \x8f\x6f\x97\xcd\x82\xb7\x82\xe9\x95\xb6\x8e\x9a\x97\xf1\x82\xf0<extract>\x82\xc5\x8e\x77\x92\xe8\x82\xb5\x82\xdc\x82\xb7\x81\x42",
    // これは次の形式となります。
    "        \x82\xb1\x82\xea\x82\xcd\x8e\x9f\x82\xcc\x8c\x60\x8e\xae\x82\xc6\x82\xc8\x82\xe8\x82\xdc\x82\xb7\x81\x42",
    "         {$<no>|$(<no1>[-<no2>)|$*|$$|<x>}...",
    // $<no>:<no>番目の文字列,
    "          $<no>:<no>\x94\xd4\x96\xda\x82\xcc\x95\xb6\x8e\x9a\x97\xf1, ",
    "          $(<no1>[-<no2>]):",
    // <no1>番目の文字列から<no2>番目までの文字列
    "              <no1>\x94\xd4\x96\xda\x82\xcc\x95\xb6\x8e\x9a\x97\xf1\x82\xa9\x82\xe7<no2>\x94\xd4\x96\xda\x82\xdc\x82\xc5\x82\xcc\x95\xb6\x8e\x9a\x97\xf1",
    // ただしこの場合、各文字列は詰められて出力されます。
    "              \x82\xbd\x82\xbe\x82\xb5\x82\xb1\x82\xcc\x8f\xea\x8d\x87\x81\x41\x8a\x65\x95\xb6\x8e\x9a\x97\xf1\x82\xcd\x8b\x6c\x82\xdf\x82\xe7\x82\xea\x82\xc4\x8f\x6f\x97\xcd\x82\xb3\x82\xea\x82\xdc\x82\xb7\x81\x42",
    // $*:全ての文字列（この場合も各文字列は詰められて出力されます）
    "          $*:\x91\x53\x82\xc4\x82\xcc\x95\xb6\x8e\x9a\x97\xf1\x81\x69\x82\xb1\x82\xcc\x8f\xea\x8d\x87\x82\xe0\x8a\x65\x95\xb6\x8e\x9a\x97\xf1\x82\xcd\x8b\x6c\x82\xdf\x82\xe7\x82\xea\x82\xc4\x8f\x6f\x97\xcd\x82\xb3\x82\xea\x82\xdc\x82\xb7\x81\x6a",
    // $$:最後の文字列
    "          $$:\x8d\xc5\x8c\xe3\x82\xcc\x95\xb6\x8e\x9a\x97\xf1",
    // <x>:文字<x>
    "          <x>:\x95\xb6\x8e\x9a<x>",
    // このオプションを省略した場合には、置換された文字列をそのまま出力
    "        \x82\xb1\x82\xcc\x83\x49\x83\x76\x83\x56\x83\x87\x83\x93\x82\xf0\x8f\xc8\x97\xaa\x82\xb5\x82\xbd\x8f\xea\x8d\x87\x82\xc9\x82\xcd\x81\x41\x92\x75\x8a\xb7\x82\xb3\x82\xea\x82\xbd\x95\xb6\x8e\x9a\x97\xf1\x82\xf0\x82\xbb\x82\xcc\x82\xdc\x82\xdc\x8f\x6f\x97\xcd",
    // します。
    "        \x82\xb5\x82\xdc\x82\xb7\x81\x42",
    " ",
    "   {<string> | -f <file>}",
    // 編集対象を指定します。
    "        \x95\xd2\x8f\x57\x91\xce\x8f\xdb\x82\xf0\x8e\x77\x92\xe8\x82\xb5\x82\xdc\x82\xb7\x81\x42",
    // <string>は文字列、-f <file>はファイルの文字列
    "        <string>\x82\xcd\x95\xb6\x8e\x9a\x97\xf1\x81\x41-f <file>\x82\xcd\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xcc\x95\xb6\x8e\x9a\x97\xf1",
    // これを省略した場合は標準入力の文字列となります。
    "        \x82\xb1\x82\xea\x82\xf0\x8f\xc8\x97\xaa\x82\xb5\x82\xbd\x8f\xea\x8d\x87\x82\xcd\x95\x57\x8f\x80\x93\xfc\x97\xcd\x82\xcc\x95\xb6\x8e\x9a\x97\xf1\x82\xc6\x82\xc8\x82\xe8\x82\xdc\x82\xb7\x81\x42",
    " ",
    "Version: 1.81",
    nullptr,
};

void print_usage(int mode) {
  if (mode == 1) {
    for (const char* const* line = help_text; *line != nullptr; ++line) {
      std::fputs(*line, stdout);
      std::fputs(platform::kNewline, stdout);
    }
  } else {
    std::fprintf(stderr, "%s\n", help_text[2]);
    std::fprintf(stderr, "%s\n", help_text[3]);
  }
  end_process(1);
}

// The --help text in English.
const char* const long_help_en[] = {
    "Usage: quorl [<option>]... [<string> | -f <file>]",
    "       quorl {-usage | --help | --version}",
    "",
    "Edits lines of text: applies replacement rules to every input line,",
    "optionally rebuilds the line from its fields, and prints the result.",
    "Text is bytes in one encoding, Shift_JIS unless --encoding says otherwise;",
    "a character is never split.",
    "",
    "Options:",
    "  -r <replace>         add a replacement specification (may be repeated)",
    "  -R <rfile>           read specifications from <rfile>, one per line",
    "  -e <extract>         build each output line from fields by a template",
    "  -t<C>                field separator: the character <C> (-t, ; a tab: -t'\\t');",
    "                       default: runs of blanks and tabs",
    "  -b[<c1><c2>]         field brackets: a separator between <c1> and <c2>",
    "                       does not cut a (<no>) field (default: \" and \")",
    "  -f <file>            edit every line of <file>; -f - reads standard input;",
    "                       -f A -f B ... edits A, then B, ... in one run",
    "  --files <file>...    every argument after it is a file to edit, as -f",
    "  --in-place[=SUFFIX]  with -f <file>: write the result back to <file>",
    "                       (through a temporary file), and keep the old file",
    "                       as <file>SUFFIX when SUFFIX is given",
    "  --diff               print a unified diff of the input and the edited",
    "                       lines instead of the edited text",
    "  --crlf               a CR before the LF belongs to the line ending",
    "  --csv                fields are CSV fields, cut at , unless -t names another:",
    "                       one in \"...\" may hold the separator, \"\" and line",
    "                       breaks; -e writes each field, and (<no>) its edit,",
    "                       quoted where it must be; the rest stays as it was",
    "  --encoding=NAME      how bytes form characters, NAME in any case: sjis",
    "                       (the default; also shift_jis, shift-jis, cp932, ms932,",
    "                       windows-31j), utf-8 (utf8, utf_8), euc-jp (eucjp, ujis)",
    "                       or bytes; auto: each input's own, guessed among utf-8,",
    "                       euc-jp and shift_jis; QUORL_ENCODING sets the default",
    "  --check              edit nothing; report every byte sequence that is",
    "                       invalid in the encoding as NAME:LINE:COLUMN; with",
    "                       auto, print each input's guess as NAME: ENCODING",
    "  --to=NAME[//TRANSLIT] write the output converted to NAME (utf-8, sjis, euc-jp",
    "                       or a name iconv knows); a character NAME cannot hold",
    "                       ends the run as FILE:LINE:COLUMN (//TRANSLIT: a stand-in)",
    "  --rules-encoding=NAME the texts of -r, -e, -t and -b are in NAME, converted",
    "                       to the input's (default with auto: the locale's",
    "                       codeset); -R files are taken in their guessed encoding",
    "  --jobs=N             edit a large -f file on N threads (default: one per",
    "                       processor; 1: one thread); the output is the same",
    "  --                   end of options: the next argument is the <string>",
    "  -usage               print the original help text (Japanese, Shift_JIS)",
    "  --help               print this help and exit",
    "  --version            print the version and the licence and exit",
    "",
    "An option's value is the next argument, whatever it looks like. Long options",
    "stand where an option may, also last; --encoding, --to, --rules-encoding and",
    "--jobs take their value as --NAME=VALUE or --NAME VALUE. An unknown --NAME",
    "is an error; a <string> that begins with -- goes after --.",
    "",
    "Input: the <string> argument, every line of -f <file>, or, when neither",
    "is given, every line of standard input. Several files are edited in turn,",
    "captures carrying over; in place each is its own transaction, and --diff",
    "gives one diff each. A file that cannot be read is reported and skipped",
    "(status 1); a fault of the rules ends the run, later files untouched.",
    "",
    "Replacement specification: [(<no>)]<from>:[<to>][,[(<no>)]<from>:[<to>]]...",
    "  (<no>)  edit only field <no> (fields are cut at the -t byte)",
    "  <from>  bytes to match, with runs of $A letters and digits, $a letters,",
    "          $d digits, $D digits 1-9, $s blanks, $f number characters,",
    "          $x hex digits, $g printable ASCII but the blank, $c control",
    "          codes; $$ the rest of the line, $^ the start of the line,",
    "          ? any byte, \\x the byte x, (<word>) <word> as a whole word",
    "          (in UTF-8 and EUC-JP, ? and \\x take a whole character)",
    "  <to>    text to insert, and: $$ the match, $l and $u the match in lower",
    "          and upper case (ASCII letters only), $w and $n in full and half",
    "          width (ASCII, katakana), $h and $k with its kana as hiragana and",
    "          as katakana, $A, $a, $d, ... what that element matched, \\x the",
    "          byte x; write , and : as \\, and \\:",
    "Template (-e): $1..$9, $(<no>), $(<no1>-<no2>), $* (all fields), $$ (the",
    "last field); other bytes are copied.",
    "",
    "Examples:",
    "  quorl -r '$d:<$d>' 'order 66 shipped on day 12'",
    "  quorl -t, -b -r '(3)$a:$u' -f people.csv",
    "  quorl -t, -e '$3,$1' -f table.csv > reordered.csv",
    // Width and kana, one field each (UTF-8):
    //         'ﾃﾞｰﾀ,ＡＢ１,カナ,かな'    # データ,AB1,かな,カナ
    "  quorl --encoding=utf-8 -t, -r '(1)$$:$w,(2)$$:$n,(3)$$:$h,(4)$$:$k' \\",
    "        '\xef\xbe\x83\xef\xbe\x9e\xef\xbd\xb0\xef\xbe\x80,\xef\xbc\xa1\xef\xbc\xa2\xef\xbc\x91,\xe3\x82\xab\xe3\x83\x8a,\xe3\x81\x8b\xe3\x81\xaa'    # \xe3\x83\x87\xe3\x83\xbc\xe3\x82\xbf,AB1,\xe3\x81\x8b\xe3\x81\xaa,\xe3\x82\xab\xe3\x83\x8a",
    // Shift_JIS input, a rule typed in UTF-8, the output in UTF-8:
    "  printf '\\x93\\x8c\\x8b\\x9e\\n' | quorl --rules-encoding=utf-8 -r '\xe6\x9d\xb1\xe4\xba\xac:\xe5\xa4\xa7\xe9\x98\xaa' --to=utf-8    # \xe5\xa4\xa7\xe9\x98\xaa",
    // A Shift_JIS input guessed, the rule typed in the locale's encoding:
    "  printf '\\x82\\xa0\\x93\\x8c\\x8b\\x9e\\n' | quorl --encoding=auto -r '\xe6\x9d\xb1\xe4\xba\xac:\xe5\xa4\xa7\xe9\x98\xaa' --to=utf-8    # \xe3\x81\x82\xe5\xa4\xa7\xe9\x98\xaa",
    "",
    "Exit status: 0 when the whole input was edited; 1 after an error, the",
    "usage lines or -usage.",
    "Full documentation: man quorl",
    nullptr,
};

namespace {

// codeset_is: whether the codeset of locale (between "." and "@") is one of
// names, compared without case and without "-" and "_".
bool codeset_is(const char* locale, std::initializer_list<const char*> names) {
  const char* dot = std::strchr(locale, '.');
  if (dot == nullptr) return false;
  char codeset[16];
  size_t n = 0;
  for (const char* p = dot + 1; *p != '\0' && *p != '@'; ++p) {
    if (*p == '-' || *p == '_') continue;
    if (n + 1 == sizeof codeset) return false;  // longer than any name asked about
    codeset[n++] = static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
  }
  codeset[n] = '\0';
  for (const char* name : names)
    if (std::strcmp(codeset, name) == 0) return true;
  return false;
}

// put_eucjp: writes the Shift_JIS text sjis to standard output as EUC-JP.
// A double-byte character maps to its JIS X 0208 row and cell, each with
// the high bit set; a half-width katakana byte gets the 0x8E prefix.
void put_eucjp(const char* sjis) {
  for (const char* p = sjis; *p != '\0'; p += char_len(p)) {
    const auto lead = static_cast<unsigned char>(p[0]);
    if (is_double(p)) {
      const auto trail = static_cast<unsigned char>(p[1]);
      int row = (lead - (lead < 0xA0 ? 0x70 : 0xB0)) * 2;
      int cell;
      if (trail < 0x9F) {
        --row;
        cell = trail - (trail >= 0x80 ? 0x20 : 0x1F);
      } else {
        cell = trail - 0x7E;
      }
      std::fputc(row | 0x80, stdout);
      std::fputc(cell | 0x80, stdout);
    } else {
      if (lead >= 0xA1 && lead <= 0xDF) std::fputc(0x8E, stdout);
      std::fputc(lead, stdout);
    }
  }
}

}  // namespace

HelpLanguage help_language(const char* lc_all, const char* lc_messages, const char* lang) {
  const char* locale = "";
  for (const char* value : {lc_all, lc_messages, lang}) {
    if (value != nullptr && *value != '\0') {
      locale = value;
      break;
    }
  }
  if (std::strncmp(locale, "ja", 2) != 0) return HelpLanguage::english;
  if (codeset_is(locale, {"sjis", "shiftjis", "cp932"})) return HelpLanguage::ja_sjis;
  if (codeset_is(locale, {"eucjp", "ujis"})) return HelpLanguage::ja_eucjp;
  return HelpLanguage::ja_utf8;
}

void print_long_help(HelpLanguage language) {
  if (language == HelpLanguage::english) {
    for (const char* const* line = long_help_en; *line != nullptr; ++line) {
      std::fputs(*line, stdout);
      std::fputs(platform::kNewline, stdout);
    }
  } else {
    for (const JaLine* line = long_help_ja; line->utf8 != nullptr; ++line) {
      if (language == HelpLanguage::ja_utf8)
        std::fputs(line->utf8, stdout);
      else if (language == HelpLanguage::ja_sjis)
        std::fputs(line->sjis, stdout);
      else
        put_eucjp(line->sjis);
      std::fputs(platform::kNewline, stdout);
    }
  }
  end_process(0);
}

void print_version() {
  // The help text's last line, "Version: <version>", is where the version
  // is kept.
  std::printf("quorl %s%s", std::strchr(help_text[HELP_LINES - 1], ' ') + 1, platform::kNewline);
  std::printf("Copyright (c) 2026 The quorl developers; MIT License (see LICENSE).%s", platform::kNewline);
  end_process(0);
}

void answer_long_request(const char* arg) {
  if (std::strcmp(arg, "--help") == 0)
    print_long_help(help_language(platform::help_locale(), nullptr, nullptr));
  if (std::strcmp(arg, "--version") == 0) print_version();
}

}  // namespace quorl
