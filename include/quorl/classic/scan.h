// Scanners for words, parameter values and numbers.
//
// Each scanner reads a NUL-terminated text from a given position and returns
// the position where it stopped, inside that text, so a caller can scan a
// line piece by piece. None of them returns null or writes past the areas it
// is given, whatever the input.
//
// get_word keeps its results in two process-wide areas of WORD_AREA_SIZE
// bytes that its next call overwrites; SetParam writes into the caller's
// buffer; tonum works on a copy of its own.
#ifndef QUORL_CLASSIC_SCAN_H
#define QUORL_CLASSIC_SCAN_H

namespace quorl {

// The areas of get_word: at most WORD_AREA_SIZE - 1 bytes of text and a NUL.
constexpr int WORD_AREA_SIZE = 1025;
extern char word_area[WORD_AREA_SIZE];
extern char prefix_area[WORD_AREA_SIZE];

// get_word: splits the start of s into a prefix and an identifier. The prefix
// is the run of bytes before the first NUL, apostrophe, double quote,
// backslash, digit, ASCII letter or "_" (bytes of 0x80 and above belong to
// it); the word is the run of ASCII letters, digits and "_" after it. Each
// run stops after WORD_AREA_SIZE - 1 bytes. *prefix is set to prefix_area
// and *word to word_area, holding copies of the two runs; the result is the
// position after the word. The word is empty when the prefix stopped at a
// quote, a backslash, the end or its length limit.
char* get_word(const char* s, char** word, char** prefix);

// SetParam: copies one parameter value of src, after blanks and tabs, into
// dst, counting Shift_JIS characters (a double-byte character is one, and
// two bytes):
//   - "\"value\"": up to the closing quote or the end, at most n - 1
//     characters; returns the position of the closing quote, or of the byte
//     where copying stopped;
//   - "[value]": from the "[" up to the first "]" or the end, at most n - 2
//     characters, then the byte where that stopped (the "]"); returns the
//     position of that byte. With n below 2 only the NUL is written;
//   - otherwise: up to "=", a blank, a tab or the end, at most n - 1
//     characters; returns the position of the byte where copying stopped.
// dst is ended with a NUL and must hold 2 * n - 1 bytes (n for single-byte
// text). With n below 1 dst is not touched and the result is the position
// after the blanks.
char* SetParam(const char* src, char* dst, int n);

// The bytes of its text that tonum looks at.
constexpr int TONUM_COPY = 512;

// tonum: checks that the first TONUM_COPY bytes of s hold a number: blanks
// and tabs, a sign, digits with single commas between them, a fraction, an
// exponent, ended by a blank, a tab, the byte term or the end. On success
// sets *err to 0 and returns the number (commas ignored); on failure sets
// *err to 1 and returns 0.0.
double tonum(const char* s, int term, int* err);

}  // namespace quorl

#endif
