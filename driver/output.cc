#include "driver/output.h"

#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driver/diff.h"
#include "support/bytebuf.h"
#include "support/errors.h"
#include "support/exit.h"

namespace quorl {

namespace {

constexpr size_t kBufSize = 1 << 16;
constexpr off_t kWriteBack = 2 << 20;

// The signals that end an in-place run: the temporary file goes with them.
constexpr int kSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGTERM, SIGXFSZ};
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];

enum class Mode { kStdout, kInPlace, kDiff };

Mode mode = Mode::kStdout;
bool crlf = false;
bool cr_next = false;  // the next write_output's newline was a CR LF
bool finished = true;
UnifiedDiff diff;

// The file edited in place.
struct InPlace {
  const char* name = nullptr;  // as the user gave it
  ByteBuf target;              // the file itself, links resolved (NUL-terminated)
  ByteBuf backup;              // name + suffix, NUL-terminated; len 0: none
  struct stat st = {};
  int in_fd = -1;              // the file, read to compare and to copy
  int tmp_fd = -1;
  off_t same = 0;              // the output so far equals this many bytes of the file
  bool changed = false;        // it no longer does: the output goes to tmp_fd
  off_t unsynced = 0;          // bytes written to tmp_fd and not yet sent to disk
} in_place;

// What the signal handler needs, in plain storage.
char tmp_path[PATH_MAX + 32];
volatile sig_atomic_t tmp_live = 0;
char signal_msg[PATH_MAX + 64];
size_t signal_msg_len = 0;
struct sigaction old_actions[kSignalCount];
bool handlers_on = false;

void on_signal(int) {
  if (tmp_live) unlink(tmp_path);
  const ssize_t w = write(STDERR_FILENO, signal_msg, signal_msg_len);
  (void)w;
  _exit(1);
}

void install_handlers() {
  struct sigaction sa = {};
  sa.sa_handler = on_signal;
  sigemptyset(&sa.sa_mask);
  for (int s : kSignals) sigaddset(&sa.sa_mask, s);
  for (int k = 0; k < kSignalCount; ++k) sigaction(kSignals[k], &sa, &old_actions[k]);
  handlers_on = true;
}

void restore_handlers() {
  if (!handlers_on) return;
  for (int k = 0; k < kSignalCount; ++k) sigaction(kSignals[k], &old_actions[k], nullptr);
  handlers_on = false;
}

// SignalsHeld: the signals above held back while it lives, so that the
// temporary file's name and its existence change together.
class SignalsHeld {
 public:
  SignalsHeld() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : kSignals) sigaddset(&set, s);
    sigprocmask(SIG_BLOCK, &set, &old_);
  }
  ~SignalsHeld() { sigprocmask(SIG_SETMASK, &old_, nullptr); }

 private:
  sigset_t old_;
};

// write_all: n bytes to fd, waiting out EINTR and EAGAIN. False, after
// "<name>: writing error\n", when a write fails.
bool write_all(int fd, const char* s, size_t n, const char* name) {
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
    errmsg("%s: writing error\n", name);
    return false;
  }
  return true;
}

// copy_bytes: the first n bytes of from appended to to.
bool copy_bytes(int from, int to, off_t n, const char* name) {
  off_t at = 0;
  while (at < n) {
    const ssize_t c = copy_file_range(from, &at, to, nullptr, static_cast<size_t>(n - at), 0);
    if (c > 0) continue;
    if (c < 0 && errno == EINTR) continue;
    break;  // not on this file system: copy through a buffer
  }
  static char buf[kBufSize];
  while (at < n) {
    const size_t want = static_cast<size_t>(n - at) < kBufSize ? static_cast<size_t>(n - at) : kBufSize;
    const ssize_t got = pread(from, buf, want, at);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      errmsg("%s: reading error\n", name);
      return false;
    }
    if (!write_all(to, buf, static_cast<size_t>(got), name)) return false;
    at += got;
  }
  return true;
}

// still_same: whether the n bytes at s are the file's next bytes; if so
// they are taken as written.
bool still_same(const char* s, size_t n) {
  static char buf[kBufSize];
  size_t done = 0;
  while (done < n) {
    const size_t want = n - done < kBufSize ? n - done : kBufSize;
    const ssize_t got = pread(in_place.in_fd, buf, want, in_place.same + static_cast<off_t>(done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0 || std::memcmp(buf, s + done, static_cast<size_t>(got)) != 0) return false;
    done += static_cast<size_t>(got);
  }
  in_place.same += static_cast<off_t>(n);
  return true;
}

// start_temp: the temporary file made, with the file's mode, owner and
// group, and the bytes of the file the output has matched so far.
bool start_temp() {
  in_place.changed = true;
  // The target is a full path: realpath gave it.
  const char* t = in_place.target.data;
  const char* base = std::strrchr(t, '/') + 1;
  ByteBuf templ;
  templ.append(t, static_cast<size_t>(base - t));
  templ.push('.');
  templ.append(base, std::strlen(base));
  templ.append(".quorl-XXXXXX", 13);
  templ.terminate();
  int fd = -1;
  if (templ.len < sizeof tmp_path) {
    SignalsHeld held;
    std::memcpy(tmp_path, templ.data, templ.len + 1);
    fd = mkostemp(tmp_path, O_CLOEXEC);
    tmp_live = fd >= 0;
  }
  if (fd < 0) {
    errmsg("%s: cannot create a temporary file in its directory\n", in_place.name);
    return false;
  }
  in_place.tmp_fd = fd;
  const struct stat& st = in_place.st;
  // The owner where the process may set it, else at least the group.
  if (fchown(fd, st.st_uid, st.st_gid) != 0 && fchown(fd, static_cast<uid_t>(-1), st.st_gid) != 0) {
  }
  if (fchmod(fd, st.st_mode & 07777) != 0) {
    errmsg("%s: cannot give the edited file its permissions\n", in_place.name);
    return false;
  }
  return copy_bytes(in_place.in_fd, fd, in_place.same, in_place.name);
}

// discard: the temporary file removed; the file is as it was.
void discard() {
  {
    SignalsHeld held;
    if (tmp_live) unlink(tmp_path);
    tmp_live = 0;
  }
  if (in_place.tmp_fd >= 0) close(in_place.tmp_fd);
  if (in_place.in_fd >= 0) close(in_place.in_fd);
  in_place.tmp_fd = in_place.in_fd = -1;
  restore_handlers();
}

// Writer: the buffer in front of standard output or the temporary file.
class Writer {
 public:
  void start() { used_ = 0; }

  void put(const char* s, size_t n) {
    // A large piece goes out as it lies, once what waits before it is out:
    // copying it would only cost time.
    if (n >= kBufSize / 4 || used_ + n > kBufSize) {
      if (!flush()) end_process(1);
      if (n >= kBufSize / 4) {
        if (!drain(s, n)) end_process(1);
        return;
      }
    }
    std::memcpy(buf_ + used_, s, n);
    used_ += n;
  }

  // flush: false after a message when the bytes could not be written; they
  // are dropped either way, so a later end does not report them again.
  bool flush() {
    const size_t n = used_;
    used_ = 0;
    return drain(buf_, n);
  }

 private:
  bool drain(const char* s, size_t n) {
    if (n == 0) return true;
    if (mode != Mode::kInPlace) return write_all(STDOUT_FILENO, s, n, "stdout");
    if (!in_place.changed) {
      if (still_same(s, n)) return true;
      if (!start_temp()) return false;
    }
    if (!write_all(in_place.tmp_fd, s, n, in_place.name)) return false;
    // Start writing back to disk what has piled up, so that the fsync at
    // the end finds little left to do.
    in_place.unsynced += static_cast<off_t>(n);
    if (in_place.unsynced >= kWriteBack) {
      const off_t end = lseek(in_place.tmp_fd, 0, SEEK_CUR);
      sync_file_range(in_place.tmp_fd, end - in_place.unsynced, in_place.unsynced, SYNC_FILE_RANGE_WRITE);
      in_place.unsynced = 0;
    }
    return true;
  }

  size_t used_ = 0;
  char buf_[kBufSize];
} out;

void put_out(const char* s, size_t n) { out.put(s, n); }

// commit: the edited file flushed to disk and renamed over the file, the
// original kept under the backup name when asked.
bool commit() {
  if (!out.flush()) return false;
  // Output that matched the file but ended before it is a change too.
  if (!in_place.changed && in_place.same != in_place.st.st_size && !start_temp()) return false;
  if (!in_place.changed) {
    discard();
    return true;
  }
  const char* name = in_place.name;
  if (fsync(in_place.tmp_fd) != 0) {
    errmsg("%s: writing error\n", name);
    return false;
  }
  const char* target = in_place.target.data;
  const char* backup = in_place.backup.len != 0 ? in_place.backup.data : nullptr;
  SignalsHeld held;
  bool backed_up = false;
  if (backup != nullptr) {
    if (link(target, backup) == 0) {
      backed_up = true;
    } else if (errno == EEXIST) {
      errmsg("%s: the backup exists already; nothing was changed\n", backup);
      return false;
    } else {
      // No hard link here (another file system, or none at all): a copy.
      const int fd = open(backup, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, in_place.st.st_mode & 0777);
      backed_up = fd >= 0 && copy_bytes(in_place.in_fd, fd, in_place.st.st_size, backup) &&
                  fsync(fd) == 0;
      if (fd >= 0) close(fd);
      if (!backed_up) {
        if (fd >= 0) unlink(backup);
        errmsg("%s: cannot write the backup; nothing was changed\n", backup);
        return false;
      }
    }
  }
  if (rename(tmp_path, target) != 0) {
    if (backed_up) unlink(backup);
    errmsg("%s: cannot be replaced; nothing was changed\n", name);
    return false;
  }
  tmp_live = 0;
  discard();
  // The rename itself made durable.
  ByteBuf dir;
  dir.append(target, static_cast<size_t>(std::strrchr(target, '/') + 1 - target));
  const int dfd = open(dir.terminate(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    fsync(dfd);
    close(dfd);
  }
  return true;
}

// end_output: the output ended as status tells; returns the status to end
// with. A complete run writes everything and puts the file in place; any
// other end writes what is at hand and leaves the file as it was.
int end_output(int status) {
  if (finished) return status;
  finished = true;
  if (mode == Mode::kInPlace) {
    if (status == 0 && commit()) return 0;
    discard();
    return 1;
  }
  if (mode == Mode::kDiff && !diff.finish(status == 0)) status = 1;
  return out.flush() ? status : 1;
}

// check_in_place: the file to edit in place, checked before anything is
// read or written; the process ends on any doubt.
void check_in_place(const LongOptions& opts, const char* file) {
  if (file == nullptr) {
    errmsg("--in-place: no file to edit; name it with -f <file>\n");
    end_process(1);
  }
  if (std::strcmp(file, "-") == 0) {
    errmsg("--in-place: standard input cannot be edited in place\n");
    end_process(1);
  }
  in_place.name = file;
  char* real = realpath(file, nullptr);
  const bool found = real != nullptr && stat(real, &in_place.st) == 0 && !S_ISDIR(in_place.st.st_mode);
  if (real != nullptr) {
    in_place.target.clear();
    in_place.target.append(real, std::strlen(real));
    in_place.target.terminate();
  }
  std::free(real);
  if (!found) {
    errmsg("%s: not found", file);
    end_process(1);
  }
  if (!S_ISREG(in_place.st.st_mode)) {
    errmsg("%s: not a regular file; it cannot be edited in place\n", file);
    end_process(1);
  }
  in_place.backup.clear();
  if (opts.backup_suffix != nullptr) {
    in_place.backup.append(file, std::strlen(file));
    in_place.backup.append(opts.backup_suffix, std::strlen(opts.backup_suffix));
    in_place.backup.terminate();
    struct stat bst;
    if (lstat(in_place.backup.data, &bst) == 0) {
      errmsg("%s: the backup exists already; nothing was changed\n", in_place.backup.data);
      end_process(1);
    }
  }
}

}  // namespace

void begin_output(const LongOptions& opts, const char* file) {
  mode = opts.diff ? Mode::kDiff : opts.in_place ? Mode::kInPlace : Mode::kStdout;
  crlf = opts.crlf;
  cr_next = false;
  finished = false;
  out.start();
  exit_cleanup = end_output;
  if (opts.in_place) check_in_place(opts, file);
  if (mode == Mode::kDiff) diff.start(file != nullptr ? file : "-", put_out);
  if (mode != Mode::kInPlace) return;
  in_place.same = 0;
  in_place.unsynced = 0;
  in_place.changed = false;
  in_place.tmp_fd = -1;
  in_place.in_fd = open(in_place.target.data, O_RDONLY | O_CLOEXEC);
  if (in_place.in_fd < 0) {
    errmsg("%s: not found", file);
    end_process(1);
  }
  std::snprintf(signal_msg, sizeof signal_msg, "%s: interrupted; the file was left as it was\n", file);
  signal_msg_len = std::strlen(signal_msg);
  install_handlers();
}

bool output_takes_runs() { return mode != Mode::kDiff && !crlf; }

void output_input_line(const char* text, size_t n, bool cr, bool newline) {
  cr_next = cr;
  if (mode == Mode::kDiff) diff.old_line(text, n, cr, newline);
}

void write_output(const char* text, size_t n) {
  const bool cr = cr_next;
  cr_next = false;
  if (cr) --n;  // the newline goes out as CR LF
  if (mode == Mode::kDiff) {
    diff.new_text(text, n);
    if (cr) diff.new_text("\r\n", 2);
  } else {
    out.put(text, n);
    if (cr) out.put("\r\n", 2);
  }
}

void end_with_fault(const char* message) {
  write_waiting_output();
  errmsg_text(message);
  end_process(1);
}

void write_waiting_output() {
  if (mode == Mode::kStdout && !out.flush()) end_process(1);
}

void finish_output() {
  if (end_output(0) != 0) end_process(1);
}

}  // namespace quorl
