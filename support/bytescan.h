// Fast forward scans over byte ranges.
//
// The scanners look for a byte (or a literal) without stepping character by
// character: they see bytes, not Shift_JIS characters, so a caller checks
// that a hit starts a character (support/encoding.h) and resumes after it
// when not.
// They look in [p, end) and read nothing outside it, or outside [floor, end)
// where a caller names an earlier floor that may be read; a hit is a pointer
// into [p, end), a miss is null. On x86-64 they test 16 bytes at a time with
// SSE2; elsewhere they fall back to plain loops.
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
      if (set.span[i] == 0) {
        hit = _mm_or_si128(hit, _mm_cmpeq_epi8(v, lo[i]));
      } else {
        // v - lo <= span, unsigned: the minimum of the two is v - lo.
        const __m128i d = _mm_sub_epi8(v, lo[i]);
        hit = _mm_or_si128(hit, _mm_cmpeq_epi8(_mm_min_epu8(d, span[i]), d));
      }
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
// Bytes in [floor, end) may be read (floor <= p), so a short rest is tested
// as the end of a 16-byte block that begins before p, when there is room.
inline const char* find_in_set(const char* p, const char* end, const SetScanner& scan,
                               const char* floor) {
  if (end - floor >= 16) {
    for (; end - p >= 16; p += 16) {
      const unsigned mask = scan.bits(p);
      if (mask != 0) return p + __builtin_ctz(mask);
    }
    if (p >= end) return nullptr;
    // The block that ends at end; the bytes before p are done.
    const char* q = end - 16;
    const unsigned mask = scan.bits(q) & (~0u << (p - q));
    return mask != 0 ? q + __builtin_ctz(mask) : nullptr;
  }
  const unsigned mask = scan.some_bits(p, static_cast<size_t>(end - p));
  return mask != 0 ? p + __builtin_ctz(mask) : nullptr;
}

inline const char* find_in_set(const char* p, const char* end, const SetScanner& scan) {
  return find_in_set(p, end, scan, p);
}

// same_bytes: the n bytes at a and b are equal (n is small: a plain loop
// beats a call).
inline bool same_bytes(const char* a, const char* b, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (a[i] != b[i]) return false;
  return true;
}

// LiteralFinder: finds a literal of len >= 1 bytes. A 16-byte block is
// first tested on the literal's first, second and last byte (the second is
// the last for two bytes); only positions where all three agree are
// compared whole.
struct LiteralFinder {
  const char* lit = nullptr;
  size_t len = 0;
#if defined(__SSE2__)
  __m128i first = {}, second = {}, last = {};
#endif

  LiteralFinder() = default;
  LiteralFinder(const char* bytes, size_t n) : lit(bytes), len(n) {
#if defined(__SSE2__)
    first = _mm_set1_epi8(lit[0]);
    second = _mm_set1_epi8(lit[n > 1 ? 1 : 0]);
    last = _mm_set1_epi8(lit[n - 1]);
#endif
  }

  // find: the first occurrence that begins in [p, end - len], or null.
  // Bytes in [floor, end) may be read (floor <= p), so a short rest of the
  // text is tested as the last 16 positions of a block that begins before
  // p, when there is room for one.
  const char* find(const char* p, const char* end, const char* floor) const {
    (void)floor;  // only the 16-byte blocks read before p
    if (static_cast<size_t>(end - p) < len) return nullptr;
    const char* last_start = end - len;  // the last place an occurrence can begin
#if defined(__SSE2__)
    if (len >= 2 && last_start - floor >= 15) {
      for (; last_start - p >= 15; p += 16)
        if (const char* hit = in_block(p, hits(p))) return hit;
      if (p > last_start) return nullptr;
      // The block that ends at last_start; positions before p are done.
      const char* q = last_start - 15;
      return in_block(q, hits(q) & (~0u << (p - q)));
    }
#endif
    for (; p <= last_start; ++p)
      if (p[0] == lit[0] && same_bytes(p + 1, lit + 1, len - 1)) return p;
    return nullptr;
  }

 private:
#if defined(__SSE2__)
  // hits: bit i set when the probed bytes agree at p + i (0 <= i < 16);
  // reads p[0 .. len + 14].
  unsigned hits(const char* p) const {
    const auto at = [p](size_t k) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k)); };
    const __m128i a = _mm_cmpeq_epi8(at(0), first);
    const __m128i b = _mm_cmpeq_epi8(at(1), second);
    const __m128i c = _mm_cmpeq_epi8(at(len - 1), last);
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(_mm_and_si128(a, b), c)));
  }

  // in_block: the first position of mask (relative to p) where the whole
  // literal stands, or null.
  const char* in_block(const char* p, unsigned mask) const {
    for (; mask != 0; mask &= mask - 1) {
      const int i = __builtin_ctz(mask);
      if (same_bytes(p + i + 2, lit + 2, len - 2)) return p + i;
    }
    return nullptr;
  }
#endif
};

// find_literal: the first occurrence of the len bytes at lit (len >= 1) that
// lies wholly in [p, end), or null.
inline const char* find_literal(const char* p, const char* end, const char* lit, size_t len) {
  return LiteralFinder(lit, len).find(p, end, p);
}

}  // namespace quorl

#endif
