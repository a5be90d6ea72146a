// quorl.exe run as a Windows program, in a folder of its own, the way a
// user runs it. Lines end as a Windows user has them, arguments and file
// names come from the wide command line, and --in-place replaces a file
// whole or not at all: no temporary file outlives the run (whether it
// fails, is killed or is interrupted), and a backup never overwrites a
// file.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "quorl/quorl.h"

namespace {

namespace fs = std::filesystem;

// Folder: a fresh folder, removed with all it holds.
struct Folder {
  fs::path path;
  Folder() {
    path = fs::temp_directory_path() / ("quorl-in-place-" + std::to_string(GetCurrentProcessId()) + "-" +
                                        std::to_string(GetTickCount64()));
    fs::create_directories(path);
  }
  ~Folder() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
  void write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path / name, std::ios::binary) << bytes;
  }
  std::string read(const std::string& name) const {
    std::ifstream in(path / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::set<std::string> names() const {
    std::set<std::string> all;
    for (const auto& e : fs::directory_iterator(path)) all.insert(e.path().filename().string());
    return all;
  }
};

// start: quorl.exe with args (a command line's tail, UTF-16) in folder,
// standard input from the file in (the null device when empty), standard
// output to the file out (likewise); the process handle.
HANDLE start(const Folder& folder, const std::wstring& args, DWORD flags = 0, const std::string& in = "",
             const std::string& out = "") {
  std::wstring line = L"\"" + fs::path(QUORL_BIN).wstring() + L"\" " + args;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  const auto open = [&](const std::string& name, bool write) {
    const std::wstring path = name.empty() ? L"NUL" : (folder.path / name).wstring();
    return CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       write && !name.empty() ? CREATE_ALWAYS : OPEN_EXISTING, 0, nullptr);
  };
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = open(in, false);
  si.hStdOutput = open(out, true);
  si.hStdError = open("", true);
  PROCESS_INFORMATION pi{};
  const std::wstring dir = folder.path.wstring();
  const BOOL ok = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, flags, nullptr, dir.c_str(), &si, &pi);
  for (HANDLE h : {si.hStdInput, si.hStdOutput, si.hStdError}) CloseHandle(h);
  EXPECT_TRUE(ok);
  if (!ok) return nullptr;
  CloseHandle(pi.hThread);
  return pi.hProcess;
}

// run: quorl.exe run to its end; its exit status.
DWORD run(const Folder& folder, const std::wstring& args, const std::string& in = "", const std::string& out = "") {
  HANDLE p = start(folder, args, 0, in, out);
  if (p == nullptr) return 255;
  WaitForSingleObject(p, INFINITE);
  DWORD status = 255;
  GetExitCodeProcess(p, &status);
  CloseHandle(p);
  return status;
}

TEST(WindowsInPlace, FinishedFailedAndRefusedRuns) {
  struct Case {
    const char* name;
    const wchar_t* args;
    const char* before;
    DWORD status;
    const char* after;
    std::set<std::string> names;
  };
  const Case cases[] = {
      {"edited, CR LF kept", L"--in-place -r 1:X -f f", "a1\r\nb2\r\n", 0, "aX\r\nb2\r\n", {"f"}},
      {"a rule that fails at the last line", L"--in-place -r a:A,q:$ -f f", "a\r\nq\r\n", 1, "a\r\nq\r\n", {"f"}},
      {"the original kept as the backup", L"--in-place=.orig -r a:b -f f", "a\r\n", 0, "b\r\n", {"f", "f.orig"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Folder folder;
    folder.write("f", c.before);
    EXPECT_EQ(run(folder, c.args), c.status);
    EXPECT_EQ(folder.read("f"), c.after);
    EXPECT_EQ(folder.names(), c.names);
  }
  Folder folder;
  folder.write("f", "a\r\n");
  const std::wstring f = (folder.path / "f").wstring();
  SetFileAttributesW(f.c_str(), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(run(folder, L"--in-place -r a:b -f f"), 0u);
  EXPECT_EQ(folder.read("f"), "b\r\n");
  EXPECT_NE(GetFileAttributesW(f.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);  // attributes kept
  SetFileAttributesW(f.c_str(), FILE_ATTRIBUTE_NORMAL);
  folder.write("f", "a\r\n");
  folder.write("f.orig", "old\r\n");
  EXPECT_EQ(run(folder, L"--in-place=.orig -r a:b -f f"), 1u);
  EXPECT_EQ(folder.read("f"), "a\r\n");
  EXPECT_EQ(folder.read("f.orig"), "old\r\n");  // never overwritten
}

// Text as a Windows user has it: a CR before LF is the line's ending, and
// the lines quorl makes itself end in CR LF; Japanese arguments and file
// names arrive through the wide command line in the run's encoding.
TEST(WindowsLines, EndingsArgumentsAndNames) {
  struct Case {
    const char* name;
    const wchar_t* args;
    const char* in;
    const char* out;
  };
  // 東京 and 大阪 in Shift_JIS and in UTF-8; 売上.csv holds Shift_JIS.
  const Case cases[] = {
      {"the <string> ends in CR LF", L"-r a:b abc", "", "bbc\r\n"},
      {"a CR before LF is the ending", L"-t, -e $2,$1 -f -", "a,b\r\nc,d\n", "b,a\r\nd,c\n"},
      {"--version ends its lines in CR LF", L"--version", "", "quorl 1.81\r\n"},
      {"Japanese rule and file name", L"-r \u6771\u4eac:\u5927\u962a -f \u58f2\u4e0a.csv", "",
       "\x91\xe5\x8d\xe3,4\r\n"},
      {"the same in UTF-8", L"--encoding=utf-8 -r \u6771\u4eac:\u5927\u962a \u6771\u4eac",
       "", "\xe5\xa4\xa7\xe9\x98\xaa\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Folder folder;
    folder.write("in", c.in);
    std::ofstream(folder.path / fs::path(L"\u58f2\u4e0a.csv"), std::ios::binary) << "\x93\x8c\x8b\x9e,4\r\n";
    EXPECT_EQ(run(folder, c.args, "in", "out"), 0u);
    const std::string out = folder.read("out");
    EXPECT_EQ(out.substr(0, std::strlen(c.out)), c.out);
  }
}

// --help follows the user's UI language, in the code page the console
// (or, without one, the system) writes: with no locale in the environment,
// Japanese in Shift_JIS for a Japanese user on code page 932, English for
// any other user. (tools/windows.sh runs this both ways under Wine.)
TEST(WindowsLines, HelpInTheUsersLanguage) {
  Folder folder;
  for (const wchar_t* name : {L"LC_ALL", L"LC_MESSAGES", L"LANG"}) SetEnvironmentVariableW(name, nullptr);
  EXPECT_EQ(run(folder, L"--help", "", "out"), 0u);
  const std::string out = folder.read("out");
  UINT cp = GetConsoleOutputCP();
  if (cp == 0) cp = GetACP();
  const bool japanese = PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE;
  std::string want = "Usage: ";                                            // English otherwise
  if (japanese && cp == 932) want = "\x8e\x67\x82\xa2\x95\xfb: ";            // 使い方: in Shift_JIS
  if (japanese && cp == CP_UTF8) want = "\xe4\xbd\xbf\xe3\x81\x84\xe6\x96\xb9: ";  // in UTF-8
  EXPECT_EQ(out.substr(0, want.size()), want) << (japanese ? "Japanese UI, code page " : "UI not Japanese, ") << cp;
}

// end_while_writing: a run that ends while its new file is written,
// killed outright or interrupted with Ctrl-Break, leaves the file as it
// was and nothing beside it.
void end_while_writing(bool kill) {
  std::string big;
  for (int i = 0; i < 600000; ++i) big += std::string(91, 'a') + "\r\n";
  Folder folder;
  folder.write("f", big);
  // Ctrl-Break goes through a console that both processes share.
  if (!kill && GetConsoleWindow() == nullptr) AllocConsole();
  HANDLE p = start(folder, L"--in-place --jobs=1 -r a:b -f f", kill ? 0 : CREATE_NEW_PROCESS_GROUP);
  ASSERT_NE(p, nullptr);
  // Wait for the new file to appear beside the target.
  bool seen = false;
  for (int i = 0; i < 3000 && !seen && WaitForSingleObject(p, 0) == WAIT_TIMEOUT; ++i) {
    seen = folder.names().size() > 1;
    if (!seen) Sleep(2);
  }
  if (!seen) {
    TerminateProcess(p, 9);
    CloseHandle(p);
    GTEST_SKIP() << "the run ended before its new file could be seen";
  }
  if (kill) {
    TerminateProcess(p, 9);
  } else if (!GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, GetProcessId(p))) {
    TerminateProcess(p, 9);
    CloseHandle(p);
    GTEST_SKIP() << "no console to send Ctrl-Break through here";
  }
  WaitForSingleObject(p, INFINITE);
  DWORD status = 0;
  GetExitCodeProcess(p, &status);
  CloseHandle(p);
  EXPECT_NE(status, 0u);
  EXPECT_TRUE(folder.read("f") == big) << "the file changed";
  EXPECT_EQ(folder.names(), std::set<std::string>{"f"});
}

// A library caller's edit of a pipe that stays open, ended by a fault in
// the rules: the read-ahead thread, waiting for more of the pipe, is
// stopped and the call returns.
TEST(WindowsLibrary, AFaultEndsTheWaitOnAnOpenPipe) {
  HANDLE read_end = nullptr, write_end = nullptr;
  ASSERT_TRUE(CreatePipe(&read_end, &write_end, nullptr, 0));
  DWORD written = 0;
  WriteFile(write_end, "abc\nq\n", 6, &written, nullptr);
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(read_end), _O_RDONLY | _O_BINARY);
  quorl::RuleOptions options;
  options.specs = {"a:X,q:$"};
  quorl::Editor editor{quorl::Rules(options)};
  std::string got;
  const quorl::Sink keep = [&got](std::string_view bytes) {
    got.append(bytes);
    return true;
  };
  const quorl::LinesEdited edited = quorl::edit_stream(editor, fd, keep);
  EXPECT_FALSE(edited);
  EXPECT_EQ(got, "Xbc\n");
  _close(fd);
  CloseHandle(write_end);
}

TEST(WindowsInPlace, KilledWhileTheNewFileIsWritten) { end_while_writing(true); }
TEST(WindowsInPlace, InterruptedWhileTheNewFileIsWritten) { end_while_writing(false); }

}  // namespace
