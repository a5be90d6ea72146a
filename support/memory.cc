#include "support/memory.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "support/bytebuf.h"
#include "support/errors.h"
#include "support/exit.h"

namespace quorl {

int terminate_size = 2147483647;
endfun_fn endfun = nullptr;

namespace {

thread_local bool throw_on_exhaustion = false;

// exhausted: the end after an exhaustion message. endfun is cleared before
// it runs, so that a clean-up that itself runs out of memory ends the
// process instead of running again.
[[noreturn]] void exhausted() {
  if (const endfun_fn clean_up = endfun) {
    endfun = nullptr;
    clean_up();
  }
  end_process(1);
}

// A zero-byte request still gets a block of its own, so that a successful
// call is never mistaken for a failure.
size_t alloc_size(int size) { return size == 0 ? 1 : static_cast<size_t>(size); }

}  // namespace

// Each helper has its own exhaustion message, and its own K: getmem counts
// 1024 bytes to it, moremem and getmemLock 1000. Programs that read these
// messages get them as they have always been; a request no int holds is
// named in the form of the helper that was asked.

void* getmem(int size) {
  void* p = size < 0 ? nullptr : std::malloc(alloc_size(size));
  if (p != nullptr) {
    std::memset(p, 0, alloc_size(size));
    return p;
  }
  if (throw_on_exhaustion) throw MemoryExhausted{size};
  if (size > 1000)
    errmsg("\ncannot get the memory of %d K bytes\n", size / 1024);
  else
    errmsg("\ncannot get the memory of %d bytes\n", size);
  if (size >= terminate_size) return nullptr;
  exhausted();
}

void* moremem(void* block, int size) {
  void* p = size < 0 ? nullptr : std::realloc(block, alloc_size(size));
  if (p != nullptr) return p;
  if (throw_on_exhaustion) throw MemoryExhausted{size};
  if (size > 1000)
    errmsg("cannot get the memory of %d K bytes\n", size / 1000);
  else
    errmsg("cannot get the memory of %d bytes\n", size);
  exhausted();
}

void exhaustion_message(ByteBuf* msg, long long size) {
  msg->clear();
  if (size > 1000)
    append_printf(msg, "cannot get the memory of %lld K bytes\n", size / 1000);
  else
    append_printf(msg, "cannot get the memory of %lld bytes\n", size);
}

ThrowOnExhaustion::ThrowOnExhaustion() : saved_(throw_on_exhaustion) { throw_on_exhaustion = true; }

ThrowOnExhaustion::~ThrowOnExhaustion() { throw_on_exhaustion = saved_; }

void no_memory(unsigned long long size, bool fresh) {
  if (throw_on_exhaustion) throw MemoryExhausted{static_cast<long long>(size)};
  if (fresh)
    report("\ncannot get the memory of %llu K bytes\n", size / 1024);
  else
    report("cannot get the memory of %llu K bytes\n", size / 1000);
  exhausted();
}

void* getmem_size(size_t size) {
  if (size <= INT_MAX) return getmem(static_cast<int>(size));
  // calloc leaves a block this large to fresh zero pages: no clearing pass.
  // No object may be larger than PTRDIFF_MAX bytes (a 32-bit system's half).
  void* p = size <= static_cast<size_t>(PTRDIFF_MAX) ? std::calloc(size, 1) : nullptr;
  if (p == nullptr) no_memory(size, true);
  return p;
}

void* moremem_size(void* block, size_t size) {
  if (size <= INT_MAX) return moremem(block, static_cast<int>(size));
  void* p = size <= static_cast<size_t>(PTRDIFF_MAX) ? std::realloc(block, size) : nullptr;
  if (p == nullptr) no_memory(size, false);
  return p;
}

void freemem(void* block) { std::free(block); }

void freeLocal(void* block) { std::free(block); }

void* getmemLock(int size) {
  void* p = getmem(size);
  if (p != nullptr) return p;
  if (size > 1000)
    errmsg("Faital error:\ncannot get the memory of %d K bytes", size / 1000);
  else
    errmsg("Faital error:\ncannot get memory of %d bytes", size);
  end_process(1);
}

void* getmemAdr(void* block) { return block; }

char* setstr(const char* s) {
  size_t n = std::strlen(s) + 1;
  char* p = static_cast<char*>(std::malloc(n));
  if (p == nullptr) {
    errmsg("cannot get memory\n");
    exhausted();
  }
  std::memcpy(p, s, n);
  return p;
}

char* addstr(char* s, const char* t) {
  size_t ls = std::strlen(s);
  size_t lt = std::strlen(t);
  char* p = static_cast<char*>(std::realloc(s, ls + lt + 1));
  if (p == nullptr) {
    errmsg("can't get memory\n");
    exhausted();
  }
  std::memcpy(p + ls, t, lt + 1);
  return p;
}

}  // namespace quorl
