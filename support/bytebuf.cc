#include "support/bytebuf.h"

#include <climits>

#include "support/exit.h"
#include "support/memory.h"

namespace quorl {

ByteBuf::~ByteBuf() { freemem(data); }

void ByteBuf::grow(size_t need) {
  // A request beyond what a size can express fails like any other, naming
  // the size it asked for.
  if (need > INT_MAX) no_memory(need);
  if (data == nullptr) {
    size_t first = need < BYTEBUF_STEP ? BYTEBUF_STEP : need;
    int n = static_cast<int>(first);
    data = static_cast<char*>(getmem(n));
    // Only a lowered terminate_size lets getmem fail softly; its message is out.
    if (data == nullptr) end_process(1);
    size = n;
    return;
  }
  size_t step = static_cast<size_t>(size) < BYTEBUF_STEP ? BYTEBUF_STEP : static_cast<size_t>(size);
  size_t next = static_cast<size_t>(size) + step;
  if (next < need) next = need;
  if (next > INT_MAX) next = INT_MAX;
  int n = static_cast<int>(next);
  data = static_cast<char*>(moremem(data, n));
  size = n;
}

}  // namespace quorl
