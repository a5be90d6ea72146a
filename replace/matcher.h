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
// Text is NUL-terminated bytes in one encoding (support/encoding.h). A
// character of several bytes in the pattern must meet the same bytes in the
// text, at a character start. In UTF-8 and EUC-JP, ? and an escape take one
// character; in Shift_JIS they take a single byte, whatever it is, and a
// match that ends inside a character takes the rest of it along.
//
// While it matches, the matcher records what each class element consumed in
// that element's capture, and on success the whole match in the whole-match
// capture. The captures belong to the editor (replace/editor.h), hold text
// of any length, and are read by the replacement text builder. A capture
// that was just written may still refer to the scanned text instead of
// holding its own copy (copying a run at every attempt would make a long
// run cost its length squared); whoever is about to change or drop that
// text settles the captures first.
//
// A compiled Program is never written while it matches; a Scan carries what
// one scan of one text writes: the captures it fills and its memo of runs.
#ifndef QUORL_REPLACE_MATCHER_H
#define QUORL_REPLACE_MATCHER_H

#include <cstddef>

#include "replace/editor.h"
#include "support/bytebuf.h"
#include "support/bytescan.h"

namespace quorl {

// Program: a pattern taken apart once, so that an item scanned at every
// position of a line reads its pattern text only once. Read-only once
// compiled. Its buffers grow only for a pattern longer than any before.
struct Program {
  ByteBuf code;           // the steps (an array of the matcher's own records)
  int count = 0;          // steps in code
  Encoding enc = Encoding::sjis;
  bool may_split = false; // a match may end inside a character (taken whole then)
  bool word = false;      // a whole-word pattern
  bool anchored = false;  // begins with $^: only the text's start can match
  int first_class = -1;   // class of the first step, or -1
  int first_slot = -1;    // the capture slot of that class, or -1
  unsigned written = 0;   // bit k: every match writes capture slot k
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
};

// RunMemo: the last run a class step found, from lo up to end. A run that
// ends at E ends at E for every later start inside it, which keeps a greedy
// element tried at every position of a long run linear.
struct RunMemo {
  const char* lo;
  const char* end;
};

// Scan: one scan of one text by one program. line is the first byte of the
// whole line, start the first byte of the scanned text (the line, or the
// selected field within it) and end its NUL, known or null (a long run is
// then looked through 16 bytes at a time). The captures written and the memo
// of runs belong to the editor given to begin_scan.
struct Scan {
  const Program* prog = nullptr;
  Captures* caps = nullptr;
  RunMemo* runs = nullptr;
  const char* line = nullptr;
  const char* start = nullptr;
  const char* end = nullptr;
};

// begin_scan: a scan of prog over [start, end) in the line at line, writing
// to ed's captures, with an empty memo.
Scan begin_scan(const Program& prog, EditorState& ed, const char* line, const char* start,
                const char* end);

// compile_pattern: prog made ready for pattern (the <from> text without its
// field number, NUL-terminated) in the encoding enc. Never fails: every byte
// string is a pattern.
void compile_pattern(const char* pattern, Program* prog, Encoding enc = Encoding::sjis);

// match_program: the end of the match of the scan's program at p, or null.
// p is a character start inside the scanned text, never its NUL; db is
// nonzero when the character before p is a double-byte character. The left
// neighbour of a whole-word pattern is p[-1] whenever p is past the line's
// start, so at a field's start it is the separator before the field.
const char* match_program(Scan* scan, const char* p, int db);

// next_match: the first match at or after p (a character start of the
// scanned text): returns where it begins and sets *match_end to its end;
// returns the text's NUL when there is none. Positions where no match can
// begin are passed without an attempt, leaving the captures as failed
// attempts there would; *db is kept for the character before the result as
// far as whole-word patterns need it.
const char* next_match(Scan* scan, const char* p, int* db, const char** match_end);

// next_candidate: the first character start at or after p (a character
// start of [start, end)) where a match of prog (no whole-word pattern) can
// begin, or end.
const char* next_candidate(const Program& prog, const char* start, const char* p, const char* end);

// is_word_byte: a byte that may not touch a whole word on its right side
// (ASCII letters and digits, '_' and every byte 0x80-0xFF).
bool is_word_byte(unsigned char c);

// is_left_word_byte: a byte that may not touch a whole word on its left side
// (ASCII letters and digits and '_').
bool is_left_word_byte(unsigned char c);

}  // namespace quorl

#endif
