// The help texts.
//
// help_text is the fixed table of the program's 69 help lines, stored as the
// Shift_JIS (code page 932) bytes they are printed as, and ended by a null
// entry. Lines 3 and 4 (help_text[2], help_text[3]) are the usage lines; the
// last line names the version.
//
// The --help text is written for today's terminals: English, or Japanese
// when the reader's locale is Japanese, in the encoding the locale names.
// The Japanese lines are kept in UTF-8 and in Shift_JIS; EUC-JP is made
// from the Shift_JIS bytes as they are printed. All tables are static
// constants; nothing here allocates.
#ifndef QUORL_DRIVER_HELP_H
#define QUORL_DRIVER_HELP_H

namespace quorl {

constexpr int HELP_LINES = 69;

extern const char* const help_text[HELP_LINES + 1];

// print_usage: mode 1 writes the whole help text to standard output; any
// other mode writes the two usage lines to standard error. Ends the process
// with status 1.
[[noreturn]] void print_usage(int mode);

// The --help text in English, one line per entry, ended by a null entry.
extern const char* const long_help_en[];

// One line of the Japanese --help text in the two encodings it is kept in.
struct JaLine {
  const char* utf8;
  const char* sjis;
};

// The Japanese --help text, ended by an entry whose pointers are null.
extern const JaLine long_help_ja[];

enum class HelpLanguage { english, ja_utf8, ja_sjis, ja_eucjp };

// help_language: the language and encoding of --help for the locale
// variables LC_ALL, LC_MESSAGES and LANG (null when unset). The first one
// set and not empty decides: Japanese when it begins with "ja", encoded as
// its codeset says (SJIS, Shift_JIS or CP932; eucJP, EUC-JP or ujis; UTF-8
// otherwise); English in every other case.
HelpLanguage help_language(const char* lc_all, const char* lc_messages, const char* lang);

// print_long_help: writes the --help text in language to standard output
// and ends the process with status 0 (1 when the output cannot be written).
[[noreturn]] void print_long_help(HelpLanguage language);

// print_version: writes "quorl <version>" and the licence line to standard
// output and ends the process as print_long_help does.
[[noreturn]] void print_version();

// answer_long_request: when arg, the only argument, is "--help" or
// "--version", prints that and ends the process; returns otherwise.
void answer_long_request(const char* arg);

}  // namespace quorl

#endif
