// The whole edit of a line: every rule in order, then the -e template.
//
// A RuleSet is what the command line (or a library user) asks for, compiled
// once: the specifications in order, each kept once, the field syntax and
// the template. It is never written while it edits, so threads may share
// one, each with its own editor (replace/editor.h).
//
// Faults are values: edit_rules returns null with the message in the
// editor; nothing here prints or ends the process. A rule's fault comes
// when the first line reaches it, exactly as if each line were edited
// with the rules read anew; first_fault tells the first of them at once,
// for a caller that wants to know before any line.
#ifndef QUORL_EXTRACT_PIPELINE_H
#define QUORL_EXTRACT_PIPELINE_H

#include <cstddef>

#include "extract/extractor.h"
#include "replace/editor.h"
#include "replace/spec.h"

namespace quorl {

// The library's messages for the faults of many lines that are not the
// rules' own.
inline constexpr char kNulMessage[] = "a line holds a NUL byte\n";
inline constexpr char kReadErrorMessage[] = "reading error\n";
inline constexpr char kSinkStoppedMessage[] = "the sink stopped\n";
inline constexpr char kNotFoundMessage[] = "not found\n";

struct RuleSet {
  Array<CompiledSpec> specs;
  FieldSyntax syntax;
  bool has_template = false;
  Template templ;
  // Runs of whole lines are edited at once exactly as line by line: every
  // specification replaces literal text with constant text only, and the
  // template (if any) can rebuild runs with this separator.
  bool whole_lines = false;
  // Each line is edited the same whatever lines came before it: no <to>
  // inserts a capture that its own pattern may not have written.
  bool lines_independent = false;
  // CSV records are rebuilt a run of lines at once (extract_csv_records):
  // the rules are a well-formed template alone, with a separator that is
  // no quote or line end.
  bool csv_records = false;
};

// compile_rules: the count specifications at specs (in order, none given
// twice), the syntax and the template (null: none) compiled into *out.
void compile_rules(const char* const* specs, size_t count, const FieldSyntax& syntax,
                   const char* templ, RuleSet* out);

// RuleFault: the first fault a line may meet in a rule set, in the order
// the rules apply: kind none when there is none; else the specification
// (its index in specs) and the item (counted from 0) at fault, or spec -1
// for the template, and the byte where the fault stands in that text.
struct RuleFault {
  ErrorCode kind = ErrorCode::none;
  int spec = -1;
  int item = -1;
  size_t at = 0;
};

// first_fault: the first fault of rules; its message is made in *message
// as the edit that meets it would make it.
RuleFault first_fault(const RuleSet& rules, ByteBuf* message);

// edit_rules: line (writable, NUL-terminated, *len bytes or UNKNOWN_LEN)
// edited by every specification of rules and its template. Returns the
// result, in one of ed's buffers (or line itself when there is nothing to
// do), with *len set to its length; null after a fault, whose message is in
// ed.error. The line may be cut in place.
char* edit_rules(const RuleSet& rules, EditorState& ed, char* line, size_t* len);

// edit_run: the *n bytes of whole lines at run (each ending in a newline,
// none longer than a file line may be or holding a NUL) edited by rules
// (whole_lines) as edit_rules edits each alone, the results each with its
// newline; *n is set to their length. The whole-match capture ends as the
// lines one by one would leave it. Null when the result would grow too
// large at once: the lines are then better edited one by one.
const char* edit_run(const RuleSet& rules, EditorState& ed, const char* run, size_t* n);

}  // namespace quorl

#endif
