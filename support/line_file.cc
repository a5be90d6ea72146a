#include "support/line_file.h"

#include <cerrno>
#include <cstring>

#include "platform/platform.h"
#include "support/errors.h"

namespace quorl {

bool LineFile::open(const char* name, size_t limit) {
  close();
  const int fd = platform::open_read(name);
  if (fd < 0) return false;
  platform::FileStatus st;
  reset(fd, name, limit, platform::status_of(fd, &st) ? &st : nullptr);
  owns_fd_ = true;
  return true;
}

void LineFile::open_fd(int fd, const char* name, size_t limit) {
  close();
  platform::FileStatus st;
  reset(fd, name, limit, platform::status_of(fd, &st) ? &st : nullptr);
}

void LineFile::open_fd(int fd, const char* name, size_t limit, std::string_view head, bool ended) {
  open_fd(fd, name, limit);
  if (head.empty() && !ended) return;  // nothing read yet: the stream as it is
  if (ended) ahead_.stop();
  if (head.size() + 1 >= static_cast<size_t>(buf_.size)) buf_.reserve(head.size() + kBlock + 1);
  if (!head.empty()) std::memcpy(buf_.data, head.data(), head.size());
  end_ = head.size();
  eof_ = ended;
  find_nul(0);
}

void LineFile::open_reader(read_fn read, void* arg, const char* name, size_t limit) {
  close();
  reset(-1, name, limit, nullptr);
  reader_ = read;
  reader_arg_ = arg;
  waits_ = false;
}

void LineFile::close() {
  ahead_.stop();
  if (fd_ >= 0 && owns_fd_) platform::close_fd(fd_);
  owns_fd_ = false;
  fd_ = -1;
}

void LineFile::reset_state(int fd, const char* name, size_t limit) {
  fd_ = fd;
  name_ = name;
  limit_ = limit;
  reader_ = nullptr;
  hold_back_ = true;
  begin_ = end_ = scanned_ = 0;
  nul_ = kNone;
  eof_ = false;
  failed_ = false;
  had_cr_ = had_nl_ = false;
}

void LineFile::open_buffer(ByteBuf* buf, size_t begin, size_t end, size_t limit) {
  close();
  reset_state(-1, "buffer", limit);
  buf_.swap(*buf);
  begin_ = begin;
  end_ = end;
  eof_ = true;
  waits_ = false;
  hold_back_ = false;
  find_nul(begin);
}

void LineFile::reset(int fd, const char* name, size_t limit, const platform::FileStatus* st) {
  reset_state(fd, name, limit);
  waits_ = st == nullptr || st->kind != platform::FileKind::regular;
  if (fd >= 0 && st != nullptr && st->kind == platform::FileKind::pipe) {
    // A larger pipe lets the writer run ahead: fewer switches between it
    // and quorl. Where it cannot grow, the pipe works as it is.
    if (fd == 0) platform::grow_pipe(fd);
    if (ahead_.start(fd)) {
      buf_.reserve(ReadAhead::kBufSize);
      return;
    }
  }
  buf_.reserve(kBlock + (limit != 0 ? limit : LINE_LIMIT) + 1);
}

char* LineFile::next(size_t* len, size_t* text_len) {
  had_cr_ = had_nl_ = false;
  char* nl = find_newline();
  char* line = buf_.data + begin_;
  size_t text_end;  // where the line's ending begins
  if (nl != nullptr) {
    had_nl_ = true;
    *nl = '\0';
    *len = static_cast<size_t>(nl - line) + 1;
    const size_t stop = static_cast<size_t>(nl - buf_.data);
    *text_len = nul_ == kNone || nul_ > stop ? stop - begin_ : kHasNul;
    text_end = *len - 1;
    begin_ += *len;
    scanned_ = 0;
    if (nul_ != kNone && nul_ < begin_) find_nul(begin_);
  } else {
    if (begin_ == end_ || failed_) return nullptr;
    // No newline among the bytes at hand: the line ends at the end of the
    // input, or it is at least limit_ bytes long.
    size_t n = end_ - begin_;
    if (too_long(n)) {
      // Keep the line's first bytes whole for the message; the caller stops.
      n = limit_;
      *len = n;
      line[n] = '\0';
      return line;
    }
    line[n] = '\0';
    *len = n;
    *text_len = nul_ == kNone ? n : kHasNul;
    text_end = n;
    begin_ = end_;
    scanned_ = 0;
    nul_ = kNone;
  }
  if (crlf_ && text_end > 0 && line[text_end - 1] == '\r') {
    line[text_end - 1] = '\0';
    had_cr_ = true;
    if (*text_len != kHasNul) --*text_len;
  }
  return line;
}

namespace {

// good_lines: the end of the lines from p to the newline at last (every
// one ending in a newline) that are shorter than limit (0: no limit),
// taken from the first on; p when the first is too long. Whether they hold
// a NUL is the caller's business.
char* good_lines(char* p, char* last, size_t limit) {
  if (limit == 0) return last + 1;
  // A line is short enough when its newline is among its first limit - 1
  // bytes. Looking for the last newline in such a window checks every line
  // inside it at once.
  const size_t kWindow = limit - 1;
  char* q = p;
  while (static_cast<size_t>(last - q) >= kWindow) {
    auto* nl = const_cast<char*>(platform::find_last(q, '\n', kWindow));
    if (nl == nullptr) return q;  // the line at q is too long
    q = nl + 1;
  }
  return last + 1;
}

}  // namespace

char* LineFile::lines(size_t* n) {
  if (crlf_) return nullptr;
  const size_t stop = nul_ == kNone ? end_ : nul_;
  if (stop < begin_ + 2) return nullptr;
  char* s = buf_.data + begin_;
  auto* last = const_cast<char*>(platform::find_last(s, '\n', stop - begin_));
  if (last == nullptr) return nullptr;
  // The lines before the last one, which is held back (unless the input is
  // all at hand); when one of them is too long, the line before that one
  // is held back instead.
  auto* all = hold_back_ ? const_cast<char*>(platform::find_last(s, '\n', static_cast<size_t>(last - s))) : last;
  if (all == nullptr) return nullptr;
  char* held = good_lines(s, all, limit_);
  if (held != all + 1 && held != s) {
    auto* nl = const_cast<char*>(platform::find_last(s, '\n', static_cast<size_t>(held - 1 - s)));
    held = nl == nullptr ? s : nl + 1;
  }
  if (held == s) return nullptr;
  *n = static_cast<size_t>(held - s);
  begin_ += *n;
  scanned_ = 0;
  return s;
}

// find_newline: the newline that ends the line at begin_, reading more input
// as needed; null when the line has no newline before the end of the input,
// or none within the limit.
char* LineFile::find_newline() {
  for (;;) {
    const size_t avail = end_ - begin_;
    const size_t scan = too_long(avail) ? limit_ : avail;
    if (scanned_ < scan) {
      auto* nl = static_cast<char*>(std::memchr(buf_.data + begin_ + scanned_, '\n', scan - scanned_));
      if (nl != nullptr) return nl;
      scanned_ = scan;
    }
    if (too_long(scan) || eof_) return nullptr;
    fill();
  }
}

// find_nul: nul_ set to the first NUL byte read at or after from.
void LineFile::find_nul(size_t from) {
  const void* at = std::memchr(buf_.data + from, '\0', end_ - from);
  nul_ = at == nullptr ? kNone : static_cast<size_t>(static_cast<const char*>(at) - buf_.data);
}

// to_front: the bytes at hand moved to the front of the buffer.
void LineFile::to_front() {
  if (begin_ == 0) return;
  std::memmove(buf_.data, buf_.data + begin_, end_ - begin_);
  end_ -= begin_;
  if (nul_ != kNone) nul_ -= begin_;
  begin_ = 0;
}

// fill: more input after the bytes at hand, moved to the front first. A
// line that fills the whole buffer (only without a limit) makes it grow.
void LineFile::fill() {
  if (ahead_.running()) {
    fill_ahead();
    return;
  }
  to_front();
  if (end_ + 1 >= static_cast<size_t>(buf_.size)) buf_.reserve(end_ + kBlock + 1);
  const size_t old_end = end_;
  read_some();
  // One search per block tells which lines hold no NUL of their own, so
  // their length is known without measuring each.
  if (nul_ == kNone) find_nul(old_end);
}

// fill_ahead: the next block the reader thread read, after the bytes at
// hand (at the front of the buffer). The block's buffer becomes ours when
// the unfinished line fits into the room before its data; a longer line
// takes a copy of the block instead.
void LineFile::fill_ahead() {
  const ReadAhead::Taken block = ahead_.next(idle_, idle_arg_);
  if (block.failed) {
    ahead_.release();
    read_failed();
    return;
  }
  const size_t carry = end_ - begin_;
  size_t old_end = end_;
  if (block.len == 0) {
    eof_ = true;
  } else if (carry <= ReadAhead::kRoom) {
    const size_t at = ReadAhead::kRoom - carry;
    std::memcpy(block.buf->data + at, buf_.data + begin_, carry);
    if (nul_ != kNone) nul_ = nul_ - begin_ + at;
    buf_.swap(*block.buf);
    begin_ = at;
    old_end = ReadAhead::kRoom;
    end_ = old_end + block.len;
  } else {
    to_front();
    old_end = carry;
    buf_.reserve(carry + block.len + 1);
    std::memcpy(buf_.data + carry, block.buf->data + ReadAhead::kRoom, block.len);
    end_ = carry + block.len;
  }
  ahead_.release();
  if (nul_ == kNone) find_nul(old_end);
}

// read_some: one read into the free end of the buffer; an input that may
// keep us waiting runs the idle hook first when it has nothing yet.
void LineFile::read_some() {
  const size_t room = static_cast<size_t>(buf_.size) - 1 - end_;
  if (waits_ && idle_ != nullptr && platform::would_wait(fd_)) idle_(idle_arg_);
  for (;;) {
    const long got = reader_ != nullptr ? reader_(reader_arg_, buf_.data + end_, room)
                                        : platform::read_some(fd_, buf_.data + end_, room);
    if (got > 0) {
      end_ += static_cast<size_t>(got);
      return;
    }
    if (got == 0) {
      eof_ = true;
      return;
    }
    if (reader_ == nullptr && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      // A non-blocking descriptor with nothing yet: wait for more.
      platform::wait_readable(fd_);
      continue;
    }
    read_failed();
    return;
  }
}

// read_failed: the input ends here, as a fault: the line it cut short is
// never handed out.
void LineFile::read_failed() {
  failed_ = true;
  eof_ = true;
}

void too_long_message(ByteBuf* msg, const char* line) {
  format_message(msg, "%s \nError: too long line found!\n", line);
}

}  // namespace quorl
