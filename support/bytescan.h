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

// SetScanner: tests 16 bytes at a time for the bytes of a ByteSet.
struct SetScanner {
  ByteSet set;
#if defined(__SSE2__)
  __m128i lo[3] = {};
  __m128i span[3] = {};
#endif

  SetScanner() = default;
  explicit SetScanner(const ByteSet& s) : set(s) {
#if defined(__SSE2__)
    for (int i = 0; i < set.count; ++i) {
      lo[i] = _mm_set1_epi8(static_cast<char>(set.lo[i]));
      span[i] = _mm_set1_epi8(static_cast<char>(set.span[i]));
    }
#endif
  }

  // bits: bit i set when the set holds p[i], for the 16 bytes at p.
  unsigned bits(const char* p) const {
#if defined(__SSE2__)
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i hit = _mm_setzero_si128();
    for (int i = 0; i < set.count; ++i) {
      // v - lo <= span, unsigned: the minimum of the two is v - lo.
      const __m128i d = _mm_sub_epi8(v, lo[i]);
      hit = _mm_or_si128(hit, _mm_cmpeq_epi8(_mm_min_epu8(d, span[i]), d));
    }
    return static_cast<unsigned>(_mm_movemask_epi8(hit));
#else
    return some_bits(p, 16);
#endif
  }

  // some_bits: as bits, for the n bytes at p (n <= 16).
  unsigned some_bits(const char* p, size_t n) const {
    unsigned mask = 0;
    for (size_t i = 0; i < n; ++i)
      if (set.has(static_cast<unsigned char>(p[i]))) mask |= 1u << i;
    return mask;
  }
};

// find_in_set: the first byte in [p, end) that scan's set holds, or null.
inline const char* find_in_set(const char* p, const char* end, const SetScanner& scan) {
  if (end - p >= 16) {
    for (; end - p >= 16; p += 16) {
      const unsigned mask = scan.bits(p);
      if (mask != 0) return p + __builtin_ctz(mask);
    }
    if (p == end) return nullptr;
    // The last block ends at end and overlaps bytes already looked at.
    const char* q = end - 16;
    const unsigned mask = scan.bits(q) & (~0u << (p - q));
    return mask != 0 ? q + __builtin_ctz(mask) : nullptr;
  }
  const unsigned mask = scan.some_bits(p, static_cast<size_t>(end - p));
  return mask != 0 ? p + __builtin_ctz(mask) : nullptr;
}

// same_bytes: the n bytes at a and b are equal (n is small: a plain loop
// beats a call).
inline bool same_bytes(const char* a, const char* b, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (a[i] != b[i]) return false;
  return true;
}

#if defined(__SSE2__)
// LiteralProbe: the bytes of a literal that a 16-byte block is tested on
// first: its first, second and last byte (the second again for a literal of
// two bytes).
struct LiteralProbe {
  __m128i first, second, last;
  size_t len;
  LiteralProbe(const char* lit, size_t n)
      : first(_mm_set1_epi8(lit[0])), second(_mm_set1_epi8(lit[1])), last(_mm_set1_epi8(lit[n - 1])),
        len(n) {}

  // hits: bit i set when the probed bytes agree at p + i (0 <= i < 16);
  // reads p[0 .. len + 14].
  unsigned hits(const char* p) const {
    const auto at = [p](size_t k) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k)); };
    const __m128i a = _mm_cmpeq_epi8(at(0), first);
    const __m128i b = _mm_cmpeq_epi8(at(1), second);
    const __m128i c = _mm_cmpeq_epi8(at(len - 1), last);
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(_mm_and_si128(a, b), c)));
  }
};
#endif

// find_literal: the first occurrence of the len bytes at lit (len >= 1) that
// lies wholly in [p, end), or null.
inline const char* find_literal(const char* p, const char* end, const char* lit, size_t len) {
  if (static_cast<size_t>(end - p) < len) return nullptr;
  if (len == 1) return static_cast<const char*>(std::memchr(p, lit[0], static_cast<size_t>(end - p)));
  const char* last_start = end - len;  // the last place an occurrence can begin
#if defined(__SSE2__)
  if (last_start - p >= 15) {
    const LiteralProbe probe(lit, len);
    for (;;) {
      unsigned mask = probe.hits(p);
      while (mask != 0) {
        const int i = __builtin_ctz(mask);
        if (same_bytes(p + i + 2, lit + 2, len - 2)) return p + i;
        mask &= mask - 1;
      }
      p += 16;
      if (p > last_start) return nullptr;
      if (last_start - p < 15) {
        // The last block ends at last_start; it overlaps the one before,
        // whose positions are already done.
        const char* q = last_start - 15;
        mask = probe.hits(q) & (~0u << (p - q));
        while (mask != 0) {
          const int i = __builtin_ctz(mask);
          if (same_bytes(q + i + 2, lit + 2, len - 2)) return q + i;
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
