// Whole specifications applied to lines: the engine with every item, field
// selection, pattern and template it can be given.
//
// Input: the -t separator byte, the two -b bracket bytes (0: none), then the
// specification and the line, separated by a NUL.
#include <algorithm>

#include "fuzz_common.h"
#include "replace/spec.h"
#include "support/memory.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  quorl_fuzz::quiet();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quorl_fuzz::Input in(data, size);
  quorl::FieldSyntax syntax;
  syntax.sep = quorl::Delim{{static_cast<char>(in.byte())}, 0};
  syntax.open = quorl::Delim{{static_cast<char>(in.byte())}, 0};
  syntax.close = quorl::Delim{{static_cast<char>(in.byte())}, 0};
  quorl_fuzz::Text spec = in.next();
  quorl_fuzz::Text line = in.next();
  // Each item may multiply the line (a:aa doubles it), so a long list of
  // such items builds lines up to the allocation cap, item after item: work
  // in proportion to the output, but minutes of it under the sanitizers.
  // Sixteen items are plenty to mix every kind of item.
  if (std::count(spec.c_str(), spec.c_str() + spec.size(), ',') > 16) return 0;
  // Captures outlive a line by design; a fresh editor keeps every input
  // reproducible on its own.
  quorl::EditorState ed;
  quorl::CompiledSpec compiled;
  quorl::ThrowOnExhaustion throws;
  try {
    quorl::compile_spec(spec.c_str(), &compiled, syntax.enc);
    size_t len = quorl::UNKNOWN_LEN;
    char* result = quorl::apply_spec(compiled, syntax, ed, line.c_str(), &len);
    // Applying again to the engine's own result is what a second rule does.
    if (result != nullptr) quorl::apply_spec(compiled, syntax, ed, result, &len);
  } catch (const quorl::MemoryExhausted&) {
  }
  return 0;
}
