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
  Program prog;
};

// ready_item: item made ready for the texts now in item->from and item->to.
void ready_item(ReadyItem* item);

// apply_item: as replace_item, for an item made ready with ready_item. *len
// is the length of line, or UNKNOWN_LEN to have it measured; it is set to
// the length of the result (which holds no NUL before its end).
constexpr size_t UNKNOWN_LEN = static_cast<size_t>(-1);
char* apply_item(const char* line, ReadyItem* item, size_t* len);

}  // namespace quorl

#endif
