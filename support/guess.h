// Guessing a text's encoding from the characters it would hold.
//
// A sample is read three times, as UTF-8, EUC-JP and Shift_JIS. Each
// reading counts its invalid sequences (check_sequence) and sums, over its
// characters, the log of how likely that character is in Japanese text: the
// share of its kind in such text over the number of characters of that kind.
// The kinds come from the encodings' own structure: the JIS X 0208 rows a
// double-byte character of Shift_JIS or EUC-JP falls in (symbols, full-width
// letters, kana, the two levels of kanji), the vendor and user-defined rows
// beyond them, half-width katakana, and the Unicode blocks that hold the
// same characters in UTF-8. A wrong reading of Japanese bytes turns into
// half-width katakana, rare kanji, unassigned cells or invalid sequences,
// and so scores lower than the right one; the rule that picks a reading is
// in quorl/encoding.h.
//
// The sample is bytes, not NUL-terminated; nothing is kept between calls.
#ifndef QUORL_SUPPORT_GUESS_H
#define QUORL_SUPPORT_GUESS_H

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "quorl/encoding.h"

namespace quorl {

// kGuessSample: how many bytes of an input the guess reads past its leading
// ASCII (a whole line of ordinary text many times over, and a small share
// of the time an edit takes on any file worth guessing).
inline constexpr size_t kGuessSample = 64 * 1024;

// Reading: a sample as one encoding reads it.
struct Reading {
  size_t invalid = 0;  // invalid sequences
  double score = 0;    // log likelihood of its characters, UTF-8's prior added
};

// read_as: the sample read in enc (utf8, eucjp or sjis); cut as for
// guess_encoding. The reading stops at give_up + 1 invalid sequences.
Reading read_as(Encoding enc, std::string_view sample, bool cut, size_t give_up = SIZE_MAX);

}  // namespace quorl

#endif
