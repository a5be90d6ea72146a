#include "driver/options.h"

#include <cstdlib>
#include <cstring>

#include "support/errors.h"
#include "support/exit.h"

namespace quorl {

namespace {

// take: whether arg is the long option name, alone or (when value is
// non-null) as name=VALUE; *value then points at VALUE, or is null.
bool take(const char* arg, const char* name, const char** value) {
  const size_t n = std::strlen(name);
  if (std::strncmp(arg, name, n) != 0) return false;
  if (arg[n] == '\0') {
    if (value != nullptr) *value = nullptr;
    return true;
  }
  if (value == nullptr || arg[n] != '=') return false;
  *value = arg + n + 1;
  return true;
}

// long_option: arg recorded in opts when it is a long option quorl knows.
bool long_option(const char* arg, LongOptions* opts) {
  const char* suffix = nullptr;
  const char* value = nullptr;
  if (take(arg, "--in-place", &suffix)) {
    opts->in_place = true;
    opts->backup_suffix = suffix != nullptr && *suffix != '\0' ? suffix : nullptr;
  } else if (take(arg, "--diff", nullptr)) {
    opts->diff = true;
  } else if (take(arg, "--crlf", nullptr)) {
    opts->crlf = true;
  } else if (take(arg, "--check", nullptr)) {
    opts->check = true;
  } else if (take(arg, "--encoding", &opts->encoding)) {
    if (opts->encoding == nullptr) opts->encoding = "";
  } else if (take(arg, "--jobs", &value)) {
    // A count of threads, 1 or more; 1 edits on one thread.
    char* end = nullptr;
    const long n = value != nullptr ? std::strtol(value, &end, 10) : 0;
    if (value == nullptr || *value < '0' || *value > '9' || *end != '\0' || n < 1 || n > 1024) {
      errmsg("\"%s\": bad parameter\n", arg);
      end_process(1);
    }
    opts->jobs = static_cast<int>(n);
  } else {
    return false;
  }
  return true;
}

}  // namespace

LongOptions take_long_options(int* argc, char** argv) {
  LongOptions opts;
  int kept = 1;
  for (int i = 1; i < *argc; ++i) {
    char* arg = argv[i];
    if (std::strcmp(arg, "--") == 0) {
      opts.end_of_options = true;
      if (i + 2 < *argc) {
        errmsg("\"%s\": bad parameter\n", argv[i + 2]);
        end_process(1);
      }
      if (i + 1 < *argc) opts.operand = argv[i + 1];
      break;
    }
    if (!long_option(arg, &opts)) argv[kept++] = arg;
  }
  *argc = kept;
  argv[kept] = nullptr;
  return opts;
}

}  // namespace quorl
