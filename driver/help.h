// The help text.
//
// help_text is the fixed table of the program's 69 help lines, stored as the
// Shift_JIS (code page 932) bytes they are printed as, and ended by a null
// entry. Lines 3 and 4 (help_text[2], help_text[3]) are the usage lines.
#ifndef QUORL_DRIVER_HELP_H
#define QUORL_DRIVER_HELP_H

namespace quorl {

constexpr int HELP_LINES = 69;

extern const char* const help_text[HELP_LINES + 1];

// print_usage: mode 1 writes the whole help text to standard output; any
// other mode writes the two usage lines to standard error. Ends the process
// with status 1.
[[noreturn]] void print_usage(int mode);

}  // namespace quorl

#endif
