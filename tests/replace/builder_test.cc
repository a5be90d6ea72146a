#include "replace/builder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "replace/test_editor.h"

namespace quorl {
namespace {

void set_capture(Capture* c, const std::string& text) {
  c->refer(text.c_str(), text.size());
  c->settle();
}

class Builder : public EngineTest {
 protected:
  // preset_captures: captures as a match of "$A$a$d$f$D$s$x$g$c" might have
  // left them.
  void preset_captures() {
    const char* const texts[] = {"A1", "al", "42", "1.5", "9", " \t", "ff", "!?", "\x01"};
    for (int k = 0; k < 9; ++k) set_capture(&cap("AadfDsxgc"[k]), texts[k]);
  }

  // expand: the expansion of to for match, written within the room that
  // to_program_size asks for (all of it, unless a width element may shrink
  // the match).
  std::string expand(const std::string& to, const std::string& match, Encoding enc = Encoding::sjis) {
    cap('=').refer(match.c_str(), match.size());
    ToProgram prog;
    compile_to(to.c_str(), &prog, enc);
    EXPECT_TRUE(prog.usable);
    const size_t size = to_program_size(prog, ed.caps, match.size());
    std::vector<char> out(size + 2, '#');
    const size_t n = expand_to_program(prog, ed.caps, match.c_str(), out.data(), match.size());
    if (to.find_first_of("wnhk") == std::string::npos) {
      EXPECT_EQ(n, size);
    }
    EXPECT_EQ(out[n], '\0');
    EXPECT_EQ(out[size + 1], '#');  // nothing written past the room asked for
    return std::string(out.data(), n);
  }
};

struct Case {
  std::string to;
  std::string match;
  std::string want;
  Encoding enc = Encoding::sjis;
};

const Case kCases[] = {
    // Literal text and escapes.
    {"", "abc", ""},
    {"xyz", "abc", "xyz"},
    {"abc\\", "m", "abc"},
    {"\\$u", "m", "$u"},
    {"\\\\", "m", "\\"},
    {"a\\,b\\:c", "m", "a,b:c"},
    {"\\q", "m", "q"},
    // A double-byte character is copied whole: its second byte 0x5C is no
    // escape, and not even a '$' after a lead byte starts an element.
    {"\x95\x5c$d", "m", "\x95\x5c" "42"},
    {"\x95\x5c\\$", "m", "\x95\x5c$"},
    {"\x81$d", "m", "\x81$d"},
    {"\\\x95\x5c$d", "m", "\x95\x5c" "42"},
    {"x\x81", "m", "x\x81"},
    // The whole match.
    {"$$", "", ""},
    {"$$$$", "ab", "abab"},
    {"[$$]", "ab", "[ab]"},
    // Case conversion: single-byte ASCII letters only.
    {"$u", "ab1c", "AB1C"},
    {"$l", "AbC-Z", "abc-z"},
    {"$l", "", ""},
    {"$l", "\x82\xa0\xe0\xfc", "\x82\xa0\xe0\xfc"},
    {"$l", "A\x82\x41" "B", "a\x82\x41" "b"},
    {"$u", "a\x82\x61" "b", "A\x82\x61" "B"},
    {"$u", "a\x82", "A\x82"},
    // Width and kana, at their edges (every pair is checked against Unicode
    // by width_kana_test.py): '\\' and '~' are code page 932's, '"' has two
    // codes; ﾜﾞ has no joined form in Shift_JIS, nor ヴ a hiragana; a lead
    // byte that ends the match stays; one ASCII byte is three in UTF-8.
    {"$w", "A~ \\-\"'", "\x82\x60\x81\x60\x81\x40\x81\x5f\x81\x7c\xfa\x57\xfa\x56"},
    {"$n", "\xee\xfc\xfa\x57\x81\x40\x83\x94", "\"\" \xb3\xde"},
    {"$w", "\xb6\xde\xca\xdf\xdc\xde", "\x83\x4b\x83\x70\x83\x8f\x81\x4a"},
    {"$h", "\xb3\xde\xb0\x83\x41", "\x83\x94\x81\x5b\x82\xa0"},
    {"$k", "\x82\xa0\x82\xf1x\x82", "\x83\x41\x83\x93x\x82"},
    {"$w", "~", "\xef\xbd\x9e", Encoding::utf8},
    {"$n", "\xe3\x83\xb4", "\xef\xbd\xb3\xef\xbe\x9e", Encoding::utf8},
    {"$n", "\xa5\xac", "\x8e\xb6\x8e\xde", Encoding::eucjp},
    {"$w", "-~\"", "-~\"", Encoding::eucjp},
    {"$w$n$h$k", "a", "aaaa", Encoding::bytes},
    // The captures, whatever pattern left them.
    {"$A|$a|$d|$f|$D|$s|$x|$g|$c", "m", "A1|al|42|1.5|9| \t|ff|!?|\x01"},
    {"<$d>", "m", "<42>"},
};

TEST_F(Builder, ExpandsTheTable) {
  for (const Case& c : kCases) {
    SCOPED_TRACE("to " + c.to + " match " + c.match);
    preset_captures();
    EXPECT_EQ(expand(c.to, c.match, c.enc), c.want);
  }
}

TEST_F(Builder, InsertsLongCapturesWhole) {
  preset_captures();
  const std::string digits(10000, '5');
  set_capture(&cap('d'), digits);
  const std::string match(5000, 'm');
  EXPECT_EQ(expand("$d-$$-$u", match), digits + "-" + match + "-" + std::string(5000, 'M'));
}

// Templates that write the same text for every match, and some that do not
// (a bad '$' included: it must still be reported at the first match).
TEST(CompileTo, TellsTemplatesWithoutElements) {
  const struct {
    const char* to;
    bool constant;
  } cases[] = {{"", true},      {"abc", true},  {"a\\$b", true}, {"\x81$d", true}, {"x\\", true},
               {"$d", false},   {"x$", false}, {"a$$", false},   {"$z", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.to);
    ToProgram prog;
    compile_to(c.to, &prog);
    EXPECT_EQ(prog.constant, c.constant);
  }
}

// Templates with a '$' that starts no element.
const char* const kBadTemplates[] = {"x$", "$z", "$^", "$?", "$L", "$1", "ok$d then $"};

TEST_F(Builder, ABadDollarIsTheFaultOfAMatchThatReachesIt) {
  for (const char* to : kBadTemplates) {
    SCOPED_TRACE(to);
    ToProgram prog;
    compile_to(to, &prog);
    EXPECT_FALSE(prog.usable);
    EXPECT_STREQ(replace_item("x", "m", to), "x");
    EXPECT_EQ(replace_item("xm", "m", to), nullptr);
    EXPECT_EQ(ed.fault, ErrorCode::bad_to);
    EXPECT_EQ(std::string(ed.error.data), std::string("illegal \"-r <replace>\" parameter: ") + to + "\n");
  }
}

}  // namespace
}  // namespace quorl
