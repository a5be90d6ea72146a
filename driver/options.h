// Long options.
//
// The short options keep their place-bound grammar (read left to right, the
// last argument or "-f <file>" being the input); long options are taken out
// of the argument list before that: a recognised "--name" or "--name=value"
// is an option wherever it stands, also as the last argument. "--" ends the
// options; the single argument after it, if any, is the <string> operand,
// whatever it looks like. A command line without either is left alone, so it
// means what it always meant. An unknown "--name" is an ordinary argument.
#ifndef QUORL_DRIVER_OPTIONS_H
#define QUORL_DRIVER_OPTIONS_H

namespace quorl {

struct LongOptions {
  bool in_place = false;
  const char* backup_suffix = nullptr;  // --in-place=SUFFIX; null: no backup
  bool diff = false;
  bool crlf = false;
  bool check = false;            // --check: report invalid sequences, edit nothing
  const char* encoding = nullptr;  // --encoding=NAME; null: not given
  int jobs = 0;                  // --jobs=N; 0: as many as there are processors
  bool end_of_options = false;   // "--" was given
  const char* operand = nullptr;  // the argument after "--", or null
};

// take_long_options: the long options of argv (argc entries, argv[0] the
// program) and "--" with what follows it, removed from argv in place; *argc
// is the count left. Arguments after "--" beyond the first end the process
// with "\"<arg>\": bad parameter\n", as any stray argument does.
LongOptions take_long_options(int* argc, char** argv);

}  // namespace quorl

#endif
