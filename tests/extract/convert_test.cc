#include "extract/convert.h"

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace quorl {
namespace {

// ---- The word splitter ----

struct WordCase {
  const char* name;
  std::string list;
  std::vector<std::string> words;  // every word before the end of the list
};

const std::string kWord1024(1024, 'w');
const std::string kBlanks1024(1024, ' ');

const WordCase kWords[] = {
    {"empty list", "", {}},
    {"one word", "abc", {"abc"}},
    {"two words", "a,b", {"a", "b"}},
    {"white space around words is dropped", " a , b ", {"a", "b"}},
    {"tab newline form feed are white", "\t\n\f a \f\n,\tb\t", {"a", "b"}},
    {"blanks inside a word stay", " a b ,c", {"a b", "c"}},
    {"carriage return is part of the word", "\r a\r ,b", {"\r a\r", "b"}},
    {"vertical tab is part of the word", "\va\v", {"\va\v"}},
    {"trailing comma ends the list", "a,", {"a"}},
    {"leading comma gives an empty word", ",a", {"", "a"}},
    {"two commas give an empty word", "a,,c", {"a", "", "c"}},
    {"white-only word is empty", "a, ,c", {"a", "", "c"}},
    {"double-byte words", "\x82\xa0\x82\xa2,\x83\x5c", {"\x82\xa0\x82\xa2", "\x83\x5c"}},
    {"word of exactly the limit", kWord1024 + ",x", {kWord1024, "x"}},
    {"longer word is cut; the rest is the next word", kWord1024 + "tail,x",
     {kWord1024, "tail", "x"}},
    {"white space past the limit joins the word", kBlanks1024 + "   ab", {"   ab"}},
    {"white space only, past the limit", kBlanks1024 + kBlanks1024, {""}},
};

TEST(Csvword, SplitsLists) {
  for (const WordCase& c : kWords) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> got;
    const char* p = c.list.c_str();
    while (*p != '\0' && got.size() < 10) {
      char* word = nullptr;
      p = get_csvword(p, &word);
      ASSERT_EQ(word, csvword_buf);
      got.emplace_back(word);
    }
    EXPECT_EQ(got, c.words);
  }
}

TEST(Csvword, EndOfListGivesEmptyWordsInPlace) {
  const char* list = "a,b";
  char* word = nullptr;
  const char* p = get_csvword(list, &word);
  EXPECT_EQ(p, list + 2);
  EXPECT_STREQ(word, "a");
  p = get_csvword(p, &word);
  EXPECT_EQ(p, list + 3);
  EXPECT_STREQ(word, "b");
  for (int k = 0; k < 3; ++k) {
    const char* q = get_csvword(p, &word);
    EXPECT_EQ(q, p);
    EXPECT_STREQ(word, "");
  }
}

// ---- Building the specification ----

struct BuildCase {
  const char* name;
  int whole_word;
  const char* from;
  const char* to;
  const char* spec;
};

const BuildCase kBuilds[] = {
    {"plain pairs", 0, "a,b", "x,y", "a:x,b:y,"},
    {"whole-word pairs", 1, "a,b", "x,y", "(a):x,(b):y,"},
    {"any nonzero switch", 7, "a", "x", "(a):x,"},
    {"white space dropped", 0, " a , b ", "\tx ,y\n", "a:x,b:y,"},
    {"blanks inside words kept", 1, "a b", "c d", "(a b):c d,"},
    {"empty words end both lists", 0, "a,,c", "x,,z", "a:x,"},
    {"trailing commas", 0, "a,b,", "x,y,", "a:x,b:y,"},
    {"words go in unescaped", 0, "$d,a:b", "[$$],\\c", "$d:[$$],a:b:\\c,"},
    {"double-byte words", 0, "\x82\xa0", "\x83\x5c", "\x82\xa0:\x83\x5c,"},
};

TEST(ConvertStr, BuildsTheSpecification) {
  for (const BuildCase& c : kBuilds) {
    SCOPED_TRACE(c.name);
    convert_str(c.whole_word, c.from, c.to, "line");
    EXPECT_STREQ(conv_buf, c.spec);
  }
}

// ---- Refusals without a message ----

struct RefusalCase {
  const char* name;
  int whole_word;
  std::string from;
  std::string to;
  size_t built;  // bytes in conv_buf when it gives up
};

// words: n copies of w joined by commas.
std::string words(int n, const std::string& w) {
  std::string s;
  for (int k = 0; k < n; ++k) s += (k > 0 ? "," : "") + w;
  return s;
}

// Four pairs of a 1000-byte from-word and "x" fill 4012 bytes of conv_buf.
const std::string kFour = words(4, std::string(1000, 'f'));

const RefusalCase kRefusals[] = {
    {"from list longer", 0, "a,b,c", "x,y", 9},
    {"to list longer", 0, "a,b", "x,y,z", 8},
    {"empty to-word cannot delete", 0, "a", "", 1},
    {"empty from-word", 0, "", "x", 0},
    {"empty from-word against a word", 1, "a,,c", "x,y,z", 6},
    {"empty to-word against a word", 0, "a,b", "x,", 5},
    // The limit tests count the words only: a from-word reaching 4096
    // stops before it is written, a to-word reaching it after its from-word.
    {"from-word reaches the limit", 0, kFour + "," + std::string(84, 'g'), words(5, "x"), 4012},
    {"to-word reaches the limit", 0, kFour + "," + std::string(82, 'g'), words(4, "x") + ",xy",
     4094},
    {"from-word just under the limit, to-word over", 0, kFour + "," + std::string(83, 'g'),
     words(5, "x"), 4095},
    {"finished specification reaches the limit", 0, kFour + "," + std::string(81, 'g'),
     words(5, "x"), 4096},
    {"whole words count the parentheses already written", 1,
     kFour + "," + std::string(76, 'g'), words(5, "x"), 4020},
};

TEST(ConvertStr, RefusesWithoutMessage) {
  for (const RefusalCase& c : kRefusals) {
    SCOPED_TRACE(c.name);
    char line[] = "a b f g";
    testing::internal::CaptureStderr();
    char* out = convert_str(c.whole_word, c.from.c_str(), c.to.c_str(), line);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(std::strlen(conv_buf), c.built);
    EXPECT_STREQ(line, "a b f g");
  }
}

// convert_str keeps the classic contract: a to-word whose '$' starts no
// element ends the process once its from-word matches.
TEST(ConvertStrDeathTest, BadDollarInAToWordEndsTheProcess) {
  EXPECT_STREQ(convert_str(0, "a", "$q", "b c"), "b c");
  EXPECT_EXIT(convert_str(0, "a", "$q", "a b"), ::testing::ExitedWithCode(1),
              "^illegal \"-r <replace>\" parameter: \\$q\n$");
}

TEST(ConvertStr, LongestAcceptedSpecification) {
  // The end of the lists is an empty from-word, and the from-word test still
  // applies to it: the finished specification must stay under 4096 bytes.
  struct Longest {
    int whole_word;
    size_t last_from;
  };
  for (Longest c : {Longest{0, 80}, Longest{1, 70}}) {
    SCOPED_TRACE(c.whole_word);
    std::string from = kFour + "," + std::string(c.last_from, 'g');
    char* out = convert_str(c.whole_word, from.c_str(), words(5, "x").c_str(), "zzz");
    ASSERT_NE(out, nullptr);
    EXPECT_STREQ(out, "zzz");
    EXPECT_EQ(std::strlen(conv_buf), 4095u);
    EXPECT_EQ(std::string(conv_buf).substr(4095 - 3), ":x,");
  }
}

}  // namespace
}  // namespace quorl
