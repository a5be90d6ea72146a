#include "driver/check.h"

#include <cstring>
#include <string_view>
#include <vector>

#include "driver/output.h"
#include "quorl/quorl.h"
#include "support/bytebuf.h"
#include "support/errors.h"
#include "support/exit.h"

namespace quorl {

namespace {

// check_line: reports every invalid sequence of the n bytes at text, line
// number line of name; returns how many there were.
long check_line(const char* name, long line, const char* text, size_t n, Encoding enc) {
  const std::vector<InvalidSequence> found = check(std::string_view(text, n), enc);
  for (const InvalidSequence& bad : found) {
    ByteBuf msg;
    append_printf(&msg, "%s:%ld:%zu: invalid %s sequence 0x", name, line, bad.column, encoding_name(enc));
    for (const char c : bad.bytes) append_printf(&msg, "%02X", static_cast<unsigned char>(c));
    msg.push('\n');
    errmsg_text(msg.terminate());
  }
  return static_cast<long>(found.size());
}

}  // namespace

namespace {

// check_file: the lines of file (null or "-": standard input) checked;
// whether it was read to its end with no invalid sequence.
bool check_file(const char* file, bool several, bool crlf, Encoding enc) {
  const bool from_stdin = file == nullptr || std::strcmp(file, "-") == 0;
  const LineFormat format{crlf, 0, true};
  LineReader input = from_stdin ? LineReader(0, format) : LineReader(file, format);
  if (!input.ok()) {
    report(several ? "%s: not found\n" : "%s: not found", file);  // as report_not_found
    return false;
  }
  const char* name = from_stdin ? "-" : file;
  long faults = 0;
  long line = 0;
  LineReader::Line text;
  while (input.next(&text)) faults += check_line(name, ++line, text.text.data(), text.text.size(), enc);
  if (input.failed()) {
    report_input_fault(from_stdin ? "stdin" : file, "reading error");
    return false;
  }
  return faults == 0;
}

}  // namespace

void check_input(const char* string, const std::vector<const char*>& files, bool crlf, Encoding enc) {
  if (string != nullptr) end_process(check_line("<string>", 1, string, std::strlen(string), enc) == 0 ? 0 : 1);
  bool good = files.empty() ? check_file(nullptr, false, crlf, enc) : true;
  for (const char* file : files) good = check_file(file, files.size() > 1, crlf, enc) && good;
  end_process(good ? 0 : 1);
}

}  // namespace quorl
