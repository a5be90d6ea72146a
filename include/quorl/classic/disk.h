// Disk queries: allocation unit and free space of the drive that holds a path.
//
// The drive of a path is the file system that holds it, or its nearest
// existing parent while the path does not exist yet; a backslash that stands
// alone in a path is taken for a slash. Both queries fail quietly: the
// cluster size is 0 and the free space -1 when the file system cannot be
// asked.
#ifndef QUORL_CLASSIC_DISK_H
#define QUORL_CLASSIC_DISK_H

#include <cstdint>

namespace quorl {

// The free bytes found by the last getFreeSpace call, at full width, or -1.0
// when that query failed.
extern double FreeDiskSpace;

// The extended free-space query, looked up afresh by every getFreeSpace
// call; null when the platform offers none, and getFreeSpace then counts
// free allocation units instead.
using free_space_ex_fn = bool (*)(const char* path, uint64_t* bytes);
extern free_space_ex_fn free_space_ex;

// getClusterSize: bytes per allocation unit of the drive of path; 0 when the
// query fails or the unit does not fit an int.
int getClusterSize(const char* path);

// getFreeSpace: the bytes available to the caller on the drive of path,
// capped at 2147483647; -1 when the query fails. Also sets FreeDiskSpace.
int getFreeSpace(const char* path);

}  // namespace quorl

#endif
