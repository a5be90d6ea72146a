// The editor: everything the engine keeps between matches, items and lines.
//
// A compiled rule set (replace/spec.h, extract/pipeline.h) is read-only
// while it edits, so any number of threads may share one; what a scan
// writes lives here instead: the capture buffers, the work and result
// buffers of the replacement, the memo of class runs, the extractor's field
// table and output, the buffers of a run of lines, and the message of the
// last failure. One editor serves one thread at a time. Captures carry over
// from line to line as long as the same editor is used.
//
// The engine has no editor or field syntax of its own: every caller owns
// the ones it edits with and passes them down. (The classic single-call
// routines keep theirs with them, in extract/convert.h.)
//
// Every buffer is created on first use, grows on demand and is freed with
// the editor.
#ifndef QUORL_REPLACE_EDITOR_H
#define QUORL_REPLACE_EDITOR_H

#include <cstddef>

#include "support/bytebuf.h"
#include "quorl/error_code.h"
#include "support/encoding.h"

namespace quorl {

// Capture: the text one element last captured.
struct Capture {
  const char* text = "";  // the bytes; NUL-terminated once settled
  size_t len = 0;
  bool pending = false;   // text still points into the scanned text
  ByteBuf own;            // the settled copy

  // refer: the capture now holds the n bytes at p, still in place.
  void refer(const char* p, size_t n) {
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

// The capture slots: one per class element ($$ in a pattern shares $A's),
// and the whole text of the latest match.
enum CaptureSlot : unsigned char {
  CAP_A, CAP_a, CAP_s, CAP_d, CAP_D, CAP_f, CAP_x, CAP_g, CAP_c, CAP_WHOLE, CAP_COUNT
};

struct Captures {
  Capture slot[CAP_COUNT];

  Capture& whole() { return slot[CAP_WHOLE]; }
  // clear_classes: the nine class captures emptied (the whole match stays).
  void clear_classes();
  // settle: every capture that still refers to scanned text gets its copy.
  void settle();
  // drop_pending: every capture that still refers to scanned text emptied
  // (when that text is about to go away unsettled).
  void drop_pending();
};

// Delim: a separator or a bracket, one character of up to four bytes; none
// when bytes[0] is 0. more counts the bytes after the first: 0 for a byte
// taken as it is (each byte of a two-byte -b text) or a one-byte character.
struct Delim {
  char bytes[4] = {};
  unsigned char more = 0;

  size_t len() const { return bytes[0] == 0 ? 0 : 1 + static_cast<size_t>(more); }
  bool single() const { return more == 0; }
  // at: the character at p (a character start) is this one.
  bool at(const char* p) const {
    if (p[0] != bytes[0]) return false;
    for (unsigned k = 1; k <= more; ++k)
      if (p[k] != bytes[k]) return false;
    return true;
  }
};

// delim_of: the first character of text (none when text is empty) as a
// Delim, in the encoding enc.
Delim delim_of(const char* text, Encoding enc);

// separator_of: the -t text (what follows "-t") as the separator: its first
// character, or the tab when it begins with a backslash and a t, as users
// are told to write a tab; none when the text is empty.
Delim separator_of(const char* text, Encoding enc);

// brackets_of: the -b text (what follows "-b"): exactly two bytes, each a
// bracket, as ever; or else exactly two characters of the encoding. False
// when it is neither.
bool brackets_of(const char* text, Encoding enc, Delim* open, Delim* close);

// FieldSyntax: how a line is cut into fields, and its encoding. sep is the
// separator (none: runs of blanks and tabs for -e, the whole line as field 1
// for (<no>)); open and close are the brackets that keep separators between
// them from cutting (none: no brackets). With csv the fields are CSV fields
// (replace/csv.h), cut at sep (which is then always set), and the brackets
// play no part.
struct FieldSyntax {
  Delim sep;
  Delim open;
  Delim close;
  Encoding enc = Encoding::sjis;
  bool csv = false;
};

// FromArgEnd: what applying items to a run of lines leaves in the whole-match
// capture. An item scanning an empty line leaves it alone, and an empty line
// stays empty, so the run's last line that is not empty decides, and there
// the last item that still scanned some text: touched false when there is no
// such line (the capture stays as it was); otherwise it holds the len bytes
// of match, or is empty when len is 0. start() makes it ready for a run.
struct FromArgEnd {
  static constexpr size_t UNCOUNTED = static_cast<size_t>(-1);
  bool touched = false;
  size_t len = 0;
  ByteBuf match;
  size_t empty_tail = UNCOUNTED;  // the empty lines that end the run as read

  void start() {
    touched = false;
    empty_tail = UNCOUNTED;
  }
};

struct EditorState {
  EditorState() = default;
  EditorState(const EditorState&) = delete;
  EditorState& operator=(const EditorState&) = delete;
  ~EditorState();

  Captures caps;
  ByteBuf work;     // the copy of the line an item scans
  ByteBuf result;   // where the item writes its result
  ByteBuf runs;     // the scan's memo of class runs, one per pattern step
  char** field_ptr = nullptr;  // the extractor's pieces of the line last split
  size_t field_ptr_max = 0;    // entries allocated in field_ptr
  ByteBuf extract;  // the extractor's output
  ByteBuf pieces;   // the pieces of a line of a run
  ByteBuf field;    // the value of a quoted CSV field an item scans
  ByteBuf quoted;   // an edited CSV field, quoted
  ByteBuf lines[2];  // a run of lines, edited from one into the other
  FromArgEnd lines_end;
  ByteBuf error;  // the message of the last failure, NUL-terminated
  ErrorCode fault = ErrorCode::none;  // what the last failure was

  // fail: the failure recorded, its message made from fmt and arg as errmsg
  // would make it; returns null for the caller to return.
  std::nullptr_t fail(ErrorCode kind, const char* fmt, const char* arg = nullptr);
};

}  // namespace quorl

#endif
