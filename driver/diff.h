// A unified diff of the input lines against the edited lines.
//
// Every input line becomes exactly one edited text (which may itself hold
// newlines), so the two sides are paired line by line: a pair that differs
// is a change, a pair that is equal is context. The hunks are those of
// `diff -u` (three lines of context, hunks whose gap is at most six lines
// merged, "\ No newline at end of file" after a last line without one).
// Only the hunk being built is kept: memory grows with the longest run of
// changes, not with the input.
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

class UnifiedDiff {
 public:
  using put_fn = void (*)(const char* bytes, size_t n);

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
  // (ok false) a line whose edit never came is left out.
  void finish(bool ok);

 private:
  static constexpr size_t kContext = 3;

  void compare();
  void put_lines(ByteBuf* to, char mark, const ByteBuf& text, bool no_newline);
  void put_context(const LineQueue& lines, size_t n);
  void flush_change();
  void close_hunk();

  put_fn put_ = nullptr;
  ByteBuf name_;
  bool pending_ = false;   // an old line waits for its edited text
  bool edited_ = false;    // and some of it has come
  bool headed_ = false;    // the file names are written
  ByteBuf old_;            // the waiting old line, its ending included
  bool old_nl_ = true;     // it ends in a newline
  ByteBuf new_;            // its edited text so far
  long old_no_ = 0;        // lines of each side compared so far
  long new_no_ = 0;
  LineQueue before_;                // context before the next hunk
  bool in_hunk_ = false;
  long old_start_ = 0, new_start_ = 0, old_count_ = 0, new_count_ = 0;
  ByteBuf body_;                    // the hunk's lines so far
  ByteBuf minus_, plus_;            // the change being built
  LineQueue tail_;                  // equal lines after the last change
};

}  // namespace quorl

#endif
