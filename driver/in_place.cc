#include "driver/in_place.h"

#include <acl/libacl.h>
#include <attr/libattr.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "driver/output.h"
#include "support/bytebuf.h"
#include "support/errors.h"
#include "support/exit.h"

namespace quorl {

namespace {

constexpr size_t kCopyBlock = 1 << 16;
constexpr off_t kWriteBack = 2 << 20;

// The signals that end an in-place run: the new file goes with them.
constexpr int kSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGTERM, SIGXFSZ};
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];

// The name the new file gets for its rename: short, so that any file name
// the directory can hold can be edited.
constexpr char kTempName[] = ".quorl-XXXXXX";
constexpr size_t kTempNameLen = sizeof kTempName - 1;

struct State {
  const char* name = nullptr;  // as the user gave it
  ByteBuf target;              // the file itself, links resolved (NUL-terminated)
  size_t dir_len = 0;          // the length of its directory, the '/' included
  ByteBuf backup;              // name + suffix, NUL-terminated; len 0: none
  struct stat st = {};
  int in_fd = -1;              // the file, read to compare and to copy
  int tmp_fd = -1;
  off_t same = 0;              // the output so far equals this many bytes of the file
  bool changed = false;        // it no longer does: the output goes to tmp_fd
  off_t unsynced = 0;          // bytes written to tmp_fd and not yet sent to disk
} state;

// What the signal handler needs, made before the handlers are installed and
// never moved after: the new file's name while it has one, and the message.
ByteBuf tmp_name;
volatile sig_atomic_t tmp_live = 0;
ByteBuf signal_msg;
struct sigaction old_actions[kSignalCount];
bool handlers_on = false;

void on_signal(int) {
  if (tmp_live) unlink(tmp_name.data);
  const ssize_t w = write(STDERR_FILENO, signal_msg.data, signal_msg.len);
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

// SignalsHeld: the signals above held back while it lives, so that the new
// file's name and its existence change together.
class SignalsHeld {
 public:
  SignalsHeld() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : kSignals) sigaddset(&set, s);
    pthread_sigmask(SIG_BLOCK, &set, &old_);
  }
  ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &old_, nullptr); }

 private:
  sigset_t old_;
};

bool fail_changed() {
  report("%s: changed while being edited\n", state.name);
  return false;
}

// file_changed: whether the file is no longer the one that was read: it
// was replaced, or written (size or time of change).
bool file_changed() {
  struct stat now, there;
  if (fstat(state.in_fd, &now) != 0 || stat(state.target.data, &there) != 0) return true;
  const struct stat& was = state.st;
  return there.st_dev != was.st_dev || there.st_ino != was.st_ino || now.st_size != was.st_size ||
         now.st_mtim.tv_sec != was.st_mtim.tv_sec || now.st_mtim.tv_nsec != was.st_mtim.tv_nsec;
}

// copy_bytes: the first n bytes of from appended to to. The file ending
// before n bytes means it shrank under us.
bool copy_bytes(int from, int to, off_t n, const char* name) {
  off_t at = 0;
  while (at < n) {
    const ssize_t c = copy_file_range(from, &at, to, nullptr, static_cast<size_t>(n - at), 0);
    if (c > 0) continue;
    if (c < 0 && errno == EINTR) continue;
    break;  // not on this file system, or the end: go on through a buffer
  }
  static char buf[kCopyBlock];
  while (at < n) {
    const size_t want = static_cast<size_t>(n - at) < kCopyBlock ? static_cast<size_t>(n - at) : kCopyBlock;
    const ssize_t got = pread(from, buf, want, at);
    if (got < 0 && errno == EINTR) continue;
    if (got == 0) return fail_changed();
    if (got < 0) {
      report("%s: reading error\n", name);
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
  static char buf[kCopyBlock];
  size_t done = 0;
  while (done < n) {
    const size_t want = n - done < kCopyBlock ? n - done : kCopyBlock;
    const ssize_t got = pread(state.in_fd, buf, want, state.same + static_cast<off_t>(done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0 || std::memcmp(buf, s + done, static_cast<size_t>(got)) != 0) return false;
    done += static_cast<size_t>(got);
  }
  state.same += static_cast<off_t>(n);
  return true;
}

// fresh_name: tmp_name ends in six new random letters.
void fresh_name() {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  static unsigned long count = 0;
  unsigned char r[6];
  if (getrandom(r, sizeof r, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof r)) {
    const unsigned long t = (static_cast<unsigned long>(std::time(nullptr)) << 20) ^
                            static_cast<unsigned long>(getpid()) ^ ++count * 2654435761UL;
    for (size_t k = 0; k < sizeof r; ++k) r[k] = static_cast<unsigned char>(t >> (k * 6));
  }
  char* x = tmp_name.data + tmp_name.len - 6;
  for (size_t k = 0; k < sizeof r; ++k) x[k] = kLetters[r[k] % (sizeof kLetters - 1)];
}

// open_unnamed: the new file, unnamed where the file system allows it,
// else under tmp_name (tmp_live set); -1 when neither can be made.
int open_unnamed() {
  char* dir = state.target.data;
  const char saved = dir[state.dir_len];
  dir[state.dir_len] = '\0';
  const int fd = open(dir, O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  dir[state.dir_len] = saved;
  if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) return fd;
  SignalsHeld held;
  std::memcpy(tmp_name.data + tmp_name.len - 6, "XXXXXX", 6);
  const int named = mkostemp(tmp_name.data, O_CLOEXEC);
  tmp_live = named >= 0;
  return named;
}

// take_attributes: the file's owner and group where the process may set
// them, its permission bits and ACL, and the extended attributes it may
// set, given to the new file. A file system without ACLs or extended
// attributes is no error.
bool take_attributes(int fd) {
  const struct stat& st = state.st;
  if (fchown(fd, st.st_uid, st.st_gid) != 0 && fchown(fd, static_cast<uid_t>(-1), st.st_gid) != 0) {
  }
  const char* name = state.target.data;
  // An attribute that may not be set here (security.* for a user,
  // trusted.*) is left out; the others are copied.
  attr_copy_fd(name, state.in_fd, name, fd, nullptr, nullptr);
  if (fchmod(fd, st.st_mode & 07777) != 0 ||
      (perm_copy_fd(name, state.in_fd, name, fd, nullptr) != 0 && errno != ENOTSUP && errno != ENOSYS)) {
    report("%s: cannot give the edited file its permissions\n", state.name);
    return false;
  }
  return true;
}

// start_temp: the new file made, with the file's attributes and the bytes
// of the file the output has matched so far.
bool start_temp() {
  state.changed = true;
  const int fd = open_unnamed();
  if (fd < 0) {
    report("%s: cannot create a temporary file in its directory\n", state.name);
    return false;
  }
  state.tmp_fd = fd;
  return take_attributes(fd) && copy_bytes(state.in_fd, fd, state.same, state.name);
}

// give_name: the unnamed new file linked under tmp_name, with signals held
// by the caller; true at once when it has that name already.
bool give_name() {
  if (tmp_live) return true;
  ByteBuf self;
  append_printf(&self, "/proc/self/fd/%d", state.tmp_fd);
  for (int tries = 0; tries < 100; ++tries) {
    fresh_name();
    if (linkat(AT_FDCWD, self.data, AT_FDCWD, tmp_name.data, AT_SYMLINK_FOLLOW) == 0 ||
        (errno != EEXIST && linkat(state.tmp_fd, "", AT_FDCWD, tmp_name.data, AT_EMPTY_PATH) == 0)) {
      tmp_live = 1;
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

// back_up: the original kept under the backup name: a hard link, or a copy
// where the file system has none. False after a message.
bool back_up(const char* backup) {
  if (link(state.target.data, backup) == 0) return true;
  if (errno == EEXIST) {
    report("%s: the backup exists already; nothing was changed\n", backup);
    return false;
  }
  const int fd = open(backup, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, state.st.st_mode & 0777);
  const bool copied = fd >= 0 && copy_bytes(state.in_fd, fd, state.st.st_size, backup) && fsync(fd) == 0;
  if (fd >= 0) close(fd);
  if (copied) return true;
  if (fd >= 0) unlink(backup);
  report("%s: cannot write the backup; nothing was changed\n", backup);
  return false;
}

// sync_directory: the rename made durable.
void sync_directory() {
  ByteBuf dir;
  dir.append(state.target.data, state.dir_len);
  const int dfd = open(dir.terminate(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    fsync(dfd);
    close(dfd);
  }
}

}  // namespace

void in_place_begin(const char* file, const char* backup_suffix) {
  if (file == nullptr) {
    errmsg("--in-place: no file to edit; name it with -f <file>\n");
    end_process(1);
  }
  if (std::strcmp(file, "-") == 0) {
    errmsg("--in-place: standard input cannot be edited in place\n");
    end_process(1);
  }
  state.name = file;
  char* real = realpath(file, nullptr);
  const bool found = real != nullptr && stat(real, &state.st) == 0 && !S_ISDIR(state.st.st_mode);
  state.target.clear();
  if (real != nullptr) state.target.append(real, std::strlen(real));
  state.target.terminate();
  std::free(real);
  if (!found) {
    report("%s: not found", file);
    end_process(1);
  }
  if (!S_ISREG(state.st.st_mode)) {
    report("%s: not a regular file; it cannot be edited in place\n", file);
    end_process(1);
  }
  state.backup.clear();
  if (backup_suffix != nullptr) {
    append_printf(&state.backup, "%s%s", file, backup_suffix);
    struct stat bst;
    if (lstat(state.backup.data, &bst) == 0) {
      report("%s: the backup exists already; nothing was changed\n", state.backup.data);
      end_process(1);
    }
  }
  // realpath gives a full path: its directory ends at the last '/'.
  state.dir_len = static_cast<size_t>(std::strrchr(state.target.data, '/') + 1 - state.target.data);
  state.same = 0;
  state.unsynced = 0;
  state.changed = false;
  state.tmp_fd = -1;
  state.in_fd = open(state.target.data, O_RDONLY | O_CLOEXEC);
  if (state.in_fd < 0) {
    report("%s: not found", file);
    end_process(1);
  }
  tmp_name.clear();
  tmp_name.append(state.target.data, state.dir_len);
  tmp_name.append(kTempName, kTempNameLen);
  tmp_name.terminate();
  signal_msg.clear();
  append_printf(&signal_msg, "%s: interrupted; the file was left as it was\n", file);
  install_handlers();
}

bool in_place_write(const char* s, size_t n) {
  if (!state.changed) {
    if (still_same(s, n)) return true;
    if (!start_temp()) return false;
  }
  if (!write_all(state.tmp_fd, s, n, state.name)) return false;
  // Start writing back to disk what has piled up, so that the fsync at the
  // end finds little left to do.
  state.unsynced += static_cast<off_t>(n);
  if (state.unsynced >= kWriteBack) {
    const off_t end = lseek(state.tmp_fd, 0, SEEK_CUR);
    sync_file_range(state.tmp_fd, end - state.unsynced, state.unsynced, SYNC_FILE_RANGE_WRITE);
    state.unsynced = 0;
  }
  return true;
}

bool in_place_commit() {
  if (file_changed()) return fail_changed();
  if (!state.changed) {
    if (state.same == state.st.st_size) {
      in_place_discard();
      return true;
    }
    // Output that matched the file but ended before it is a change too.
    if (!start_temp()) return false;
  }
  if (fsync(state.tmp_fd) != 0) {
    report("%s: writing error\n", state.name);
    return false;
  }
  SignalsHeld held;
  // The last look, as close to the rename as it can be.
  if (file_changed()) return fail_changed();
  if (!give_name()) {
    report("%s: cannot be replaced; nothing was changed\n", state.name);
    return false;
  }
  const char* backup = state.backup.len != 0 ? state.backup.data : nullptr;
  if (backup != nullptr && !back_up(backup)) return false;
  if (rename(tmp_name.data, state.target.data) != 0) {
    if (backup != nullptr) unlink(backup);
    report("%s: cannot be replaced; nothing was changed\n", state.name);
    return false;
  }
  tmp_live = 0;
  in_place_discard();
  sync_directory();
  return true;
}

void in_place_discard() {
  {
    SignalsHeld held;
    if (tmp_live) unlink(tmp_name.data);
    tmp_live = 0;
  }
  if (state.tmp_fd >= 0) close(state.tmp_fd);
  if (state.in_fd >= 0) close(state.in_fd);
  state.tmp_fd = state.in_fd = -1;
  restore_handlers();
}

}  // namespace quorl
