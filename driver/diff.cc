#include "driver/diff.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "support/errors.h"
#include "support/exit.h"

namespace quorl {

namespace {

bool same(const ByteBuf& a, const ByteBuf& b) {
  return a.len == b.len && (a.len == 0 || std::memcmp(a.data, b.data, a.len) == 0);
}

}  // namespace

const char* diff_temp_dir() { return platform::temp_dir(); }

Spool::~Spool() {
  if (fd_ >= 0) platform::close_fd(fd_);
}

// open_file: the temporary file made, nameless where the system allows
// (else named only until it is open); false when it cannot be.
bool Spool::open_file() {
  fd_ = platform::open_scratch();
  return fd_ >= 0;
}

// write_file: n bytes added at the end of the file.
void Spool::write_file(const char* p, size_t n) {
  if (failed_ || n == 0) return;
  if ((fd_ < 0 && !open_file()) || !platform::write_all(fd_, p, n)) {
    failed_ = true;
    return;
  }
  in_file_ += n;
}

// spill: the bytes held in memory moved to the file.
void Spool::spill() {
  write_file(mem_.data, mem_.len);
  mem_.clear();
}

// append_large: append for bytes that bring those held to kHold: the held
// bytes go to the file first.
void Spool::append_large(const char* p, size_t n) {
  spill();
  if (n >= kHold)
    write_file(p, n);  // too large to be worth a copy
  else
    mem_.append(p, n);
}

void Spool::take(Spool* other) {
  if (other->in_file_ > 0) {
    spill();
    if (!failed_ && fd_ < 0 && !open_file()) failed_ = true;
    // The other file copied in the kernel where it can be, else in blocks.
    if (!failed_ && platform::copy_from(other->fd_, fd_, other->in_file_) != 0) failed_ = true;
    in_file_ += other->in_file_;
  }
  if (other->failed_) failed_ = true;
  append(other->mem_.data, other->mem_.len);
  other->clear();
}

void Spool::put_to(put_fn put) {
  char block[1 << 16];
  for (size_t at = 0; at < in_file_ && !failed_;) {
    const size_t want = in_file_ - at < sizeof block ? in_file_ - at : sizeof block;
    const long got = platform::read_at(fd_, block, want, at);
    if (got <= 0) {
      failed_ = true;
      break;
    }
    put(block, static_cast<size_t>(got));
    at += static_cast<size_t>(got);
  }
  if (!failed_) put(mem_.data, mem_.len);
  clear();
}

void Spool::reset() {
  if (fd_ >= 0) platform::close_fd(fd_);
  fd_ = -1;
  in_file_ = 0;
  failed_ = false;
  mem_.clear();
}

void Spool::clear() {
  mem_.clear();
  if (in_file_ > 0) {
    // Emptied for the next hunk; a file that cannot be is left for good.
    if (!platform::truncate_fd(fd_)) failed_ = true;
    in_file_ = 0;
  }
}

void UnifiedDiff::start(const char* name, put_fn put) {
  put_ = put;
  name_.clear();
  name_.append(name, std::strlen(name));
  pending_ = edited_ = headed_ = in_hunk_ = abandoned_ = false;
  old_nl_ = true;
  old_no_ = new_no_ = 0;
  old_start_ = new_start_ = old_count_ = new_count_ = 0;
  finishing_ = false;
  old_.clear();
  new_.clear();
  body_.reset();
  minus_.reset();
  plus_.reset();
  before_.clear();
  tail_.clear();
}

void UnifiedDiff::old_line(const char* text, size_t n, bool cr, bool newline) {
  if (pending_) compare();
  old_.clear();
  old_.append(text, n);
  if (cr) old_.push('\r');
  if (newline) old_.push('\n');
  old_nl_ = newline;
  new_.clear();
  pending_ = true;
  edited_ = false;
}

bool UnifiedDiff::finish(bool ok) {
  finishing_ = true;
  if (pending_ && (ok || edited_) && !abandoned_) compare();
  pending_ = false;
  if (in_hunk_) close_hunk();
  return !abandoned_;
}

// compare: the waiting pair taken as context or as a change.
void UnifiedDiff::compare() {
  pending_ = false;
  ++old_no_;
  if (same(old_, new_)) {
    ++new_no_;
    if (!in_hunk_) {
      before_.push_back(old_);
      if (before_.size() > kContext) before_.pop_front();
      return;
    }
    flush_change();
    tail_.push_back(old_);
    // More equal lines than two hunks' context: the hunk ends here.
    if (tail_.size() > 2 * kContext) {
      close_hunk();
      while (tail_.size() > kContext) tail_.pop_front();
      before_.clear();
      for (size_t k = 0; k < tail_.size(); ++k) before_.push_back(tail_[k]);
      tail_.clear();
    }
    return;
  }
  size_t lines = 0;
  for (size_t k = 0; k < new_.len; ++k) lines += new_.data[k] == '\n';
  if (new_.len != 0 && new_.data[new_.len - 1] != '\n') ++lines;
  if (!in_hunk_) {
    in_hunk_ = true;
    old_start_ = old_no_ - static_cast<long long>(before_.size());
    new_start_ = new_no_ + 1 - static_cast<long long>(before_.size());
    old_count_ = new_count_ = static_cast<long long>(before_.size());
    body_.clear();
    put_context(before_, before_.size());
    before_.clear();
  }
  // The equal lines since the last change stay in the hunk, as context.
  put_context(tail_, tail_.size());
  old_count_ += static_cast<long long>(tail_.size());
  new_count_ += static_cast<long long>(tail_.size());
  tail_.clear();
  put_lines(&minus_, '-', old_, !old_nl_);
  put_lines(&plus_, '+', new_, false);
  ++old_count_;
  new_count_ += static_cast<long long>(lines);
  new_no_ += static_cast<long long>(lines);
  spools_ok();
}

// put_lines: every line of text, marked, appended to *to.
void UnifiedDiff::put_lines(Spool* to, char mark, const ByteBuf& text, bool no_newline) {
  size_t at = 0;
  while (at < text.len) {
    const auto* nl = static_cast<const char*>(std::memchr(text.data + at, '\n', text.len - at));
    const size_t end = nl == nullptr ? text.len : static_cast<size_t>(nl - text.data) + 1;
    to->push(mark);
    to->append(text.data + at, end - at);
    if (nl == nullptr) to->push('\n');
    at = end;
  }
  static constexpr char kNoNewline[] = "\\ No newline at end of file\n";
  if (no_newline) to->append(kNoNewline, sizeof kNoNewline - 1);
}

// put_context: the first n lines of lines appended to the hunk as context.
void UnifiedDiff::put_context(const LineQueue& lines, size_t n) {
  for (size_t k = 0; k < n; ++k) {
    body_.push(' ');
    body_.append(lines[k].data, lines[k].len);
  }
}

// flush_change: the change being built moved into the hunk, its removed
// lines first.
void UnifiedDiff::flush_change() {
  body_.take(&minus_);
  body_.take(&plus_);
}

// spools_ok: true while every part of the hunk is kept. Otherwise the hunk
// is dropped and the message printed, and the run ends, unless the diff is
// being finished: finish then tells its caller.
bool UnifiedDiff::spools_ok() {
  if (!body_.failed() && !minus_.failed() && !plus_.failed()) return true;
  abandoned_ = true;
  in_hunk_ = pending_ = false;
  report("--diff: cannot write a temporary file in %s\n", diff_temp_dir());
  if (!finishing_) end_process(1);
  return false;
}

namespace {

// range: a hunk's side as diff writes it, appended to *out: "start,count",
// or "start" for one line, or the line before and 0 for none.
void range(ByteBuf* out, long long start, long long count) {
  if (count == 1)
    append_printf(out, "%lld", start);
  else
    append_printf(out, "%lld,%lld", count == 0 ? start - 1 : start, count);
}

void append_text(ByteBuf* out, const char* text) { out->append(text, std::strlen(text)); }

}  // namespace

// close_hunk: the hunk written, with up to three of the equal lines after
// its last change as its closing context.
void UnifiedDiff::close_hunk() {
  flush_change();
  const size_t n = tail_.size() < kContext ? tail_.size() : kContext;
  put_context(tail_, n);
  old_count_ += static_cast<long long>(n);
  new_count_ += static_cast<long long>(n);
  if (!spools_ok()) return;
  ByteBuf head;
  if (!headed_) {
    for (const char* mark : {"--- ", "+++ "}) {
      append_text(&head, mark);
      head.append(name_.data, name_.len);
      head.push('\n');
    }
  }
  headed_ = true;
  append_text(&head, "@@ -");
  range(&head, old_start_, old_count_);
  append_text(&head, " +");
  range(&head, new_start_, new_count_);
  append_text(&head, " @@\n");
  put_(head.data, head.len);
  body_.put_to(put_);
  in_hunk_ = false;
  spools_ok();
}

}  // namespace quorl
