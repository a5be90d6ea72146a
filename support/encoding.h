// Encodings: how bytes form characters.
//
// Text is bytes; an encoding only tells where characters begin and end, so
// that no character is cut, and no byte inside one is taken for syntax, a
// separator or the start of a match.
//   sjis   a lead byte 0x81-0x9F or 0xE0-0xFC and the byte after it (not the
//          NUL) are one character (code page 932).
//   utf8   a well-formed sequence of 2 to 4 bytes (no overlong form, no
//          surrogate, nothing above U+10FFFF) is one character.
//   eucjp  0x8E and one byte 0xA1-0xDF; 0x8F and two bytes 0xA1-0xFE; two
//          bytes 0xA1-0xFE.
//   bytes  every byte is a character.
// Every byte that starts no such sequence is a character of its own, and so
// is each byte of a sequence cut short by the end of the text.
//
// UTF-8 and EUC-JP never use an ASCII byte inside a longer character, so
// any ASCII byte starts a character there; Shift_JIS second bytes can be
// ASCII, which makes its character starts costlier to find.
#ifndef QUORL_SUPPORT_ENCODING_H
#define QUORL_SUPPORT_ENCODING_H

#include <cstddef>

#include "quorl/encoding.h"
#include "support/sjis.h"

namespace quorl {

// is_multi_start: c may begin a character of more than one byte.
constexpr bool is_multi_start(Encoding enc, unsigned char c) {
  switch (enc) {
    case Encoding::sjis: return is_lead(c);
    case Encoding::utf8: return c >= 0xC2 && c <= 0xF4;
    case Encoding::eucjp: return c == 0x8E || c == 0x8F || (c >= 0xA1 && c <= 0xFE);
    case Encoding::bytes: return false;
  }
  return false;
}

// ascii_syncs: every ASCII byte starts a character.
constexpr bool ascii_syncs(Encoding enc) { return enc != Encoding::sjis; }

// takes_chars: whether ? and an escape take a whole character (UTF-8 and
// EUC-JP) rather than one byte (Shift_JIS, and plain bytes).
constexpr bool takes_chars(Encoding enc) { return enc == Encoding::utf8 || enc == Encoding::eucjp; }

namespace encoding_detail {

constexpr bool in(unsigned char c, unsigned char lo, unsigned char hi) { return c >= lo && c <= hi; }

inline int utf8_len(const unsigned char* p) {
  const unsigned char c = p[0];
  if (c < 0xC2 || c > 0xF4) return 1;
  if (c < 0xE0) return in(p[1], 0x80, 0xBF) ? 2 : 1;
  const unsigned char lo = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
  const unsigned char hi = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
  if (!in(p[1], lo, hi) || !in(p[2], 0x80, 0xBF)) return 1;
  if (c < 0xF0) return 3;
  return in(p[3], 0x80, 0xBF) ? 4 : 1;
}

inline int eucjp_len(const unsigned char* p) {
  const unsigned char c = p[0];
  if (c == 0x8E) return in(p[1], 0xA1, 0xDF) ? 2 : 1;
  if (c == 0x8F) return in(p[1], 0xA1, 0xFE) && in(p[2], 0xA1, 0xFE) ? 3 : 1;
  if (in(c, 0xA1, 0xFE)) return in(p[1], 0xA1, 0xFE) ? 2 : 1;
  return 1;
}

}  // namespace encoding_detail

// char_len: bytes in the character at p (1 to 4); p must not point at the
// terminating NUL. Reads no further than the character, or than the first
// byte that ends it short (the NUL ends every sequence).
inline int char_len(Encoding enc, const char* p) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  if (u[0] < 0x80) return 1;
  switch (enc) {
    case Encoding::sjis: return char_len(p);
    case Encoding::utf8: return encoding_detail::utf8_len(u);
    case Encoding::eucjp: return encoding_detail::eucjp_len(u);
    case Encoding::bytes: return 1;
  }
  return 1;
}

// starts_char: whether c starts a character, in text known to have a
// character start at base (base <= c) and no NUL in [base, c).
inline bool starts_char(Encoding enc, const char* base, const char* c) {
  const auto u = static_cast<unsigned char>(*c);
  switch (enc) {
    case Encoding::sjis: {
      // Only the lead-range bytes right in front of c tell: they pair off
      // from the first of them, so c is a second byte exactly when their
      // number is odd.
      const char* b = c;
      while (b > base && is_lead(static_cast<unsigned char>(b[-1]))) --b;
      return ((c - b) & 1) == 0;
    }
    case Encoding::utf8: {
      // Only a continuation byte can be inside a character, of one that
      // starts at most three bytes before it.
      if (u < 0x80 || u >= 0xC0) return true;
      for (const char* b = c - 1; b >= base && c - b <= 3; --b) {
        const auto v = static_cast<unsigned char>(*b);
        if (v >= 0xC0) return b + char_len(enc, b) <= c;
        if (v < 0x80) return true;
      }
      return true;
    }
    case Encoding::eucjp: {
      if (u < 0x80) return true;
      // From the last character start known in front of c: base, or the
      // byte after an ASCII byte.
      const char* b = c;
      while (b > base && static_cast<unsigned char>(b[-1]) >= 0x80) --b;
      while (b < c) b += char_len(enc, b);
      return b == c;
    }
    case Encoding::bytes: return true;
  }
  return true;
}

// char_boundary: the first character start at or after hit, in text with a
// character start at p (p <= hit); *multi tells whether the character
// before it has more than one byte (left alone when p == hit).
inline const char* char_boundary(Encoding enc, const char* p, const char* hit, int* multi) {
  while (p < hit) {
    const int n = char_len(enc, p);
    *multi = n > 1 ? 1 : 0;
    p += n;
  }
  return p;
}

inline const char* char_boundary(Encoding enc, const char* p, const char* hit) {
  int multi = 0;
  return char_boundary(enc, p, hit, &multi);
}

// first_char_start: the first character start at or after hit, in text
// with a character start at base (base <= hit) and no NUL in [base, hit).
// The scanners call it on every hit, so that a hit inside a character moves
// their search on past that character.
inline const char* first_char_start(Encoding enc, const char* base, const char* hit) {
  if (starts_char(enc, base, hit)) return hit;
  // In Shift_JIS a hit inside a character is its second, and last, byte.
  return enc == Encoding::sjis ? hit + 1 : char_boundary(enc, base, hit);
}

// check_sequence: the character at p, with n bytes of the line left (n >=
// 1; the line's end need not be a NUL): its length with *bad false when it
// is valid in the encoding, or else with *bad true the length of the
// invalid sequence there (a start that no character of the encoding can
// have, or the longest start of one that the next byte or the line's end
// breaks off). Shift_JIS is taken as code page 932: a lead byte needs a
// second byte 0x40-0x7E or 0x80-0xFC, and 0x80, 0xA0 and 0xFD-0xFF are no
// characters.
size_t check_sequence(Encoding enc, const char* p, size_t n, bool* bad);

// parse_encoding: the encoding a name given by a user stands for, in any
// case: sjis, shift_jis, shift-jis, cp932, ms932, windows-31j; utf-8, utf8,
// utf_8; euc-jp, eucjp, ujis; bytes. The names are those iconv, Python and
// the locales write. False when it names none.
bool parse_encoding(const char* name, Encoding* enc);

// is_auto_encoding: whether name, in any case, is "auto": the encoding of
// each input is to be guessed (quorl/encoding.h).
bool is_auto_encoding(const char* name);

// ENCODING_NAMES: the accepted names, for messages (and the bash
// completion, which offers them).
inline constexpr char ENCODING_NAMES[] =
    "sjis, shift_jis, shift-jis, cp932, ms932, windows-31j, utf-8, utf8, utf_8, euc-jp, eucjp, ujis, bytes";

// encoding_name: the encoding's own name (sjis, utf-8, euc-jp, bytes).
const char* encoding_name(Encoding enc);

}  // namespace quorl

#endif
