// Where the edited text goes: standard output, the edited file itself
// (--in-place), or a unified diff (--diff).
//
// The line loop hands every input line to output_input_line before editing
// it, and the edited bytes to write_output; finish_output ends a run that
// went to its end. Standard output is written through a buffer of its own:
// the first write that fails ends the process at once with
// "stdout: writing error\n" (a descriptor that is full for now, EAGAIN, is
// waited for).
//
// In place, the edited text goes to the transaction of in_place.h, which
// puts it in place only when the run ends well.
#ifndef QUORL_DRIVER_OUTPUT_H
#define QUORL_DRIVER_OUTPUT_H

#include <cstddef>

#include "driver/options.h"

namespace quorl {

// begin_output: a run's output set up as opts asks. file is the -f file,
// or null for standard input and the <string> operand. In place, a file
// that cannot be edited so ends the process before anything is read.
void begin_output(const LongOptions& opts, const char* file);

// output_takes_runs: whether write_output may get many lines at once;
// otherwise every input line goes through output_input_line and one
// write_output of its edited text.
bool output_takes_runs();

// output_refuses_nul: whether a line holding a NUL byte is a fault. A NUL
// ends a line's text for standard output; a file edited in place, or its
// diff, must keep every byte, and the edit would lose the rest of the line.
bool output_refuses_nul();

// output_input_line: the next input line, n bytes of text (from the file,
// NUL bytes included), and how it ended.
void output_input_line(const char* text, size_t n, bool cr, bool newline);

// write_output: n edited bytes, whole lines each ending in a newline.
void write_output(const char* text, size_t n);

// write_waiting_output: the edited lines still buffered written out now,
// when they go to standard output as they are (in place, and a diff, are
// written at their end). A failed write ends the process at once.
void write_waiting_output();

// finish_output: everything written, the edited file put in place; a
// failure prints its message and ends the process with status 1.
void finish_output();

// end_if_failed: when input ended at a read error, the run ended as
// end_with_fault ends it, with "<name>: reading error\n".
class LineFile;
void end_if_failed(const LineFile& input);

// write_all: n bytes to fd, waiting out EINTR and EAGAIN. False, after
// "<name>: writing error\n", when a write fails.
bool write_all(int fd, const char* s, size_t n, const char* name);

// end_with_fault: the output so far written out, then message printed, and
// the run ended with status 1, so that the message follows exactly the
// lines before the fault wherever both streams go.
[[noreturn]] void end_with_fault(const char* message);

}  // namespace quorl

#endif
