// The in-place transaction on Windows.
//
// The new file is made beside the target under a short hidden name and
// marked for deletion at once (its disposition), so that however the
// process ends before the commit, even killed, the system removes it when
// the last handle goes. At the commit the mark is lifted, the file flushed
// (FlushFileBuffers) and put in place with ReplaceFileW, which keeps the
// target's attributes, ACL and creation time the Windows way; where the
// volume cannot replace, MoveFileExW with MOVEFILE_REPLACE_EXISTING |
// MOVEFILE_WRITE_THROUGH does, after the target's attributes were given to
// the new file. Paths held here are UTF-8 of the system's own UTF-16.
#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "platform/platform.h"
#include "platform/windows.h"

namespace quorl::platform {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

wchar_t* wide_path(const char* utf8) { return to_wide(utf8, CP_UTF8); }

// set_delete: the file's deletion at its last close asked for or lifted.
bool set_delete(int fd, bool on) {
  FILE_DISPOSITION_INFO info{};
  info.DeleteFile = on ? TRUE : FALSE;
  return SetFileInformationByHandle(handle_of(fd), FileDispositionInfo, &info, sizeof info);
}

// final_path: the full path of an open file, links resolved, as UTF-8
// without the \\?\ prefix; null when the system cannot tell.
char* final_path(HANDLE h) {
  wchar_t buf[32768];
  const DWORD n = GetFinalPathNameByHandleW(h, buf, sizeof buf / sizeof buf[0], FILE_NAME_NORMALIZED);
  if (n == 0 || n >= sizeof buf / sizeof buf[0]) return nullptr;
  const wchar_t* p = buf;
  if (std::wcsncmp(p, L"\\\\?\\UNC\\", 8) == 0) {
    p += 6;
    buf[6] = L'\\';
  } else if (std::wcsncmp(p, L"\\\\?\\", 4) == 0) {
    p += 4;
  }
  return to_utf8(p);
}

}  // namespace

bool open_target(const char* name, Target* t) {
  *t = Target{};
  wchar_t* w = to_wide(name);
  if (w == nullptr) {
    errno = ENOENT;
    return false;
  }
  HANDLE h = CreateFileW(w, GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  std::free(w);
  if (h == INVALID_HANDLE_VALUE) {
    errno = ENOENT;
    return false;
  }
  const DWORD type = GetFileType(h);
  BY_HANDLE_FILE_INFORMATION info;
  if (type != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info)) {
    CloseHandle(h);
    errno = EINVAL;
    return false;
  }
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    CloseHandle(h);
    errno = ENOENT;
    return false;
  }
  t->path = final_path(h);
  t->fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY | _O_BINARY);
  if (t->path == nullptr || t->fd < 0 || !status_of(t->fd, &t->status)) {
    if (t->fd < 0) CloseHandle(h);
    close_target(t);
    errno = ENOENT;
    return false;
  }
  t->dir_len = static_cast<size_t>(std::strrchr(t->path, '\\') + 1 - t->path);
  return true;
}

bool target_changed(const Target& t) {
  FileStatus now, there;
  wchar_t* w = wide_path(t.path);
  if (w == nullptr) return true;
  HANDLE h = CreateFileW(w, 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  std::free(w);
  if (h == INVALID_HANDLE_VALUE) return true;
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY | _O_BINARY);
  const bool known = fd >= 0 && status_of(fd, &there);
  if (fd >= 0)
    _close(fd);
  else
    CloseHandle(h);
  if (!known || !status_of(t.fd, &now)) return true;
  const FileStatus& was = t.status;
  return there.id[0] != was.id[0] || there.id[1] != was.id[1] || now.size != was.size ||
         now.changed != was.changed;
}

void close_target(Target* t) {
  if (t->fd >= 0) _close(t->fd);
  std::free(t->path);
  *t = Target{};
}

bool begin_replacement(const Target& t, Replacement* r) {
  *r = Replacement{};
  static LONG count = 0;
  const size_t room = t.dir_len + 32;
  char* name = static_cast<char*>(std::malloc(room));
  if (name == nullptr) return false;
  for (int tries = 0; tries < 100; ++tries) {
    const unsigned long salt = (GetCurrentProcessId() << 12) ^ static_cast<unsigned long>(GetTickCount64()) ^
                               (static_cast<unsigned long>(InterlockedIncrement(&count)) * 2654435761UL);
    std::memcpy(name, t.path, t.dir_len);
    std::snprintf(name + t.dir_len, room - t.dir_len, ".quorl-%06lx", salt & 0xffffff);
    wchar_t* w = wide_path(name);
    if (w == nullptr) break;
    hold_termination();
    HANDLE h = CreateFileW(w, GENERIC_READ | GENERIC_WRITE | DELETE, kShareAll, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD error = GetLastError();
    std::free(w);
    if (h != INVALID_HANDLE_VALUE) {
      r->fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDWR | _O_BINARY);
      if (r->fd < 0) {
        CloseHandle(h);
        release_termination();
        break;
      }
      r->name = name;
      release_termination();
      // Gone with the last handle unless the commit lifts the mark; where
      // the mark cannot be set, the name is removed at every end instead.
      set_delete(r->fd, true);
      return true;
    }
    release_termination();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
      errno = errno_of(error);
      break;
    }
  }
  std::free(name);
  if (errno == 0) errno = EIO;
  return false;
}

bool flush_to_disk(int fd) { return FlushFileBuffers(handle_of(fd)) != 0; }

void start_writeback(int, uint64_t) {}

bool make_backup(const Target& t, const char* backup) {
  wchar_t* from = wide_path(t.path);
  wchar_t* to = to_wide(backup);
  bool made = false;
  if (from != nullptr && to != nullptr) {
    made = CreateHardLinkW(to, from, nullptr) != 0;
    DWORD error = made ? 0 : GetLastError();
    if (!made && error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) {
      // No links on this volume: a copy, which never overwrites either.
      made = CopyFileW(from, to, TRUE) != 0;
      error = made ? 0 : GetLastError();
    }
    if (!made) errno = errno_of(error);
  }
  std::free(from);
  std::free(to);
  return made;
}

bool put_in_place(const Target& t, Replacement* r) {
  // Where the mark cannot be lifted the file goes at its close, and the
  // replacement below fails safely: nothing was changed.
  set_delete(r->fd, false);
  _close(r->fd);
  r->fd = -1;
  wchar_t* target = wide_path(t.path);
  wchar_t* repl = wide_path(r->name);
  bool done = false;
  if (target != nullptr && repl != nullptr) {
    // The target's attributes (hidden, archive, ...) given to the new file
    // first: ReplaceFileW would merge them, but not every implementation
    // does, and MoveFileExW never does.
    const DWORD attrs = GetFileAttributesW(target);
    if (attrs != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(repl, attrs & ~FILE_ATTRIBUTE_READONLY);
    done = ReplaceFileW(target, repl, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0 ||
           MoveFileExW(repl, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  }
  std::free(target);
  std::free(repl);
  if (done) {
    std::free(r->name);
    r->name = nullptr;
  }
  return done;
}

void drop_replacement(Replacement* r) {
  if (r->fd >= 0) _close(r->fd);
  r->fd = -1;
  remove_replacement(*r);
  std::free(r->name);
  r->name = nullptr;
}

bool exists(const char* name) {
  wchar_t* w = to_wide(name);
  const bool there = w != nullptr && GetFileAttributesW(w) != INVALID_FILE_ATTRIBUTES;
  std::free(w);
  return there;
}

void remove_replacement(const Replacement& r) {
  wchar_t* w = r.name != nullptr ? wide_path(r.name) : nullptr;
  if (w != nullptr) DeleteFileW(w);
  std::free(w);
}

void remove_file(const char* name) {
  wchar_t* w = to_wide(name);
  if (w != nullptr) DeleteFileW(w);
  std::free(w);
}

}  // namespace quorl::platform
