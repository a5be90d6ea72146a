#include "quorl/classic/compare.h"

#include <cstring>

#include "quorl/classic/case.h"

namespace quorl {

namespace {

constexpr bool is_kana(unsigned char c) { return c >= 0xA1 && c <= 0xDF; }

constexpr unsigned char fold(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

constexpr int order(unsigned char x, unsigned char y) { return x < y ? -1 : 1; }

// Walks a and b together, counting bytes against a positive limit.
struct Cursor {
  const unsigned char* a;
  const unsigned char* b;
  int n;

  bool more() const { return n != 0 && *a != '\0' && *b != '\0'; }
  void step() {
    ++a;
    ++b;
    if (n > 0) --n;
  }
};

}  // namespace

int StrnCmp(const char* a, const char* b, int n) {
  Cursor cur{reinterpret_cast<const unsigned char*>(a),
             reinterpret_cast<const unsigned char*>(b), n};
  while (cur.more()) {
    unsigned char x = *cur.a;
    unsigned char y = *cur.b;
    if (x < 0x80) {
      if (y >= 0x80) return -1;
      x = fold(x);
      y = fold(y);
      if (x != y) {
        if (x == '\\') return -1;
        if (y == '\\') return 1;
        return order(x, y);
      }
      cur.step();
      continue;
    }
    if (is_kana(x) != is_kana(y)) {
      if (is_kana(x)) return y >= 0x80 ? -1 : 1;
      return 1;
    }
    if (x != y) return order(x, y);
    cur.step();
    if (is_kana(x)) continue;
    // Equal lead bytes: the trail bytes decide, even when the lead byte used
    // up the limit. A text that ends after its lead byte ends the walk.
    if (*cur.a == '\0' || *cur.b == '\0') break;
    if (*cur.a != *cur.b) return order(*cur.a, *cur.b);
    cur.step();
  }
  if (cur.n == 0) return 0;
  if (*cur.a != '\0') return 1;
  if (*cur.b != '\0') return -1;
  return 0;
}

int StrCmp(const char* a, const char* b) { return StrnCmp(a, b, -1); }

namespace {

// dir_length: the length of a path without one trailing backslash byte.
int dir_length(const char* p) {
  int len = static_cast<int>(std::strlen(p));
  if (len > 0 && p[len - 1] == '\\') --len;
  return len;
}

}  // namespace

int DirCmp(const char* a, const char* b) {
  const int len = dir_length(a);
  if (len != dir_length(b)) return 1;
  return StrnCmp(a, b, len);
}

namespace {

constexpr int CASE_COPY = 1024;

// lowered_copy: the first CASE_COPY - 1 bytes of s in buf, lowered.
void lowered_copy(char (&buf)[CASE_COPY], const char* s) {
  std::strncpy(buf, s, CASE_COPY - 1);
  buf[CASE_COPY - 1] = '\0';
  to_lower(buf);
}

}  // namespace

int strcasecmp(const char* a, const char* b) {
  char left[CASE_COPY];
  char right[CASE_COPY];
  lowered_copy(left, a);
  lowered_copy(right, b);
  return std::strcmp(left, right);
}

}  // namespace quorl
