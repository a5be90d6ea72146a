// Faults injected into quorl from outside, at exact moments, through
// LD_PRELOAD: what a log rotator or a signal does at random in real life,
// here at the same step every run.
//
//   QUORL_TRUNCATE=PATH:SIZE:N   the N-th read of the file PATH (read or
//                                pread, counted from 1) first truncates it
//                                to SIZE bytes, as copytruncate does; the
//                                file's reads are taken one at a time, so
//                                no read of another thread overtakes it
//   QUORL_SIGNAL_ON_NEW_FILE=S   making the new file of an in-place edit
//                                (O_TMPFILE or mkostemp) sends signal S to
//                                the process, then waits 200 ms for another
//                                thread to take it
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>

namespace {

struct Truncation {
  std::string path;
  off_t size = 0;
  long at = 0;
  ino_t ino = 0;
  dev_t dev = 0;
  bool on = false;
};

const Truncation& truncation() {
  static const Truncation t = [] {
    Truncation t;
    const char* spec = std::getenv("QUORL_TRUNCATE");
    if (spec == nullptr) return t;
    std::string s = spec;
    const size_t b = s.rfind(':');
    const size_t a = s.rfind(':', b - 1);
    struct stat st;
    if (a == std::string::npos || b == std::string::npos) return t;
    t.path = s.substr(0, a);
    t.size = std::strtoll(s.c_str() + a + 1, nullptr, 10);
    t.at = std::strtol(s.c_str() + b + 1, nullptr, 10);
    if (stat(t.path.c_str(), &st) != 0) return t;
    t.ino = st.st_ino;
    t.dev = st.st_dev;
    t.on = true;
    return t;
  }();
  return t;
}

long reads = 0;
std::mutex reading;

// before_read: the lock on the file's reads when fd is the file, after the
// truncation if this is the read it comes before; an empty lock otherwise.
std::unique_lock<std::mutex> before_read(int fd) {
  const Truncation& t = truncation();
  struct stat st;
  if (!t.on || fstat(fd, &st) != 0 || st.st_ino != t.ino || st.st_dev != t.dev) return {};
  std::unique_lock<std::mutex> lock(reading);
  if (++reads == t.at && truncate(t.path.c_str(), t.size) != 0) std::abort();
  return lock;
}

void on_new_file() {
  const char* s = std::getenv("QUORL_SIGNAL_ON_NEW_FILE");
  if (s == nullptr) return;
  kill(getpid(), std::atoi(s));
  const timespec wait = {0, 200 * 1000 * 1000};
  nanosleep(&wait, nullptr);
}

template <class F>
F next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

ssize_t read(int fd, void* buf, size_t n) {
  static auto real = next<ssize_t (*)(int, void*, size_t)>("read");
  const auto lock = before_read(fd);
  return real(fd, buf, n);
}

ssize_t pread(int fd, void* buf, size_t n, off_t at) {
  static auto real = next<ssize_t (*)(int, void*, size_t, off_t)>("pread");
  const auto lock = before_read(fd);
  return real(fd, buf, n, at);
}

// The 64-bit names (pread64, open64, mkostemp64) are the same functions on
// the 64-bit systems these tests run on, and quorl calls these.
int open(const char* path, int flags, ...) {
  static auto real = next<int (*)(const char*, int, ...)>("open");
  va_list ap;
  va_start(ap, flags);
  const bool has_mode = (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
  const mode_t mode = has_mode ? static_cast<mode_t>(va_arg(ap, int)) : 0;
  va_end(ap);
  const int fd = real(path, flags, mode);
  if (fd >= 0 && (flags & O_TMPFILE) == O_TMPFILE) on_new_file();
  return fd;
}

int mkostemp(char* templ, int flags) {
  static auto real = next<int (*)(char*, int)>("mkostemp");
  const int fd = real(templ, flags);
  if (fd >= 0) on_new_file();
  return fd;
}

}  // extern "C"
