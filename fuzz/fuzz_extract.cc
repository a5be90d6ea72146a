// Extraction templates on lines: field splitting, element reading and the
// output buffer.
//
// Input: the -t separator byte (0: blanks and tabs), then the template and
// the line, separated by a NUL.
#include <cstring>

#include "extract/extractor.h"
#include "fuzz_common.h"
#include "support/memory.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  quorl_fuzz::quiet();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quorl::EditorState ed;
  quorl::Template compiled;
  quorl_fuzz::Input in(data, size);
  quorl::FieldSyntax syntax;
  syntax.sep = quorl::Delim{{static_cast<char>(in.byte())}, 0};
  quorl_fuzz::Text templ = in.next();
  quorl_fuzz::Text line = in.next();
  quorl::ThrowOnExhaustion throws;
  try {
    quorl::compile_template(templ.c_str(), &compiled);
    // The line is cut in place, in its own block of its exact size.
    size_t len = line.size();
    const char* out = quorl::extract_with(compiled, syntax, ed, line.c_str(), &len);
    quorl_fuzz::check(out == nullptr ? compiled.bad : out == ed.extract.data);
    quorl_fuzz::check(out == nullptr || (std::strlen(out) == len && len < ed.extract.size));
  } catch (const quorl::MemoryExhausted&) {
  }
  return 0;
}
