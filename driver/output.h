// Where the edited text goes: standard output, the edited file itself
// (--in-place), or a unified diff (--diff).
//
// The edited lines come to output_edited_lines (from the library's stream
// editing, many at a time) or, for a diff, each with the line it was made
// from to output_edited_line; the <string> operand comes the same way.
// finish_output ends a run that went to its end. A write to standard
// output that fails is reported as "stdout: writing error\n" and ends the
// run with status 1 (a descriptor that is full for now, EAGAIN, is waited
// for).
//
// In place, the edited text goes to the transaction of in_place.h, which
// puts it in place only when the file was edited to its end. Several input
// files are edited one after the other, each between begin_output_of and
// finish_output_of: one after the other to standard output, each with a
// diff of its own, or each its own transaction.
#ifndef QUORL_DRIVER_OUTPUT_H
#define QUORL_DRIVER_OUTPUT_H

#include <cstddef>
#include <vector>

#include "driver/options.h"
#include "quorl/quorl.h"

namespace quorl {

// begin_output: a run's output set up as opts asks, for the input files
// named files (empty: standard input or the <string> operand). In place,
// a run without a file, or with standard input among them, ends here.
void begin_output(const LongOptions& opts, const std::vector<const char*>& files);

// convert_output_from: with --to, what is written converted from the
// input's encoding from to the one --to names, for each input begun after
// it. A name that cannot be converted to, --to with --diff, and input of
// the encoding bytes end the run here with a message.
void convert_output_from(const LongOptions& opts, Encoding from);

// begin_output_of: the output of the next input begun: the file name, or
// null for standard input and the <string> operand (a diff of its own; in
// place, its transaction); shown, when not null, names it in messages
// instead ("<string>"); else a file by its name and standard input as "-".
// With --to, a character that cannot be converted ends the run at the
// write that meets it with "<name>:<line>:<column>: " and what is wrong,
// the line and column (bytes, both from 1) of the edited text. False, after a message, when the file cannot be
// edited in place; it is then skipped.
bool begin_output_of(const char* name, const char* shown = nullptr);

// finish_output_of: the output of that input ended, read to its end when
// ok: its diff written, the edited file put in place (or, when not ok,
// left as it was). False after a message.
bool finish_output_of(bool ok);

// output_wants_input_lines: whether the output needs every input line
// with its edit (a diff) rather than the edited lines alone.
bool output_wants_input_lines();

// output_edited_lines: n bytes of edited whole lines, written out at once
// to standard output. False, after "<name>: writing error\n", when they
// could not be written.
bool output_edited_lines(const char* text, size_t n);

// output_edited_line: one input line and its edit, for a diff.
bool output_edited_line(const EditedLine& line);

// output_refuses_nul: whether a line holding a NUL byte is a fault. A NUL
// ends a line's text for standard output; a file edited in place, or its
// diff, must keep every byte, and the edit would lose the rest of the line.
bool output_refuses_nul();

// write_waiting_output: the edited lines still buffered written out now,
// when they go to standard output as they are (in place, and a diff, are
// written at their end). A failed write ends the process at once.
void write_waiting_output();

// finish_output: everything written, the last edited file put in place; a
// failure prints its message and ends the process with status 1.
void finish_output();

// write_all: n bytes to fd, waiting out EINTR and EAGAIN. False, after
// "<name>: writing error\n", when a write fails.
bool write_all(int fd, const char* s, size_t n, const char* name);

// end_with_fault: the output so far written out, then message printed, and
// the run ended with status 1, so that the message follows exactly the
// lines before the fault wherever both streams go.
[[noreturn]] void end_with_fault(const char* message);

// report_not_found: "<name>: not found" for an input that cannot be
// opened, after the output so far. With one input file the message ends
// the run without a newline, as it always has; with several it is a line
// of its own, for the run goes on.
void report_not_found(const char* name);

// report_input_fault: "<name>: <what>\n", a fault of the input named name
// ("reading error", say), printed after the output so far, as
// end_with_fault prints, but the run goes on.
void report_input_fault(const char* name, const char* what);

// end_with_input_fault: end_with_fault with "<name>: <what>\n", a fault of
// the input named name ("reading error", say).
[[noreturn]] void end_with_input_fault(const char* name, const char* what);

}  // namespace quorl

#endif
