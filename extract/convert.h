// The single-call entry: convert_str and its word splitter get_csvword.
//
// The operations themselves are declared in quorl/classic.h, so that the
// library's users and its own code see one declaration. This header adds
// what the classic routines keep for the whole process, which the engine
// itself never does:
//
//   conv_buf       the specification built by the latest convert_str
//   csvword_buf    the word split off last
//   default_editor the editor convert_str edits in: its captures carry over
//                  from one call to the next, and its result buffer holds
//                  the text returned
//   default_syntax the field separator and brackets convert_str's items
//                  see (none unless the program sets them)
//
// All of them live as long as the process and are overwritten by every call.
//
// For pairs (f1, t1) ... (fk, tk) the specification reads "f1:t1,f2:t2,..."
// with every item ending in a comma, or "(f1):t1,(f2):t2,..." for whole
// words. The length tests count only the words; conv_buf has room for the
// parentheses, colons and commas around them.
#ifndef QUORL_EXTRACT_CONVERT_H
#define QUORL_EXTRACT_CONVERT_H

#include "quorl/classic.h"
#include "replace/editor.h"

namespace quorl {

constexpr int CONV_BUF_SIZE = 8192;

extern char conv_buf[CONV_BUF_SIZE];
extern char csvword_buf[CSVWORD_MAX + 1];

extern EditorState default_editor;
extern FieldSyntax default_syntax;

// clear_captures: empties the nine class captures of default_editor (the
// whole-match capture stays).
void clear_captures();

}  // namespace quorl

#endif
