// Collating comparisons of texts and paths.
//
// quorl orders names the way a user of Japanese file names expects: ASCII
// first with letter case ignored and the backslash below every other
// character (so a path sorts before its siblings' longer names), then
// half-width katakana (the single bytes 0xA1-0xDF), then double-byte
// characters by lead byte and trail byte. Any other byte of 0x80 or more is
// taken as the lead byte of a double-byte character.
//
// Every function here reads NUL-terminated bytes and writes nothing; none
// keeps a pointer to its arguments.
#ifndef QUORL_CLASSIC_COMPARE_H
#define QUORL_CLASSIC_COMPARE_H

namespace quorl {

// StrnCmp: the collating order of a and b: -1, 0 or 1. At most n bytes are
// compared; a negative n means no limit, and n == 0 gives 0. A double-byte
// character whose lead byte is the last byte allowed by n is still compared
// whole.
int StrnCmp(const char* a, const char* b, int n);

// StrCmp: StrnCmp without a limit.
int StrCmp(const char* a, const char* b);

// DirCmp: 0 when the directory paths a and b are the same under StrnCmp,
// ignoring one trailing backslash byte on either; 1 otherwise when their
// lengths differ (never -1), else the StrnCmp result.
int DirCmp(const char* a, const char* b);

// strcasecmp: byte comparison of the first 1023 bytes of a and b after ASCII
// letters are lowered with to_lower's rule; the sign of the result orders
// them, its size means nothing. Unlike the C library's function of the same
// name, double-byte characters keep their trail bytes untouched.
int strcasecmp(const char* a, const char* b);

}  // namespace quorl

#endif
