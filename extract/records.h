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
#include <string_view>

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

}  // namespace quorl

#endif
