#include "quorl/classic/wildcard.h"

#include "support/sjis.h"

namespace quorl {

char pattern_area[PATTERN_AREA_SIZE];

namespace {

// copy_char: copies the character at *r to *w and advances both.
void copy_char(const char*& r, char*& w) {
  const int len = char_len(r);
  for (int i = 0; i < len; ++i) *w++ = *r++;
}

// convert_into_area: the shared body of conv_search_str1 and conv_search_find.
// The text goes to pattern_area + 1; returns true when a wildcard was coded.
bool convert_into_area(const char* s, bool caret) {
  char* w = pattern_area + 1;
  bool wild = false;
  const char* r = s;
  for (int count = 0; *r != '\0' && count < PATTERN_CHARS; ++count) {
    if (*r == '\\') {
      if (*++r == '\0') break;
      copy_char(r, w);
    } else if (*r == '*') {
      *w++ = WILD_ANY;
      wild = true;
      ++r;
    } else if (*r == '?') {
      *w++ = WILD_ONE;
      wild = true;
      ++r;
    } else if (caret && *r == '^') {
      *w++ = WILD_HEAD;
      ++r;
    } else {
      copy_char(r, w);
    }
  }
  *w = '\0';
  return wild;
}

// wrap: closes the text in pattern_area with WILD_ANY on both sides.
char* wrap() {
  pattern_area[0] = WILD_ANY;
  char* end = pattern_area + 1;
  while (*end != '\0') ++end;
  *end++ = WILD_ANY;
  *end = '\0';
  return pattern_area;
}

}  // namespace

int conv_search_str(char* s, int esc) {
  const char* r = s;
  char* w = s;
  int literal = 0;
  while (*r != '\0') {
    if (esc != 0 && *r == '\\') {
      if (*++r == '\0') break;
      copy_char(r, w);
      literal = 1;
    } else if (*r == '*') {
      // Read the whole run before writing: w may stand on its first star.
      while (*r == '*') ++r;
      *w++ = WILD_ANY;
    } else if (*r == '?') {
      ++r;
      *w++ = WILD_ONE;
    } else {
      copy_char(r, w);
      literal = 1;
    }
  }
  *w = '\0';
  return literal;
}

char* conv_search_str1(const char* s) {
  if (convert_into_area(s, false)) return wrap();
  pattern_area[0] = '\0';
  return pattern_area + 1;
}

char* conv_search_find(const char* s) {
  convert_into_area(s, true);
  return wrap();
}

}  // namespace quorl
