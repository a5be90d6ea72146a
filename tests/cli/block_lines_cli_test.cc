// Input files and standard input of many read blocks whose lines hold NUL bytes here and there:
// a line is its text up to its first NUL, wherever the blocks break.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "harness.h"

namespace quorl_test {
namespace {

// Lines of 1 to 300 bytes; about one in twenty holds one or more NULs.
std::string make_input(unsigned seed, bool end_with_newline) {
  std::mt19937 rng(seed);
  std::string in;
  while (in.size() < 300000) {
    std::string line(1 + rng() % 300, 'x');
    for (char& c : line) c = "ab,the c"[rng() % 8];
    if (rng() % 20 == 0) {
      const int nuls = 1 + static_cast<int>(rng() % 3);
      for (int k = 0; k < nuls; ++k) line[rng() % line.size()] = '\0';
    }
    in += line;
    in += '\n';
  }
  in += std::string("last\0line", 9);
  if (end_with_newline) in += '\n';
  return in;
}

// What each workload prints: the text of each line (up to its first NUL)
// passed through edit.
template <typename Edit>
std::string expected(const std::string& in, Edit edit) {
  std::string out;
  size_t at = 0;
  while (at < in.size()) {
    size_t nl = in.find('\n', at);
    if (nl == std::string::npos) nl = in.size();
    const std::string line = in.substr(at, nl - at);
    out += edit(line.substr(0, line.find('\0'))) + "\n";
    at = nl + 1;
  }
  return out;
}

std::string replace_the(std::string s) {
  for (size_t at = s.find("the"); at != std::string::npos; at = s.find("the", at + 5))
    s.replace(at, 3, "[THE]");
  return s;
}

// -e '$2' with -t,: the second piece, not counting an empty first one.
std::string second_field(const std::string& s) {
  std::vector<std::string> pieces(1);
  for (char c : s) {
    if (c == ',')
      pieces.emplace_back();
    else
      pieces.back() += c;
  }
  if (pieces[0].empty()) pieces.erase(pieces.begin());
  return pieces.size() > 1 ? pieces[1] : "";
}

TEST(BlockLines, NulBytesEndTheTextOfTheirLineOnly) {
  for (bool newline : {true, false}) {
    for (bool from_stdin : {false, true}) {
      SCOPED_TRACE(std::string(newline ? "final newline" : "no final newline") +
                   (from_stdin ? ", standard input" : ", -f file"));
      const std::string in = make_input(newline ? 1 : 2, newline);
      CliOptions opts;
      std::vector<std::string> input = {"-f", "in"};
      if (from_stdin) {
        opts.in = in;
        input = {};
      } else {
        opts.files = {{"in", in}};
      }
      auto args = [&](std::vector<std::string> a) {
        a.insert(a.end(), input.begin(), input.end());
        return a;
      };

      CliResult r = run_quorl(args({"-t,"}), opts);
      EXPECT_EQ(r.status, 0);
      EXPECT_EQ(r.out, expected(in, [](const std::string& s) { return s; }));

      r = run_quorl(args({"-r", "the:[THE]"}), opts);
      EXPECT_EQ(r.status, 0);
      EXPECT_EQ(r.out, expected(in, replace_the));

      r = run_quorl(args({"-t,", "-e", "$2"}), opts);
      EXPECT_EQ(r.status, 0);
      EXPECT_EQ(r.out, expected(in, second_field));
    }
  }
}

}  // namespace
}  // namespace quorl_test
