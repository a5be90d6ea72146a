#include "quorl/classic/search.h"

#include "support/sjis.h"

namespace quorl {

namespace {

constexpr unsigned char byte_of(int c) { return static_cast<unsigned char>(c); }

constexpr unsigned char at(const char* p) { return static_cast<unsigned char>(*p); }

// starts_with: true when the text at p begins with the non-empty text t.
bool starts_with(const char* p, const char* t) {
  for (; *t != '\0'; ++p, ++t) {
    if (*p != *t) return false;
  }
  return true;
}

// cp932_len: bytes in the code page 932 character at p (not at the NUL).
int cp932_len(const char* p) {
  return cp932_lead(at(p)) && cp932_trail(at(p + 1)) ? 2 : 1;
}

}  // namespace

char* index(const char* s, int c) {
  for (const char* p = s; *p != '\0'; ++p) {
    if (at(p) == byte_of(c)) return const_cast<char*>(p);
  }
  return nullptr;
}

char* rindex(const char* s, int c) {
  const char* found = nullptr;
  for (const char* p = s; *p != '\0'; ++p) {
    if (at(p) == byte_of(c)) found = p;
  }
  return const_cast<char*>(found);
}

char* index1(const char* s, const char* t) {
  if (*s == '\0') return nullptr;
  if (*t == '\0') return const_cast<char*>(s);
  for (const char* p = s; *p != '\0'; ++p) {
    if (starts_with(p, t)) return const_cast<char*>(p);
  }
  return nullptr;
}

char* index2(const char* s, const char* set) {
  for (const char* p = s; *p != '\0'; p += char_len(p)) {
    if (is_double(p)) continue;
    for (const char* q = set; *q != '\0'; ++q) {
      if (*q == *p) return const_cast<char*>(p);
    }
  }
  return nullptr;
}

char* srch_wild(const char* s) {
  for (const char* p = s; *p != '\0'; ++p) {
    if (*p == '*' || *p == '?') return const_cast<char*>(p);
  }
  return nullptr;
}

char* Strrchr(const char* s, int c) {
  const char* found = nullptr;
  for (const char* p = s; *p != '\0'; p += char_len(p)) {
    if (at(p) == byte_of(c)) found = p;
  }
  return const_cast<char*>(found);
}

char* serstr(const char* s, const char* sub) {
  if (*sub == '\0') return nullptr;
  for (const char* p = s; *p != '\0'; p += cp932_len(p)) {
    if (starts_with(p, sub)) return const_cast<char*>(p);
  }
  return nullptr;
}

}  // namespace quorl
