#include "extract/extractor.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "driver/cli.h"
#include "replace/applier.h"
#include "support/bytescan.h"
#include "support/errors.h"
#include "support/exit.h"
#include "support/memory.h"
#include "support/sjis.h"

namespace quorl {

char** field_ptr = nullptr;
int field_ptr_max = 0;
char* extract_buf = nullptr;
int extract_buf_size = 0;

namespace {

// alloc_size: n as a size for the memory helpers. A size that no int holds
// becomes -1, which they report and end on like any failed request, so the
// sizes recorded here never wrap.
int alloc_size(long long n) { return n > INT_MAX ? -1 : static_cast<int>(n); }

// first_block: a fresh zero-filled block. getmem gives null only when a host
// lowered terminate_size; its message is out, and without the block the line
// cannot be extracted.
void* first_block(int size) {
  void* p = getmem(size);
  if (p == nullptr) end_process(1);
  return p;
}

// grow_table: room for FIELD_PTR_STEP more pieces.
void grow_table() {
  long long entries = static_cast<long long>(field_ptr_max) + FIELD_PTR_STEP;
  field_ptr = static_cast<char**>(
      moremem(field_ptr, alloc_size(entries * static_cast<long long>(sizeof(char*)))));
  field_ptr_max = static_cast<int>(entries);
}

// grow_output: extract_buf resized to size bytes, keeping the used bytes
// written so far; returns the write offset, which rides through the move in
// pos as it does for the replacement engine's output.
long long grow_output(long long used, long long size) {
  pos = static_cast<int>(used);
  extract_buf = static_cast<char*>(moremem(extract_buf, alloc_size(size)));
  extract_buf_size = static_cast<int>(size);
  return pos;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

bool is_digit(char c) { return c >= '0' && c <= '9'; }

[[noreturn]] void bad_template() {
  errmsg("illegal \"-e <extract>\" parameter");
  end_process(1);
}

// read_number: the decimal number at *p, stepping *p past its digits; 0 when
// no digit stands there. A value beyond INT_MAX stays at INT_MAX.
int read_number(const char** p) {
  int n = 0;
  const char* s = *p;
  for (; is_digit(*s); ++s) {
    int d = *s - '0';
    n = n > (INT_MAX - d) / 10 ? INT_MAX : n * 10 + d;
  }
  *p = s;
  return n;
}

// split_by_chars: split_fields, stepping through line one character at a
// time.
int split_by_chars(char* line) {
  const char separator = sep;
  int n = 0;
  char* p = line;
  while (*p != '\0') {
    // The separator test comes before the double-byte test, so a -t byte
    // that is also a lead byte still separates.
    if (separator == 0 ? is_blank(*p) : *p == separator) {
      *p++ = '\0';
      if (separator == 0)
        while (is_blank(*p)) ++p;
      if (n + 1 == field_ptr_max) grow_table();
      field_ptr[++n] = p;
    } else {
      p += char_len(p);
    }
  }
  return n;
}

// separator_scan: the bytes that may separate pieces (blanks and tabs, or
// the -t byte), and *blanks true when a run of blanks is one separator.
SetScanner separator_scan(bool* blanks) {
  ByteSet seps;
  if (sep == 0) {
    seps.add(' ', ' ');
    seps.add('\t', '\t');
  } else {
    seps.add(static_cast<unsigned char>(sep), static_cast<unsigned char>(sep));
  }
  *blanks = sep == 0;
  return SetScanner(seps);
}

// each_cut: calls cut(c, next) for every separator c of the line [line,
// end), in order, next being where the piece after it starts, until cut
// returns false; returns false when it did. The line is tested 16 bytes at
// a time; bytes from floor up to ceiling (line <= end <= ceiling) may be
// read. A byte found is a separator when it starts a character, which the
// lead-range bytes in front of it tell (see starts_char); the separator is
// no lead byte here, so it is always a character of its own.
template <class Cut>
bool each_cut(const SetScanner& scan, bool blanks, const char* line, const char* end,
              const char* floor, const char* ceiling, Cut cut) {
  const char* base = line;  // a character start; every separator before it is cut
  for (const char* block = line; block < end; block += 16) {
    // The bytes from block on, 16 or what is left; a short last block is
    // read as the 16 bytes that end the readable text when it has them.
    const char* at = block;
    unsigned mask;
    if (ceiling - block >= 16) {
      mask = scan.bits(block);
    } else if (ceiling - floor >= 16) {
      at = ceiling - 16;
      mask = scan.bits(at) & (~0u << (block - at));
    } else {
      mask = scan.some_bits(block, static_cast<size_t>(ceiling - block));
    }
    // Only the line's own bytes.
    if (end - at < 16) mask &= (1u << (end - at)) - 1;
    for (; mask != 0; mask &= mask - 1) {
      const char* c = at + __builtin_ctz(mask);
      if (c < base) continue;  // a blank of a run already passed over
      if (!starts_char(base, c)) {
        base = c + 1;  // c is a second byte
        continue;
      }
      const char* next = c + 1;
      if (blanks)
        while (is_blank(*next)) ++next;
      base = next;
      if (!cut(c, next)) return false;
    }
  }
  return true;
}

// split_by_search: split_fields, testing 16 bytes at a time for separator
// bytes.
int split_by_search(char* line, size_t len) {
  bool blanks = false;
  const SetScanner scan = separator_scan(&blanks);
  int n = 0;
  each_cut(scan, blanks, line, line + len, line, line + len, [&](const char* c, const char* next) {
    line[c - line] = '\0';
    if (n + 1 == field_ptr_max) grow_table();
    field_ptr[++n] = line + (next - line);
    return true;
  });
  return n;
}

}  // namespace

int split_fields(char* line) { return split_fields_len(line, std::strlen(line)); }

int split_fields_len(char* line, size_t len) {
  if (field_ptr == nullptr) {
    field_ptr = static_cast<char**>(first_block(FIELD_PTR_STEP * static_cast<int>(sizeof(char*))));
    field_ptr_max = FIELD_PTR_STEP;
  }
  field_ptr[0] = line;
  // A -t byte that is also a lead byte separates even where it would begin
  // a character: only stepping through the line character by character
  // tells those apart.
  return sep != 0 && is_lead(static_cast<unsigned char>(sep)) ? split_by_chars(line)
                                                               : split_by_search(line, len);
}

const char* read_field_no(const char* spec, int* first_no, int* last_no, int field_count) {
  const char* p = spec;
  bool range = *p == '(';
  if (range) ++p;
  // A template that ends right after "$" or "$(" lands here on the NUL.
  if (!is_digit(*p) && *p != '$' && *p != '*') return nullptr;
  int first = 0;
  int last = 0;
  bool has_last = false;
  if (!range) {
    if (*p == '$') {
      first = field_count;
    } else if (*p == '*') {
      first = 1;
      last = field_count;
      has_last = true;
    } else {
      first = *p - '0';
    }
    ++p;
  } else {
    first = read_number(&p);
    if (*p == '-') {
      ++p;
      // "$(<no>-" closing the template is an open range cut short; it
      // names the one field.
      if (*p != '\0') {
        last = read_number(&p);
        has_last = true;
        if (*p != ')') return nullptr;
        ++p;
      }
    } else if (*p == ')') {
      ++p;
    } else {
      return nullptr;
    }
  }
  if (!has_last) last = first;
  if (last < first || first < 1) return nullptr;
  *first_no = first;
  *last_no = last;
  return p;
}

char* extract_fields(const char* templ, char* line) {
  size_t len = static_cast<size_t>(-1);
  return extract_fields_len(templ, line, &len);
}

char* extract_fields_len(const char* templ, char* line, size_t* len) {
  if (extract_buf == nullptr) {
    extract_buf = static_cast<char*>(first_block(EXTRACT_BUF_STEP));
    extract_buf_size = EXTRACT_BUF_STEP;
  }
  extract_buf[0] = '\0';
  int n = split_fields_len(line, *len != static_cast<size_t>(-1) ? *len : std::strlen(line));
  // An empty first piece is not counted as a field, but $$ still stands for
  // the piece count, so on such a line it names no piece.
  int skip = field_ptr[0][0] == '\0' ? 1 : 0;
  // An offset, not a pointer: the buffer may move while it grows.
  long long used = 0;
  const char* t = templ;
  while (*t != '\0') {
    if (*t != '$') {
      if (used + 1 >= extract_buf_size)
        used = grow_output(used, static_cast<long long>(extract_buf_size) + EXTRACT_BUF_STEP + 1);
      extract_buf[used++] = *t++;
      continue;
    }
    int first_no = 0;
    int last_no = 0;
    t = read_field_no(t + 1, &first_no, &last_no, n + 1);
    if (t == nullptr) bad_template();
    int i = first_no - 1 + skip;
    int j = last_no - 1 + skip;
    for (int k = i; k <= j && k <= n; ++k) {
      long long len = static_cast<long long>(std::strlen(field_ptr[k]));
      if (used + len >= extract_buf_size)
        used = grow_output(used, static_cast<long long>(extract_buf_size) + len + EXTRACT_BUF_STEP);
      std::memcpy(extract_buf + used, field_ptr[k], static_cast<size_t>(len));
      used += len;
    }
  }
  extract_buf[used] = '\0';
  *len = static_cast<size_t>(used);
  return extract_buf;
}

namespace {

// A template taken apart for a run of lines: literal text, then at most one
// element. count_kind tells how the element reads the piece count: 0 not at
// all (fields first..last), 1 for $$ (the last field), 2 for $* (all).
struct TemplateOp {
  const char* text;
  int text_len;
  int first;
  int last;
  int count_kind;  // -1: no element after the text
};

// Where one piece of a line starts and ends.
struct Piece {
  const char* start;
  const char* end;
};

// The run-of-lines work areas: the template's ops, and the pieces of the
// line at hand.
ByteBuf template_ops;
ByteBuf pieces;

// parse_template: templ (well formed) as ops; returns their number. *widest
// is the highest field a fixed element names, or INT_MAX when an element
// needs every piece.
int parse_template(const char* templ, int* widest) {
  int count = 0;
  *widest = 0;
  const char* t = templ;
  for (;;) {
    auto* ops = reinterpret_cast<TemplateOp*>(template_ops.reserve((static_cast<size_t>(count) + 1) * sizeof(TemplateOp)));
    TemplateOp& op = ops[count++];
    op.text = t;
    while (*t != '\0' && *t != '$') ++t;
    op.text_len = static_cast<int>(t - op.text);
    op.count_kind = -1;
    if (*t == '\0') return count;
    const char kind = t[1];
    const char* next = read_field_no(t + 1, &op.first, &op.last, 1);
    if (next == nullptr) bad_template();  // a template read before is never bad
    op.count_kind = kind == '$' ? 1 : kind == '*' ? 2 : 0;
    if (op.count_kind != 0 || op.last > *widest) *widest = op.count_kind != 0 ? INT_MAX : op.last;
    t = next;
  }
}

// piece_table: room for at least n pieces; *room is how many there is
// room for.
Piece* piece_table(int n, int* room) {
  auto* table = reinterpret_cast<Piece*>(pieces.reserve(static_cast<size_t>(n) * sizeof(Piece)));
  *room = pieces.size / static_cast<int>(sizeof(Piece));
  return table;
}

// split_line: the pieces of the line [line, end) as split_by_search cuts
// them, found until piece want begins (so the one before it has its end)
// or the line ends; bytes from floor up to ceiling may be read. Returns the
// index of the last piece found.
int split_line(const SetScanner& scan, bool blanks, const char* line, const char* end,
               const char* floor, const char* ceiling, int want) {
  int room = 0;
  Piece* table = piece_table(FIELD_PTR_STEP, &room);
  int n = 0;
  table[0].start = line;
  const bool whole = each_cut(scan, blanks, line, end, floor, ceiling, [&](const char* c, const char* next) {
    table[n].end = c;
    if (n + 1 == room) table = piece_table(n + 1 + FIELD_PTR_STEP, &room);
    table[++n].start = next;
    return n < want;
  });
  if (whole) table[n].end = end;
  return n;
}

}  // namespace

bool lines_extractable() { return sep != '\n' && !is_lead(static_cast<unsigned char>(sep)); }

size_t extract_lines(const char* templ, const char* text, size_t len, ByteBuf* out,
                     size_t max_len) {
  constexpr size_t FAILED = static_cast<size_t>(-1);
  int widest = 0;
  const int op_count = parse_template(templ, &widest);
  const auto* ops = reinterpret_cast<const TemplateOp*>(template_ops.data);
  // Pieces up to field widest, one more for an empty first piece, and the
  // one after it to tell where it ends.
  const int want = widest > INT_MAX - 2 ? INT_MAX : widest + 1;

  bool blanks = false;
  const SetScanner scan = separator_scan(&blanks);
  const char* const text_end = text + len;

  size_t used = 0;
  out->reserve(len + 1);
  // put: n bytes at p appended to out; false when out would pass max_len.
  const auto put = [&](const char* p, size_t n) {
    if (used + n > static_cast<size_t>(out->size)) {
      if (used + n > max_len) return false;
      out->reserve(used + n);
    }
    std::memcpy(out->data + used, p, n);
    used += n;
    return true;
  };

  for (const char* line = text; line < text_end;) {
    const auto* end = static_cast<const char*>(std::memchr(line, '\n', static_cast<size_t>(text_end - line)));
    const int n = split_line(scan, blanks, line, end, text, text_end, want);
    const auto* table = reinterpret_cast<const Piece*>(pieces.data);
    // An empty first piece is no field; $$ still counts it as a piece.
    const int skip = table[0].end == table[0].start ? 1 : 0;
    for (int k = 0; k < op_count; ++k) {
      const TemplateOp& op = ops[k];
      if (!put(op.text, static_cast<size_t>(op.text_len))) return FAILED;
      if (op.count_kind < 0) break;
      const int first = op.count_kind == 0 ? op.first : op.count_kind == 1 ? n + 1 : 1;
      const int last = op.count_kind == 0 ? op.last : n + 1;
      const long long to = std::min<long long>(static_cast<long long>(last) - 1 + skip, n);
      for (long long i = static_cast<long long>(first) - 1 + skip; i <= to; ++i)
        if (!put(table[i].start, static_cast<size_t>(table[i].end - table[i].start))) return FAILED;
    }
    if (!put("\n", 1)) return FAILED;
    line = end + 1;
  }
  return used;
}

}  // namespace quorl
