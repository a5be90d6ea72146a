// Long options.
//
// The short options keep their place-bound grammar: the arguments are read
// left to right, an option that takes a value (-r, -R, -e, -f) takes the
// next argument whatever it looks like, and the input operand is the last
// argument or "-f <file>" the last two. Long options follow the same walk:
// an argument "--NAME" or "--NAME=VALUE", NAME beginning with a letter, is
// a long option where a short option could stand, and also after the input
// operand, so that one can be added at the end of any command line. As the
// value of an option it is that value (`-r --diff` adds the rule "--diff").
// "--" where an option could stand ends the options; the single argument
// after it, if any, is the <string> operand, whatever it looks like.
//
// Several files are named by "-f <file>" pairs in a row where the input
// operand stands (long options may stand between them), or by "--files"
// followed by every remaining argument, each a file name whatever it looks
// like; both together name the -f files first.
//
// A long option that takes a value takes it attached ("--jobs=4") or as the
// next argument ("--jobs 4"), whatever that looks like, as getopt_long has
// it; --in-place takes its optional suffix attached only. Names are written
// in full. An unknown name, a missing value or a value where none is taken
// ends the process with "\"<arg>\": bad parameter\n" and a second line
// pointing at --help.
//
// getopt_long cannot read this: it would take "-bX" for -b with a value,
// and the last argument "-r" for an option without one. So the long options
// are taken out here, in a walk that knows where the short grammar puts its
// values and its operand, before the short options are read: they are
// settings (the encoding, CR LF line ends) that the short options and the
// rule files read at their -R depend on, wherever they stand.
#ifndef QUORL_DRIVER_OPTIONS_H
#define QUORL_DRIVER_OPTIONS_H

#include <vector>

namespace quorl {

struct LongOptions {
  bool in_place = false;
  const char* backup_suffix = nullptr;  // --in-place=SUFFIX; null: no backup
  bool diff = false;
  bool crlf = false;
  bool csv = false;              // --csv: fields are CSV fields, records may span lines
  bool check = false;            // --check: report invalid sequences, edit nothing
  const char* encoding = nullptr;  // --encoding NAME; null: not given
  const char* to = nullptr;        // --to NAME[//TRANSLIT]: the output converted; null: not given
  const char* rules_encoding = nullptr;  // --rules-encoding NAME: the rule texts' own; null: not given
  int jobs = 0;                  // --jobs N; 0: as many as there are processors
  bool end_of_options = false;   // "--" was given
  const char* operand = nullptr;  // the argument after "--", or null
  std::vector<const char*> files;  // the names after --files, in order
};

// take_long_options: the long options of argv (argc entries, argv[0] the
// program), with their separate values, and "--" with what follows it,
// removed from argv in place; *argc is the count left. What is left reads
// as a command line of short options alone. The walk stops, leaving the
// rest alone, at an argument that cannot be the input operand (one that
// is neither an option nor followed by long options only), for the short
// walk to report. Arguments after "--" beyond the first end the process
// with "\"<arg>\": bad parameter\n", as any stray argument does.
LongOptions take_long_options(int* argc, char** argv);

}  // namespace quorl

#endif
