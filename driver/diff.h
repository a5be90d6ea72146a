// A unified diff of the input lines against the edited lines.
//
// Every input line becomes exactly one edited text (which may itself hold
// newlines), so the two sides are paired line by line: a pair that differs
// is a change (its old line removed, its edited text added), a pair that is
// equal is context. This is not a search for the shortest diff: where an
// edited line happens to equal an old neighbour, `diff -u` may pair them
// instead and print fewer lines; both patches give the same file. Around
// the changes, hunks are cut as `diff -u` cuts them (three lines of
// context, hunks whose gap is at most six lines merged, "\ No newline at
// end of file" after a last line without one).
//
// Only the hunk being built is kept, and of it at most Spool::kHold bytes
// of each part in memory: a larger hunk (a file whose every line changes is
// one hunk) goes on in an unnamed temporary file in $TMPDIR (/tmp when unset)
// until it is written, since its header, which counts its lines, must come
// first. So memory stays bounded whatever the size of the input, but for
// the line pair and the context lines at hand. When the temporary file
// cannot be made or written, the run ends with "--diff: cannot write a
// temporary file in <dir>\n" after the hunks before.
//
// Bytes are written as they are, through the put function given to start.
#ifndef QUORL_DRIVER_DIFF_H
#define QUORL_DRIVER_DIFF_H

#include <cstddef>

#include "support/bytebuf.h"

namespace quorl {

// LineQueue: up to a few lines, oldest first, each in a buffer of its own
// that is reused as lines come and go.
class LineQueue {
 public:
  static constexpr size_t kMax = 8;
  size_t size() const { return count_; }
  const ByteBuf& operator[](size_t k) const { return lines_[(first_ + k) % kMax]; }
  // push_back: a copy of line as the newest (at most kMax are held).
  void push_back(const ByteBuf& line) {
    ByteBuf& slot = lines_[(first_ + count_++) % kMax];
    slot.clear();
    slot.append(line.data, line.len);
  }
  void pop_front() {
    first_ = (first_ + 1) % kMax;
    --count_;
  }
  void clear() { count_ = 0; }

 private:
  ByteBuf lines_[kMax];
  size_t first_ = 0;
  size_t count_ = 0;
};

using put_fn = void (*)(const char* bytes, size_t n);

// Spool: bytes appended in order, to be written out once. The latest are
// held in memory; whenever they reach kHold bytes they move to the end of
// the spool's temporary file, made at the first such move and reused. A
// failure to make or write it is kept (failed()); the bytes are then lost.
class Spool {
 public:
  static constexpr size_t kHold = size_t{1} << 20;

  Spool() = default;
  Spool(const Spool&) = delete;
  Spool& operator=(const Spool&) = delete;
  ~Spool();

  bool failed() const { return failed_; }
  // append, push: n bytes at p, or the byte c, added at the end.
  void append(const char* p, size_t n) {
    if (mem_.len + n >= kHold) {
      append_large(p, n);
      return;
    }
    mem_.append(p, n);
  }
  void push(char c) {
    mem_.push(c);
    if (mem_.len >= kHold) spill();
  }
  // take: the bytes of other appended after these; other is left empty.
  void take(Spool* other);
  // put_to: every byte, in order, through put; the spool is left empty.
  void put_to(put_fn put);
  // clear: the spool emptied (its temporary file is kept for reuse).
  void clear();
  // reset: the spool as new: empty, without a file or a failure.
  void reset();

 private:
  void append_large(const char* p, size_t n);
  void spill();
  bool open_file();
  void write_file(const char* p, size_t n);

  ByteBuf mem_;        // the latest bytes, after those in the file
  int fd_ = -1;        // the temporary file, or -1 before the first spill
  size_t in_file_ = 0;  // bytes in the file
  bool failed_ = false;
};

// diff_temp_dir: where a spool makes its temporary file: $TMPDIR, or /tmp
// when it is unset or empty.
const char* diff_temp_dir();

class UnifiedDiff {
 public:

  // start: a new diff between files both named name, written through put.
  void start(const char* name, put_fn put);

  // old_line: the next input line, its n bytes of text and its ending.
  void old_line(const char* text, size_t n, bool cr, bool newline);

  // new_text: n more bytes of the edited text of the last old_line.
  void new_text(const char* bytes, size_t n) {
    new_.append(bytes, n);
    edited_ = true;
  }

  // finish: the last pair compared and the last hunk written. After a fault
  // (ok false) a line whose edit never came is left out. False, after the
  // message, when a hunk could not be kept (see above).
  bool finish(bool ok);

 private:
  static constexpr size_t kContext = 3;

  void compare();
  void put_lines(Spool* to, char mark, const ByteBuf& text, bool no_newline);
  void put_context(const LineQueue& lines, size_t n);
  void flush_change();
  void close_hunk();
  bool spools_ok();

  put_fn put_ = nullptr;
  ByteBuf name_;
  bool pending_ = false;   // an old line waits for its edited text
  bool edited_ = false;    // and some of it has come
  bool headed_ = false;    // the file names are written
  ByteBuf old_;            // the waiting old line, its ending included
  bool old_nl_ = true;     // it ends in a newline
  ByteBuf new_;            // its edited text so far
  bool abandoned_ = false;  // a spool failed: nothing more is written
  bool finishing_ = false;  // in finish: a failure is returned, not ended on
  long long old_no_ = 0;   // lines of each side compared so far
  long long new_no_ = 0;
  LineQueue before_;                // context before the next hunk
  bool in_hunk_ = false;
  long long old_start_ = 0, new_start_ = 0, old_count_ = 0, new_count_ = 0;
  Spool body_;                      // the hunk's lines so far
  Spool minus_, plus_;              // the change being built
  LineQueue tail_;                  // equal lines after the last change
};

}  // namespace quorl

#endif
