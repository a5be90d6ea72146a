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
  size_t next = static_cast<size_t>(size) * 2;
  if (next < BYTEBUF_MIN) next = BYTEBUF_MIN;
  if (next < need) next = need;
  if (next > INT_MAX) next = INT_MAX;
  const int n = static_cast<int>(next);
  if (data == nullptr) {
    data = static_cast<char*>(getmem(n));
    // Only a lowered terminate_size lets getmem fail softly; its message is out.
    if (data == nullptr) end_process(1);
  } else {
    data = static_cast<char*>(moremem(data, n));
  }
  size = n;
}

}  // namespace quorl
