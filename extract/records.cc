#include "extract/records.h"

#include "replace/csv.h"

namespace quorl {

bool Records::take(const FieldSyntax& syntax, const char* text, size_t n, std::string_view ending,
                   size_t line_no) {
  const bool was_open = open_;
  open_ = csv_quoted_after(syntax, text, n, open_);
  if (!was_open) {
    gathered_ = false;
    if (!open_) return true;
    buf_.clear();
    first_ = line_no;
  }
  buf_.append(text, n);
  if (open_) {
    buf_.append(ending.data(), ending.size());
    return false;
  }
  buf_.terminate();
  gathered_ = true;
  return true;
}

}  // namespace quorl
