// Width and kana conversion of a match: what $w, $n, $h and $k write.
//
// Japanese text holds most letters twice over: ASCII and its full-width
// twins (Ａ for A, the ideographic space for the blank), katakana in full
// and in half width (ｶﾞ, two characters, for ガ), and every kana as
// hiragana and as katakana. The four conversions move a match between
// those forms, one character at a time:
//   wide      ASCII letters, digits, symbols and the blank to full width;
//             half-width katakana and their punctuation to full width, a
//             letter and the voiced or semi-voiced mark after it joined
//             into one character where one exists (ｶﾞ to ガ, ﾊﾟ to パ);
//   narrow    the reverse: full width to ASCII and to half-width katakana,
//             a voiced letter split into the letter and its mark;
//   hiragana  katakana to hiragana, half-width katakana widened first;
//   katakana  hiragana to katakana.
// A character with no counterpart stays as it is, and so does one whose
// counterpart the encoding cannot hold (EUC-JP has no full-width '"', and
// neither legacy encoding has hiragana ゔ): a join is made only where the
// joined character can be written, and $h leaves a widened letter in
// katakana when its hiragana cannot be. Plain bytes know ASCII alone, which
// has no other form there, so nothing changes in them.
//
// The tables are quorl's own pairs, kept by Unicode code point; Shift_JIS
// (code page 932) and EUC-JP reach them through the JIS X 0208 row and cell
// of each character. Bytes that form no character (a sequence cut short, a
// lead byte at the end of the match) are copied as they are.
#ifndef QUORL_REPLACE_WIDTH_H
#define QUORL_REPLACE_WIDTH_H

#include <cstddef>

#include "support/encoding.h"

namespace quorl {

// The conversions, named by the letter of their <to> element.
enum class WidthConvert : char { wide = 'w', narrow = 'n', hiragana = 'h', katakana = 'k' };

// is_width_letter: c names a width or kana conversion ($w $n $h $k).
constexpr bool is_width_letter(char c) { return c == 'w' || c == 'n' || c == 'h' || c == 'k'; }

// width_converted_max: the most bytes convert_width writes for len bytes,
// in any encoding: one ASCII byte becomes three in UTF-8, and no other
// character grows more than that.
constexpr size_t width_converted_max(size_t len) { return 3 * len; }

// convert_width: the len bytes at text (in the encoding enc) converted by
// how, written at out, which has room for width_converted_max(len) bytes;
// returns the bytes written (no NUL is added).
size_t convert_width(Encoding enc, WidthConvert how, const char* text, size_t len, char* out);

}  // namespace quorl

#endif
