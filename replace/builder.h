// The replacement text builder: what a <to> template writes for one match.
//
// A template is literal text with a backslash that takes the next byte as
// it is, and sixteen two-byte elements: $$ (the whole match), $l and $u (the
// match in lower or upper case), $w $n $h $k (the match in full or half
// width, or its kana as hiragana or katakana: see replace/width.h), and
// $A $a $d $f $D $s $x $g $c (the text
// the matcher last captured for that class, whichever item or line that
// was). A '$' that starts none of them is an error, reported only when a
// match makes the template be read. A character of several bytes (in the
// template's encoding) is copied as it is, even after a backslash; so are
// such characters inside $l and $u, whose ASCII letters alone change.
//
// A template is taken apart once (compile_to) and expanded with the
// captures of an editor (expand_to_program). The builder writes where its
// caller says, and the caller makes room first.
#ifndef QUORL_REPLACE_BUILDER_H
#define QUORL_REPLACE_BUILDER_H

#include <cstddef>

#include "replace/matcher.h"
#include "support/bytebuf.h"

namespace quorl {

// BAD_TO: the message (a format for the template) for a template with a
// '$' that starts no element.
inline constexpr char BAD_TO[] = "illegal \"-r <replace>\" parameter: %s\n";

// A template applied to many matches is taken apart once (ToProgram): its
// literal text unescaped, and each element as the capture it copies or the
// case it converts to. A template with a bad '$' is not taken apart (usable
// false): a match that reaches it is an error, with the message BAD_TO.
struct ToPiece {
  size_t text_at = 0;  // where the piece's literal text starts in bytes
  size_t text_len = 0;
  char convert = 0;  // 'l', 'u', 'w', 'n', 'h' or 'k': then the match, converted
  signed char slot = -1;  // otherwise this capture slot, or nothing
};

struct ToProgram {
  Encoding enc = Encoding::sjis;
  ByteBuf pieces;  // ToPiece[count]
  int count = 0;
  ByteBuf bytes;   // the literal text of every piece
  size_t text_len = 0;  // the literal bytes in all
  bool usable = false;
  int bad_at = -1;        // when not usable, where its bad '$' stands in the template
  bool constant = false;  // no element: every match writes bytes, NUL-terminated
  unsigned reads = 0;     // bit k: an element inserts capture slot k
};

// compile_to: prog made ready for to, in the encoding enc.
void compile_to(const char* to, ToProgram* prog, Encoding enc = Encoding::sjis);

// to_program_size: how many bytes expand_to_program writes at most for a
// match of match_len bytes (the NUL not counted), for a usable prog and the
// captures caps as they are now; exactly that many unless a width or kana
// element changes a character's length.
size_t to_program_size(const ToProgram& prog, const Captures& caps, size_t match_len);

// expand_to_program: the expansion of a usable prog for the match_len bytes
// at match (which the whole-match capture holds too, right after the match),
// with the captures caps, written at out, then a NUL; returns the bytes
// written before the NUL. out must have room for to_program_size + 1 bytes.
size_t expand_to_program(const ToProgram& prog, const Captures& caps, const char* match, char* out,
                         size_t match_len);

}  // namespace quorl

#endif
