#include "driver/diff.h"

#include <cstdio>
#include <cstring>

namespace quorl {

namespace {

bool same(const ByteBuf& a, const ByteBuf& b) {
  return a.len == b.len && (a.len == 0 || std::memcmp(a.data, b.data, a.len) == 0);
}

}  // namespace

void UnifiedDiff::start(const char* name, put_fn put) {
  put_ = put;
  name_.clear();
  name_.append(name, std::strlen(name));
  pending_ = edited_ = headed_ = in_hunk_ = false;
  old_nl_ = true;
  old_no_ = new_no_ = 0;
  old_start_ = new_start_ = old_count_ = new_count_ = 0;
  old_.clear();
  new_.clear();
  body_.clear();
  minus_.clear();
  plus_.clear();
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

void UnifiedDiff::finish(bool ok) {
  if (pending_ && (ok || edited_)) compare();
  pending_ = false;
  if (in_hunk_) close_hunk();
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
    old_start_ = old_no_ - static_cast<long>(before_.size());
    new_start_ = new_no_ + 1 - static_cast<long>(before_.size());
    old_count_ = new_count_ = static_cast<long>(before_.size());
    body_.clear();
    put_context(before_, before_.size());
    before_.clear();
  }
  // The equal lines since the last change stay in the hunk, as context.
  put_context(tail_, tail_.size());
  old_count_ += static_cast<long>(tail_.size());
  new_count_ += static_cast<long>(tail_.size());
  tail_.clear();
  put_lines(&minus_, '-', old_, !old_nl_);
  put_lines(&plus_, '+', new_, false);
  ++old_count_;
  new_count_ += static_cast<long>(lines);
  new_no_ += static_cast<long>(lines);
}

// put_lines: every line of text, marked, appended to *to.
void UnifiedDiff::put_lines(ByteBuf* to, char mark, const ByteBuf& text, bool no_newline) {
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
  body_.append(minus_.data, minus_.len);
  body_.append(plus_.data, plus_.len);
  minus_.clear();
  plus_.clear();
}

namespace {

// range: a hunk's side as diff writes it, appended to *out: "start,count",
// or "start" for one line, or the line before and 0 for none.
void range(ByteBuf* out, long start, long count) {
  char s[48];
  int n;
  if (count == 1)
    n = std::snprintf(s, sizeof s, "%ld", start);
  else
    n = std::snprintf(s, sizeof s, "%ld,%ld", count == 0 ? start - 1 : start, count);
  out->append(s, static_cast<size_t>(n));
}

void append_text(ByteBuf* out, const char* text) { out->append(text, std::strlen(text)); }

}  // namespace

// close_hunk: the hunk written, with up to three of the equal lines after
// its last change as its closing context.
void UnifiedDiff::close_hunk() {
  flush_change();
  const size_t n = tail_.size() < kContext ? tail_.size() : kContext;
  put_context(tail_, n);
  old_count_ += static_cast<long>(n);
  new_count_ += static_cast<long>(n);
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
  put_(body_.data, body_.len);
  body_.clear();
  in_hunk_ = false;
}

}  // namespace quorl
