// The one way the process ends.
//
// Every path that ends quorl, after a message or after a complete run, goes
// through end_process. Before the real exit it makes sure standard output
// was written whole: a failed write turns a successful run into a failure
// with a message, so output is never lost silently.
//
// A module that holds something to undo at the end (a temporary file, output
// still buffered) registers exit_cleanup; it runs first, once per end.
//
// exit_hook sees every end: it gets the status after the clean-up, before
// standard output is flushed. If it returns, the process ends as usual. A
// test or fuzz target that must outlive an end the classic routines make by
// design (a bad template given to convert_str, exhausted memory) may leave
// it by throwing; nothing in quorl is written for that: the code that
// called end_process is abandoned where it stood. The library of
// quorl/quorl.h never ends the process: its hosts need no hook.
#ifndef QUORL_SUPPORT_EXIT_H
#define QUORL_SUPPORT_EXIT_H

namespace quorl {

using exit_hook_fn = void (*)(int status);
using exit_cleanup_fn = int (*)(int status);

// Called with the exit status first of all, and cleared before the call, so
// that an end inside it ends without it; returns the status to end with (a
// failed clean-up turns 0 into 1). Null by default.
extern exit_cleanup_fn exit_cleanup;

// Called with the exit status before the process ends; null by default.
extern exit_hook_fn exit_hook;

// end_process: flushes standard output and ends the process with status
// (status 1 instead, after "stdout: writing error\n", when output could not
// be written). Never returns.
[[noreturn]] void end_process(int status);

// flush_stdout: flushes standard output; on a write error prints
// "stdout: writing error\n" and returns false.
bool flush_stdout();

}  // namespace quorl

#endif
