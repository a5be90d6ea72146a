// ByteBuf: the growable byte buffer behind every process-wide buffer.
//
// A buffer starts empty (data null, size 0) and is created on first use with
// getmem, zero-filled; after that it grows with moremem, at least doubling and
// by at least 4096 bytes, so a long run of appends costs amortised constant
// time and a buffer reused line after line stops allocating once it is large
// enough. Exhaustion ends the process through the memory helpers. Buffers are
// never freed; data stays valid until the next reserve that grows it.
#ifndef QUORL_SUPPORT_BYTEBUF_H
#define QUORL_SUPPORT_BYTEBUF_H

#include <cstddef>

namespace quorl {

constexpr int BYTEBUF_STEP = 4096;

struct ByteBuf {
  char* data = nullptr;
  int size = 0;  // allocated bytes

  // reserve: makes data hold at least need bytes; returns data.
  char* reserve(size_t need) {
    if (need > static_cast<size_t>(size)) grow(need);
    return data;
  }

 private:
  void grow(size_t need);
};

}  // namespace quorl

#endif
