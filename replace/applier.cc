#include "replace/applier.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "replace/builder.h"
#include "platform/platform.h"
#include "replace/csv.h"
#include "replace/matcher.h"
#include "support/bytescan.h"
#include "support/sjis.h"

namespace quorl {

namespace {

// More fields than any line can hold: a larger field number selects nothing.
constexpr long long FIELD_CAP = 1LL << 40;

// field_number: when from opens with a field-number group "(<digits>)",
// its value (capped at FIELD_CAP) and *pattern the text after the group;
// -1 when there is none.
long long field_number(const char* from, const char** pattern) {
  if (from[0] != '(') return -1;
  long long n = 0;
  const char* p = from + 1;
  for (; *p >= '0' && *p <= '9'; ++p)
    if (n < FIELD_CAP) n = n * 10 + (*p - '0');
  if (*p != ')') return -1;
  *pattern = p + 1;
  return n;
}

// closing_bracket: the first close character from p (a character start)
// on; null when the text ends first.
char* closing_bracket(Encoding enc, char* p, const Delim& close) {
  const size_t want = close.len();
  while (*p != '\0') {
    const int n = char_len(enc, p);
    if (static_cast<size_t>(n) == want && close.at(p)) return p;
    p += n;
  }
  return nullptr;
}

// select_field: finds field n (n >= 1) of the len-byte line. False when the
// line has fewer fields. Otherwise *start is the field's first byte and *end
// the separator that ends it, or the line's NUL for the last field.
bool select_field(const FieldSyntax& syntax, char* line, size_t len, long long n, char** start,
                  char** end) {
  *start = n == 1 ? line : nullptr;
  *end = line + len;
  const size_t sep_len = syntax.sep.len();
  if (sep_len == 0) return n == 1;
  const size_t open_len = syntax.open.len();
  long long count = 1;
  // Once a bracket stays open to the end of the line, no later one can
  // close either: the search is not repeated for every opening character.
  bool can_close = open_len != 0;
  for (char* p = line; *p != '\0';) {
    size_t w = static_cast<size_t>(char_len(syntax.enc, p));
    if (can_close && w == open_len && syntax.open.at(p)) {
      if (char* close = closing_bracket(syntax.enc, p + w, syntax.close)) {
        p = close;
        w = static_cast<size_t>(char_len(syntax.enc, p));
      } else {
        can_close = false;
      }
    }
    if (w == sep_len && syntax.sep.at(p)) {
      ++count;
      if (count == n) {
        *start = p + w;
      } else if (count == n + 1) {
        *end = p;
        break;
      }
    }
    p += w;
  }
  return *start != nullptr;
}

// reserve_result: room in ed.result for more bytes at the write position
// w; returns the write position, rebuilt if the buffer moved.
char* reserve_result(EditorState& ed, char* w, size_t more) {
  const size_t at = static_cast<size_t>(w - ed.result.data);
  return ed.result.reserve(at + more) + at;
}

// inside: p points into the buffer.
bool inside(const ByteBuf& buf, const char* p) {
  const auto at = reinterpret_cast<uintptr_t>(p);
  const auto begin = reinterpret_cast<uintptr_t>(buf.data);
  return buf.data != nullptr && at >= begin && at < begin + buf.size;
}

// expand_to: writes the expansion of the item's <to> for the match_len
// bytes at match at w, making room for it and for the rest_len bytes that
// may still follow; returns the write position after it, or null (with the
// message in ed.error) when to has a bad '$'.
char* expand_to(const Item& item, EditorState& ed, const char* match, size_t match_len,
                size_t rest_len, char* w) {
  const ToProgram& to = item.to_prog;
  if (to.constant) {
    w = reserve_result(ed, w, to.text_len + rest_len);
    std::memcpy(w, to.bytes.data, to.text_len);
    return w + to.text_len;
  }
  if (!to.usable) {
    return ed.fail(ErrorCode::bad_to, BAD_TO, item.to.data);
  }
  w = reserve_result(ed, w, to_program_size(to, ed.caps, match_len) + rest_len);
  return w + expand_to_program(to, ed.caps, match, w, match_len);
}

// scan_pattern: the scan of [start, end) (text: where the scanned line
// begins) for any other pattern, match after match, each replaced by the
// expansion of <to>; the bytes between go over unchanged. Returns the write
// position after the scanned text; null after a fault.
char* scan_pattern(const Item& item, EditorState& ed, const char* text, const char* start, const char* end,
                   size_t rest_len, char* w) {
  const Program& prog = item.prog;
  // Room is kept for copying the rest of the field unchanged, so the copy
  // below never checks; only an expansion makes room for itself.
  Scan scan = begin_scan(prog, ed, text, start, end);
  const char* p = start;
  int db = 0;
  for (;;) {
    const char* m = nullptr;
    const char* c = next_match(&scan, p, &db, &m);
    std::memcpy(w, p, static_cast<size_t>(c - p));
    w += c - p;
    if (c == end) return w;
    w = expand_to(item, ed, c, static_cast<size_t>(m - c), static_cast<size_t>(end - m) + rest_len + 1, w);
    if (w == nullptr) return nullptr;
    if (m == c) {
      // An empty match is replaced once; the scan then moves on past the
      // character there, which stays.
      const int n = char_len(prog.enc, c);
      db = n > 1 ? 1 : 0;
      p = c + n;
      std::memcpy(w, c, static_cast<size_t>(p - c));
      w += p - c;
      continue;
    }
    p = char_boundary(prog.enc, c, m, &db);
  }
}

// scan_literal: the scan of [start, end) for a pattern of literal bytes
// only, going from occurrence to occurrence. An attempt that fails does
// nothing but empty the whole-match capture, so the failed attempts between
// two matches need not be made; that capture ends as they would leave it.
// Returns the write position after the scanned text.
char* scan_literal(const Item& item, EditorState& ed, const char* start, const char* end,
                   size_t rest_len, char* w) {
  const Program& prog = item.prog;
  const int len = prog.literal_len;
  Capture& whole = ed.caps.whole();
  // A match that ends inside a character takes the rest of it along.
  const bool may_split = prog.may_split;
  const char* p = start;
  const char* last_end = nullptr;  // where the scan resumed after the last match
  while (p < end) {
    const char* c = next_candidate(prog, start, p, end);
    std::memcpy(w, p, static_cast<size_t>(c - p));
    w += c - p;
    p = c;
    if (c == end) break;
    p = may_split ? char_boundary(prog.enc, c, c + len) : c + len;
    whole.refer(c, static_cast<size_t>(p - c));
    w = expand_to(item, ed, c, static_cast<size_t>(p - c), static_cast<size_t>(end - p) + rest_len + 1, w);
    if (w == nullptr) return nullptr;
    last_end = p;
  }
  // Had every position been tried, an attempt after the last match would
  // have emptied the whole-match capture; with no text, none is made at all.
  if (start < end && last_end != end) whole.clear();
  return w;
}

// finish_result: ends the result at w, putting back what followed the
// scanned field (rest_len bytes from rest, its separator first, which was
// rest_sep before a NUL took its place); returns the length of the result.
size_t finish_result(const ByteBuf& result, char* w, const char* rest, char rest_sep,
                     size_t rest_len) {
  *w = '\0';
  if (rest_len > 0) {
    *w = rest_sep;
    std::memcpy(w + 1, rest + 1, rest_len);
  }
  return static_cast<size_t>(w - result.data) + rest_len;
}

// PendingGuard: when an item stops before its end (a fault handed back as
// a value, or MemoryExhausted thrown where the caller asked for exhaustion
// as an exception), the captures that still refer to the scanned text are
// emptied: that text may be the caller's, and nothing may read it once the
// caller has dropped it. An item that ends normally marks the guard done
// first (cheaper than asking the run time whether an exception is in
// flight, once per item).
struct PendingGuard {
  Captures* caps;
  bool done = false;
  ~PendingGuard() {
    if (!done) caps->drop_pending();
  }
};

// Span: what an item scans. text holds the line; [start, end) is the
// selected field, or the whole line; the head_len bytes at head go before
// it unchanged. What followed the field, from rest (its separator rest_sep)
// and rest_len bytes in all, is cut off by a NUL and put back after the
// scan. A CSV field is scanned as its value, a text of its own (the
// editor's field buffer for a quoted one); raw is the field as it stood,
// raw_len bytes, written back when the value comes out unchanged.
struct Span {
  const char* text;
  const char* start;
  const char* end;
  const char* head;
  size_t head_len;
  const char* rest;
  size_t rest_len;
  char rest_sep;
  bool csv;
  const char* raw;
  size_t raw_len;
};

// take_csv_field: span set to CSV field n of the len-byte line own (a
// writable copy); false when the line has fewer fields.
bool take_csv_field(const FieldSyntax& syntax, EditorState& ed, char* own, size_t len, long long n,
                    Span* span) {
  char* const line_end = own + len;
  CsvField f = csv_field(syntax, own, line_end);
  for (long long k = 1; k < n; ++k) {
    if (f.end == line_end) return false;
    f = csv_field(syntax, f.end + syntax.sep.len(), line_end);
  }
  span->csv = true;
  span->head = own;
  span->head_len = static_cast<size_t>(f.start - own);
  span->raw = f.start;
  span->raw_len = static_cast<size_t>(f.end - f.start);
  span->rest = f.end;
  span->rest_len = static_cast<size_t>(line_end - f.end);
  span->rest_sep = *f.end;
  if (f.quoted) {
    char* value = ed.field.reserve(span->raw_len + 1);
    const size_t value_len = csv_value(syntax, f, value);
    value[value_len] = '\0';
    span->text = span->start = value;
    span->end = value + value_len;
  } else {
    *f.end = '\0';
    span->text = span->start = f.start;
    span->end = f.end;
  }
  return true;
}

// take_span: the span the item scans in the len-byte line; false when the
// line has no such field (span->text then holds the line as it was).
bool take_span(const Item& item, const FieldSyntax& syntax, EditorState& ed, const char* line,
               size_t len, Span* span) {
  // The scanned line must stay as it is while the result is written. The
  // previous item's result trades places with the work buffer instead of
  // being copied; a caller's own line is scanned where it lies unless a
  // field end must be marked in it.
  const long long n = item.field;
  char* own = nullptr;
  if (line == ed.result.data) {
    ed.work.swap(ed.result);
    own = ed.work.data;
  } else if (n > 0 || inside(ed.result, line)) {
    own = ed.work.reserve(len + 1);
    std::memmove(own, line, len + 1);
  }
  span->text = own != nullptr ? own : line;
  span->start = span->text;
  span->end = span->text + len;
  span->csv = false;
  if (n > 0 && syntax.csv) return take_csv_field(syntax, ed, own, len, n, span);
  if (n > 0) {
    char* field = nullptr;
    char* stop = nullptr;
    if (!select_field(syntax, own, len, n, &field, &stop)) return false;
    span->start = field;
    span->end = stop;
  }
  // What follows the field (its separator first) goes back unchanged; the
  // scan sees the field alone.
  span->head = span->text;
  span->head_len = static_cast<size_t>(span->start - span->text);
  span->rest = span->end;
  span->rest_len = static_cast<size_t>(span->text + len - span->end);
  span->rest_sep = *span->end;
  if (span->rest_len > 0) own[span->end - own] = '\0';
  return true;
}

// requote: the CSV value the item wrote from vw to w put back as a field:
// as it stood when the item changed nothing, else quoted when it must be.
// Returns the write position after it.
char* requote(const FieldSyntax& syntax, EditorState& ed, const Span& span, char* vw, char* w) {
  const size_t at = static_cast<size_t>(vw - ed.result.data);
  const size_t value_len = static_cast<size_t>(w - vw);
  const char* field = span.raw;
  size_t field_len = span.raw_len;
  if (value_len != static_cast<size_t>(span.end - span.start) || std::memcmp(vw, span.start, value_len) != 0) {
    ed.quoted.clear();
    csv_append_field(syntax, vw, value_len, &ed.quoted);
    field = ed.quoted.data;
    field_len = ed.quoted.len;
  }
  vw = ed.result.reserve(at + field_len + span.rest_len + 1) + at;
  std::memcpy(vw, field, field_len);
  return vw + field_len;
}

// scan_span: the result of the item over span written to ed.result: the
// bytes before the field, the field scanned, and what followed it; returns
// the result and sets *result_len to its length; null after a fault.
char* scan_span(const Item& item, const FieldSyntax& syntax, EditorState& ed, const Span& span,
                size_t* result_len) {
  PendingGuard guard{&ed.caps};
  const Program& prog = item.prog;
  const char* text = span.text;
  const char* start = span.start;
  const char* end = span.end;
  const size_t rest_len = span.rest_len;
  const size_t prefix = span.head_len;
  char* w = ed.result.reserve(prefix + static_cast<size_t>(end - start) + rest_len + 1);
  std::memcpy(w, span.head, prefix);
  w += prefix;
  char* const field_w = w;

  if (prog.literal_len > 1) {
    w = scan_literal(item, ed, start, end, rest_len, w);
    if (w == nullptr) return nullptr;
    if (span.csv) {
      // The captures may still refer to the value, which requote reads.
      ed.caps.whole().settle();
      w = requote(syntax, ed, span, field_w, w);
    }
    *result_len = finish_result(ed.result, w, span.rest, span.rest_sep, rest_len);
    // Every item leaves the captures settled, and a literal pattern
    // touches the whole-match capture alone.
    ed.caps.whole().settle();
    guard.done = true;
    return ed.result.data;
  }

  w = scan_pattern(item, ed, text, start, end, rest_len, w);
  if (w == nullptr) return nullptr;
  ed.caps.settle();
  if (span.csv) w = requote(syntax, ed, span, field_w, w);
  *result_len = finish_result(ed.result, w, span.rest, span.rest_sep, rest_len);
  guard.done = true;
  return ed.result.data;
}

}  // namespace

void ready_item(Item* item, Encoding enc) {
  const char* from = item->from.data;
  const char* pattern = from;
  item->field = field_number(from, &pattern);
  const char* to = item->to.data;
  item->to_prog.usable = item->to_prog.constant = false;
  if (item->field == 0) return;
  compile_pattern(pattern, &item->prog, enc);
  compile_to(to, &item->to_prog, enc);
}

char* apply_item(const Item& item, const FieldSyntax& syntax, EditorState& ed, const char* line,
                 size_t* result_len) {
  if (item.field == 0) {
    return ed.fail(ErrorCode::bad_item, BAD_REPLACE, item.from.data);
  }
  const size_t len = *result_len != UNKNOWN_LEN ? *result_len : std::strlen(line);
  Span span;
  if (!take_span(item, syntax, ed, line, len, &span)) {
    std::memcpy(ed.result.reserve(len + 1), span.text, len + 1);
    *result_len = len;
    return ed.result.data;
  }
  return scan_span(item, syntax, ed, span, result_len);
}

bool whole_line_literal(const Item& item) {
  const Program& prog = item.prog;
  const int len = prog.literal_len;
  const ToProgram& to = item.to_prog;
  if (item.field != -1 || len < 1 || !to.constant) return false;
  const char* lit = prog.literal.data;
  return !prog.may_split &&
         std::memchr(lit, '\n', static_cast<size_t>(len)) == nullptr &&
         std::memchr(to.bytes.data, '\n', to.text_len) == nullptr;
}

namespace {

// note_run_end: *end_state updated for the run of lines [text, text + len),
// where the literal's last match ended at last_end (null: none): the run's
// last line that was not empty as read decides what the whole-match capture
// holds; the empty lines after it are empty here too.
void note_run_end(const Program& prog, const char* text, size_t len, const char* last_end,
                  FromArgEnd* end_state) {
  const char* end = text + len;
  const size_t lit_len = static_cast<size_t>(prog.literal_len);
  if (end_state->empty_tail == FromArgEnd::UNCOUNTED) {
    size_t newlines = 0;
    while (newlines < len && text[len - 1 - newlines] == '\n') ++newlines;
    end_state->empty_tail = newlines - 1;
  }
  const char* line_end = end - 1 - end_state->empty_tail;
  const auto* line_start = platform::find_last(text, '\n', static_cast<size_t>(line_end - text));
  line_start = line_start == nullptr ? text : line_start + 1;
  if (line_start < line_end) {
    end_state->touched = true;
    end_state->len = last_end == line_end ? lit_len : 0;
    std::memcpy(end_state->match.reserve(lit_len), prog.literal.data, end_state->len);
  }
}

}  // namespace

size_t replace_literal_lines(const Item& item, const char* text, size_t len, ByteBuf* out,
                             FromArgEnd* end_state) {
  const Program& prog = item.prog;
  const size_t lit_len = static_cast<size_t>(prog.literal_len);
  const unsigned char first = static_cast<unsigned char>(prog.literal.data[0]);
  const size_t to_len = item.to_prog.text_len;
  const char* to = item.to_prog.bytes.data;
  const char* end = text + len;
  char* w = out->reserve(len);
  const char* p = text;     // the first byte not yet written
  const char* base = text;  // a character start at or before the next occurrence
  const char* last_end = nullptr;
  for (;;) {
    const char* c = lit_len == 1
                        ? static_cast<const char*>(std::memchr(base, first, static_cast<size_t>(end - base)))
                        : prog.finder.find(base, end, text);
    if (c == nullptr) break;
    if (const char* s = first_char_start(prog.enc, base, c); s != c) {
      base = s;  // c is inside a character
      continue;
    }
    // Room for this piece, the expansion and the rest of the text unchanged.
    const size_t at = static_cast<size_t>(w - out->data);
    const size_t need = at + static_cast<size_t>(c - p) + to_len + static_cast<size_t>(end - c) - lit_len;
    if (need > out->size) {
      if (need > LINES_CAP) return UNKNOWN_LEN;
      w = out->reserve(need) + at;
    }
    std::memcpy(w, p, static_cast<size_t>(c - p));
    w += c - p;
    std::memcpy(w, to, to_len);
    w += to_len;
    p = base = last_end = c + lit_len;
  }
  std::memcpy(w, p, static_cast<size_t>(end - p));
  w += end - p;

  note_run_end(prog, text, len, last_end, end_state);
  return static_cast<size_t>(w - out->data);
}

void apply_from_arg_end(const FromArgEnd& end, Captures* caps) {
  if (!end.touched) return;
  Capture& whole = caps->whole();
  if (end.len == 0) {
    whole.clear();
  } else {
    whole.refer(end.match.data, end.len);
    whole.settle();
  }
}

}  // namespace quorl
