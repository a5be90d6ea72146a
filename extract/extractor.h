// Field extraction: the -e template.
//
// After the rules have edited a line, extract_with rebuilds it from its
// fields. split_fields cuts the line in place: every separator (the -t byte,
// or by default the first byte of a run of blanks and tabs) becomes a NUL,
// and the editor's field table records where each piece starts. The
// template is then walked left to right: its bytes are copied, and every $
// element read by read_field_no is replaced by the pieces it names, packed
// together.
//
// Text is NUL-terminated bytes; a Shift_JIS lead byte with its second byte is
// one character, and that second byte never separates. The -b brackets play
// no part here.
//
// With CSV fields (replace/csv.h) each piece is a field's value, unquoted in
// place; every field counts, an empty first one too; and the template
// writes each field it names as a CSV field again, the fields of a range
// with the separator between them.
//
// A template is compiled once (Template) and is read-only afterwards; the
// field table and the output buffer belong to the editor (replace/editor.h):
// created on first use, grown on demand without limit and reused for every
// line. A returned pointer stays valid until the editor's next use.
//
// A malformed element is a fault, "illegal \"-e <extract>\" parameter",
// reported at the first line that is extracted (lines printed before stay
// printed): extract_with hands it back as a value.
#ifndef QUORL_EXTRACT_EXTRACTOR_H
#define QUORL_EXTRACT_EXTRACTOR_H

#include <cstddef>

#include "replace/editor.h"
#include "support/bytebuf.h"

namespace quorl {

// Allocation steps: the table grows by FIELD_PTR_STEP entries, the buffer
// starts at EXTRACT_BUF_STEP bytes and grows by at least as much.
constexpr int FIELD_PTR_STEP = 256;
constexpr int EXTRACT_BUF_STEP = 4096;

// split_fields: cuts the len-byte line (writable, its NUL at line[len]) in
// place at the separators of syntax and fills ed's field table:
// ed.field_ptr[0] .. ed.field_ptr[n] start the pieces (ed.field_ptr_max
// entries are allocated). Returns n, so the line has n + 1 pieces; piece 0
// is empty when the line is empty or begins with a separator.
size_t split_fields(EditorState& ed, const FieldSyntax& syntax, char* line, size_t len);

// read_field_no: reads one template element; spec points at the byte after
// its '$'. Sets *first_no and *last_no to the element's first and last field
// number (1-based, inclusive); '$' and '*' stand for field_count. Returns a
// pointer to the template byte after the element, or null when the element
// is malformed (nothing is printed). A number in parentheses too large for
// an int reads as INT_MAX.
const char* read_field_no(const char* spec, int* first_no, int* last_no, int field_count);

// BAD_TEMPLATE: the message for a malformed template (it has no newline).
inline constexpr char BAD_TEMPLATE[] = "illegal \"-e <extract>\" parameter";

// A template taken apart: literal text, then at most one element, per op.
// count_kind tells how the element reads the piece count: 0 not at all
// (fields first..last), 1 for $$ (the last field), 2 for $* (all), -1: no
// element after the text.
struct TemplateOp {
  int text_at = 0;
  int text_len = 0;
  int first = 0;
  int last = 0;
  int count_kind = -1;
};

struct Template {
  ByteBuf text;  // NUL-terminated
  Array<TemplateOp> ops;
  bool bad = false;  // a malformed element: every extraction fails
  int bad_at = 0;    // when bad, where that element's '$' stands in text
  int widest = 0;    // the highest field a fixed element names; INT_MAX for $$ or $*
};

// compile_template: templ taken apart into *out. Never fails: a malformed
// template is kept to be reported.
void compile_template(const char* templ, Template* out);

// extract_with: the output built from templ and the fields of line (*len
// bytes, or static_cast<size_t>(-1) to have it measured), cut with syntax's
// separator in ed's field table; line is cut in place and must not be used
// afterwards. Returns ed.extract's text and sets *len to its length; null
// for a malformed template, with the message in ed.error.
char* extract_with(const Template& templ, const FieldSyntax& syntax, EditorState& ed, char* line,
                   size_t* len);

// Many lines at once. A template a line has been extracted with is well
// formed, and rebuilding a line reads its pieces only up to the highest
// field the template names (all of them when it names $$ or $*), so a run
// of lines can be rebuilt piece by piece as found, without cutting the
// lines or touching the field table and the output buffer above.

// lines_extractable: whether extract_lines rebuilds lines as extract_with
// does with syntax's separator (a -t byte that is a lead byte, or a
// newline, separates only line by line, and CSV fields are cut record by
// record).
bool lines_extractable(const FieldSyntax& syntax);

// extract_lines: each of the whole lines in the len bytes at text (each
// ending in a newline, none holding a NUL) rebuilt by templ, which must be
// well formed, as extract_with rebuilds it; the results, each followed by a
// newline, are written to out from its start. Returns their length, or
// static_cast<size_t>(-1) when that would pass max_len (nothing that
// matters is written then). The lines are only read; ed lends its piece
// table.
size_t extract_lines(const Template& templ, const FieldSyntax& syntax, EditorState& ed,
                     const char* text, size_t len, ByteBuf* out, size_t max_len);

// extract_csv_records: the CSV records in the len bytes of whole lines at
// text (each ending in a newline, none holding a NUL) rebuilt by templ,
// which must be well formed, as extract_with rebuilds each record; the
// results, each followed by a newline, are written to out from its start,
// up to the first record the lines leave open or the first that brings
// out to max_len bytes or more. Returns the bytes of text taken (whole
// records; 0 when the first is left open), *lines the lines they span. The
// records are cut in place.
size_t extract_csv_records(const Template& templ, const FieldSyntax& syntax, EditorState& ed, char* text,
                           size_t len, ByteBuf* out, size_t max_len, size_t* lines);

}  // namespace quorl

#endif
