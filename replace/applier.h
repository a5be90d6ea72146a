// Applying one item of a specification to one line.
//
// apply_item scans the line, or the field of it that the item's (<no>)
// selects, left to right one character at a time: where the pattern
// matches, the expansion of <to> goes into the editor's result buffer in
// place of the match and the scan resumes behind it; every other character
// is copied as it is. Matches never overlap and replacement text is never
// scanned again. The bytes around the selected field are put back
// unchanged. A line that must not be scanned where it lies (the previous
// item's result, or a line whose field end is marked) is scanned in the
// editor's work buffer.
//
// Fields for (<no>) are cut only at the -t separator (without one the whole
// line is field 1); between the -b brackets a separator does not cut, and a
// character is never cut inside.
//
// An item is compiled once (Item: its texts cut out, its pattern taken
// apart, a constant <to> expanded) and then applied to any number of lines
// with apply_item, which never writes the item: what a scan writes lives in
// the editor it is given.
#ifndef QUORL_REPLACE_APPLIER_H
#define QUORL_REPLACE_APPLIER_H

#include <cstddef>

#include "replace/builder.h"
#include "replace/matcher.h"
#include "support/bytebuf.h"

namespace quorl {

// Item: one item compiled for any number of lines. from and to hold the
// item's texts NUL-terminated (from with its field-number group as written);
// ready_item fills in the rest from them. Its buffers are reused when the
// item is made ready again with other texts.
struct Item {
  ByteBuf from;
  ByteBuf to;
  long long field = -1;   // the field number; -1 without one, 0 when bad
  ToProgram to_prog;      // to taken apart (constant: its bytes are the expansion)
  Program prog;
};

// BAD_REPLACE: the message (a format for the text at fault) for an item
// that is not well formed or has the field number 0.
inline constexpr char BAD_REPLACE[] = "\"%s\": bad <replace>\n";

// ready_item: item made ready for the texts now in item->from and item->to,
// in the encoding enc.
void ready_item(Item* item, Encoding enc);

// apply_item: line with every match of the item's pattern (in the selected
// field) replaced by the expansion of its <to>, for an item made ready with
// ready_item, with the field syntax syntax, in the editor ed: the result is
// in ed.result, the line as it was when it has no such field. line may be
// ed.result itself.
// *len is the length of line, or UNKNOWN_LEN to have it measured; it is set
// to the length of the result (which holds no NUL before its end). Null
// after a fault, whose message is then in ed.error and nothing is printed:
// "\"<from>\": bad <replace>\n" for the field number 0, or BAD_TO when a
// match reaches a bad '$' in to.
constexpr size_t UNKNOWN_LEN = static_cast<size_t>(-1);
char* apply_item(const Item& item, const FieldSyntax& syntax, EditorState& ed, const char* line,
                 size_t* len);

// Many lines at once. An item that replaces literal bytes with constant text
// anywhere in the line (no field number, no element in either text, no
// newline in either, and a pattern that does not end in a lead byte) does to
// a run of whole lines, each ending in its newline, exactly what it does to
// each line alone: no match can reach across a newline, and a newline ends
// every run of lead bytes that tells where characters start.

// inserts_own_captures: every capture the item's <to> inserts is written by
// the item's own pattern at every match, so what the item does to a line
// does not depend on the lines before it.
inline bool inserts_own_captures(const Item& item) {
  return item.field == 0 || (item.to_prog.reads & ~item.prog.written) == 0;
}

// whole_line_literal: the item is applied the same to a run of lines as to
// each line alone (see above).
bool whole_line_literal(const Item& item);

// LINES_CAP: the largest result replace_literal_lines makes; a run whose
// result would be longer is better edited line by line.
constexpr size_t LINES_CAP = size_t{1} << 20;

// replace_literal_lines: item (whole_line_literal) applied to the len bytes
// of whole lines at text (each ending in a newline, none holding a NUL), the
// results, each with its newline, written to out from its start. Returns
// their length, or UNKNOWN_LEN (and writes nothing that matters) when it
// would exceed LINES_CAP. *end is updated for the run's last line that is
// not empty (the first item applied to the run, with end started, counts
// the empty lines that end it); the captures themselves are not touched
// (see apply_from_arg_end).
size_t replace_literal_lines(const Item& item, const char* text, size_t len, ByteBuf* out,
                             FromArgEnd* end);

// apply_from_arg_end: the whole-match capture of caps set as end tells.
void apply_from_arg_end(const FromArgEnd& end, Captures* caps);

}  // namespace quorl

#endif
