// The platform on POSIX systems (Linux first: O_TMPFILE, copy_file_range,
// eventfd and the pipe size are Linux calls, each with a fallback or a
// harmless failure elsewhere).
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "platform/platform.h"

namespace quorl::platform {

const char* const kNewline = "\n";
const bool kCrlfByDefault = false;

void start_process() {}

void take_command_line(int*, char***, NameText) {}

const char* help_locale() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return value;
  }
  return "";
}

// ---- Files ---------------------------------------------------------------

namespace {

void fill_status(const struct stat& s, FileStatus* st) {
  st->kind = S_ISREG(s.st_mode)   ? FileKind::regular
             : S_ISDIR(s.st_mode) ? FileKind::directory
             : S_ISFIFO(s.st_mode) || S_ISSOCK(s.st_mode) ? FileKind::pipe
                                                           : FileKind::other;
  st->size = static_cast<uint64_t>(s.st_size);
  st->id[0] = static_cast<uint64_t>(s.st_dev);
  st->id[1] = static_cast<uint64_t>(s.st_ino);
  st->changed = static_cast<int64_t>(s.st_mtim.tv_sec) * 1000000000 + s.st_mtim.tv_nsec;
  st->mode = s.st_mode & 07777;
}

}  // namespace

int open_read(const char* name) {
  const int fd = ::open(name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat s;
  if (fstat(fd, &s) == 0 && S_ISDIR(s.st_mode)) {
    ::close(fd);
    errno = EISDIR;
    return -1;
  }
  return fd;
}

bool status_of(int fd, FileStatus* st) {
  struct stat s;
  if (fstat(fd, &s) != 0) return false;
  fill_status(s, st);
  return true;
}

bool status_of_name(const char* name, FileStatus* st) {
  struct stat s;
  if (stat(name, &s) != 0) return false;
  fill_status(s, st);
  return true;
}

long read_some(int fd, char* buf, size_t n) {
  for (;;) {
    const ssize_t got = ::read(fd, buf, n);
    if (got >= 0 || errno != EINTR) return got;
  }
}

long read_at(int fd, char* buf, size_t n, uint64_t at) {
  size_t got = 0;
  while (got < n) {
    const ssize_t r = pread(fd, buf + got, n - got, static_cast<off_t>(at + got));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return -1;
    if (r == 0) break;
    got += static_cast<size_t>(r);
  }
  return static_cast<long>(got);
}

bool write_all(int fd, const char* s, size_t n) {
  while (n > 0) {
    const ssize_t w = ::write(fd, s, n);
    if (w > 0) {
      s += w;
      n -= static_cast<size_t>(w);
      continue;
    }
    if (w < 0 && errno == EINTR) continue;
    if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd p = {fd, POLLOUT, 0};
      poll(&p, 1, -1);
      continue;
    }
    return false;
  }
  return true;
}

bool would_wait(int fd) {
  pollfd p = {fd, POLLIN, 0};
  return poll(&p, 1, 0) == 0;
}

void wait_readable(int fd) {
  pollfd p = {fd, POLLIN, 0};
  poll(&p, 1, -1);
}

void close_fd(int fd) { ::close(fd); }

void grow_pipe(int fd) {
  struct stat s;
  if (fstat(fd, &s) == 0 && S_ISFIFO(s.st_mode)) fcntl(fd, F_SETPIPE_SZ, 1 << 20);
}

const char* temp_dir() {
  const char* dir = std::getenv("TMPDIR");
  return dir != nullptr && *dir != '\0' ? dir : "/tmp";
}

int open_scratch() {
  const char* dir = temp_dir();
  int fd = ::open(dir, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0) return fd;
  const size_t len = std::strlen(dir);
  char* name = static_cast<char*>(std::malloc(len + 20));
  if (name == nullptr) return -1;
  std::memcpy(name, dir, len);
  std::memcpy(name + len, "/quorl-diff-XXXXXX", 19);
  fd = mkostemp(name, O_CLOEXEC);
  if (fd >= 0) unlink(name);
  std::free(name);
  return fd;
}

int copy_from(int from, int fd, uint64_t n) {
  off_t at = 0;
  const off_t end = static_cast<off_t>(n);
  while (at < end) {
    const ssize_t c = copy_file_range(from, &at, fd, nullptr, static_cast<size_t>(end - at), 0);
    if (c > 0) continue;
    if (c < 0 && errno == EINTR) continue;
    break;  // not on this file system, or the end: go on through a buffer
  }
  static char buf[1 << 16];
  while (at < end) {
    const size_t want = static_cast<size_t>(end - at) < sizeof buf ? static_cast<size_t>(end - at) : sizeof buf;
    const long got = read_at(from, buf, want, static_cast<uint64_t>(at));
    if (got == 0) return 1;
    if (got < 0 || !write_all(fd, buf, static_cast<size_t>(got))) return -1;
    at += got;
  }
  return 0;
}

bool truncate_fd(int fd) { return ftruncate(fd, 0) == 0 && lseek(fd, 0, SEEK_SET) == 0; }

const char* find_last(const char* p, char c, size_t n) {
  return static_cast<const char*>(memrchr(p, c, n));
}

// ---- Threads and processors ---------------------------------------------

bool start_thread(Thread* thread, void* (*fn)(void*), void* arg) {
  // A new thread inherits the mask of the thread that makes it. The
  // signals a thread raises by its own action stay open: a write to a closed
  // pipe or past the file size limit ends the process as it would on the
  // main thread, and a fault is never held back.
  sigset_t all, old;
  sigfillset(&all);
  for (int own : {SIGPIPE, SIGXFSZ, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGSYS, SIGABRT}) sigdelset(&all, own);
  pthread_sigmask(SIG_SETMASK, &all, &old);
  pthread_t t;
  const bool started = pthread_create(&t, nullptr, fn, arg) == 0;
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  if (started) thread->handle = reinterpret_cast<void*>(t);
  return started;
}

void join_thread(Thread* thread) {
  pthread_join(reinterpret_cast<pthread_t>(thread->handle), nullptr);
  thread->handle = nullptr;
}

int processor_count() {
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) == 0) return CPU_COUNT(&set) > 0 ? CPU_COUNT(&set) : 1;
  const long n = sysconf(_SC_NPROCESSORS_ONLN);
  return n > 0 ? static_cast<int>(n) : 1;
}

bool Stoppable::open(int fd) {
  close();
  wake_ = eventfd(0, EFD_CLOEXEC);
  if (wake_ < 0) return false;
  fd_ = fd;
  stopping_ = 0;
  return true;
}

void run_beside() {
  // The reader never preempts the editing when it wakes: it runs beside it,
  // on a processor that has time.
  const sched_param batch{};
  pthread_setschedparam(pthread_self(), SCHED_BATCH, &batch);
}

void Stoppable::close() {
  if (wake_ >= 0) ::close(static_cast<int>(wake_));
  wake_ = -1;
}

long Stoppable::read(char* buf, size_t n) {
  for (;;) {
    // Waiting in poll rather than in read lets stop() wake the thread.
    pollfd p[2] = {{fd_, POLLIN, 0}, {static_cast<int>(wake_), POLLIN, 0}};
    const int ready = poll(p, 2, -1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return -1;
    if (p[1].revents != 0) return kStopped;
    if (p[0].revents == 0) continue;
    const ssize_t got = ::read(fd_, buf, n);
    if (got >= 0) return got;
    if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
    return -1;
  }
}

void Stoppable::stop() {
  const uint64_t one = 1;
  while (::write(static_cast<int>(wake_), &one, sizeof one) < 0 && errno == EINTR) {
  }
}

// ---- Termination ----------------------------------------------------------

namespace {

constexpr int kSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGTERM, SIGXFSZ};
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];
struct sigaction old_actions[kSignalCount];
bool handlers_on = false;
void (*handler)() = nullptr;
thread_local int held = 0;
thread_local sigset_t held_old;

void on_signal(int) { handler(); }

}  // namespace

void on_termination(void (*fn)()) {
  if (fn == nullptr) {
    if (!handlers_on) return;
    for (int k = 0; k < kSignalCount; ++k) sigaction(kSignals[k], &old_actions[k], nullptr);
    handlers_on = false;
    return;
  }
  handler = fn;
  struct sigaction sa = {};
  sa.sa_handler = on_signal;
  sigemptyset(&sa.sa_mask);
  for (int s : kSignals) sigaddset(&sa.sa_mask, s);
  for (int k = 0; k < kSignalCount; ++k) sigaction(kSignals[k], &sa, handlers_on ? nullptr : &old_actions[k]);
  handlers_on = true;
}

void hold_termination() {
  if (held++ > 0) return;
  sigset_t set;
  sigemptyset(&set);
  for (int s : kSignals) sigaddset(&set, s);
  pthread_sigmask(SIG_BLOCK, &set, &held_old);
}

void release_termination() {
  if (--held > 0) return;
  pthread_sigmask(SIG_SETMASK, &held_old, nullptr);
}

void end_now(int status, const char* msg, size_t n) {
  const ssize_t w = ::write(STDERR_FILENO, msg, n);
  (void)w;
  _exit(status);
}

// ---- The classic file routines -------------------------------------------

bool disk_space(const char* path, DiskSpace* out) {
  struct statvfs st;
  if (statvfs(path, &st) != 0) return false;
  const uint64_t unit = st.f_frsize != 0 ? st.f_frsize : st.f_bsize;
  if (unit == 0) {
    errno = EINVAL;
    return false;
  }
  out->unit = unit;
  out->free_units = st.f_bavail;
  return true;
}

namespace {

bool free_bytes(const char* path, uint64_t* bytes) {
  DiskSpace space;
  if (!disk_space(path, &space)) return false;
  *bytes = space.free_units > UINT64_MAX / space.unit ? UINT64_MAX : space.free_units * space.unit;
  return true;
}

}  // namespace

free_bytes_fn disk_free_bytes() { return free_bytes; }

bool is_directory(const char* path) {
  struct stat st;
  return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace quorl::platform
