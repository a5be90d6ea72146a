// quorl as a library.
//
// Two ways in. The C++ API below compiles a rule set once (replacement
// specifications, field syntax, -e template: what quorl's command line takes)
// into an immutable quorl::Rules that any number of threads may share, and
// edits lines through a quorl::Editor, one per thread. Faults come back as
// values carrying the message the command line prints; nothing on this path
// prints, or ends the process.
//
// The single-call functions convert_str and get_csvword edit one text with
// paired word lists through one process-wide editor; they are neither
// reentrant nor thread-safe.
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

#if defined(QUORL_BUILDING_LIBRARY)
#define QUORL_API __attribute__((visibility("default")))
#else
#define QUORL_API
#endif

namespace quorl {

struct RuleSet;
struct EditorState;

// RuleOptions: what a rule set is compiled from, as the command line reads
// it: specs are the -r texts (or the non-blank lines of a -R file), applied
// in order, a text given again being applied once, at its first place;
// separator is the -t text (empty: none; else its first character is the
// separator); brackets the -b text (empty: none; else two bytes, or two
// characters: the opening and the closing bracket); extract the -e
// template, if any; encoding how bytes form characters in all of these and
// in the lines.
struct RuleOptions {
  std::vector<std::string> specs;
  std::string separator;
  std::string brackets;
  std::optional<std::string> extract;
  Encoding encoding = Encoding::sjis;
};

// Rules: a rule set compiled once, immutable. Copies share the compiled
// value. Safe to use from any number of threads at once. As on the command
// line, a bad item, a bad <to> element or a bad template is reported by the
// first edit that reaches it; the constructor throws std::invalid_argument
// only for brackets that are not two bytes or two characters.
class QUORL_API Rules {
 public:
  explicit Rules(const RuleOptions& options);

 private:
  friend class Editor;
  std::shared_ptr<const RuleSet> set_;
};

// Edited: the outcome of one edit. When ok, text is the edited line (no
// newline); otherwise error is the message the command line would print
// (it ends in a newline where the command line's does). Both views stay
// valid until the editor's next edit.
struct Edited {
  bool ok = false;
  std::string_view text;
  std::string_view error;
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
  // A line holding a NUL byte, and a request for memory that cannot be met,
  // are errors too.
  Edited edit(std::string_view line);

 private:
  Rules rules_;
  std::unique_ptr<EditorState> state_;
};

// ---- Many lines: a buffer or a stream, cut into lines as the command line
// cuts its input ----
//
// A line ends at a newline; the last one may have none. With crlf, a CR
// right before the newline (or at the very end) belongs to the line ending.
// Lines have no length limit. Each edited line goes to the sink with its
// ending: "\r\n" where a CR LF ended it (with crlf), "\n" otherwise (the
// last line too, as the command line writes it). The sink gets whole lines,
// many at a time; returning false stops the edit.

struct LineFormat {
  bool crlf = false;
};

using Sink = std::function<bool(std::string_view bytes)>;

// Read: reads up to n bytes into buf; returns the count, 0 at the end, or -1
// on an error.
using Read = std::function<long(char* buf, size_t n)>;

// LinesEdited: the outcome of editing many lines. lines counts the lines
// edited and handed to the sink; when not ok, error is the message of the
// fault met by the next line (as Edited::error; a NUL byte in a line is
// one), or "reading error\n", or "the sink stopped\n". The views stay valid
// until the editor's next edit.
struct LinesEdited {
  bool ok = false;
  size_t lines = 0;
  std::string_view error;
  explicit operator bool() const { return ok; }
};

// edit_lines: every line of text edited by editor.
QUORL_API LinesEdited edit_lines(Editor& editor, std::string_view text, const Sink& sink,
                                 LineFormat format = {});

// edit_stream: every line read edited by editor: from read, or from the
// file descriptor fd (read to its end, EINTR retried; the descriptor is
// not closed). Memory grows with the longest line, not with the stream.
QUORL_API LinesEdited edit_stream(Editor& editor, const Read& read, const Sink& sink,
                                  LineFormat format = {});
QUORL_API LinesEdited edit_stream(Editor& editor, int fd, const Sink& sink, LineFormat format = {});

// InvalidSequence: bytes that form no character of the encoding: its line
// and column (both from 1; the column counts bytes) and the bytes.
struct InvalidSequence {
  size_t line = 0;
  size_t column = 0;
  std::string_view bytes;  // a view into the text checked
};

// check: every invalid sequence of text in encoding, in order; lines are
// counted at newlines. Shift_JIS is taken as code page 932. Thread-safe.
QUORL_API std::vector<InvalidSequence> check(std::string_view text, Encoding encoding);

// The longest word get_csvword hands out; a longer word is cut there and its
// remainder becomes the next word.
constexpr int CSVWORD_MAX = 1024;

// The length limit of the specification convert_str builds: it gives up
// when the text built so far plus the next word would reach this many bytes
// (the parentheses, colon and comma around that word are not counted).
constexpr int CONV_LIMIT = 4096;

// convert_str: line edited by the pairs of from_list and to_list, matched as
// whole words when whole_word is nonzero. The i-th word of the first list is
// replaced by the i-th word of the second. Words are used as they stand,
// nothing is escaped: the bytes that mean something in a replacement
// specification keep their meaning ('$' elements, '?', '\' and ':' in a
// from-word; '$' elements and '\' in a to-word). A comma cannot occur in a
// word. Returns the edited text, in a library buffer valid until the next
// call into the library; line itself is not changed.
// Returns null without a message, leaving the text unedited, when the lists
// differ in length, when a word is empty where the other list has one (so a
// word cannot be deleted), or when the specification reaches CONV_LIMIT.
// Returns null after a message on standard error when the engine rejects
// the specification built: two empty lists build an empty one, and with
// whole_word a word of digits alone reads as a field number. A to-word
// holding a '$' that starts no element, or running out of memory, ends the
// process with status 1.
QUORL_API char* convert_str(int whole_word, const char* from_list, const char* to_list,
                            const char* line);

// get_csvword: splits the next word off the comma-separated list at text.
// Blanks, tabs, newlines and form feeds around the word are dropped. *word
// receives the word, in a library buffer that the next call overwrites.
// Returns where the next word begins: past the comma that ended this one,
// or at the terminating NUL, where every further call gives an empty word.
QUORL_API const char* get_csvword(const char* text, char** word);

}  // namespace quorl

#endif
