// What differs between operating systems, behind one small interface.
//
// quorl runs on POSIX systems (posix.cc) and on Windows (windows.cc); every
// call that is not the same on both lives in one of those two files, and
// everything above this folder is written once. The interface is the part
// of the system each layer needs, in its own terms:
//
// - Files are the C run time's descriptors on both systems. Names are bytes
//   in the run's encoding (name_code_page); Windows opens them through the
//   wide calls, so a name in any code page works whatever the ANSI one is.
// - A read that another thread can stop (the read-ahead of a pipe): poll
//   with an eventfd on Linux, CancelSynchronousIo on Windows.
// - The in-place transaction's steps: a new file beside the target, the
//   target's attributes given to it, flushed to disk, put in the target's
//   place (rename, or ReplaceFileW, which keeps the target's attributes and
//   ACL the Windows way), and a backup that never overwrites a file.
// - Termination: signals on POSIX, the console's control handler on
//   Windows; a handler registered here runs once, and hold_termination
//   keeps it out of a step that must not be cut in two.
// - Character sets: a converter between two of them, by name (iconv(3) on
//   POSIX; MultiByteToWideChar and WideCharToMultiByte on Windows), and
//   the locale's own character set.
// - The processor count, threads with the termination signals kept on the
//   main thread, the disk queries of the classic file routines, the user's
//   language for --help, the line ending of text quorl makes itself, and
//   the command line as the run's encoding.
//
// Nothing here prints: failures come back as results (and errno), and the
// caller words the message.
#ifndef QUORL_PLATFORM_PLATFORM_H
#define QUORL_PLATFORM_PLATFORM_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// QUORL_PRINTF_FORMAT(f, a): a function whose argument f is a printf
// format for the arguments from a on, checked as the C library in use
// reads it (MinGW-w64's C99 printf: gnu_printf).
#ifdef __MINGW32__
#define QUORL_PRINTF_FORMAT(f, a) __attribute__((format(gnu_printf, f, a)))
#else
#define QUORL_PRINTF_FORMAT(f, a) __attribute__((format(printf, f, a)))
#endif

namespace quorl::platform {

// ---- Text quorl makes itself ---------------------------------------------

// kNewline: how a line quorl writes without an ending of its own ends (the
// <string> operand, the help): "\r\n" on Windows, "\n" elsewhere.
extern const char* const kNewline;

// kCrlfByDefault: whether a CR before LF belongs to a line's ending unless
// the user says otherwise (true on Windows, as --crlf does elsewhere).
extern const bool kCrlfByDefault;

// start_process: standard streams in binary mode, so that quorl alone
// decides line endings.
void start_process();

// NameText: how the run's texts are encoded, for the command line and for
// the file names it gives.
enum class NameText { shift_jis, utf8, euc_jp, system };

// take_command_line: *argc/*argv become the command line in text (on
// Windows taken from the wide command line, so that any character the
// encoding holds arrives whatever the ANSI code page is); names opened
// later are read in text too. Nothing changes on POSIX, where arguments
// are bytes already.
void take_command_line(int* argc, char*** argv, NameText text);

// help_locale: the user's locale as a POSIX locale name ("ja_JP.UTF-8",
// "C"): the environment's on POSIX; on Windows the UI language with the
// console's output code page (932: Shift_JIS, 65001: UTF-8).
const char* help_locale();

// ---- Files ---------------------------------------------------------------

enum class FileKind { regular, directory, pipe, other };

// FileStatus: what is known of an open file or a name. `id` and `changed`
// tell a replaced or rewritten file from the one read.
struct FileStatus {
  FileKind kind = FileKind::other;
  uint64_t size = 0;
  uint64_t id[2] = {0, 0};  // the file itself (device and inode, volume and index)
  int64_t changed = 0;      // time of last write, in the system's own units
  unsigned mode = 0;        // POSIX permission bits (0 on Windows)
};

// open_read: name opened for reading; -1 when it cannot be, and a
// directory never is (errno EISDIR).
int open_read(const char* name);

// status_of, status_of_name: false when the system cannot tell.
bool status_of(int fd, FileStatus* st);
bool status_of_name(const char* name, FileStatus* st);

// read_some: one read of up to n bytes (interrupted reads retried): the
// count, 0 at the end, -1 on an error.
long read_some(int fd, char* buf, size_t n);

// read_at: up to n bytes at offset at; fewer only at the end of the file;
// -1 on an error.
long read_at(int fd, char* buf, size_t n, uint64_t at);

// write_all: n bytes written whole, waiting on a descriptor that would
// block; false on an error.
bool write_all(int fd, const char* buf, size_t n);

// would_wait: a read of fd would wait now (a pipe or terminal with nothing
// in it yet); wait_readable: waits until it would not.
bool would_wait(int fd);
void wait_readable(int fd);

void close_fd(int fd);

// grow_pipe: a larger pipe buffer for a standard-input pipe, where the
// system has one to grow; nothing otherwise.
void grow_pipe(int fd);

// temp_dir: the directory for temporary files ($TMPDIR or /tmp; %TEMP%).
const char* temp_dir();

// open_scratch: a new read-write file in temp_dir that vanishes when
// closed; -1 when none can be made.
int open_scratch();

// copy_from: the first n bytes of from appended to fd; 0 on success, 1 when
// from ended first, -1 on a read or write error.
int copy_from(int from, int fd, uint64_t n);
// truncate_fd: fd emptied and its offset set to 0.
bool truncate_fd(int fd);

// find_last: the last byte c among the n at p, or null.
const char* find_last(const char* p, char c, size_t n);

// ---- Character sets -------------------------------------------------------

// Converter: text from one character set to another. Names are the
// system's own (iconv's on POSIX: "CP932", "UTF-8", "EUC-JP-MS"; on
// Windows "CP<code page>", and the same three names); charset_name gives
// the one for each quorl encoding. A converter keeps no state between
// calls, but a sequence cut by the end of a call must be given again, whole,
// at the start of the next.
class Converter {
 public:
  // Stop: where a conversion ended. done: all of it; invalid: at a sequence
  // that is no character of the source set; unconvertible: at a character
  // the target cannot hold (never with translit); incomplete: at a
  // character cut short by the end of the input.
  enum class Stop { done, invalid, unconvertible, incomplete };

  Converter() = default;
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  ~Converter() { close(); }

  // open: ready to convert from the set named from to the one named to;
  // with translit, a character the target cannot hold is written as the
  // system's nearest (or a '?'). False when the system knows either name
  // not, or cannot convert between them.
  bool open(const char* from, const char* to, bool translit);
  void close();

  // convert: the n bytes at in converted and appended to *out; *used is
  // how many of them were converted, up to where it stopped.
  Stop convert(const char* in, size_t n, std::string* out, size_t* used);

 private:
  void* handle_ = nullptr;  // POSIX: the iconv descriptor
  void* probe_ = nullptr;   // POSIX: from -> UTF-8, to tell a bad byte from a character
  [[maybe_unused]] unsigned from_cp_ = 0, to_cp_ = 0;  // Windows: the code pages
  bool translit_ = false;
};

// charset_name: the system's name for a quorl encoding's characters
// (Shift_JIS as code page 932 with its extensions); null for bytes.
const char* charset_name(unsigned char encoding);

// locale_codeset: the character set of the user's locale (nl_langinfo
// (CODESET) after setlocale(LC_CTYPE, ""); on Windows the ANSI code page,
// "CP<n>"), as converter names it.
const char* locale_codeset();

// ---- Threads and processors ---------------------------------------------

struct Thread {
  void* handle = nullptr;
};

// start_thread: fn(arg) on a new thread that leaves termination to the
// main thread; false when no thread could be had.
bool start_thread(Thread* thread, void* (*fn)(void*), void* arg);
void join_thread(Thread* thread);

// processor_count: the processors this process may run on (at least 1).
int processor_count();

// run_beside: the calling thread never preempts the others when it wakes.
void run_beside();

// Stoppable: a blocking read that another thread may stop.
class Stoppable {
 public:
  static constexpr long kStopped = -2;
  Stoppable() = default;
  Stoppable(const Stoppable&) = delete;
  Stoppable& operator=(const Stoppable&) = delete;
  ~Stoppable() { close(); }
  // open: ready for reads of fd; false when the system cannot stop them.
  bool open(int fd);
  void close();
  // read: as read_some, or kStopped once stop() was called.
  long read(char* buf, size_t n);
  // stop: the current read, and every later one, ends with kStopped.
  void stop();

 private:
  int fd_ = -1;
  intptr_t wake_ = -1;  // POSIX: an eventfd
  // Windows: the reading thread, whether it is in a read, and whether a
  // stop was asked for.
  [[maybe_unused]] void* reader_ = nullptr;
  [[maybe_unused]] volatile long reading_ = 0;
  volatile long stopping_ = 0;
};

// ---- Termination ----------------------------------------------------------

// on_termination: fn runs (once) when the user or the system ends the
// process (SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGXFSZ; Ctrl-C,
// Ctrl-Break, closing the console); fn must end the process itself with
// end_now. Null restores the defaults.
void on_termination(void (*fn)());

// hold_termination, release_termination: while held, a termination waits
// (nested holds count).
void hold_termination();
void release_termination();

// end_now: the process ends at once with status, after writing n bytes of
// msg to standard error; safe inside the termination handler.
[[noreturn]] void end_now(int status, const char* msg, size_t n);

// ---- The in-place transaction --------------------------------------------

// Target: the file an in-place edit replaces.
struct Target {
  char* path = nullptr;  // the file itself, links resolved (malloc'd)
  size_t dir_len = 0;    // its directory's length, the separator included
  FileStatus status;
  int fd = -1;           // open for reading
};

// open_target: *t filled for name; false with errno ENOENT (missing or a
// directory) or EINVAL (not a regular file).
bool open_target(const char* name, Target* t);
// target_changed: the file at t->path is no longer the one opened.
bool target_changed(const Target& t);
void close_target(Target* t);

// Replacement: the new file beside the target.
struct Replacement {
  int fd = -1;
  char* name = nullptr;  // its name while it has one (malloc'd), else null
};

// begin_replacement: the new file made in the target's directory with the
// target's owner, permissions and ACL where the system gives them to a new
// file that way; false with errno set (EPERM: the attributes).
bool begin_replacement(const Target& t, Replacement* r);
// flush_to_disk: the file's bytes on the disk.
bool flush_to_disk(int fd);
// start_writeback: the last n bytes written to fd start on their way to the
// disk, so that flush_to_disk finds little left to do (a hint).
void start_writeback(int fd, uint64_t n);
// make_backup: the target kept under backup (a link, or a copy), never
// over an existing file: false with errno EEXIST then.
bool make_backup(const Target& t, const char* backup);
// put_in_place: the new file made the target, atomically; termination
// must be held. False leaves the target as it was.
bool put_in_place(const Target& t, Replacement* r);
// drop_replacement: the new file gone (termination held by the caller
// while it has a name).
void drop_replacement(Replacement* r);
// remove_replacement: the new file's name removed, if it has one; for the
// termination handler, which ends the process next.
void remove_replacement(const Replacement& r);
// exists: something (a file, link or directory) has this name.
bool exists(const char* name);
// remove_file: name (a name the user gave) removed.
void remove_file(const char* name);

// ---- The classic file routines -------------------------------------------

// The disk and file queries of the classic routines, on native paths
// (kSeparator separates their components).
#ifdef _WIN32
inline constexpr char kSeparator = '\\';
#else
inline constexpr char kSeparator = '/';
#endif
struct DiskSpace {
  uint64_t unit;        // bytes per allocation unit
  uint64_t free_units;  // allocation units available to the caller
};
// disk_space: the room on the drive or file system that holds path; false
// with errno ENOENT or ENOTDIR when path does not exist.
bool disk_space(const char* path, DiskSpace* out);
// disk_free_bytes: the extended query, which reports the free bytes
// directly, where the system has it; null where it does not (Windows looks
// it up at run time).
using free_bytes_fn = bool (*)(const char* path, uint64_t* bytes);
free_bytes_fn disk_free_bytes();
bool is_directory(const char* path);

}  // namespace quorl::platform

#endif
