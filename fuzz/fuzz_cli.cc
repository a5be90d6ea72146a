// The whole command line, run in-process: arguments, a rule file, an input
// file and standard input, all chosen by the fuzzer.
//
// Input: the arguments, each ended by a NUL, the list ended by an empty one
// (so "\0\0" closes it); then the bytes of the rule file "r", of the input
// file "f" and of standard input, separated by "\0\xff\0". The files live in
// a private directory that is also the working directory, next to an empty
// directory "d", so arguments name them as "r", "f" and "d".
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "driver/cli.h"
#include "fuzz_common.h"

namespace {

constexpr size_t kMaxArgs = 24;
const std::string kFileSep("\0\xff\0", 3);

void write_file(const char* name, const std::string& bytes) {
  std::ofstream f(name, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  quorl_fuzz::check(static_cast<bool>(f));
}

// section: the bytes of data from at up to the next sep (or the end); at
// moves past the separator.
std::string section(const std::string& data, size_t* at, const std::string& sep) {
  if (*at >= data.size()) return std::string();
  size_t end = data.find(sep, *at);
  if (end == std::string::npos) end = data.size();
  std::string s = data.substr(*at, end - *at);
  *at = end == data.size() ? end : end + sep.size();
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  quorl_fuzz::install();
  std::string dir = (std::filesystem::temp_directory_path() / "quorl-fuzz-XXXXXX").string();
  quorl_fuzz::check(mkdtemp(dir.data()) != nullptr);
  quorl_fuzz::check(chdir(dir.c_str()) == 0);
  std::filesystem::create_directory("d");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  size_t at = 0;
  std::vector<std::string> args{"quorl"};
  while (at < bytes.size() && args.size() <= kMaxArgs) {
    size_t end = bytes.find('\0', at);
    if (end == std::string::npos) end = bytes.size();
    std::string arg = bytes.substr(at, end - at);
    at = end + 1;
    if (arg.empty()) break;
    args.push_back(arg);
  }
  write_file("r", section(bytes, &at, kFileSep));
  write_file("f", section(bytes, &at, kFileSep));
  write_file("i", section(bytes, &at, kFileSep));
  quorl_fuzz::check(std::freopen("i", "r", stdin) != nullptr);

  std::vector<quorl_fuzz::Text> texts(args.begin(), args.end());
  std::vector<char*> argv;
  for (quorl_fuzz::Text& a : texts) argv.push_back(a.c_str());
  argv.push_back(nullptr);
  int status = -1;
  try {
    quorl::run(static_cast<int>(args.size()), argv.data());
  } catch (const quorl_fuzz::Ended& e) {
    status = e.status;
  }
  // run never returns: every end goes through end_process.
  quorl_fuzz::check(status == 0 || status == 1);
  std::fflush(stdout);
  return 0;
}
