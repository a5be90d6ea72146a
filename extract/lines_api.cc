// The many-lines half of include/quorl/quorl.h: a buffer or a stream cut
// into lines and edited line by line through an Editor, and the encoding
// check.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "quorl/quorl.h"
#include "support/bytebuf.h"
#include "support/encoding.h"

namespace quorl {

namespace {

constexpr size_t kFlushAt = 1 << 16;
constexpr size_t kReadBlock = 1 << 16;

// LineEditor: lines edited one by one into a buffer that goes to the sink
// when it is full and at the end.
class LineEditor {
 public:
  LineEditor(Editor& editor, const Sink& sink, LineFormat format)
      : editor_(editor), sink_(sink), format_(format) {}

  // line: the line [p, p + n) (its newline, if any, cut off already) edited;
  // false after a fault, which result() reports.
  bool line(const char* p, size_t n) {
    const bool cr = format_.crlf && n > 0 && p[n - 1] == '\r';
    const Edited e = editor_.edit(std::string_view(p, cr ? n - 1 : n));
    if (!e) return fail(e.code, e.error);
    out_.append(e.text.data(), e.text.size());
    if (cr) out_.push('\r');
    out_.push('\n');
    ++result_.lines;
    return out_.len < kFlushAt || flush();
  }

  // finish: what is buffered handed to the sink; the outcome.
  LinesEdited finish() {
    if (result_.error.empty() && flush()) result_.ok = true;
    return result_;
  }

  bool fail(ErrorCode code, std::string_view error) {
    // Lines edited before the fault still reach the sink.
    flush();
    if (result_.error.empty()) {
      result_.code = code;
      result_.error = error;
    }
    return false;
  }

 private:
  bool flush() {
    const size_t n = out_.len;
    out_.clear();
    if (n == 0 || sink_(std::string_view(out_.data, n))) return true;
    result_.code = ErrorCode::sink_stopped;
    result_.error = "the sink stopped\n";
    return false;
  }

  Editor& editor_;
  const Sink& sink_;
  LineFormat format_;
  ByteBuf out_;
  LinesEdited result_;
};

// edit_whole_lines: the lines of [p, end) that end in a newline edited;
// returns where the first unfinished line begins, or null after a fault.
const char* edit_whole_lines(LineEditor& lines, const char* p, const char* end) {
  while (p < end) {
    const auto* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
    if (nl == nullptr) return p;
    if (!lines.line(p, static_cast<size_t>(nl - p))) return nullptr;
    p = nl + 1;
  }
  return p;
}

}  // namespace

LinesEdited edit_lines(Editor& editor, std::string_view text, const Sink& sink, LineFormat format) {
  LineEditor lines(editor, sink, format);
  const char* end = text.data() + text.size();
  const char* rest = edit_whole_lines(lines, text.data(), end);
  if (rest != nullptr && rest < end) lines.line(rest, static_cast<size_t>(end - rest));
  return lines.finish();
}

LinesEdited edit_stream(Editor& editor, const Read& read, const Sink& sink, LineFormat format) {
  LineEditor lines(editor, sink, format);
  ByteBuf buf;
  size_t have = 0;  // bytes of the unfinished line at the front of buf
  for (;;) {
    buf.reserve(have + kReadBlock);
    const long got = read(buf.data + have, kReadBlock);
    if (got < 0) {
      lines.fail(ErrorCode::read_error, "reading error\n");
      return lines.finish();
    }
    if (got == 0) break;
    const char* end = buf.data + have + got;
    const char* rest = edit_whole_lines(lines, buf.data, end);
    if (rest == nullptr) return lines.finish();
    have = static_cast<size_t>(end - rest);
    std::memmove(buf.data, rest, have);
  }
  if (have > 0) lines.line(buf.data, have);
  return lines.finish();
}

LinesEdited edit_stream(Editor& editor, int fd, const Sink& sink, LineFormat format) {
  const Read from_fd = [fd](char* buf, size_t n) -> long {
    for (;;) {
      const ssize_t got = ::read(fd, buf, n);
      if (got >= 0 || errno != EINTR) return got;
    }
  };
  return edit_stream(editor, from_fd, sink, format);
}

std::vector<InvalidSequence> check(std::string_view text, Encoding encoding) {
  std::vector<InvalidSequence> found;
  const char* const base = text.data();
  const char* const end = base + text.size();
  size_t line = 1;
  for (const char* start = base; start < end; ++line) {
    // A sequence never runs over the end of its line.
    const auto* nl = static_cast<const char*>(std::memchr(start, '\n', static_cast<size_t>(end - start)));
    const char* stop = nl != nullptr ? nl : end;
    for (const char* p = start; p < stop;) {
      bool bad = false;
      const size_t len = check_sequence(encoding, p, static_cast<size_t>(stop - p), &bad);
      if (bad) found.push_back({line, static_cast<size_t>(p - start) + 1, std::string_view(p, len)});
      p += len;
    }
    start = stop + 1;
  }
  return found;
}

}  // namespace quorl
