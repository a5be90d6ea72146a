// Searches in NUL-terminated texts.
//
// Each search returns a position inside the text it was given (as a mutable
// pointer, so callers may edit what they find) or null when there is nothing
// to find. None of them ever finds the terminating NUL. They differ in how
// they step through the text:
//   - by bytes: index, rindex, index1, srch_wild;
//   - by Shift_JIS characters (a lead byte 0x81-0x9F or 0xE0-0xFC with the
//     non-NUL byte after it is one character whose second byte is never
//     matched): index2, Strrchr;
//   - by code page 932 characters (a lead byte as above followed by a trail
//     byte 0x40-0x7E or 0x80-0xFC): serstr.
// index and rindex here are not the C library's functions of those names;
// inside namespace quorl the unqualified names mean these.
#ifndef QUORL_CLASSIC_SEARCH_H
#define QUORL_CLASSIC_SEARCH_H

namespace quorl {

// index: the first byte of s equal to the low 8 bits of c, or null (always
// null for c == 0).
char* index(const char* s, int c);

// rindex: the last byte of s equal to the low 8 bits of c, or null (always
// null for c == 0).
char* rindex(const char* s, int c);

// index1: the first position of s where the text t occurs, or null. An empty
// t is found at the start of a non-empty s; an empty s holds nothing.
char* index1(const char* s, const char* t);

// index2: the first single-byte character of s that occurs among the bytes
// of set, or null. Both bytes of a double-byte character are passed over.
char* index2(const char* s, const char* set);

// srch_wild: the first "*" or "?" byte of s, or null.
char* srch_wild(const char* s);

// Strrchr: the last character start of s whose byte equals the low 8 bits
// of c, or null (always null for c == 0). A lead byte can match; a trail
// byte cannot. The twin of Strchr, which finds the first.
char* Strrchr(const char* s, int c);

// serstr: the first character start of s (code page 932 pairs) where the
// text sub occurs, or null; null also for an empty sub.
char* serstr(const char* s, const char* sub);

// cp932_lead, cp932_trail: the code page 932 byte classes serstr steps by.
constexpr bool cp932_lead(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
constexpr bool cp932_trail(unsigned char c) {
  return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

}  // namespace quorl

#endif
