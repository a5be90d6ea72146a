// Hostile input: huge lines and files, odd line ends, every byte value, lone
// Shift_JIS lead bytes at every edge, patterns that look quadratic, files
// that cannot be read, too little memory and a reader that goes away.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/harness.h"

namespace quorl_test {
namespace {

// A scratch directory removed with its contents at the end of the test.
class ScratchDir {
 public:
  ScratchDir() {
    std::string templ = (std::filesystem::temp_directory_path() / "quorl-hostile-XXXXXX").string();
    if (mkdtemp(templ.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
    path_ = templ;
  }
  ~ScratchDir() { std::filesystem::remove_all(path_); }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

std::string read_file(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

// run_shell: runs script with bash in dir, $QUORL naming the binary, with
// standard input empty and SIGPIPE at its default (the test runner ignores
// it, and an ignored signal would stay ignored across exec). Standard output
// and standard error are collected through files in dir; $QUORL_FAULTS names
// the library that injects faults into quorl (tests/preload/faults.cc). A
// "timeout 60" in the script is only a guard against a hang; no time is
// measured.
CliResult run_shell(const std::string& script, const ScratchDir& dir) {
  const std::string out = dir / ".out";
  const std::string err = dir / ".err";
  pid_t pid = fork();
  if (pid == 0) {
    signal(SIGPIPE, SIG_DFL);
    if (chdir(dir.path().c_str()) != 0) _exit(127);
    int in = open("/dev/null", O_RDONLY);
    int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || o < 0 || e < 0) _exit(127);
    dup2(in, 0);
    dup2(o, 1);
    dup2(e, 2);
    setenv("QUORL", QUORL_BIN, 1);
    setenv("QUORL_FAULTS", QUORL_FAULTS, 1);
    // The injected library comes before a sanitizer's run time.
    const char* asan = getenv("ASAN_OPTIONS");
    setenv("ASAN_OPTIONS", (std::string(asan != nullptr ? asan : "") + ":verify_asan_link_order=0").c_str(), 1);
    execl("/bin/bash", "bash", "-c", script.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  CliResult r;
  r.out = read_file(out);
  r.err = read_file(err);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return r;
}

bool is_lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// x_to_y: text after the rule "x:y": every 'x' that is a character of its
// own becomes 'y'; a lead byte with a following byte is one character.
std::string x_to_y(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (is_lead(c) && i + 1 < text.size()) {
      out += text.substr(i, 2);
      ++i;
    } else {
      out += c == 'x' ? 'y' : text[i];
    }
  }
  return out;
}

// Lines far beyond the file line limit arrive whole from standard input and
// as the operand (a single argument holds at most 128 KB on Linux).
TEST(HostileCli, HugeLines) {
  struct Case {
    const char* name;
    std::string text;
    bool from_stdin;
  };
  const std::string mb(1 << 20, 'x');
  const Case cases[] = {
      {"1 MB from standard input", mb, true},
      {"8 MB of mixed text from standard input", std::string(1 << 20, 'a') + "x\x81x" + std::string(7 << 20, 'b') + "\x82", true},
      {"the longest argument", std::string(128 * 1024 - 2, 'x') + "\x83", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CliOptions opts;
    std::vector<std::string> args = {"-r", "x:y"};
    if (c.from_stdin)
      opts.in = c.text + "\nx\n" + c.text;
    else
      args.push_back(c.text);
    CliResult r = run_quorl(args, opts);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    const std::string want = c.from_stdin ? x_to_y(c.text) + "\ny\n" + x_to_y(c.text) + "\n" : x_to_y(c.text) + "\n";
    EXPECT_TRUE(r.out == want) << "output of " << r.out.size() << " bytes";
  }
}

// A 100 MB file of the longest lines a file may have (4093 bytes and the
// newline) is edited whole; the output is compared line by line.
TEST(HostileCli, HundredMegabyteFile) {
  ScratchDir dir;
  constexpr int kLine = 4093;
  constexpr int kLines = 100 * 1024 * 1024 / (kLine + 1) + 1;
  auto line_at = [](int i) {
    std::string line(kLine, static_cast<char>('a' + i % 23));
    line[static_cast<size_t>(i) % kLine] = 'x';
    line[kLine - 1] = 'x';
    return line;
  };
  {
    std::ofstream f(dir / "big", std::ios::binary);
    for (int i = 0; i < kLines; ++i) f << line_at(i) << '\n';
  }
  ASSERT_GE(std::filesystem::file_size(dir / "big"), 100u * 1024 * 1024);
  CliResult r = run_shell("timeout 120 \"$QUORL\" -r x:y -f big > edited", dir);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  std::ifstream edited(dir / "edited", std::ios::binary);
  std::string got;
  int i = 0;
  int wrong = 0;
  while (std::getline(edited, got)) {
    if (i >= kLines || got != x_to_y(line_at(i))) ++wrong;
    ++i;
  }
  EXPECT_EQ(i, kLines);
  EXPECT_EQ(wrong, 0);
}

// Line ends: a missing final newline, an empty file, CR LF and a lone CR
// (carriage returns are bytes of the line like any other).
TEST(HostileCli, LineEnds) {
  const CliCase cases[] = {
      {"no final newline", {"-r", "x:y", "-f", "in"}, "", {{"in", "ax\nbx"}}, "ay\nby\n", "", 0},
      {"empty file", {"-r", "x:y", "-f", "in"}, "", {{"in", ""}}, "", "", 0},
      {"empty standard input", {"-r", "x:y"}, "", {}, "", "", 0},
      {"only a newline", {"-r", "x:y", "-f", "in"}, "", {{"in", "\n"}}, "\n", "", 0},
      {"CR LF", {"-r", "x:y", "-f", "in"}, "", {{"in", "ax\r\nbx\r\n"}}, "ay\r\nby\r\n", "", 0},
      {"CR LF from standard input", {"-r", "x:y"}, "x\r\nx\r\n", {}, "y\r\ny\r\n", "", 0},
      {"lone CR", {"-r", "x:y", "-f", "in"}, "", {{"in", "ax\rbx\rcx"}}, "ay\rby\rcy\n", "", 0},
      {"CR before a field separator", {"-t,", "-r", "(2)x:y", "-f", "in"}, "", {{"in", "x\r,x\r\n"}},
       "x\r,y\r\n", "", 0},
      {"CR in a template", {"-e", "$2\r$1", "-f", "in"}, "", {{"in", "a b\r\n"}}, "b\r\ra\n", "", 0},
  };
  for (const CliCase& c : cases) expect_cli(c);
}

// Every byte value at the start, in the middle and at the end of a line (all
// lines in one file), and as a pattern and inside a template.
TEST(HostileCli, EveryByteInEveryPosition) {
  std::string file;
  std::string want;
  for (int b = 1; b < 256; ++b) {
    if (b == '\n') continue;
    const std::string c(1, static_cast<char>(b));
    const std::string line = c + "x" + c + "x" + c;
    file += line + "\n";
    want += x_to_y(line) + "\n";
  }
  CliOptions opts;
  opts.files = {{"in", file}};
  CliResult r = run_quorl({"-r", "x:y", "-f", "in"}, opts);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(r.out == want);

  for (int b = 1; b < 256; ++b) {
    const std::string c(1, static_cast<char>(b));
    SCOPED_TRACE("byte " + std::to_string(b));
    // The byte as a pattern of its own and inside a template, escaped so
    // that it stands for itself even where it would be syntax; last in the
    // line, so that a lead byte has no second byte to take.
    const std::string before = b == '=' ? "-" : "=";
    r = run_quorl({"-r", "\\" + c + ":<\\" + c + ">", before + c});
    EXPECT_EQ(r.out, before + "<" + c + ">\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
  }
}

// A file holding all 256 byte values in every position: line k starts with
// byte k. A NUL ends the text of its line; what comes before it is kept.
TEST(HostileCli, EveryByteInAFile) {
  std::string file;
  std::string want;
  for (int k = 0; k < 256; ++k) {
    std::string line;
    for (int j = 0; j < 256; ++j) {
      const int b = (k + j) % 256;
      if (b != '\n') line += static_cast<char>(b);
    }
    file += line + "\n";
    want += line.substr(0, line.find('\0')) + "\n";
  }
  CliOptions opts;
  opts.files = {{"in", file}};
  CliResult r = run_quorl({"-r", "QQQ:z", "-f", "in"}, opts);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(r.out == want);
}

// A NUL byte ends the text of its line wherever the line comes from; the
// bytes after it up to the newline are dropped, and the next line is read.
TEST(HostileCli, NulBytes) {
  using namespace std::string_literals;
  const CliCase cases[] = {
      {"standard input", {"-r", "x:y"}, "ax\0bx\nzx\n"s, {}, "ay\nzy\n", "", 0},
      {"input file", {"-r", "x:y", "-f", "in"}, "", {{"in", "ax\0bx\nx\0\0\n\0\n"s}}, "ay\ny\n\n", "", 0},
      {"rule file", {"-R", "r", "axb"}, "", {{"r", "x:y\0junk\n"s}}, "ayb\n", "", 0},
      {"rule file, NUL before the colon", {"-R", "r", "axb"}, "", {{"r", "x\0:y\n"s}}, "",
       "\"x\": bad <replace>\n", 1},
  };
  for (const CliCase& c : cases) expect_cli(c);
}

// A Shift_JIS lead byte as the last byte of a line, a field, a pattern, a
// template and a file is an ordinary byte: nothing after it is taken into
// it and nothing is read past the end.
TEST(HostileCli, LeadByteAtEveryEnd) {
  const CliCase cases[] = {
      {"end of the operand", {"-r", "b:c", "ab\x81"}, "", {}, "ac\x81\n", "", 0},
      {"end of the standard-input line", {"-r", "b:c"}, "ab\x9F\nzb\n", {}, "ac\x9F\nzc\n", "", 0},
      {"end of a file line", {"-r", "b:c", "-f", "in"}, "", {{"in", "ab\xE0\nb\n"}}, "ac\xE0\nc\n", "", 0},
      {"end of the file", {"-r", "b:c", "-f", "in"}, "", {{"in", "b\nab\xFC"}}, "c\nac\xFC\n", "", 0},
      {"end of a rule file", {"-R", "r", "abc"}, "", {{"r", "b:X\x81"}}, "aX\x81" "c\n", "", 0},
      // Before a separator the lead byte takes it as its second byte.
      {"end of a selected field", {"-t,", "-r", "(1)b:c", "ab\x81,b"}, "", {}, "ac\x81,c\n", "", 0},
      {"end of the last field", {"-t,", "-r", "(2)b:c", "b,ab\x81"}, "", {}, "b,ac\x81\n", "", 0},
      {"end of an extracted field", {"-e", "[$2]", "a b\x81"}, "", {}, "[b\x81]\n", "", 0},
      // In a pattern it takes the colon too, unless escaped to one byte.
      {"end of a pattern", {"-r", "b\x81:X", "ab\x81"}, "", {}, "", "\"b\x81:X\": bad <replace>\n", 1},
      {"end of an escaped pattern", {"-r", "b\\\x81:X", "ab\x81"}, "", {}, "aX\n", "", 0},
      {"end of a whole-word pattern", {"-r", "(b\\\x81):X", "b b\x81"}, "", {}, "b X\n", "", 0},
      {"end of a <to>", {"-r", "b:X\x81", "abc"}, "", {}, "aX\x81" "c\n", "", 0},
      {"end of a <to> after an element", {"-r", "$d:$d\x81", "a1"}, "", {}, "a1\x81\n", "", 0},
      {"end of a template", {"-e", "$1\x81", "a b"}, "", {}, "a\x81\n", "", 0},
      {"end of a template after a dollar", {"-e", "$1$\x81", "a b"}, "", {},
       "", "illegal \"-e <extract>\" parameter", 1},
  };
  for (const CliCase& c : cases) expect_cli(c);
}

// Patterns whose naive matching would cost the square of the line length: a
// greedy run tried at every position of a long run, and $$ (the rest of the
// line) followed by more pattern that never matches. They must finish; the
// timeout only guards against a hang.
TEST(HostileCli, QuadraticLookingPatternsFinish) {
  struct Case {
    const char* name;
    const char* spec;
    const char* fill;  // the line: 2 MB of this byte
    const char* want;  // the first bytes of the output
  };
  const Case cases[] = {
      {"greedy letters then a digit", "$a1:X", "a", "aaaa"},
      {"greedy run then a literal", "$d-:X", "7", "7777"},
      {"rest of line then more", "$$x:X", "a", "aaaa"},
      {"rest of line twice", "$$$$b:X", "a", "aaaa"},
      {"whole word over a run", "(aaab):X", "a", "aaaa"},
      {"rest of line matching once", "$$:[$$]", "a", "[aaa"},
  };
  ScratchDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string script = std::string("head -c 2097152 /dev/zero | tr '\\0' '") + c.fill +
                               "' > line; echo >> line; timeout 60 \"$QUORL\" -r '" + c.spec +
                               "' < line | head -c 4";
    CliResult r = run_shell(script, dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, c.want);
  }
}

// Rule and input files that cannot be read: a directory is no file, and a
// read error (EIO from /proc/self/mem) is reported, never taken for the end
// of the file.
TEST(HostileCli, UnreadableFiles) {
  const CliCase cases[] = {
      {"directory as input file", {"-f", "."}, "", {}, "", ".: not found", 1},
      {"directory as rule file", {"-R", "/", "abc"}, "", {}, "", "/: not found\n", 1},
      {"read error in a rule file", {"-R", "/proc/self/mem", "abc"}, "", {}, "",
       "/proc/self/mem: reading error\n", 1},
      {"read error in the input file after rules", {"-r", "a:b", "-f", "/proc/self/mem"}, "", {}, "",
       "/proc/self/mem: reading error\n", 1},
  };
  for (const CliCase& c : cases) expect_cli(c);
}

// Too little memory: the memory helpers report it and the status is 1, with
// no crash. Each item doubles the line, so the line outgrows any limit.
TEST(HostileCli, MemoryExhaustion) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit allows";
#else
  std::string spec;
  for (int i = 0; i < 40; ++i) spec += "a:aa,";
  struct Case {
    const char* name;
    std::string script;
  };
  const Case cases[] = {
      {"rule on the command line",
       "ulimit -v 200000; exec \"$QUORL\" -r '" + spec + "' aaaa"},
      {"rule from a rule file, input from a file",
       "printf '%s\\n' '" + spec + "' > r; printf 'a\\nb\\n' > in; ulimit -v 200000; exec \"$QUORL\" -R r -f in"},
      {"an endless line on standard input", "ulimit -v 200000; exec \"$QUORL\" -r a:b < /dev/zero"},
  };
  const std::regex message("\n?cannot get the memory of [0-9]+ K bytes\n");
  ScratchDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CliResult r = run_shell(c.script, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(std::regex_match(r.err, message)) << r.err;
    EXPECT_EQ(r.out, "");
  }
#endif
}

// A reader that stops early ends quorl quietly through SIGPIPE, as for
// other filters: no message, the status of the signal.
TEST(HostileCli, ClosedPipeEndsQuietly) {
  struct Case {
    const char* name;
    const char* script;
  };
  const Case cases[] = {
      {"many lines",
       "seq 1 2000000 > in; timeout 60 \"$QUORL\" -r 1:one -f in | head -c1 > /dev/null; "
       "echo \"${PIPESTATUS[0]}\""},
      {"one long line",
       "head -c 8000000 /dev/zero | tr '\\0' a > in; echo >> in; "
       "timeout 60 \"$QUORL\" -r a:bb < in | head -c1 > /dev/null; echo \"${PIPESTATUS[0]}\""},
  };
  ScratchDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CliResult r = run_shell(c.script, dir);
    EXPECT_EQ(r.out, std::to_string(128 + SIGPIPE) + "\n");
    EXPECT_EQ(r.err, "");
  }
}

// A shell script and what it prints: the script runs in an empty
// directory and reports the facts to check (status, contents, modes,
// directory listings). A script that prints "skip" could not set up its
// case (a mount that is not permitted, a race it lost) and checks nothing.
struct ScriptCase {
  const char* name;
  std::string script;
  std::string out;
};

void expect_scripts(const ScriptCase* begin, const ScriptCase* end) {
  ScratchDir dir;
  for (const ScriptCase* c = begin; c != end; ++c) {
    SCOPED_TRACE(c->name);
    CliResult r = run_shell("rm -rf w; mkdir w; cd w; " + c->script, dir);
    if (r.out == "skip\n") {
      std::printf("[ SKIPPED  ] %s: could not be set up here\n", c->name);
      continue;
    }
    EXPECT_EQ(r.out, c->out) << r.err;
  }
}

// Standard input and output as streams: errors are never taken for the
// end, a descriptor that has nothing yet is waited for, and the first
// failed write ends the run, however much input is left.
TEST(HostileCli, StreamErrors) {
  const ScriptCase cases[] = {
      {"read error on standard input", "\"$QUORL\" -r a:b < / 2>&1; echo $?", "stdin: reading error\n1\n"},
      // A terminal whose other side has closed reads as EIO after what was
      // written to it: the whole line is edited and written before the
      // message, the part of a line is not.
      {"read error after part of a line",
       "python3 -c 'import os, pty, subprocess, sys; m, s = pty.openpty(); os.write(s, b\"abc\\nabd\"); "
       "os.close(s); print(subprocess.run(sys.argv[1:], stdin=m).returncode)' \"$QUORL\" -r a:X 2>&1",
       "Xbc\r\nstdin: reading error\n1\n"},
      {"non-blocking standard input holding part of a line",
       "{ printf abc; sleep 0.3; printf 'def\\n'; } | python3 -c 'import os, sys; "
       "os.set_blocking(0, False); os.execv(sys.argv[1], sys.argv[1:])' \"$QUORL\" -r a:X; echo $?",
       "Xbcdef\n0\n"},
      {"endless standard input to a full disk",
       "yes abc | timeout 60 \"$QUORL\" -r a:b > /dev/full 2>err; echo ${PIPESTATUS[1]}; cat err",
       "1\nstdout: writing error\n"},
      {"endless -f /dev/stdin to a full disk",
       "yes abc | timeout 60 \"$QUORL\" -r a:b -f /dev/stdin > /dev/full 2>err; echo ${PIPESTATUS[1]}; cat err",
       "1\nstdout: writing error\n"},
      {"each line is written when the input makes quorl wait",
       "{ printf 'abc\\n'; sleep 3; } | \"$QUORL\" -r a:X | { IFS= read -r -t 2 l; echo \"first $l\"; cat; }",
       "first Xbc\n"},
      {"a closed pipe with SIGPIPE ignored",
       "trap '' PIPE; yes abc | timeout 60 \"$QUORL\" -r a:b 2>err | head -c1; s=${PIPESTATUS[1]}; echo; "
       "echo $s; cat err",
       "b\n1\nstdout: writing error\n"},
  };
  expect_scripts(std::begin(cases), std::end(cases));
}

// --in-place: the file is replaced whole or not at all, keeps its mode,
// owner, group and links, and no temporary file outlives the run.
TEST(HostileCli, InPlace) {
  const std::string big = "head -c 60000000 /dev/zero | tr '\\0' a | fold -w 99 > f; cp f g; ";
  const ScriptCase cases[] = {
      {"edited, mode kept",
       "printf 'a1\\nb2\\n' > f; chmod 640 f; \"$QUORL\" --in-place -r 1:X -f f; echo $?; cat f; "
       "stat -c %a f; ls -A",
       "0\naX\nb2\n640\nf\n"},
      {"owner and group kept",
       "printf 'a\\n' > f; chown 1234:5678 f 2>/dev/null; before=$(stat -c %u:%g f); "
       "\"$QUORL\" --in-place -r a:b -f f; echo $?; cat f; [ \"$(stat -c %u:%g f)\" = \"$before\" ] && echo kept",
       "0\nb\nkept\n"},
      {"a symbolic link is followed and stays a link",
       "mkdir t; printf 'a\\n' > t/f; ln -s t/f l; \"$QUORL\" --in-place -r a:b -f l; echo $?; "
       "[ -L l ] && echo link; cat t/f; ls -A . t",
       "0\nlink\nb\n.:\nl\nt\n\nt:\nf\n"},
      {"the original kept as the backup",
       "printf 'a\\n' > f; \"$QUORL\" --in-place=.orig -r a:b -f f; echo $?; cat f f.orig; ls -A",
       "0\nb\na\nf\nf.orig\n"},
      {"an existing backup is refused before anything is touched",
       "printf 'a\\n' > f; echo old > f.orig; \"$QUORL\" --in-place=.orig -r a:b -f f 2>&1; echo $?; "
       "cat f f.orig; ls -A",
       "f.orig: the backup exists already; nothing was changed\n1\na\nold\nf\nf.orig\n"},
      {"an unchanged file is not rewritten",
       "printf 'a\\n' > f; touch -d @1000000000 f; \"$QUORL\" --in-place=.orig -r z:y -f f; echo $?; "
       "stat -c %Y f; ls -A",
       "0\n1000000000\nf\n"},
      {"a rule that fails at the last line",
       "printf 'a\\nb\\nq\\n' > f; cp f g; \"$QUORL\" --in-place -r 'a:A,q:$' -f f 2>&1; echo $?; "
       "cmp f g && echo intact; ls -A",
       "illegal \"-r <replace>\" parameter: $\n1\nintact\nf\ng\n"},
      {"--to converts the file for good",
       "printf 'a\\202\\240\\n' > f; \"$QUORL\" --in-place --to=utf-8 -f f; echo $?; od -An -tx1 f; ls -A",
       "0\n 61 e3 81 82 0a\nf\n"},
      {"a character --to cannot hold leaves the file",
       "printf 'a\\n\\202\\240\\n' > f; cp f g; \"$QUORL\" --in-place --to=ascii -f f 2>&1; echo $?; "
       "cmp f g && echo intact; ls -A",
       "f:2:1: character 0x82A0 cannot be converted to ascii\n1\nintact\nf\ng\n"},
      {"an unclosed CSV quote",
       "printf 'a,b\\n\"c\\nd\\n' > f; cp f g; \"$QUORL\" --csv --in-place -r a:b -f f 2>&1; echo $?; "
       "cmp f g && echo intact; ls -A",
       "f: line 2: a quoted field is never closed\n1\nintact\nf\ng\n"},
      {"a line too long at the end",
       "{ printf 'a\\n'; head -c 5000 /dev/zero | tr '\\0' x; echo; } > f; cp f g; "
       "\"$QUORL\" --in-place -r a:b -f f 2>/dev/null; echo $?; cmp f g && echo intact; ls -A",
       "1\nintact\nf\ng\n"},
      {"a full disk",
       "mkdir m; mount -t tmpfs -o size=256k tmpfs m 2>/dev/null || { echo skip; exit; }; "
       "head -c 150000 /dev/zero | tr '\\0' a | fold -w 99 > m/f; cp m/f g; "
       "\"$QUORL\" --in-place -r a:bb -f m/f 2>&1; echo $?; cmp m/f g && echo intact; ls -A m; umount m",
       "m/f: writing error\n1\nintact\nf\n"},
      {"the file size limit (SIGXFSZ)",
       "head -c 80000 /dev/zero | tr '\\0' a | fold -w 99 > f; cp f g; "
       "(ulimit -f 100; exec \"$QUORL\" --in-place -r a:bb -f f) 2>&1; echo $?; cmp f g && echo intact; ls -A",
       "f: interrupted; the file was left as it was\n1\nintact\nf\ng\n"},
      {"SIGTERM while the temporary file is written",
       big + "\"$QUORL\" --in-place -r a:b -f f 2>err & pid=$!; "
       "new() { ls -l /proc/$pid/fd 2>/dev/null | grep -q -e '/#[0-9]* (deleted)$' -e '/[.][^/]*quorl-[A-Za-z0-9]*$'; }; "
       "for i in $(seq 1 3000); do new && break; sleep 0.005; done; "
       "kill -STOP $pid; if ! new; then kill -CONT $pid; wait $pid; echo skip; exit; fi; "
       "kill -TERM $pid; kill -CONT $pid; wait $pid; echo $?; cat err; cmp f g && echo intact; ls -A",
       "1\nf: interrupted; the file was left as it was\nintact\nerr\nf\ng\n"},
      {"--diff only previews",
       "printf 'a\\n' > f; touch -d @1000000000 f; \"$QUORL\" --in-place --diff -r a:b -f f; echo $?; "
       "stat -c %Y f; ls -A",
       "--- f\n+++ f\n@@ -1 +1 @@\n-a\n+b\n0\n1000000000\nf\n"},
      {"ACLs and extended attributes kept",
       "echo a > f; setfacl -m u:nobody:rw f && setfattr -n user.note -v kept f || { echo skip; exit; }; "
       "\"$QUORL\" --in-place -r a:b -f f; echo $?; cat f; getfacl -cp f; getfattr -d f",
       "0\nb\nuser::rw-\nuser:nobody:rw-\ngroup::r--\nmask::rw-\nother::r--\n\n# file: f\nuser.note=\"kept\"\n\n"},
      {"a NUL byte is never written back or shown as lost",
       "printf 'h\\0e\\0l\\0\\n\\0' > f; cp f g; for o in --in-place --diff; do \"$QUORL\" $o -r z:y -f f 2>&1; "
       "echo $?; done; cmp f g && echo intact; ls -A",
       "f: holds a NUL byte; not edited\n1\nf: holds a NUL byte; not edited\n1\nintact\nf\ng\n"},
      {"SIGKILL as the new file is made leaves nothing",
       "seq 1 9 > f; cp f g; LD_PRELOAD=$QUORL_FAULTS QUORL_SIGNAL_ON_NEW_FILE=9 \"$QUORL\" --in-place -r 1:X -f f; "
       "echo $?; cmp f g && echo intact; ls -A",
       "137\nintact\nf\ng\n"},
      {"SIGTERM in a worker thread as the new file is made",
       "seq 1 400000 > f; cp f g; LD_PRELOAD=$QUORL_FAULTS QUORL_SIGNAL_ON_NEW_FILE=15 \"$QUORL\" --jobs=2 --in-place "
       "-r 1:X -f f 2>&1; echo $?; cmp f g && echo intact; ls -A",
       "f: interrupted; the file was left as it was\n1\nintact\nf\ng\n"},
      {"not a regular file", "\"$QUORL\" --in-place -r a:b -f /dev/null 2>&1; echo $?",
       "/dev/null: not a regular file; it cannot be edited in place\n1\n"},
      {"no file", "echo a | \"$QUORL\" --in-place -r a:b 2>&1; echo $?",
       "--in-place: no file to edit; name it with -f <file>\n1\n"},
      {"standard input", "echo a | \"$QUORL\" --in-place -r a:b -f - 2>&1; echo $?",
       "--in-place: standard input cannot be edited in place\n1\n"},
      {"a missing file", "\"$QUORL\" --in-place -r a:b -f nofile 2>&1; s=$?; echo; echo $s; ls -A",
       "nofile: not found\n1\n"},
      {"each file its own transaction, a missing one skipped, a fault ending the run at its file",
       "printf 'a\\n' > f; printf 'a\\nq\\n' > g; cp g h; \"$QUORL\" --in-place -r 'a:A,q:$' -f f -f no --files g h 2>&1; "
       "echo $?; cat f g h; ls -A",
       "no: not found\nillegal \"-r <replace>\" parameter: $\n1\nA\na\nq\na\nq\nf\ng\nh\n"},
  };
  expect_scripts(std::begin(cases), std::end(cases));
}

// A file cut short while it is read (a log rotated by copytruncate) is
// edited as far as it could be read, on any number of threads; in place it
// is left as the other writer left it. The cut comes at the first read.
TEST(HostileCli, ShrinkingFileUnderJobs) {
  const std::string make = "seq 1 400000 > t; head -c 1000000 t > t1; : > t0; ";
  const ScriptCase cases[] = {
      {"to standard output",
       make + "for n in 1000000 0; do for j in 4 1; do cp t f; LD_PRELOAD=$QUORL_FAULTS QUORL_TRUNCATE=f:$n:1 "
              "\"$QUORL\" --jobs=$j -r 1:X -f f > out; echo $?; \"$QUORL\" -r 1:X -f t${n:0:1} | cmp - out && "
              "echo same; done; done",
       "0\nsame\n0\nsame\n0\nsame\n0\nsame\n"},
      {"in place",
       make + "for j in 4 1; do cp t f; LD_PRELOAD=$QUORL_FAULTS QUORL_TRUNCATE=f:1000000:3 \"$QUORL\" --jobs=$j "
              "--in-place -r 1:X -f f 2>&1; echo $?; cmp f t1 && echo as left; ls -A | tr '\\n' ' '; echo; done",
       "f: changed while being edited\n1\nas left\nf t t0 t1 \n"
       "f: changed while being edited\n1\nas left\nf t t0 t1 \n"},
  };
  expect_scripts(std::begin(cases), std::end(cases));
}

// Messages carry names of any length whole, up to PATH_MAX (here through
// "./" repeated).
TEST(HostileCli, LongNamesInMessages) {
  const std::string longest = "n=$(printf 'L%.0s' $(seq 1 255)); p=$(printf './%.0s' $(seq 1 1900))$n; ";
  const ScriptCase cases[] = {
      {"--check", longest + "printf 'a\\x80\\n' > $n; \"$QUORL\" --check -f $p 2>&1 | "
                            "cmp - <(echo \"$p:1:2: invalid sjis sequence 0x80\") && echo whole",
       "whole\n"},
      {"not found", longest + "\"$QUORL\" -f $p.x 2>&1 | cmp - <(printf '%s' \"$p.x: not found\") && echo whole; "
                              "\"$QUORL\" -R $p.x 2>&1 | cmp - <(echo \"$p.x: not found\") && echo whole",
       "whole\nwhole\n"},
      {"a rule file's line too long",
       longest + "head -c 5000 /dev/zero | tr '\\0' a > $n; \"$QUORL\" -R $p x 2>&1 | tail -n 1 | "
                 "cmp - <(echo \"Error: too long line found in $p!\") && echo whole",
       "whole\n"},
      {"in place, a name of 255 bytes",
       longest + "echo a > $n; \"$QUORL\" --in-place -r a:b -f $p; echo $?; cat $n; ls -A | wc -l", "0\nb\n1\n"},
  };
  expect_scripts(std::begin(cases), std::end(cases));
}

// --diff prints the hunks `diff -u` prints for the same edit, but where an
// edited line equals an old neighbour (lines are paired one to one, diff
// pairs the equal ones); either way `patch` turns the file into the edited
// text. Hunks larger than the diff holds in memory (1 MiB) come out the same.
TEST(HostileCli, DiffMatchesDiffUAndApplies) {
  struct Case {
    const char* name;
    const char* make_in;  // shell commands that write the file "in"
    const char* args;     // the editing arguments, before "-f in"
    bool as_diff_u;       // the hunks are those of diff -u
  };
  const Case cases[] = {
      {"hunks merged across six lines, apart across seven", "seq -f L%g 1 60 > in", "-r L7:a,L14:b,L22:c,L60:d", true},
      {"first line and a last line without newline", "printf '1\\n2\\n3\\n4\\n5' > in", "-r 1:one", true},
      {"a line made equal to the next", "printf 'a\\nb\\nb\\n' > in", "-r a:b", true},
      {"a line made equal to the old next one", "printf 'a\\nb\\nz\\n' > in", "-r b:c -r a:b", false},
      {"every line changed", "seq 1 30 > in", "-r '$d:<$d>'", true},
      {"CR LF lines", "printf 'a\\r\\nb\\r\\na\\r\\n' > in", "--crlf -r a:x", true},
      {"Shift_JIS bytes", "printf '\\x95\\x5c\\n\\x83\\x5c\\x5c\\n' > in", "-r '\\\\:/'", true},
      {"nothing changed", "seq 1 5 > in", "-r z:y", true},
      {"two hunks of 3 MB each", "{ seq -f x%g 200000; seq -f keep%g 10; seq -f x%g 200000; } > in", "-r x:y", true},
  };
  ScratchDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string q = std::string("\"$QUORL\" ") + c.args;
    CliResult r = run_shell(std::string(c.make_in) + "; " + q + " -f in > out; diff -u in out | tail -n +3 > want; " +
                                q + " --diff -f in > got; echo $?; head -n 2 got; [ -s got ] || exit; "
                                "tail -n +3 got | cmp -s - want && echo like diff -u; "
                                "cp in p; patch -s p got && cmp p out && echo applies",
                            dir);
    const bool changed = std::string(c.name) != "nothing changed";
    EXPECT_EQ(r.out, !changed ? "0\n" : std::string("0\n--- in\n+++ in\n") + (c.as_diff_u ? "like diff -u\n" : "") + "applies\n")
        << r.err;
  }
}

// A hunk that outgrows memory goes on in a temporary file; when none can be
// made, the hunks before it are written and the run ends with the message.
TEST(HostileCli, DiffHunkBeyondMemoryNeedsATemporaryFile) {
  const ScriptCase cases[] = {
      {"no temporary directory",
       "{ echo a; seq 10; seq -f x%g 300000; } > f; TMPDIR=/nonexistent \"$QUORL\" --diff -r a:A -r x:y -f f 2>err; "
       "echo $?; cat err",
       "--- f\n+++ f\n@@ -1,4 +1,4 @@\n-a\n+A\n 1\n 2\n 3\n1\n--diff: cannot write a temporary file in /nonexistent\n"},
  };
  expect_scripts(std::begin(cases), std::end(cases));
}

}  // namespace
}  // namespace quorl_test
