// convert_str and get_csvword over any word lists and line.
//
// Input: a flag byte (bit 0: whole words), then the from list, the to list
// and the line, separated by NULs.
#include <cstring>

#include <quorl/classic.h>

#include "extract/convert.h"
#include "fuzz_common.h"

// convert_str is a classic routine: a bad '$' in a to-word, or exhausted
// memory, ends the process by design, which the hook turns into Ended.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  quorl_fuzz::install();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quorl_fuzz::Input in(data, size);
  const int whole_word = in.byte() & 1;
  quorl_fuzz::Text from = in.next();
  quorl_fuzz::Text to = in.next();
  quorl_fuzz::Text line = in.next();

  // Every word comes back within its limit, and the walk moves forward.
  const char* p = from.c_str();
  while (*p != '\0') {
    char* word = nullptr;
    const char* next = quorl::get_csvword(p, &word);
    quorl_fuzz::check(next > p && next <= from.c_str() + from.size());
    quorl_fuzz::check(std::strlen(word) <= static_cast<size_t>(quorl::CSVWORD_MAX));
    p = next;
  }
  try {
    quorl::convert_str(whole_word, from.c_str(), to.c_str(), line.c_str());
  } catch (const quorl_fuzz::Ended&) {
  }
  return 0;
}
