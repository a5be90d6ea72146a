// Replacement specifications and their items.
//
// A specification is a comma-separated list of items [(<no>)]<from>:[<to>].
// apply_replace applies them left to right, each to the result of the one
// before; next_replace_item cuts one item off and tells from its text alone
// whether it is well formed. A specification is cut into items once and
// kept for the lines that follow (a few dozen are kept, by address and
// text); its items are applied in order, and a bad item is reported when the
// scan reaches it, after the items in front of it have done their work.
//
// Text is NUL-terminated bytes; a backslash and the byte after it, and a
// Shift_JIS lead byte and the byte after it, are kept together, so neither a
// ',' nor a ':' there ends anything. The specification is only read.
//
// This module owns the engine's two process-wide buffers: work_str, the copy
// of the line that an item scans, and result_str, where the item writes its
// result. Both are created by the first apply_replace, grow on demand, are
// reused for every item and line, and are never freed.
#ifndef QUORL_REPLACE_SPLITTER_H
#define QUORL_REPLACE_SPLITTER_H

#include <cstddef>

#include "replace/applier.h"
#include "support/bytebuf.h"

namespace quorl {

// The engine buffers, with their data and allocated size under the names
// the rest of the engine uses (work_size is 0 until the buffers exist).
extern ByteBuf work_buf;
extern ByteBuf result_buf;
inline char*& work_str = work_buf.data;
inline int& work_size = work_buf.size;
inline char*& result_str = result_buf.data;
inline int& result_size = result_buf.size;

// apply_replace: the line edited by every item of spec, in result_str, or
// null after a message ("\"<spec>\": bad <replace>\n" for a bad item, or
// the message of the item that failed). line may be result_str itself. The
// result stays valid until the next call into the engine.
char* apply_replace(const char* spec, const char* line);

// apply_replace_len: apply_replace, for a line of *len bytes (or
// static_cast<size_t>(-1) to have it measured); *len is set to the length of
// the result. Left alone when the result is null.
char* apply_replace_len(const char* spec, const char* line, size_t* len);

// lines_at_once: whether spec (with no bad item) edits a run of whole lines
// at once exactly as it edits each line alone (see whole_line_literal).
bool lines_at_once(const char* spec);

// replace_lines: spec (lines_at_once) applied to the *len bytes of whole
// lines at text, each ending in a newline and none holding a NUL: returns
// the lines as apply_replace edits them, each with its newline, in one of
// the two buffers in bufs (the one that text is not in), with *len set to
// their length. from_arg is left alone; *end tells what the lines leave in
// it (see FromArgEnd). Null when the result would grow beyond LINES_CAP;
// the lines are then better edited one by one.
const char* replace_lines(const char* spec, const char* text, size_t* len, ByteBuf bufs[2],
                          FromArgEnd* end);

// next_replace_item: splits the item at item into its <from> text (with its
// field-number group, if any, as written) and its <to> text, each
// NUL-terminated in the given buffer, which grows to hold it whole. Returns
// the first byte of the next item (just past the comma that ended this
// one), or the terminating NUL after the last item; null when the item is
// bad: it has no ':', its leading group is never closed, or nothing before
// the first ':' is pattern text. Prints nothing.
const char* next_replace_item(const char* item, ByteBuf* from, ByteBuf* to);

}  // namespace quorl

#endif
