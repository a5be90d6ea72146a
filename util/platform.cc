#include "util/platform.h"

#include <cerrno>
#include <cstring>

#include "platform/platform.h"
#include "support/memory.h"
#include "support/sjis.h"

namespace quorl {

disk_queries disk_platform = {fs_space_of, platform::disk_free_bytes() != nullptr ? fs_avail_bytes : nullptr};

namespace {

constexpr char kSep = platform::kSeparator;

// is_sep: c separates components: the system's separator, or a slash,
// which every system takes.
constexpr bool is_sep(char c) { return c == kSep || c == '/'; }

// cut_last_component: shortens the native path in p to its parent, in place.
// False when there is no parent left to try.
bool cut_last_component(char* p) {
  size_t len = std::strlen(p);
  while (len > 1 && is_sep(p[len - 1])) --len;  // "a/b/" is "a/b"
  size_t i = len;
  while (i > 0 && !is_sep(p[i - 1])) --i;
  if (i == 0) {
    // A relative name with no directory part: its parent is the current
    // directory, unless that is what failed already.
    if (std::strcmp(p, ".") == 0) return false;
    std::strcpy(p, ".");
    return true;
  }
  if (len == 1 && is_sep(p[0])) return false;
  while (i > 1 && is_sep(p[i - 1])) --i;  // "a//b" has the parent "a"
  p[i] = '\0';
  return true;
}

// ask_nearest: query(native path) of the path or of its nearest existing
// parent.
template <typename Query>
bool ask_nearest(const char* path, Query query) {
  char* p = native_path(path);
  if (p == nullptr) return false;
  if (*p == '\0') std::strcpy(p, ".");  // getmem gave room for at least one byte
  bool ok = false;
  for (;;) {
    if (query(p)) {
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
    if (*q == '\\') *q = kSep;
  }
  return p;
}

bool fs_space_of(const char* path, fs_space* out) {
  platform::DiskSpace st;
  if (!ask_nearest(path, [&st](const char* p) { return platform::disk_space(p, &st); })) return false;
  out->unit = st.unit;
  out->free_units = st.free_units;
  return true;
}

bool fs_avail_bytes(const char* path, uint64_t* bytes) {
  const platform::free_bytes_fn ask = platform::disk_free_bytes();
  return ask != nullptr && ask_nearest(path, [ask, bytes](const char* p) { return ask(p, bytes); });
}

bool path_is_dir(const char* path) {
  char* p = native_path(path);
  if (p == nullptr) return false;
  const bool dir = platform::is_directory(p);
  freemem(p);
  return dir;
}

FILE* open_file(const char* path, const char* mode) {
  char* p = native_path(path);
  if (p == nullptr) return nullptr;
  FILE* fp = platform::is_directory(p) ? nullptr : std::fopen(p, mode);
  if (fp == nullptr && platform::is_directory(p)) errno = EISDIR;
  freemem(p);
  return fp;
}

}  // namespace quorl
