// The pattern matcher: does an item's <from> match the text at one place?
//
// A pattern is literal bytes mixed with class elements ($A $a $s $d $D $f $x
// $g $c, and $$ for the rest of the text), the anchor $^, the one-byte
// wildcard ?, and backslash escapes; a pattern written as (<word>) must stand
// as a whole word. Matching is one left-to-right pass: every class element
// takes the longest run it can and never gives any of it back, so there is
// no backtracking at all and one attempt costs at most the pattern and the
// bytes it consumes.
//
// Text is NUL-terminated bytes. A Shift_JIS lead byte in the pattern with the
// byte after it is one character and must meet the same two bytes in the
// text; ? and an escaped byte take a single byte, whatever it is.
//
// While it matches, the matcher records what each class element consumed in
// that element's capture, and on success the whole match in from_arg. The
// captures belong to this module, hold text of any length, and are read by
// the replacement text builder. A capture that was just written may still
// refer to the scanned text instead of holding its own copy (copying a run
// at every attempt would make a long run cost its length squared); whoever
// is about to change or drop that text calls settle_captures first.
#ifndef QUORL_REPLACE_MATCHER_H
#define QUORL_REPLACE_MATCHER_H

#include <cstddef>

#include "support/bytebuf.h"
#include "support/bytescan.h"

namespace quorl {

// Capture: the text one element last captured.
struct Capture {
  const char* text = "";  // the bytes; NUL-terminated once settled
  int len = 0;
  bool pending = false;   // text still points into the scanned text
  ByteBuf own;            // the settled copy

  // refer: the capture now holds the n bytes at p, still in place.
  void refer(const char* p, int n) {
    text = p;
    len = n;
    pending = true;
  }
  // clear: the capture is empty.
  void clear() {
    text = "";
    len = 0;
    pending = false;
  }
  // settle: copies a pending capture into its own storage.
  void settle() {
    if (pending) settle_copy();
  }
  // str: the captured text, NUL-terminated (settling it first).
  const char* str() {
    settle();
    return text;
  }

 private:
  void settle_copy();
};

// The capture buffers. $$ in a pattern writes arg_A, as $A does.
extern Capture arg_A, arg_a, arg_s, arg_d, arg_D, arg_f, arg_x, arg_g, arg_c;
// The whole text of the latest match; emptied at the start of each attempt.
extern Capture from_arg;

// clear_captures: empties the nine class capture buffers.
void clear_captures();

// settle_captures: gives every capture that still refers to scanned text
// its own copy.
void settle_captures();

// Program: a pattern taken apart once, so that an item scanned at every
// position of a line reads its pattern text only once. It also remembers,
// per class element, the last run it found: a run that ends at E ends at E
// for every later start inside it, which keeps a greedy element tried at
// every position of a long run linear. Reuse a Program for one text only:
// compile_pattern again, or forget_runs, before matching other text.
// Its buffers grow only for a pattern longer than any before.
struct Program {
  ByteBuf code;           // the steps (an array of the matcher's own records)
  int count = 0;          // steps in code
  bool word = false;      // a whole-word pattern
  bool anchored = false;  // begins with $^: only the text's start can match
  int first_class = -1;   // class of the first step, or -1
  Capture* first_capture = nullptr;  // the capture of that class, or null
  int first_byte = -1;    // the one byte a match must begin with, or -1
  // The bytes a match can begin with, as ranges a scanner can look for
  // (set.count 0 when the first step is no class element ranges can hold).
  SetScanner first_scan;
  // A pattern of literal bytes only (no element, ?, or word test) keeps
  // them here, so a scanner can look for all of them at once.
  ByteBuf literal;
  int literal_len = 0;    // 0 when the pattern is not all literal
  LiteralFinder finder;   // looks for literal (when literal_len > 0)
  // skip[c] is 0 for a byte c that a match can begin with, and for the NUL.
  // For any other byte it is the length of the character that c begins: 2
  // for a lead byte (the scanner checks that no NUL follows), else 1.
  unsigned char skip[256] = {};
  // The NUL that ends the text being matched, when the caller knows it
  // (null otherwise): a long run is then looked through 16 bytes at a
  // time. It belongs to that text: forget_runs clears it.
  const char* text_end = nullptr;
};

// compile_pattern: prog made ready for pattern (the <from> text without its
// field number, NUL-terminated). Never fails: every byte string is a pattern.
void compile_pattern(const char* pattern, Program* prog);

// forget_runs: prog's remembered runs and text_end dropped, so it may match
// other text.
void forget_runs(Program* prog);

// match_program: the end of the match of prog at p, or null.
// line is the first byte of the whole line, start the first byte of the
// scanned text (the line, or the selected field within it), p a character
// start inside the scanned text, never its NUL; db is nonzero when the
// character before p is a double-byte character. The left neighbour of a
// whole-word pattern is p[-1] whenever p is past line, so at a field's start
// it is the separator before the field.
const char* match_program(Program* prog, const char* line, const char* start, const char* p,
                          int db);

// pass_failed_run: called right after match_program(prog, ..., p, ...)
// failed. When prog (no whole-word pattern) begins with a class element
// whose run from p is longer than one character, every attempt from a later
// character of that run fails the same way, since each runs to the same end
// and goes on from there alike: the captures are left as the last of those
// attempts would leave them, *db is set for the run's last character, and
// the run's end is returned. Null otherwise (nothing is changed).
const char* pass_failed_run(Program* prog, const char* p, int* db);

// checkstr: the end of the match of pattern at p, or null; start is the
// first byte of the scanned text, where $^ matches and before which nothing
// is read; db as for match_program. Prints nothing.
const char* checkstr(const char* start, const char* p, const char* pattern, int db);

// note_skipped_attempt: what an attempt of prog has done to the captures
// when it failed at its very first step (applied by the scanner when it
// skips a position that cannot start a match, without trying it).
inline void note_skipped_attempt(const Program& prog) {
  from_arg.clear();
  if (prog.first_capture != nullptr) prog.first_capture->clear();
}

// is_word_byte: a byte that may not touch a whole word on its right side
// (ASCII letters and digits, '_' and every byte 0x80-0xFF).
bool is_word_byte(unsigned char c);

// is_left_word_byte: a byte that may not touch a whole word on its left side
// (ASCII letters and digits and '_').
bool is_left_word_byte(unsigned char c);

}  // namespace quorl

#endif
