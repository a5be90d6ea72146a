#include "replace/csv.h"

#include <cstring>

#include "support/encoding.h"

namespace quorl {

namespace {

// find_quote: the first quote character in [p, end) (p a character start),
// or end.
char* find_quote(Encoding enc, char* p, const char* end) {
  for (char* base = p;;) {
    auto* q = static_cast<char*>(std::memchr(p, '"', static_cast<size_t>(end - p)));
    if (q == nullptr) return const_cast<char*>(end);
    if (ascii_syncs(enc) || starts_char(enc, base, q)) return q;
    p = q + 1;  // a Shift_JIS second byte; the byte after it starts a character
    base = p;
  }
}

// find_separator: the first separator in [p, end) (p a character start), or
// end.
char* find_separator(const FieldSyntax& syntax, char* p, const char* end) {
  const Delim& sep = syntax.sep;
  const auto first = static_cast<unsigned char>(sep.bytes[0]);
  if (sep.single() && !is_multi_start(syntax.enc, first)) {
    // One byte that is a character of its own wherever it starts one.
    for (char* base = p;;) {
      auto* s = static_cast<char*>(std::memchr(p, sep.bytes[0], static_cast<size_t>(end - p)));
      if (s == nullptr) return const_cast<char*>(end);
      if (first < 0x80 ? ascii_syncs(syntax.enc) || starts_char(syntax.enc, base, s)
                       : starts_char(syntax.enc, base, s))
        return s;
      base = p = const_cast<char*>(first_char_start(syntax.enc, base, s));
    }
  }
  // A separator of several bytes, or a byte that may begin one: character
  // by character. A lone lead byte given as the separator still separates
  // where it stands, as the plain field splitting has it.
  const size_t sep_len = sep.len();
  while (p < end) {
    if (sep.single() && *p == sep.bytes[0]) return p;
    const auto w = static_cast<size_t>(char_len(syntax.enc, p));
    if (w == sep_len && sep.at(p)) return p;
    p += w;
  }
  return const_cast<char*>(end);
}

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
  while (p < end) {
    const auto w = static_cast<size_t>(char_len(syntax.enc, p));
    const size_t step = w <= static_cast<size_t>(end - p) ? w : 1;
    if (*p == '"') out->push('"');
    out->append(p, step);
    p += step;
  }
  out->push('"');
}

size_t csv_quotes(Encoding enc, const char* p, size_t n) {
  size_t count = 0;
  const char* end = p + n;
  for (const char* q = p; (q = static_cast<const char*>(std::memchr(q, '"', static_cast<size_t>(end - q))));
       ++q)
    if (ascii_syncs(enc) || starts_char(enc, p, q)) ++count;
  return count;
}

}  // namespace quorl
