#include "cli/harness.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "support/encoding.h"

namespace quorl_test {

namespace {

// own_lines_to_lf: the output of a Windows build as a POSIX build writes
// it. On Windows quorl ends the lines it makes itself in CR LF: the
// <string> operand's (a run with no -f and nothing on standard input) and
// the help's. The transcripts are written once, with LF; what else must
// differ on Windows is listed, with its reason, in tests/cli/windows.txt.
void own_lines_to_lf(const std::vector<std::string>& args, const CliOptions& opts, std::string* out) {
  if (!opts.in.empty()) return;
  for (const std::string& a : args) {
    if (a.find('\r') != std::string::npos) return;
    if (a == "--") break;  // what follows is the <string>
    if (a == "-f") return;
  }
  std::string lf;
  for (size_t i = 0; i < out->size(); ++i)
    if (!((*out)[i] == '\r' && i + 1 < out->size() && (*out)[i + 1] == '\n')) lf.push_back((*out)[i]);
  out->swap(lf);
}

// wine_locale: the Unix locale in which Wine reads a run's arguments into
// the UTF-16 command line that quorl.exe takes: one whose character set is
// the run's encoding, so that every character arrives as itself. Bytes
// that form no character cannot be passed at all (tests/cli/windows.txt).
// QUORL_TEST_LOCPATH holds the Shift_JIS and EUC-JP locales, which glibc
// does not ship ready-made (tools/windows.sh makes them).
const char* wine_locale(const std::vector<std::string>& args) {
  std::string enc;
  if (const char* e = std::getenv("QUORL_ENCODING")) enc = e;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--") break;
    if (args[i].rfind("--encoding=", 0) == 0) enc = args[i].substr(11);
    if (args[i] == "--encoding" && i + 1 < args.size()) enc = args[i + 1];
  }
  quorl::Encoding e = quorl::Encoding::sjis;
  quorl::parse_encoding(enc.c_str(), &e);  // an unknown name: the run fails before reading anything
  switch (e) {
    case quorl::Encoding::utf8: return "C.UTF-8";
    case quorl::Encoding::eucjp: return "ja_JP.EUC-JP";
    case quorl::Encoding::bytes: return "C";
    case quorl::Encoding::sjis: break;
  }
  return "ja_JP.SJIS";
}

std::string make_temp_dir() {
  std::string templ = (std::filesystem::temp_directory_path() / "quorl-cli-XXXXXX").string();
  if (mkdtemp(templ.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
  return templ;
}

}  // namespace

bool windows_target() {
  const char* exe = std::getenv("QUORL_TEST_EXE");
  const size_t n = exe != nullptr ? std::strlen(exe) : 0;
  return n > 4 && std::strcmp(exe + n - 4, ".exe") == 0;
}

CliResult run_quorl(const std::vector<std::string>& args, const CliOptions& opts) {
  const std::string dir = make_temp_dir();
  for (const auto& [name, bytes] : opts.files) {
    std::ofstream f(dir + "/" + name, std::ios::binary);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  int in_pipe[2], out_pipe[2], err_pipe[2];
  if (pipe(in_pipe) != 0 || pipe(out_pipe) != 0 || pipe(err_pipe) != 0) std::abort();

  // QUORL_TEST_EXE (with QUORL_TEST_RUNNER, say wine) puts another build
  // of quorl under test, such as quorl.exe for Windows.
  const char* exe = std::getenv("QUORL_TEST_EXE");
  const char* runner = std::getenv("QUORL_TEST_RUNNER");
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(127);
    dup2(in_pipe[0], 0);
    if (opts.stdout_path.empty()) {
      dup2(out_pipe[1], 1);
    } else {
      int fd = open(opts.stdout_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(fd, 1);
    }
    dup2(err_pipe[1], 2);
    for (int fd : {in_pipe[0], in_pipe[1], out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1]})
      close(fd);
    if (windows_target()) {
      if (const char* dir = std::getenv("QUORL_TEST_LOCPATH")) setenv("LOCPATH", dir, 1);
      unsetenv("LC_ALL");
      setenv("LC_CTYPE", wine_locale(args), 1);
    }
    std::vector<char*> argv;
    std::string bin = exe != nullptr ? exe : QUORL_BIN;
    std::string run = runner != nullptr ? runner : "";
    if (!run.empty()) argv.push_back(run.data());
    argv.push_back(bin.data());
    std::vector<std::string> copy = args;
    for (auto& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  close(in_pipe[0]);
  close(out_pipe[1]);
  close(err_pipe[1]);
  signal(SIGPIPE, SIG_IGN);

  CliResult r;
  size_t written = 0;
  int in_fd = in_pipe[1];
  fcntl(in_fd, F_SETFL, O_NONBLOCK);
  if (opts.stdin_closed || opts.in.empty()) {
    close(in_fd);
    in_fd = -1;
  }
  bool out_open = true, err_open = true;
  char buf[65536];
  while (out_open || err_open) {
    pollfd fds[3] = {{out_open ? out_pipe[0] : -1, POLLIN, 0},
                     {err_open ? err_pipe[0] : -1, POLLIN, 0},
                     {in_fd, POLLOUT, 0}};
    if (poll(fds, 3, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[2].revents != 0 && in_fd >= 0) {
      // Never blocked on the input while quorl waits for its output to be read.
      ssize_t n = write(in_fd, opts.in.data() + written, opts.in.size() - written);
      if (n > 0) written += static_cast<size_t>(n);
      if ((n < 0 && errno != EAGAIN) || written == opts.in.size()) {
        close(in_fd);
        in_fd = -1;
      }
    }
    for (int k = 0; k < 2; ++k) {
      if (fds[k].revents == 0) continue;
      ssize_t n = read(fds[k].fd, buf, sizeof buf);
      if (n > 0) {
        (k == 0 ? r.out : r.err).append(buf, static_cast<size_t>(n));
      } else {
        (k == 0 ? out_open : err_open) = false;
      }
    }
  }
  if (in_fd >= 0) close(in_fd);
  close(out_pipe[0]);
  close(err_pipe[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  if (windows_target()) own_lines_to_lf(args, opts, &r.out);
  std::filesystem::remove_all(dir);
  return r;
}

void expect_cli(const CliCase& c) {
  SCOPED_TRACE(c.name);
  CliOptions opts;
  opts.in = c.in;
  opts.files = c.files;
  CliResult r = run_quorl(c.args, opts);
  EXPECT_EQ(r.out, c.out);
  EXPECT_EQ(r.err, c.err);
  EXPECT_EQ(r.status, c.status);
}

}  // namespace quorl_test
