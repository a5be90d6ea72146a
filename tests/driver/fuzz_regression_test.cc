// Faults found by running the whole command line in-process under a fuzzer,
// pinned.
#include <dirent.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "driver/cli.h"
#include "support/line_file.h"
#include "support/exit.h"

namespace quorl {
namespace {

struct Ended {
  int status;
};

void throw_ended(int status) { throw Ended{status}; }

int open_fds() {
  int n = 0;
  DIR* d = opendir("/proc/self/fd");
  if (d == nullptr) return -1;
  while (readdir(d) != nullptr) ++n;
  closedir(d);
  return n;
}

// run_in_process: the status of one whole command line run here.
int run_in_process(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  int status = -1;
  exit_hook = throw_ended;
  try {
    run(static_cast<int>(args.size()), argv.data());
  } catch (const Ended& e) {
    status = e.status;
  }
  exit_hook = nullptr;
  std::fflush(stdout);
  return status;
}

// A run that ended inside a rule file or an input file, with an exit hook
// that throws, kept that file open: every such run cost a descriptor until
// none was left and every file read as missing.
TEST(DriverFuzzRegression, RunEndedInsideAFileLeavesItClosed) {
  const std::string dir = (std::filesystem::temp_directory_path() / "quorl-fdleak").string();
  std::filesystem::create_directories(dir);
  const std::string input = dir + "/in.txt";
  const std::string rules = dir + "/rules.txt";
  std::ofstream(input) << "a b\nc d\n";
  std::ofstream(rules) << "a:b\n" << std::string(LINE_LIMIT, 'x') << "\n";

  struct Case {
    const char* name;
    std::vector<std::string> args;
  };
  const Case cases[] = {
      {"bad template at the first input line", {"quorl", "-e", "$(", "-f", input}},
      {"bad <to> at the first input line", {"quorl", "-r", "a:$q", "-f", input}},
      {"too long rule-file line", {"quorl", "-R", rules, "x"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int before = open_fds();
    for (int i = 0; i < 5; ++i) EXPECT_EQ(run_in_process(c.args), 1);
    // One descriptor may stay open until the next file is read, not five.
    EXPECT_LE(open_fds(), before + 1);
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace quorl
