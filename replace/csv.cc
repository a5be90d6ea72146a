#include "replace/csv.h"

#include <cstring>

#include "support/bytescan.h"
#include "support/encoding.h"

namespace quorl {

namespace {

// find_quote: the first quote character in [p, end) (p a character start),
// or end. A quote is never a lead byte, so outside Shift_JIS every quote
// byte is one; in Shift_JIS the lead bytes are stepped over with the byte
// after them.
char* find_quote(Encoding enc, char* p, const char* end) {
  if (ascii_syncs(enc)) {
    auto* q = static_cast<char*>(std::memchr(p, '"', static_cast<size_t>(end - p)));
    return q != nullptr ? q : const_cast<char*>(end);
  }
  while (p < end && *p != '"') p += is_lead(static_cast<unsigned char>(*p)) && p + 1 < end ? 2 : 1;
  return p < end ? p : const_cast<char*>(end);
}

// find_separator: the first separator in [p, end) (p a character start), or
// end. Fields are short, so a loop over the bytes beats a call per field.
char* find_separator(const FieldSyntax& syntax, char* p, const char* end) {
  const Delim& sep = syntax.sep;
  const char first = sep.bytes[0];
  if (sep.single() && static_cast<unsigned char>(first) < 0x80) {
    if (ascii_syncs(syntax.enc)) {
      ByteSet set;
      set.add(static_cast<unsigned char>(first), static_cast<unsigned char>(first));
      const char* hit = find_in_set(p, end, SetScanner(set));
      return hit != nullptr ? const_cast<char*>(hit) : const_cast<char*>(end);
    } else {
      while (p < end && *p != first) p += is_lead(static_cast<unsigned char>(*p)) && p + 1 < end ? 2 : 1;
    }
    return p < end ? p : const_cast<char*>(end);
  }
  // A separator of several bytes, or one byte beyond ASCII: character by
  // character. A lone lead byte given as the separator still separates
  // where it stands, as the plain field splitting has it.
  const size_t sep_len = sep.len();
  while (p < end) {
    if (sep.single() && *p == first) return p;
    const auto w = static_cast<size_t>(char_len(syntax.enc, p));
    if (w == sep_len && sep.at(p)) return p;
    p += w;
  }
  return const_cast<char*>(end);
}

// special: c must be quoted in a field with the one-byte separator sep.
inline bool special(char c, char sep) { return c == '"' || c == '\r' || c == '\n' || c == sep; }

}  // namespace

CsvField csv_field(const FieldSyntax& syntax, char* p, const char* end) {
  if (p == end || *p != '"') return CsvField{p, find_separator(syntax, p, end), false};
  char* r = p + 1;
  for (;;) {
    char* q = find_quote(syntax.enc, r, end);
    if (q == end) return CsvField{p, q, true};  // never closed: to the record's end
    if (q + 1 < end && q[1] == '"') {
      r = q + 2;
      continue;
    }
    return CsvField{p, find_separator(syntax, q + 1, end), true};
  }
}

size_t csv_value(const FieldSyntax& syntax, const CsvField& f, char* out) {
  char* w = out;
  char* r = f.start + 1;
  while (r < f.end) {
    char* q = find_quote(syntax.enc, r, f.end);
    std::memmove(w, r, static_cast<size_t>(q - r));
    w += q - r;
    if (q == f.end) break;
    if (q + 1 < f.end && q[1] == '"') {
      *w++ = '"';
      r = q + 2;
      continue;
    }
    // The closing quote: the rest up to the separator is text as it stands.
    std::memmove(w, q + 1, static_cast<size_t>(f.end - q - 1));
    w += f.end - q - 1;
    break;
  }
  return static_cast<size_t>(w - out);
}

bool csv_must_quote(const FieldSyntax& syntax, const char* p, size_t n) {
  const char* end = p + n;
  const char first = syntax.sep.bytes[0];
  if (syntax.sep.single() && static_cast<unsigned char>(first) < 0x80) {
    if (ascii_syncs(syntax.enc)) {
      // CR and LF stand in a range with VT and FF, which the loop passes by.
      ByteSet set;
      set.add('\n', '\r');
      set.add('"', '"');
      set.add(static_cast<unsigned char>(first), static_cast<unsigned char>(first));
      const SetScanner scan(set);
      for (const char* hit; (hit = find_in_set(p, end, scan)) != nullptr; p = hit + 1)
        if (special(*hit, first)) return true;
      return false;
    }
    while (p < end) {
      if (is_lead(static_cast<unsigned char>(*p)) && p + 1 < end) {
        p += 2;
        continue;
      }
      if (special(*p, first)) return true;
      ++p;
    }
    return false;
  }
  const size_t sep_len = syntax.sep.len();
  while (p < end) {
    const char c = *p;
    if (c == '"' || c == '\r' || c == '\n') return true;
    // The value need not end in a NUL: a character cut short by its end is
    // its bytes one by one.
    const auto w = static_cast<size_t>(char_len(syntax.enc, p));
    const size_t step = w <= static_cast<size_t>(end - p) ? w : 1;
    if (step == sep_len && syntax.sep.at(p)) return true;
    p += step;
  }
  return false;
}

void csv_append_field(const FieldSyntax& syntax, const char* p, size_t n, ByteBuf* out) {
  if (!csv_must_quote(syntax, p, n)) {
    out->append(p, n);
    return;
  }
  out->push('"');
  const char* end = p + n;
  if (ascii_syncs(syntax.enc)) {
    for (const char* q; (q = static_cast<const char*>(std::memchr(p, '"', static_cast<size_t>(end - p)))); p = q + 1) {
      out->append(p, static_cast<size_t>(q + 1 - p));
      out->push('"');
    }
    out->append(p, static_cast<size_t>(end - p));
    out->push('"');
    return;
  }
  while (p < end) {
    const auto w = static_cast<size_t>(char_len(syntax.enc, p));
    const size_t step = w <= static_cast<size_t>(end - p) ? w : 1;
    if (*p == '"') out->push('"');
    out->append(p, step);
    p += step;
  }
  out->push('"');
}

namespace {

// field_starts: a quote at q, a character start outside quotes, opens a
// field: it stands at the record's start (rec, or null when the record
// began on an earlier line) or right after a separator. base is a
// character start at or before q.
bool field_starts(const FieldSyntax& syntax, const char* rec, const char* base, const char* q) {
  if (q == rec) return true;
  const size_t sep_len = syntax.sep.len();
  if (static_cast<size_t>(q - base) < sep_len) return false;
  const char* s = q - sep_len;
  return syntax.sep.at(s) && (ascii_syncs(syntax.enc) || starts_char(syntax.enc, base, s));
}

}  // namespace

bool csv_quoted_after(const FieldSyntax& syntax, const char* p, size_t n, bool quoted) {
  const char* const end = p + n;
  const char* const rec = quoted ? nullptr : p;
  const char* const base = p;
  const bool check = !ascii_syncs(syntax.enc);
  for (const char* q = p; (q = static_cast<const char*>(std::memchr(q, '"', static_cast<size_t>(end - q))));
       ++q) {
    // In Shift_JIS a quote byte may end a character that a lead byte began.
    if (check && !starts_char(syntax.enc, base, q)) continue;
    if (quoted) {
      if (q + 1 < end && q[1] == '"') {
        ++q;  // a doubled quote: one quote of the text
        continue;
      }
      quoted = false;
    } else if (field_starts(syntax, rec, base, q)) {
      quoted = true;
    }
  }
  return quoted;
}

char* csv_record_end(const FieldSyntax& syntax, char* p, const char* end, size_t* lines) {
  bool quoted = false;
  for (;;) {
    auto* nl = static_cast<char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
    if (nl == nullptr) return nullptr;
    if (lines != nullptr) ++*lines;
    quoted = csv_quoted_after(syntax, p, static_cast<size_t>(nl - p), quoted);
    if (!quoted) return nl + 1;
    p = nl + 1;
  }
}

char* csv_record_from(const FieldSyntax& syntax, char* p, const char* end, const char* from) {
  const char sep = syntax.sep.bytes[0];
  if (!ascii_syncs(syntax.enc) || !syntax.sep.single() || static_cast<unsigned char>(sep) >= 0x80) {
    while (p < from)
      if ((p = csv_record_end(syntax, p, end)) == nullptr) return nullptr;
    return p;
  }
  // Every ASCII byte is a character and the separator one byte: only
  // quotes and newlines matter, and a quote opens a field at the record's
  // start or right after a separator.
  ByteSet set;
  set.add('\n', '\n');
  set.add('"', '"');
  const SetScanner scan(set);
  char* record = p;
  if (record >= from) return record;
  for (const char* c = p;;) {
    const char* hit = find_in_set(c, end, scan, p);
    if (hit == nullptr) return nullptr;
    if (*hit == '\n') {
      record = const_cast<char*>(hit) + 1;
      if (record >= from) return record;
      c = record;
    } else if (hit == record || hit[-1] == sep) {
      // A quoted field: on to the quote that closes it.
      const char* q = hit + 1;
      for (;;) {
        q = static_cast<const char*>(std::memchr(q, '"', static_cast<size_t>(end - q)));
        if (q == nullptr) return nullptr;
        if (q + 1 == end || q[1] != '"') break;
        q += 2;
      }
      c = q + 1;
    } else {
      c = hit + 1;
    }
  }
}

}  // namespace quorl
