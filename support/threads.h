// Threads that quorl starts.
//
// Every thread but the main one leaves termination to the main thread,
// whose handlers know what the run holds (the new file of an in-place edit)
// and clean it up. A thread that took it instead could end the process
// between two steps that must happen together. The platform layer starts
// them that way.
#ifndef QUORL_SUPPORT_THREADS_H
#define QUORL_SUPPORT_THREADS_H

#include "platform/platform.h"

namespace quorl {

using platform::join_thread;
using platform::start_thread;
using Thread = platform::Thread;

// default_jobs: the number of processors this process may run on.
inline int default_jobs() { return platform::processor_count(); }

}  // namespace quorl

#endif
