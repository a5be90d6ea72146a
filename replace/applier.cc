#include "replace/applier.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "driver/cli.h"
#include "replace/builder.h"
#include "replace/matcher.h"
#include "replace/splitter.h"
#include "support/bytescan.h"
#include "support/errors.h"
#include "support/sjis.h"

namespace quorl {

int pos = 0;

namespace {

// The item of a single replace_item call.
ReadyItem single_item;

// copy_text: text copied into buf, NUL-terminated.
void copy_text(ByteBuf* buf, const char* text) {
  const size_t n = std::strlen(text);
  std::memmove(buf->reserve(n + 1), text, n + 1);
}

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

// closing_bracket: the first close byte from p on, stepping over double-byte
// characters whole; null when the text ends first.
char* closing_bracket(char* p, char close) {
  while (*p != '\0') {
    if (is_double(p)) {
      p += 2;
    } else {
      if (*p == close) return p;
      ++p;
    }
  }
  return nullptr;
}

// select_field: finds field n (n >= 1) of the len-byte line. False when the
// line has fewer fields. Otherwise *start is the field's first byte and *end
// the separator that ends it, or the line's NUL for the last field.
bool select_field(char* line, size_t len, long long n, char** start, char** end) {
  *start = n == 1 ? line : nullptr;
  *end = line + len;
  if (sep == '\0') return n == 1;
  long long count = 1;
  // Once a bracket stays open to the end of the line, no later one can
  // close either: the search is not repeated for every opening byte.
  bool can_close = field_bracket_s != '\0';
  for (char* p = line; *p != '\0'; ++p) {
    if (is_double(p)) {
      ++p;
      continue;
    }
    if (can_close && *p == field_bracket_s) {
      if (char* close = closing_bracket(p + 1, field_bracket_e))
        p = close;
      else
        can_close = false;
    }
    if (*p == sep) {
      ++count;
      if (count == n) {
        *start = p + 1;
      } else if (count == n + 1) {
        *end = p;
        break;
      }
    }
  }
  return *start != nullptr;
}

// copy_char: copies the character at *p to *w and steps both past it; *db
// tells afterwards whether it was a double-byte character.
inline void copy_char(const char** p, char** w, int* db) {
  if (is_double(*p)) {
    *(*w)++ = *(*p)++;
    *db = 1;
  } else {
    *db = 0;
  }
  *(*w)++ = *(*p)++;
}

// reserve_result: room in result_str for more bytes at the write position
// w; returns the write position, rebuilt through pos if the buffer moved.
char* reserve_result(char* w, size_t more) {
  pos = static_cast<int>(w - result_str);
  result_buf.reserve(static_cast<size_t>(pos) + more);
  return result_str + pos;
}

// inside: p points into the buffer.
bool inside(const ByteBuf& buf, const char* p) {
  const auto at = reinterpret_cast<uintptr_t>(p);
  const auto begin = reinterpret_cast<uintptr_t>(buf.data);
  return buf.data != nullptr && at >= begin && at < begin + static_cast<uintptr_t>(buf.size);
}

// next_candidate: the first character start at or after p (a character
// start) where a match of prog (no whole-word pattern) can begin, or end.
const char* next_candidate(const Program& prog, const char* start, const char* p, const char* end) {
  if (prog.anchored && p != start) return end;
  if (prog.literal_len > 1) {
    // A literal pattern: a candidate is a whole occurrence of its bytes.
    const char* base = p;
    for (;;) {
      const char* c = prog.finder.find(base, end, start);
      if (c == nullptr) return end;
      if (starts_char(base, c)) return c;
      base = c + 1;  // c is the second byte of a character
    }
  }
  if (prog.first_byte >= 0 || prog.first_scan.set.count > 0) {
    const char* base = p;
    for (;;) {
      const auto* c = prog.first_byte >= 0
                          ? static_cast<const char*>(std::memchr(base, prog.first_byte, static_cast<size_t>(end - base)))
                          : find_in_set(base, end, prog.first_scan, start);
      if (c == nullptr) return end;
      if (starts_char(base, c)) return c;
      base = c + 1;  // c is the second byte of a character
    }
  }
  // A branch per byte rather than adding the table's step: the next load
  // need not wait for this one.
  const char* q = p;
  for (;;) {
    const unsigned step = prog.skip[static_cast<unsigned char>(*q)];
    if (step == 1) {
      ++q;
    } else if (step == 0) {
      return q;
    } else {
      q += q[1] == '\0' ? 1 : 2;
    }
  }
}

// skip_word_run: like next_candidate, for a whole-word pattern, whose
// attempts depend on the left neighbour. Sets *db for the character before
// the result, and *passed when a position passed over (or the result) has a
// left neighbour that lets an attempt begin there: only then does trying it
// touch the captures. Counting the result too does no harm, unless it is
// the end of the text: a real attempt there passes the same test and
// overwrites what a skipped one wrote.
const char* skip_word_run(const Program& prog, const char* p, int* db, bool* passed) {
  const char* q = p;
  bool pass = *passed;
  for (;;) {
    const unsigned char c = static_cast<unsigned char>(*q);
    const unsigned step = prog.skip[c];
    if (step == 1) {
      pass = pass || (q[1] != '\0' && !is_left_word_byte(c));
      *db = 0;
      ++q;
    } else if (step == 0) {
      break;
    } else if (q[1] == '\0') {
      *db = 0;  // a lone lead byte just before the end
      ++q;
    } else {
      *db = 1;
      q += 2;
    }
  }
  *passed = pass;
  return q;
}

// expand_to: writes the expansion of the item's <to> for the match_len
// bytes at match at w, making room for it and for the rest_len bytes that
// may still follow; returns the write position after it.
char* expand_to(const ReadyItem& item, const char* match, int match_len, size_t rest_len, char* w) {
  if (item.constant_len >= 0) {
    w = reserve_result(w, static_cast<size_t>(item.constant_len) + rest_len);
    std::memcpy(w, item.constant_to.data, static_cast<size_t>(item.constant_len));
    return w + item.constant_len;
  }
  if (item.to_prog.usable) {
    w = reserve_result(w, to_program_size(item.to_prog, match_len) + rest_len);
    return w + expand_to_program(item.to_prog, match, w, match_len);
  }
  w = reserve_result(w, to_string_size(item.to.data, match_len) + rest_len);
  return w + make_to_string(match, w, item.to.data, match_len, item.to_len);
}

// scan_literal: the scan of [start, end) for a pattern of literal bytes
// only, going from occurrence to occurrence. An attempt that fails does
// nothing but empty from_arg, so the failed attempts between two matches
// need not be made; from_arg ends as they would leave it. Returns the write
// position after the scanned text.
char* scan_literal(const Program& prog, const ReadyItem& item, const char* start, const char* end,
                   size_t rest_len, char* w) {
  const int len = prog.literal_len;
  // A match that ends in a lead byte takes the byte after it along.
  const bool may_split = is_lead(static_cast<unsigned char>(prog.literal.data[len - 1]));
  const char* p = start;
  const char* last_end = nullptr;  // where the scan resumed after the last match
  while (p < end) {
    const char* c = next_candidate(prog, start, p, end);
    std::memcpy(w, p, static_cast<size_t>(c - p));
    w += c - p;
    p = c;
    if (c == end) break;
    from_arg.refer(c, len);
    w = expand_to(item, c, len, static_cast<size_t>(end - (c + len)) + rest_len + 1, w);
    p = c + len;
    if (may_split) {
      for (p = c; p < c + len;) p += char_len(p);
    }
    last_end = p;
  }
  // Had every position been tried, an attempt after the last match would
  // have emptied from_arg; with no text, none is made at all.
  if (start < end && last_end != end) from_arg.clear();
  return w;
}

// finish_result: ends the result at w, putting back what followed the
// scanned field (rest_len bytes, its separator first); returns the length
// of the result.
size_t finish_result(char* w, const char* end, char rest_sep, size_t rest_len) {
  *w = '\0';
  if (rest_len > 0) {
    *w = rest_sep;
    std::memcpy(w + 1, end + 1, rest_len);
  }
  return static_cast<size_t>(w - result_str) + rest_len;
}

// PendingGuard: when an item is left by an exception (an exit hook that
// throws at a fatal template or exhausted memory), the captures that still
// refer to the scanned text are emptied: that text is the caller's, and
// nothing may read it once the caller has dropped it.
// An item that ends normally marks the guard done first (cheaper than
// asking the run time whether an exception is in flight, once per item).
struct PendingGuard {
  bool done = false;
  ~PendingGuard() {
    if (done) return;
    for (Capture* c : {&arg_A, &arg_a, &arg_s, &arg_d, &arg_D, &arg_f, &arg_x, &arg_g, &arg_c,
                       &from_arg})
      if (c->pending) c->clear();
  }
};

}  // namespace

char* replace_item(const char* line, const char* from, const char* to) {
  copy_text(&single_item.from, from);
  copy_text(&single_item.to, to);
  ready_item(&single_item);
  size_t len = UNKNOWN_LEN;
  return apply_item(line, &single_item, &len);
}

void ready_item(ReadyItem* item) {
  const char* from = item->from.data;
  const char* pattern = from;
  item->field = field_number(from, &pattern);
  const char* to = item->to.data;
  item->to_len = static_cast<int>(std::strlen(to));
  item->constant_len = -1;
  item->to_prog.usable = false;
  if (item->field == 0) return;
  compile_pattern(pattern, &item->prog);
  if (is_constant(to)) {
    char* out = item->constant_to.reserve(static_cast<size_t>(item->to_len) + 1);
    item->constant_len = make_to_string("", out, to, 0, item->to_len);
  } else {
    compile_to(to, &item->to_prog);
  }
}

char* apply_item(const char* line, ReadyItem* item, size_t* result_len) {
  const long long n = item->field;
  if (n == 0) {
    errmsg("\"%s\": bad <replace>\n", item->from.data);
    return nullptr;
  }

  // The scanned line must stay as it is while result_str is written. The
  // previous item's result trades places with the work buffer instead of
  // being copied; a caller's own line is scanned where it lies unless a
  // field end must be marked in it.
  const size_t len = *result_len != UNKNOWN_LEN ? *result_len : std::strlen(line);
  char* own = nullptr;
  if (line == result_str) {
    std::swap(work_buf, result_buf);
    own = work_str;
  } else if (n > 0 || inside(result_buf, line)) {
    own = work_buf.reserve(len + 1);
    std::memmove(own, line, len + 1);
  }
  const char* text = own != nullptr ? own : line;
  const char* start = text;
  const char* end = text + len;
  if (n > 0) {
    char* field = nullptr;
    char* stop = nullptr;
    if (!select_field(own, len, n, &field, &stop)) {
      std::memcpy(result_buf.reserve(len + 1), text, len + 1);
      *result_len = len;
      return result_str;
    }
    start = field;
    end = stop;
  }

  // What follows the field (its separator first) goes back unchanged; the
  // scan sees the field alone.
  const size_t rest_len = static_cast<size_t>(text + len - end);
  const char rest_sep = *end;
  if (rest_len > 0) own[end - own] = '\0';

  PendingGuard guard;
  Program& prog = item->prog;
  forget_runs(&prog);
  prog.text_end = end;
  const size_t prefix = static_cast<size_t>(start - text);
  pos = 0;
  char* w = result_buf.reserve(prefix + static_cast<size_t>(end - start) + rest_len + 1);
  std::memcpy(w, text, prefix);
  w += prefix;

  if (prog.literal_len > 1) {
    w = scan_literal(prog, *item, start, end, rest_len, w);
    *result_len = finish_result(w, end, rest_sep, rest_len);
    // Every item leaves the captures settled, and a literal pattern
    // touches from_arg alone.
    from_arg.settle();
    guard.done = true;
    return result_str;
  }

  // Room is kept for copying the rest of the field unchanged, so the copy
  // below never checks; only an expansion makes room for itself. db, the
  // double-byte flag, is kept only as far as whole-word patterns need it.
  const char* p = start;
  int db = 0;
  bool skipped = false;
  while (*p != '\0') {
    if (prog.skip[static_cast<unsigned char>(*p)] != 0 || (prog.anchored && p != start)) {
      // No match can begin here. What trying would have done to the
      // captures is noted, and the characters are copied as they are.
      if (prog.word && !prog.anchored) {
        bool passed = db == 0 && !(p > text && is_left_word_byte(static_cast<unsigned char>(p[-1])));
        const char* q = skip_word_run(prog, p, &db, &passed);
        std::memcpy(w, p, static_cast<size_t>(q - p));
        w += q - p;
        p = q;
        if (passed) skipped = true;
      } else if (prog.word) {
        if (db == 0 && !(p > text && is_left_word_byte(static_cast<unsigned char>(p[-1]))))
          skipped = true;
        copy_char(&p, &w, &db);
      } else {
        const char* q = next_candidate(prog, start, p, end);
        std::memcpy(w, p, static_cast<size_t>(q - p));
        w += q - p;
        p = q;
        skipped = true;
      }
      continue;
    }
    if (skipped) {
      note_skipped_attempt(prog);
      skipped = false;
    }
    const char* m = match_program(&prog, text, start, p, db);
    if (m == nullptr) {
      // A greedy first element that failed here fails all along its run.
      if (const char* e = pass_failed_run(&prog, p, &db)) {
        std::memcpy(w, p, static_cast<size_t>(e - p));
        w += e - p;
        p = e;
        continue;
      }
      copy_char(&p, &w, &db);
      continue;
    }
    const int match_len = static_cast<int>(m - p);
    w = expand_to(*item, p, match_len, static_cast<size_t>(end - m) + rest_len + 1, w);
    if (m == p) {
      // An empty match is replaced once; the scan then moves on past the
      // character there, which stays.
      copy_char(&p, &w, &db);
      continue;
    }
    // A match may end inside a double-byte character: the character's
    // other byte goes with the match.
    while (p < m) {
      if (is_double(p)) {
        p += 2;
        db = 1;
      } else {
        ++p;
        db = 0;
      }
    }
  }
  if (skipped) note_skipped_attempt(prog);
  *result_len = finish_result(w, end, rest_sep, rest_len);
  settle_captures();
  guard.done = true;
  return result_str;
}

bool whole_line_literal(const ReadyItem& item) {
  const Program& prog = item.prog;
  const int len = prog.literal_len;
  if (item.field != -1 || len < 1 || item.constant_len < 0) return false;
  const char* lit = prog.literal.data;
  return !is_lead(static_cast<unsigned char>(lit[len - 1])) &&
         std::memchr(lit, '\n', static_cast<size_t>(len)) == nullptr &&
         std::memchr(item.constant_to.data, '\n', static_cast<size_t>(item.constant_len)) == nullptr;
}

size_t replace_literal_lines(const ReadyItem& item, const char* text, size_t len, ByteBuf* out,
                             FromArgEnd* end_state) {
  const Program& prog = item.prog;
  const size_t lit_len = static_cast<size_t>(prog.literal_len);
  const unsigned char first = static_cast<unsigned char>(prog.literal.data[0]);
  const size_t to_len = static_cast<size_t>(item.constant_len);
  const char* to = item.constant_to.data;
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
    if (!starts_char(base, c)) {
      base = c + 1;  // c is the second byte of a character
      continue;
    }
    // Room for this piece, the expansion and the rest of the text unchanged.
    const size_t at = static_cast<size_t>(w - out->data);
    const size_t need = at + static_cast<size_t>(c - p) + to_len + static_cast<size_t>(end - c) - lit_len;
    if (need > static_cast<size_t>(out->size)) {
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

  // The run's last line that was not empty as read decides what from_arg
  // holds; the empty lines after it are empty here too.
  if (end_state->empty_tail == FromArgEnd::UNCOUNTED) {
    size_t newlines = 0;
    while (newlines < len && text[len - 1 - newlines] == '\n') ++newlines;
    end_state->empty_tail = newlines - 1;
  }
  const char* line_end = end - 1 - end_state->empty_tail;
  const auto* line_start = static_cast<const char*>(memrchr(text, '\n', static_cast<size_t>(line_end - text)));
  line_start = line_start == nullptr ? text : line_start + 1;
  if (line_start < line_end) {
    end_state->touched = true;
    end_state->len = last_end == line_end ? prog.literal_len : 0;
    std::memcpy(end_state->match.reserve(lit_len), prog.literal.data, static_cast<size_t>(end_state->len));
  }
  return static_cast<size_t>(w - out->data);
}

void apply_from_arg_end(const FromArgEnd& end) {
  if (!end.touched) return;
  if (end.len == 0) {
    from_arg.clear();
  } else {
    from_arg.refer(end.match.data, end.len);
    from_arg.settle();
  }
}

}  // namespace quorl
