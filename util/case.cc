#include "quorl/classic/case.h"

namespace quorl {

namespace {

// high_pair: true when p starts a two-byte character under the case rule.
bool high_pair(const char* p) {
  const unsigned char c = static_cast<unsigned char>(p[0]);
  return c >= 0x80 && !(c >= 0xA1 && c <= 0xDF) && p[1] != '\0';
}

// convert: changes every letter in [from, to] by delta, pairs left alone.
void convert(char* s, char from, char to, int delta) {
  for (char* p = s; *p != '\0';) {
    if (high_pair(p)) {
      p += 2;
      continue;
    }
    if (*p >= from && *p <= to) *p = static_cast<char>(*p + delta);
    ++p;
  }
}

}  // namespace

int to_upper(char* s) {
  convert(s, 'a', 'z', 'A' - 'a');
  return 0;
}

int to_lower(char* s) {
  convert(s, 'A', 'Z', 'a' - 'A');
  return 0;
}

}  // namespace quorl
