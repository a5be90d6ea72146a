#include "support/readahead.h"

#include <cerrno>

namespace quorl {

bool ReadAhead::start(int fd) {
  stop();
  if (!input_.open(fd)) return false;
  for (Slot& s : slots_) {
    s.buf.reserve(kBufSize);
    s.filled = false;
  }
  head_ = tail_ = 0;
  stopping_ = false;
  started_ = platform::start_thread(&thread_, thread_main, this);
  if (!started_) input_.close();
  return started_;
}

void ReadAhead::stop() {
  if (!started_) return;
  pthread_mutex_lock(&lock_);
  stopping_ = true;
  pthread_cond_broadcast(&changed_);
  pthread_mutex_unlock(&lock_);
  input_.stop();
  platform::join_thread(&thread_);
  input_.close();
  started_ = false;
  for (Slot& s : slots_) s.buf = ByteBuf{};
}

ReadAhead::Taken ReadAhead::next(void (*idle)(void*), void* arg) {
  pthread_mutex_lock(&lock_);
  if (!slots_[head_].filled && idle != nullptr) {
    pthread_mutex_unlock(&lock_);
    idle(arg);
    pthread_mutex_lock(&lock_);
  }
  while (!slots_[head_].filled) pthread_cond_wait(&changed_, &lock_);
  Slot& s = slots_[head_];
  pthread_mutex_unlock(&lock_);
  return {&s.buf, s.len, s.failed, s.error};
}

void ReadAhead::release() {
  pthread_mutex_lock(&lock_);
  slots_[head_].filled = false;
  head_ = (head_ + 1) % kSlots;
  pthread_cond_broadcast(&changed_);
  pthread_mutex_unlock(&lock_);
}

void* ReadAhead::thread_main(void* self) {
  platform::run_beside();
  static_cast<ReadAhead*>(self)->read_blocks();
  return nullptr;
}

void ReadAhead::read_blocks() {
  pthread_mutex_lock(&lock_);
  for (;;) {
    while (!stopping_ && slots_[tail_].filled) pthread_cond_wait(&changed_, &lock_);
    if (stopping_) break;
    Slot* s = &slots_[tail_];
    pthread_mutex_unlock(&lock_);
    const bool got = read_into(s);
    pthread_mutex_lock(&lock_);
    if (!got) break;
    s->filled = true;
    tail_ = (tail_ + 1) % kSlots;
    pthread_cond_broadcast(&changed_);
    if (s->len == 0) break;  // the end of the input, or an error
  }
  pthread_mutex_unlock(&lock_);
}

bool ReadAhead::read_into(Slot* s) {
  const long got = input_.read(s->buf.data + kRoom, kBlock);
  if (got == platform::Stoppable::kStopped) return false;
  s->failed = got < 0;
  s->error = got < 0 ? errno : 0;
  s->len = got < 0 ? 0 : static_cast<size_t>(got);
  return true;
}

}  // namespace quorl
