// Skipping over blanks and words, and testing for numbers.
//
// These read NUL-terminated text byte by byte and return positions inside
// the text they were given; none returns null, since the terminating NUL is
// where every skip ends at the latest. A blank is the byte " ".
#ifndef QUORL_CLASSIC_SKIP_H
#define QUORL_CLASSIC_SKIP_H

namespace quorl {

// sp_skip: the first byte of s that is not a blank or a tab.
char* sp_skip(const char* s);

// chr_skip: the first blank or tab of s, or its NUL.
char* chr_skip(const char* s);

// optionStr_skip: the position after one option word of s. A word that opens
// with a double quote runs to the next double quote, "<", ">" or the end,
// and a closing double quote is passed over too; any other word runs to the
// first blank, tab, double quote, "<", ">" or the end.
char* optionStr_skip(const char* s);

// isnum: 1 when every byte of s before the first blank, tab, newline or the
// end is a digit "0"-"9" (an empty word counts), else 0.
int isnum(const char* s);

}  // namespace quorl

#endif
