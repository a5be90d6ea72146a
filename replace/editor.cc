#include "replace/editor.h"

#include <cstring>

#include "support/errors.h"
#include "support/memory.h"

namespace quorl {

void Capture::settle_copy() {
  char* copy = own.reserve(len + 1);
  std::memmove(copy, text, len);
  copy[len] = '\0';
  text = copy;
  pending = false;
}

void Captures::clear_classes() {
  for (int k = CAP_A; k < CAP_WHOLE; ++k) slot[k].clear();
}

void Captures::settle() {
  for (Capture& c : slot) c.settle();
}

void Captures::drop_pending() {
  for (Capture& c : slot)
    if (c.pending) c.clear();
}

EditorState::~EditorState() { freemem(field_ptr); }

std::nullptr_t EditorState::fail(ErrorCode kind, const char* fmt, const char* arg) {
  fault = kind;
  format_message(&error, fmt, arg);
  return nullptr;
}

Delim delim_of(const char* text, Encoding enc) {
  Delim d;
  if (text[0] == '\0') return d;
  const int n = char_len(enc, text);
  std::memcpy(d.bytes, text, static_cast<size_t>(n));
  d.more = static_cast<unsigned char>(n - 1);
  return d;
}

Delim separator_of(const char* text, Encoding enc) {
  if (text[0] == '\\' && text[1] == 't') return Delim{{'\t'}, 0};
  return delim_of(text, enc);
}

bool brackets_of(const char* text, Encoding enc, Delim* open, Delim* close) {
  const size_t len = std::strlen(text);
  if (len == 2) {
    *open = Delim{{text[0]}, 0};
    *close = Delim{{text[1]}, 0};
    return true;
  }
  if (len == 0) return false;
  const size_t first = static_cast<size_t>(char_len(enc, text));
  if (first >= len || first + static_cast<size_t>(char_len(enc, text + first)) != len) return false;
  *open = delim_of(text, enc);
  *close = delim_of(text + first, enc);
  return true;
}

}  // namespace quorl
