#include "driver/output.h"

#include <cerrno>
#include <cstring>
#include <optional>

#include "driver/diff.h"
#include "driver/in_place.h"
#include "platform/platform.h"
#include "support/bytebuf.h"
#include "support/encoding.h"
#include "support/errors.h"
#include "support/exit.h"

namespace quorl {

namespace {

constexpr size_t kBufSize = 1 << 16;

enum class Mode { kStdout, kInPlace, kDiff };

Mode mode = Mode::kStdout;
bool finished = true;
bool input_open = false;       // between begin_output_of and its finish
bool transaction = false;      // an in-place transaction is open
const char* backup_suffix = nullptr;
bool in_place = false;         // --in-place (with --diff, it only previews)
bool several_inputs = false;   // more than one input file
UnifiedDiff diff;
const char* convert_to = nullptr;  // --to: the output's encoding, or null
Encoding convert_from = Encoding::sjis;
std::optional<Transcoder> transcoder;  // for the input at hand, with --to
const char* output_name = "-";         // that input, as a message names it

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

// write_edited: n bytes of edited lines, as they are to be written.
bool write_edited(const char* text, size_t n) {
  if (mode == Mode::kInPlace) return in_place_write(text, n);
  return out.flush() && write_all(1, text, n, "stdout");
}

// report_conversion_fault: the fault the transcoder stopped at, if any,
// after the output before it: "<name>:<line>:<column>: " and what it is.
// Returns false, for the write that met it.
bool report_conversion_fault() {
  const TranscodeFault& fault = transcoder->fault();
  if (fault.code == ErrorCode::none) return false;
  ByteBuf msg;
  append_printf(&msg, "%s:%zu:%zu: ", output_name, fault.line, fault.column);
  if (fault.code == ErrorCode::invalid_sequence)
    append_printf(&msg, "invalid %s sequence 0x", encoding_name(convert_from));
  else
    append_printf(&msg, "character 0x");
  for (const char c : fault.bytes) append_printf(&msg, "%02X", static_cast<unsigned char>(c));
  if (fault.code != ErrorCode::invalid_sequence) append_printf(&msg, " cannot be converted to %s", convert_to);
  msg.push('\n');
  write_waiting_output();
  errmsg_text(msg.terminate());
  return false;
}

// end_input: the output of the input at hand ended; ok: it was read to
// its end. False after a message.
bool end_input(bool ok) {
  if (!input_open) return true;
  input_open = false;
  bool good = true;
  if (transcoder && ok && !transcoder->finish()) good = ok = report_conversion_fault();
  if (mode == Mode::kDiff) good = diff.finish(ok);
  if (transaction) {
    transaction = false;
    if (mode == Mode::kInPlace && ok && out.flush() && in_place_commit()) return good;
    in_place_discard();
    if (mode == Mode::kInPlace) return false;
  }
  return good;
}

// end_output: the output ended as status tells; returns the status to end
// with. A complete run writes everything and puts the file in place; any
// other end writes what is at hand and leaves the file as it was.
int end_output(int status) {
  if (finished) return status;
  finished = true;
  if (!end_input(status == 0)) status = 1;
  return out.flush() ? status : 1;
}

}  // namespace

void begin_output(const LongOptions& opts, const std::vector<const char*>& files) {
  mode = opts.diff ? Mode::kDiff : opts.in_place ? Mode::kInPlace : Mode::kStdout;
  in_place = opts.in_place;
  several_inputs = files.size() > 1;
  backup_suffix = opts.backup_suffix;
  if (in_place) {
    if (files.empty()) in_place_check_name(nullptr);
    for (const char* file : files) in_place_check_name(file);
  }
  finished = false;
  out.start();
  exit_cleanup = end_output;
}

void convert_output_from(const LongOptions& opts, Encoding from) {
  convert_to = opts.to;
  convert_from = from;
  if (convert_to == nullptr) return;
  // A diff of the conversion would show every line changed.
  if (opts.diff) {
    errmsg("\"--to\": not with --diff\n");
    end_process(1);
  }
  if (from == Encoding::bytes) {
    report("\"--to=%s\": the input's encoding is needed, not bytes\n", convert_to);
    end_process(1);
  }
  if (!Transcoder(encoding_name(from), convert_to).ok()) {
    report("\"%s\": unknown encoding\n", convert_to);
    end_process(1);
  }
}

bool begin_output_of(const char* name, const char* shown) {
  if (in_place) {
    if (!in_place_begin(name, backup_suffix)) return false;
    transaction = true;
  }
  input_open = true;
  output_name = shown != nullptr ? shown : name != nullptr ? name : "-";
  if (convert_to != nullptr) transcoder.emplace(encoding_name(convert_from), convert_to);
  if (mode == Mode::kDiff) diff.start(name != nullptr ? name : "-", put_out);
  return true;
}

bool finish_output_of(bool ok) { return end_input(ok); }

bool output_wants_input_lines() { return mode == Mode::kDiff; }

bool output_edited_lines(const char* text, size_t n) {
  if (!transcoder) return write_edited(text, n);
  const Sink sink = [](std::string_view bytes) { return write_edited(bytes.data(), bytes.size()); };
  return transcoder->write(std::string_view(text, n), sink) || report_conversion_fault();
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

void report_not_found(const char* name) {
  write_waiting_output();
  report(several_inputs ? "%s: not found\n" : "%s: not found", name);
}

void report_input_fault(const char* name, const char* what) {
  ByteBuf msg;
  append_printf(&msg, "%s: %s\n", name, what);
  write_waiting_output();
  errmsg_text(msg.data);
}

void end_with_input_fault(const char* name, const char* what) {
  report_input_fault(name, what);
  end_process(1);
}

void write_waiting_output() {
  if (mode == Mode::kStdout && !out.flush()) end_process(1);
}

void finish_output() {
  if (end_output(0) != 0) end_process(1);
}

}  // namespace quorl
