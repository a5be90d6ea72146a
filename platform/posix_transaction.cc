// The in-place transaction on POSIX systems: an unnamed file (O_TMPFILE)
// where the file system makes one, linked under a short hidden name only to
// be renamed over the target; the owner, permissions, ACL (libacl) and
// extended attributes (libattr) copied to it.
#include <acl/libacl.h>
#include <attr/libattr.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "platform/platform.h"

namespace quorl::platform {

namespace {

// The name the new file gets for its rename: short, so that any file name
// the directory can hold can be edited.
constexpr char kTempName[] = ".quorl-XXXXXX";
constexpr size_t kTempNameLen = sizeof kTempName - 1;

// temp_name: a malloc'd name in t's directory ending in XXXXXX.
char* temp_name(const Target& t) {
  char* name = static_cast<char*>(std::malloc(t.dir_len + kTempNameLen + 1));
  if (name == nullptr) return nullptr;
  std::memcpy(name, t.path, t.dir_len);
  std::memcpy(name + t.dir_len, kTempName, kTempNameLen + 1);
  return name;
}

// fresh_name: name ends in six new random letters.
void fresh_name(char* name) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  static unsigned long count = 0;
  unsigned char r[6];
  if (getrandom(r, sizeof r, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof r)) {
    const unsigned long t = (static_cast<unsigned long>(std::time(nullptr)) << 20) ^
                            static_cast<unsigned long>(getpid()) ^ ++count * 2654435761UL;
    for (size_t k = 0; k < sizeof r; ++k) r[k] = static_cast<unsigned char>(t >> (k * 6));
  }
  char* x = name + std::strlen(name) - 6;
  for (size_t k = 0; k < sizeof r; ++k) x[k] = kLetters[r[k] % (sizeof kLetters - 1)];
}

// open_unnamed: the new file, unnamed where the file system allows it,
// else named (r->name); -1 when neither can be made.
int open_unnamed(const Target& t, Replacement* r) {
  const char saved = t.path[t.dir_len];
  t.path[t.dir_len] = '\0';
  const int fd = ::open(t.path, O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  t.path[t.dir_len] = saved;
  if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) return fd;
  char* name = temp_name(t);
  if (name == nullptr) return -1;
  hold_termination();
  const int named = mkostemp(name, O_CLOEXEC);
  if (named >= 0)
    r->name = name;
  else
    std::free(name);
  release_termination();
  return named;
}

// give_name: the unnamed new file linked under a fresh name, with
// termination held by the caller; true at once when it has a name.
bool give_name(const Target& t, Replacement* r) {
  if (r->name != nullptr) return true;
  char* name = temp_name(t);
  if (name == nullptr) return false;
  const std::string self = "/proc/self/fd/" + std::to_string(r->fd);
  for (int tries = 0; tries < 100; ++tries) {
    fresh_name(name);
    if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name, AT_SYMLINK_FOLLOW) == 0 ||
        (errno != EEXIST && linkat(r->fd, "", AT_FDCWD, name, AT_EMPTY_PATH) == 0)) {
      r->name = name;
      return true;
    }
    if (errno != EEXIST) break;
  }
  std::free(name);
  return false;
}

}  // namespace

bool open_target(const char* name, Target* t) {
  *t = Target{};
  t->path = realpath(name, nullptr);
  if (t->path == nullptr || !status_of_name(t->path, &t->status) || t->status.kind == FileKind::directory) {
    errno = ENOENT;
    return false;
  }
  if (t->status.kind != FileKind::regular) {
    errno = EINVAL;
    return false;
  }
  // realpath gives a full path: its directory ends at the last '/'.
  t->dir_len = static_cast<size_t>(std::strrchr(t->path, '/') + 1 - t->path);
  t->fd = ::open(t->path, O_RDONLY | O_CLOEXEC);
  if (t->fd < 0) {
    errno = ENOENT;
    return false;
  }
  return true;
}

bool target_changed(const Target& t) {
  FileStatus now, there;
  if (!status_of(t.fd, &now) || !status_of_name(t.path, &there)) return true;
  const FileStatus& was = t.status;
  return there.id[0] != was.id[0] || there.id[1] != was.id[1] || now.size != was.size ||
         now.changed != was.changed;
}

void close_target(Target* t) {
  if (t->fd >= 0) ::close(t->fd);
  std::free(t->path);
  *t = Target{};
}

bool begin_replacement(const Target& t, Replacement* r) {
  *r = Replacement{};
  r->fd = open_unnamed(t, r);
  if (r->fd < 0) return false;
  // The owner and group where the process may set them, the permission
  // bits and ACL, and the extended attributes it may set. A file system
  // without ACLs or extended attributes is no error.
  struct stat st;
  if (fstat(t.fd, &st) == 0 && fchown(r->fd, st.st_uid, st.st_gid) != 0 &&
      fchown(r->fd, static_cast<uid_t>(-1), st.st_gid) != 0) {
  }
  // An attribute that may not be set here (security.* for a user,
  // trusted.*) is left out; the others are copied.
  attr_copy_fd(t.path, t.fd, t.path, r->fd, nullptr, nullptr);
  if (fchmod(r->fd, t.status.mode) != 0 ||
      (perm_copy_fd(t.path, t.fd, t.path, r->fd, nullptr) != 0 && errno != ENOTSUP && errno != ENOSYS)) {
    errno = EPERM;
    return false;
  }
  return true;
}

bool flush_to_disk(int fd) { return fsync(fd) == 0; }

void start_writeback(int fd, uint64_t n) {
  const off_t end = lseek(fd, 0, SEEK_CUR);
  if (end >= static_cast<off_t>(n)) sync_file_range(fd, end - static_cast<off_t>(n), static_cast<off_t>(n), SYNC_FILE_RANGE_WRITE);
}

bool make_backup(const Target& t, const char* backup) {
  if (link(t.path, backup) == 0) return true;
  if (errno == EEXIST) return false;
  const int fd = ::open(backup, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, t.status.mode & 0777);
  if (fd < 0) return false;
  const bool copied = copy_from(t.fd, fd, t.status.size) == 0 && fsync(fd) == 0;
  ::close(fd);
  if (!copied) unlink(backup);
  return copied;
}

bool put_in_place(const Target& t, Replacement* r) {
  if (!give_name(t, r) || rename(r->name, t.path) != 0) return false;
  std::free(r->name);
  r->name = nullptr;
  // The rename made durable.
  const char saved = t.path[t.dir_len];
  t.path[t.dir_len] = '\0';
  const int dfd = ::open(t.path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  t.path[t.dir_len] = saved;
  if (dfd >= 0) {
    fsync(dfd);
    ::close(dfd);
  }
  return true;
}

void drop_replacement(Replacement* r) {
  if (r->name != nullptr) unlink(r->name);
  if (r->fd >= 0) ::close(r->fd);
  r->fd = -1;
  std::free(r->name);
  r->name = nullptr;
}

bool exists(const char* name) {
  struct stat st;
  return lstat(name, &st) == 0;
}

void remove_replacement(const Replacement& r) {
  if (r.name != nullptr) unlink(r.name);
}

void remove_file(const char* name) { unlink(name); }

}  // namespace quorl::platform
