#include "driver/cli.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driver/check.h"
#include "driver/help.h"
#include "driver/parallel.h"
#include "driver/input.h"
#include "driver/options.h"
#include "driver/output.h"
#include "extract/convert.h"
#include "extract/pipeline.h"
#include "support/bytebuf.h"
#include "support/errors.h"
#include "support/exit.h"

namespace quorl {

const char* output_str = nullptr;
char* string = nullptr;
name_node sup_list = {};

namespace {

// The index beside sup_list while the arguments are read: a rule given again
// is found without comparing it with every rule collected.
name_index rule_index;

LineFile line_file;

// The command line compiled, and the editor every line goes through.
RuleSet rules;
EditorState& editor = default_editor;
// Threads for a large file whose lines are independent (1: none).
int jobs = 1;

// compile_command_line: rules made from the rule list, the field syntax and
// the template as the arguments left them.
void compile_command_line() {
  Array<const char*> specs;
  for (name_node* rule = &sup_list; rule != nullptr; rule = rule->next)
    if (rule->name != nullptr) specs.push() = rule->name;
  compile_rules(specs.begin(), specs.size(), default_syntax, output_str, &rules);
}

// edit_text: edit_line for a line of len bytes (UNKNOWN_LEN: not known).
void edit_text(char* line, size_t len) {
  char* text = edit_rules(rules, editor, line, &len);
  if (text == nullptr) end_with_fault(editor.error.data);
  // One write for the line and its newline: the newline stands in for the
  // NUL for a moment (every text here is writable).
  if (len == UNKNOWN_LEN) len = std::strlen(text);
  text[len] = '\n';
  write_output(text, len + 1);
  text[len] = '\0';
}

// edit_lines: edits the n bytes of whole lines at run (each ending in a
// newline, none too long or holding a NUL) as edit_text edits each alone.
void edit_lines(char* run, size_t n) {
  size_t out_len = n;
  if (const char* text = edit_run(rules, editor, run, &out_len)) {
    write_output(text, out_len);
    return;
  }
  // The result would grow too large at once: line by line instead.
  for (char* line = run; line < run + n;) {
    auto* nl = static_cast<char*>(std::memchr(line, '\n', static_cast<size_t>(run + n - line)));
    *nl = '\0';
    edit_text(line, static_cast<size_t>(nl - line));
    line = nl + 1;
  }
}

bool is_blank_line(const char* line) {
  return line[std::strspn(line, " \t\n\f")] == '\0';
}

// read_rule_file: adds every non-blank line of rfile to sup_list.
void read_rule_file(const char* rfile) {
  if (!line_file.open(rfile)) {
    report("%s: not found\n", rfile);
    end_process(1);
  }
  size_t len = 0;
  size_t text_len = 0;
  while (char* line = line_file.next(&len, &text_len)) {
    if (line_file.too_long(len)) {
      // The line is shortened as every message shortens a long text; the
      // file's name is given whole.
      ByteBuf msg;
      format_message(&msg, "%s \nError: too long line found in ", line);
      append_printf(&msg, "%s!\n", rfile);
      errmsg_text(msg.data);
      end_process(1);
    }
    if (!is_blank_line(line)) add_name_indexed(&rule_index, line);
  }
  end_if_failed(line_file);
  line_file.close();
}

// edit_file: edits every line of the input file name, or of standard
// input when name is null.
void edit_file(const char* name) {
  if (name != nullptr && jobs > 1 && rules.lines_independent && output_takes_runs() &&
      edit_file_in_parallel(name, rules, jobs, output_refuses_nul()))
    return;
  if (name == nullptr) {
    line_file.open_stdin();
  } else if (!line_file.open(name)) {
    report("%s: not found", name);
    end_process(1);
  }
  size_t len = 0;
  size_t text_len = 0;
  // After the first line, runs of lines are edited at once where that
  // gives what editing them one by one gives (rules.whole_lines).
  bool first = true;
  bool at_once = false;
  for (;;) {
    size_t n = 0;
    if (at_once)
      while (char* run = line_file.lines(&n)) edit_lines(run, n);
    char* line = line_file.next(&len, &text_len);
    if (line == nullptr) break;
    if (line_file.too_long(len)) {
      ByteBuf msg;
      too_long_message(&msg, line);
      end_with_fault(msg.data);
    }
    if (text_len == UNKNOWN_LEN && output_refuses_nul()) {
      ByteBuf msg;
      nul_message(&msg, line_file.name());
      end_with_fault(msg.data);
    }
    const bool cr = line_file.had_cr();
    const bool nl = line_file.had_newline();
    output_input_line(line, len - (cr ? 1 : 0) - (nl ? 1 : 0), cr, nl);
    edit_text(line, text_len);
    if (first) at_once = rules.whole_lines && output_takes_runs();
    first = false;
  }
  end_if_failed(line_file);
  line_file.close();
}

void set_brackets(char open, char close) {
  default_syntax.open = Delim{{open}, 0};
  default_syntax.close = Delim{{close}, 0};
}

// set_separator: the -t argument arg.
void set_separator(const char* arg) { default_syntax.sep = separator_of(arg + 2, default_syntax.enc); }

// choose_encoding: the encoding --encoding names, else QUORL_ENCODING,
// else Shift_JIS. An unknown name ends the run before anything is read.
void choose_encoding(const char* option) {
  const char* name = option != nullptr ? option : std::getenv("QUORL_ENCODING");
  default_syntax.enc = Encoding::sjis;
  if (name == nullptr || (option == nullptr && *name == '\0')) return;
  if (!parse_encoding(name, &default_syntax.enc)) {
    errmsg("\"%s\": unknown encoding; use one of %s\n", name, ENCODING_NAMES);
    end_process(1);
  }
}

}  // namespace

void reset_settings() {
  output_str = nullptr;
  string = nullptr;
  default_syntax = FieldSyntax{};
  name_init(&sup_list);
}

void edit_line(char* line) { edit_text(line, UNKNOWN_LEN); }

namespace {

// Settings: the command line as read: where the text to edit comes from,
// and the long options. The rules, field syntax and template it named are
// in sup_list, default_syntax and output_str, where the classic routines
// read them.
struct Settings {
  LongOptions options;
  const char* input_file = nullptr;  // after -f; null: none
  bool from_stdin = false;
  char* string = nullptr;            // the <string> operand; null: none
};

// read_arguments: the arguments after the help cases, left to right: the
// options set, the rules collected (a rule file read where it stands), the
// input chosen. A bad argument ends the process with its message.
Settings read_arguments(int argc, char** argv) {
  Settings set;
  set.options = take_long_options(&argc, argv);
  const LongOptions& long_opts = set.options;
  line_file.set_crlf(long_opts.crlf);
  line_file.set_idle(write_waiting_output);
  choose_encoding(long_opts.encoding);
  jobs = long_opts.jobs > 0 ? long_opts.jobs : default_jobs();
  name_index_init(&rule_index, &sup_list);
  int i = 1;
  for (; i < argc; ++i) {
    const char* arg = argv[i];
    const bool has_next = i + 1 < argc;
    if (std::strcmp(arg, "-b") == 0) {
      set_brackets('"', '"');
    } else if (std::strncmp(arg, "-b", 2) == 0 &&
               brackets_of(arg + 2, default_syntax.enc, &default_syntax.open, &default_syntax.close)) {
      // Two bytes, or two characters of the encoding.
    } else if (std::strcmp(arg, "-r") == 0 && has_next) {
      add_name_indexed(&rule_index, argv[++i]);
    } else if (std::strcmp(arg, "-R") == 0 && has_next) {
      read_rule_file(argv[++i]);
    } else if (std::strcmp(arg, "-e") == 0 && has_next) {
      output_str = argv[++i];
    } else if (std::strncmp(arg, "-t", 2) == 0) {
      set_separator(arg);
    } else if (!long_opts.end_of_options &&
               (i == argc - 1 || (i == argc - 2 && std::strcmp(arg, "-f") == 0))) {
      break;  // the input operand
    } else {
      errmsg("\"%s\": bad parameter\n", arg);
      end_process(1);
    }
  }

  if (long_opts.end_of_options) {
    set.string = const_cast<char*>(long_opts.operand);
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

// edit_input: the text the settings name edited, or checked with --check,
// to the end of the run.
[[noreturn]] void edit_input(const Settings& set) {
  string = set.string;
  const char* file = set.from_stdin ? nullptr : set.input_file;
  if (set.options.check) check_input(set.string, file, set.options.crlf, default_syntax.enc);
  begin_output(set.options, set.input_file);
  compile_command_line();
  clear_captures();
  if (set.from_stdin || set.input_file != nullptr) {
    edit_file(file);
  } else {
    output_input_line(string, std::strlen(string), false, true);
    edit_line(string);
  }
  finish_output();
  end_process(0);
}

}  // namespace

void run(int argc, char** argv) {
  if (argc <= 1) print_usage(0);
  if (argc == 2 && std::strcmp(argv[1], "-usage") == 0) print_usage(1);
  if (argc == 2) answer_long_request(argv[1]);
  name_init(&sup_list);
  edit_input(read_arguments(argc, argv));
}

}  // namespace quorl
