#include "driver/check.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "driver/output.h"
#include "platform/platform.h"
#include "quorl/quorl.h"
#include "support/bytebuf.h"
#include "support/errors.h"
#include "support/exit.h"
#include "support/guess.h"

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

namespace {

// guess_stdin: the guess from the first kGuessSample bytes of standard
// input; false on a read error.
bool guess_stdin(EncodingGuess* guess) {
  std::string sample(kGuessSample, '\0');
  size_t have = 0;
  while (have < sample.size()) {
    const long got = platform::read_some(0, sample.data() + have, sample.size() - have);
    if (got < 0) return false;
    if (got == 0) break;
    have += static_cast<size_t>(got);
  }
  *guess = guess_encoding(std::string_view(sample.data(), have), have == sample.size());
  return true;
}

// print_guess: "NAME: ENCODING" on standard output.
void print_guess(const char* name, const EncodingGuess& guess) {
  std::fputs(name, stdout);
  std::fputs(": ", stdout);
  std::fputs(guess_name(guess), stdout);
  std::fputc('\n', stdout);
}

// guess_input: the guess for file (null or "-": standard input) printed;
// whether it could be read.
bool guess_input(const char* file, bool several) {
  EncodingGuess guess;
  if (file == nullptr || std::strcmp(file, "-") == 0) {
    if (!guess_stdin(&guess)) {
      report_input_fault("stdin", "reading error");
      return false;
    }
    print_guess("-", guess);
    return true;
  }
  if (!guess_file_encoding(file, &guess)) {
    report(several ? "%s: not found\n" : "%s: not found", file);  // as report_not_found
    return false;
  }
  print_guess(file, guess);
  return true;
}

}  // namespace

void report_guesses(const char* string, const std::vector<const char*>& files) {
  if (string != nullptr) {
    print_guess("<string>", guess_encoding(string));
    end_process(0);
  }
  bool good = files.empty() ? guess_input(nullptr, false) : true;
  for (const char* file : files) good = guess_input(file, files.size() > 1) && good;
  end_process(good ? 0 : 1);
}

}  // namespace quorl
