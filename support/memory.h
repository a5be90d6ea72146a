// Memory helpers.
//
// These stand in front of the allocator and handle exhaustion in one place:
// a request that cannot be met prints a fixed message through errmsg, calls
// the program's clean-up hook endfun if one is set, and ends the process with
// status 1. Callers therefore never see a failed request, except from getmem
// when the size is at or above terminate_size: then getmem prints its message
// and returns null.
//
// Sizes are signed ints, as every caller keeps them; a negative size fails.
// The growable buffers ask through getmem_size and moremem_size instead,
// whose sizes may pass what an int holds: up to INT_MAX they are getmem and
// moremem themselves; beyond it a failed request ends as no_memory tells.
// Blocks belong to the caller, who frees them with freemem or keeps them.
#ifndef QUORL_SUPPORT_MEMORY_H
#define QUORL_SUPPORT_MEMORY_H

#include <cstddef>

namespace quorl {

using endfun_fn = void (*)();

extern int terminate_size;  // getmem fails softly at or above this size
extern endfun_fn endfun;    // called once before an exhaustion exit, if set

// getmem: a new zero-filled block of size bytes. Null only when the request
// fails and size >= terminate_size.
void* getmem(int size);

// moremem: block resized to size bytes (it may move; null block allocates);
// bytes gained are not cleared. Never null.
void* moremem(void* block, int size);

// no_memory: the exhaustion end for a request of size bytes that no int can
// hold: moremem's message, naming that size, then as for any failed request.
[[noreturn]] void no_memory(unsigned long long size);

// getmem_size: getmem for a size_t size. Beyond INT_MAX the block is not
// touched until used (the allocator's zero pages) and a failed request ends
// through no_memory, never softly.
void* getmem_size(size_t size);

// moremem_size: moremem for a size_t size; beyond INT_MAX a failed request
// ends through no_memory. Never null.
void* moremem_size(void* block, size_t size);

// freemem, freeLocal: release a block; null is ignored.
void freemem(void* block);
void freeLocal(void* block);

// getmemLock: like getmem, but never null: a soft failure adds its own
// message and ends the process (without endfun).
void* getmemLock(int size);

// getmemAdr: the block pointer itself.
void* getmemAdr(void* block);

// setstr: a new heap copy of s. Never null.
char* setstr(const char* s);

// addstr: the heap text s grown by t appended (it may move). Never null.
char* addstr(char* s, const char* t);

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
