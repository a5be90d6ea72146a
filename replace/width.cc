#include "replace/width.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace quorl {

namespace {

// No character the conversions know (or no conversion of it).
constexpr char32_t NONE = 0xFFFFFFFF;

// Half-width katakana, U+FF61 to U+FF9F in order: the last byte of the
// full-width form in block U+30xx, and of that form with the voiced and
// with the semi-voiced mark joined (0: the letter takes no such mark).
// The two marks themselves widen to their spacing forms, U+309B and U+309C,
// since neither legacy encoding can hold the combining ones.
struct HalfKana {
  unsigned char full, voiced, semi;
};
constexpr char32_t HALF_FIRST = 0xFF61, HALF_LAST = 0xFF9F, VOICED_MARK = 0xFF9E, SEMI_MARK = 0xFF9F;
constexpr HalfKana HALF_KANA[HALF_LAST - HALF_FIRST + 1] = {
    {0x02, 0, 0},       {0x0C, 0, 0},       {0x0D, 0, 0},       {0x01, 0, 0},       {0xFB, 0, 0},
    {0xF2, 0xFA, 0},    {0xA1, 0, 0},       {0xA3, 0, 0},       {0xA5, 0, 0},       {0xA7, 0, 0},
    {0xA9, 0, 0},       {0xE3, 0, 0},       {0xE5, 0, 0},       {0xE7, 0, 0},       {0xC3, 0, 0},
    {0xFC, 0, 0},       {0xA2, 0, 0},       {0xA4, 0, 0},       {0xA6, 0xF4, 0},    {0xA8, 0, 0},
    {0xAA, 0, 0},       {0xAB, 0xAC, 0},    {0xAD, 0xAE, 0},    {0xAF, 0xB0, 0},    {0xB1, 0xB2, 0},
    {0xB3, 0xB4, 0},    {0xB5, 0xB6, 0},    {0xB7, 0xB8, 0},    {0xB9, 0xBA, 0},    {0xBB, 0xBC, 0},
    {0xBD, 0xBE, 0},    {0xBF, 0xC0, 0},    {0xC1, 0xC2, 0},    {0xC4, 0xC5, 0},    {0xC6, 0xC7, 0},
    {0xC8, 0xC9, 0},    {0xCA, 0, 0},       {0xCB, 0, 0},       {0xCC, 0, 0},       {0xCD, 0, 0},
    {0xCE, 0, 0},       {0xCF, 0xD0, 0xD1}, {0xD2, 0xD3, 0xD4}, {0xD5, 0xD6, 0xD7}, {0xD8, 0xD9, 0xDA},
    {0xDB, 0xDC, 0xDD}, {0xDE, 0, 0},       {0xDF, 0, 0},       {0xE0, 0, 0},       {0xE1, 0, 0},
    {0xE2, 0, 0},       {0xE4, 0, 0},       {0xE6, 0, 0},       {0xE8, 0, 0},       {0xE9, 0, 0},
    {0xEA, 0, 0},       {0xEB, 0, 0},       {0xEC, 0, 0},       {0xED, 0, 0},       {0xEF, 0xF7, 0},
    {0xF3, 0, 0},       {0x9B, 0, 0},       {0x9C, 0, 0},
};

// FULL_ASCII_JIS[c - 0x21]: the JIS X 0208 code (row and cell) of the
// full-width form of the ASCII character c, U+FF01 + (c - 0x21); 0 where
// JIS X 0208 has none ('"' and '\'' live only among the code page 932
// extensions).
constexpr uint16_t FULL_ASCII_JIS[94] = {
    0x212A, 0x0000, 0x2174, 0x2170, 0x2173, 0x2175, 0x0000, 0x214A, 0x214B, 0x2176,
    0x215C, 0x2124, 0x215D, 0x2125, 0x213F, 0x2330, 0x2331, 0x2332, 0x2333, 0x2334,
    0x2335, 0x2336, 0x2337, 0x2338, 0x2339, 0x2127, 0x2128, 0x2163, 0x2161, 0x2164,
    0x2129, 0x2177, 0x2341, 0x2342, 0x2343, 0x2344, 0x2345, 0x2346, 0x2347, 0x2348,
    0x2349, 0x234A, 0x234B, 0x234C, 0x234D, 0x234E, 0x234F, 0x2350, 0x2351, 0x2352,
    0x2353, 0x2354, 0x2355, 0x2356, 0x2357, 0x2358, 0x2359, 0x235A, 0x214E, 0x2140,
    0x214F, 0x2130, 0x2132, 0x212E, 0x2361, 0x2362, 0x2363, 0x2364, 0x2365, 0x2366,
    0x2367, 0x2368, 0x2369, 0x236A, 0x236B, 0x236C, 0x236D, 0x236E, 0x236F, 0x2370,
    0x2371, 0x2372, 0x2373, 0x2374, 0x2375, 0x2376, 0x2377, 0x2378, 0x2379, 0x237A,
    0x2150, 0x2143, 0x2151, 0x2141,
};

// Code page 932 reads these two cells as the full-width '-' and '~'; EUC-JP
// reads them as the minus sign and the wave dash, which are no such twins.
constexpr bool cp932_only(uint16_t jis) { return jis == 0x215D || jis == 0x2141; }

// The ideographic space and the kana punctuation in JIS X 0208 row 1.
constexpr struct {
  char16_t ucs;
  uint16_t jis;
} ROW1_KANA[] = {
    {0x3000, 0x2121}, {0x3001, 0x2122}, {0x3002, 0x2123}, {0x30FB, 0x2126}, {0x309B, 0x212B},
    {0x309C, 0x212C}, {0x30FD, 0x2133}, {0x30FE, 0x2134}, {0x309D, 0x2135}, {0x309E, 0x2136},
    {0x30FC, 0x213C}, {0x300C, 0x2156}, {0x300D, 0x2157},
};

// ROWS_1_3: the code point of every cell of JIS X 0208 rows 1 and 3 that
// the tables above name (row 1 first, 94 cells a row); 0 elsewhere.
constexpr auto ROWS_1_3 = [] {
  std::array<char16_t, 2 * 94> t{};
  auto at = [](uint16_t jis) { return ((jis >> 8) == 0x23 ? 94 : 0) + (jis & 0xFF) - 0x21; };
  for (int i = 0; i < 94; ++i)
    if (FULL_ASCII_JIS[i] != 0) t[at(FULL_ASCII_JIS[i])] = static_cast<char16_t>(0xFF01 + i);
  for (const auto& k : ROW1_KANA) t[at(k.jis)] = k.ucs;
  return t;
}();

// HALF_OF[cp - 0x3000]: the half-width form of the code point cp in block
// U+30xx: bits 0-5 its place in HALF_KANA plus 1 (0: none), bit 6 set when
// the voiced mark follows it, bit 7 when the semi-voiced mark does. The
// combining marks, which UTF-8 text may carry after a letter, narrow to
// the half-width marks too.
constexpr unsigned char VOICED_BIT = 0x40, SEMI_BIT = 0x80;
constexpr auto HALF_OF = [] {
  std::array<unsigned char, 256> t{};
  for (int i = 0; i < static_cast<int>(std::size(HALF_KANA)); ++i) {
    const auto place = static_cast<unsigned char>(i + 1);
    t[HALF_KANA[i].full] = place;
    if (HALF_KANA[i].voiced != 0) t[HALF_KANA[i].voiced] = place | VOICED_BIT;
    if (HALF_KANA[i].semi != 0) t[HALF_KANA[i].semi] = place | SEMI_BIT;
  }
  t[0x99] = static_cast<unsigned char>(VOICED_MARK - HALF_FIRST + 1);
  t[0x9A] = static_cast<unsigned char>(SEMI_MARK - HALF_FIRST + 1);
  return t;
}();

// jis_to_ucs: the code point of the JIS X 0208 code jis as code page 932
// (cp932) or EUC-JP reads it, when the tables know it; NONE otherwise.
char32_t jis_to_ucs(unsigned row, unsigned cell, bool cp932) {
  if (cell < 0x21 || cell > 0x7E) return NONE;
  if (row == 0x24 && cell <= 0x73) return 0x3041 + (cell - 0x21);  // ぁ to ん
  if (row == 0x25 && cell <= 0x76) return 0x30A1 + (cell - 0x21);  // ァ to ヶ
  if (row != 0x21 && row != 0x23) return NONE;
  const char16_t ucs = ROWS_1_3[(row == 0x23 ? 94 : 0) + cell - 0x21];
  if (ucs == 0 || (!cp932 && cp932_only(static_cast<uint16_t>(row << 8 | cell)))) return NONE;
  return ucs;
}

// ucs_to_jis: the JIS X 0208 code of the code point cp as code page 932 or
// EUC-JP writes it; 0 when the tables give it none.
uint16_t ucs_to_jis(char32_t cp, bool cp932) {
  if (cp >= 0x3041 && cp <= 0x3093) return static_cast<uint16_t>(0x2421 + (cp - 0x3041));
  if (cp >= 0x30A1 && cp <= 0x30F6) return static_cast<uint16_t>(0x2521 + (cp - 0x30A1));
  if (cp >= 0xFF01 && cp <= 0xFF5E) {
    const uint16_t jis = FULL_ASCII_JIS[cp - 0xFF01];
    return !cp932 && cp932_only(jis) ? 0 : jis;
  }
  for (const auto& k : ROW1_KANA)
    if (k.ucs == cp) return k.jis;
  return 0;
}

// decode: the code point of the n-byte character at p, when it is one the
// conversions may change; NONE otherwise.
char32_t decode(Encoding enc, const unsigned char* p, size_t n) {
  const unsigned char c = p[0];
  if (c < 0x80) return c;
  switch (enc) {
    case Encoding::sjis: {
      if (n == 1) return c >= 0xA1 && c <= 0xDF ? HALF_FIRST + (c - 0xA1) : NONE;
      const unsigned char t = p[1];
      // The full-width '"' and '\'' of the code page 932 extensions, under
      // both of the codes it gives each.
      if ((c == 0xFA && t == 0x57) || (c == 0xEE && t == 0xFC)) return 0xFF02;
      if ((c == 0xFA && t == 0x56) || (c == 0xEE && t == 0xFB)) return 0xFF07;
      if (c > 0x83 || t < 0x40 || t == 0x7F || t > 0xFC) return NONE;  // rows 1-6 only
      const unsigned row = (c - 0x70u) * 2 - (t < 0x9F ? 1 : 0);
      const unsigned cell = t < 0x9F ? t - (t >= 0x80 ? 0x20u : 0x1Fu) : t - 0x7Eu;
      return jis_to_ucs(row, cell, true);
    }
    case Encoding::eucjp:
      if (n != 2) return NONE;
      if (c == 0x8E) return HALF_FIRST + (p[1] - 0xA1);
      return jis_to_ucs(c & 0x7Fu, p[1] & 0x7Fu, false);
    case Encoding::utf8:
      if (n == 2) return (c & 0x1Fu) << 6 | (p[1] & 0x3Fu);
      if (n == 3) return (c & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu);
      return NONE;
    case Encoding::bytes: break;
  }
  return NONE;
}

// encode: cp written at out in the encoding; returns its bytes (at most 3),
// 0 when the encoding cannot hold it.
size_t encode(Encoding enc, char32_t cp, char* out) {
  auto* u = reinterpret_cast<unsigned char*>(out);
  if (cp < 0x80) {
    u[0] = static_cast<unsigned char>(cp);
    return 1;
  }
  const bool half = cp >= HALF_FIRST && cp <= HALF_LAST;
  switch (enc) {
    case Encoding::utf8:
      if (cp < 0x800) {
        u[0] = static_cast<unsigned char>(0xC0 | cp >> 6);
        u[1] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        return 2;
      }
      u[0] = static_cast<unsigned char>(0xE0 | cp >> 12);
      u[1] = static_cast<unsigned char>(0x80 | (cp >> 6 & 0x3F));
      u[2] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
      return 3;
    case Encoding::sjis: {
      if (half) {
        u[0] = static_cast<unsigned char>(0xA1 + (cp - HALF_FIRST));
        return 1;
      }
      // Code page 932 writes its own extensions for these, as Windows does.
      if (cp == 0xFF02 || cp == 0xFF07) {
        u[0] = 0xFA;
        u[1] = cp == 0xFF02 ? 0x57 : 0x56;
        return 2;
      }
      const uint16_t jis = ucs_to_jis(cp, true);
      if (jis == 0) return 0;
      const unsigned row = jis >> 8, cell = jis & 0xFF;
      u[0] = static_cast<unsigned char>(((row + 1) >> 1) + 0x70);
      u[1] = static_cast<unsigned char>(cell + ((row & 1) != 0 ? (cell >= 0x60 ? 0x20 : 0x1F) : 0x7E));
      return 2;
    }
    case Encoding::eucjp: {
      if (half) {
        u[0] = 0x8E;
        u[1] = static_cast<unsigned char>(0xA1 + (cp - HALF_FIRST));
        return 2;
      }
      const uint16_t jis = ucs_to_jis(cp, false);
      if (jis == 0) return 0;
      u[0] = static_cast<unsigned char>(0x80 | jis >> 8);
      u[1] = static_cast<unsigned char>(0x80 | (jis & 0xFF));
      return 2;
    }
    case Encoding::bytes: break;
  }
  return 0;
}

// widened: the full-width form of an ASCII or half-width katakana code
// point; NONE for any other.
char32_t widened(char32_t cp) {
  if (cp == 0x20) return 0x3000;
  if (cp >= 0x21 && cp <= 0x7E) return 0xFF01 + (cp - 0x21);
  if (cp >= HALF_FIRST && cp <= HALF_LAST) return 0x3000 | HALF_KANA[cp - HALF_FIRST].full;
  return NONE;
}

// narrowed: the half-width form of cp in out (one code point, or a letter
// and its mark); returns how many, 0 when cp has none.
int narrowed(char32_t cp, char32_t out[2]) {
  if (cp == 0x3000) {
    out[0] = 0x20;
    return 1;
  }
  if (cp >= 0xFF01 && cp <= 0xFF5E) {
    out[0] = 0x21 + (cp - 0xFF01);
    return 1;
  }
  if ((cp >> 8) != 0x30 || HALF_OF[cp & 0xFF] == 0) return 0;
  const unsigned char half = HALF_OF[cp & 0xFF];
  out[0] = HALF_FIRST + (half & 0x3F) - 1;
  if ((half & (VOICED_BIT | SEMI_BIT)) == 0) return 1;
  out[1] = (half & VOICED_BIT) != 0 ? VOICED_MARK : SEMI_MARK;
  return 2;
}

// as_hiragana, as_katakana: the kana cp in the other script; NONE when cp
// is no kana of the script converted from. The two blocks lie 0x60 apart,
// the iteration marks too.
char32_t as_hiragana(char32_t cp) {
  return (cp >= 0x30A1 && cp <= 0x30F6) || cp == 0x30FD || cp == 0x30FE ? cp - 0x60 : NONE;
}
char32_t as_katakana(char32_t cp) {
  return (cp >= 0x3041 && cp <= 0x3096) || cp == 0x309D || cp == 0x309E ? cp + 0x60 : NONE;
}

// joined: the half-width letter cp with the mark after it as one full-width
// character, when one exists and the encoding can write it; NONE otherwise.
char32_t joined(Encoding enc, char32_t cp, char32_t mark) {
  if (cp < HALF_FIRST || cp >= VOICED_MARK || (mark != VOICED_MARK && mark != SEMI_MARK)) return NONE;
  const HalfKana& k = HALF_KANA[cp - HALF_FIRST];
  const unsigned char low = mark == VOICED_MARK ? k.voiced : k.semi;
  char scratch[4];
  return low != 0 && encode(enc, 0x3000 | low, scratch) != 0 ? 0x3000 | low : NONE;
}

// char_at: the bytes of the character at i in the len bytes of text; a
// character that the end of the text cuts short counts as none (0).
size_t char_at(Encoding enc, const char* text, size_t i, size_t len) {
  const auto n = static_cast<size_t>(char_len(enc, text + i));
  return n <= len - i ? n : 0;
}

// put: the count code points of cps written at out; returns their bytes,
// 0 (and out holds nothing that counts) when one is NONE or cannot be
// written.
size_t put(Encoding enc, const char32_t* cps, int count, char* out) {
  size_t n = 0;
  for (int k = 0; k < count; ++k) {
    const size_t m = cps[k] == NONE ? 0 : encode(enc, cps[k], out + n);
    if (m == 0) return 0;
    n += m;
  }
  return n;
}

}  // namespace

size_t convert_width(Encoding enc, WidthConvert how, const char* text, size_t len, char* out) {
  const auto* u = reinterpret_cast<const unsigned char*>(text);
  char* w = out;
  size_t i = 0;
  while (i < len) {
    size_t n = char_at(enc, text, i, len);
    if (n == 0) {
      // The match ends inside a character: its bytes stay as they are.
      std::memcpy(w, text + i, len - i);
      w += len - i;
      break;
    }
    const char32_t cp = decode(enc, u + i, n);
    char32_t to[2] = {NONE, NONE};
    int count = 1;
    char32_t fallback = NONE;  // what $h writes when the hiragana cannot be
    if (cp != NONE) {
      const bool half = cp >= HALF_FIRST && cp <= HALF_LAST;
      if (half && (how == WidthConvert::wide || how == WidthConvert::hiragana)) {
        // A half-width letter takes the mark after it along.
        char32_t full = NONE;
        if (const size_t m = i + n < len ? char_at(enc, text, i + n, len) : 0; m != 0) {
          full = joined(enc, cp, decode(enc, u + i + n, m));
          if (full != NONE) n += m;
        }
        if (full == NONE) full = widened(cp);
        to[0] = how == WidthConvert::wide ? full : as_hiragana(full);
        fallback = full;
      } else if (how == WidthConvert::wide) {
        to[0] = widened(cp);
      } else if (how == WidthConvert::narrow) {
        count = narrowed(cp, to);
      } else {
        to[0] = how == WidthConvert::hiragana ? as_hiragana(cp) : as_katakana(cp);
      }
    }
    size_t k = count == 0 ? 0 : put(enc, to, count, w);
    if (k == 0 && fallback != NONE) k = put(enc, &fallback, 1, w);
    if (k == 0) {
      std::memcpy(w, text + i, n);
      k = n;
    }
    w += k;
    i += n;
  }
  return static_cast<size_t>(w - out);
}

}  // namespace quorl
