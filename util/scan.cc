#include "quorl/classic/scan.h"

#include <cstdlib>
#include <cstring>

#include "support/sjis.h"

namespace quorl {

char word_area[WORD_AREA_SIZE];
char prefix_area[WORD_AREA_SIZE];

namespace {

constexpr bool is_blank(char c) { return c == ' ' || c == '\t'; }

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }

constexpr bool is_word_byte(char c) {
  return is_digit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

constexpr bool ends_prefix(char c) {
  return c == '\0' || c == '\'' || c == '"' || c == '\\' || is_word_byte(c);
}

// copy_run: copies the run of s whose bytes pass keep, at most
// WORD_AREA_SIZE - 1 of them, into area; returns the position after the run.
template <typename Keep>
const char* copy_run(const char* s, char* area, Keep keep) {
  int len = 0;
  while (len < WORD_AREA_SIZE - 1 && keep(s[len])) {
    area[len] = s[len];
    ++len;
  }
  area[len] = '\0';
  return s + len;
}

}  // namespace

char* get_word(const char* s, char** word, char** prefix) {
  const char* p = copy_run(s, prefix_area, [](char c) { return !ends_prefix(c); });
  p = copy_run(p, word_area, is_word_byte);
  *word = word_area;
  *prefix = prefix_area;
  return const_cast<char*>(p);
}

namespace {

// copy_chars: copies characters of src into dst until stop says so, the
// text ends or limit characters are copied. Returns the position where
// copying stopped; dst is advanced past the bytes written.
template <typename Stop>
const char* copy_chars(const char* src, char*& dst, int limit, Stop stop) {
  for (int count = 0; count < limit && *src != '\0' && !stop(*src); ++count) {
    const int len = char_len(src);
    for (int i = 0; i < len; ++i) *dst++ = *src++;
  }
  return src;
}

}  // namespace

char* SetParam(const char* src, char* dst, int n) {
  while (is_blank(*src)) ++src;
  if (n < 1) return const_cast<char*>(src);
  const char* p = src;
  if (*p == '"') {
    p = copy_chars(p + 1, dst, n - 1, [](char c) { return c == '"'; });
  } else if (*p == '[') {
    if (n >= 2) {
      p = copy_chars(p, dst, n - 2, [](char c) { return c == ']'; });
      *dst++ = *p;
    }
  } else {
    p = copy_chars(p, dst, n - 1, [](char c) { return c == '=' || is_blank(c); });
  }
  *dst = '\0';
  return const_cast<char*>(p);
}

namespace {

// NumberScan: the checks of tonum over its private copy. Each step leaves p
// at the first byte it did not take; a false result means the text is not a
// number.
struct NumberScan {
  char* p;
  char term;
  int digits = 0;

  bool at_end() const { return *p == '\0' || *p == term; }

  // Digits, with a comma allowed (and removed) between two digits.
  bool integer_part() {
    while (!at_end() && *p != '.') {
      if (is_digit(*p)) {
        ++digits;
        ++p;
      } else if (*p == ',') {
        if (!is_digit(p[1])) return false;
        std::memmove(p, p + 1, std::strlen(p + 1) + 1);
      } else {
        break;
      }
    }
    return true;
  }

  void fraction() {
    if (*p != '.') return;
    ++p;
    while (!at_end() && is_digit(*p)) {
      ++digits;
      ++p;
    }
  }

  bool exponent() {
    if (*p != 'e' && *p != 'E') return true;
    ++p;
    if (*p == '-' || *p == '+' || *p == ' ') ++p;
    if (!is_digit(*p)) return false;
    while (!at_end() && is_digit(*p)) ++p;
    return true;
  }
};

}  // namespace

double tonum(const char* s, int term, int* err) {
  *err = 0;
  char copy[TONUM_COPY + 1];
  std::strncpy(copy, s, TONUM_COPY);
  copy[TONUM_COPY] = '\0';

  NumberScan scan{copy, static_cast<char>(term)};
  while (is_blank(*scan.p)) ++scan.p;
  if (*scan.p == '+' || *scan.p == '-') ++scan.p;
  bool ok = is_digit(*scan.p) || *scan.p == '.';
  ok = ok && scan.integer_part();
  if (ok) scan.fraction();
  ok = ok && scan.digits > 0 && scan.exponent();
  ok = ok && (is_blank(*scan.p) || scan.at_end());
  if (!ok) {
    *err = 1;
    return 0.0;
  }
  return std::atof(copy);
}

}  // namespace quorl
