#include "driver/cli.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "driver/check.h"
#include "driver/editors.h"
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
  RuleTexts texts;
  Encoding encoding = Encoding::sjis;  // the input's, unless guessed
  int jobs = 1;                      // threads for a large file (1: none)
  std::vector<const char*> input_files;  // after -f and --files, in order ("-": standard input)
  const char* string = nullptr;      // the <string> operand; null: none
  // With neither a file nor a string, standard input is edited.
};

bool is_blank_line(const std::string& line) { return line.find_first_not_of(" \t\n\f") == std::string::npos; }

// read_rule_file: every non-blank line of rfile added to the rules, as -r
// adds one. When the rules' texts are converted, the file's encoding is
// guessed from its text on its own.
void read_rule_file(const char* rfile, bool crlf, RuleTexts* texts) {
  RuleOptions* rules = &texts->rules;
  const size_t first = rules->specs.size();
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
  if (texts->typed == nullptr) return;
  std::string all;
  for (size_t i = first; i < rules->specs.size(); ++i) (all += rules->specs[i]) += '\n';
  const EncodingGuess guess = guess_encoding(all);
  if (guess.ascii) return;
  texts->spec_sources.resize(rules->specs.size());
  for (size_t i = first; i < rules->specs.size(); ++i) texts->spec_sources[i] = encoding_name(guess.encoding);
}

// EncodingChoice: the input's encoding, or auto; and the encoding the
// typed rules are in (null: the input's).
struct EncodingChoice {
  Encoding enc = Encoding::sjis;
  bool guess = false;
  const char* typed = nullptr;
};

// locale_encoding: the locale's codeset, where the rules are typed by
// default with auto. A locale that knows ASCII alone (the C locale of a
// bare container) is taken as UTF-8, what terminals send today.
const char* locale_encoding() {
  const char* codeset = platform::locale_codeset();
  if (codeset == nullptr || *codeset == '\0' || std::strcmp(codeset, "ANSI_X3.4-1968") == 0 ||
      std::strcmp(codeset, "US-ASCII") == 0)
    return "UTF-8";
  return codeset;
}

// choose_encoding: the encoding --encoding names, else QUORL_ENCODING,
// else Shift_JIS, and the rules' one (--rules-encoding, else with auto the
// locale's). An unknown name ends the run before anything is read.
EncodingChoice choose_encoding(const LongOptions& opts) {
  const char* name = opts.encoding != nullptr ? opts.encoding : std::getenv("QUORL_ENCODING");
  EncodingChoice choice;
  if (name != nullptr && (opts.encoding != nullptr || *name != '\0')) {
    if (is_auto_encoding(name)) {
      choice.guess = true;
    } else if (!parse_encoding(name, &choice.enc)) {
      errmsg("\"%s\": unknown encoding; use one of %s\n", name, ENCODING_NAMES);
      end_process(1);
    }
  }
  choice.typed = opts.rules_encoding != nullptr ? opts.rules_encoding : choice.guess ? locale_encoding() : nullptr;
  if (choice.typed != nullptr && !Transcoder(choice.typed, "UTF-8").ok()) {
    errmsg("\"%s\": unknown encoding\n", choice.typed);
    end_process(1);
  }
  return choice;
}

// typed_encoding: how the command line's texts are read: in the encoding
// they are typed in, when quorl knows it, else as bytes.
Encoding typed_encoding(const EncodingChoice& choice) {
  Encoding enc = choice.enc;
  if (choice.typed != nullptr && !parse_encoding(choice.typed, &enc)) enc = Encoding::bytes;
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

// only_files_from: whether argv[i] to the end are "-f <file>" pairs alone.
bool only_files_from(int argc, char** argv, int i) {
  if ((argc - i) % 2 != 0) return false;
  for (; i < argc; i += 2)
    if (std::strcmp(argv[i], "-f") != 0) return false;
  return true;
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
  RuleOptions& rules = set.texts.rules;
  const EncodingChoice choice = choose_encoding(long_opts);
  set.texts.guess = choice.guess;
  set.texts.typed = choice.typed;
  set.encoding = choice.enc;
  rules.encoding = typed_encoding(choice);
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
      read_rule_file(argv[++i], long_opts.crlf, &set.texts);
    } else if (std::strcmp(arg, "-e") == 0 && has_next) {
      rules.extract = argv[++i];
    } else if (std::strncmp(arg, "-t", 2) == 0) {
      rules.separator = arg + 2;
    } else if (!long_opts.end_of_options && (i == argc - 1 || only_files_from(argc, argv, i))) {
      break;  // the input operand
    } else {
      errmsg("\"%s\": bad parameter\n", arg);
      end_process(1);
    }
  }

  if (long_opts.end_of_options) {
    set.string = long_opts.operand;
  } else if (i == argc) {
    // no operand: standard input, unless --files names files
  } else if (std::strcmp(argv[i], "-f") == 0) {
    if (i == argc - 1) print_usage(0);
    for (; i + 1 < argc; i += 2) set.input_files.push_back(argv[i + 1]);
  } else {
    set.string = argv[i];
  }
  // --files takes every argument after it, so no <string> operand can
  // stand with it: its names follow those of -f.
  set.input_files.insert(set.input_files.end(), long_opts.files.begin(), long_opts.files.end());
  return set;
}

// end_with: the run ended after the lines edited before a fault of the
// rules or of the output, with the fault's message.
[[noreturn]] void end_with(const LinesEdited& edited) {
  if (edited.code == ErrorCode::sink_stopped) end_process(1);  // the writing error is reported already
  end_with_fault(std::string(edited.error).c_str());
}

// report_skipped: whether edited is a fault of the input named name itself
// (it cannot be opened or read, holds a NUL byte, has a quote never
// closed); if so it is reported after the lines before it, and the run
// goes on with the next input.
bool report_skipped(const LinesEdited& edited, const char* name) {
  switch (edited.code) {
    case ErrorCode::not_found:
      report_not_found(name);
      return true;
    case ErrorCode::read_error:
      report_input_fault(name, "reading error");
      return true;
    case ErrorCode::nul_byte:
      report_input_fault(name, "holds a NUL byte; not edited");
      return true;
    case ErrorCode::unclosed_quote:  // "line <n>: ...", its newline left to the fault's format
      report_input_fault(name, std::string(edited.error.substr(0, edited.error.size() - 1)).c_str());
      return true;
    default:
      return false;
  }
}

// guessed: the encoding an input is edited in, as guessed.
Encoding guessed(const Editors& editors, const EncodingGuess& guess) {
  return guess.ascii ? editors.for_ascii() : guess.encoding;
}

// kHeadSize: how much of a stream its encoding is guessed from.
constexpr size_t kHeadSize = 64 * 1024;

// read_head: the first bytes of the stream fd into *head, up to kHeadSize,
// or fewer when it ends (*ended) or would keep us waiting after a whole
// line (a person typing). False at a read error.
bool read_head(int fd, std::string* head, bool* ended) {
  head->resize(kHeadSize);
  size_t got = 0;
  *ended = false;
  while (got < kHeadSize) {
    if (got > 0 && (*head)[got - 1] == '\n' && platform::would_wait(fd)) break;
    const long n = platform::read_some(fd, head->data() + got, kHeadSize - got);
    if (n < 0) return false;
    if (n == 0) {
      *ended = true;
      break;
    }
    got += static_cast<size_t>(n);
  }
  head->resize(got);
  return true;
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

// Input: where the lines of one input come from: the file name, or the
// descriptor fd with the head already read from it.
struct Input {
  const char* name = nullptr;
  int fd = -1;
  StreamHead head;
};

// edit_input_lines: every line of the input edited to the output.
LinesEdited edit_input_lines(Editor& editor, const Input& in, const Settings& set) {
  // A NUL ends a line's text on standard output; a file edited in place,
  // or its diff, must keep every byte.
  const LineFormat format{set.options.crlf, in.name != nullptr ? LINE_LIMIT : 0, !output_refuses_nul()};
  if (output_wants_input_lines()) {
    const LineSink each = [](const EditedLine& line) { return output_edited_line(line); };
    return in.fd < 0 ? edit_file(editor, in.name, each, format) : edit_stream(editor, in.fd, in.head, each, format);
  }
  const Sink sink = [](std::string_view bytes) { return output_edited_lines(bytes.data(), bytes.size()); };
  return in.fd < 0 ? edit_file(editor, in.name, sink, format, set.jobs) : edit_stream(editor, in.fd, in.head, sink, format);
}

// open_input: *in ready for the file name, or standard input when name is
// null, and *enc the encoding it is edited in. With auto a file is guessed
// from its own bytes and read again later; what cannot be read twice (a
// pipe, a terminal) is guessed from its head, kept in *head. False when
// the input cannot be opened or read, reported.
bool open_input(const Editors& editors, const char* name, const Settings& set, Input* in, Encoding* enc,
                std::string* head) {
  *in = Input{name, name != nullptr ? -1 : 0, {}};
  *enc = set.encoding;
  if (!set.texts.guess) return true;
  platform::FileStatus st;
  EncodingGuess guess;
  if (name != nullptr && platform::status_of_name(name, &st) && st.kind == platform::FileKind::regular &&
      guess_file_encoding(name, &guess)) {
    *enc = guessed(editors, guess);
    return true;
  }
  if (name != nullptr) in->fd = platform::open_read(name);
  if (in->fd < 0) {
    report_not_found(name);
    return false;
  }
  if (!read_head(in->fd, head, &in->head.ended)) {
    report_input_fault(name != nullptr ? name : "stdin", "reading error");
    if (name != nullptr) platform::close_fd(in->fd);
    return false;
  }
  in->head.bytes = *head;
  *enc = guessed(editors, guess_encoding(*head, !in->head.ended));
  return true;
}

// edit_lines_of: every line of the input, in enc, edited to the output.
// False when the input was skipped over a fault of its own, reported; a
// fault of the rules or the output ends the run.
bool edit_lines_of(Editors& editors, const Input& in, Encoding enc, const Settings& set) {
  const LinesEdited edited = edit_input_lines(editors.for_input(enc), in, set);
  if (in.name != nullptr && in.fd >= 0) platform::close_fd(in.fd);
  if (edited) return true;
  if (!report_skipped(edited, in.name != nullptr ? in.name : "stdin")) end_with(edited);
  return false;
}

// edit_files: each input file edited in turn, so that captured text
// carries over from file to file as from line to line. A file skipped over
// a fault of its own leaves the others to be edited; returns whether none
// was.
bool edit_files(Editors& editors, const Settings& set) {
  bool all = true;
  for (const char* name : set.input_files) {
    Input in;
    Encoding enc;
    std::string head;
    if (std::strcmp(name, "-") == 0) name = nullptr;
    if (!open_input(editors, name, set, &in, &enc, &head)) {
      all = false;
      continue;
    }
    convert_output_from(set.options, enc);
    if (!begin_output_of(name)) {
      if (name != nullptr && in.fd >= 0) platform::close_fd(in.fd);
      all = false;
      continue;
    }
    const bool edited = edit_lines_of(editors, in, enc, set);
    if (!finish_output_of(edited) || !edited) all = false;
  }
  return all;
}

// edit_input: the text the settings name edited, or checked with --check,
// to the end of the run.
[[noreturn]] void edit_input(const Settings& set) {
  if (set.options.check && set.texts.guess) report_guesses(set.string, set.input_files);
  if (set.options.check) check_input(set.string, set.input_files, set.options.crlf, set.encoding);
  // A --to that cannot be met ends the run before anything is read.
  convert_output_from(set.options, set.texts.guess ? Encoding::utf8 : set.encoding);
  begin_output(set.options, set.input_files);
  // Faults of the rules are reported at the line that meets them, after
  // the lines before it.
  Editors editors(set.texts);
  bool all = true;
  if (!set.input_files.empty()) {
    all = edit_files(editors, set);
  } else if (set.string != nullptr) {
    const Encoding enc = set.texts.guess ? guessed(editors, guess_encoding(set.string)) : set.encoding;
    convert_output_from(set.options, enc);
    begin_output_of(nullptr, "<string>");
    edit_string(editors.for_input(enc), set.string);
    all = finish_output_of(true);
  } else {
    Input in;
    Encoding enc;
    std::string head;
    if (open_input(editors, nullptr, set, &in, &enc, &head)) {
      convert_output_from(set.options, enc);
      begin_output_of(nullptr);
      all = edit_lines_of(editors, in, enc, set);
      all = finish_output_of(all) && all;
    } else {
      all = false;
    }
  }
  finish_output();
  end_process(all ? 0 : 1);
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
  platform::take_command_line(argc, argv, kText[static_cast<int>(typed_encoding(choose_encoding(opts)))]);
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
