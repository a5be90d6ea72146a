// File and path utilities: closing a written file with a disk check, copying
// a file in allocation-unit blocks, the directory test, and taking paths
// apart or ordering them.
//
// Paths are NUL-terminated bytes whose components are separated by a
// backslash or a slash, counted by characters: a Shift_JIS double-byte
// character is stepped over whole, so its second byte is never taken for a
// backslash; a backslash that stands alone is taken for a slash when a file
// is opened. Messages go through errmsg; returned positions point into the
// caller's path.
#ifndef QUORL_CLASSIC_FILES_H
#define QUORL_CLASSIC_FILES_H

#include <cstdio>

namespace quorl {

// Fclose: closes stream, which was written to path, then checks that the
// drive of path still has room. 0 on success; the nonzero result of fclose
// (no message) when the close fails; -1 after "%c drive: no free disk
// space\n" (when path begins with a drive letter and ':') or "no free disk
// space\n" when no byte is left or the free space cannot be asked.
int Fclose(FILE* stream, const char* path);

// copyFile: copies the file src to dst in blocks of dst's allocation unit
// (1024 bytes when that is unknown). 1 on success, 0 on failure. With mode
// 1 an existing dst is kept and the copy fails; any other mode overwrites.
// A src that cannot be opened leaves dst untouched. A block not written
// whole, or a failed close or full drive at the end, prints "%s: writing
// error\n" with dst (after any message of Fclose).
int copyFile(const char* src, const char* dst, int mode);

// isDir: 1 when path names an existing directory, else 0.
int isDir(const char* path);

// findExt: the last "." of the last component of path, or null when that
// component has none.
char* findExt(const char* path);

// sepname: splits path after its first component holding "*" or "?": the
// separator that ends that component is overwritten with NUL in path, the
// part before it is copied to head and the part after it to rest. Without a
// wildcard, or with it in the last component, path is copied whole to head
// and rest is empty. head and rest are separate buffers of at least
// strlen(path) + 1 bytes. Always 0.
int sepname(char* path, char* head, char* rest);

// comp_file: qsort ordering of an array of pointers to records whose first
// member is a path pointer; a and b point to two array elements. Paths with
// fewer separators come first (-1 or 1); equal counts give StrCmp.
int comp_file(const void* a, const void* b);

}  // namespace quorl

#endif
