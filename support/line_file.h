// Reading lines: the one line reader behind every input quorl edits or
// reads (rule files, input files, standard input, streams and buffers given
// to the library, the chunks of a file edited on several threads).
//
// A LineFile reads through one buffer that is reused for every line. Lines
// are handed out in place, their newline replaced by a NUL, so reading costs
// no copy; a line stays valid until the next call. Lines may be limited in
// length (a file's lines on the command line are: LINE_LIMIT bytes), so the
// buffer never holds more than one block and one line; without a limit the
// buffer grows to the longest line read, never with the length of the
// stream.
//
// With CR LF endings on, a carriage return directly before a newline (or at
// the very end of the input) belongs to the line ending: it is cut off the
// text like the newline, and had_cr() tells the writer to put it back.
//
// Bytes are taken as they are; a NUL inside a line is reported through the
// text length (see next). A read error ends the input after the whole lines
// before it, and failed() tells it from the end (the caller reports
// "<name>: reading error\n"); a descriptor that has nothing yet (EAGAIN) is
// waited for, never taken for the end. A pipe is read ahead on a thread of its own (see readahead.h).
// Before the input is waited for (a pipe or a terminal with nothing to read
// yet) the idle hook runs, so what was edited so far can be written out:
// `tail -f log | quorl ...` shows each line as it comes.
#ifndef QUORL_SUPPORT_LINE_FILE_H
#define QUORL_SUPPORT_LINE_FILE_H

#include <cstddef>
#include <string_view>

#include "platform/platform.h"
#include "support/bytebuf.h"
#include "support/readahead.h"

namespace quorl {

// A line of a command-line input or rule file whose length, newline
// included, reaches LINE_LIMIT bytes is rejected as too long.
constexpr size_t LINE_LIMIT = 4095;

// too_long_message: the message of a line too long (line: its first
// bytes, NUL-terminated), the same from the line loop and from the threads.
void too_long_message(ByteBuf* msg, const char* line);

class LineFile {
 public:
  // A line's text length when the line holds a NUL byte of its own.
  static constexpr size_t kHasNul = static_cast<size_t>(-1);

  LineFile() = default;
  LineFile(const LineFile&) = delete;
  LineFile& operator=(const LineFile&) = delete;
  ~LineFile() { close(); }

  // open: the file name, lines of limit bytes or more too long (0: no
  // limit). False when it cannot be opened as a file (a directory cannot).
  bool open(const char* name, size_t limit = LINE_LIMIT);

  // open_fd: the descriptor fd, read to its end and left open, named name
  // in messages, with lines of limit bytes or more too long (0: no limit).
  void open_fd(int fd, const char* name, size_t limit = 0);

  // open_fd with a head: head, bytes already read from fd (to guess the
  // text's encoding), taken as its first; ended: fd was read to its end
  // then, and is not read again (a terminal would wait for more).
  void open_fd(int fd, const char* name, size_t limit, std::string_view head, bool ended);

  // open_reader: read(arg, buf, n) as the source (it returns the count read,
  // 0 at the end, -1 on an error), named name in messages.
  using read_fn = long (*)(void* arg, char* buf, size_t n);
  void open_reader(read_fn read, void* arg, const char* name, size_t limit = 0);

  // open_buffer: the bytes [begin, end) of *buf as the whole input, lines
  // of limit bytes or more too long. The buffer is taken over, without a
  // copy, until give_back returns it; a byte after end must be writable.
  // Runs of lines (see lines) then hold back no line: there is nothing
  // more to wait for.
  void open_buffer(ByteBuf* buf, size_t begin, size_t end, size_t limit);
  void give_back(ByteBuf* buf) { buf_.swap(*buf); }

  // open_stdin: standard input, named "stdin" in messages, lines unlimited.
  void open_stdin() { open_fd(0, "stdin"); }

  // close: closes a file that open opened; a descriptor given stays open.
  void close();

  // set_idle: fn(arg) runs before the input is waited for.
  void set_idle(void (*fn)(void*), void* arg) {
    idle_ = fn;
    idle_arg_ = arg;
  }

  // crlf: CR LF endings on or off (off after open).
  void set_crlf(bool on) { crlf_ = on; }

  // next: the next line, NUL-terminated without its ending, or null at the
  // end of the input. *len is the line's length as read, its ending
  // included. *text_len is the length of the line as text, up to the NUL put
  // in place of its ending, or UNKNOWN_LEN when the input put a NUL into the
  // line (kHasNul). A line whose *len reaches the limit is handed out as
  // its first limit bytes, for the caller to reject.
  char* next(size_t* len, size_t* text_len);

  // too_long: a line of len bytes as read is too long for this input.
  bool too_long(size_t len) const { return limit_ != 0 && len >= limit_; }

  // failed: the input ended at a read error, not at its end; name: the
  // input's name in messages.
  bool failed() const { return failed_; }
  const char* name() const { return name_; }

  // had_cr, had_newline: how the line next handed out last ended; ending:
  // that ending's bytes ("\n", "\r\n", a last "\r", or "").
  bool had_cr() const { return had_cr_; }
  bool had_newline() const { return had_nl_; }
  const char* ending() const { return had_cr_ ? (had_nl_ ? "\r\n" : "\r") : (had_nl_ ? "\n" : ""); }

  // lines: the whole lines at hand, all but the last of them, when there
  // are at least two and every one is shorter than the limit and holds no
  // NUL; null otherwise, and always with CR LF endings on. *n is their
  // length, the last newline included. They are taken as next would take
  // them one by one; the line held back is left for next, so every stop
  // (end of input, a line too long, a NUL, a read) comes after a line that
  // next has handed out.
  char* lines(size_t* n);

 private:
  static constexpr size_t kBlock = 1 << 18;
  static constexpr size_t kNone = static_cast<size_t>(-1);

  // reset: reading fd from its start; st is its status, or null when
  // unknown.
  void reset(int fd, const char* name, size_t limit, const platform::FileStatus* st);
  void reset_state(int fd, const char* name, size_t limit);
  void to_front();
  char* find_newline();
  void find_nul(size_t from);
  void fill();
  void fill_ahead();
  void read_some();
  void read_failed();

  const char* name_ = nullptr;
  int fd_ = -1;
  bool owns_fd_ = false;  // open opened fd_: close closes it
  bool hold_back_ = true;  // lines() leaves the last line at hand to next()
  size_t limit_ = 0;      // lines of limit_ bytes are too long; 0: none
  bool crlf_ = false;
  bool had_cr_ = false;
  bool had_nl_ = false;
  ByteBuf buf_;
  size_t begin_ = 0;
  size_t end_ = 0;
  size_t scanned_ = 0;  // bytes from begin_ known to hold no newline
  size_t nul_ = kNone;  // the first NUL byte read at or after begin_, or kNone
  bool eof_ = false;
  bool failed_ = false;  // the end came from a read error
  bool waits_ = false;  // not a regular file: the input may keep us waiting
  read_fn reader_ = nullptr;  // the source when it is no descriptor
  void* reader_arg_ = nullptr;
  void (*idle_)(void*) = nullptr;
  void* idle_arg_ = nullptr;
  ReadAhead ahead_;
};

}  // namespace quorl

#endif
