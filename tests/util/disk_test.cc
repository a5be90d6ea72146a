#include "quorl/classic/disk.h"

#include <climits>
#include <string>

#include <gtest/gtest.h>

#include "util/platform.h"
#include "util/scratch_fs.h"

namespace quorl {
namespace {

using testing_fs::ScratchDir;
using testing_fs::TmpfsMount;
using testing_fs::write_file;

// ---- A modelled drive: the queries answer with what the test sets.

struct FakeDrive {
  bool space_ok = true;
  fs_space space = {4096, 0};
  bool avail_ok = true;
  uint64_t avail = 0;
  std::string last_path;
};
FakeDrive drive;

bool fake_space(const char* path, fs_space* out) {
  drive.last_path = path;
  if (!drive.space_ok) return false;
  *out = drive.space;
  return true;
}

bool fake_avail(const char* path, uint64_t* bytes) {
  drive.last_path = path;
  if (!drive.avail_ok) return false;
  *bytes = drive.avail;
  return true;
}

class FakeDriveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved = disk_platform;
    drive = FakeDrive{};
  }
  void TearDown() override { disk_platform = saved; }
  disk_queries saved;
};

TEST_F(FakeDriveTest, FreeSpaceThroughTheExtendedQuery) {
  struct Case {
    const char* title;
    bool ok;
    uint64_t avail;
    int result;
    double full;
  } cases[] = {
      {"small", true, 12345, 12345, 12345.0},
      {"none left", true, 0, 0, 0.0},
      {"just fits an int", true, 2147483647ULL, 2147483647, 2147483647.0},
      {"one more is capped", true, 2147483648ULL, 2147483647, 2147483648.0},
      {"beyond 32 bits", true, 5ULL << 40, 2147483647, 5497558138880.0},
      {"query fails", false, 99, -1, -1.0},
  };
  disk_platform = {fake_space, fake_avail};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    drive.avail_ok = c.ok;
    drive.avail = c.avail;
    EXPECT_EQ(getFreeSpace("C:\\dir\\file"), c.result);
    EXPECT_EQ(FreeDiskSpace, c.full);
    EXPECT_EQ(free_space_ex, fake_avail);
    EXPECT_EQ(drive.last_path, "C:\\dir\\file");
  }
}

TEST_F(FakeDriveTest, FreeSpaceFromUnitsWhenTheExtendedQueryIsMissing) {
  struct Case {
    const char* title;
    bool ok;
    fs_space space;
    int result;
    double full;
  } cases[] = {
      {"units times unit", true, {512, 10}, 5120, 5120.0},
      {"no unit free", true, {4096, 0}, 0, 0.0},
      // 32-bit products would wrap here; the full value is kept.
      {"product beyond 32 bits", true, {4096, 1048576}, 2147483647, 4294967296.0},
      {"product beyond 64 bits", true, {1ULL << 32, 1ULL << 40}, 2147483647, 0x1p72},
      {"query fails", false, {4096, 10}, -1, -1.0},
  };
  disk_platform = {fake_space, nullptr};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    drive.space_ok = c.ok;
    drive.space = c.space;
    EXPECT_EQ(getFreeSpace("x"), c.result);
    EXPECT_EQ(FreeDiskSpace, c.full);
    EXPECT_EQ(free_space_ex, nullptr);
  }
}

TEST_F(FakeDriveTest, ClusterSize) {
  struct Case {
    const char* title;
    bool ok;
    uint64_t unit;
    int result;
  } cases[] = {
      {"sector-sized", true, 512, 512},
      {"page-sized", true, 4096, 4096},
      {"largest int", true, INT_MAX, INT_MAX},
      {"too large for an int", true, uint64_t{INT_MAX} + 1, 0},
      {"query fails", false, 4096, 0},
  };
  disk_platform = {fake_space, fake_avail};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    drive.space_ok = c.ok;
    drive.space.unit = c.unit;
    EXPECT_EQ(getClusterSize("d:\\x"), c.result);
  }
}

// ---- The real file system

TEST(DiskOnTmpfs, PathsMapToTheFileSystemThatHoldsThem) {
  TmpfsMount fs(64, false);
  if (!fs.ok()) GTEST_SKIP() << fs.error();
  ASSERT_TRUE(std::filesystem::create_directory(fs / "sub"));
  ASSERT_TRUE(write_file(fs / "sub/file", ""));
  const std::string root = fs.path();
  struct Case {
    const char* title;
    std::string path;
  } cases[] = {
      {"the mount point", root},
      {"with a trailing slash", root + "/"},
      {"a directory in it", root + "/sub"},
      {"a file in it", root + "/sub/file"},
      {"a file not made yet", root + "/sub/new.txt"},
      {"several missing levels", root + "/no/such/dir/x"},
      {"under a file", root + "/sub/file/x"},
      {"backslashes", root + "\\sub\\new.txt"},
      {"backslashes and slashes", root + "\\no/such\\x"},
      {"doubled separators", root + "//sub\\\\x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    EXPECT_EQ(getClusterSize(c.path.c_str()), 4096);
    EXPECT_EQ(getFreeSpace(c.path.c_str()), 65536);
    EXPECT_EQ(FreeDiskSpace, 65536.0);
  }
}

TEST(DiskOnTmpfs, FreeSpaceShrinksAsTheDriveFills) {
  TmpfsMount fs(64, false);
  if (!fs.ok()) GTEST_SKIP() << fs.error();
  std::string file = fs / "f";
  struct Case {
    size_t bytes;
    int free;
  } cases[] = {{1, 61440}, {4096, 61440}, {4097, 57344}, {65536, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    ASSERT_TRUE(write_file(file, std::string(c.bytes, 'x')));
    EXPECT_EQ(getFreeSpace(file.c_str()), c.free);
  }
}

TEST(DiskOnHost, QueriesThatCannotBeAnsweredFail) {
  ScratchDir dir;
  ASSERT_TRUE(dir.ok());
  // A component longer than any file system allows is not a missing name
  // that a parent could stand for: the query fails.
  std::string too_long = dir / std::string(300, 'n');
  EXPECT_EQ(getClusterSize(too_long.c_str()), 0);
  EXPECT_EQ(getFreeSpace(too_long.c_str()), -1);
  EXPECT_EQ(FreeDiskSpace, -1.0);
}

TEST(DiskOnHost, RelativeAndEmptyPathsUseTheCurrentDirectory) {
  fs_space space;
  ASSERT_TRUE(fs_space_of(".", &space));
  const char* paths[] = {"", "no-such-file.txt", "no\\such\\dir", "C:", "C:\\x"};
  for (const char* p : paths) {
    SCOPED_TRACE(p);
    EXPECT_EQ(getClusterSize(p), static_cast<int>(space.unit));
    EXPECT_GE(getFreeSpace(p), 0);
    EXPECT_GE(FreeDiskSpace, 0.0);
  }
}

}  // namespace
}  // namespace quorl
