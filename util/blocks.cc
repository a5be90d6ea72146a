#include "quorl/classic/blocks.h"

#include <cstring>

#include "support/sjis.h"

namespace quorl {

int bcmp(const void* a, const void* b, int n) {
  const unsigned char* x = static_cast<const unsigned char*>(a);
  const unsigned char* y = static_cast<const unsigned char*>(b);
  for (int i = 0; i < n; ++i) {
    if (x[i] != y[i]) return x[i] > y[i] ? 1 : -1;
  }
  return 0;
}

int bcopy(void* dst, const void* src, int n) {
  char* d = static_cast<char*>(dst);
  const char* s = static_cast<const char*>(src);
  for (int i = 0; i < n; ++i) d[i] = s[i];
  return 0;
}

int bakmov(const void* src, void* dst, int n) {
  const char* s = static_cast<const char*>(src);
  char* d = static_cast<char*>(dst);
  for (int i = n - 1; i >= 0; --i) d[i] = s[i];
  return 0;
}

char* clear(void* p, int c, int n) {
  char* d = static_cast<char*>(p);
  for (int i = 0; i < n; ++i) *d++ = static_cast<char>(c);
  return d;
}

int insChar(char* s, int c) {
  std::memmove(s + 1, s, std::strlen(s) + 1);
  s[0] = static_cast<char>(c);
  return 0;
}

char* ChgChr(char* s, int from, int to) {
  const char want = static_cast<char>(from);
  for (char* p = s; *p != '\0'; p += char_len(p)) {
    if (*p == want) {
      *p = static_cast<char>(to);
      if (*p == '\0') break;
    }
  }
  return s;
}

int cutBackSpace(char* s) {
  size_t len = std::strlen(s);
  while (len > 0 && (s[len - 1] == ' ' || s[len - 1] == '\t')) --len;
  s[len] = '\0';
  return 0;
}

}  // namespace quorl
