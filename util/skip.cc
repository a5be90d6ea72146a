#include "quorl/classic/skip.h"

namespace quorl {

namespace {

constexpr bool is_blank(char c) { return c == ' ' || c == '\t'; }

constexpr bool ends_option(char c) { return c == '"' || c == '<' || c == '>'; }

}  // namespace

char* sp_skip(const char* s) {
  while (is_blank(*s)) ++s;
  return const_cast<char*>(s);
}

char* chr_skip(const char* s) {
  while (*s != '\0' && !is_blank(*s)) ++s;
  return const_cast<char*>(s);
}

char* optionStr_skip(const char* s) {
  if (*s == '"') {
    ++s;
    while (*s != '\0' && !ends_option(*s)) ++s;
    if (*s == '"') ++s;
  } else {
    while (*s != '\0' && !is_blank(*s) && !ends_option(*s)) ++s;
  }
  return const_cast<char*>(s);
}

int isnum(const char* s) {
  for (; *s != '\0' && !is_blank(*s) && *s != '\n'; ++s) {
    if (*s < '0' || *s > '9') return 0;
  }
  return 1;
}

}  // namespace quorl
