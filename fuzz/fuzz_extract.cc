// Extraction templates on lines: field splitting, element reading and the
// output buffer.
//
// Input: the -t separator byte (0: blanks and tabs), then the template and
// the line, separated by a NUL.
#include <cstring>
#include <vector>

#include "driver/cli.h"
#include "extract/extractor.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  quorl_fuzz::install();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quorl_fuzz::Input in(data, size);
  quorl::sep = static_cast<char>(in.byte());
  const std::string templ = in.next();
  const std::string line = in.next();
  // The line is cut in place: hand over a writable copy of its exact size.
  std::vector<char> text(line.c_str(), line.c_str() + line.size() + 1);
  try {
    const char* out = quorl::extract_fields(templ.c_str(), text.data());
    quorl_fuzz::check(out == quorl::extract_buf);
    quorl_fuzz::check(std::strlen(out) < static_cast<size_t>(quorl::extract_buf_size));
  } catch (const quorl_fuzz::Ended&) {
  }
  quorl::sep = 0;
  return 0;
}
