#include "quorl/classic/files.h"

#include <cstring>

#include "support/errors.h"
#include "support/memory.h"
#include "support/sjis.h"
#include "quorl/classic/compare.h"
#include "quorl/classic/disk.h"
#include "util/platform.h"
#include "quorl/classic/search.h"

namespace quorl {

namespace {

constexpr int DEFAULT_BLOCK = 1024;

bool is_separator(char c) { return c == '\\' || c == '/'; }

// next_separator: the first separator of s at a character start, or null.
char* next_separator(char* s) {
  for (char* p = s; *p != '\0'; p += char_len(p)) {
    if (is_separator(*p)) return p;
  }
  return nullptr;
}

int count_separators(const char* s) {
  int n = 0;
  for (const char* p = s; *p != '\0'; p += char_len(p)) {
    if (is_separator(*p)) ++n;
  }
  return n;
}

// last_component: the start of the last component of path.
const char* last_component(const char* path) {
  const char* back = Strrchr(path, '\\');
  const char* slash = Strrchr(path, '/');
  const char* sep = back;
  if (sep == nullptr || (slash != nullptr && slash > back)) sep = slash;
  return sep != nullptr ? sep + 1 : path;
}

}  // namespace

int Fclose(FILE* stream, const char* path) {
  int rc = std::fclose(stream);
  if (rc != 0) return rc;
  if (getFreeSpace(path) > 0) return 0;
  if (path[0] != '\0' && path[1] == ':')
    errmsg("%c drive: no free disk space\n", path[0]);
  else
    errmsg("no free disk space\n");
  return -1;
}

int copyFile(const char* src, const char* dst, int mode) {
  if (mode == 1) {
    FILE* existing = open_file(dst, "rb");
    if (existing != nullptr) {
      std::fclose(existing);
      return 0;
    }
  }
  // The source is opened first, so that a source that cannot be read never
  // costs the destination its contents.
  FILE* in = open_file(src, "rb");
  if (in == nullptr) return 0;
  FILE* out = open_file(dst, "wb");
  if (out == nullptr) {
    std::fclose(in);
    return 0;
  }
  int block = getClusterSize(dst);
  if (block == 0) block = DEFAULT_BLOCK;
  auto* buf = static_cast<char*>(getmem(block));
  if (buf == nullptr) {  // getmem has said why
    std::fclose(in);
    std::fclose(out);
    return 0;
  }
  size_t got;
  while ((got = std::fread(buf, 1, static_cast<size_t>(block), in)) != 0) {
    if (std::fwrite(buf, 1, got, out) != got) {
      errmsg("%s: writing error\n", dst);
      Fclose(out, dst);
      std::fclose(in);
      freemem(buf);
      return 0;
    }
  }
  // A read that fails looks like the end of the file to fread; a copy cut
  // short that way is a failure, not a success.
  if (std::ferror(in)) {
    errmsg("%s: reading error\n", src);
    Fclose(out, dst);
    std::fclose(in);
    freemem(buf);
    return 0;
  }
  std::fclose(in);
  if (Fclose(out, dst) != 0) {
    errmsg("%s: writing error\n", dst);
    freemem(buf);
    return 0;
  }
  freemem(buf);
  return 1;
}

int isDir(const char* path) { return path_is_dir(path) ? 1 : 0; }

char* findExt(const char* path) {
  const char* start = last_component(path);
  for (const char* p = start + std::strlen(start); p > start;) {
    if (*--p == '.') return const_cast<char*>(p);
  }
  return nullptr;
}

int sepname(char* path, char* head, char* rest) {
  rest[0] = '\0';
  char* wild = srch_wild(path);
  if (wild != nullptr) {
    char* sep = next_separator(wild);
    if (sep != nullptr) {
      *sep = '\0';
      std::strcpy(rest, sep + 1);
    }
  }
  std::strcpy(head, path);
  return 0;
}

int comp_file(const void* a, const void* b) {
  // Each element points to a record whose first member is the path.
  const char* pa = **static_cast<const char* const* const*>(a);
  const char* pb = **static_cast<const char* const* const*>(b);
  int na = count_separators(pa);
  int nb = count_separators(pb);
  if (na != nb) return na < nb ? -1 : 1;
  return StrCmp(pa, pb);
}

}  // namespace quorl
