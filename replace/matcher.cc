#include "replace/matcher.h"

#include <cstring>
#include <initializer_list>

#include "support/sjis.h"

namespace quorl {

namespace {

// Class numbers, in the order of the element letters after '$'.
enum Class : unsigned char { REST, ALNUM, ALPHA, SPACE, DIGIT, NONZERO, FLOAT, HEX, GRAPH, CNTRL };

constexpr const char CLASS_LETTERS[] = "$AasdDfxgc";

// Capture slot written by each class; $$ shares $A's.
constexpr unsigned char CLASS_SLOT[] = {CAP_A, CAP_A, CAP_a, CAP_s, CAP_d,
                                        CAP_D, CAP_f, CAP_x, CAP_g, CAP_c};

constexpr bool in_class(int cls, int c) {
  const bool digit = c >= '0' && c <= '9';
  const bool alpha = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  switch (cls) {
    case REST: return c != 0;
    case ALNUM: return digit || alpha;
    case ALPHA: return alpha;
    case SPACE: return c == ' ' || c == '\t' || c == '\n' || c == '\f';
    case DIGIT: return digit;
    case NONZERO: return c >= '1' && c <= '9';
    case FLOAT: return digit || c == '.' || c == 'e' || c == 'E' || c == '-' || c == '+';
    case HEX: return digit || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    case GRAPH: return c >= 0x21 && c <= 0x7E;
    case CNTRL: return (c >= 0x01 && c <= 0x1F) || c == 0x7F;
  }
  return false;
}

struct ClassTable {
  unsigned short bits[256];
  constexpr ClassTable() : bits() {
    for (int c = 0; c < 256; ++c)
      for (int cls = REST; cls <= CNTRL; ++cls)
        if (in_class(cls, c)) bits[c] |= static_cast<unsigned short>(1u << cls);
  }
};

constexpr ClassTable CLASSES;

enum class Kind : unsigned char {
  run,       // a class element: the longest run of its class; an empty one fails
  anchor,    // $^: only at the start of the scanned text
  byte,      // one byte that must be equal
  chars,     // a character of n bytes (2 to 4) that must be equal
  any,       // ?: any one byte, or one character where ? takes characters
  stop,      // a backslash that ends the pattern: the match ends here
  word_end,  // the closing ')' of a whole-word pattern: a right boundary
};

struct Step {
  Kind kind;
  unsigned char cls;
  unsigned char n;     // bytes of a chars step
  unsigned char b[4];  // the byte of a byte step, the bytes of a chars step
};

Step* steps(Program* prog) { return reinterpret_cast<Step*>(prog->code.data); }
const Step* steps(const Program& prog) { return reinterpret_cast<const Step*>(prog.code.data); }

int class_of(char letter) {
  if (letter == '\0') return -1;
  const char* at = std::strchr(CLASS_LETTERS, letter);
  return at == nullptr ? -1 : static_cast<int>(at - CLASS_LETTERS);
}

// Skip tables ready-made: for each class, and for "no byte can begin a
// match" (to which a single literal first byte is added), so compiling a
// pattern costs a copy and not a pass over all byte values.
struct SkipTables {
  unsigned char none[256];
  unsigned char by_class[CNTRL + 1][256];
  constexpr explicit SkipTables(Encoding enc) : none(), by_class() {
    for (int c = 1; c < 256; ++c) {
      none[c] = is_multi_start(enc, static_cast<unsigned char>(c)) ? 2 : 1;
      for (int cls = REST; cls <= CNTRL; ++cls)
        by_class[cls][c] = in_class(cls, c) ? 0 : none[c];
    }
  }
};

// One set per encoding, in the order of Encoding.
constexpr SkipTables SKIPS[] = {SkipTables(Encoding::sjis), SkipTables(Encoding::utf8),
                                SkipTables(Encoding::eucjp), SkipTables(Encoding::bytes)};

// The classes as byte ranges, for a scanner looking for where a run can
// begin; $f needs more ranges than a ByteSet holds and $$ takes any byte, so
// both have none.
constexpr ByteSet class_set(int cls) {
  ByteSet set;
  switch (cls) {
    case ALNUM: set.add('0', '9'); set.add('A', 'Z'); set.add('a', 'z'); break;
    case ALPHA: set.add('A', 'Z'); set.add('a', 'z'); break;
    case SPACE: set.add(' ', ' '); set.add('\t', '\n'); set.add('\f', '\f'); break;
    case DIGIT: set.add('0', '9'); break;
    case NONZERO: set.add('1', '9'); break;
    case HEX: set.add('0', '9'); set.add('A', 'F'); set.add('a', 'f'); break;
    case GRAPH: set.add(0x21, 0x7E); break;
    case CNTRL: set.add(0x01, 0x1F); set.add(0x7F, 0x7F); break;
    default: break;
  }
  return set;
}

constexpr ByteSet CLASS_SETS[] = {
    class_set(REST),    class_set(ALNUM), class_set(ALPHA), class_set(SPACE), class_set(DIGIT),
    class_set(NONZERO), class_set(FLOAT), class_set(HEX),   class_set(GRAPH), class_set(CNTRL)};

// set_first: which bytes a match can begin with, from the first step s.
void set_first(Program* prog, const Step& s) {
  const SkipTables& skips = SKIPS[static_cast<int>(prog->enc)];
  switch (s.kind) {
    case Kind::run:
      std::memcpy(prog->skip, skips.by_class[s.cls], sizeof prog->skip);
      prog->first_class = s.cls;
      prog->first_slot = CLASS_SLOT[s.cls];
      prog->first_scan = SetScanner(CLASS_SETS[s.cls]);
      break;
    case Kind::byte:
    case Kind::chars:
      std::memcpy(prog->skip, skips.none, sizeof prog->skip);
      prog->skip[s.b[0]] = 0;
      prog->first_byte = s.b[0];
      break;
    case Kind::anchor:
      prog->anchored = true;
      std::memset(prog->skip, 0, sizeof prog->skip);
      break;
    default:
      std::memset(prog->skip, 0, sizeof prog->skip);
      break;
  }
}

// class_run_end: where the run of class cls (not $$) starting at t ends;
// text_end is the text's NUL, or null when unknown.
const char* class_run_end(int cls, const char* t, const char* text_end) {
  const unsigned mask = 1u << cls;
  const char* e = t;
  // Most runs are short: their first bytes one at a time. No class holds
  // the NUL, so the text's end stops every run.
  for (const char* quick = t + 16; e < quick; ++e)
    if (!(CLASSES.bits[static_cast<unsigned char>(*e)] & mask)) return e;
  if (text_end != nullptr && CLASS_SETS[cls].count > 0) {
    const SetScanner scan(CLASS_SETS[cls]);
    for (; text_end - e >= 16; e += 16) {
      const unsigned outside = ~scan.bits(e) & 0xFFFFu;
      if (outside != 0) return e + __builtin_ctz(outside);
    }
  }
  while (CLASSES.bits[static_cast<unsigned char>(*e)] & mask) ++e;
  return e;
}

// run_end: where the run of class cls starting at t ends, remembered in memo.
const char* run_end(int cls, RunMemo* memo, const char* t, const char* text_end) {
  if (memo->lo != nullptr && t >= memo->lo && t < memo->end) return memo->end;
  const char* e;
  if (cls == REST)
    e = text_end != nullptr ? text_end : t + std::strlen(t);
  else
    e = class_run_end(cls, t, text_end);
  memo->lo = t;
  memo->end = e;
  return e;
}

// note_skipped_attempt: what an attempt has done to the captures when it
// failed at its very first step (applied when a position that cannot start
// a match is passed without trying it).
inline void note_skipped_attempt(const Scan& scan) {
  scan.caps->whole().clear();
  if (scan.prog->first_slot >= 0) scan.caps->slot[scan.prog->first_slot].clear();
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
    } else {
      // A byte that may start a longer character (a lone one just before
      // the end is a character of its own).
      const int n = char_len(prog.enc, q);
      *db = n > 1 ? 1 : 0;
      q += n;
    }
  }
  *passed = pass;
  return q;
}

// step_char: p moved past the character at p, *db set for it.
inline const char* step_char(Encoding enc, const char* p, int* db) {
  const int n = char_len(enc, p);
  *db = n > 1 ? 1 : 0;
  return p + n;
}

// pass_failed_run: called right after an attempt at p failed. When the
// program (no whole-word pattern) begins with a class element whose run
// from p is longer than one character, every attempt from a later character
// of that run fails the same way, since each runs to the same end and goes
// on from there alike: the captures are left as the last of those attempts
// would leave them, *db is set for the run's last character, and the run's
// end is returned. Null otherwise (nothing is changed).
const char* pass_failed_run(Scan* scan, const char* p, int* db) {
  const Program& prog = *scan->prog;
  if (prog.word || prog.count == 0) return nullptr;
  const Step& s = steps(prog)[0];
  const RunMemo& memo = scan->runs[0];
  if (s.kind != Kind::run || memo.lo == nullptr || p < memo.lo || p >= memo.end) return nullptr;
  // The last character start of the run: every class but $$ holds single
  // bytes only.
  const char* last = memo.end - 1;
  if (s.cls == REST)
    for (const char* q = p; q < memo.end; q += char_len(prog.enc, q)) last = q;
  if (last <= p) return nullptr;
  scan->caps->slot[CLASS_SLOT[s.cls]].refer(last, static_cast<size_t>(memo.end - last));
  *db = memo.end - last == 2 ? 1 : 0;
  return memo.end;
}

}  // namespace

bool is_left_word_byte(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool is_word_byte(unsigned char c) { return c >= 0x80 || is_left_word_byte(c); }

void compile_pattern(const char* pattern, Program* prog, Encoding enc) {
  const size_t len = std::strlen(pattern);
  prog->enc = enc;
  prog->may_split = false;
  const bool whole_chars = takes_chars(enc);
  prog->word = len >= 3 && pattern[0] == '(' && pattern[len - 1] == ')';
  prog->anchored = false;
  prog->first_class = -1;
  prog->first_slot = -1;
  prog->written = 1u << CAP_WHOLE;
  prog->first_byte = -1;
  prog->first_scan = SetScanner();
  prog->code.reserve((len + 1) * sizeof(Step));
  Step* out = steps(prog);
  int n = 0;
  size_t i = prog->word ? 1 : 0;
  while (i < len) {
    Step s{Kind::byte, 0, 1, {static_cast<unsigned char>(pattern[i]), 0, 0, 0}};
    const int cls = pattern[i] == '$' ? class_of(pattern[i + 1]) : -1;
    if (prog->word && i == len - 1) {
      s.kind = Kind::word_end;
      i = len;
    } else if (pattern[i] == '$' && pattern[i + 1] == '^') {
      s.kind = Kind::anchor;
      i += 2;
    } else if (cls >= 0) {
      s.kind = Kind::run;
      s.cls = static_cast<unsigned char>(cls);
      prog->written |= 1u << CLASS_SLOT[cls];
      i += 2;
    } else if (pattern[i] == '?') {
      s.kind = Kind::any;
      ++i;
    } else {
      // A literal character, or the one an escape takes.
      const bool escape = pattern[i] == '\\';
      if (escape && ++i == len) {
        s.kind = Kind::stop;
      } else {
        const size_t n = escape && !whole_chars ? 1 : static_cast<size_t>(char_len(enc, pattern + i));
        for (size_t k = 0; k < n; ++k) s.b[k] = static_cast<unsigned char>(pattern[i + k]);
        s.n = static_cast<unsigned char>(n);
        if (n > 1) s.kind = Kind::chars;
        i += n;
      }
    }
    // A match may end inside a character when a step takes part of one.
    if ((s.kind == Kind::byte && s.b[0] >= 0x80) || (s.kind == Kind::any && !whole_chars))
      prog->may_split = enc != Encoding::bytes;
    out[n++] = s;
    if (s.kind == Kind::stop) break;
  }
  prog->count = n;
  prog->literal_len = 0;
  bool literal = !prog->word && n > 0;
  for (int k = 0; k < n && literal; ++k) literal = out[k].kind == Kind::byte || out[k].kind == Kind::chars;
  if (literal) {
    char* bytes = prog->literal.reserve(4 * static_cast<size_t>(n));
    int m = 0;
    for (int k = 0; k < n; ++k)
      for (int b = 0; b < out[k].n; ++b) bytes[m++] = static_cast<char>(out[k].b[b]);
    prog->literal_len = m;
    prog->finder = LiteralFinder(bytes, static_cast<size_t>(m));
  }
  if (n > 0) {
    set_first(prog, out[0]);
  } else {
    // The empty pattern matches everywhere.
    std::memset(prog->skip, 0, sizeof prog->skip);
  }
}

Scan begin_scan(const Program& prog, EditorState& ed, const char* line, const char* start,
                const char* end) {
  auto* runs = reinterpret_cast<RunMemo*>(
      ed.runs.reserve((static_cast<size_t>(prog.count) + 1) * sizeof(RunMemo)));
  for (int k = 0; k < prog.count; ++k) runs[k] = RunMemo{nullptr, nullptr};
  return Scan{&prog, &ed.caps, runs, line, start, end};
}

const char* match_program(Scan* scan, const char* p, int db) {
  const Program& prog = *scan->prog;
  if (prog.word) {
    if (db != 0) return nullptr;
    if (p > scan->line && is_left_word_byte(static_cast<unsigned char>(p[-1]))) return nullptr;
  }
  Capture* caps = scan->caps->slot;
  caps[CAP_WHOLE].clear();
  const char* t = p;
  const Step* first = steps(prog);
  const Step* last = first + prog.count;
  for (const Step* s = first; s < last; ++s) {
    // The end of the text ends the attempt; only a word whose inner
    // pattern is used up may end there, the end counting as its boundary.
    if (*t == '\0') {
      if (s->kind != Kind::word_end) return nullptr;
      break;
    }
    switch (s->kind) {
      case Kind::run: {
        // Greedy and final: the run is never shortened for what follows.
        const char* e = run_end(s->cls, &scan->runs[s - first], t, scan->end);
        caps[CLASS_SLOT[s->cls]].refer(t, static_cast<size_t>(e - t));
        if (e == t) return nullptr;
        t = e;
        break;
      }
      case Kind::anchor:
        if (t != scan->start) return nullptr;
        break;
      case Kind::byte:
        if (static_cast<unsigned char>(*t) != s->b[0]) return nullptr;
        ++t;
        break;
      case Kind::chars:
        for (int k = 0; k < s->n; ++k)
          if (static_cast<unsigned char>(t[k]) != s->b[k]) return nullptr;
        t += s->n;
        break;
      case Kind::any:
        t += takes_chars(prog.enc) ? char_len(prog.enc, t) : 1;
        break;
      case Kind::stop:
        s = last - 1;
        break;
      case Kind::word_end:
        if (is_word_byte(static_cast<unsigned char>(*t))) return nullptr;
        break;
    }
  }
  // A match that ends inside a character takes the rest of it along.
  if (prog.may_split) t = char_boundary(prog.enc, p, t);
  caps[CAP_WHOLE].refer(p, static_cast<size_t>(t - p));
  return t;
}

const char* next_candidate(const Program& prog, const char* start, const char* p, const char* end) {
  if (prog.anchored && p != start) return end;
  if (prog.literal_len > 1) {
    // A literal pattern: a candidate is a whole occurrence of its bytes.
    const char* base = p;
    for (;;) {
      const char* c = prog.finder.find(base, end, start);
      if (c == nullptr) return end;
      if ((base = first_char_start(prog.enc, base, c)) == c) return c;
    }
  }
  if (prog.first_byte >= 0 || prog.first_scan.set.count > 0) {
    const char* base = p;
    for (;;) {
      const auto* c = prog.first_byte >= 0
                          ? static_cast<const char*>(std::memchr(base, prog.first_byte, static_cast<size_t>(end - base)))
                          : find_in_set(base, end, prog.first_scan, start);
      if (c == nullptr) return end;
      if ((base = first_char_start(prog.enc, base, c)) == c) return c;
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
      q += char_len(prog.enc, q);
    }
  }
}

const char* next_match(Scan* scan, const char* p, int* db, const char** match_end) {
  const Program& prog = *scan->prog;
  bool skipped = false;
  while (*p != '\0') {
    if (prog.skip[static_cast<unsigned char>(*p)] != 0 || (prog.anchored && p != scan->start)) {
      // No match can begin here. What trying would have done to the
      // captures is noted, and the characters are passed as they are.
      if (prog.word && !prog.anchored) {
        bool passed = *db == 0 && !(p > scan->line && is_left_word_byte(static_cast<unsigned char>(p[-1])));
        p = skip_word_run(prog, p, db, &passed);
        if (passed) skipped = true;
      } else if (prog.word) {
        if (*db == 0 && !(p > scan->line && is_left_word_byte(static_cast<unsigned char>(p[-1]))))
          skipped = true;
        p = step_char(prog.enc, p, db);
      } else {
        p = next_candidate(prog, scan->start, p, scan->end);
        skipped = true;
      }
      continue;
    }
    if (skipped) {
      note_skipped_attempt(*scan);
      skipped = false;
    }
    if (const char* m = match_program(scan, p, *db)) {
      *match_end = m;
      return p;
    }
    // A greedy first element that failed here fails all along its run.
    if (const char* e = pass_failed_run(scan, p, db))
      p = e;
    else
      p = step_char(prog.enc, p, db);
  }
  if (skipped) note_skipped_attempt(*scan);
  return p;
}

}  // namespace quorl
