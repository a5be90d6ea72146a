#include "replace/spec.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "replace/applier.h"
#include "support/sjis.h"

namespace quorl {

namespace {

// is_field_number: text[0..len) is '(' then only ASCII digits then ')'.
bool is_field_number(const char* text, size_t len) {
  if (len < 2 || text[0] != '(' || text[len - 1] != ')') return false;
  for (size_t i = 1; i + 1 < len; ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  return true;
}

// note_fault: the fault of the item counted from 0 at item, standing at
// byte at of the specification, recorded in *spec unless one comes first.
void note_fault(CompiledSpec* spec, ErrorCode kind, size_t item, ptrdiff_t at) {
  if (spec->fault != ErrorCode::none) return;
  spec->fault = kind;
  spec->fault_item = static_cast<int>(item);
  spec->fault_at = static_cast<size_t>(at);
}

}  // namespace

const char* next_replace_item(const char* item, ByteBuf* from, ByteBuf* to, Encoding enc,
                              const char** to_start) {
  // After a backslash comes one byte, or one character where escapes take
  // characters.
  const bool escape_chars = takes_chars(enc);
  from->clear();
  to->clear();
  ByteBuf* out = from;
  bool colon = false;
  bool has_from = false;
  bool group = item[0] == '(';  // the leading group is still being read
  int depth = 0;
  const char* p = item;
  while (*p != '\0' && *p != ',') {
    const char c = *p;
    const int n = c == '\\' ? (p[1] == '\0' ? 1 : 1 + (escape_chars ? char_len(enc, p + 1) : 1))
                             : char_len(enc, p);
    if (n > 1) {
      // The bytes after the first are never syntax, whatever they are.
      out->append(p, static_cast<size_t>(n));
      p += n;
      if (depth == 0 && !colon) has_from = true;
    } else if (c == ':') {
      // Every colon restarts <to>: text between two colons is dropped.
      out->terminate();
      out = to;
      to->clear();
      colon = true;
      ++p;
      if (to_start != nullptr) *to_start = p;
    } else if (group && (c == '(' || c == ')')) {
      out->push(c);
      ++p;
      if (c == '(') {
        ++depth;
      } else if (--depth == 0) {
        group = false;
        // A closed group before the colon is pattern text, unless it is
        // the field number.
        if (!colon && !is_field_number(from->data, from->len)) has_from = true;
      }
    } else {
      out->push(c);
      ++p;
      if (depth == 0 && !colon) has_from = true;
    }
  }
  out->terminate();
  if (!colon || depth != 0 || !has_from) return nullptr;
  return *p == ',' ? p + 1 : p;
}

void compile_spec(const char* spec, CompiledSpec* out, Encoding enc) {
  out->text.clear();
  out->text.append(spec, std::strlen(spec));
  out->text.terminate();
  out->bad = false;
  out->fault = ErrorCode::none;
  size_t count = 0;
  const char* item = spec;
  for (;;) {
    if (count == out->items.size()) out->items.push();
    Item& compiled = out->items[count];
    const char* to = nullptr;
    const char* next = next_replace_item(item, &compiled.from, &compiled.to, enc, &to);
    if (next == nullptr) {
      out->bad = true;
      note_fault(out, ErrorCode::bad_item, count, item - spec);
      break;
    }
    ready_item(&compiled, enc);
    // The <to> text stands in the specification as the item holds it.
    if (compiled.field == 0)
      note_fault(out, ErrorCode::bad_item, count, item - spec);
    else if (!compiled.to_prog.usable)
      note_fault(out, ErrorCode::bad_to, count, (to - spec) + compiled.to_prog.bad_at);
    ++count;
    if (*next == '\0') break;
    item = next;
  }
  out->items.resize(count);
  out->whole_lines = !out->bad;
  for (const Item& compiled : out->items)
    if (!whole_line_literal(compiled)) out->whole_lines = false;
}

char* apply_spec(const CompiledSpec& spec, const FieldSyntax& syntax, EditorState& ed,
                 const char* line, size_t* len) {
  if (ed.work.size == 0) {
    ed.work.reserve(BYTEBUF_STEP);
    ed.result.reserve(BYTEBUF_STEP);
  }
  const char* text = line;
  char* result = nullptr;
  size_t text_len = *len;
  for (const Item& item : spec.items) {
    result = apply_item(item, syntax, ed, text, &text_len);
    if (result == nullptr) return nullptr;
    text = result;
  }
  if (spec.bad) {
    return ed.fail(ErrorCode::bad_item, BAD_REPLACE, spec.text.data);
  }
  *len = text_len;
  return result;
}

const char* replace_lines(const CompiledSpec& spec, const char* text, size_t* len,
                          ByteBuf bufs[2], FromArgEnd* end) {
  int next = text == bufs[0].data ? 1 : 0;
  for (const Item& item : spec.items) {
    ByteBuf* out = &bufs[next];
    const size_t n = replace_literal_lines(item, text, *len, out, end);
    if (n == UNKNOWN_LEN) return nullptr;
    text = out->data;
    *len = n;
    next ^= 1;
  }
  return text;
}

}  // namespace quorl
