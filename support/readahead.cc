#include "support/readahead.h"

#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "support/threads.h"

namespace quorl {

bool ReadAhead::start(int fd) {
  stop();
  wake_ = eventfd(0, EFD_CLOEXEC);
  if (wake_ < 0) return false;
  for (Slot& s : slots_) {
    s.buf.reserve(kBufSize);
    s.filled = false;
  }
  fd_ = fd;
  head_ = tail_ = 0;
  stopping_ = false;
  started_ = start_thread(&thread_, thread_main, this);
  if (!started_) {
    close(wake_);
    wake_ = -1;
  }
  return started_;
}

void ReadAhead::stop() {
  if (!started_) return;
  pthread_mutex_lock(&lock_);
  stopping_ = true;
  pthread_cond_broadcast(&changed_);
  pthread_mutex_unlock(&lock_);
  const uint64_t one = 1;
  while (write(wake_, &one, sizeof one) < 0 && errno == EINTR) {
  }
  pthread_join(thread_, nullptr);
  close(wake_);
  wake_ = -1;
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
  // The reader never preempts the editing when it wakes: it runs beside it,
  // on a processor that has time.
  const sched_param batch{};
  pthread_setschedparam(pthread_self(), SCHED_BATCH, &batch);
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
  for (;;) {
    // Waiting in poll rather than in read lets stop() wake the thread.
    pollfd p[2] = {{fd_, POLLIN, 0}, {wake_, POLLIN, 0}};
    const int ready = poll(p, 2, -1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready > 0) {
      if (p[1].revents != 0) return false;
      if (p[0].revents == 0) continue;
      const ssize_t got = read(fd_, s->buf.data + kRoom, kBlock);
      if (got >= 0) {
        s->len = static_cast<size_t>(got);
        s->failed = false;
        return true;
      }
      if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
    }
    s->len = 0;
    s->failed = true;
    s->error = errno;
    return true;
  }
}

}  // namespace quorl
