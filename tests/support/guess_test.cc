#include "support/guess.h"

#include <cstdio>
#include <fstream>
#include <string>

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

// Files: the sample past the leading ASCII, the probes past its first MiB,
// and a byte order mark only at the start.
TEST(Guess, Files) {
  const std::string ascii_lines(3 << 20, 'a');
  const struct {
    const char* name;
    std::string text;
    const char* guess;
    bool bom;
  } cases[] = {
      {"kana after a short ASCII run", "abc\n\xA4\xA2\xA4\xA4\n", "euc-jp", false},
      {"kana after 3 MiB of ASCII, at the end", ascii_lines + "\n\x82\xA0\x82\xA2\n", "shift_jis", false},
      {"byte order mark", "\xEF\xBB\xBF" "abc\n", "utf-8", true},
      {"byte order mark after ASCII", "abc\xEF\xBB\xBF\n", "utf-8", false},
  };
  const std::string path = ::testing::TempDir() + "guess_file.txt";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::ofstream(path, std::ios::binary) << c.text;
    EncodingGuess guess;
    ASSERT_TRUE(guess_file_encoding(path.c_str(), &guess));
    EXPECT_STREQ(guess_name(guess), c.guess);
    EXPECT_EQ(guess.bom, c.bom);
  }
  std::remove(path.c_str());
  EncodingGuess untouched;
  EXPECT_FALSE(guess_file_encoding(path.c_str(), &untouched));
}

}  // namespace
}  // namespace quorl
