#include "extract/extractor.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

#include "replace/csv.h"
#include "replace/editor.h"
#include "support/bytescan.h"
#include "support/exit.h"
#include "support/memory.h"
#include "support/sjis.h"

namespace quorl {

namespace {

// first_block: a fresh zero-filled block. getmem gives null only when a host
// lowered terminate_size; its message is out, and without the block the line
// cannot be extracted.
void* first_block(int size) {
  void* p = getmem(size);
  if (p == nullptr) end_process(1);
  return p;
}

// grow_table: room for FIELD_PTR_STEP more pieces.
void grow_table(EditorState& ed) {
  const size_t entries = ed.field_ptr_max + FIELD_PTR_STEP;
  ed.field_ptr = static_cast<char**>(moremem_size(ed.field_ptr, entries * sizeof(char*)));
  ed.field_ptr_max = entries;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

bool is_digit(char c) { return c >= '0' && c <= '9'; }

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

// split_by_chars: split_fields with an explicit separator, stepping
// through line one character at a time.
size_t split_by_chars(EditorState& ed, const FieldSyntax& syntax, char* line) {
  const Delim& sep = syntax.sep;
  const size_t sep_len = sep.len();
  // A Shift_JIS -t byte that is also a lead byte is tested before the
  // character it may begin, so it still separates there.
  const bool byte_first = syntax.enc == Encoding::sjis && sep_len == 1;
  size_t n = 0;
  char* p = line;
  while (*p != '\0') {
    const size_t w = byte_first && *p == sep.bytes[0] ? 1 : static_cast<size_t>(char_len(syntax.enc, p));
    if (w == sep_len && sep.at(p)) {
      *p = '\0';
      p += w;
      if (n + 1 == ed.field_ptr_max) grow_table(ed);
      ed.field_ptr[++n] = p;
    } else {
      p += w;
    }
  }
  return n;
}

// searchable: whether the separator can be looked for 16 bytes at a time:
// none (blanks and tabs), or one byte that is a character wherever it starts
// one (a Shift_JIS byte that is no lead byte, or an ASCII byte).
bool searchable(const FieldSyntax& syntax) {
  if (syntax.sep.len() == 0) return true;
  const auto b = static_cast<unsigned char>(syntax.sep.bytes[0]);
  if (!syntax.sep.single()) return false;
  return syntax.enc == Encoding::sjis ? !is_lead(b) : b < 0x80 || syntax.enc == Encoding::bytes;
}

// separator_scan: the bytes that may separate pieces (blanks and tabs, or
// the -t byte), and *blanks true when a run of blanks is one separator.
SetScanner separator_scan(char sep, bool* blanks) {
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
bool each_cut(const SetScanner& scan, bool blanks, Encoding enc, const char* line, const char* end,
              const char* floor, const char* ceiling, Cut cut) {
  // Outside Shift_JIS a searchable separator starts a character wherever
  // it stands.
  const bool check = enc == Encoding::sjis;
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
      if (check && !starts_char(enc, base, c)) {
        base = c + 1;  // c is a Shift_JIS second byte
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
size_t split_by_search(EditorState& ed, const FieldSyntax& syntax, char* line, size_t len) {
  bool blanks = false;
  const SetScanner scan = separator_scan(syntax.sep.bytes[0], &blanks);
  size_t n = 0;
  each_cut(scan, blanks, syntax.enc, line, line + len, line, line + len, [&](const char* c, const char* next) {
    line[c - line] = '\0';
    if (n + 1 == ed.field_ptr_max) grow_table(ed);
    ed.field_ptr[++n] = line + (next - line);
    return true;
  });
  return n;
}

// split_csv: split_fields for CSV fields: each piece is a field's value,
// unquoted in place. Only the first want fields are cut when the line has
// more (the template names no later one).
size_t split_csv(EditorState& ed, const FieldSyntax& syntax, char* line, size_t len, size_t want = SIZE_MAX) {
  char* const end = line + len;
  const size_t sep_len = syntax.sep.len();
  size_t n = 0;
  for (char* p = line;;) {
    const CsvField f = csv_field(syntax, p, end);
    ed.field_ptr[n] = f.start;
    if (f.quoted)
      f.start[csv_value(syntax, f, f.start)] = '\0';
    else
      *f.end = '\0';
    if (f.end == end || n + 1 == want) return n;
    p = f.end + sep_len;
    if (n + 1 == ed.field_ptr_max) grow_table(ed);
    ++n;
  }
}

// ready_table: the field table made on first use.
void ready_table(EditorState& ed) {
  if (ed.field_ptr == nullptr) {
    ed.field_ptr = static_cast<char**>(first_block(FIELD_PTR_STEP * static_cast<int>(sizeof(char*))));
    ed.field_ptr_max = FIELD_PTR_STEP;
  }
}

}  // namespace

size_t split_fields(EditorState& ed, const FieldSyntax& syntax, char* line, size_t len) {
  ready_table(ed);
  ed.field_ptr[0] = line;
  if (syntax.csv) return split_csv(ed, syntax, line, len);
  return searchable(syntax) ? split_by_search(ed, syntax, line, len) : split_by_chars(ed, syntax, line);
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

void compile_template(const char* templ, Template* out) {
  out->text.clear();
  out->text.append(templ, std::strlen(templ));
  const char* base = out->text.terminate();
  out->ops.resize(0);
  out->bad = false;
  out->bad_at = 0;
  out->widest = 0;
  const char* t = base;
  for (;;) {
    TemplateOp op;
    op.text_at = static_cast<int>(t - base);
    while (*t != '\0' && *t != '$') ++t;
    op.text_len = static_cast<int>(t - base) - op.text_at;
    if (*t == '\0') {
      out->ops.push() = op;
      return;
    }
    const char kind = t[1];
    const char* next = read_field_no(t + 1, &op.first, &op.last, 1);
    if (next == nullptr) {
      out->bad = true;
      out->bad_at = static_cast<int>(t - base);
      return;
    }
    op.count_kind = kind == '$' ? 1 : kind == '*' ? 2 : 0;
    if (op.count_kind != 0 || op.last > out->widest) out->widest = op.count_kind != 0 ? INT_MAX : op.last;
    out->ops.push() = op;
    t = next;
  }
}

namespace {

// op_pieces: the pieces *from to *to that op names on a line whose pieces
// run from 0 to n (none when *from > *to); skip is 1 when piece 0 is empty,
// so no field.
inline void op_pieces(const TemplateOp& op, size_t n, size_t skip, size_t* from, size_t* to) {
  const size_t first = op.count_kind == 0 ? static_cast<size_t>(op.first) : op.count_kind == 1 ? n + 1 : 1;
  const size_t last = op.count_kind == 0 ? static_cast<size_t>(op.last) : n + 1;
  *from = first - 1 + skip;
  *to = std::min(last - 1 + skip, n);
}

// append_template: the pieces 0 to n of the field table put together by
// templ and appended to out; skip is 1 when piece 0 is no field. CSV
// fields are quoted when they must be, which marks tells when not null
// (nonzero for a field that must).
void append_template(const Template& templ, const FieldSyntax& syntax, const EditorState& ed, size_t n,
                     size_t skip, ByteBuf* out, const char* marks = nullptr) {
  const char* text = templ.text.data;
  const size_t start = out->len;
  size_t fields = 0;  // CSV fields written
  for (const TemplateOp& op : templ.ops) {
    out->append(text + op.text_at, static_cast<size_t>(op.text_len));
    if (op.count_kind < 0) break;
    size_t from = 0;
    size_t to = 0;
    op_pieces(op, n, skip, &from, &to);
    if (syntax.csv) {
      // Each CSV field written as a field again, those of a range with the
      // separator between them, so the output reads as CSV.
      for (size_t k = from; k <= to; ++k, ++fields) {
        if (k != from) out->append(syntax.sep.bytes, syntax.sep.len());
        if (marks != nullptr && marks[k] == 0)
          out->append(ed.field_ptr[k], std::strlen(ed.field_ptr[k]));
        else
          csv_append_field(syntax, ed.field_ptr[k], std::strlen(ed.field_ptr[k]), out);
      }
      continue;
    }
    for (size_t k = from; k <= to; ++k) out->append(ed.field_ptr[k], std::strlen(ed.field_ptr[k]));
  }
  // A record of one empty field is written "", as CSV writers write it: an
  // empty line would read as no record at all.
  if (fields == 1 && out->len == start) out->append("\"\"", 2);
}

}  // namespace

char* extract_with(const Template& templ, const FieldSyntax& syntax, EditorState& ed, char* line,
                   size_t* len) {
  if (templ.bad) return ed.fail(ErrorCode::bad_template, BAD_TEMPLATE);
  ByteBuf& out = ed.extract;
  out.clear();
  const size_t line_len = *len != static_cast<size_t>(-1) ? *len : std::strlen(line);
  size_t n = 0;
  if (syntax.csv && templ.widest != INT_MAX) {
    ready_table(ed);
    n = split_csv(ed, syntax, line, line_len, static_cast<size_t>(templ.widest));
  } else {
    n = split_fields(ed, syntax, line, line_len);
  }
  // An empty first piece is not counted as a field, but $$ still stands for
  // the piece count, so on such a line it names no piece. A CSV record's
  // every field counts, an empty first one too.
  const size_t skip = ed.field_ptr[0][0] == '\0' && !syntax.csv ? 1 : 0;
  append_template(templ, syntax, ed, n, skip, &out);
  *len = out.len;
  return out.terminate();
}

namespace {

// Where one piece of a line starts and ends.
struct Piece {
  const char* start;
  const char* end;
};

// piece_table: room for at least n pieces; *room is how many there is
// room for.
Piece* piece_table(ByteBuf& pieces, size_t n, size_t* room) {
  auto* table = reinterpret_cast<Piece*>(pieces.reserve(n * sizeof(Piece)));
  *room = pieces.size / sizeof(Piece);
  return table;
}

// split_line: the pieces of the line [line, end) as split_by_search cuts
// them, found until piece want begins (so the one before it has its end)
// or the line ends; bytes from floor up to ceiling may be read. Returns the
// index of the last piece found.
size_t split_line(ByteBuf& pieces, const SetScanner& scan, bool blanks, Encoding enc,
                  const char* line, const char* end, const char* floor, const char* ceiling,
                  size_t want) {
  size_t room = 0;
  Piece* table = piece_table(pieces, FIELD_PTR_STEP, &room);
  size_t n = 0;
  table[0].start = line;
  const bool whole = each_cut(scan, blanks, enc, line, end, floor, ceiling, [&](const char* c, const char* next) {
    table[n].end = c;
    if (n + 1 == room) table = piece_table(pieces, n + 1 + FIELD_PTR_STEP, &room);
    table[++n].start = next;
    return n < want;
  });
  if (whole) table[n].end = end;
  return n;
}

}  // namespace

bool lines_extractable(const FieldSyntax& syntax) {
  return !syntax.csv && searchable(syntax) && syntax.sep.bytes[0] != '\n';
}

size_t extract_lines(const Template& templ, const FieldSyntax& syntax, EditorState& ed,
                     const char* text, size_t len, ByteBuf* out, size_t max_len) {
  constexpr size_t FAILED = static_cast<size_t>(-1);
  // Pieces up to field widest, one more for an empty first piece, and the
  // one after it to tell where it ends.
  const size_t want = templ.widest == INT_MAX ? SIZE_MAX : static_cast<size_t>(templ.widest) + 1;
  const char* templ_text = templ.text.data;
  // Held in locals: the copies below could alias anything reached through
  // templ or ed.
  const TemplateOp* const ops = templ.ops.begin();
  const TemplateOp* const ops_end = templ.ops.end();
  ByteBuf& pieces = ed.pieces;

  bool blanks = false;
  const SetScanner scan = separator_scan(syntax.sep.bytes[0], &blanks);
  const char* const text_end = text + len;

  size_t used = 0;
  out->reserve(len + 1);
  // put: n bytes at p appended to out; false when out would pass max_len.
  const auto put = [&](const char* p, size_t n) {
    if (used + n > out->size) {
      if (used + n > max_len) return false;
      out->reserve(used + n);
    }
    std::memcpy(out->data + used, p, n);
    used += n;
    return true;
  };

  for (const char* line = text; line < text_end;) {
    const auto* end = static_cast<const char*>(std::memchr(line, '\n', static_cast<size_t>(text_end - line)));
    const size_t n = split_line(pieces, scan, blanks, syntax.enc, line, end, text, text_end, want);
    const auto* table = reinterpret_cast<const Piece*>(pieces.data);
    // An empty first piece is no field; $$ still counts it as a piece.
    const size_t skip = table[0].end == table[0].start ? 1 : 0;
    for (const TemplateOp* k = ops; k != ops_end; ++k) {
      const TemplateOp& op = *k;
      if (!put(templ_text + op.text_at, static_cast<size_t>(op.text_len))) return FAILED;
      if (op.count_kind < 0) break;
      size_t from = 0;
      size_t to = 0;
      op_pieces(op, n, skip, &from, &to);
      for (size_t i = from; i <= to; ++i)
        if (!put(table[i].start, static_cast<size_t>(table[i].end - table[i].start))) return FAILED;
    }
    if (!put("\n", 1)) return FAILED;
    line = end + 1;
  }
  return used;
}

namespace {

// RecordCutter: cuts CSV records in one pass over their bytes, 16 at a
// time, where every ASCII byte is a character and the separator is one
// ASCII byte: the separators, quotes, CRs and newlines are all it stops
// at, and a quoted field is passed over with memchr. Beside the field
// table it keeps a mark per field: whether its value must be quoted to be
// written back.
class RecordCutter {
 public:
  // usable: whether syntax is one this cutter cuts.
  static bool usable(const FieldSyntax& syntax) {
    return ascii_syncs(syntax.enc) && syntax.sep.single() && static_cast<unsigned char>(syntax.sep.bytes[0]) < 0x80;
  }

  RecordCutter(const FieldSyntax& syntax, EditorState& ed, const char* floor)
      : syntax_(syntax), ed_(ed), floor_(floor), sep_(syntax.sep.bytes[0]) {
    ByteSet set;
    set.add('\n', '\r');  // VT and FF too, which stop nothing
    set.add('"', '"');
    set.add(static_cast<unsigned char>(sep_), static_cast<unsigned char>(sep_));
    scan_ = SetScanner(set);
    ByteSet rest;
    rest.add('\n', '\n');
    rest.add('"', '"');
    rest_ = SetScanner(rest);
  }

  const char* marks() const { return ed_.pieces.data; }

  // cut: the record at p, in whole lines up to end, cut into fields up to
  // field want; *n is the last field's index, *lines the lines it spans.
  // Returns where the next record begins, or null when the record does not
  // end before end.
  char* cut(char* p, char* end, size_t want, size_t* n, size_t* lines) {
    size_t k = 0;
    bool cutting = true;  // field k is one of the first want
    char* field = p;      // where field k (or the one being passed) begins
    char* last_end = nullptr;  // where field k ends, once found
    ed_.field_ptr[0] = p;
    mark(0, 0);
    *lines = 1;
    for (char* c = p; c < end;) {
      // The stops in the 16 bytes from c, or in the block that ends the
      // text when fewer are left; each taken in turn, unless a quoted
      // field moves c past the rest. Past the fields wanted only quotes
      // and newlines stop the scan: a quote opens a field right after a
      // separator.
      const SetScanner& scan = cutting ? scan_ : rest_;
      char* at = c;
      unsigned mask;
      if (end - c >= 16) {
        mask = scan.bits(c);
      } else if (end - floor_ >= 16) {
        at = end - 16;
        mask = scan.bits(at) & (~0u << (c - at));
      } else {
        mask = scan.some_bits(c, static_cast<size_t>(end - c));
      }
      char* next = at + 16;
      for (; mask != 0; mask &= mask - 1) {
        char* h = at + __builtin_ctz(mask);
        const char b = *h;
        if (b == sep_) {
          if (cutting) {
            cutting = k + 1 < want;
            if (cutting) {
              if (k + 1 == ed_.field_ptr_max) grow_table(ed_);
              ed_.field_ptr[++k] = h + 1;
              mark(k, 0);
            } else {
              last_end = h;
              field = h + 1;
              next = h + 1;
              break;
            }
          }
          field = h + 1;
        } else if (b == '\n') {
          // Only a whole record is cut: one the lines leave open is left
          // as it stands for the lines after them.
          if (cutting) last_end = h;
          for (size_t j = 0; j <= k; ++j) {
            char* start = ed_.field_ptr[j];
            close(j, start, j < k ? ed_.field_ptr[j + 1] - 1 : last_end, *start == '"');
          }
          *n = k;
          return h + 1;
        } else if (b == '"' && (h == field || (!cutting && h[-1] == sep_))) {
          // A quoted field: to its closing quote, over doubled quotes and
          // line breaks. After it, a quote is a byte of the field.
          char* q = close_quote(h + 1, end, lines);
          if (q == nullptr) return nullptr;
          next = q + 1;
          break;
        } else if (b == '"' || b == '\r') {
          if (cutting) mark(k, 1);
        }
      }
      c = next;
    }
    return nullptr;
  }

 private:
  // close_quote: the quote that closes the quoted field whose text begins
  // at r, or null when there is none before end; *lines counts the line
  // breaks it passes.
  static char* close_quote(char* r, const char* end, size_t* lines) {
    for (;;) {
      auto* q = static_cast<char*>(std::memchr(r, '"', static_cast<size_t>(end - r)));
      if (q == nullptr) return nullptr;
      for (const char* nl = r; (nl = static_cast<const char*>(std::memchr(nl, '\n', static_cast<size_t>(q - nl))));
           ++nl)
        ++*lines;
      if (q + 1 == end || q[1] != '"') return q;
      r = q + 2;
    }
  }

  // doubled_only: every quote in the n bytes at p is one of a doubled
  // pair.
  static bool doubled_only(const char* p, size_t n) {
    const char* end = p + n;
    for (const char* q; (q = static_cast<const char*>(std::memchr(p, '"', static_cast<size_t>(end - p)))); p = q + 2)
      if (q + 1 == end || q[1] != '"') return false;
    return true;
  }

  // mark: field k's mark set to m.
  void mark(size_t k, char m) {
    if (k >= ed_.pieces.size) ed_.pieces.reserve(ed_.field_ptr_max);
    ed_.pieces.data[k] = m;
  }

  // close: field k, from field to at (its separator or newline), ended
  // with a NUL; a quoted one is unquoted in place and marked.
  void close(size_t k, char* field, char* at, bool quoted) {
    if (!quoted) {
      *at = '\0';
      return;
    }
    // A field quoted as a writer quotes it, nothing after its closing
    // quote, stands as it would be written when its value must be quoted.
    const char* inner = field + 1;
    const auto inner_len = static_cast<size_t>(at - 1 - inner);
    if (at - field >= 2 && at[-1] == '"' && doubled_only(inner, inner_len) &&
        csv_must_quote(syntax_, inner, inner_len)) {
      *at = '\0';
      mark(k, 0);
      return;
    }
    const size_t len = csv_value(syntax_, CsvField{field, at, true}, field);
    field[len] = '\0';
    mark(k, csv_must_quote(syntax_, field, len) ? 1 : 0);
  }

  const FieldSyntax& syntax_;
  EditorState& ed_;
  const char* floor_;
  const char sep_;
  SetScanner scan_;  // what ends or marks a field
  SetScanner rest_;  // what matters past the fields wanted
};

}  // namespace

size_t extract_csv_records(const Template& templ, const FieldSyntax& syntax, EditorState& ed, char* text,
                           size_t len, ByteBuf* out, size_t max_len, size_t* lines) {
  ready_table(ed);
  out->clear();
  const size_t want = templ.widest == INT_MAX || templ.widest == 0 ? SIZE_MAX : static_cast<size_t>(templ.widest);
  char* const end = text + len;
  char* p = text;
  *lines = 0;
  if (RecordCutter::usable(syntax)) {
    RecordCutter cutter(syntax, ed, text);
    while (p < end && out->len < max_len) {
      size_t n = 0;
      size_t spans = 0;
      char* next = cutter.cut(p, end, want, &n, &spans);
      if (next == nullptr) break;
      *lines += spans;
      append_template(templ, syntax, ed, n, 0, out, cutter.marks());
      out->push('\n');
      p = next;
    }
  } else {
    while (p < end && out->len < max_len) {
      size_t spans = 0;
      char* next = csv_record_end(syntax, p, end, &spans);
      if (next == nullptr) break;
      *lines += spans;
      char* const record_end = next - 1;  // its newline
      *record_end = '\0';
      ed.field_ptr[0] = p;
      const size_t n = split_csv(ed, syntax, p, static_cast<size_t>(record_end - p), want);
      append_template(templ, syntax, ed, n, 0, out);
      out->push('\n');
      p = next;
    }
  }
  out->terminate();
  return static_cast<size_t>(p - text);
}

}  // namespace quorl
