#include "support/encoding.h"

#include <strings.h>

namespace quorl {

bool parse_encoding(const char* name, Encoding* enc) {
  static constexpr struct {
    const char* name;
    Encoding enc;
  } NAMES[] = {
      {"sjis", Encoding::sjis},   {"shift_jis", Encoding::sjis}, {"shift-jis", Encoding::sjis},
      {"cp932", Encoding::sjis},  {"ms932", Encoding::sjis},     {"windows-31j", Encoding::sjis},
      {"utf-8", Encoding::utf8},  {"utf8", Encoding::utf8},      {"utf_8", Encoding::utf8},
      {"euc-jp", Encoding::eucjp}, {"eucjp", Encoding::eucjp},   {"ujis", Encoding::eucjp},
      {"bytes", Encoding::bytes},
  };
  for (const auto& n : NAMES) {
    if (strcasecmp(name, n.name) == 0) {
      *enc = n.enc;
      return true;
    }
  }
  return false;
}

bool is_auto_encoding(const char* name) { return strcasecmp(name, "auto") == 0; }

namespace {

constexpr bool in(unsigned char c, unsigned char lo, unsigned char hi) { return c >= lo && c <= hi; }

// utf8_prefix: how many bytes of a well-formed sequence start at u (at most
// n), and *want how many it needs (1 for a byte that starts none).
size_t utf8_prefix(const unsigned char* u, size_t n, size_t* want) {
  const unsigned char c = u[0];
  *want = c < 0x80 ? 1 : in(c, 0xC2, 0xDF) ? 2 : in(c, 0xE0, 0xEF) ? 3 : in(c, 0xF0, 0xF4) ? 4 : 0;
  if (*want <= 1) return *want;
  size_t k = 1;
  for (; k < *want && k < n; ++k) {
    const unsigned char lo = k > 1 ? 0x80 : c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
    const unsigned char hi = k > 1 ? 0xBF : c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
    if (!in(u[k], lo, hi)) break;
  }
  return k;
}

}  // namespace

size_t check_sequence(Encoding enc, const char* p, size_t n, bool* bad) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  const unsigned char c = u[0];
  *bad = false;
  if (c < 0x80 || enc == Encoding::bytes) return 1;
  switch (enc) {
    case Encoding::sjis:
      if (is_lead(c)) {
        *bad = n < 2 || !(in(u[1], 0x40, 0x7E) || in(u[1], 0x80, 0xFC));
        return *bad ? 1 : 2;
      }
      *bad = c == 0x80 || c == 0xA0 || c >= 0xFD;
      return 1;
    case Encoding::utf8: {
      size_t want = 0;
      const size_t got = utf8_prefix(u, n, &want);
      *bad = got != want || want == 0;
      return got == 0 ? 1 : got;
    }
    case Encoding::eucjp: {
      const size_t want = c == 0x8F ? 3 : (c == 0x8E || in(c, 0xA1, 0xFE)) ? 2 : 0;
      if (want == 0) {
        *bad = true;
        return 1;
      }
      size_t k = 1;
      for (; k < want && k < n; ++k)
        if (!(c == 0x8E ? in(u[k], 0xA1, 0xDF) : in(u[k], 0xA1, 0xFE))) break;
      *bad = k != want;
      return k;
    }
    case Encoding::bytes: break;
  }
  return 1;
}

const char* encoding_name(Encoding enc) {
  switch (enc) {
    case Encoding::sjis: return "sjis";
    case Encoding::utf8: return "utf-8";
    case Encoding::eucjp: return "euc-jp";
    case Encoding::bytes: return "bytes";
  }
  return "sjis";
}

}  // namespace quorl
