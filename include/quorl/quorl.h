// quorl as a library.
//
// This header compiles a rule set once (replacement specifications, field
// syntax, -e template: what quorl's command line takes) into an immutable
// quorl::Rules that any number of threads may share, and edits lines
// through a quorl::Editor, one per thread. Faults come back as values: a
// code to branch on (quorl::ErrorCode) and the message the command line
// prints. A rule set tells its faults as soon as it is built; an edit tells
// the fault it meets. Nothing declared here prints, keeps process-wide
// state, or ends the process. (The classic routines, which do, are in
// quorl/classic.h.)
//
// Texts are bytes; a Shift_JIS lead byte with its second byte is one
// character. A line holds no NUL byte: editing one is an error (the command
// line, writing to standard output, ends the line's text at a NUL).
// Link the quorl library (find_package(quorl): quorl::quorl, or pkg-config
// quorl) and include this header alone; it needs C++17.
#ifndef QUORL_QUORL_H
#define QUORL_QUORL_H

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "quorl/encoding.h"
#include "quorl/error_code.h"
#include "quorl/export.h"

namespace quorl {

struct RuleSet;
struct EditorState;

// RuleOptions: what a rule set is compiled from, as the command line reads
// it: specs are the -r texts (or the non-blank lines of a -R file), applied
// in order, a text given again being applied once, at its first place;
// separator is the -t text (empty: none; "\\t", a backslash and a t, is
// the tab, as on the command line; else its first character is the
// separator); brackets the -b text (empty: none; else two bytes, or two
// characters: the opening and the closing bracket); extract the -e
// template, if any; encoding how bytes form characters in all of these and
// in the lines. With csv, fields are CSV fields (RFC 4180), cut at the
// separator, a comma when none is given: a field in double quotes may hold
// the separator, doubled quotes and line breaks; the template writes each
// field it names as a CSV field, quoted where it must be, and a (<no>) item
// edits the field's text without its quotes and writes it back so; the
// brackets play no part. The many-lines calls below then gather lines into
// records: a record ends at the first line end where its quotes are even in
// number.
struct RuleOptions {
  std::vector<std::string> specs;
  std::string separator;
  std::string brackets;
  std::optional<std::string> extract;
  Encoding encoding = Encoding::sjis;
  bool csv = false;
};

// RuleError: the first fault of a rule set. code tells what it is (none:
// the rules are good) and message is what the command line prints for it
// (ending in a newline where the command line's does). spec is the index in
// RuleOptions::specs of the specification at fault (its first place, for a
// text given twice), item the item within it, counted from 0, and offset
// the byte of that specification where the fault stands: where a bad item
// or an item with the field number 0 begins, or the '$' of a bad <to>
// element. For a bad template spec and item are -1 and offset is where its
// bad '$' stands in the template; for bad brackets they are -1, -1 and 0.
struct RuleError {
  ErrorCode code = ErrorCode::none;
  std::string message;
  int spec = -1;
  int item = -1;
  size_t offset = 0;
};

// Rules: a rule set compiled once, immutable. Copies share the compiled
// value. Safe to use from any number of threads at once.
//
// Every fault is found as the rules are built: ok() tells whether there is
// one and error() gives the first, in the order the rules apply (the
// brackets, then each specification item by item, then the template). The
// constructor throws nothing for bad input; only std::bad_alloc when memory
// runs out. Rules at fault still edit, as the command line does: a line is
// edited until it meets the fault, and the edit that meets it fails (a bad
// <to> is met only by a match, so a line without one is edited in full).
// With bad brackets every edit fails, with error()'s code and message.
class QUORL_API Rules {
 public:
  explicit Rules(const RuleOptions& options);

  bool ok() const { return error_.code == ErrorCode::none; }
  const RuleError& error() const { return error_; }
  ErrorCode error_code() const { return error_.code; }

 private:
  friend class Editor;
  friend struct EditorAccess;
  std::shared_ptr<const RuleSet> set_;
  RuleError error_;
};

// Edited: the outcome of one edit. When ok, text is the edited line (no
// newline); otherwise code tells the fault and error is the message the
// command line would print (it ends in a newline where the command line's
// does). Both views stay valid until the editor's next edit.
struct Edited {
  bool ok = false;
  std::string_view text;
  std::string_view error;
  ErrorCode code = ErrorCode::none;
  explicit operator bool() const { return ok; }
};

// Editor: edits lines with one rule set. What the rules capture carries over
// from one line to the next of the same editor, as on the command line. One
// editor serves one thread at a time; give each thread its own.
class QUORL_API Editor {
 public:
  explicit Editor(Rules rules);
  ~Editor();
  Editor(Editor&&) noexcept;
  Editor& operator=(Editor&&) noexcept;

  // edit: line edited by every specification, then rebuilt by the template.
  // Fails at a fault of the rules that the line meets (see Rules); a line
  // holding a NUL byte, and a request for memory that cannot be met, are
  // errors too.
  Edited edit(std::string_view line);

 private:
  friend struct EditorAccess;
  Rules rules_;
  std::unique_ptr<EditorState> state_;
};

// ---- Many lines: a buffer, a stream or a file, cut into lines as the
// command line cuts its input ----
//
// A line ends at a newline; the last one may have none. With crlf, a CR
// right before the newline (or at the very end) belongs to the line ending.
// Each edited line goes out with its ending: "\r\n" where a CR LF ended it
// (with crlf), "\n" otherwise (the last line too, as the command line
// writes it). Lines edited before a fault go out before the fault is
// returned. Nothing here prints or ends the process.
//
// The line reader is the command line's own: one for standard input, files,
// rule files, streams and buffers, and the chunks of a file edited on
// several threads.

// LineFormat: how text is cut into lines, and what a line may hold.
struct LineFormat {
  bool crlf = false;
  // 0: lines of any length. Else a line whose length, its ending included,
  // reaches line_limit bytes is a fault (line_too_long); the command line
  // limits a file's lines to 4095.
  size_t line_limit = 0;
  // A line holding a NUL byte is a fault (nul_byte); with nul_ends_text its
  // text ends at the NUL instead, the rest of the line dropped, as on the
  // command line's standard output.
  bool nul_ends_text = false;
};

// Sink: takes whole edited lines, many at a time; false stops the edit.
using Sink = std::function<bool(std::string_view bytes)>;

// EditedLine: one line as read (its text, NUL bytes included, and the
// ending cut off it: "\n", "\r\n" or a last "\r" with crlf, or "" for a
// last line without one) and its edit, with the ending written after it.
// With CSV records, a record of several lines comes as its lines: each but
// the last with an empty edit, the last with the edit of the whole record
// (a record that comes out unchanged comes as its lines, each its own edit).
struct EditedLine {
  std::string_view input;
  std::string_view ending;
  std::string_view output;
};

// LineSink: takes each line with its edit, one at a time; false stops the
// edit. For a caller that needs both sides (a diff, a log of changes).
using LineSink = std::function<bool(const EditedLine& line)>;

// Read: reads up to n bytes into buf; returns the count, 0 at the end, or -1
// on an error.
using Read = std::function<long(char* buf, size_t n)>;

// LinesEdited: the outcome of editing many lines. When not ok, code and
// error tell the fault met by the line after those handed on (as Edited; also nul_byte "a line holds a NUL byte\n",
// line_too_long with the line's first bytes, read_error "reading error\n",
// sink_stopped "the sink stopped\n", not_found "not found\n", and with CSV
// records unclosed_quote "line <n>: a quoted field is never closed\n", n
// the line where the record began). The views
// stay valid until the editor's next edit.
struct LinesEdited {
  bool ok = false;
  std::string_view error;
  ErrorCode code = ErrorCode::none;
  explicit operator bool() const { return ok; }
};

// edit_lines: every line of text edited by editor.
QUORL_API LinesEdited edit_lines(Editor& editor, std::string_view text, const Sink& sink,
                                 LineFormat format = {});

// edit_stream: every line read edited by editor: from read, or from the
// file descriptor fd (read to its end, EINTR retried; the descriptor is
// not closed). Memory grows with the longest line, not with the stream.
// Before the stream is waited for, the lines edited so far go to the sink,
// so a slow pipe (`tail -f`) is edited as it comes.
QUORL_API LinesEdited edit_stream(Editor& editor, const Read& read, const Sink& sink,
                                  LineFormat format = {});
QUORL_API LinesEdited edit_stream(Editor& editor, int fd, const Sink& sink, LineFormat format = {});
QUORL_API LinesEdited edit_stream(Editor& editor, int fd, const LineSink& sink, LineFormat format = {});

// StreamHead: bytes already read from a stream (to guess its encoding, say),
// edited as its start; ended: the stream was read to its end then, and is
// not read again.
struct StreamHead {
  std::string_view bytes;
  bool ended = false;
};
QUORL_API LinesEdited edit_stream(Editor& editor, int fd, const StreamHead& head, const Sink& sink,
                                  LineFormat format = {});
QUORL_API LinesEdited edit_stream(Editor& editor, int fd, const StreamHead& head, const LineSink& sink,
                                  LineFormat format = {});

// edit_file: every line of the file path edited by editor (not_found when
// it cannot be opened as a file: missing, unreadable, a directory). With
// jobs > 1, a large regular file whose lines the rules edit independently
// of each other (no capture carried from line to line) and with a line
// limit is edited on that many threads, the result the same, in order.
QUORL_API LinesEdited edit_file(Editor& editor, const char* path, const Sink& sink, LineFormat format = {},
                                int jobs = 1);
QUORL_API LinesEdited edit_file(Editor& editor, const char* path, const LineSink& sink,
                                LineFormat format = {});

// LineReader: the lines of a file or a descriptor, one at a time, cut as
// above, without editing them (rule files, an encoding check).
class QUORL_API LineReader {
 public:
  // A file opened by path; ok() is false when it cannot be opened as a file.
  explicit LineReader(const char* path, LineFormat format = {});
  // A descriptor, read to its end and left open.
  explicit LineReader(int fd, LineFormat format = {});
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  bool ok() const { return file_ != nullptr; }

  // Line: text without its ending (NUL bytes included; for a line at or
  // over the limit, its first line_limit bytes, and too_long set).
  struct Line {
    std::string_view text;
    std::string_view ending;
    bool too_long = false;
  };

  // next: the next line, valid until the next call; false at the end of the
  // input and after a read error (failed()). A line too long is the last
  // one handed out.
  bool next(Line* line);
  bool failed() const;

 private:
  struct File;
  std::unique_ptr<File> file_;
};

// InvalidSequence: bytes that form no character of the encoding: its line
// and column (both from 1; the column counts bytes) and the bytes.
struct InvalidSequence {
  size_t line = 0;
  size_t column = 0;
  std::string_view bytes;  // a view into the text checked
};

// ---- Other encodings: text converted from one to another ----
//
// An encoding is named as the command line's --encoding names it (sjis,
// utf-8, euc-jp and their other spellings; Shift_JIS is code page 932 with
// its extensions, EUC-JP the form that keeps them), or by any name the
// system's converter knows (iconv's on POSIX, "CP<code page>" on Windows).
// A target name may end in "//TRANSLIT": a character the target cannot
// hold is then written as the system's nearest (or '?') instead of being a
// fault. Lines are counted at newlines of the text converted from; columns
// count its bytes; both from 1.

// TranscodeFault: where a conversion stopped. code is unknown_encoding
// (line and column 0), invalid_sequence or unconvertible; bytes are the
// sequence or character at fault, in the source encoding.
struct TranscodeFault {
  ErrorCode code = ErrorCode::none;
  size_t at = 0;  // the byte of the input (of all given, for a Transcoder)
  size_t line = 0;
  size_t column = 0;
  std::string bytes;
};

// transcode: in, in the encoding named from, converted to the one named
// to into *out (replaced). False at the first fault, *out then holding the
// text before it; *fault (when not null) tells what and where. Thread-safe.
QUORL_API bool transcode(std::string_view in, const char* from, const char* to, std::string* out,
                         TranscodeFault* fault = nullptr);

// Transcoder: a stream converted as it is written, for a Sink: what write
// takes is converted and handed on to next in pieces of the same size (a
// character cut by the end of a write waits for the next). One per stream
// and thread; it keeps the line count across writes.
class QUORL_API Transcoder {
 public:
  // The names as transcode takes them; ok() is false when the system
  // cannot convert between them.
  Transcoder(const char* from, const char* to);
  ~Transcoder();
  Transcoder(Transcoder&&) noexcept;
  Transcoder& operator=(Transcoder&&) noexcept;

  bool ok() const;

  // write: bytes converted and handed to next. False when next stops, or
  // at a fault (fault() tells it), after the text before it was handed on.
  bool write(std::string_view bytes, const Sink& next);
  // finish: the end of the stream: false when it ends inside a character.
  bool finish();
  // sink: a Sink that writes through this transcoder to next; the
  // transcoder must outlive it.
  Sink sink(Sink next);

  const TranscodeFault& fault() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// check: every invalid sequence of text in encoding, in order; lines are
// counted at newlines. Shift_JIS is taken as code page 932. Thread-safe.
QUORL_API std::vector<InvalidSequence> check(std::string_view text, Encoding encoding);

}  // namespace quorl

#endif
