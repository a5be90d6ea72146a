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
// Blocks belong to the caller, who frees them with freemem or keeps them.
#ifndef QUORL_CLASSIC_MEMORY_H
#define QUORL_CLASSIC_MEMORY_H

namespace quorl {

using endfun_fn = void (*)();

extern int terminate_size;  // getmem fails softly at or above this size

// endfun: the program's clean-up, null at first. When set, it runs once as a
// helper ends the process on exhausted memory, after the message: at the end
// of getmem, moremem, setstr and addstr, not at getmemLock's own end nor at a
// soft failure of getmem. It is cleared before it runs, so that running out
// of memory inside it ends the process without running it again.
extern endfun_fn endfun;

// getmem: a new zero-filled block of size bytes. Null only when the request
// fails and size >= terminate_size.
void* getmem(int size);

// moremem: block resized to size bytes (it may move; null block allocates);
// bytes gained are not cleared. Never null.
void* moremem(void* block, int size);

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

}  // namespace quorl

#endif
