#include "support/bytescan.h"
#include "support/encoding.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace quorl {
namespace {

// Plain one-byte-at-a-time answers to compare the scanners with.
const char* naive_literal(const char* p, const char* end, const std::string& lit) {
  for (; end - p >= static_cast<long>(lit.size()); ++p)
    if (std::string(p, lit.size()) == lit) return p;
  return nullptr;
}

const char* naive_set(const char* p, const char* end, const ByteSet& set) {
  for (; p < end; ++p)
    if (set.has(static_cast<unsigned char>(*p))) return p;
  return nullptr;
}

struct LiteralCase {
  std::string text;
  std::string lit;
  int want;  // offset of the hit, -1 for none
};

TEST(FindLiteral, Table) {
  const LiteralCase cases[] = {
      {"", "a", -1},
      {"abc", "abcd", -1},
      {"abc", "abc", 0},
      {"xxabc", "abc", 2},
      {"ab ab abc", "abc", 6},
      {"the other then", "then", 10},
      // Past the 16-byte blocks: the hit lies in the tail, or straddles it.
      {std::string(40, 'x') + "the", "the", 40},
      {std::string(14, 'x') + "the" + std::string(20, 'y'), "the", 14},
      {std::string(15, 't') + "he", "the", 14},
      // First and last byte agree, the middle does not.
      {std::string(20, 'x') + "tXe" + std::string(20, 'x') + "the", "the", 43},
      // The last byte of the text is never read past.
      {std::string(31, 't') + "h", "the", -1},
  };
  for (const LiteralCase& c : cases) {
    SCOPED_TRACE(c.text + " / " + c.lit);
    const char* b = c.text.data();
    const char* got = find_literal(b, b + c.text.size(), c.lit.data(), c.lit.size());
    EXPECT_EQ(got == nullptr ? -1 : static_cast<int>(got - b), c.want);
  }
}

// Every length and alignment of small random texts over a tiny alphabet,
// where hits and near misses are frequent.
TEST(FindLiteral, AgreesWithPlainSearch) {
  std::mt19937 rng(7);
  const char alphabet[] = "ab\x81";
  for (int round = 0; round < 3000; ++round) {
    std::string text(rng() % 70, ' ');
    for (char& ch : text) ch = alphabet[rng() % 3];
    std::string lit(1 + rng() % 4, ' ');
    for (char& ch : lit) ch = alphabet[rng() % 3];
    const size_t from = text.empty() ? 0 : rng() % text.size();
    const char* b = text.data() + from;
    const char* e = text.data() + text.size();
    SCOPED_TRACE(text + " / " + lit);
    EXPECT_EQ(find_literal(b, e, lit.data(), lit.size()), naive_literal(b, e, lit));
  }
}

// With room to read before p, a short rest is tested as the end of a block
// that begins before p: what lies before p must never be found.
TEST(FindLiteral, ReadingBeforeTheStartFindsNothingThere) {
  std::mt19937 rng(9);
  const char alphabet[] = "ab\x81";
  for (int round = 0; round < 3000; ++round) {
    std::string text(16 + rng() % 40, ' ');
    for (char& ch : text) ch = alphabet[rng() % 3];
    std::string lit(2 + rng() % 3, ' ');
    for (char& ch : lit) ch = alphabet[rng() % 3];
    const char* floor = text.data();
    const char* e = floor + text.size();
    const char* b = floor + rng() % text.size();
    SCOPED_TRACE(text + " / " + lit);
    const LiteralFinder finder(lit.data(), lit.size());
    EXPECT_EQ(finder.find(b, e, floor), naive_literal(b, e, lit));
  }
}

TEST(FindInSet, AgreesWithPlainSearch) {
  ByteSet digits;
  digits.add('0', '9');
  ByteSet blanks;
  blanks.add(' ', ' ');
  blanks.add('\t', '\t');
  ByteSet high;
  high.add(0x01, 0x1F);
  high.add(0x7F, 0x7F);
  high.add(0xF0, 0xFF);
  const ByteSet* sets[] = {&digits, &blanks, &high};
  std::mt19937 rng(11);
  for (int round = 0; round < 3000; ++round) {
    std::string text(rng() % 70, ' ');
    // Mostly bytes outside every set, so hits come late or not at all.
    for (char& ch : text) ch = rng() % 8 == 0 ? static_cast<char>(rng() % 256) : 'x';
    const ByteSet& set = *sets[round % 3];
    const size_t from = text.empty() ? 0 : rng() % text.size();
    const char* b = text.data() + from;
    const char* e = text.data() + text.size();
    EXPECT_EQ(find_in_set(b, e, SetScanner(set)), naive_set(b, e, set)) << "round " << round;
    EXPECT_EQ(find_in_set(b, e, SetScanner(set), text.data()), naive_set(b, e, set)) << "round " << round;
  }
}

struct StartCase {
  std::string text;
  int at;
  bool want;
  Encoding enc = Encoding::sjis;
};

TEST(StartsChar, TellsCharacterStartsInEachEncoding) {
  const StartCase cases[] = {
      {"abc", 2, true},
      {"\x81" "a", 1, false},               // a second byte
      {"\x81\x81" "a", 2, true},            // the leads pair off
      {"\x81\x81\x81" "a", 3, false},
      {"x\x95\x74he", 2, false},            // 0x74 ('t') after a lead
      {"\x82\xa0" "a", 2, true},            // 0xA0 is no lead: a fresh start after it
      {"\x81\xe0\x81" "a", 3, false},
      {"\xe3\x81\x82", 2, false, Encoding::utf8},
      {"\xe3\x81" "a", 1, true, Encoding::utf8},             // E3 81 is cut short
      {"\xe3\x81\xe3\x81\x82", 1, true, Encoding::utf8},
      {"\xe3\x81\xe3\x81\x82", 4, false, Encoding::utf8},
      {"a\x81\x82", 2, true, Encoding::utf8},                 // lone continuation bytes
      {"\xf0\x9f\x98\x80", 3, false, Encoding::utf8},
      {"\xa1\xa2\xa3\xa4", 2, true, Encoding::eucjp},
      {"\xa1\xa2\xa3\xa4", 3, false, Encoding::eucjp},
      {"\x8f\xa1\xa1\xa1", 2, false, Encoding::eucjp},
      {"\x8f\xa1\xa1\xa1", 3, true, Encoding::eucjp},
      {"\x81\x82", 1, true, Encoding::bytes},
  };
  for (const StartCase& c : cases) {
    SCOPED_TRACE(c.text.substr(0, static_cast<size_t>(c.at)));
    EXPECT_EQ(starts_char(c.enc, c.text.data(), c.text.data() + c.at), c.want);
  }
}

TEST(CheckSequence, FindsEachKindOfFault) {
  struct Case {
    Encoding enc;
    std::string text;
    size_t len;
    bool bad;
  };
  const Case cases[] = {
      {Encoding::sjis, "\x83\x65", 2, false},  {Encoding::sjis, "\x83", 1, true},   // lead at the end
      {Encoding::sjis, "\x81\x20", 1, true},   {Encoding::sjis, "\xa0", 1, true},   // bad second; unassigned
      {Encoding::sjis, "\xfd", 1, true},        {Encoding::sjis, "\xb1", 1, false},  // half-width kana
      {Encoding::utf8, "\xe3\x81\x82", 3, false}, {Encoding::utf8, "\xe3\x81" "a", 2, true},
      {Encoding::utf8, "\xc0\x80", 1, true},   {Encoding::utf8, "\xed\xa0\x80", 1, true},  // overlong; surrogate
      {Encoding::utf8, "\xf4\x90\x80\x80", 1, true}, {Encoding::utf8, "\x80", 1, true},
      {Encoding::eucjp, "\xa4\xa2", 2, false}, {Encoding::eucjp, "\x8f\xa1" "a", 2, true},
      {Encoding::eucjp, "\x8e\xe0", 1, true},  {Encoding::eucjp, "\x90", 1, true},
      {Encoding::bytes, "\xff", 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    bool bad = false;
    EXPECT_EQ(check_sequence(c.enc, c.text.data(), c.text.size(), &bad), c.len);
    EXPECT_EQ(bad, c.bad);
  }
}

}  // namespace
}  // namespace quorl
