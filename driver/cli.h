// The command line and the line loop.
//
// run() takes out the long options (driver/options), reads the other
// arguments left to right, sets the settings below, collects the
// replacement specifications into sup_list (reading a rule file at its -R),
// picks the input (a <string> argument, the lines of a -f file, or the
// lines of standard input) and passes every input line to edit_line; the
// edited text goes where driver/output sends it. It never
// returns: the process ends through end_process, with status 0 after the
// whole input was edited and 1 after any message.
//
// Once the arguments are read, the rules, the field syntax and the template
// are compiled into one RuleSet (extract/pipeline.h) that edits every line,
// in the library's default editor: captures carry over from line to line.
// The lines of a file whose rules only replace literal text are edited many
// at a time (see edit_run); what is printed, reported and left in the
// editor is what editing them one by one would give.
//
// The field syntax the arguments set is the library's default one (sep,
// field_bracket_s and field_bracket_e, replace/editor.h); the engine gets it
// as a value.
#ifndef QUORL_DRIVER_CLI_H
#define QUORL_DRIVER_CLI_H

#include "replace/editor.h"
#include "support/namelist.h"

namespace quorl {

extern const char* output_str;  // the -e template (the argument itself), or null
extern char* string;            // the <string> argument, or null
extern name_node sup_list;      // the rule list, in the order collected

// A rule-file or input-file line whose length, newline included, reaches
// LINE_LIMIT bytes is rejected as too long.
constexpr int LINE_LIMIT = 4095;

// run: the whole program for argc/argv as main receives them. Never returns.
[[noreturn]] void run(int argc, char** argv);

// edit_line: passes line (writable, NUL-terminated) through every rule of
// sup_list and the -e template as compiled by the latest run, and prints
// the result and a newline.
void edit_line(char* line);

// reset_settings: back to the state before any argument was read (for tests
// that run the command line more than once in one process).
void reset_settings();

}  // namespace quorl

#endif
