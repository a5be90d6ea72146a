// The C API of include/quorl/quorl_c.h, over quorl::Rules and quorl::Editor.
//
// A handle is the C++ object itself, with what C reads kept beside it. No
// exception may cross into C: the only one the API can meet is a failed
// request for memory, which becomes a null handle or QUORL_NO_MEMORY.
#include "quorl/quorl_c.h"

#include <string>
#include <string_view>

#include "quorl/quorl.h"

static_assert(QUORL_UNCLOSED_QUOTE == static_cast<int>(quorl::ErrorCode::unclosed_quote) &&
                  QUORL_NOT_FOUND == static_cast<int>(quorl::ErrorCode::not_found) &&
                  QUORL_LINE_TOO_LONG == static_cast<int>(quorl::ErrorCode::line_too_long) &&
                  QUORL_SINK_STOPPED == static_cast<int>(quorl::ErrorCode::sink_stopped) &&
                  QUORL_READ_ERROR == static_cast<int>(quorl::ErrorCode::read_error) &&
                  QUORL_NO_MEMORY == static_cast<int>(quorl::ErrorCode::no_memory) &&
                  QUORL_NUL_BYTE == static_cast<int>(quorl::ErrorCode::nul_byte) &&
                  QUORL_BAD_BRACKETS == static_cast<int>(quorl::ErrorCode::bad_brackets) &&
                  QUORL_BAD_TEMPLATE == static_cast<int>(quorl::ErrorCode::bad_template) &&
                  QUORL_BAD_TO == static_cast<int>(quorl::ErrorCode::bad_to) &&
                  QUORL_BAD_ITEM == static_cast<int>(quorl::ErrorCode::bad_item),
              "quorl_error_code numbers the faults as quorl::ErrorCode");
static_assert(QUORL_SJIS == static_cast<int>(quorl::Encoding::sjis) &&
                  QUORL_UTF8 == static_cast<int>(quorl::Encoding::utf8) &&
                  QUORL_EUCJP == static_cast<int>(quorl::Encoding::eucjp) &&
                  QUORL_BYTES == static_cast<int>(quorl::Encoding::bytes),
              "quorl_encoding numbers the encodings as quorl::Encoding");

struct quorl_rules {
  quorl::Rules rules;
};

struct quorl_editor {
  quorl::Editor editor;
  // The message of the last failed edit. Every message the editor hands
  // out lies in a NUL-terminated buffer (the editor's own, or the rule
  // set's), so its data can go to C as it is.
  std::string_view error;
};

namespace quorl {
namespace {

// text_of: a C text of the options; null is none.
std::string text_of(const char* text) { return text != nullptr ? text : ""; }

// view: the n bytes at p (p may be null when n is 0).
std::string_view view(const char* p, size_t n) { return n == 0 ? std::string_view() : std::string_view(p, n); }

// many_lines: edit (edit_lines or edit_stream, given the C++ sink) run for
// the C editor and sink, the outcome told the C way.
template <class Edit>
quorl_error_code many_lines(quorl_editor* editor, quorl_sink sink, void* context, Edit edit) {
  const Sink to_c = [sink, context](std::string_view b) { return sink(context, b.data(), b.size()) == 0; };
  LinesEdited r;
  try {
    r = edit(to_c);
  } catch (...) {
    r.code = ErrorCode::no_memory;
    r.error = "cannot get memory\n";
  }
  editor->error = r.error;
  return static_cast<quorl_error_code>(r.code);
}

}  // namespace
}  // namespace quorl

extern "C" {

quorl_rules* quorl_rules_new(const quorl_options* options) { return quorl_rules_new_more(options, nullptr); }

quorl_rules* quorl_rules_new_more(const quorl_options* options, const quorl_more_options* more) {
  try {
    quorl::RuleOptions cxx;
    cxx.specs.assign(options->specs, options->specs + options->spec_count);
    cxx.separator = quorl::text_of(options->separator);
    cxx.brackets = quorl::text_of(options->brackets);
    if (options->extract != nullptr) cxx.extract = options->extract;
    cxx.encoding = static_cast<quorl::Encoding>(options->encoding);
    // Only the fields the caller's struct has are read.
    if (more != nullptr && more->size >= offsetof(quorl_more_options, csv) + sizeof more->csv)
      cxx.csv = more->csv != 0;
    return new quorl_rules{quorl::Rules(cxx)};
  } catch (...) {
    return nullptr;
  }
}

quorl_error_code quorl_rules_error(const quorl_rules* rules, quorl_error* error) {
  const quorl::RuleError& e = rules->rules.error();
  *error = quorl_error{static_cast<quorl_error_code>(e.code), e.message.c_str(), e.spec, e.item,
                       e.offset};
  return error->code;
}

void quorl_rules_free(quorl_rules* rules) { delete rules; }

quorl_editor* quorl_editor_new(const quorl_rules* rules) {
  try {
    return new quorl_editor{quorl::Editor(rules->rules), {}};
  } catch (...) {
    return nullptr;
  }
}

void quorl_editor_free(quorl_editor* editor) { delete editor; }

quorl_error_code quorl_edit(quorl_editor* editor, const char* line, size_t len, const char** text,
                            size_t* text_len) {
  *text = nullptr;
  *text_len = 0;
  try {
    const std::string_view in = len == 0 ? std::string_view() : std::string_view(line, len);
    const quorl::Edited out = editor->editor.edit(in);
    editor->error = out.error;
    if (!out) return static_cast<quorl_error_code>(out.code);
    *text = out.text.data();
    *text_len = out.text.size();
    return QUORL_OK;
  } catch (...) {
    editor->error = "cannot get memory\n";
    return QUORL_NO_MEMORY;
  }
}

const char* quorl_editor_error(const quorl_editor* editor) {
  return editor->error.empty() ? "" : editor->error.data();
}

quorl_error_code quorl_edit_lines(quorl_editor* editor, const char* text, size_t len, int crlf, quorl_sink sink,
                                  void* context) {
  return quorl::many_lines(editor, sink, context, [&](const quorl::Sink& to_c) {
    return quorl::edit_lines(editor->editor, quorl::view(text, len), to_c, {crlf != 0});
  });
}

quorl_error_code quorl_edit_fd(quorl_editor* editor, int fd, int crlf, quorl_sink sink, void* context) {
  return quorl::many_lines(editor, sink, context, [&](const quorl::Sink& to_c) {
    return quorl::edit_stream(editor->editor, fd, to_c, {crlf != 0});
  });
}

size_t quorl_check(const char* text, size_t len, quorl_encoding encoding, quorl_invalid* found, size_t max) {
  try {
    const auto bad = quorl::check(quorl::view(text, len), static_cast<quorl::Encoding>(encoding));
    for (size_t k = 0; k < bad.size() && k < max; ++k)
      found[k] = quorl_invalid{bad[k].line, bad[k].column, bad[k].bytes.data(), bad[k].bytes.size()};
    return bad.size();
  } catch (...) {
    return static_cast<size_t>(-1);
  }
}

}  // extern "C"
