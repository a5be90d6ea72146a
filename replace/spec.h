// Replacement specifications: cut into items, compiled once, applied.
//
// A specification is a comma-separated list of items [(<no>)]<from>:[<to>].
// compile_spec cuts it into items once (next_replace_item tells from an
// item's text alone whether it is well formed) and compiles each; apply_spec
// applies them left to right, each to the result of the one before. A bad
// item is reported when a line reaches it, after the items in front of it
// have done their work, exactly as if the specification were cut anew for
// every line.
//
// Text is NUL-terminated bytes; a character of several bytes, and a
// backslash with what it escapes (one byte, or one character where escapes
// take characters), are kept together, so neither a ',' nor a ':' there ends
// anything. The specification is only read.
//
// A CompiledSpec is never written while it is applied: threads may share
// one, each with its own editor (replace/editor.h).
#ifndef QUORL_REPLACE_SPEC_H
#define QUORL_REPLACE_SPEC_H

#include <cstddef>

#include "replace/applier.h"
#include "replace/editor.h"
#include "support/bytebuf.h"

namespace quorl {

// CompiledSpec: one specification, its good items in order, and whether a
// bad item follows them. For a caller that wants to know before any line
// is edited, it also tells the first fault a line may meet in it, in item
// order: a field number 0, a bad '$' in a <to> (met only by a match), or
// the bad item at the end.
struct CompiledSpec {
  ByteBuf text;  // NUL-terminated
  Array<Item> items;
  bool bad = false;
  bool whole_lines = false;  // every item is whole_line_literal (and none is bad)
  ErrorCode fault = ErrorCode::none;  // bad_item or bad_to, or none
  int fault_item = -1;                // the item at fault, counted from 0
  size_t fault_at = 0;                // where the fault stands in text
};

// compile_spec: spec cut into items and compiled into *out, whose buffers
// are reused, for text in the encoding enc. Never fails: a bad item is kept
// to be reported.
void compile_spec(const char* spec, CompiledSpec* out, Encoding enc);

// apply_spec: the line (*len bytes, or UNKNOWN_LEN to have it measured)
// edited by every item of spec with the field syntax syntax, in ed.result;
// *len is set to the result's length. Null after a fault, with its message
// in ed.error ("\"<spec>\": bad <replace>\n" for a bad item, or the message
// of the item that failed); nothing is printed. line may be ed.result
// itself. The result stays valid until the next use of ed.
char* apply_spec(const CompiledSpec& spec, const FieldSyntax& syntax, EditorState& ed,
                 const char* line, size_t* len);

// replace_lines: spec (whole_lines) applied to the *len bytes of whole
// lines at text, each ending in a newline and none holding a NUL: returns
// the lines as apply_spec edits them, each with its newline, in one of the
// two buffers in bufs (the one that text is not in), with *len set to their
// length. The captures are left alone; *end tells what the lines leave in
// the whole-match capture (see FromArgEnd). Null when the result would grow
// beyond LINES_CAP; the lines are then better edited one by one.
const char* replace_lines(const CompiledSpec& spec, const char* text, size_t* len,
                          ByteBuf bufs[2], FromArgEnd* end);

// next_replace_item: splits the item at item into its <from> text (with its
// field-number group, if any, as written) and its <to> text, each
// NUL-terminated in the given buffer, which grows to hold it whole. Returns
// the first byte of the next item (just past the comma that ended this
// one), or the terminating NUL after the last item; null when the item is
// bad: it has no ':', its leading group is never closed, or nothing before
// the first ':' is pattern text. Prints nothing. With to_start non-null,
// *to_start is set to where the <to> text begins in the item (just after
// its last ':') when it has a ':'.
const char* next_replace_item(const char* item, ByteBuf* from, ByteBuf* to,
                              Encoding enc = Encoding::sjis, const char** to_start = nullptr);

}  // namespace quorl

#endif
