#include "driver/output.h"

#include <cerrno>
#include <cstring>

#include "driver/diff.h"
#include "driver/in_place.h"
#include "platform/platform.h"
#include "support/bytebuf.h"
#include "support/errors.h"
#include "support/exit.h"

namespace quorl {

namespace {

constexpr size_t kBufSize = 1 << 16;

enum class Mode { kStdout, kInPlace, kDiff };

Mode mode = Mode::kStdout;
bool finished = true;
UnifiedDiff diff;

// Writer: the buffer in front of standard output or the temporary file.
class Writer {
 public:
  void start() { used_ = 0; }

  void put(const char* s, size_t n) {
    // A large piece goes out as it lies, once what waits before it is out:
    // copying it would only cost time.
    if (n >= kBufSize / 4 || used_ + n > kBufSize) {
      if (!flush()) end_process(1);
      if (n >= kBufSize / 4) {
        if (!drain(s, n)) end_process(1);
        return;
      }
    }
    std::memcpy(buf_ + used_, s, n);
    used_ += n;
  }

  // flush: false after a message when the bytes could not be written; they
  // are dropped either way, so a later end does not report them again.
  bool flush() {
    const size_t n = used_;
    used_ = 0;
    return drain(buf_, n);
  }

 private:
  bool drain(const char* s, size_t n) {
    if (n == 0) return true;
    if (mode != Mode::kInPlace) return write_all(1, s, n, "stdout");
    return in_place_write(s, n);
  }

  size_t used_ = 0;
  char buf_[kBufSize];
} out;

void put_out(const char* s, size_t n) { out.put(s, n); }

// end_output: the output ended as status tells; returns the status to end
// with. A complete run writes everything and puts the file in place; any
// other end writes what is at hand and leaves the file as it was.
int end_output(int status) {
  if (finished) return status;
  finished = true;
  if (mode == Mode::kInPlace) {
    if (status == 0 && out.flush() && in_place_commit()) return 0;
    in_place_discard();
    return 1;
  }
  if (mode == Mode::kDiff && !diff.finish(status == 0)) status = 1;
  return out.flush() ? status : 1;
}

}  // namespace

void begin_output(const LongOptions& opts, const char* file) {
  mode = opts.diff ? Mode::kDiff : opts.in_place ? Mode::kInPlace : Mode::kStdout;
  finished = false;
  out.start();
  exit_cleanup = end_output;
  if (opts.in_place) in_place_begin(file, opts.backup_suffix);
  if (mode == Mode::kDiff) diff.start(file != nullptr ? file : "-", put_out);
}

bool output_wants_input_lines() { return mode == Mode::kDiff; }

bool output_edited_lines(const char* text, size_t n) {
  if (mode == Mode::kInPlace) return in_place_write(text, n);
  return out.flush() && write_all(1, text, n, "stdout");
}

bool output_edited_line(const EditedLine& line) {
  const bool cr = !line.ending.empty() && line.ending[0] == '\r';
  const bool newline = !line.ending.empty() && line.ending.back() == '\n';
  diff.old_line(line.input.data(), line.input.size(), cr, newline);
  diff.new_text(line.output.data(), line.output.size());
  return true;
}

bool output_refuses_nul() { return mode != Mode::kStdout; }

bool write_all(int fd, const char* s, size_t n, const char* name) {
  if (platform::write_all(fd, s, n)) return true;
  report("%s: writing error\n", name);
  return false;
}

void end_with_fault(const char* message) {
  write_waiting_output();
  errmsg_text(message);
  end_process(1);
}

void end_with_input_fault(const char* name, const char* what) {
  ByteBuf msg;
  append_printf(&msg, "%s: %s\n", name, what);
  end_with_fault(msg.data);
}

void write_waiting_output() {
  if (mode == Mode::kStdout && !out.flush()) end_process(1);
}

void finish_output() {
  if (end_output(0) != 0) end_process(1);
}

}  // namespace quorl
