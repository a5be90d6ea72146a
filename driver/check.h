// --check: is the input valid text in the chosen encoding?
//
// Every line of the input (the <string>, each -f file without a length limit,
// or standard input) is read and nothing is edited. Each invalid byte
// sequence (see check_sequence) is reported on standard error as
// "NAME:LINE:COLUMN: invalid ENCODING sequence 0xNN...", NAME being the file,
// "-" for standard input or "<string>" for the argument, and COLUMN counting
// bytes from 1. The run ends with status 1 when there was any, else 0.
//
// With the encoding to be guessed, each input's guess is printed instead,
// as "NAME: ENCODING" (ascii, utf-8, euc-jp or shift_jis), from the whole
// string, the first 64 KiB of standard input, or a file's first 64 KiB past
// its leading ASCII.
#ifndef QUORL_DRIVER_CHECK_H
#define QUORL_DRIVER_CHECK_H

#include <vector>

#include "support/encoding.h"

namespace quorl {

// check_input: the check of the string (when not null), else of each file
// in turn ("-": standard input), else of standard input; crlf as for
// editing. A file that cannot be opened or read is reported and the others
// are checked. Never returns.
[[noreturn]] void check_input(const char* string, const std::vector<const char*>& files, bool crlf, Encoding enc);

// report_guesses: the guess for the string (when not null), else for each
// file in turn ("-": standard input), else for standard input. A file that
// cannot be opened or read is reported, the others are guessed, and the
// status is 1. Never returns.
[[noreturn]] void report_guesses(const char* string, const std::vector<const char*>& files);

}  // namespace quorl

#endif
