#include "replace/builder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "replace/matcher.h"
#include "support/exit.h"

namespace quorl {
namespace {

void set_capture(Capture* c, const std::string& text) {
  c->refer(text.c_str(), static_cast<int>(text.size()));
  c->settle();
}

// Captures as a match of "$A$a$d$f$D$s$x$g$c" might have left them.
void preset_captures() {
  set_capture(&arg_A, "A1");
  set_capture(&arg_a, "al");
  set_capture(&arg_d, "42");
  set_capture(&arg_f, "1.5");
  set_capture(&arg_D, "9");
  set_capture(&arg_s, " \t");
  set_capture(&arg_x, "ff");
  set_capture(&arg_g, "!?");
  set_capture(&arg_c, "\x01");
}

// expand: the expansion of to for match, checked against to_string_size.
std::string expand(const std::string& to, const std::string& match) {
  from_arg.refer(match.c_str(), static_cast<int>(match.size()));
  const size_t size = to_string_size(to.c_str(), static_cast<int>(match.size()));
  std::vector<char> out(size + 2, '#');
  const int n = make_to_string(match.c_str(), out.data(), to.c_str(), static_cast<int>(match.size()),
                               static_cast<int>(to.size()));
  EXPECT_EQ(static_cast<size_t>(n), size);
  EXPECT_EQ(out[static_cast<size_t>(n)], '\0');
  EXPECT_EQ(out[size + 1], '#');  // nothing written past the room asked for
  // The template taken apart once writes the same.
  ToProgram prog;
  compile_to(to.c_str(), &prog);
  EXPECT_TRUE(prog.usable);
  EXPECT_EQ(to_program_size(prog, default_editor.caps, static_cast<int>(match.size())), size);
  std::vector<char> again(size + 2, '#');
  EXPECT_EQ(expand_to_program(prog, default_editor.caps, match.c_str(), again.data(), static_cast<int>(match.size())), n);
  EXPECT_EQ(again, out);
  return std::string(out.data(), static_cast<size_t>(n));
}

struct Case {
  std::string to;
  std::string match;
  std::string want;
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
    // The captures, whatever pattern left them.
    {"$A|$a|$d|$f|$D|$s|$x|$g|$c", "m", "A1|al|42|1.5|9| \t|ff|!?|\x01"},
    {"<$d>", "m", "<42>"},
};

TEST(MakeToString, ExpandsTheTable) {
  for (const Case& c : kCases) {
    SCOPED_TRACE("to " + c.to + " match " + c.match);
    preset_captures();
    EXPECT_EQ(expand(c.to, c.match), c.want);
  }
}

TEST(MakeToString, InsertsLongCapturesWhole) {
  preset_captures();
  const std::string digits(10000, '5');
  set_capture(&arg_d, digits);
  const std::string match(5000, 'm');
  EXPECT_EQ(expand("$d-$$-$u", match), digits + "-" + match + "-" + std::string(5000, 'M'));
}

// Templates that write the same text for every match, and some that do not
// (a bad '$' included: it must still be reported at the first match).
TEST(IsConstant, TellsTemplatesWithoutElements) {
  const struct {
    const char* to;
    bool constant;
  } cases[] = {{"", true},      {"abc", true},  {"a\\$b", true}, {"\x81$d", true}, {"x\\", true},
               {"$d", false},   {"x$", false}, {"a$$", false},   {"$z", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.to);
    EXPECT_EQ(is_constant(c.to), c.constant);
  }
}

struct Ended {
  int status;
};

void throw_status(int status) { throw Ended{status}; }

// Templates with a '$' that starts no element.
const char* const kBadTemplates[] = {"x$", "$z", "$^", "$?", "$L", "$1", "ok$d then $"};

TEST(MakeToString, EndsTheProcessOnABadDollar) {
  for (const char* to : kBadTemplates) {
    SCOPED_TRACE(to);
    // Not taken apart: the expansion that reports it is make_to_string's.
    ToProgram prog;
    compile_to(to, &prog);
    EXPECT_FALSE(prog.usable);
    preset_captures();
    from_arg.refer("m", 1);
    std::vector<char> out(to_string_size(to, 1) + 1);
    exit_hook = throw_status;
    testing::internal::CaptureStderr();
    int status = -1;
    try {
      make_to_string("m", out.data(), to, 1, static_cast<int>(std::strlen(to)));
    } catch (const Ended& e) {
      status = e.status;
    }
    const std::string err = testing::internal::GetCapturedStderr();
    exit_hook = nullptr;
    EXPECT_EQ(status, 1);
    EXPECT_EQ(err, std::string("illegal \"-r <replace>\" parameter: ") + to + "\n");
  }
}

}  // namespace
}  // namespace quorl
