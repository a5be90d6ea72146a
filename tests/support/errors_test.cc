#include "support/errors.h"

#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

namespace quorl {
namespace {

std::string edit(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  std::string s = err_edit(fmt, ap);
  va_end(ap);
  return s;
}

// Formatting: each case is one call with its own arguments, so the table
// holds the result of the call rather than the arguments.
struct EditCase {
  const char* name;
  std::string got;
  std::string want;
};

TEST(ErrEdit, Conversions) {
  const EditCase cases[] = {
      {"s", edit("%s: not found\n", "abc"), "abc: not found\n"},
      {"c", edit("[%c]", 65), "[A]"},
      {"x lower case", edit("%x", 255), "ff"},
      {"x negative", edit("%x", -1), "ffffffff"},
      {"d negative", edit("%d", -1), "-1"},
      {"f six decimals", edit("%f", 1.5), "1.500000"},
      {"percent percent stays", edit("100%% sure"), "100%% sure"},
      {"width is not read; argument moves on", edit("%5d|%d", 7), "%5d|7"},
      {"length modifier is not read", edit("%ld %d", 3), "%ld 3"},
      {"backslash escapes the percent", edit("\\%d %d", 4), "%d 4"},
      {"backslash before a letter", edit("a\\nb%d", 1), "anb1"},
      {"backslash at the end is kept", edit("x%d\\", 2), "x2\\"},
      {"lone percent at the end", edit("50%"), "50%"},
      {"second byte 0x5C is an escape here", edit("\x95\\%d", 9), "\x95%d"},
      {"several conversions in order", edit("%s=%d (%c)", "k", 12, 'z'), "k=12 (z)"},
  };
  for (const EditCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.got, c.want);
  }
}

TEST(ErrEdit, LongTextsAreCutAtTheLimits) {
  const std::string t2000(2000, 'a');
  // A long %s at the start keeps its first 768 bytes; the format goes on.
  EXPECT_EQ(edit("%s!\n", t2000.c_str()), std::string(768, 'a') + "!\n");

  // A %s that brings the message to exactly 1024 bytes is copied whole.
  const std::string head(24, 'h');
  const std::string fits(1000, 'f');
  EXPECT_EQ(edit("hhhhhhhhhhhhhhhhhhhhhhhh%s", fits.c_str()), head + fits);
  // One byte more and only 768 - 24 bytes of it are taken.
  const std::string over(1001, 'f');
  EXPECT_EQ(edit("hhhhhhhhhhhhhhhhhhhhhhhh%s.", over.c_str()), head + std::string(744, 'f') + ".");

  // Plain text stops at 1024 bytes and loses its final newline.
  std::string plain(1100, 'p');
  plain += "%d\n";
  EXPECT_EQ(edit(plain.c_str(), 1), std::string(1024, 'p'));

  // With more than 768 bytes written, a %s that does not fit adds nothing.
  std::string lead(800, 'l');
  lead += "%s|";
  EXPECT_EQ(edit(lead.c_str(), t2000.c_str()), std::string(800, 'l') + "|");
}

TEST(ErrEdit, AConversionNearTheLimitNeverRunsPastTheBuffer) {
  std::string lead(1023, 'l');
  lead += "%f";
  std::string got = edit(lead.c_str(), 1e300);
  EXPECT_EQ(got.size(), static_cast<size_t>(ERR_BUF_SIZE - 1));
  EXPECT_EQ(got.substr(1023, 5), "10000");
}

TEST(Strchr, StepsOverDoubleByteCharacters) {
  const char text[] = "z\x82\x61" "b\x95\\c";
  struct Case {
    const char* name;
    int c;
    long offset;  // -1: not found
  } cases[] = {
      {"plain byte", 'b', 3},
      {"second byte is not matched", 0x61, -1},
      {"backslash as a second byte is not matched", '\\', -1},
      {"lead byte itself", 0x95, 4},
      {"low 8 bits count", 0x100 + 'c', 6},
      {"NUL is never found", 0, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    char* p = Strchr(text, c.c);
    EXPECT_EQ(p == nullptr ? -1 : p - text, c.offset);
  }
  // A lead byte before the NUL is an ordinary byte.
  const char tail[] = "x\x82";
  EXPECT_EQ(Strchr(tail, 0x82), tail + 1);
}

class ErrmsgTest : public ::testing::Test {
 protected:
  void TearDown() override {
    errfp = nullptr;
    errmsgWrite_flg = 0;
    errmsgf("end");
  }
};

TEST_F(ErrmsgTest, WritesToStandardErrorAndSetsTheFlag) {
  errmsg_output_flg = 0;
  testing::internal::CaptureStderr();
  errmsg("%s: not found\n", "abc");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "abc: not found\n");
  EXPECT_EQ(errmsg_output_flg, 1);
}

TEST_F(ErrmsgTest, FormatWithoutPercentIsWrittenAsItStands) {
  std::string text(1500, 'z');
  text += "\\n\n";
  testing::internal::CaptureStderr();
  errmsg(text.c_str());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), text);
}

TEST_F(ErrmsgTest, StreamSelection) {
  errfp = ERRFP_STDOUT;
  testing::internal::CaptureStdout();
  errmsg("one %d\n", 1);
  errmsg1("two %d\n", 2);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "one 1\ntwo 2\n");

  FILE* f = std::tmpfile();
  errfp = f;
  errmsg_output_flg = 0;
  testing::internal::CaptureStderr();
  errmsg1("to the stream\n");
  errmsg("still stderr\n");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "still stderr\n");
  std::rewind(f);
  char buf[64] = {};
  EXPECT_EQ(std::fread(buf, 1, sizeof buf - 1, f), 14u);
  EXPECT_STREQ(buf, "to the stream\n");
  std::fclose(f);
}

TEST_F(ErrmsgTest, Errmsg1LeavesTheFlagAlone) {
  errmsg_output_flg = 0;
  testing::internal::CaptureStderr();
  errmsg1("x\n");
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(errmsg_output_flg, 0);
}

TEST_F(ErrmsgTest, LogFileLifecycle) {
  namespace fs = std::filesystem;
  const fs::path old = fs::current_path();
  const fs::path dir = fs::temp_directory_path() / ("quorl-log-" + std::to_string(getpid()));
  fs::create_directories(dir);
  fs::current_path(dir);
  auto read_log = [] {
    std::ifstream f("message.log", std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
  };

  EXPECT_EQ(errmsgf("off %d", 1), 0);
  EXPECT_FALSE(fs::exists("message.log"));

  errmsgWrite_flg = 1;
  errmsgf("first %d", 1);
  errmsgf("second\n");
  errmsgf("end");
  EXPECT_EQ(read_log(), "first 1\nsecond\n\n");
  errmsgf("again");
  errmsgf("end");
  EXPECT_EQ(read_log(), "again\n");

  fs::current_path(old);
  fs::remove_all(dir);
}

TEST_F(ErrmsgTest, LogThatCannotBeCreatedIsReported) {
  namespace fs = std::filesystem;
  const fs::path old = fs::current_path();
  const fs::path dir = fs::temp_directory_path() / ("quorl-nolog-" + std::to_string(getpid()));
  fs::create_directories(dir / "message.log");  // a directory where the file would go
  fs::current_path(dir);
  errmsgWrite_flg = 1;
  EXPECT_EQ(errmsgf("lost"), -1);
  EXPECT_EQ(logfp, nullptr);
  fs::current_path(old);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace quorl
