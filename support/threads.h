// Threads that quorl starts.
//
// Every thread but the main one runs with the signals sent to the process
// blocked, from its first instruction on: a termination signal is always
// taken by the main thread, whose handlers know what the run holds (the new file of an
// in-place edit) and clean it up. A thread that took it instead could end
// the process between two steps that must happen together.
#ifndef QUORL_SUPPORT_THREADS_H
#define QUORL_SUPPORT_THREADS_H

#include <pthread.h>

namespace quorl {

// start_thread: fn(arg) started on a new thread with every signal blocked
// but those its own actions raise (SIGPIPE, SIGXFSZ, faults); false when no
// thread could be had.
bool start_thread(pthread_t* thread, void* (*fn)(void*), void* arg);

// default_jobs: the number of processors this process may run on.
int default_jobs();

}  // namespace quorl

#endif
