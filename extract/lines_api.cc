// The many-lines half of include/quorl/quorl.h: buffers, streams and files
// cut into lines by the one line reader (support/line_file.h) and edited
// through an Editor, a run of lines at a time where the rules allow it, on
// several threads where they allow that too; and the encoding check.

#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>

#include "extract/editor_access.h"
#include "extract/parallel.h"
#include "extract/pipeline.h"
#include "extract/records.h"
#include "quorl/quorl.h"
#include "support/bytebuf.h"
#include "support/encoding.h"
#include "support/line_file.h"
#include "support/errors.h"
#include "support/memory.h"

namespace quorl {

namespace {

constexpr size_t kFlushAt = 1 << 16;

// failed: the outcome of a fault whose message is the editor's error.
LinesEdited failed(EditorState& ed, ErrorCode code) {
  LinesEdited result;
  result.code = code;
  result.error = std::string_view(ed.error.terminate(), ed.error.len);
  return result;
}

// failed: the same, message made the editor's error first.
LinesEdited failed(EditorState& ed, ErrorCode code, std::string_view message) {
  ed.error.clear();
  ed.error.append(message.data(), message.size());
  return failed(ed, code);
}

// Output: where edited lines go: gathered for a Sink, or each with its
// input to a LineSink.
class Output {
 public:
  Output(const Sink* sink, const LineSink* each) : sink_(sink), each_(each) {}

  // set_crlf: a CR before a newline inside a record belongs to the line
  // ending there.
  void set_crlf(bool on) { crlf_ = on; }

  bool takes_runs() const { return each_ == nullptr; }
  bool wants_input() const { return each_ != nullptr; }

  // line: the edit text (len bytes) of the line input, which ended with
  // ending; the edit goes out with a newline, a CR LF when the line ended
  // in a CR.
  bool line(std::string_view input, std::string_view ending, const char* text, size_t len) {
    if (stopped_) return false;
    const bool cr = !ending.empty() && ending[0] == '\r';
    if (each_ == nullptr) {
      out_.append(text, len);
      if (cr) out_.push('\r');
      out_.push('\n');
      return out_.len < kFlushAt || flush();
    }
    line_.clear();
    line_.append(text, len);
    if (cr) line_.push('\r');
    line_.push('\n');
    if (input.find('\n') != std::string_view::npos) return record(input, ending);
    if ((*each_)({input, ending, std::string_view(line_.data, line_.len)})) return true;
    stopped_ = true;
    return false;
  }

  // run: n bytes of edited whole lines, each with its newline.
  bool run(const char* text, size_t n) {
    if (stopped_) return false;
    // A large piece goes to the sink as it lies, once what waits before it
    // is out: copying it would only cost time.
    if (n >= kFlushAt / 4) return flush() && put(text, n);
    out_.append(text, n);
    return out_.len < kFlushAt || flush();
  }

  // flush: what is gathered handed to the sink. Once the sink has asked to
  // stop (from the idle flush, say) it gets nothing more.
  bool flush() {
    if (stopped_) return false;
    const size_t n = out_.len;
    out_.clear();
    return put(out_.data, n);
  }

  bool stopped() const { return stopped_; }

 private:
  // record: a CSV record of several lines, its edit in line_, handed on as
  // its lines: the last with the edit, the others with none; or, when the
  // edit left it as it was, each line with itself.
  bool record(std::string_view input, std::string_view ending) {
    const std::string_view edit(line_.data, line_.len);
    const size_t cr = !ending.empty() && ending[0] == '\r' ? 1 : 0;
    const bool same = edit.size() == input.size() + 1 + cr && edit.compare(0, input.size(), input) == 0;
    for (size_t at = 0;;) {
      const size_t nl = input.find('\n', at);
      std::string_view text = input.substr(at, nl == std::string_view::npos ? std::string_view::npos : nl - at);
      std::string_view end = nl == std::string_view::npos ? ending : std::string_view("\n");
      if (nl != std::string_view::npos && crlf_ && !text.empty() && text.back() == '\r') {
        text.remove_suffix(1);
        end = "\r\n";
      }
      const bool last = nl == std::string_view::npos;
      std::string_view out = same ? edit.substr(at, last ? std::string_view::npos : text.size() + end.size())
                             : last ? edit : std::string_view();
      if (!(*each_)({text, end, out})) {
        stopped_ = true;
        return false;
      }
      if (last) return true;
      at = nl + 1;
    }
  }

  bool put(const char* text, size_t n) {
    if (n == 0 || (*sink_)(std::string_view(text, n))) return true;
    stopped_ = true;
    return false;
  }

  const Sink* sink_;
  const LineSink* each_;
  ByteBuf out_;
  ByteBuf line_;
  bool stopped_ = false;
  bool crlf_ = false;
};

// LineLoop: the lines of one input edited in order, as the command line
// edits them: after the first line, runs of lines are edited at once where
// that gives what editing them one by one gives (RuleSet::whole_lines).
class LineLoop {
 public:
  LineLoop(Editor& editor, Output& out, LineFormat format)
      : editor_(editor), rules_(EditorAccess::rules(editor)), ed_(EditorAccess::state(editor)),
        out_(out), format_(format) {}

  LinesEdited run(LineFile& in) {
    // Rules without the brackets they were asked for edit nothing.
    if (EditorAccess::error(editor_).code == ErrorCode::bad_brackets) {
      size_t len = 0;
      size_t text_len = 0;
      if (in.next(&len, &text_len) == nullptr && !in.failed()) return finish();
      const RuleError& bad = EditorAccess::error(editor_);
      return fail(bad.code, bad.message);
    }
    ThrowOnExhaustion throws;
    try {
      return lines(in);
    } catch (const MemoryExhausted& e) {
      exhaustion_message(&ed_.error, e.size);
    } catch (const std::bad_alloc&) {
      return fail(ErrorCode::no_memory, "cannot get memory\n");
    }
    return fail(ErrorCode::no_memory);
  }

  // fail: the outcome after a fault, once the lines before it are out; its
  // message is the editor's error, or message.
  LinesEdited fail(ErrorCode code, std::string_view message) {
    ed_.error.clear();
    ed_.error.append(message.data(), message.size());
    return fail(code);
  }
  LinesEdited fail(ErrorCode code) {
    if (code != ErrorCode::sink_stopped && !out_.flush()) return stopped();
    return failed(ed_, code);
  }

  LinesEdited finish() {
    if (!out_.flush()) return stopped();
    LinesEdited result;
    result.ok = true;
    return result;
  }

  // idle: before the input is waited for, what was edited goes out.
  static void idle(void* self) { static_cast<LineLoop*>(self)->out_.flush(); }

 private:
  LinesEdited stopped() { return failed(ed_, ErrorCode::sink_stopped, kSinkStoppedMessage); }

  LinesEdited lines(LineFile& in) {
    bool first = true;
    bool at_once = false;
    bool csv_at_once = false;
    size_t len = 0;
    size_t text_len = 0;
    for (;;) {
      size_t n = 0;
      if (at_once)
        while (char* run = in.lines(&n))
          if (!edit_run_lines(run, n)) return out_.stopped() ? stopped() : fail(ed_.fault);
      if (csv_at_once && !records_.open())
        while (char* run = in.lines(&n))
          if (!edit_csv_lines(run, n)) return out_.stopped() ? stopped() : fail(ed_.fault);
      if (out_.stopped()) return stopped();
      char* line = in.next(&len, &text_len);
      if (line == nullptr) break;
      if (in.too_long(len)) {
        too_long_message(&ed_.error, line);
        return fail(ErrorCode::line_too_long);
      }
      if (text_len == LineFile::kHasNul && !format_.nul_ends_text) return fail(ErrorCode::nul_byte, kNulMessage);
      const std::string_view ending = in.ending();
      std::string_view input(line, len - ending.size());
      size_t edit_len = text_len == LineFile::kHasNul ? UNKNOWN_LEN : text_len;
      if (rules_.syntax.csv) {
        // A CSV record may go on over the lines after this one.
        if (!records_.take(rules_.syntax, line, input.size(), ending, ++line_no_)) continue;
        if (records_.gathered()) {
          line = records_.text();
          input = std::string_view(line, records_.len());
          // A NUL of an earlier line ends the text there, as a NUL does.
          edit_len = std::memchr(line, '\0', records_.len()) != nullptr ? UNKNOWN_LEN : records_.len();
        }
      }
      if (out_.wants_input()) {
        // The edit may cut the line in place: the sink gets it as read.
        input_.clear();
        input_.append(line, input.size());
        input = std::string_view(input_.data, input_.len);
      }
      if (!edit_one(line, edit_len, input, ending)) return out_.stopped() ? stopped() : fail(ed_.fault);
      if (first) {
        at_once = rules_.whole_lines && out_.takes_runs();
        csv_at_once = rules_.csv_records && out_.takes_runs();
      }
      first = false;
    }
    if (in.failed()) return fail(ErrorCode::read_error, kReadErrorMessage);
    if (records_.open()) {
      ed_.error.clear();
      append_printf(&ed_.error, UNCLOSED_QUOTE, records_.first_line());
      return fail(ErrorCode::unclosed_quote);
    }
    return finish();
  }

  // edit_one: the line (writable, NUL-terminated, len bytes or
  // UNKNOWN_LEN) edited and handed on; false after a fault (its message
  // in the editor's error) or when the sink stopped.
  bool edit_one(char* line, size_t len, std::string_view input, std::string_view ending) {
    const char* text = edit_rules(rules_, ed_, line, &len);
    if (text == nullptr) return false;
    if (len == UNKNOWN_LEN) len = std::strlen(text);
    return out_.line(input, ending, text, len);
  }

  // edit_run_lines: the n bytes of whole lines at run (each ending in a
  // newline, none too long or holding a NUL) edited at once, or line by
  // line when the result would grow too large at once.
  bool edit_run_lines(char* run, size_t n) {
    size_t out_len = n;
    if (const char* text = edit_run(rules_, ed_, run, &out_len)) {
      return out_.run(text, out_len);
    }
    for (char* line = run; line < run + n;) {
      auto* nl = static_cast<char*>(std::memchr(line, '\n', static_cast<size_t>(run + n - line)));
      *nl = '\0';
      const size_t len = static_cast<size_t>(nl - line);
      if (!edit_one(line, len, std::string_view(line, len), "\n")) return false;
      line = nl + 1;
    }
    return true;
  }

  // edit_csv_lines: the n bytes of whole lines at run (each ending in a
  // newline, none too long or holding a NUL) taken as CSV records, those
  // they close rebuilt at once; the lines of a record they leave open are
  // gathered for the lines after them. False as edit_one.
  bool edit_csv_lines(char* run, size_t n) {
    return edit_csv_run(
        rules_.templ, rules_.syntax, ed_, run, n, &records_, &line_no_,
        [this](const char* text, size_t len) { return out_.run(text, len); },
        [this](char* text, size_t len) { return edit_one(text, len, std::string_view(text, len), "\n"); });
  }

  Editor& editor_;
  const RuleSet& rules_;
  EditorState& ed_;
  Output& out_;
  LineFormat format_;
  ByteBuf input_;
  Records records_;
  size_t line_no_ = 0;
};

// edit_input: the lines of in edited by editor into out.
LinesEdited edit_input(Editor& editor, LineFile& in, Output& out, LineFormat format) {
  in.set_crlf(format.crlf);
  out.set_crlf(format.crlf);
  LineLoop loop(editor, out, format);
  in.set_idle(LineLoop::idle, &loop);
  LinesEdited result = loop.run(in);
  in.set_idle(nullptr, nullptr);
  return result;
}

LinesEdited not_found(Editor& editor) {
  return failed(EditorAccess::state(editor), ErrorCode::not_found, kNotFoundMessage);
}

// read_callback: a Read as the line reader's source.
long read_callback(void* read, char* buf, size_t n) { return (*static_cast<const Read*>(read))(buf, n); }

// Memory: a buffer as the line reader's source.
struct Memory {
  std::string_view rest;
  static long read(void* self, char* buf, size_t n) {
    auto* m = static_cast<Memory*>(self);
    if (n > m->rest.size()) n = m->rest.size();
    std::memcpy(buf, m->rest.data(), n);
    m->rest.remove_prefix(n);
    return static_cast<long>(n);
  }
};

}  // namespace

LinesEdited edit_lines(Editor& editor, std::string_view text, const Sink& sink, LineFormat format) {
  Memory memory{text};
  LineFile in;
  in.open_reader(Memory::read, &memory, "text", format.line_limit);
  Output out(&sink, nullptr);
  return edit_input(editor, in, out, format);
}

LinesEdited edit_stream(Editor& editor, const Read& read, const Sink& sink, LineFormat format) {
  LineFile in;
  in.open_reader(read_callback, const_cast<Read*>(&read), "stream", format.line_limit);
  Output out(&sink, nullptr);
  return edit_input(editor, in, out, format);
}

LinesEdited edit_stream(Editor& editor, int fd, const Sink& sink, LineFormat format) {
  LineFile in;
  in.open_fd(fd, "stream", format.line_limit);
  Output out(&sink, nullptr);
  return edit_input(editor, in, out, format);
}

LinesEdited edit_stream(Editor& editor, int fd, const LineSink& sink, LineFormat format) {
  LineFile in;
  in.open_fd(fd, "stream", format.line_limit);
  Output out(nullptr, &sink);
  return edit_input(editor, in, out, format);
}

LinesEdited edit_stream(Editor& editor, int fd, const StreamHead& head, const Sink& sink, LineFormat format) {
  LineFile in;
  in.open_fd(fd, "stream", format.line_limit, head.bytes, head.ended);
  Output out(&sink, nullptr);
  return edit_input(editor, in, out, format);
}

LinesEdited edit_stream(Editor& editor, int fd, const StreamHead& head, const LineSink& sink, LineFormat format) {
  LineFile in;
  in.open_fd(fd, "stream", format.line_limit, head.bytes, head.ended);
  Output out(nullptr, &sink);
  return edit_input(editor, in, out, format);
}

LinesEdited edit_file(Editor& editor, const char* path, const Sink& sink, LineFormat format, int jobs) {
  if (jobs > 1 && !format.crlf && EditorAccess::error(editor).code != ErrorCode::bad_brackets) {
    ParallelEdit outcome;
    const ChunkSink chunks = [&sink](const char* text, size_t n) { return sink(std::string_view(text, n)); };
    if (edit_file_in_parallel(path, EditorAccess::rules(editor), jobs, format.line_limit, !format.nul_ends_text,
                              chunks, &outcome)) {
      EditorState& ed = EditorAccess::state(editor);
      if (outcome.code == ErrorCode::none) return LinesEdited{true, {}, ErrorCode::none};
      if (outcome.code == ErrorCode::sink_stopped) return failed(ed, outcome.code, kSinkStoppedMessage);
      return failed(ed, outcome.code, std::string_view(outcome.message.data, outcome.message.len));
    }
  }
  LineFile in;
  if (!in.open(path, format.line_limit)) return not_found(editor);
  Output out(&sink, nullptr);
  return edit_input(editor, in, out, format);
}

LinesEdited edit_file(Editor& editor, const char* path, const LineSink& sink, LineFormat format) {
  LineFile in;
  if (!in.open(path, format.line_limit)) return not_found(editor);
  Output out(nullptr, &sink);
  return edit_input(editor, in, out, format);
}

struct LineReader::File {
  LineFile in;
  bool done = false;
};

LineReader::LineReader(const char* path, LineFormat format) : file_(std::make_unique<File>()) {
  if (!file_->in.open(path, format.line_limit)) {
    file_.reset();
    return;
  }
  file_->in.set_crlf(format.crlf);
}

LineReader::LineReader(int fd, LineFormat format) : file_(std::make_unique<File>()) {
  file_->in.open_fd(fd, "stream", format.line_limit);
  file_->in.set_crlf(format.crlf);
}

LineReader::~LineReader() = default;

bool LineReader::next(Line* line) {
  if (file_ == nullptr || file_->done) return false;
  LineFile& in = file_->in;
  size_t len = 0;
  size_t text_len = 0;
  const char* text = in.next(&len, &text_len);
  if (text == nullptr) return false;
  line->too_long = in.too_long(len);
  if (line->too_long) {
    file_->done = true;
    line->text = std::string_view(text, len);
    line->ending = "";
    return true;
  }
  line->ending = in.ending();
  line->text = std::string_view(text, len - line->ending.size());
  return true;
}

bool LineReader::failed() const { return file_ != nullptr && file_->in.failed(); }

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
