// Shared set-up of the fuzz targets.
//
// The engine's targets edit through editors of their own: a fault comes back
// as a value, and exhausted memory as MemoryExhausted (ThrowOnExhaustion),
// as the library's own editors get it. The targets of routines that end the
// process by design (the command line, convert_str, exp_tab) install a hook
// on end_process that throws Ended instead, so that such an input returns to
// the target like any other input instead of ending the fuzzer. Standard
// output goes to /dev/null: the targets look for crashes, hangs and
// sanitizer reports, not at the edited text.
#ifndef QUORL_FUZZ_FUZZ_COMMON_H
#define QUORL_FUZZ_FUZZ_COMMON_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "support/exit.h"

namespace quorl_fuzz {

// Ended: thrown by the hook with the status the process would have ended with.
struct Ended {
  int status;
};

inline void throw_ended(int status) { throw Ended{status}; }

// quiet: a silent standard output; called once per process.
inline void quiet() {
  if (std::freopen("/dev/null", "w", stdout) == nullptr) __builtin_trap();
}

// install: quiet, and the hook that turns an end of the process into Ended.
inline void install() {
  quorl::exit_hook = throw_ended;
  quiet();
}

// check: a property every input must keep; a violation is a finding.
inline void check(bool ok) {
  if (!ok) __builtin_trap();
}

// Text: a NUL-terminated copy in a heap block of exactly its size, so that
// reading one byte past its NUL is caught (a std::string may have spare
// capacity, or keep a short text inside itself, where no read is caught).
class Text {
 public:
  explicit Text(const std::string& s) : bytes_(s.size() + 1) {
    std::memcpy(bytes_.data(), s.c_str(), s.size() + 1);
  }
  char* c_str() { return bytes_.data(); }
  size_t size() const { return bytes_.size() - 1; }

 private:
  std::vector<char> bytes_;
};

// Input: the fuzz data cut into NUL-terminated texts at its NUL bytes.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : bytes_(reinterpret_cast<const char*>(data), size) {}

  // next: the next text (up to the next NUL or the end), or "" when none is left.
  Text next() {
    if (at_ > bytes_.size()) return Text(std::string());
    size_t end = bytes_.find('\0', at_);
    if (end == std::string::npos) end = bytes_.size();
    Text t(bytes_.substr(at_, end - at_));
    at_ = end + 1;
    return t;
  }

  // byte: the next byte, or 0 when none is left.
  unsigned char byte() {
    if (at_ >= bytes_.size()) {
      at_ = bytes_.size() + 1;
      return 0;
    }
    return static_cast<unsigned char>(bytes_[at_++]);
  }

 private:
  std::string bytes_;
  size_t at_ = 0;
};

}  // namespace quorl_fuzz

#endif
