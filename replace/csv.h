// CSV fields: how --csv cuts a record into fields and writes a field back.
//
// A field that begins with a double quote is quoted: up to the quote that
// closes it, the separator, CR, LF and a doubled quote ("", which stands
// for one) are its text. What follows the closing quote up to the separator
// is text too, as lenient readers take it, and a quote inside a field that
// did not begin with one is an ordinary byte. A field's value is its text
// without the quotes; an empty record is one empty field, and a record that
// ends with the separator ends with an empty field.
//
// A value is written as a field quoted only when it must be: when it holds
// the separator, a quote, a CR or an LF; its quotes are then doubled.
//
// Lines are gathered into records by their quotes: a record ends at the
// first line end outside a quoted field, so a quoted field may hold line
// breaks. Every scan steps over characters whole, so a quote or separator
// byte inside a multibyte character never counts (a Shift_JIS second byte
// may be 0x5C or 0x7C).
//
// Text is NUL-terminated bytes. Nothing here allocates but the buffers the
// caller passes.
#ifndef QUORL_REPLACE_CSV_H
#define QUORL_REPLACE_CSV_H

#include <cstddef>

#include "replace/editor.h"
#include "support/bytebuf.h"

namespace quorl {

// CsvField: one field as it stands in the record: [start, end), end being
// the separator after it or the record's end; quoted when it begins with a
// quote.
struct CsvField {
  char* start;
  char* end;
  bool quoted;
};

// csv_field: the field that begins at p (a character start, p <= end) of
// the record that ends at end.
CsvField csv_field(const FieldSyntax& syntax, char* p, const char* end);

// csv_value: the value of the quoted field f written from out (which may be
// f.start itself: the value never runs ahead of the field); returns its
// length. Nothing is terminated.
size_t csv_value(const FieldSyntax& syntax, const CsvField& f, char* out);

// csv_must_quote: the n bytes at p must be quoted to stand as a field.
bool csv_must_quote(const FieldSyntax& syntax, const char* p, size_t n);

// csv_append_field: the n bytes at p appended to out as a field, quoted
// when they must be.
void csv_append_field(const FieldSyntax& syntax, const char* p, size_t n, ByteBuf* out);

// csv_quoted_after: whether the n bytes at p (a line: it starts with a
// character, and its end ends every character) leave a quoted field open,
// quoted telling whether one was open before them (else they begin a
// record). A quote opens a field only where the field begins: after the
// record's start or a separator; elsewhere outside quotes it is a byte of
// the field.
bool csv_quoted_after(const FieldSyntax& syntax, const char* p, size_t n, bool quoted);

// csv_record_end: where the record that begins at p ends: just after the
// newline that ends its last line in [p, end), or null when [p, end) ends
// before the record does. The lines it spans are added to *lines when
// lines is not null.
char* csv_record_end(const FieldSyntax& syntax, char* p, const char* end, size_t* lines = nullptr);

// csv_record_from: the first record start at or after from, the records
// read from p, which starts one; null when [p, end) ends first.
char* csv_record_from(const FieldSyntax& syntax, char* p, const char* end, const char* from);

}  // namespace quorl

#endif
