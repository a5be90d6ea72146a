// Running the quorl executable as a user would.
//
// run_quorl starts the built binary in a fresh temporary directory holding
// the given files, feeds it standard input, and collects standard output,
// standard error and the exit status as bytes. CliCase tables pin whole
// transcripts; expect_cli compares every part of one.
#ifndef QUORL_TESTS_CLI_HARNESS_H
#define QUORL_TESTS_CLI_HARNESS_H

#include <string>
#include <utility>
#include <vector>

namespace quorl_test {

using Files = std::vector<std::pair<std::string, std::string>>;  // name, bytes

struct CliResult {
  std::string out;
  std::string err;
  int status = -1;  // exit status, or 128 + signal number
};

struct CliOptions {
  std::string in;               // bytes on standard input
  Files files;                  // created in the working directory first
  bool stdin_closed = false;    // standard input at end of file from the start
  std::string stdout_path;      // when set, standard output goes to this file
};

CliResult run_quorl(const std::vector<std::string>& args, const CliOptions& opts = {});

// windows_target: the quorl under test is a Windows build (QUORL_TEST_EXE
// names a .exe), whose own lines end in CR LF.
bool windows_target();

struct CliCase {
  const char* name;
  std::vector<std::string> args;
  std::string in;
  Files files;
  std::string out;
  std::string err;
  int status;
};

// expect_cli: runs c and checks stdout, stderr and status byte for byte.
void expect_cli(const CliCase& c);

}  // namespace quorl_test

#endif
