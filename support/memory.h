// Memory helpers: what the library itself adds to the classic ones of
// quorl/classic/memory.h. The exhaustion end for a size no int holds, the
// growable buffers' requests whose sizes may pass what an int holds, and a
// way for a library call to get a failed request back as an exception
// instead of the message and the exit.
#ifndef QUORL_SUPPORT_MEMORY_H
#define QUORL_SUPPORT_MEMORY_H

#include <cstddef>

#include "quorl/classic/memory.h"

namespace quorl {

// no_memory: the exhaustion end for a request of size bytes that no int can
// hold: the message of getmem (for a fresh block) or else of moremem,
// naming that size, then as for any failed request.
[[noreturn]] void no_memory(unsigned long long size, bool fresh);

// getmem_size: getmem for a size_t size. Beyond INT_MAX the block is not
// touched until used (the allocator's zero pages) and a failed request ends
// through no_memory, never softly.
void* getmem_size(size_t size);

// moremem_size: moremem for a size_t size; beyond INT_MAX a failed request
// ends through no_memory. Never null.
void* moremem_size(void* block, size_t size);

// exhaustion_message: the message moremem prints when a request of size
// bytes fails, for a library call that hands the failure back instead.
struct ByteBuf;
void exhaustion_message(ByteBuf* msg, long long size);

// MemoryExhausted: thrown instead of the message and the exit by getmem and
// moremem while a ThrowOnExhaustion lives on the calling thread, so that a
// library call can hand the failure back to its caller. size is the request.
struct MemoryExhausted {
  long long size;
};

class ThrowOnExhaustion {
 public:
  ThrowOnExhaustion();
  ~ThrowOnExhaustion();
  ThrowOnExhaustion(const ThrowOnExhaustion&) = delete;
  ThrowOnExhaustion& operator=(const ThrowOnExhaustion&) = delete;

 private:
  bool saved_;
};

}  // namespace quorl

#endif
