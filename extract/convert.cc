#include "extract/convert.h"

#include <cstring>

#include "replace/spec.h"
#include "support/errors.h"
#include "support/exit.h"

namespace quorl {

char conv_buf[CONV_BUF_SIZE];
char csvword_buf[CSVWORD_MAX + 1];
EditorState default_editor;
FieldSyntax default_syntax;

void clear_captures() { default_editor.caps.clear_classes(); }

namespace {

// The specification convert_str built last, compiled.
CompiledSpec conv_spec;

// Carriage return is left out on purpose: it stays part of a word.
bool is_white(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f'; }

// append: copies the n bytes of s to conv_buf at *used and terminates them.
void append(int* used, const char* s, size_t n) {
  std::memcpy(conv_buf + *used, s, n);
  *used += static_cast<int>(n);
  conv_buf[*used] = '\0';
}

// apply_conv_buf: line edited by the specification in conv_buf, in
// default_editor. A fault is printed and gives null, except a bad '$' in a
// to-word, which ends the process.
char* apply_conv_buf(const char* line) {
  compile_spec(conv_buf, &conv_spec, default_syntax.enc);
  size_t len = UNKNOWN_LEN;
  char* result = apply_spec(conv_spec, default_syntax, default_editor, line, &len);
  if (result != nullptr) return result;
  errmsg_text(default_editor.error.data);
  if (default_editor.fault == ErrorCode::bad_to) end_process(1);
  return nullptr;
}

}  // namespace

const char* get_csvword(const char* text, char** word) {
  const char* p = text;
  // White space past the first CSVWORD_MAX bytes is kept as part of the word.
  for (int skipped = 0; skipped < CSVWORD_MAX && is_white(*p); ++skipped) ++p;
  int len = 0;
  while (len < CSVWORD_MAX && *p != '\0' && *p != ',') csvword_buf[len++] = *p++;
  while (len > 0 && is_white(csvword_buf[len - 1])) --len;
  csvword_buf[len] = '\0';
  if (*p == ',') ++p;
  *word = csvword_buf;
  return p;
}

char* convert_str(int whole_word, const char* from_list, const char* to_list, const char* line) {
  const char* from = from_list;
  const char* to = to_list;
  int used = 0;
  conv_buf[0] = '\0';
  for (;;) {
    char* word = nullptr;
    from = get_csvword(from, &word);
    size_t from_len = std::strlen(word);
    if (used + from_len >= static_cast<size_t>(CONV_LIMIT)) return nullptr;
    // The from-word goes into conv_buf before the to-word is split, since
    // both come out of the one word buffer.
    if (from_len > 0) {
      if (whole_word) append(&used, "(", 1);
      append(&used, word, from_len);
      if (whole_word) append(&used, ")", 1);
    }
    to = get_csvword(to, &word);
    size_t to_len = std::strlen(word);
    if (from_len == 0 && to_len == 0) return apply_conv_buf(line);
    if (from_len == 0 || to_len == 0) return nullptr;
    if (used + to_len >= static_cast<size_t>(CONV_LIMIT)) return nullptr;
    append(&used, ":", 1);
    append(&used, word, to_len);
    append(&used, ",", 1);
  }
}

}  // namespace quorl
