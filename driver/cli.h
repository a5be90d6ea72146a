// The command line.
//
// run() takes out the long options (driver/options), reads the other
// arguments left to right into one Settings value (the rule set they ask
// for, as a quorl::RuleOptions, a rule file read at its -R; the input: a
// <string> argument, the lines of each -f or --files file in turn, or the
// lines of standard input), then edits the input through the public
// library as any of its users would: one quorl::Rules, one quorl::Editor
// for the whole run (captures carry over from line to line and from file
// to file), and the library's line reader and stream editing (edit_file,
// edit_stream) with the output of driver/output as the sink.
// It never returns: the process ends through end_process, with status 0
// after the whole input was edited and 1 after any message.
//
// A fault of the rules is reported where the library reports it: at the
// line that meets it, after the lines before it were written; it ends the
// run. A file that cannot be opened or read is reported and skipped, and
// the run, going on with the others, ends with status 1.
#ifndef QUORL_DRIVER_CLI_H
#define QUORL_DRIVER_CLI_H

namespace quorl {

// run: the whole program for argc/argv as main receives them. Never returns.
[[noreturn]] void run(int argc, char** argv);

}  // namespace quorl

#endif
