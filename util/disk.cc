#include "quorl/classic/disk.h"

#include <climits>

#include "util/platform.h"

namespace quorl {

double FreeDiskSpace = -1.0;
free_space_ex_fn free_space_ex = nullptr;

int getClusterSize(const char* path) {
  fs_space space;
  if (!disk_platform.space(path, &space)) return 0;
  if (space.unit > static_cast<uint64_t>(INT_MAX)) return 0;
  return static_cast<int>(space.unit);
}

int getFreeSpace(const char* path) {
  free_space_ex = disk_platform.avail_bytes;
  if (free_space_ex != nullptr) {
    uint64_t bytes = 0;
    FreeDiskSpace = free_space_ex(path, &bytes) ? static_cast<double>(bytes) : -1.0;
  } else {
    // Units times unit size, in floating point: no product of the two can
    // wrap, however large the drive.
    fs_space space;
    FreeDiskSpace = disk_platform.space(path, &space)
                        ? static_cast<double>(space.free_units) * static_cast<double>(space.unit)
                        : -1.0;
  }
  if (FreeDiskSpace > 2147483647.0) return 2147483647;
  return static_cast<int>(FreeDiskSpace);
}

}  // namespace quorl
