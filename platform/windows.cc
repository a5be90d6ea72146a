// The platform on Windows (built with MinGW-w64).
//
// Descriptors are the C run time's, each over a system handle; the reads
// and writes go to the handle itself, in binary, so that nothing between
// quorl and the file turns CR LF into LF or stops at a Ctrl-Z. Names are
// opened through the wide calls.
#include "platform/windows.h"

#include <fcntl.h>
#include <io.h>
#include <process.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <initializer_list>

#include "platform/platform.h"

namespace quorl::platform {

const char* const kNewline = "\r\n";
const bool kCrlfByDefault = true;

namespace {

// The code page of the run's texts, for names.
UINT name_code_page = CP_ACP;

// kEucJp: the system's EUC-JP code pages, the first one it has.
constexpr UINT kEucJp[] = {20932, 51932};

UINT code_page_of(NameText text) {
  switch (text) {
    case NameText::shift_jis: return 932;
    case NameText::utf8: return CP_UTF8;
    case NameText::euc_jp:
      for (UINT cp : kEucJp)
        if (IsValidCodePage(cp)) return cp;
      return CP_ACP;
    case NameText::system: break;
  }
  return CP_ACP;
}

// narrow: a malloc'd copy of w in code_page; null when it cannot be made,
// or when a character has no form in code_page (no best fit is taken).
char* narrow(const wchar_t* w, UINT code_page) {
  // UTF-8 holds every character; the other code pages say which they lack.
  const DWORD flags = code_page == CP_UTF8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL lost = FALSE;
  BOOL* lost_at = code_page == CP_UTF8 ? nullptr : &lost;
  const int n = WideCharToMultiByte(code_page, flags, w, -1, nullptr, 0, nullptr, lost_at);
  if (n <= 0 || lost) return nullptr;
  char* s = static_cast<char*>(std::malloc(static_cast<size_t>(n)));
  if (s != nullptr) WideCharToMultiByte(code_page, flags, w, -1, s, n, nullptr, nullptr);
  return s;
}

}  // namespace

wchar_t* to_wide(const char* name, unsigned code_page) {
  const UINT cp = code_page != 0 ? code_page : name_code_page;
  const int n = MultiByteToWideChar(cp, 0, name, -1, nullptr, 0);
  if (n <= 0) return nullptr;
  auto* w = static_cast<wchar_t*>(std::malloc(static_cast<size_t>(n) * sizeof(wchar_t)));
  if (w != nullptr) MultiByteToWideChar(cp, 0, name, -1, w, n);
  return w;
}

char* to_utf8(const wchar_t* name) { return narrow(name, CP_UTF8); }

HANDLE handle_of(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

int errno_of(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE: return ENOENT;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: return EACCES;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ENOMEM;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA: return EPIPE;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_DIRECTORY: return ENOTDIR;
    default: return EIO;
  }
}

void start_process() {
  for (int fd : {0, 1, 2}) _setmode(fd, _O_BINARY);
}

void take_command_line(int* argc, char*** argv, NameText text) {
  name_code_page = code_page_of(text);
  int n = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &n);
  if (wide == nullptr || n != *argc) return;  // keep what the run time gave
  // The arguments live as long as the process.
  auto** args = static_cast<char**>(std::calloc(static_cast<size_t>(n) + 1, sizeof(char*)));
  if (args == nullptr) return;
  // An argument with a character the run's encoding cannot hold stays as
  // the run time gave it, in the ANSI code page: its bytes, when they were
  // bytes to begin with.
  for (int i = 0; i < n; ++i) {
    args[i] = narrow(wide[i], name_code_page);
    if (args[i] == nullptr) args[i] = (*argv)[i];
  }
  LocalFree(wide);
  *argv = args;
}

const char* help_locale() {
  // A locale set in the environment (a POSIX shell on Windows) is the
  // user's word; else the UI language, in the console's code page.
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return value;
  }
  if (PRIMARYLANGID(GetUserDefaultUILanguage()) != LANG_JAPANESE) return "C";
  UINT cp = GetConsoleOutputCP();
  if (cp == 0) cp = GetACP();
  if (cp == 932) return "ja_JP.SJIS";
  if (cp == CP_UTF8) return "ja_JP.UTF-8";
  return "C";
}

// ---- Files ---------------------------------------------------------------

namespace {

void fill_status(const BY_HANDLE_FILE_INFORMATION& info, FileStatus* st) {
  st->kind = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::directory : FileKind::regular;
  st->size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  st->id[0] = info.dwVolumeSerialNumber;
  st->id[1] = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  st->changed = static_cast<int64_t>((static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                                     info.ftLastWriteTime.dwLowDateTime);
  st->mode = 0;
}

bool status_of_handle(HANDLE h, FileStatus* st) {
  *st = FileStatus{};
  switch (GetFileType(h)) {
    case FILE_TYPE_PIPE: st->kind = FileKind::pipe; return true;
    case FILE_TYPE_CHAR: st->kind = FileKind::other; return true;
    case FILE_TYPE_DISK: break;
    default: return false;
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(h, &info)) return false;
  fill_status(info, st);
  return true;
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

}  // namespace

int open_read(const char* name) {
  wchar_t* w = to_wide(name);
  if (w == nullptr) {
    errno = ENOENT;
    return -1;
  }
  const DWORD attrs = GetFileAttributesW(w);
  if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    std::free(w);
    errno = EISDIR;
    return -1;
  }
  HANDLE h = CreateFileW(w, GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  const DWORD error = GetLastError();
  std::free(w);
  if (h == INVALID_HANDLE_VALUE) {
    errno = errno_of(error);
    return -1;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY | _O_BINARY);
  if (fd < 0) CloseHandle(h);
  return fd;
}

bool status_of(int fd, FileStatus* st) {
  HANDLE h = handle_of(fd);
  return h != INVALID_HANDLE_VALUE && status_of_handle(h, st);
}

bool status_of_name(const char* name, FileStatus* st) {
  wchar_t* w = to_wide(name);
  if (w == nullptr) return false;
  HANDLE h = CreateFileW(w, 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  std::free(w);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool ok = status_of_handle(h, st);
  CloseHandle(h);
  return ok;
}

long read_some(int fd, char* buf, size_t n) {
  HANDLE h = handle_of(fd);
  DWORD got = 0;
  const DWORD want = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n);
  if (ReadFile(h, buf, want, &got, nullptr)) return static_cast<long>(got);
  const DWORD error = GetLastError();
  // The writer of a pipe closed it: the end of the input.
  if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) return 0;
  errno = errno_of(error);
  return -1;
}

long read_at(int fd, char* buf, size_t n, uint64_t at) {
  // A read at an offset moves a synchronous handle's position; the
  // position is put back, so that writes at the end go on where they were.
  HANDLE h = handle_of(fd);
  LARGE_INTEGER zero{}, pos{};
  if (!SetFilePointerEx(h, zero, &pos, FILE_CURRENT)) return -1;
  size_t got = 0;
  long result = 0;
  while (got < n) {
    OVERLAPPED o{};
    const uint64_t off = at + got;
    o.Offset = static_cast<DWORD>(off);
    o.OffsetHigh = static_cast<DWORD>(off >> 32);
    const size_t left = n - got;
    DWORD r = 0;
    if (!ReadFile(h, buf + got, left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left), &r, &o)) {
      if (GetLastError() == ERROR_HANDLE_EOF) break;
      errno = errno_of(GetLastError());
      result = -1;
      break;
    }
    if (r == 0) break;
    got += r;
  }
  SetFilePointerEx(h, pos, nullptr, FILE_BEGIN);
  return result < 0 ? -1 : static_cast<long>(got);
}

bool write_all(int fd, const char* s, size_t n) {
  HANDLE h = handle_of(fd);
  while (n > 0) {
    DWORD w = 0;
    if (!WriteFile(h, s, n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n), &w, nullptr)) {
      errno = errno_of(GetLastError());
      return false;
    }
    s += w;
    n -= w;
  }
  return true;
}

bool would_wait(int fd) {
  HANDLE h = handle_of(fd);
  switch (GetFileType(h)) {
    case FILE_TYPE_PIPE: {
      DWORD avail = 0;
      // A pipe whose writer is gone does not wait: the read sees its end.
      return PeekNamedPipe(h, nullptr, 0, nullptr, &avail, nullptr) && avail == 0;
    }
    case FILE_TYPE_CHAR: return WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
    default: return false;
  }
}

void wait_readable(int fd) {
  // Descriptors here never give EAGAIN; a read waits by itself.
  (void)fd;
  Sleep(1);
}

void close_fd(int fd) { _close(fd); }

void grow_pipe(int) {}

const char* temp_dir() {
  static char dir[MAX_PATH + 1];
  const DWORD n = GetTempPathA(sizeof dir, dir);
  if (n == 0 || n > MAX_PATH) return ".";
  if (n > 1 && dir[n - 1] == '\\') dir[n - 1] = '\0';
  return dir;
}

int open_scratch() {
  wchar_t dir[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, dir);
  if (n == 0 || n > MAX_PATH) return -1;
  static LONG count = 0;
  for (int tries = 0; tries < 100; ++tries) {
    wchar_t name[MAX_PATH + 64];
    std::swprintf(name, sizeof name / sizeof name[0], L"%lsquorl-diff-%lu-%ld", dir, GetCurrentProcessId(),
                  InterlockedIncrement(&count));
    HANDLE h = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS) continue;
      return -1;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDWR | _O_BINARY);
    if (fd < 0) CloseHandle(h);
    return fd;
  }
  return -1;
}

int copy_from(int from, int fd, uint64_t n) {
  static char buf[1 << 16];
  for (uint64_t at = 0; at < n;) {
    const size_t want = n - at < sizeof buf ? static_cast<size_t>(n - at) : sizeof buf;
    const long got = read_at(from, buf, want, at);
    if (got == 0) return 1;
    if (got < 0 || !write_all(fd, buf, static_cast<size_t>(got))) return -1;
    at += static_cast<uint64_t>(got);
  }
  return 0;
}

bool truncate_fd(int fd) {
  HANDLE h = handle_of(fd);
  LARGE_INTEGER zero{};
  return SetFilePointerEx(h, zero, nullptr, FILE_BEGIN) && SetEndOfFile(h);
}

const char* find_last(const char* p, char c, size_t n) {
  while (n > 0) {
    if (p[--n] == c) return p + n;
  }
  return nullptr;
}

// ---- Threads and processors ---------------------------------------------

namespace {

struct Start {
  void* (*fn)(void*);
  void* arg;
};

unsigned __stdcall thread_main(void* p) {
  const Start start = *static_cast<Start*>(p);
  std::free(p);
  start.fn(start.arg);
  return 0;
}

}  // namespace

bool start_thread(Thread* thread, void* (*fn)(void*), void* arg) {
  // Termination comes to the console's handler thread, never to this one:
  // nothing to keep away from it.
  auto* start = static_cast<Start*>(std::malloc(sizeof(Start)));
  if (start == nullptr) return false;
  *start = {fn, arg};
  const uintptr_t h = _beginthreadex(nullptr, 0, thread_main, start, 0, nullptr);
  if (h == 0) {
    std::free(start);
    return false;
  }
  thread->handle = reinterpret_cast<void*>(h);
  return true;
}

void join_thread(Thread* thread) {
  WaitForSingleObject(static_cast<HANDLE>(thread->handle), INFINITE);
  CloseHandle(static_cast<HANDLE>(thread->handle));
  thread->handle = nullptr;
}

int processor_count() {
  DWORD_PTR process = 0, system = 0;
  if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system) && process != 0) {
    int n = 0;
    for (; process != 0; process &= process - 1) ++n;
    return n;
  }
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwNumberOfProcessors > 0 ? static_cast<int>(info.dwNumberOfProcessors) : 1;
}

void run_beside() {}

bool Stoppable::open(int fd) {
  close();
  fd_ = fd;
  stopping_ = 0;
  reading_ = 0;
  return true;
}

void Stoppable::close() {
  if (reader_ != nullptr) CloseHandle(static_cast<HANDLE>(reader_));
  reader_ = nullptr;
}

long Stoppable::read(char* buf, size_t n) {
  if (reader_ == nullptr) {
    HANDLE self = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &self, 0, FALSE,
                         DUPLICATE_SAME_ACCESS))
      return -1;
    InterlockedExchangePointer(&reader_, self);
  }
  InterlockedExchange(&reading_, 1);
  long got = kStopped;
  if (InterlockedCompareExchange(&stopping_, 0, 0) == 0) {
    got = read_some(fd_, buf, n);
    // A read that stop() cancelled failed with ERROR_OPERATION_ABORTED.
    if (got < 0 && InterlockedCompareExchange(&stopping_, 0, 0) != 0) got = kStopped;
  }
  InterlockedExchange(&reading_, 0);
  return got;
}

void Stoppable::stop() {
  InterlockedExchange(&stopping_, 1);
  // The reader may be just before its read: cancel until it has left it.
  while (InterlockedCompareExchange(&reading_, 0, 0) != 0) {
    void* reader = InterlockedCompareExchangePointer(&reader_, nullptr, nullptr);
    if (reader != nullptr) CancelSynchronousIo(static_cast<HANDLE>(reader));
    Sleep(1);
  }
}

// ---- Termination ----------------------------------------------------------

namespace {

CRITICAL_SECTION held;
void (*handler)() = nullptr;

BOOL CALLBACK init_held(PINIT_ONCE, PVOID, PVOID*) {
  InitializeCriticalSection(&held);
  return TRUE;
}

void ready_held() {
  static INIT_ONCE once = INIT_ONCE_STATIC_INIT;
  InitOnceExecuteOnce(&once, init_held, nullptr, nullptr);
}

BOOL WINAPI on_control(DWORD) {
  // The console runs this on a thread of its own: it waits for a step that
  // must not be cut in two, then ends the process.
  EnterCriticalSection(&held);
  if (handler != nullptr) handler();
  LeaveCriticalSection(&held);
  return FALSE;
}

}  // namespace

void on_termination(void (*fn)()) {
  ready_held();
  if (fn == nullptr) {
    if (handler != nullptr) SetConsoleCtrlHandler(on_control, FALSE);
    handler = nullptr;
    return;
  }
  if (handler == nullptr) SetConsoleCtrlHandler(on_control, TRUE);
  handler = fn;
}

void hold_termination() {
  ready_held();
  EnterCriticalSection(&held);
}

void release_termination() { LeaveCriticalSection(&held); }

void end_now(int status, const char* msg, size_t n) {
  DWORD w = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), msg, static_cast<DWORD>(n), &w, nullptr);
  ExitProcess(static_cast<UINT>(status));
}

// ---- The classic file routines -------------------------------------------

namespace {

// present: path names a directory, which is what the system's disk
// queries take; else errno ENOENT or ENOTDIR (for a file), so that the
// caller asks the parent, or why the name cannot be asked about at all.
bool present(const char* path) {
  const DWORD attrs = GetFileAttributesA(path);
  if (attrs == INVALID_FILE_ATTRIBUTES) {
    errno = errno_of(GetLastError());
    return false;
  }
  if ((attrs & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    errno = ENOTDIR;
    return false;
  }
  return true;
}

using FreeSpaceEx = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);

FreeSpaceEx free_space_ex() {
  static FreeSpaceEx fn = reinterpret_cast<FreeSpaceEx>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetDiskFreeSpaceExA")));
  return fn;
}

bool free_bytes(const char* path, uint64_t* bytes) {
  if (!present(path)) return false;
  ULARGE_INTEGER avail;
  if (!free_space_ex()(path, &avail, nullptr, nullptr)) {
    errno = errno_of(GetLastError());
    return false;
  }
  *bytes = avail.QuadPart;
  return true;
}

}  // namespace

bool disk_space(const char* path, DiskSpace* out) {
  if (!present(path)) return false;
  // The basic query takes the root of the drive.
  char root[MAX_PATH + 1];
  if (!GetVolumePathNameA(path, root, sizeof root)) {
    errno = errno_of(GetLastError());
    return false;
  }
  DWORD sectors = 0, bytes = 0, free_clusters = 0, clusters = 0;
  if (!GetDiskFreeSpaceA(root, &sectors, &bytes, &free_clusters, &clusters)) {
    errno = errno_of(GetLastError());
    return false;
  }
  out->unit = static_cast<uint64_t>(sectors) * bytes;
  out->free_units = free_clusters;
  if (out->unit == 0) {
    errno = EINVAL;
    return false;
  }
  return true;
}

free_bytes_fn disk_free_bytes() { return free_space_ex() != nullptr ? free_bytes : nullptr; }

bool is_directory(const char* path) {
  const DWORD attrs = GetFileAttributesA(path);
  return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace quorl::platform
