// Fast forward scans over byte ranges.
//
// The scanners look for a byte (or a literal) without stepping character by
// character: they see bytes, not Shift_JIS characters, so a caller checks
// that a hit starts a character (starts_char) and resumes after it when not.
// All work on the bytes [p, end) and never read outside them; a hit is a
// pointer into that range, a miss is null. On x86-64 they test 16 bytes at a
// time with SSE2; elsewhere they fall back to memchr and plain loops.
#ifndef QUORL_SUPPORT_BYTESCAN_H
#define QUORL_SUPPORT_BYTESCAN_H

#include <cstddef>
#include <cstring>

#include "support/sjis.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quorl {

// ByteSet: up to three inclusive byte ranges lo[i]..lo[i]+span[i].
struct ByteSet {
  int count = 0;
  unsigned char lo[3] = {};
  unsigned char span[3] = {};

  // add: the range first..last joins the set (at most three ranges).
  constexpr void add(unsigned char first, unsigned char last) {
    lo[count] = first;
    span[count] = static_cast<unsigned char>(last - first);
    ++count;
  }
  bool has(unsigned char c) const {
    for (int i = 0; i < count; ++i)
      if (static_cast<unsigned char>(c - lo[i]) <= span[i]) return true;
    return false;
  }
};

// starts_char: whether c starts a character, in text known to have a
// character start at base (base <= c) and no NUL in [base, c). Only the
// lead-range bytes right in front of c tell: they pair off from the first of
// them, so c is a second byte exactly when their number is odd.
inline bool starts_char(const char* base, const char* c) {
  const char* b = c;
  while (b > base && is_lead(static_cast<unsigned char>(b[-1]))) --b;
  return ((c - b) & 1) == 0;
}

#if defined(__SSE2__)
// set_bits: bit i set when set holds p[i], for the 16 bytes at p.
inline unsigned set_bits(const char* p, const ByteSet& set) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  __m128i hit = _mm_setzero_si128();
  for (int i = 0; i < set.count; ++i) {
    // v - lo <= span, unsigned: the minimum of the two is v - lo.
    const __m128i d = _mm_sub_epi8(v, _mm_set1_epi8(static_cast<char>(set.lo[i])));
    hit = _mm_or_si128(hit, _mm_cmpeq_epi8(_mm_min_epu8(d, _mm_set1_epi8(static_cast<char>(set.span[i]))), d));
  }
  return static_cast<unsigned>(_mm_movemask_epi8(hit));
}
#endif

// find_in_set: the first byte in [p, end) that set holds, or null.
inline const char* find_in_set(const char* p, const char* end, const ByteSet& set) {
#if defined(__SSE2__)
  if (end - p >= 16) {
    for (; end - p >= 16; p += 16) {
      const unsigned mask = set_bits(p, set);
      if (mask != 0) return p + __builtin_ctz(mask);
    }
    if (p == end) return nullptr;
    // The last block ends at end and overlaps bytes already looked at.
    const char* q = end - 16;
    const unsigned mask = set_bits(q, set) & (~0u << (p - q));
    return mask != 0 ? q + __builtin_ctz(mask) : nullptr;
  }
#endif
  for (; p < end; ++p)
    if (set.has(static_cast<unsigned char>(*p))) return p;
  return nullptr;
}

// same_bytes: the n bytes at a and b are equal (n is small: a plain loop
// beats a call).
inline bool same_bytes(const char* a, const char* b, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (a[i] != b[i]) return false;
  return true;
}

#if defined(__SSE2__)
// literal_hits: bit i set when the first and the last byte of a len-byte
// literal agree at p + i (0 <= i < 16); reads p[0 .. len + 14].
inline unsigned literal_hits(const char* p, size_t len, __m128i first, __m128i last) {
  const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + len - 1));
  return static_cast<unsigned>(
      _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, last))));
}
#endif

// find_literal: the first occurrence of the len bytes at lit (len >= 1) that
// lies wholly in [p, end), or null.
inline const char* find_literal(const char* p, const char* end, const char* lit, size_t len) {
  if (static_cast<size_t>(end - p) < len) return nullptr;
  if (len == 1) return static_cast<const char*>(std::memchr(p, lit[0], static_cast<size_t>(end - p)));
  const char* last_start = end - len;  // the last place an occurrence can begin
#if defined(__SSE2__)
  if (last_start - p >= 15) {
    // A position is tried only when its first and last byte both agree.
    const __m128i first = _mm_set1_epi8(lit[0]);
    const __m128i last = _mm_set1_epi8(lit[len - 1]);
    for (;;) {
      unsigned mask = literal_hits(p, len, first, last);
      while (mask != 0) {
        const int i = __builtin_ctz(mask);
        if (same_bytes(p + i + 1, lit + 1, len - 2)) return p + i;
        mask &= mask - 1;
      }
      p += 16;
      if (p > last_start) return nullptr;
      if (last_start - p < 15) {
        // The last block ends at last_start; it overlaps the one before,
        // whose positions are already done.
        const char* q = last_start - 15;
        mask = literal_hits(q, len, first, last) & (~0u << (p - q));
        while (mask != 0) {
          const int i = __builtin_ctz(mask);
          if (same_bytes(q + i + 1, lit + 1, len - 2)) return q + i;
          mask &= mask - 1;
        }
        return nullptr;
      }
    }
  }
#endif
  for (; p <= last_start; ++p)
    if (p[0] == lit[0] && same_bytes(p + 1, lit + 1, len - 1)) return p;
  return nullptr;
}

}  // namespace quorl

#endif
