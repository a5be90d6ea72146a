#include "quorl/classic/tabs.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "support/exit.h"

namespace quorl {
namespace {

struct Case {
  int tab;
  std::string s;
  std::string want;  // the expansion; empty with fits == false
  bool fits;
};

const Case kCases[] = {
    {8, "\tx", std::string(8, ' ') + "x", true},
    {4, "a\tb", "a   b", true},
    {4, "abcd\t", "abcd    ", true},
    {8, "", "", true},
    {1, "\t\t", "  ", true},
    {3, "ab\tc\t", "ab c  ", true},
    // A tab width below 1 counts as 1.
    {0, "\t", " ", true},
    {-3, "a\t", "a ", true},
    // Either byte of a double-byte character takes a column.
    {2, "\x88\x9F\tx", "\x88\x9F  x", true},
    {3, "\x95\x5C\t", "\x95\x5C ", true},
    // The area holds 4095 bytes of expansion and the NUL.
    {8, std::string(4095, 'a'), std::string(4095, 'a'), true},
    {4095, "\t", std::string(4095, ' '), true},
    {8, std::string(4087, 'a') + "\t", std::string(4087, 'a') + " ", true},
    {8, std::string(4096, 'a'), "", false},
    {4096, "\t", "", false},
    {4096, "a\t", "", false},
    {8, std::string(4088, 'a') + "\t", "", false},
    {INT_MAX, "\t", "", false},
};

TEST(TabsTest, ChkExptabMeasures) {
  for (const Case& c : kCases) {
    SCOPED_TRACE("tab=" + std::to_string(c.tab) + " len=" + std::to_string(c.s.size()));
    EXPECT_EQ(chk_exptab(c.tab, c.s.c_str()),
              c.fits ? static_cast<int>(c.want.size()) + 1 : -1);
  }
}

TEST(TabsTest, ExpTabExpands) {
  for (const Case& c : kCases) {
    if (!c.fits) continue;
    SCOPED_TRACE("tab=" + std::to_string(c.tab) + " len=" + std::to_string(c.s.size()));
    char* got = exp_tab(c.tab, c.s.c_str());
    EXPECT_EQ(got, exptab_area);
    EXPECT_EQ(std::string(got), c.want);
  }
}

struct Ended {
  int status;
};

void throw_status(int status) { throw Ended{status}; }

// expected_message: the line exp_tab prints, with s cut or padded to 256 bytes.
std::string expected_message(const std::string& s) {
  std::string field = s.substr(0, 256);
  field.insert(0, 256 - field.size(), ' ');
  return "Error: " + field + " ... too long line\n";
}

TEST(TabsTest, ExpTabEndsTheProcessOnOverlongLines) {
  for (const Case& c : kCases) {
    if (c.fits) continue;
    SCOPED_TRACE("tab=" + std::to_string(c.tab) + " len=" + std::to_string(c.s.size()));
    exit_hook = throw_status;
    testing::internal::CaptureStdout();
    int status = -1;
    try {
      exp_tab(c.tab, c.s.c_str());
    } catch (const Ended& e) {
      status = e.status;
    }
    const std::string out = testing::internal::GetCapturedStdout();
    exit_hook = nullptr;
    EXPECT_EQ(status, 1);
    EXPECT_EQ(out, expected_message(c.s));
  }
}

}  // namespace
}  // namespace quorl
