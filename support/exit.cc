#include "support/exit.h"

#include <cstdio>
#include <cstdlib>

#include "support/errors.h"

namespace quorl {

exit_hook_fn exit_hook = nullptr;
exit_cleanup_fn exit_cleanup = nullptr;

bool flush_stdout() {
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return true;
  std::clearerr(stdout);
  errmsg("%s: writing error\n", "stdout");
  return false;
}

void end_process(int status) {
  if (exit_cleanup != nullptr) {
    const exit_cleanup_fn cleanup = exit_cleanup;
    exit_cleanup = nullptr;
    status = cleanup(status);
  }
  if (exit_hook != nullptr) exit_hook(status);
  if (!flush_stdout()) status = 1;
  std::exit(status);
}

}  // namespace quorl
