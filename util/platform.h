// Platform layer of the file and disk utilities.
//
// The disk and file routines think in paths whose components are separated
// by backslashes and in drives that report allocation units and free bytes.
// This layer maps that onto the system's files (platform/ asks the system):
//
// - A path is made native by turning every backslash that stands as a
//   character of its own into the system's separator (a slash on POSIX). A
//   Shift_JIS double-byte character is stepped over whole, so a second byte
//   0x5C stays part of its name. A slash already separates components and
//   is kept.
// - The "drive" of a path is the file system that holds it: the one the
//   system reports for the path itself or, while that does not exist yet,
//   for its nearest existing parent ("." for a relative path that has none
//   left).
// - A directory is what stat reports as one.
//
// Texts are NUL-terminated bytes. Nothing here prints a message; failures are
// reported through the results only.
#ifndef QUORL_UTIL_PLATFORM_H
#define QUORL_UTIL_PLATFORM_H

#include <cstdint>
#include <cstdio>

namespace quorl {

// What a file system reports about its room, both figures in full width.
struct fs_space {
  uint64_t unit;        // bytes per allocation unit
  uint64_t free_units;  // allocation units available to the caller
};

// The two disk queries, as the platform offers them. `space` is the basic
// query and is always present; `avail_bytes` is the extended one that
// reports the free bytes directly, and may be null where a platform lacks it.
// Both return false when the file system cannot be asked.
struct disk_queries {
  bool (*space)(const char* path, fs_space* out);
  bool (*avail_bytes)(const char* path, uint64_t* bytes);
};

// The queries in force. They start as fs_space_of and fs_avail_bytes (null
// where the system lacks the extended query); a
// program (or a test) may put in others, for example to model a drive of a
// given size, and restore them after.
extern disk_queries disk_platform;

// native_path: a new heap copy (getmem) of path with its separating
// backslashes turned into slashes; the caller frees it with freemem. Null
// only when getmem fails softly.
char* native_path(const char* path);

// fs_space_of: fills out for the file system that holds path (the path or
// its nearest existing parent). False when the system fails for a reason other
// than a missing component, or reports no allocation unit.
bool fs_space_of(const char* path, fs_space* out);

// fs_avail_bytes: the bytes available to the caller on the file system that
// holds path, saturated at UINT64_MAX. False as for fs_space_of.
bool fs_avail_bytes(const char* path, uint64_t* bytes);

// path_is_dir: true when path names an existing directory.
bool path_is_dir(const char* path);

// open_file: fopen of the native form of path. A directory is never opened
// as a file, in any mode: that gives null, as a failed fopen does.
FILE* open_file(const char* path, const char* mode);

}  // namespace quorl

#endif
