#include "support/bytebuf.h"

#include <cstdint>

#include "support/exit.h"
#include "support/memory.h"

namespace quorl {

ByteBuf::~ByteBuf() { freemem(data); }

void ByteBuf::grow(size_t need) {
  // Twice the size (short of wrapping), at least BYTEBUF_MIN, at least need.
  size_t next = size <= SIZE_MAX / 2 ? size * 2 : SIZE_MAX;
  if (next < BYTEBUF_MIN) next = BYTEBUF_MIN;
  if (next < need) next = need;
  if (data == nullptr) {
    data = static_cast<char*>(getmem_size(next));
    // Only a lowered terminate_size lets getmem fail softly; its message is out.
    if (data == nullptr) end_process(1);
  } else {
    data = static_cast<char*>(moremem_size(data, next));
  }
  size = next;
}

}  // namespace quorl
