#include "replace/splitter.h"

#include <cstddef>

#include "replace/applier.h"
#include "support/errors.h"
#include "support/sjis.h"

namespace quorl {

ByteBuf work_buf;
ByteBuf result_buf;

namespace {

// The <from> and <to> texts of the item being applied. They serve one item
// at a time and are reused by every call, so splitting allocates nothing
// once they have grown to the longest item seen.
ByteBuf item_from;
ByteBuf item_to;

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
  if (work_size == 0) {
    work_buf.reserve(BYTEBUF_STEP);
    result_buf.reserve(BYTEBUF_STEP);
  }
  const char* item = spec;
  const char* text = line;
  for (;;) {
    const char* next = next_replace_item(item, &item_from, &item_to);
    if (next == nullptr) {
      errmsg("\"%s\": bad <replace>\n", spec);
      return nullptr;
    }
    char* result = replace_item(text, item_from.data, item_to.data);
    if (result == nullptr) return nullptr;
    if (*next == '\0') return result;
    text = result;
    item = next;
  }
}

}  // namespace quorl
