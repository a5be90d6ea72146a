#include "driver/cli.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "driver/check.h"
#include "driver/help.h"
#include "driver/options.h"
#include "driver/output.h"
#include "platform/platform.h"
#include "quorl/quorl.h"
#include "support/bytebuf.h"
#include "support/encoding.h"
#include "support/errors.h"
#include "support/exit.h"
#include "support/line_file.h"
#include "support/threads.h"

namespace quorl {

namespace {

// Settings: the command line as read: the rule set it asks for, where the
// text to edit comes from, and the long options.
struct Settings {
  LongOptions options;
  RuleOptions rules;
  int jobs = 1;                      // threads for a large file (1: none)
  const char* input_file = nullptr;  // after -f; null: none
  bool from_stdin = false;
  const char* string = nullptr;      // the <string> operand; null: none
};

bool is_blank_line(const std::string& line) { return line.find_first_not_of(" \t\n\f") == std::string::npos; }

// read_rule_file: every non-blank line of rfile added to the rules, as -r
// adds one.
void read_rule_file(const char* rfile, bool crlf, RuleOptions* rules) {
  LineReader file(rfile, LineFormat{crlf, LINE_LIMIT, false});
  if (!file.ok()) {
    report("%s: not found\n", rfile);
    end_process(1);
  }
  LineReader::Line line;
  while (file.next(&line)) {
    // A rule is the line's text up to a NUL byte, if it holds one.
    std::string text(line.text.data(), strnlen(line.text.data(), line.text.size()));
    if (line.too_long) {
      // The line is shortened as every message shortens a long text; the
      // file's name is given whole.
      ByteBuf msg;
      format_message(&msg, "%s \nError: too long line found in ", text.c_str());
      append_printf(&msg, "%s!\n", rfile);
      errmsg_text(msg.data);
      end_process(1);
    }
    if (!is_blank_line(text)) rules->specs.push_back(std::move(text));
  }
  if (file.failed()) end_with_input_fault(rfile, "reading error");
}

// choose_encoding: the encoding --encoding names, else QUORL_ENCODING,
// else Shift_JIS. An unknown name ends the run before anything is read.
Encoding choose_encoding(const char* option) {
  const char* name = option != nullptr ? option : std::getenv("QUORL_ENCODING");
  Encoding enc = Encoding::sjis;
  if (name == nullptr || (option == nullptr && *name == '\0')) return enc;
  if (!parse_encoding(name, &enc)) {
    errmsg("\"%s\": unknown encoding; use one of %s\n", name, ENCODING_NAMES);
    end_process(1);
  }
  return enc;
}

// good_brackets: whether the -b text makes brackets in the encoding: two
// bytes, or two characters.
bool good_brackets(const char* text, Encoding enc) {
  RuleOptions only;
  only.brackets = text;
  only.encoding = enc;
  return Rules(only).error_code() != ErrorCode::bad_brackets;
}

// read_arguments: the arguments after the help cases, left to right: the
// options set, the rules collected (a rule file read where it stands), the
// input chosen. A bad argument ends the process with its message.
Settings read_arguments(int argc, char** argv) {
  Settings set;
  set.options = take_long_options(&argc, argv);
  // Where CR LF is the system's line ending, a CR before LF belongs to the
  // ending unless told otherwise.
  if (platform::kCrlfByDefault) set.options.crlf = true;
  const LongOptions& long_opts = set.options;
  RuleOptions& rules = set.rules;
  rules.encoding = choose_encoding(long_opts.encoding);
  rules.csv = long_opts.csv;
  set.jobs = long_opts.jobs > 0 ? long_opts.jobs : default_jobs();
  int i = 1;
  for (; i < argc; ++i) {
    const char* arg = argv[i];
    const bool has_next = i + 1 < argc;
    if (std::strcmp(arg, "-b") == 0) {
      rules.brackets = "\"\"";
    } else if (std::strncmp(arg, "-b", 2) == 0 && good_brackets(arg + 2, rules.encoding)) {
      rules.brackets = arg + 2;
    } else if (std::strcmp(arg, "-r") == 0 && has_next) {
      rules.specs.emplace_back(argv[++i]);
    } else if (std::strcmp(arg, "-R") == 0 && has_next) {
      read_rule_file(argv[++i], long_opts.crlf, &rules);
    } else if (std::strcmp(arg, "-e") == 0 && has_next) {
      rules.extract = argv[++i];
    } else if (std::strncmp(arg, "-t", 2) == 0) {
      rules.separator = arg + 2;
    } else if (!long_opts.end_of_options &&
               (i == argc - 1 || (i == argc - 2 && std::strcmp(arg, "-f") == 0))) {
      break;  // the input operand
    } else {
      errmsg("\"%s\": bad parameter\n", arg);
      end_process(1);
    }
  }

  if (long_opts.end_of_options) {
    set.string = long_opts.operand;
    set.from_stdin = set.string == nullptr;
  } else if (i == argc) {
    set.from_stdin = true;
  } else if (std::strcmp(argv[i], "-f") == 0) {
    if (i == argc - 1) print_usage(0);
    set.input_file = argv[i + 1];
    set.from_stdin = std::strcmp(set.input_file, "-") == 0;
  } else {
    set.string = argv[i];
  }
  return set;
}

// end_with: the run ended after the lines of the input named name that
// were edited before a fault, with the fault's message.
[[noreturn]] void end_with(const LinesEdited& edited, const char* name) {
  switch (edited.code) {
    case ErrorCode::not_found:
      report("%s: not found", name);
      end_process(1);
    case ErrorCode::sink_stopped:  // the writing error is reported already
      end_process(1);
    case ErrorCode::read_error:
      end_with_input_fault(name, "reading error");
    case ErrorCode::nul_byte:
      end_with_input_fault(name, "holds a NUL byte; not edited");
    case ErrorCode::unclosed_quote:  // "line <n>: ...", its newline left to the fault's format
      end_with_input_fault(name, std::string(edited.error.substr(0, edited.error.size() - 1)).c_str());
    default:
      end_with_fault(std::string(edited.error).c_str());
  }
}

// edit_string: the <string> operand edited as one line.
void edit_string(Editor& editor, const char* string) {
  const Edited edited = editor.edit(string);
  if (!edited) end_with_fault(std::string(edited.error).c_str());
  const std::string text = std::string(edited.text) + platform::kNewline;
  const bool written = output_wants_input_lines() ? output_edited_line({string, platform::kNewline, text})
                                                  : output_edited_lines(text.data(), text.size());
  if (!written) end_process(1);
}

// edit_lines_of: every line of the file name, or of standard input when
// name is null, edited to the output.
void edit_lines_of(Editor& editor, const char* name, const Settings& set) {
  // A NUL ends a line's text on standard output; a file edited in place,
  // or its diff, must keep every byte.
  const LineFormat format{set.options.crlf, name != nullptr ? LINE_LIMIT : 0, !output_refuses_nul()};
  LinesEdited edited;
  if (output_wants_input_lines()) {
    const LineSink each = [](const EditedLine& line) { return output_edited_line(line); };
    edited = name != nullptr ? edit_file(editor, name, each, format) : edit_stream(editor, 0, each, format);
  } else {
    const Sink sink = [](std::string_view bytes) { return output_edited_lines(bytes.data(), bytes.size()); };
    edited = name != nullptr ? edit_file(editor, name, sink, format, set.jobs) : edit_stream(editor, 0, sink, format);
  }
  if (!edited) end_with(edited, name != nullptr ? name : "stdin");
}

// edit_input: the text the settings name edited, or checked with --check,
// to the end of the run.
[[noreturn]] void edit_input(const Settings& set) {
  const char* file = set.from_stdin ? nullptr : set.input_file;
  if (set.options.check) check_input(set.string, file, set.options.crlf, set.rules.encoding);
  begin_output(set.options, set.input_file);
  // Faults of the rules are reported at the line that meets them, after
  // the lines before it.
  Editor editor{Rules(set.rules)};
  if (set.from_stdin || set.input_file != nullptr)
    edit_lines_of(editor, file, set);
  else
    edit_string(editor, set.string);
  finish_output();
  end_process(0);
}

// take_arguments: the command line as the run's encoding has it (on
// Windows, from the wide command line). The long options are read once
// from a copy to learn the encoding; a bad one ends the run here with the
// message it would give later.
void take_arguments(int* argc, char*** argv) {
  std::vector<char*> copy(*argv, *argv + *argc + 1);  // with argv[argc], the null
  int n = *argc;
  const LongOptions opts = take_long_options(&n, copy.data());
  static constexpr platform::NameText kText[] = {platform::NameText::shift_jis, platform::NameText::utf8,
                                                 platform::NameText::euc_jp, platform::NameText::system};
  platform::take_command_line(argc, argv, kText[static_cast<int>(choose_encoding(opts.encoding))]);
}

}  // namespace

void run(int argc, char** argv) {
  platform::start_process();
  if (argc <= 1) print_usage(0);
  if (argc == 2 && std::strcmp(argv[1], "-usage") == 0) print_usage(1);
  if (argc == 2) answer_long_request(argv[1]);
  take_arguments(&argc, &argv);
  edit_input(read_arguments(argc, argv));
}

}  // namespace quorl
