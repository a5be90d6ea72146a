// Byte blocks and small in-place edits of texts.
//
// The block operations take counts as signed ints, as their callers keep
// them; a count of 0 or less touches nothing. They read and write exactly
// the bytes they are told to, NULs included, and the caller guarantees the
// blocks are that long. bcopy and bakmov walk in opposite directions so that
// overlapping blocks can be moved either way; note that bcopy takes the
// destination first and bakmov the source first. bcmp and bcopy here are not
// the C library's functions of those names.
//
// The text edits work on NUL-terminated text in the caller's buffer.
#ifndef QUORL_CLASSIC_BLOCKS_H
#define QUORL_CLASSIC_BLOCKS_H

namespace quorl {

// bcmp: compares n bytes of a and b as unsigned values: 1 at the first byte
// where a's is greater, -1 where it is smaller, 0 when all n are equal.
int bcmp(const void* a, const void* b, int n);

// bcopy: copies n bytes from src to dst, first byte first, so dst may overlap
// src from below. Returns 0.
int bcopy(void* dst, const void* src, int n);

// bakmov: copies n bytes from src to dst, last byte first, so a block can be
// moved towards higher addresses over itself. Returns 0.
int bakmov(const void* src, void* dst, int n);

// clear: sets n bytes at p to the low 8 bits of c. Returns the position after
// the last byte set (p itself when n is 0 or less).
char* clear(void* p, int c, int n);

// insChar: inserts the byte c before the first byte of s, moving the text and
// its NUL one place right; the buffer must have room for one more byte.
// Returns 0.
int insChar(char* s, int c);

// ChgChr: in s, turns each byte equal to from that starts a character into
// to, stepping over Shift_JIS double-byte characters as they stand after the
// change. Turning a byte into NUL ends the text there, and the walk with it.
// Returns s.
char* ChgChr(char* s, int from, int to);

// cutBackSpace: removes the blanks and tabs at the end of s. Returns 0.
int cutBackSpace(char* s);

}  // namespace quorl

#endif
