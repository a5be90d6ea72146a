// ASCII letter case conversion in place.
//
// Only the letters "a"-"z" and "A"-"Z" change. Bytes are taken in pairs the
// way the collating comparison sees them: a byte of 0x80 or more that is not
// half-width katakana (0xA1-0xDF), followed by a non-NUL byte, is one
// character with it, so a trail byte that happens to be a letter stays as it
// is. Half-width katakana bytes stand alone.
#ifndef QUORL_CLASSIC_CASE_H
#define QUORL_CLASSIC_CASE_H

namespace quorl {

// to_upper: raises the ASCII letters of the NUL-terminated text s in place.
// Returns 0.
int to_upper(char* s);

// to_lower: lowers the ASCII letters of the NUL-terminated text s in place.
// Returns 0.
int to_lower(char* s);

}  // namespace quorl

#endif
