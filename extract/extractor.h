// Field extraction: the -e template.
//
// After the rules have edited a line, extract_fields rebuilds it from its
// fields. split_fields cuts the line in place: every separator (the -t byte,
// or by default the first byte of a run of blanks and tabs) becomes a NUL,
// and field_ptr records where each piece starts. The template is then walked
// left to right: its bytes are copied, and every $ element read by
// read_field_no is replaced by the pieces it names, packed together.
//
// Text is NUL-terminated bytes; a Shift_JIS lead byte with its second byte is
// one character, and that second byte never separates. The -b brackets play
// no part here.
//
// The field table and the output buffer belong to this module: created on
// the first call, grown on demand without limit, never freed, and reused for
// every line. A returned pointer stays valid until the next call.
//
// A malformed element is fatal: "illegal \"-e <extract>\" parameter" is
// printed through errmsg and the process ends with status 1. Since the
// template is only read while a line is extracted, a bad one is reported at
// the first line that reaches it; lines printed before stay printed.
#ifndef QUORL_EXTRACT_EXTRACTOR_H
#define QUORL_EXTRACT_EXTRACTOR_H

#include <cstddef>

#include "support/bytebuf.h"

namespace quorl {

// The field table: field_ptr[0] .. field_ptr[n] start the pieces of the line
// last split; field_ptr_max entries are allocated (0 before the first split).
extern char** field_ptr;
extern int field_ptr_max;

// The output buffer: the text last built, extract_buf_size bytes allocated
// (0 before the first call).
extern char* extract_buf;
extern int extract_buf_size;

// Allocation steps: the table grows by FIELD_PTR_STEP entries, the buffer
// starts at EXTRACT_BUF_STEP bytes and grows by at least as much.
constexpr int FIELD_PTR_STEP = 256;
constexpr int EXTRACT_BUF_STEP = 4096;

// split_fields: cuts line (writable) in place at the separators chosen by
// sep and fills field_ptr. Returns n, the index of the last piece, so the
// line has n + 1 pieces; piece 0 is empty when the line is empty or begins
// with a separator.
int split_fields(char* line);

// split_fields_len: split_fields for a line of len bytes (its NUL at
// line[len]).
int split_fields_len(char* line, size_t len);

// read_field_no: reads one template element; spec points at the byte after
// its '$'. Sets *first_no and *last_no to the element's first and last field
// number (1-based, inclusive); '$' and '*' stand for field_count. Returns a
// pointer to the template byte after the element, or null when the element
// is malformed (nothing is printed). A number in parentheses too large for
// an int reads as INT_MAX.
const char* read_field_no(const char* spec, int* first_no, int* last_no, int field_count);

// extract_fields: the output built from templ and the fields of line, which
// is cut in place and must not be used afterwards. Returns extract_buf.
// A malformed element prints its message and ends the process (status 1).
char* extract_fields(const char* templ, char* line);

// extract_fields_len: extract_fields for a line of *len bytes, or
// static_cast<size_t>(-1) to have it measured; *len is set to the length of
// the output.
char* extract_fields_len(const char* templ, char* line, size_t* len);

// Many lines at once. A template a line has been extracted with is well
// formed, and rebuilding a line reads its pieces only up to the highest
// field the template names (all of them when it names $$ or $*), so a run
// of lines can be rebuilt piece by piece as found, without cutting the
// lines or touching the field table and the output buffer above.

// lines_extractable: whether extract_lines rebuilds lines as extract_fields
// does with the present separator (a -t byte that is a lead byte, or a
// newline, separates only line by line).
bool lines_extractable();

// extract_lines: each of the whole lines in the len bytes at text (each
// ending in a newline, none holding a NUL) rebuilt by templ, which must be
// well formed, as extract_fields rebuilds it; the results, each followed by
// a newline, are written to out from its start. Returns their length, or
// static_cast<size_t>(-1) when that would pass max_len (nothing that
// matters is written then). The lines are only read.
size_t extract_lines(const char* templ, const char* text, size_t len, ByteBuf* out,
                     size_t max_len);

}  // namespace quorl

#endif
