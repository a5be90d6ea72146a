#include "support/guess.h"

#include <gtest/gtest.h>

namespace quorl {
namespace {

struct Case {
  const char* name;
  std::string_view sample;
  const char* guess;
};

const Case kCases[] = {
    {"ASCII alone", "plain text\n", "ascii"},
    {"byte order mark before ASCII", "\xEF\xBB\xBFplain", "utf-8"},
    {"kana in UTF-8", "\xE3\x81\x82\xE3\x81\x84", "utf-8"},
    {"kana in EUC-JP, half-width katakana in Shift_JIS", "\xA4\xA2\xA4\xA4", "euc-jp"},
    {"kana in Shift_JIS", "\x82\xA0\x82\xA2", "shift_jis"},
    {"second bytes 0x5C", "\x83\x5C\x95\x5C", "shift_jis"},
    {"lone Greek letter in UTF-8 is no EUC-JP kanji", "U /\xCE\xA5;Upsilon/", "utf-8"},
    {"kanji in EUC-JP", "\xC6\xFC\xCB\xDC\xB8\xEC", "euc-jp"},
};

TEST(Guess, Samples) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_STREQ(guess_name(guess_encoding(c.sample)), c.guess);
  }
}

TEST(Guess, CutSampleKeepsItsBrokenEnd) {
  EXPECT_EQ(read_as(Encoding::utf8, "\xE3\x81\x82\xE3\x81", true).invalid, 0u);
  EXPECT_EQ(read_as(Encoding::utf8, "\xE3\x81\x82\xE3\x81", false).invalid, 1u);
}

}  // namespace
}  // namespace quorl
