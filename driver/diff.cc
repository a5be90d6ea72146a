#include "driver/diff.h"

#include <cstdio>

namespace quorl {

void UnifiedDiff::start(const char* name, put_fn put) {
  *this = UnifiedDiff();
  name_ = name;
  put_ = put;
}

void UnifiedDiff::old_line(const char* text, size_t n, bool cr, bool newline) {
  if (pending_) compare();
  old_.assign(text, n);
  if (cr) old_ += '\r';
  if (newline) old_ += '\n';
  old_nl_ = newline;
  new_.clear();
  pending_ = true;
}

void UnifiedDiff::finish() {
  if (pending_) compare();
  pending_ = false;
  if (in_hunk_) close_hunk();
}

// compare: the waiting pair taken as context or as a change.
void UnifiedDiff::compare() {
  pending_ = false;
  ++old_no_;
  if (old_ == new_) {
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
      before_.swap(tail_);
      tail_.clear();
    }
    return;
  }
  size_t lines = 0;
  for (char c : new_) lines += c == '\n';
  if (!new_.empty() && new_.back() != '\n') ++lines;
  if (!in_hunk_) {
    in_hunk_ = true;
    old_start_ = old_no_ - static_cast<long>(before_.size());
    new_start_ = new_no_ + 1 - static_cast<long>(before_.size());
    old_count_ = new_count_ = static_cast<long>(before_.size());
    body_.clear();
    for (const std::string& line : before_) body_ += ' ' + line;
    before_.clear();
  }
  // The equal lines since the last change stay in the hunk, as context.
  for (const std::string& line : tail_) body_ += ' ' + line;
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
void UnifiedDiff::put_lines(std::string* to, char mark, const std::string& text, bool no_newline) {
  size_t at = 0;
  while (at < text.size()) {
    size_t nl = text.find('\n', at);
    const size_t end = nl == std::string::npos ? text.size() : nl + 1;
    *to += mark;
    to->append(text, at, end - at);
    if (nl == std::string::npos) *to += '\n';
    at = end;
  }
  if (no_newline) *to += "\\ No newline at end of file\n";
}

// flush_change: the change being built moved into the hunk, its removed
// lines first.
void UnifiedDiff::flush_change() {
  body_ += minus_;
  body_ += plus_;
  minus_.clear();
  plus_.clear();
}

namespace {

// range: a hunk's side as diff writes it: "start,count", or "start" for one
// line, or the line before and 0 for none.
std::string range(long start, long count) {
  char s[48];
  if (count == 1)
    std::snprintf(s, sizeof s, "%ld", start);
  else
    std::snprintf(s, sizeof s, "%ld,%ld", count == 0 ? start - 1 : start, count);
  return s;
}

}  // namespace

// close_hunk: the hunk written, with up to three of the equal lines after
// its last change as its closing context.
void UnifiedDiff::close_hunk() {
  flush_change();
  const size_t n = tail_.size() < kContext ? tail_.size() : kContext;
  for (size_t i = 0; i < n; ++i) body_ += ' ' + tail_[i];
  old_count_ += static_cast<long>(n);
  new_count_ += static_cast<long>(n);
  std::string head;
  if (!headed_) head = "--- " + name_ + "\n+++ " + name_ + "\n";
  headed_ = true;
  head += "@@ -" + range(old_start_, old_count_) + " +" + range(new_start_, new_count_) + " @@\n";
  put_(head.data(), head.size());
  put_(body_.data(), body_.size());
  body_.clear();
  in_hunk_ = false;
}

}  // namespace quorl
