#include "driver/cli.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "driver/help.h"
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

// LineFile reads a rule file or an input file line by line into one buffer
// that is reused for every line. Lines are handed out in place, their newline
// replaced by a NUL, so reading costs no copy. Since a line longer than the
// limit is an error, the buffer never needs to hold more than one block plus
// LINE_LIMIT bytes.
class LineFile {
 public:
  // open: false when name cannot be opened as a file (a directory cannot).
  // A file still open was left by an end that did not exit (an exit hook
  // that throws): it is closed here rather than kept for good.
  bool open(const char* name) {
    close();
    name_ = name;
    fd_ = ::open(name, O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) return false;
    struct stat st;
    if (fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(fd_);
      fd_ = -1;
      return false;
    }
    buf_.reserve(kBlock + LINE_LIMIT + 1);
    begin_ = end_ = 0;
    nul_ = kNone;
    eof_ = false;
    return true;
  }

  void close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

  // next: the next line, NUL-terminated without its newline, or null at end
  // of file. *len is the line's length as read, its newline included.
  // *text_len is the length of the line as text, up to the NUL put in place
  // of the newline, or UNKNOWN_LEN when the file put a NUL into the line.
  // A read error prints "<name>: reading error\n" and ends the process.
  char* next(int* len, size_t* text_len) {
    char* nl = find_newline();
    char* line = buf_.data + begin_;
    if (nl != nullptr) {
      *nl = '\0';
      *len = static_cast<int>(nl - line) + 1;
      const size_t stop = static_cast<size_t>(nl - buf_.data);
      *text_len = nul_ == kNone || nul_ > stop ? stop - begin_ : UNKNOWN_LEN;
      begin_ += static_cast<size_t>(*len);
      if (nul_ != kNone && nul_ < begin_) find_nul(begin_);
      return line;
    }
    if (begin_ == end_) return nullptr;
    // No newline among the bytes at hand: the line ends at end of file, or
    // it is at least LINE_LIMIT bytes long.
    size_t n = end_ - begin_;
    if (n > static_cast<size_t>(LINE_LIMIT)) n = LINE_LIMIT;
    *len = static_cast<int>(n);
    if (n == static_cast<size_t>(LINE_LIMIT)) {
      // Keep the line's first bytes whole for the message; the caller stops.
      line[n] = '\0';
      return line;
    }
    line[n] = '\0';
    *text_len = nul_ == kNone ? n : UNKNOWN_LEN;
    begin_ = end_;
    nul_ = kNone;
    return line;
  }

  // lines: the whole lines at hand, all but the last of them, when there
  // are at least two and every one is shorter than the limit and holds no
  // NUL; null otherwise. *n is their length, the last newline included.
  // They are taken as next would take them one by one; the line held back
  // is left for next, so every stop (end of file, a line too long, a NUL, a
  // read) comes after a line that next has handed out.
  char* lines(size_t* n) {
    const size_t stop = nul_ == kNone ? end_ : nul_;
    if (stop < begin_ + 2) return nullptr;
    char* s = buf_.data + begin_;
    auto* last = static_cast<char*>(memrchr(s, '\n', stop - begin_));
    if (last == nullptr) return nullptr;
    auto* held = static_cast<char*>(memrchr(s, '\n', static_cast<size_t>(last - s)));
    if (held == nullptr) return nullptr;
    // A line is short enough when its newline is among its first
    // LINE_LIMIT - 1 bytes. Looking for the last newline in such a window
    // checks every line inside it at once.
    constexpr size_t kWindow = LINE_LIMIT - 1;
    char* q = s;
    while (static_cast<size_t>(held - q) >= kWindow) {
      auto* nl = static_cast<char*>(memrchr(q, '\n', kWindow));
      if (nl == nullptr) {
        // The line at q is too long: take the lines before it, holding
        // back the last of them.
        if (q == s) return nullptr;
        held = static_cast<char*>(memrchr(s, '\n', static_cast<size_t>(q - 1 - s)));
        if (held == nullptr) return nullptr;
        break;
      }
      q = nl + 1;
    }
    *n = static_cast<size_t>(held + 1 - s);
    begin_ += *n;
    return s;
  }

 private:
  static constexpr size_t kBlock = 1 << 16;
  static constexpr size_t kNone = static_cast<size_t>(-1);

  // find_newline: the newline that ends the line at begin_, reading more
  // input as needed; null when the line has no newline within LINE_LIMIT
  // bytes or before end of file.
  char* find_newline() {
    for (;;) {
      size_t avail = end_ - begin_;
      size_t scan = avail < static_cast<size_t>(LINE_LIMIT) ? avail : LINE_LIMIT;
      auto* nl = static_cast<char*>(std::memchr(buf_.data + begin_, '\n', scan));
      if (nl != nullptr || scan == static_cast<size_t>(LINE_LIMIT) || eof_) return nl;
      fill();
    }
  }

  // find_nul: nul_ set to the first NUL byte read at or after from.
  void find_nul(size_t from) {
    const void* at = std::memchr(buf_.data + from, '\0', end_ - from);
    nul_ = at == nullptr ? kNone : static_cast<size_t>(static_cast<const char*>(at) - buf_.data);
  }

  void fill() {
    if (begin_ > 0) {
      std::memmove(buf_.data, buf_.data + begin_, end_ - begin_);
      end_ -= begin_;
      if (nul_ != kNone) nul_ -= begin_;
      begin_ = 0;
    }
    const size_t old_end = end_;
    size_t room = static_cast<size_t>(buf_.size) - 1 - end_;
    ssize_t got;
    do {
      got = ::read(fd_, buf_.data + end_, room);
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
      errmsg("%s: reading error\n", name_);
      end_process(1);
    }
    if (got == 0) eof_ = true;
    end_ += static_cast<size_t>(got);
    // One search per block tells which lines hold no NUL of their own, so
    // their length is known without measuring each.
    if (nul_ == kNone) find_nul(old_end);
  }

  const char* name_ = nullptr;
  int fd_ = -1;
  ByteBuf buf_;
  size_t begin_ = 0;
  size_t end_ = 0;
  size_t nul_ = kNone;  // the first NUL byte read at or after begin_, or kNone
  bool eof_ = false;
};

LineFile line_file;

// The command line compiled, and the editor every line goes through.
RuleSet rules;
EditorState& editor = default_editor;

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
  if (text == nullptr) {
    errmsg_text(editor.error.data);
    end_process(1);
  }
  // One write for the line and its newline: the newline stands in for the
  // NUL for a moment (every text here is writable).
  if (len == UNKNOWN_LEN) len = std::strlen(text);
  text[len] = '\n';
  fwrite_unlocked(text, 1, len + 1, stdout);
  text[len] = '\0';
}

// edit_lines: edits the n bytes of whole lines at run (each ending in a
// newline, none too long or holding a NUL) as edit_text edits each alone.
void edit_lines(char* run, size_t n) {
  size_t out_len = n;
  if (const char* text = edit_run(rules, editor, run, &out_len)) {
    fwrite_unlocked(text, 1, out_len, stdout);
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
    errmsg("%s: not found\n", rfile);
    end_process(1);
  }
  int len = 0;
  size_t text_len = 0;
  while (char* line = line_file.next(&len, &text_len)) {
    if (len >= LINE_LIMIT) {
      errmsg("%s \nError: too long line found in %s!\n", line, rfile);
      end_process(1);
    }
    if (!is_blank_line(line)) add_name_indexed(&rule_index, line);
  }
  line_file.close();
}

// edit_file: edits every line of the input file name.
void edit_file(const char* name) {
  if (!line_file.open(name)) {
    errmsg("%s: not found", name);
    end_process(1);
  }
  int len = 0;
  size_t text_len = 0;
  // Once the first line is edited (which makes every rule ready and
  // reports a bad one), runs of lines are edited at once when that does
  // the same.
  bool first = true;
  bool at_once = false;
  for (;;) {
    size_t n = 0;
    if (at_once)
      while (char* run = line_file.lines(&n)) edit_lines(run, n);
    char* line = line_file.next(&len, &text_len);
    if (line == nullptr) break;
    if (len >= LINE_LIMIT) {
      errmsg("%s \nError: too long line found!\n", line);
      end_process(1);
    }
    edit_text(line, text_len);
    if (first) at_once = rules.whole_lines;
    first = false;
  }
  line_file.close();
}

// read_stdin_line: the first line of standard input, whole however long,
// without its newline; null when the input ends before its first byte.
char* read_stdin_line() {
  static ByteBuf line;
  size_t len = 0;
  int c;
  while ((c = getc_unlocked(stdin)) != EOF && c != '\n') {
    line.reserve(len + 2)[len] = static_cast<char>(c);
    ++len;
  }
  if (len == 0 && c == EOF) return nullptr;
  line.reserve(len + 1)[len] = '\0';
  return line.data;
}

void set_brackets(char open, char close) {
  field_bracket_s = open;
  field_bracket_e = close;
}

// set_separator: the -t argument arg. "-t\t" written with a backslash and a
// t means the tab, as the help text tells users to write it.
void set_separator(const char* arg) {
  if (arg[2] == '\\' && arg[3] == 't')
    sep = '\t';
  else
    sep = arg[2];
}

}  // namespace

void reset_settings() {
  output_str = nullptr;
  string = nullptr;
  sep = 0;
  set_brackets(0, 0);
  name_init(&sup_list);
}

void edit_line(char* line) { edit_text(line, UNKNOWN_LEN); }

void run(int argc, char** argv) {
  static char out_buf[1 << 16];
  std::setvbuf(stdout, out_buf, _IOFBF, sizeof out_buf);

  if (argc <= 1) print_usage(0);
  if (argc == 2 && std::strcmp(argv[1], "-usage") == 0) print_usage(1);

  name_init(&sup_list);
  name_index_init(&rule_index, &sup_list);
  int i = 1;
  for (; i < argc; ++i) {
    const char* arg = argv[i];
    const bool has_next = i + 1 < argc;
    if (std::strcmp(arg, "-b") == 0) {
      set_brackets('"', '"');
    } else if (std::strncmp(arg, "-b", 2) == 0 && std::strlen(arg) == 4) {
      set_brackets(arg[2], arg[3]);
    } else if (std::strcmp(arg, "-r") == 0 && has_next) {
      add_name_indexed(&rule_index, argv[++i]);
    } else if (std::strcmp(arg, "-R") == 0 && has_next) {
      read_rule_file(argv[++i]);
    } else if (std::strcmp(arg, "-e") == 0 && has_next) {
      output_str = argv[++i];
    } else if (std::strncmp(arg, "-t", 2) == 0) {
      set_separator(arg);
    } else if (i == argc - 1 || (i == argc - 2 && std::strcmp(arg, "-f") == 0)) {
      break;  // the input operand
    } else {
      errmsg("\"%s\": bad parameter\n", arg);
      end_process(1);
    }
  }

  const char* input_file = nullptr;
  if (i == argc) {
    string = read_stdin_line();
    if (string == nullptr) end_process(0);
  } else if (std::strcmp(argv[i], "-f") == 0) {
    if (i == argc - 1) print_usage(0);
    input_file = argv[i + 1];
  } else {
    string = argv[i];
  }

  compile_command_line();
  clear_captures();
  if (input_file != nullptr)
    edit_file(input_file);
  else
    edit_line(string);
  end_process(0);
}

}  // namespace quorl
