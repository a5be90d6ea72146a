// CSV records from lines.
//
// With CSV fields a quoted field may hold line breaks, so the unit that the
// rules and the template see is a record, not a line: lines are gathered
// until one ends outside a quoted field (replace/csv.h). A line that is a record of its own, as most are, is
// never copied; the lines of a longer record are copied, each followed by
// its ending as read, into the gatherer's buffer, which is reused from
// record to record and grows with the longest.
#ifndef QUORL_EXTRACT_RECORDS_H
#define QUORL_EXTRACT_RECORDS_H

#include <cstddef>
#include <cstring>
#include <string_view>

#include "extract/extractor.h"
#include "replace/applier.h"
#include "replace/editor.h"
#include "support/bytebuf.h"
#include "support/encoding.h"

namespace quorl {

// UNCLOSED_QUOTE: the message (a format for the line number where the
// record began) for input that ends inside a quoted field.
inline constexpr char UNCLOSED_QUOTE[] = "line %zu: a quoted field is never closed\n";

class Records {
 public:
  // take: the line numbered line_no (its n bytes of text, then ending)
  // taken into the record. True when it ends the record: gathered() then
  // tells whether the record is the gatherer's text (else it is that line
  // alone).
  bool take(const FieldSyntax& syntax, const char* text, size_t n, std::string_view ending, size_t line_no);

  bool open() const { return open_; }
  bool gathered() const { return gathered_; }
  // text: the record gathered, NUL-terminated, len() bytes (valid until
  // the next take).
  char* text() { return buf_.data; }
  size_t len() const { return buf_.len; }
  // first_line: the number of the line where the record began.
  size_t first_line() const { return first_; }

 private:
  ByteBuf buf_;
  bool open_ = false;
  bool gathered_ = false;
  size_t first_ = 0;
};

// edit_csv_run: the n bytes of whole lines at run (each ending in a
// newline, none too long or holding a NUL) taken as CSV records: those they
// close rebuilt a run at a time into ed's first line buffer and handed to
// emit(text, len); the lines of a record they leave open gathered into
// records, and a record those lines close handed to edit(text, len). Both
// return false to stop; so does this. *line_no counts the lines taken.
template <typename Emit, typename Edit>
bool edit_csv_run(const Template& templ, const FieldSyntax& syntax, EditorState& ed, char* run, size_t n,
                  Records* records, size_t* line_no, Emit emit, Edit edit) {
  ByteBuf* out = &ed.lines[0];
  for (;;) {
    size_t lines = 0;
    const size_t took = extract_csv_records(templ, syntax, ed, run, n, out, LINES_CAP, &lines);
    if (took == 0) break;
    *line_no += lines;
    if (!emit(out->data, out->len)) return false;
    run += took;
    n -= took;
  }
  for (char* line = run; line < run + n;) {
    auto* nl = static_cast<char*>(std::memchr(line, '\n', static_cast<size_t>(run + n - line)));
    *nl = '\0';
    const size_t len = static_cast<size_t>(nl - line);
    if (records->take(syntax, line, len, "\n", ++*line_no)) {
      // Not reached while the record stays open, as it does to the run's end.
      char* text = records->gathered() ? records->text() : line;
      if (!edit(text, records->gathered() ? records->len() : len)) return false;
    }
    line = nl + 1;
  }
  return true;
}

}  // namespace quorl

#endif
