#include "extract/records.h"

#include "replace/csv.h"

namespace quorl {

bool Records::take(Encoding enc, const char* text, size_t n, std::string_view ending, size_t line_no) {
  const bool odd = (csv_quotes(enc, text, n) & 1) != 0;
  if (!open_) {
    gathered_ = false;
    if (!odd) return true;
    buf_.clear();
    first_ = line_no;
    open_ = true;
  } else if (odd) {
    open_ = false;
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
