#include "support/threads.h"

#include <sched.h>
#include <signal.h>
#include <unistd.h>

#include <initializer_list>

namespace quorl {

bool start_thread(pthread_t* thread, void* (*fn)(void*), void* arg) {
  // A new thread inherits the mask of the thread that makes it. The
  // signals a thread raises by its own action stay open: a write to a closed
  // pipe or past the file size limit ends the process as it would on the
  // main thread, and a fault is never held back.
  sigset_t all, old;
  sigfillset(&all);
  for (int own : {SIGPIPE, SIGXFSZ, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGSYS, SIGABRT}) sigdelset(&all, own);
  pthread_sigmask(SIG_SETMASK, &all, &old);
  const bool started = pthread_create(thread, nullptr, fn, arg) == 0;
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  return started;
}

int default_jobs() {
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) == 0) return CPU_COUNT(&set) > 0 ? CPU_COUNT(&set) : 1;
  const long n = sysconf(_SC_NPROCESSORS_ONLN);
  return n > 0 ? static_cast<int>(n) : 1;
}

}  // namespace quorl
