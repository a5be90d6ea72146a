// Applying one item of a specification to one line.
//
// replace_item copies the line into work_str, narrows the work to the field
// that the item's (<no>) selects, if any, and scans that text left to right
// one character at a time: where the pattern matches, the expansion of <to>
// goes into result_str in place of the match and the scan resumes behind
// it; every other character is copied as it is. Matches never overlap and
// replacement text is never scanned again. The bytes around the selected
// field are put back unchanged.
//
// Fields for (<no>) are cut only at the -t separator byte (without one the
// whole line is field 1); between the -b brackets a separator does not cut,
// and a double-byte character is never cut inside.
//
// An item applied to many lines is made ready once (ReadyItem: its texts cut
// out, its pattern taken apart, a constant <to> expanded) and then applied
// with apply_item; replace_item does both for a single call.
#ifndef QUORL_REPLACE_APPLIER_H
#define QUORL_REPLACE_APPLIER_H

#include <cstddef>

#include "replace/builder.h"
#include "replace/matcher.h"
#include "support/bytebuf.h"

namespace quorl {

// The write offset into an output buffer, kept while that buffer is
// reallocated so the write position can be rebuilt.
extern int pos;

// replace_item: line with every match of from's pattern (in the selected
// field) replaced by the expansion of to, in result_str; the line unchanged
// when it has no such field. Null after printing "\"<from>\": bad
// <replace>\n" when the field number is 0. line may be result_str itself.
// A bad '$' in to ends the process (see make_to_string).
char* replace_item(const char* line, const char* from, const char* to);

// ReadyItem: one item prepared for any number of lines. from and to hold the
// item's texts NUL-terminated (from with its field-number group as written);
// ready_item fills in the rest from them. Its buffers are reused when the
// item is made ready again with other texts.
struct ReadyItem {
  ByteBuf from;
  ByteBuf to;
  long long field = -1;   // the field number; -1 without one, 0 when bad
  int to_len = 0;
  int constant_len = -1;  // length of constant_to, or -1 when to has elements
  ByteBuf constant_to;    // the expansion of a to without elements
  ToProgram to_prog;      // to taken apart, when it has elements
  Program prog;
};

// ready_item: item made ready for the texts now in item->from and item->to.
void ready_item(ReadyItem* item);

// apply_item: as replace_item, for an item made ready with ready_item. *len
// is the length of line, or UNKNOWN_LEN to have it measured; it is set to
// the length of the result (which holds no NUL before its end).
constexpr size_t UNKNOWN_LEN = static_cast<size_t>(-1);
char* apply_item(const char* line, ReadyItem* item, size_t* len);

// Many lines at once. An item that replaces literal bytes with constant text
// anywhere in the line (no field number, no element in either text, no
// newline in either, and a pattern that does not end in a lead byte) does to
// a run of whole lines, each ending in its newline, exactly what it does to
// each line alone: no match can reach across a newline, and a newline ends
// every run of lead bytes that tells where characters start.

// FromArgEnd: what applying items to a run of lines leaves in from_arg. An
// item scanning an empty line leaves it alone, and an empty line stays
// empty, so the run's last line that is not empty decides, and there the
// last item that still scanned some text: touched false when there is no
// such line (from_arg stays as it was); otherwise from_arg holds the len
// bytes of match, or is empty when len is 0. The bytes are kept here, so
// the items may be changed in between. start() makes it ready for a run.
struct FromArgEnd {
  static constexpr size_t UNCOUNTED = static_cast<size_t>(-1);
  bool touched = false;
  int len = 0;
  ByteBuf match;
  size_t empty_tail = UNCOUNTED;  // the empty lines that end the run as read

  void start() {
    touched = false;
    empty_tail = UNCOUNTED;
  }
};

// whole_line_literal: the item is applied the same to a run of lines as to
// each line alone (see above).
bool whole_line_literal(const ReadyItem& item);

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
size_t replace_literal_lines(const ReadyItem& item, const char* text, size_t len, ByteBuf* out,
                             FromArgEnd* end);

// apply_from_arg_end: from_arg set as end tells.
void apply_from_arg_end(const FromArgEnd& end);

}  // namespace quorl

#endif
