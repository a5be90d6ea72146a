#include "replace/editor.h"

#include <cstring>

#include "support/errors.h"
#include "support/memory.h"

namespace quorl {

EditorState default_editor;
FieldSyntax default_syntax;

void Capture::settle_copy() {
  char* copy = own.reserve(static_cast<size_t>(len) + 1);
  std::memmove(copy, text, static_cast<size_t>(len));
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

std::nullptr_t EditorState::fail(Fault kind, const char* fmt, const char* arg) {
  fault = kind;
  format_message(&error, fmt, arg);
  return nullptr;
}

void clear_captures() { default_editor.caps.clear_classes(); }

void settle_captures() { default_editor.caps.settle(); }

}  // namespace quorl
