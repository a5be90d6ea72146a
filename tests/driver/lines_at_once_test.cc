// Runs of lines edited at once must print, report and leave behind exactly
// what editing each line alone does. The reference here edits the lines one
// at a time in an editor of its own; the run under test is the whole command
// line on a file of many read blocks.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "driver/cli.h"
#include "extract/convert.h"
#include "extract/extractor.h"
#include "replace/matcher.h"
#include "replace/spec.h"
#include "support/exit.h"
#include "quorl/classic/namelist_ops.h"

namespace quorl {
namespace {

struct Ended {
  int status;
};

void throw_ended(int status) { throw Ended{status}; }

std::string read_file(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

struct RunResult {
  int status = -1;
  std::string out;
};

// run_quorl_here: the whole command line run in this process, its
// standard output caught in a file.
RunResult run_quorl_here(std::vector<std::string> args, const std::string& out_path) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::fflush(stdout);
  const int saved = dup(1);
  const int fd = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  dup2(fd, 1);
  close(fd);
  RunResult r;
  exit_hook = throw_ended;
  try {
    run(static_cast<int>(args.size()), argv.data());
  } catch (const Ended& e) {
    r.status = e.status;
  }
  exit_hook = nullptr;
  std::fflush(stdout);
  dup2(saved, 1);
  close(saved);
  del_allname(&sup_list);
  reset_settings();
  r.out = read_file(out_path);
  return r;
}

// set_from_arg: ed's whole-match capture made to hold text, as a match
// would leave it.
void set_from_arg(EditorState& ed, const std::string& text) {
  ed.caps.whole().refer(text.data(), text.size());
  ed.caps.whole().settle();
}

// Job: what one command line asks for.
struct Job {
  std::vector<std::string> rules;
  std::string sep_arg;  // a -t argument, or empty
  std::string templ;    // the -e template, or empty for none
};

struct Reference {
  std::string out;
  std::string from_arg;
  std::string result;
  std::string extracted;
};

// edit_one_by_one: every line of in (to its first NUL) edited alone by the
// rules in order and rebuilt by the template, as a file of no overlong lines
// prints it; and what the engine and the extractor hold after the last line.
Reference edit_one_by_one(EditorState& ed, const std::string& in, const Job& job) {
  Reference ref;
  FieldSyntax syntax;
  syntax.sep = Delim{{job.sep_arg.empty() ? '\0' : job.sep_arg[2]}, 0};
  CompiledSpec spec;
  Template templ;
  size_t at = 0;
  std::string result;
  while (at < in.size()) {
    size_t nl = in.find('\n', at);
    if (nl == std::string::npos) nl = in.size();
    std::string line = in.substr(at, nl - at);
    line = line.substr(0, line.find('\0'));
    char* text = line.data();
    size_t len = UNKNOWN_LEN;
    for (const std::string& rule : job.rules) {
      compile_spec(rule.c_str(), &spec, syntax.enc);
      text = apply_spec(spec, syntax, ed, text, &len);
      if (text == nullptr) return ref;
    }
    // The template cuts the text it reads where it lies: the line, or the
    // rules' result in the editor.
    if (!job.templ.empty()) {
      compile_template(job.templ.c_str(), &templ);
      text = extract_with(templ, syntax, ed, text, &len);
    }
    if (!job.rules.empty()) result = ed.result.data;
    if (!job.templ.empty()) ref.extracted = text;
    ref.out += text;
    ref.out += '\n';
    at = nl + 1;
  }
  ref.from_arg = ed.caps.whole().str();
  ref.result = result;
  return ref;
}

// Bytes the texts and patterns are made of: ASCII, Shift_JIS lead bytes
// (0x81, 0x9F, 0xE0) and bytes that are second bytes after them ('@', 'a').
const char kAlphabet[] = "ab @\x81\x9f\xe0[]";

std::string random_bytes(std::mt19937& rng, size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s += kAlphabet[rng() % (sizeof kAlphabet - 1)];
  return s;
}

// random_item: a literal item, sometimes one that must be edited line by
// line (an element, a newline, a pattern ending in a lead byte, a field).
std::string random_item(std::mt19937& rng) {
  std::string from = random_bytes(rng, 1 + rng() % 3);
  // A lead byte at the end would take the colon as its second byte.
  if (static_cast<unsigned char>(from.back()) >= 0x80) from += 'a';
  std::string to = random_bytes(rng, rng() % 4);
  if (!to.empty() && static_cast<unsigned char>(to.back()) >= 0x80) to += 'b';
  switch (rng() % 12) {
    case 0: to += "$$"; break;                    // the match itself
    case 1: to += "\n"; break;                    // a newline put in
    case 2: from = "\\\x81"; break;               // a lone lead byte
    case 3: from = "(2)" + from; break;           // a field
    case 4: to = std::string(40, 'x'); break;     // lines grow a lot
    default: break;
  }
  return from + ":" + to;
}

std::string random_rule(std::mt19937& rng) {
  std::string rule = random_item(rng);
  for (int n = static_cast<int>(rng() % 3); n > 0; --n) rule += "," + random_item(rng);
  return rule;
}

// random_input: about 200 KB of lines of 0 to 150 bytes (one in eight
// empty, one in forty holding a NUL), ending in an empty line or none now
// and then, and without a final newline (with or without a NUL) now and
// then.
std::string random_input(std::mt19937& rng) {
  std::string in;
  while (in.size() < 200000) {
    if (rng() % 8 != 0) in += random_bytes(rng, 1 + rng() % 150);
    if (rng() % 40 == 0) in.insert(in.size() - rng() % 3, 1, '\0');
    in += '\n';
  }
  if (rng() % 3 == 0) in += '\n';
  if (rng() % 3 == 0) in += random_bytes(rng, 1 + rng() % 20);
  if (rng() % 3 == 0) in += std::string("tail\0end", 8);
  return in;
}

class LinesAtOnce : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("quorl-lines-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string path(const char* name) const { return (dir_ / name).string(); }

  // check: quorl doing job on in prints what editing each line alone
  // prints, and leaves the whole-match capture, the result and the
  // extracted text in its editor as editing each line alone leaves them.
  void check(const std::string& in, const Job& job) {
    std::ofstream(path("in"), std::ios::binary) << in;
    EditorState ref;
    set_from_arg(ref, "before");
    const Reference want = edit_one_by_one(ref, in, job);
    // Something else in the command line's buffers, so the run must put
    // back what the reference left there.
    for (ByteBuf* buf : {&default_editor.result, &default_editor.extract})
      std::memcpy(buf->reserve(15), "something else", 15);
    set_from_arg(default_editor, "before");
    std::vector<std::string> args = {"quorl"};
    for (const std::string& rule : job.rules) {
      args.push_back("-r");
      args.push_back(rule);
    }
    if (!job.sep_arg.empty()) args.push_back(job.sep_arg);
    if (!job.templ.empty()) {
      args.push_back("-e");
      args.push_back(job.templ);
    }
    args.push_back("-f");
    args.push_back(path("in"));
    const RunResult got = run_quorl_here(args, path("out"));
    ASSERT_EQ(got.status, 0);
    ASSERT_EQ(got.out.size(), want.out.size());
    ASSERT_TRUE(got.out == want.out) << "the outputs differ";
    EXPECT_EQ(std::string(default_editor.caps.whole().str()), want.from_arg);
    if (!job.rules.empty()) {
      EXPECT_EQ(std::string(default_editor.result.data), want.result);
    }
    if (!job.templ.empty()) {
      EXPECT_EQ(std::string(default_editor.extract.data), want.extracted);
    }
  }

  std::filesystem::path dir_;
};

TEST_F(LinesAtOnce, RandomRulesPrintAndLeaveWhatLineByLineDoes) {
  std::mt19937 rng(20261207);
  for (int round = 0; round < 60; ++round) {
    SCOPED_TRACE(round);
    const std::string in = random_input(rng);
    Job job;
    for (int n = 1 + static_cast<int>(rng() % 2); n > 0; --n) job.rules.push_back(random_rule(rng));
    SCOPED_TRACE(job.rules[0]);
    check(in, job);
  }
}

// random_template: literal text and elements of every kind.
std::string random_template(std::mt19937& rng) {
  const char* const parts[] = {"$1", "$2", "$3", "$7", "$$", "$*", "$(2-3)", "$(1-40)", "$(12)",
                               "-", "<", "\x82\xa0", " "};
  std::string t;
  for (int n = 1 + static_cast<int>(rng() % 4); n > 0; --n) t += parts[rng() % (sizeof parts / sizeof *parts)];
  return t;
}

TEST_F(LinesAtOnce, RandomTemplatesPrintAndLeaveWhatLineByLineDoes) {
  // Separators among the text's own bytes: blanks, a comma, a blank, a
  // byte that is also a second byte, and a lead byte (line by line only).
  const char* const seps[] = {"", "-t,", "-t ", "-t@", "-t\\t", "-t\x81", "-ta"};
  std::mt19937 rng(71207);
  for (int round = 0; round < 60; ++round) {
    SCOPED_TRACE(round);
    std::string in = random_input(rng);
    for (char& c : in)
      if (c == '[') c = ',';
      else if (c == ']') c = '\t';
    Job job;
    if (rng() % 2 == 0) job.rules.push_back(random_rule(rng));
    job.sep_arg = seps[rng() % (sizeof seps / sizeof *seps)];
    if (job.sep_arg == "-t\\t") job.sep_arg = "-t\t";
    job.templ = random_template(rng);
    SCOPED_TRACE(job.sep_arg + " -e " + job.templ);
    check(in, job);
  }
}

TEST_F(LinesAtOnce, PlacesWhereTheRunsStop) {
  const std::string body = [] {
    std::string s;
    for (int i = 0; s.size() < 150000; ++i) s += "the other " + std::string(i % 50, 'e') + "\n";
    return s;
  }();
  struct Case {
    const char* name;
    std::string in;
    Job job;
  };
  const Case cases[] = {
      {"an empty last line keeps the match before it", body + "xthe\n\n", Job{{"the:T"}, "", ""}},
      {"an empty last line after a line with no match", body + "x\n\n", Job{{"the:T"}, "", ""}},
      {"two empty last lines keep the match before them", body + "xthe\n\n\n", Job{{"the:T"}, "", ""}},
      {"an item that empties the line", body + "the\n\n", Job{{"the:,x:y"}, "", ""}},
      {"a match at the very end", body + "the", Job{{"the:T"}, "", ""}},
      {"lines of the longest length", body + std::string(LINE_LIMIT - 2, 't') + "\n" + body, Job{{"t:TT"}, "", ""}},
      {"NUL bytes between runs", body + std::string("th\0e the\n", 9) + body, Job{{"the:[THE]"}, "", ""}},
      {"a result too long for one run", [] {
         std::string s;
         for (int i = 0; i < 60; ++i) s += std::string(4000, 'a') + "\n";
         return s;
       }() + body, Job{{"a:" + std::string(30, 'b')}, "", ""}},
      {"a match across a lead byte at a line end", body + "ab\x81\nthe\n" + body, Job{{"the:T,b:B"}, "", ""}},
      {"no rule at all", body, Job{{}, "", ""}},
      {"two rules, one after the other", body + "x\n", Job{{"e:E", "h:H,t:T"}, "", ""}},
      // Fields.
      {"fields of lines of the longest length", body + std::string(LINE_LIMIT - 2, 't') + "\n" + body,
       Job{{}, "-tt", "$2$$"}},
      {"blanks leading, trailing and in runs", body + "  a \t b  \n\t\n \n" + body, Job{{}, "", "$1|$2|$$|$*"}},
      {"a separator after a lead byte", body + "\x81,a,b\n\x81\x81,a\n" + body, Job{{}, "-t,", "$1|$2"}},
      {"a rule and a template", body, Job{{"e:,o:  "}, "", "$3-$1"}},
      {"a result too long for one run, by the template", body, Job{{}, "", "$*$*$*$*$*$*$*$*$*$*$*$*"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    check(c.in, c.job);
  }
}

// A line too long, or a bad item, is reported after the lines before it
// have been printed, however they were edited.
TEST_F(LinesAtOnce, MessagesComeAfterTheLinesBeforeThem) {
  std::string before;
  for (int i = 0; before.size() < 100000; ++i) before += "the line " + std::to_string(i) + "\n";
  std::ofstream(path("in"), std::ios::binary) << before << std::string(LINE_LIMIT, 'x') << "\nthe\n";
  const RunResult r = run_quorl_here({"quorl", "-r", "the:THE", "-f", path("in")}, path("out"));
  EXPECT_EQ(r.status, 1);
  std::string want;
  for (size_t at = 0; at < before.size();) {
    const size_t nl = before.find('\n', at);
    want += "THE" + before.substr(at + 3, nl + 1 - (at + 3));
    at = nl + 1;
  }
  EXPECT_TRUE(r.out == want) << r.out.size() << " bytes printed, " << want.size() << " wanted";
}

}  // namespace
}  // namespace quorl
