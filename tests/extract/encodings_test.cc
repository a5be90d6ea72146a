// Encodings: the same edit of the same text in Shift_JIS, UTF-8 and EUC-JP
// gives the same text, byte for byte once converted; and sequences that are
// invalid or cut short are characters of one byte each.
#include <iconv.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "quorl/quorl.h"

namespace quorl {
namespace {

// convert: text from one character set to another with iconv(3).
std::string convert(const std::string& text, const char* from, const char* to) {
  iconv_t cd = iconv_open(to, from);
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
  std::string in = text;
  std::string out(text.size() * 4 + 16, '\0');
  char* ip = in.data();
  char* op = out.data();
  size_t il = in.size();
  size_t ol = out.size();
  EXPECT_NE(iconv(cd, &ip, &il, &op, &ol), static_cast<size_t>(-1)) << text;
  iconv_close(cd);
  out.resize(out.size() - ol);
  return out;
}

std::string edit_all(const RuleOptions& options, const std::vector<std::string>& lines) {
  Editor editor{Rules(options)};
  std::string out;
  for (const std::string& line : lines) {
    const Edited e = editor.edit(line);
    out += std::string(e ? e.text : e.error) + "\n";
  }
  return out;
}

// ---- The same edit in three encodings ----
TEST(Encodings, ShiftJisUtf8AndEucJpEditAlike) {
  // Words of every script (written in UTF-8 here); ソ, 表 and 能 end in the
  // byte of a backslash in Shift_JIS. No half-width katakana.
  const std::vector<std::string> words = {
      "the", "cat", "42", "7x", "ab_c", "\xe3\x81\x82", "\xe3\x82\xbd\xe3\x83\x95\xe3\x83\x88",
      "\xe8\xa1\xa8", "\xe8\x83\xbd\xe5\x8a\x9b", "\xe6\x9d\xb1\xe4\xba\xac", "\xef\xbc\xa1", "x\xe3\x81\x84"};
  const std::vector<std::string> seps = {",", " ", "\xe3\x80\x81", ":"};
  std::mt19937 rng(2026);
  auto pick = [&](const std::vector<std::string>& v) { return v[rng() % v.size()]; };
  for (int round = 0; round < 300; ++round) {
    RuleOptions o;
    o.separator = rng() % 3 == 0 ? "" : pick(seps);
    if (rng() % 3 == 0) o.brackets = "\xe3\x80\x8c\xe3\x80\x8d";  // 「」
    const int rules = 1 + static_cast<int>(rng() % 3);
    for (int r = 0; r < rules; ++r) {
      switch (rng() % 6) {
        case 0: o.specs.push_back(pick(words) + ":" + pick(words)); break;
        case 1: o.specs.push_back("$d:<$d>," + pick(words) + ":[$$]"); break;
        case 2: o.specs.push_back("(2)" + pick(words) + ":$u" + pick(words)); break;
        case 3: o.specs.push_back("(" + pick(words) + "):\\$" + pick(words) + "$l"); break;
        case 4: o.specs.push_back("$a$s:$a|$d"); break;
        default: o.specs.push_back(pick(words) + "$$:" + pick(words) + "\\,"); break;
      }
    }
    if (rng() % 2 == 0) o.extract = "$2" + pick(words) + "$1" + (rng() % 2 ? "$$" : "$(2-3)");
    std::vector<std::string> lines;
    for (int l = 0; l < 4; ++l) {
      std::string line;
      for (int w = static_cast<int>(rng() % 7); w > 0; --w) {
        line += pick(words);
        if (w > 1) line += rng() % 4 == 0 ? "\xe3\x80\x8c" + pick(words) + pick(seps) + "\xe3\x80\x8d" : pick(seps);
      }
      lines.push_back(line);
    }
    // Each case is written in UTF-8, then turned into each encoding.
    auto in = [&](const char* charset, Encoding enc) {
      RuleOptions c = o;
      c.encoding = enc;
      for (std::string& s : c.specs) s = convert(s, "UTF-8", charset);
      c.separator = convert(c.separator, "UTF-8", charset);
      c.brackets = convert(c.brackets, "UTF-8", charset);
      if (c.extract) c.extract = convert(*c.extract, "UTF-8", charset);
      std::vector<std::string> text;
      for (const std::string& line : lines) text.push_back(convert(line, "UTF-8", charset));
      return convert(edit_all(c, text), charset, "UTF-8");
    };
    const std::string sjis = in("CP932", Encoding::sjis);
    SCOPED_TRACE(o.specs[0] + " sep=" + o.separator + " brackets=" + o.brackets);
    EXPECT_EQ(in("UTF-8", Encoding::utf8), sjis);
    EXPECT_EQ(in("EUC-JP", Encoding::eucjp), sjis);
  }
}

// ---- Sequences that are invalid or cut short ----
TEST(Encodings, BrokenSequencesAreSingleBytes) {
  struct Case {
    Encoding enc;
    const char* spec;
    const char* sep;
    const char* line;
    const char* want;
  };
  const Case cases[] = {
      // A sequence cut short at the end of the line or by the next byte.
      {Encoding::utf8, "\xe3:X", "", "a\xe3\x81", "aX\x81"},
      {Encoding::utf8, "\x81:X", "", "\xe3\x81\x82\x81", "\xe3\x81\x82X"},
      {Encoding::utf8, "?:<$$>", "", "\xe3\x81\x82\xe3", "<\xe3\x81\x82><\xe3>"},
      // Overlong forms, surrogates and more than U+10FFFF are no characters.
      {Encoding::utf8, "\x80:X", "", "\xc0\x80\xed\xa0\x80\xf4\x90\x80\x80", "\xc0X\xed\xa0X\xf4\x90XX"},
      // A field separator of one byte inside a character does not cut it.
      {Encoding::utf8, "(2)a:b", "\x81", "\xe3\x81\x82\x81" "a", "\xe3\x81\x82\x81" "b"},
      // A pattern cut short matches the start of a character, and takes it.
      {Encoding::eucjp, "\xa2:X", "", "\xa1\xa2\xa2\xa1\xa2", "\xa1\xa2XX"},
      {Encoding::eucjp, "\xa1:X", "", "\x8f\xa1\xa1\xa1", "\x8f\xa1\xa1X"},
      {Encoding::eucjp, "?:<$$>", "", "\x8e\xb1\x8e", "<\x8e\xb1><\x8e>"},
      {Encoding::sjis, "?:<$$>", "", "\x83\x65\x83", "<\x83\x65><\x83>"},
      {Encoding::sjis, "\\\\:/", "", "\x83\x5c\\", "\x83\x5c/"},
      {Encoding::bytes, "\x83:X", "", "\x83\x65", "X\x65"},
      {Encoding::bytes, "?:<$$>", "", "\x83\x65", "<\x83><\x65>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.spec);
    RuleOptions o;
    o.specs = {c.spec};
    o.separator = c.sep;
    o.encoding = c.enc;
    Editor editor{Rules(o)};
    const Edited e = editor.edit(c.line);
    EXPECT_EQ(std::string(e.text), c.want);
  }
}

}  // namespace
}  // namespace quorl
