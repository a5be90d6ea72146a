// Whole specifications applied to lines: the engine with every item, field
// selection, pattern and template it can be given.
//
// Input: the -t separator byte, the two -b bracket bytes (0: none), then the
// specification and the line, separated by a NUL.
#include <algorithm>

#include "replace/editor.h"
#include "fuzz_common.h"
#include "replace/matcher.h"
#include "replace/spec.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  quorl_fuzz::install();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quorl_fuzz::Input in(data, size);
  quorl::sep = static_cast<char>(in.byte());
  quorl::field_bracket_s = static_cast<char>(in.byte());
  quorl::field_bracket_e = static_cast<char>(in.byte());
  quorl_fuzz::Text spec = in.next();
  quorl_fuzz::Text line = in.next();
  // Each item may multiply the line (a:aa doubles it), so a long list of
  // such items builds lines up to the allocation cap, item after item: work
  // in proportion to the output, but minutes of it under the sanitizers.
  // Sixteen items are plenty to mix every kind of item.
  if (std::count(spec.c_str(), spec.c_str() + spec.size(), ',') > 16) return 0;
  // Captures outlive a line by design; starting empty keeps every input
  // reproducible on its own.
  quorl::clear_captures();
  try {
    char* result = quorl::apply_replace(spec.c_str(), line.c_str());
    // Applying again to the engine's own result is what a second rule does.
    if (result != nullptr) quorl::apply_replace(spec.c_str(), result);
  } catch (const quorl_fuzz::Ended&) {
  }
  quorl::sep = 0;
  quorl::field_bracket_s = quorl::field_bracket_e = 0;
  return 0;
}
