// Shift_JIS byte classes.
//
// Text in quorl is NUL-terminated bytes. A lead byte (0x81-0x9F or 0xE0-0xFC)
// followed by a byte other than NUL starts a double-byte character; those
// two bytes are one character and the second is never read as syntax. A lead
// byte directly before the NUL is an ordinary byte.
#ifndef QUORL_SUPPORT_SJIS_H
#define QUORL_SUPPORT_SJIS_H

namespace quorl {

// is_lead: true when byte c may begin a double-byte character.
constexpr bool is_lead(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// is_double: true when p points at the first byte of a double-byte character.
inline bool is_double(const char* p) {
  return is_lead(static_cast<unsigned char>(p[0])) && p[1] != '\0';
}

// char_len: bytes in the character at p (2 for a double-byte character,
// otherwise 1). p must not point at the terminating NUL.
inline int char_len(const char* p) { return is_double(p) ? 2 : 1; }

}  // namespace quorl

#endif
