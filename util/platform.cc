#include "util/platform.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <cerrno>
#include <cstring>

#include "support/memory.h"
#include "support/sjis.h"

namespace quorl {

disk_queries disk_platform = {fs_space_of, fs_avail_bytes};

namespace {

// cut_last_component: shortens the native path in p to its parent, in place.
// False when there is no parent left to try.
bool cut_last_component(char* p) {
  size_t len = std::strlen(p);
  while (len > 1 && p[len - 1] == '/') --len;  // "a/b/" is "a/b"
  size_t i = len;
  while (i > 0 && p[i - 1] != '/') --i;
  if (i == 0) {
    // A relative name with no directory part: its parent is the current
    // directory, unless that is what failed already.
    if (std::strcmp(p, ".") == 0) return false;
    std::strcpy(p, ".");
    return true;
  }
  if (len == 1 && p[0] == '/') return false;
  while (i > 1 && p[i - 1] == '/') --i;  // "a//b" has the parent "a"
  p[i] = '\0';
  return true;
}

// statvfs_nearest: statvfs of the path or its nearest existing parent.
bool statvfs_nearest(const char* path, struct statvfs* st) {
  char* p = native_path(path);
  if (p == nullptr) return false;
  if (*p == '\0') std::strcpy(p, ".");  // getmem gave room for at least one byte
  bool ok = false;
  for (;;) {
    if (statvfs(p, st) == 0) {
      ok = true;
      break;
    }
    if ((errno != ENOENT && errno != ENOTDIR) || !cut_last_component(p)) break;
  }
  freemem(p);
  return ok;
}

}  // namespace

char* native_path(const char* path) {
  size_t len = std::strlen(path);
  // An empty path still gets room for ".", which statvfs_nearest writes.
  auto* p = static_cast<char*>(getmem(static_cast<int>(len < 2 ? 2 : len + 1)));
  if (p == nullptr) return nullptr;
  std::memcpy(p, path, len + 1);
  for (char* q = p; *q != '\0'; q += char_len(q)) {
    if (*q == '\\') *q = '/';
  }
  return p;
}

bool fs_space_of(const char* path, fs_space* out) {
  struct statvfs st;
  if (!statvfs_nearest(path, &st)) return false;
  uint64_t unit = st.f_frsize != 0 ? st.f_frsize : st.f_bsize;
  if (unit == 0) return false;
  out->unit = unit;
  out->free_units = st.f_bavail;
  return true;
}

bool fs_avail_bytes(const char* path, uint64_t* bytes) {
  fs_space space;
  if (!fs_space_of(path, &space)) return false;
  if (space.free_units > UINT64_MAX / space.unit)
    *bytes = UINT64_MAX;
  else
    *bytes = space.free_units * space.unit;
  return true;
}

bool path_is_dir(const char* path) {
  char* p = native_path(path);
  if (p == nullptr) return false;
  struct stat st;
  bool dir = stat(p, &st) == 0 && S_ISDIR(st.st_mode);
  freemem(p);
  return dir;
}

FILE* open_file(const char* path, const char* mode) {
  char* p = native_path(path);
  if (p == nullptr) return nullptr;
  FILE* fp = std::fopen(p, mode);
  freemem(p);
  if (fp == nullptr) return nullptr;
  struct stat st;
  if (fstat(fileno(fp), &st) == 0 && S_ISDIR(st.st_mode)) {
    std::fclose(fp);
    errno = EISDIR;
    return nullptr;
  }
  return fp;
}

}  // namespace quorl
