#include "replace/splitter.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

#include "replace/applier.h"
#include "support/errors.h"
#include "support/sjis.h"

namespace quorl {

ByteBuf work_buf;
ByteBuf result_buf;

namespace {

// TextWriter: appends bytes to a buffer that grows as needed.
struct TextWriter {
  ByteBuf* buf;
  size_t n = 0;

  void put(char c) {
    if (n + 1 >= static_cast<size_t>(buf->size)) buf->reserve(n + 2);
    buf->data[n++] = c;
  }
  void end() { buf->reserve(n + 1)[n] = '\0'; }
};

// ReadySpec: a specification cut into items once and kept for the lines
// that follow. An item is only cut, never applied, when it is made ready, so
// applying the kept items in order and then reporting a bad one does what
// cutting each item just before applying it does.
struct ReadySpec {
  const char* key = nullptr;  // the specification pointer it was made for
  ByteBuf text;               // the specification's text then
  ByteBuf items;              // ReadyItem[built]
  int built = 0;              // ReadyItems constructed in items
  int count = 0;              // good items, in order
  bool bad = false;           // a bad item follows them
};

// Specifications kept, by the address they are given at. A slot is reused
// when another specification lands on it, and every use compares the text,
// so a changed specification at the same address is cut again.
constexpr int SPEC_SLOTS = 64;
ReadySpec ready_specs[SPEC_SLOTS];

// ready_slot: the item slot k of spec, constructed on first use.
ReadyItem* ready_slot(ReadySpec* spec, int k) {
  spec->items.reserve((static_cast<size_t>(k) + 1) * sizeof(ReadyItem));
  auto* items = reinterpret_cast<ReadyItem*>(spec->items.data);
  for (; spec->built <= k; ++spec->built) new (&items[spec->built]) ReadyItem();
  return &items[k];
}

// same_text: a and b hold the same NUL-terminated text (specifications are
// short: a loop beats a call).
bool same_text(const char* a, const char* b) {
  for (; *a == *b; ++a, ++b)
    if (*a == '\0') return true;
  return false;
}

// ready_spec: spec cut into items and made ready, from the cache when it
// holds this text for this address.
ReadySpec* ready_spec(const char* spec) {
  const auto addr = reinterpret_cast<uintptr_t>(spec);
  ReadySpec* slot = &ready_specs[((addr >> 3) * 0x9E3779B97F4A7C15ULL) >> 58];
  if (slot->key == spec && same_text(slot->text.data, spec)) return slot;
  // Not valid again until it is complete: an exit hook may leave half-way.
  slot->key = nullptr;
  const size_t len = std::strlen(spec);
  std::memcpy(slot->text.reserve(len + 1), spec, len + 1);
  slot->count = 0;
  slot->bad = false;
  const char* item = spec;
  for (;;) {
    ReadyItem* ready = ready_slot(slot, slot->count);
    const char* next = next_replace_item(item, &ready->from, &ready->to);
    if (next == nullptr) {
      slot->bad = true;
      break;
    }
    ready_item(ready);
    ++slot->count;
    if (*next == '\0') break;
    item = next;
  }
  slot->key = spec;
  return slot;
}

// is_field_number: text[0..len) is '(' then only ASCII digits then ')'.
bool is_field_number(const char* text, size_t len) {
  if (len < 2 || text[0] != '(' || text[len - 1] != ')') return false;
  for (size_t i = 1; i + 1 < len; ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  return true;
}

}  // namespace

const char* next_replace_item(const char* item, ByteBuf* from, ByteBuf* to) {
  TextWriter from_text{from};
  TextWriter to_text{to};
  TextWriter* out = &from_text;
  bool colon = false;
  bool has_from = false;
  bool group = item[0] == '(';  // the leading group is still being read
  int depth = 0;
  const char* p = item;
  while (*p != '\0' && *p != ',') {
    const char c = *p;
    if ((c == '\\' && p[1] != '\0') || is_double(p)) {
      // The second byte is never syntax, whatever it is.
      out->put(c);
      out->put(p[1]);
      p += 2;
      if (depth == 0 && !colon) has_from = true;
    } else if (c == ':') {
      // Every colon restarts <to>: text between two colons is dropped.
      out->end();
      out = &to_text;
      to_text.n = 0;
      colon = true;
      ++p;
    } else if (group && (c == '(' || c == ')')) {
      out->put(c);
      ++p;
      if (c == '(') {
        ++depth;
      } else if (--depth == 0) {
        group = false;
        // A closed group before the colon is pattern text, unless it is
        // the field number.
        if (!colon && !is_field_number(from->data, from_text.n)) has_from = true;
      }
    } else {
      out->put(c);
      ++p;
      if (depth == 0 && !colon) has_from = true;
    }
  }
  out->end();
  if (!colon || depth != 0 || !has_from) return nullptr;
  return *p == ',' ? p + 1 : p;
}

char* apply_replace(const char* spec, const char* line) {
  size_t len = UNKNOWN_LEN;
  return apply_replace_len(spec, line, &len);
}

char* apply_replace_len(const char* spec, const char* line, size_t* len) {
  if (work_size == 0) {
    work_buf.reserve(BYTEBUF_STEP);
    result_buf.reserve(BYTEBUF_STEP);
  }
  ReadySpec* ready = ready_spec(spec);
  auto* items = reinterpret_cast<ReadyItem*>(ready->items.data);
  const char* text = line;
  char* result = nullptr;
  size_t text_len = *len;
  for (int k = 0; k < ready->count; ++k) {
    result = apply_item(text, &items[k], &text_len);
    if (result == nullptr) return nullptr;
    text = result;
  }
  if (ready->bad) {
    errmsg("\"%s\": bad <replace>\n", spec);
    return nullptr;
  }
  *len = text_len;
  return result;
}

bool lines_at_once(const char* spec) {
  ReadySpec* ready = ready_spec(spec);
  if (ready->bad) return false;
  auto* items = reinterpret_cast<ReadyItem*>(ready->items.data);
  for (int k = 0; k < ready->count; ++k)
    if (!whole_line_literal(items[k])) return false;
  return true;
}

const char* replace_lines(const char* spec, const char* text, size_t* len, ByteBuf bufs[2],
                          FromArgEnd* end) {
  ReadySpec* ready = ready_spec(spec);
  auto* items = reinterpret_cast<ReadyItem*>(ready->items.data);
  int next = text == bufs[0].data ? 1 : 0;
  for (int k = 0; k < ready->count; ++k) {
    ByteBuf* out = &bufs[next];
    const size_t n = replace_literal_lines(items[k], text, *len, out, end);
    if (n == UNKNOWN_LEN) return nullptr;
    text = out->data;
    *len = n;
    next ^= 1;
  }
  return text;
}

}  // namespace quorl
