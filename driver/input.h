// Reading lines: rule files, input files and standard input.
//
// A LineFile reads through one buffer that is reused for every line. Lines
// are handed out in place, their newline replaced by a NUL, so reading costs
// no copy; a line stays valid until the next call. A file's lines are
// limited to LINE_LIMIT bytes, so its buffer never holds more than one block
// and one line; standard input has no limit, and its buffer grows to the
// longest line read, never with the length of the stream.
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
#ifndef QUORL_DRIVER_INPUT_H
#define QUORL_DRIVER_INPUT_H

#include <sys/stat.h>

#include <cstddef>

#include "driver/cli.h"
#include "driver/readahead.h"
#include "support/bytebuf.h"

namespace quorl {

// good_lines: the end of the lines from p to the newline at last (every
// one ending in a newline) that are shorter than LINE_LIMIT, taken from
// the first on; p when the first is too long. Whether they hold a NUL is
// the caller's business.
char* good_lines(char* p, char* last);

// The messages of a line too long (line: its first bytes, NUL-terminated),
// of a failed read and of a NUL byte in a file that must keep every byte,
// the same from the line loop and from the threads.
void too_long_message(ByteBuf* msg, const char* line);
void reading_error_message(ByteBuf* msg, const char* name);
void nul_message(ByteBuf* msg, const char* name);

class LineFile {
 public:
  // open: the file name, lines limited to LINE_LIMIT bytes unless limited
  // is false. False when it
  // cannot be opened as a file (a directory cannot). A file still open was
  // left by an end that did not exit (an exit hook that throws): it is
  // closed here rather than kept for good.
  bool open(const char* name, bool limited = true);

  // open_stdin: standard input, named "stdin" in messages, lines unlimited.
  void open_stdin();

  // close: closes a named file; standard input stays open.
  void close();

  // set_idle: fn runs before the input is waited for.
  void set_idle(void (*fn)()) { idle_ = fn; }

  // crlf: CR LF endings on or off (off after open).
  void set_crlf(bool on) { crlf_ = on; }

  // next: the next line, NUL-terminated without its ending, or null at the
  // end of the input. *len is the line's length as read, its ending
  // included. *text_len is the length of the line as text, up to the NUL put
  // in place of its ending, or UNKNOWN_LEN when the input put a NUL into the
  // line. A line of a named file whose *len reaches LINE_LIMIT is handed out
  // as its first LINE_LIMIT bytes, for the caller to reject.
  char* next(size_t* len, size_t* text_len);

  // too_long: a line of len bytes as read is too long for this input.
  bool too_long(size_t len) const { return limited_ && len >= static_cast<size_t>(LINE_LIMIT); }

  // failed: the input ended at a read error, not at its end; name: the
  // input's name in messages.
  bool failed() const { return failed_; }
  const char* name() const { return name_; }

  // had_cr, had_newline: how the line next handed out last ended.
  bool had_cr() const { return had_cr_; }
  bool had_newline() const { return had_nl_; }

  // lines: the whole lines at hand, all but the last of them, when there
  // are at least two and every one is shorter than LINE_LIMIT and holds no
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
  void reset(int fd, const char* name, bool limited, const struct stat* st);
  void to_front();
  char* find_newline();
  void find_nul(size_t from);
  void fill();
  void fill_ahead();
  void read_some();
  void read_failed();

  const char* name_ = nullptr;
  int fd_ = -1;
  bool is_stdin_ = false;
  bool limited_ = true;  // lines of LINE_LIMIT bytes are too long
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
  void (*idle_)() = nullptr;
  ReadAhead ahead_;
};

}  // namespace quorl

#endif
