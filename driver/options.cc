#include "driver/options.h"

#include <cstdlib>
#include <cstring>

#include "support/errors.h"
#include "support/exit.h"

namespace quorl {

namespace {

// How a long option takes a value.
enum class Takes { nothing, value, attached_suffix, every_remaining };

enum class Id { in_place, diff, crlf, csv, check, encoding, to, rules_encoding, jobs, files };

struct LongName {
  const char* name;
  Id id;
  Takes takes;
};

constexpr LongName LONG_NAMES[] = {
    {"--in-place", Id::in_place, Takes::attached_suffix},
    {"--diff", Id::diff, Takes::nothing},
    {"--crlf", Id::crlf, Takes::nothing},
    {"--csv", Id::csv, Takes::nothing},
    {"--check", Id::check, Takes::nothing},
    {"--encoding", Id::encoding, Takes::value},
    {"--to", Id::to, Takes::value},
    {"--rules-encoding", Id::rules_encoding, Takes::value},
    {"--jobs", Id::jobs, Takes::value},
    {"--files", Id::files, Takes::every_remaining},
};

// is_long_option: arg has the form of a long option, "--" and a letter.
bool is_long_option(const char* arg) {
  if (arg[0] != '-' || arg[1] != '-') return false;
  const char c = static_cast<char>(arg[2] | 0x20);
  return c >= 'a' && c <= 'z';
}

// find_long_name: the long option arg names, alone or with "=VALUE",
// or null; *value is then VALUE, or null when there is no "=".
const LongName* find_long_name(const char* arg, const char** value) {
  const size_t len = std::strcspn(arg, "=");
  for (const LongName& n : LONG_NAMES) {
    if (std::strlen(n.name) == len && std::strncmp(arg, n.name, len) == 0) {
      *value = arg[len] == '=' ? arg + len + 1 : nullptr;
      return &n;
    }
  }
  return nullptr;
}

// takes_next: whether the long option arg takes the argument after it as
// its value (a known name that wants one and has none attached).
bool takes_next(const char* arg) {
  const char* value = nullptr;
  const LongName* n = find_long_name(arg, &value);
  return n != nullptr && n->takes == Takes::value && value == nullptr;
}

// long_options_end: the index after the run of long options, with their
// separate values, that starts at argv[i]; argc when it runs to the end.
int long_options_end(int argc, char* const* argv, int i) {
  while (i < argc && is_long_option(argv[i])) i += takes_next(argv[i]) && i + 1 < argc ? 2 : 1;
  return i;
}

// files_tail_end: as long_options_end, over what may follow a "-f <file>"
// input operand: long options, more "-f <file>" pairs, and "--files" with
// every argument after it (argc then).
int files_tail_end(int argc, char* const* argv, int i) {
  while (i < argc) {
    if (std::strcmp(argv[i], "--files") == 0) return argc;
    if (is_long_option(argv[i]))
      i += takes_next(argv[i]) && i + 1 < argc ? 2 : 1;
    else if (std::strcmp(argv[i], "-f") == 0 && i + 1 < argc)
      i += 2;
    else
      break;
  }
  return i;
}

// bad_long_option: ends the process over arg, a long option or its value
// that quorl cannot take, pointing at the list of those it can.
[[noreturn]] void bad_long_option(const char* arg) {
  errmsg("\"%s\": bad parameter\n", arg);
  errmsg("Try 'quorl --help'.\n");
  end_process(1);
}

// jobs_of: the --jobs count value names, 1 to 1024 threads in decimal
// (1 edits on one thread); arg, the argument that holds it, is named when
// it is none.
int jobs_of(const char* value, const char* arg) {
  char* end = nullptr;
  const long n = std::strtol(value, &end, 10);
  if (*value < '0' || *value > '9' || *end != '\0' || n < 1 || n > 1024) bad_long_option(arg);
  return static_cast<int>(n);
}

// read_long_option: records the long option argv[i] in opts, with its value
// from argv[i + 1] when it takes that; returns the index of the last
// argument it used.
int read_long_option(int argc, char** argv, int i, LongOptions* opts) {
  const char* arg = argv[i];
  const char* value = nullptr;
  const LongName* n = find_long_name(arg, &value);
  if (n == nullptr || (n->takes != Takes::value && n->takes != Takes::attached_suffix && value != nullptr))
    bad_long_option(arg);
  if (n->takes == Takes::every_remaining) {
    if (i + 1 == argc) bad_long_option(arg);  // no file named
    opts->files.assign(argv + i + 1, argv + argc);
    return argc - 1;
  }
  if (n->takes == Takes::value && value == nullptr) {
    if (i + 1 == argc) bad_long_option(arg);
    arg = value = argv[++i];
  }
  switch (n->id) {
    case Id::in_place:
      opts->in_place = true;
      opts->backup_suffix = value != nullptr && *value != '\0' ? value : nullptr;
      break;
    case Id::diff: opts->diff = true; break;
    case Id::crlf: opts->crlf = true; break;
    case Id::csv: opts->csv = true; break;
    case Id::check: opts->check = true; break;
    case Id::encoding: opts->encoding = value; break;
    case Id::to: opts->to = value; break;
    case Id::rules_encoding: opts->rules_encoding = value; break;
    case Id::jobs: opts->jobs = jobs_of(value, arg); break;
    case Id::files: break;  // taken above
  }
  return i;
}

// takes_short_value: whether the short option arg takes the next argument.
bool takes_short_value(const char* arg) {
  return std::strcmp(arg, "-r") == 0 || std::strcmp(arg, "-R") == 0 || std::strcmp(arg, "-e") == 0 ||
         std::strcmp(arg, "-f") == 0;
}

}  // namespace

LongOptions take_long_options(int* argc, char** argv) {
  LongOptions opts;
  const int n = *argc;
  int kept = 1;
  for (int i = 1; i < n; ++i) {
    char* arg = argv[i];
    if (is_long_option(arg)) {
      i = read_long_option(n, argv, i, &opts);
      continue;
    }
    if (std::strcmp(arg, "--") == 0) {
      opts.end_of_options = true;
      if (i + 2 < n) {
        errmsg("\"%s\": bad parameter\n", argv[i + 2]);
        end_process(1);
      }
      if (i + 1 < n) opts.operand = argv[i + 1];
      break;
    }
    argv[kept++] = arg;
    if (arg[0] == '-' && (arg[1] == 't' || arg[1] == 'b')) continue;  // -t<C>, -b<c1><c2>: value inside
    const bool with_value = takes_short_value(arg) && i + 1 < n;
    if (with_value) argv[kept++] = argv[++i];
    if (with_value && std::strcmp(arg, "-f") != 0) continue;
    // The input operand, or "-f <file>", stands here when only long options
    // follow (after a file, also more files); otherwise the short walk names
    // the argument that is astray.
    const int tail_end = with_value ? files_tail_end(n, argv, i + 1) : long_options_end(n, argv, i + 1);
    if (tail_end != n) {
      while (++i < n) argv[kept++] = argv[i];
      break;
    }
  }
  *argc = kept;
  argv[kept] = nullptr;
  return opts;
}

}  // namespace quorl
