// Conversion of wildcard search strings into coded patterns.
//
// A user's search string uses "?" for any one character and "*" for any run;
// a matcher wants them as codes that no text character can be confused with.
// The conversions here replace them by WILD_ONE (0x01) and WILD_ANY (0x02),
// and "^" by WILD_HEAD (0x03) where a search anchors at the start.
//
// Input is NUL-terminated Shift_JIS text: a lead byte 0x81-0x9F or 0xE0-0xFC
// with the non-NUL byte after it is one character, copied whole, so its
// second byte is never read as a wildcard or a backslash. A backslash makes
// the next character literal, a whole double-byte character included; a
// backslash at the very end ends the text.
#ifndef QUORL_CLASSIC_WILDCARD_H
#define QUORL_CLASSIC_WILDCARD_H

namespace quorl {

constexpr char WILD_ONE = '\x01';
constexpr char WILD_ANY = '\x02';
constexpr char WILD_HEAD = '\x03';

// The most characters conv_search_str1 and conv_search_find convert; the
// rest of a longer text is dropped.
constexpr int PATTERN_CHARS = 510;

// The pattern area: one prefix byte, up to PATTERN_CHARS characters of at
// most two bytes each, the closing WILD_ANY and the NUL. Process-wide and
// overwritten by the next conversion into it.
constexpr int PATTERN_AREA_SIZE = 1 + 2 * PATTERN_CHARS + 2;
extern char pattern_area[PATTERN_AREA_SIZE];

// conv_search_str: converts s in place (it never grows). When esc is nonzero
// a backslash makes the next character literal; otherwise it is a literal
// byte itself. "?" becomes WILD_ONE and a run of "*" one WILD_ANY. Returns 1
// when at least one literal character remains, else 0.
int conv_search_str(char* s, int esc);

// conv_search_str1: converts the first PATTERN_CHARS characters of s into
// pattern_area; a backslash always escapes, and every "*" becomes its own
// WILD_ANY. When a wildcard was converted, the result is wrapped as WILD_ANY,
// text, WILD_ANY and the pointer is pattern_area itself; otherwise the text
// stands alone at pattern_area + 1. Never null; s is not changed.
char* conv_search_str1(const char* s);

// conv_search_find: as conv_search_str1, but "^" becomes WILD_HEAD and the
// result is always wrapped and returned from pattern_area.
char* conv_search_find(const char* s);

}  // namespace quorl

#endif
