#include "quorl/classic/files.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "util/platform.h"
#include "util/scratch_fs.h"

namespace quorl {
namespace {

using testing_fs::pattern;
using testing_fs::read_file;
using testing_fs::ScratchDir;
using testing_fs::TmpfsMount;
using testing_fs::write_file;

// ---- findExt

TEST(FindExt, LastDotOfTheLastComponent) {
  struct Case {
    const char* path;
    int offset;  // -1: null
  } cases[] = {
      {"a.tar.gz", 5},
      {"dir.d\\name", -1},
      {"dir.d/name", -1},
      {"dir.d\\name.txt", 10},
      {"a\\b.c/d", -1},
      {"a/b.c\\d", -1},
      {".profile", 0},
      {"name.", 4},
      {"dir\\", -1},
      {"", -1},
      {"C:file.x", 6},
      // The second byte of the double-byte character is 0x5C, not a
      // separator: the last component is the whole path.
      {"x.y\x95\\z", 1},
      // A real separator after a double-byte character.
      {"x.y\x95\x40\\z", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    char* ext = findExt(c.path);
    if (c.offset < 0)
      EXPECT_EQ(ext, nullptr);
    else
      EXPECT_EQ(ext, c.path + c.offset);
  }
}

// ---- sepname

TEST(Sepname, SplitsAfterTheFirstWildcardComponent) {
  struct Case {
    const char* path;
    const char* head;
    const char* rest;
  } cases[] = {
      {"a\\b*\\c\\d", "a\\b*", "c\\d"},
      {"a/b?/c/d", "a/b?", "c/d"},
      {"a\\b*/c\\d", "a\\b*", "c\\d"},
      {"*\\x", "*", "x"},
      {"a\\b\\c", "a\\b\\c", ""},
      {"a\\b\\*.txt", "a\\b\\*.txt", ""},
      {"a*b?\\c*\\d", "a*b?", "c*\\d"},
      {"a*\\", "a*", ""},
      {"", "", ""},
      // The 0x5C inside the double-byte character after the wildcard does
      // not end the component.
      {"w*\x95\\x\\y", "w*\x95\\x", "y"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    std::string path = c.path;
    std::string head(path.size() + 1, '#');
    std::string rest(path.size() + 1, '#');
    EXPECT_EQ(sepname(path.data(), head.data(), rest.data()), 0);
    EXPECT_STREQ(head.c_str(), c.head);
    EXPECT_STREQ(rest.c_str(), c.rest);
    EXPECT_STREQ(path.c_str(), c.head);  // the path is cut in place
  }
}

// ---- comp_file

struct FileRecord {
  const char* path;
  int size;
};

int compare_paths(const char* a, const char* b) {
  FileRecord ra = {a, 0};
  FileRecord rb = {b, 0};
  FileRecord* pa = &ra;
  FileRecord* pb = &rb;
  return comp_file(&pa, &pb);
}

TEST(CompFile, ShallowPathsFirstThenCollatingOrder) {
  struct Case {
    const char* a;
    const char* b;
    int result;
  } cases[] = {
      {"z\\a", "a\\b\\c", -1},
      {"a\\b\\c", "z\\a", 1},
      {"a\\B", "a\\b", 0},
      {"a\\b", "a\\c", -1},
      {"b", "a", 1},
      {"z/a", "a\\b/c", -1},  // slashes count as separators too
      {"a\\b", "a/b", -1},    // equal depth: the backslash sorts first
      {"\x95\\x", "a\\b", -1},  // the 0x5C of a double-byte character is no separator
      {"", "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
    EXPECT_EQ(compare_paths(c.a, c.b), c.result);
  }
}

TEST(CompFile, SortsAnArrayOfRecordPointers) {
  FileRecord recs[] = {{"a\\b\\c", 1}, {"B\\x", 2}, {"z", 3}, {"a\\y", 4}};
  std::vector<FileRecord*> arr;
  for (FileRecord& r : recs) arr.push_back(&r);
  std::qsort(arr.data(), arr.size(), sizeof(FileRecord*), comp_file);
  std::vector<int> order;
  for (FileRecord* r : arr) order.push_back(r->size);
  EXPECT_EQ(order, (std::vector<int>{3, 4, 2, 1}));
}

// ---- isDir

TEST(IsDir, DirectoriesOnly) {
  ScratchDir dir;
  ASSERT_TRUE(dir.ok());
  ASSERT_TRUE(std::filesystem::create_directory(dir / "sub"));
  ASSERT_TRUE(write_file(dir / "sub/file", "x"));
  const std::string d = dir.path();
  struct Case {
    std::string path;
    int result;
  } cases[] = {
      {d, 1},
      {d + "/sub", 1},
      {d + "\\sub", 1},
      {d + "\\sub\\", 1},
      {d + "/sub/file", 0},
      {d + "\\sub\\file", 0},
      {d + "/missing", 0},
      {"", 0},
      {".", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(isDir(c.path.c_str()), c.result);
  }
}

// ---- Fclose on a modelled drive

struct Room {
  bool ok;
  uint64_t bytes;
};
Room room;

bool room_avail(const char*, uint64_t* bytes) {
  *bytes = room.bytes;
  return room.ok;
}

TEST(Fclose, ChecksTheRoomLeftAfterClosing) {
  ScratchDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string file = dir / "out";
  disk_queries saved = disk_platform;
  disk_platform.avail_bytes = room_avail;
  struct Case {
    const char* title;
    const char* name;  // the path Fclose is told
    Room room;
    int result;
    const char* message;
  } cases[] = {
      {"room left", "C:\\out", {true, 1}, 0, ""},
      {"plenty", "out", {true, 1ULL << 40}, 0, ""},
      {"full, drive letter", "C:\\out", {true, 0}, -1, "C drive: no free disk space\n"},
      {"full, lower-case letter", "d:out", {true, 0}, -1, "d drive: no free disk space\n"},
      {"full, no drive letter", "\\out", {true, 0}, -1, "no free disk space\n"},
      {"query fails", "C:\\out", {false, 0}, -1, "C drive: no free disk space\n"},
      {"query fails, no letter", "out", {false, 0}, -1, "no free disk space\n"},
      {"empty path", "", {true, 0}, -1, "no free disk space\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    room = c.room;
    FILE* fp = std::fopen(file.c_str(), "wb");
    ASSERT_NE(fp, nullptr);
    std::fputs("data", fp);
    testing::internal::CaptureStderr();
    int rc = Fclose(fp, c.name);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message);
    EXPECT_EQ(rc, c.result);
    EXPECT_EQ(read_file(file), "data");  // closed and flushed either way
  }
  disk_platform = saved;
}

TEST(Fclose, AFailedCloseIsReturnedWithoutAMessage) {
  FILE* probe = std::fopen("/dev/full", "wb");
  const bool refuses = probe != nullptr && std::fputs("x", probe) >= 0 && std::fclose(probe) != 0;
  if (!refuses) GTEST_SKIP() << "no /dev/full whose close fails here";
  FILE* fp = std::fopen("/dev/full", "wb");
  // Capturing flushes every stream, so it starts before the write, which
  // then stays buffered until the close.
  testing::internal::CaptureStderr();
  std::fputs("never fits", fp);
  int rc = Fclose(fp, "/dev/full");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(rc, EOF);
}

// ---- copyFile on the host file system

class CopyFileTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir.ok()); }
  std::string at(const std::string& name) { return dir / name; }
  ScratchDir dir;
};

TEST_F(CopyFileTest, CopiesAndRespectsTheMode) {
  struct Case {
    const char* title;
    std::string src_text;  // "<missing>": no source file
    std::string dst_text;  // "<missing>": no destination before the copy
    int mode;
    int result;
    std::string after;  // the destination after the copy
  } cases[] = {
      {"new file", "hello", "<missing>", 0, 1, "hello"},
      {"overwrite", "new", "old contents", 0, 1, "new"},
      {"other modes overwrite too", "new", "old", 2, 1, "new"},
      {"mode 1 keeps an existing file", "new", "old", 1, 0, "old"},
      {"mode 1 keeps an empty file", "new", "", 1, 0, ""},
      {"mode 1 onto a new file", "new", "<missing>", 1, 1, "new"},
      {"empty source", "", "old", 0, 1, ""},
      {"binary bytes", std::string("a\0b\r\n\x95\\\xff", 8), "<missing>", 0, 1,
       std::string("a\0b\r\n\x95\\\xff", 8)},
      {"several blocks", pattern(3 * 4096 + 17), "x", 0, 1, pattern(3 * 4096 + 17)},
      {"exactly one block", pattern(4096), "<missing>", 0, 1, pattern(4096)},
      // The source is opened first: a missing one leaves the destination
      // as it was, and creates none.
      {"missing source, existing destination", "<missing>", "keep me", 0, 0, "keep me"},
      {"missing source, no destination", "<missing>", "<missing>", 0, 0, "<missing>"},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    std::string src = at("src" + std::to_string(n));
    std::string dst = at("dst" + std::to_string(n));
    ++n;
    if (c.src_text != "<missing>") {
      ASSERT_TRUE(write_file(src, c.src_text));
    }
    if (c.dst_text != "<missing>") {
      ASSERT_TRUE(write_file(dst, c.dst_text));
    }
    testing::internal::CaptureStderr();
    EXPECT_EQ(copyFile(src.c_str(), dst.c_str(), c.mode), c.result);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(read_file(dst), c.after);
  }
}

TEST_F(CopyFileTest, PathsWithBackslashesAndSlashes) {
  ASSERT_TRUE(std::filesystem::create_directory(at("in")));
  ASSERT_TRUE(std::filesystem::create_directory(at("out")));
  ASSERT_TRUE(write_file(at("in/a.txt"), "text"));
  const std::string d = dir.path();
  struct Case {
    std::string src;
    std::string dst;
    std::string written;  // where the copy lands, in slash form
  } cases[] = {
      {d + "\\in\\a.txt", d + "\\out\\b1.txt", at("out/b1.txt")},
      {d + "/in\\a.txt", d + "\\out/b2.txt", at("out/b2.txt")},
      {d + "/in/a.txt", d + "/out/b3.txt", at("out/b3.txt")},
      {d + "\\\\in\\a.txt", d + "\\out\\\\b4.txt", at("out/b4.txt")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.src + " -> " + c.dst);
    EXPECT_EQ(copyFile(c.src.c_str(), c.dst.c_str(), 0), 1);
    EXPECT_EQ(read_file(c.written), "text");
  }
}

TEST_F(CopyFileTest, PlacesThatCannotBeOpenedFailQuietly) {
  ASSERT_TRUE(std::filesystem::create_directory(at("adir")));
  ASSERT_TRUE(write_file(at("file"), "content"));
  struct Case {
    const char* title;
    std::string src;
    std::string dst;
  } cases[] = {
      {"source is a directory", at("adir"), at("d1")},
      {"destination is a directory", at("file"), at("adir")},
      {"destination in a missing directory", at("file"), at("nodir/d2")},
      {"destination under a file", at("file"), at("file/d3")},
      {"empty destination name", at("file"), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    testing::internal::CaptureStderr();
    EXPECT_EQ(copyFile(c.src.c_str(), c.dst.c_str(), 0), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  }
  EXPECT_EQ(read_file(at("file")), "content");
  EXPECT_FALSE(std::filesystem::exists(at("d1")));
  EXPECT_TRUE(std::filesystem::is_directory(at("adir")));
}

TEST_F(CopyFileTest, WriteErrorsAreReported) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  ASSERT_TRUE(write_file(at("big"), pattern(20000)));
  ASSERT_TRUE(write_file(at("small"), "x"));
  struct Case {
    const char* title;
    std::string src;
    const char* dst;
  } cases[] = {
      {"a block is refused", at("big"), "/dev/full"},
      {"the close is refused", at("small"), "/dev/full"},
      // The message names the destination as it was given.
      {"backslash path", at("small"), "\\dev\\full"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    testing::internal::CaptureStderr();
    EXPECT_EQ(copyFile(c.src.c_str(), c.dst, 0), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), std::string(c.dst) + ": writing error\n");
  }
}

TEST_F(CopyFileTest, ReadErrorsAreReportedNotTakenForTheEnd) {
  // Reading /proc/self/mem from its start fails with an I/O error.
  if (std::FILE* f = std::fopen("/proc/self/mem", "rb")) {
    std::fclose(f);
  } else {
    GTEST_SKIP() << "no /proc/self/mem here";
  }
  const std::string dst = at("copy");
  testing::internal::CaptureStderr();
  EXPECT_EQ(copyFile("/proc/self/mem", dst.c_str(), 0), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "/proc/self/mem: reading error\n");
}

// ---- copyFile onto small drives

TEST(CopyFileOnTmpfs, ADriveLeftWithoutRoomIsAFailure) {
  TmpfsMount fs(64, false);
  if (!fs.ok()) GTEST_SKIP() << fs.error();
  ScratchDir host;
  ASSERT_TRUE(host.ok());
  struct Case {
    const char* title;
    size_t bytes;
    int result;
    std::string before;  // messages before and after "<dst>: writing error"
    std::string after;
  } cases[] = {
      {"fits with room to spare", 65536 - 4096, 1, "", ""},
      {"fills the drive exactly", 65536, 0, "no free disk space\n", ""},
      // The refused block is reported at once; closing then finds the drive
      // full as well.
      {"does not fit", 65536 + 4096, 0, "", "no free disk space\n"},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    std::string src = host / ("src" + std::to_string(n++));
    std::string dst = fs / "dst";
    ASSERT_TRUE(write_file(src, pattern(c.bytes)));
    std::filesystem::remove(dst);
    testing::internal::CaptureStderr();
    EXPECT_EQ(copyFile(src.c_str(), dst.c_str(), 0), c.result);
    std::string err = testing::internal::GetCapturedStderr();
    if (c.result == 1) {
      EXPECT_EQ(err, "");
      EXPECT_EQ(read_file(dst), pattern(c.bytes));
    } else {
      EXPECT_EQ(err, c.before + dst + ": writing error\n" + c.after);
    }
  }
}

TEST(CopyFileOnTmpfs, ReadOnlyDriveIsRefused) {
  TmpfsMount fs(64, true);
  if (!fs.ok()) GTEST_SKIP() << fs.error();
  ScratchDir host;
  ASSERT_TRUE(host.ok());
  std::string src = host / "src";
  ASSERT_TRUE(write_file(src, "data"));
  std::string dst = fs / "dst";
  std::string dst_back = fs.path() + "\\dst";
  const std::string* targets[] = {&dst, &dst_back};
  for (const std::string* t : targets) {
    SCOPED_TRACE(*t);
    testing::internal::CaptureStderr();
    EXPECT_EQ(copyFile(src.c_str(), t->c_str(), 0), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(std::filesystem::exists(dst));
  }
}

}  // namespace
}  // namespace quorl
