// quorl::Encoding: how bytes form characters in the text quorl edits, and
// a guess of which one a text is in.
//
// The guess weighs UTF-8, EUC-JP and Shift_JIS (code page 932). The
// encoding in which the sample holds the fewest invalid byte sequences
// wins, so that a text valid in one alone is taken as that one; among
// those that tie (commonly a short text, valid in two), the likeliest
// reading of the sample as Japanese text wins: each character counts by
// how often its kind (hiragana, katakana, common and rare kanji, symbols,
// half-width katakana, extension and user-defined rows, unassigned cells)
// appears in Japanese text, over how many characters that kind holds, and
// UTF-8, the commonest, starts a little ahead. Equal scores go to UTF-8,
// then Shift_JIS, then EUC-JP. A sample with no byte over 0x7F is ASCII; a
// UTF-8 byte order mark at its start counts as a certain UTF-8 character.
#ifndef QUORL_ENCODING_H
#define QUORL_ENCODING_H

#include <string_view>

#include "quorl/export.h"

namespace quorl {

// sjis: Shift_JIS (code page 932), the default; utf8: UTF-8; eucjp: EUC-JP;
// bytes: every byte is a character.
enum class Encoding : unsigned char { sjis, utf8, eucjp, bytes };

// EncodingGuess: what a sample of text looks like. encoding is sjis for an
// ASCII sample (ascii set), where every encoding reads the same; bom: the
// sample opens with a UTF-8 byte order mark.
struct EncodingGuess {
  Encoding encoding = Encoding::sjis;
  bool ascii = true;
  bool bom = false;
};

// guess_encoding: the guess for sample, read whole; cut: the sample may end
// inside a character (a prefix of a longer text), so that a sequence broken
// off by its end is not held against an encoding. Thread-safe.
QUORL_API EncodingGuess guess_encoding(std::string_view sample, bool cut = false);

// guess_file_encoding: the guess for the file at path, from its first 64 KiB
// past its leading ASCII. When its first MiB is all ASCII, the sample is
// the first line with a byte over 0x7F in one of 16 blocks spread over the
// rest of a regular file, the last at its end (none: ASCII). False, *guess
// untouched, when the file cannot be opened or read.
QUORL_API bool guess_file_encoding(const char* path, EncodingGuess* guess);

// guess_name: "ascii", "utf-8", "euc-jp" or "shift_jis": a static string.
QUORL_API const char* guess_name(const EncodingGuess& guess);

}  // namespace quorl

#endif
