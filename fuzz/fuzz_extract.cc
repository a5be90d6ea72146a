// Extraction templates on lines: field splitting, element reading and the
// output buffer.
//
// Input: the -t separator byte (0: blanks and tabs), then the template and
// the line, separated by a NUL.
#include <cstring>

#include "replace/editor.h"
#include "extract/extractor.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  quorl_fuzz::install();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quorl_fuzz::Input in(data, size);
  quorl::sep = static_cast<char>(in.byte());
  quorl_fuzz::Text templ = in.next();
  quorl_fuzz::Text line = in.next();
  try {
    // The line is cut in place, in its own block of its exact size.
    const char* out = quorl::extract_fields(templ.c_str(), line.c_str());
    quorl_fuzz::check(out == quorl::extract_buf);
    quorl_fuzz::check(std::strlen(out) < static_cast<size_t>(quorl::extract_buf_size));
  } catch (const quorl_fuzz::Ended&) {
  }
  quorl::sep = 0;
  return 0;
}
