// Reading a pipe ahead of the editing.
//
// A pipe is read on a thread of its own into a few blocks, so that taking
// the bytes out of the pipe (a copy, and freeing the pipe's pages) runs
// beside the editing instead of between its lines. The editing still takes
// the blocks one after another on one thread: nothing but the timing
// changes. Each block keeps kRoom bytes free in front of its data, where
// the reader of the lines puts the unfinished line of the block before, so
// a block is taken over without copying it.
//
// Errors are handed on in order: a block that failed, or the end of the
// input, comes after every byte read before it. The thread never ends the
// process; it stops at the end of the input, at an error, or when stop()
// wakes it, even from a read that would wait for ever.
#ifndef QUORL_SUPPORT_READAHEAD_H
#define QUORL_SUPPORT_READAHEAD_H

#include <pthread.h>

#include <cstddef>

#include "platform/platform.h"
#include "support/bytebuf.h"

namespace quorl {

class ReadAhead {
 public:
  static constexpr size_t kRoom = size_t{1} << 16;
  static constexpr size_t kBlock = size_t{1} << 19;
  // The size of a block's buffer: room, data and a NUL after them.
  static constexpr size_t kBufSize = kRoom + kBlock + 1;

  ReadAhead() = default;
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;
  ~ReadAhead() { stop(); }

  // start: the thread begins reading fd. False (nothing started) when no
  // thread could be had; the caller then reads fd itself.
  bool start(int fd);

  // stop: the thread stopped and its blocks freed; nothing when not started.
  void stop();

  bool running() const { return started_; }

  // Taken: a block read. len bytes at buf->data + kRoom; len 0 at the end of
  // the input; failed after a read error (errno in error).
  struct Taken {
    ByteBuf* buf;
    size_t len;
    bool failed;
    int error;
  };

  // next: the next block, waiting for it when the reader is behind; idle
  // (when set) is called once, with arg, before such a wait. The block stays the
  // caller's until release; the caller may swap its buffer for another of
  // at least kBufSize bytes.
  Taken next(void (*idle)(void*), void* arg);

  // release: the block next handed out goes back to the reader.
  void release();

 private:
  static constexpr int kSlots = 3;
  struct Slot {
    ByteBuf buf;
    size_t len = 0;
    bool filled = false;
    bool failed = false;
    int error = 0;
  };

  static void* thread_main(void* self);
  void read_blocks();
  // read_into: one read of fd into slot (waiting for the descriptor as
  // needed); false when stop() woke the thread first.
  bool read_into(Slot* slot);

  Slot slots_[kSlots];
  platform::Stoppable input_;  // the descriptor, read so that stop() can end a read
  platform::Thread thread_;
  pthread_mutex_t lock_ = PTHREAD_MUTEX_INITIALIZER;
  pthread_cond_t changed_ = PTHREAD_COND_INITIALIZER;
  bool started_ = false;
  bool stopping_ = false;
  int head_ = 0;  // the next block handed out
  int tail_ = 0;  // the next block read
};

}  // namespace quorl

#endif
