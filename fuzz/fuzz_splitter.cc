// The item splitter over any specification text: every item is cut within
// the text, each cut moves forward, and both halves come back NUL-terminated
// inside their buffers.
#include <cstring>

#include "fuzz_common.h"
#include "replace/spec.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  quorl_fuzz::quiet();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static quorl::ByteBuf from, to;
  quorl_fuzz::Input in(data, size);
  quorl_fuzz::Text spec = in.next();
  const char* end = spec.c_str() + spec.size();
  const char* item = spec.c_str();
  while (*item != '\0') {
    const char* next = quorl::next_replace_item(item, &from, &to);
    if (next == nullptr) break;
    quorl_fuzz::check(next > item && next <= end);
    // Neither half can be longer than the item it came from.
    const size_t item_len = static_cast<size_t>(next - item);
    quorl_fuzz::check(std::strlen(from.data) <= item_len);
    quorl_fuzz::check(std::strlen(to.data) <= item_len);
    item = next;
  }
  return 0;
}
