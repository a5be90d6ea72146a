#include "support/errors.h"

#include <cstring>

#include "support/sjis.h"

namespace quorl {

const char* cmd_name = "quorl: ";
FILE* errfp = nullptr;
int errmsg_output_flg = 0;
int errmsgWrite_flg = 0;
FILE* logfp = nullptr;

namespace {

char msg_buf[ERR_BUF_SIZE];

// append: copies n bytes to the message in buf at *len, never past the last
// byte that still leaves room for the terminating NUL.
void append(char* buf, int* len, const char* s, size_t n) {
  size_t room = static_cast<size_t>(ERR_BUF_SIZE - 1 - *len);
  if (n > room) n = room;
  std::memcpy(buf + *len, s, n);
  *len += static_cast<int>(n);
}

// edit_into: err_edit into buf (ERR_BUF_SIZE bytes).
void edit_into(char* buf, const char* fmt, va_list ap);

// message_text: the text errmsg and its relatives write for fmt.
const char* message_text(const char* fmt, va_list ap) {
  if (Strchr(fmt, '%') == nullptr) return fmt;
  return err_edit(fmt, ap);
}

FILE* errmsg_stream() { return errfp == ERRFP_STDOUT ? stdout : stderr; }

}  // namespace

namespace {

void edit_into(char* buf, const char* fmt, va_list ap) {
  int len = 0;
  char num[400];
  const char* p = fmt;
  while (len < ERR_TEXT_LIMIT && *p != '\0') {
    if (p[0] == '\\' && p[1] != '\0') {
      append(buf, &len, p + 1, 1);
      p += 2;
    } else if (p[0] == '%' && p[1] != '\0' && std::strchr("cdxfs", p[1]) != nullptr) {
      int n = 0;
      switch (p[1]) {
        case 'c': {
          char c = static_cast<char>(va_arg(ap, int));
          append(buf, &len, &c, 1);
          break;
        }
        case 'd':
          n = std::snprintf(num, sizeof num, "%d", va_arg(ap, int));
          append(buf, &len, num, static_cast<size_t>(n));
          break;
        case 'x':
          n = std::snprintf(num, sizeof num, "%x", va_arg(ap, unsigned));
          append(buf, &len, num, static_cast<size_t>(n));
          break;
        case 'f':
          n = std::snprintf(num, sizeof num, "%f", va_arg(ap, double));
          append(buf, &len, num, n < static_cast<int>(sizeof num) ? static_cast<size_t>(n) : sizeof num - 1);
          break;
        case 's': {
          const char* s = va_arg(ap, const char*);
          if (s == nullptr) s = "(null)";
          size_t sl = std::strlen(s);
          if (sl + static_cast<size_t>(len) > static_cast<size_t>(ERR_TEXT_LIMIT))
            sl = len < ERR_STR_KEEP ? static_cast<size_t>(ERR_STR_KEEP - len) : 0;
          append(buf, &len, s, sl);
          break;
        }
      }
      p += 2;
    } else if (p[0] == '%' && p[1] != '\0') {
      // Flags, widths and "%%" are not understood: both bytes stand as text.
      append(buf, &len, p, 2);
      p += 2;
    } else {
      append(buf, &len, p, 1);
      p += 1;
    }
  }
  buf[len] = '\0';
}

}  // namespace

char* err_edit(const char* fmt, va_list ap) {
  edit_into(msg_buf, fmt, ap);
  return msg_buf;
}

void format_message(ByteBuf* out, const char* fmt, ...) {
  out->clear();
  if (Strchr(fmt, '%') == nullptr) {
    out->append(fmt, std::strlen(fmt));
  } else {
    char buf[ERR_BUF_SIZE];
    va_list ap;
    va_start(ap, fmt);
    edit_into(buf, fmt, ap);
    va_end(ap);
    out->append(buf, std::strlen(buf));
  }
  out->terminate();
}

namespace {

void append_vprintf(ByteBuf* out, const char* fmt, va_list ap) {
  va_list again;
  va_copy(again, ap);
  const int n = std::vsnprintf(nullptr, 0, fmt, again);
  va_end(again);
  if (n > 0) {
    const size_t at = out->len;
    out->reserve(at + static_cast<size_t>(n) + 1);
    std::vsnprintf(out->data + at, static_cast<size_t>(n) + 1, fmt, ap);
    out->len = at + static_cast<size_t>(n);
  }
  out->terminate();
}

}  // namespace

void append_printf(ByteBuf* out, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  append_vprintf(out, fmt, ap);
  va_end(ap);
}

void report(const char* fmt, ...) {
  ByteBuf text;
  va_list ap;
  va_start(ap, fmt);
  append_vprintf(&text, fmt, ap);
  va_end(ap);
  errmsg_text(text.data);
}

void errmsg_text(const char* text) {
  std::fputs(text, errmsg_stream());
  errmsg_output_flg = 1;
}

void errmsg(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  const char* text = message_text(fmt, ap);
  va_end(ap);
  std::fputs(text, errmsg_stream());
  errmsg_output_flg = 1;
}

void errmsg1(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  const char* text = message_text(fmt, ap);
  va_end(ap);
  FILE* out = errfp == ERRFP_STDOUT ? stdout : errfp != nullptr ? errfp : stderr;
  std::fputs(text, out);
}

int errmsgf(const char* fmt, ...) {
  if (errmsgWrite_flg == 0) return 0;
  if (std::strcmp(fmt, "end") == 0) {
    if (logfp != nullptr) std::fclose(logfp);
    logfp = nullptr;
    return 0;
  }
  va_list ap;
  va_start(ap, fmt);
  const char* text = message_text(fmt, ap);
  va_end(ap);
  if (logfp == nullptr) {
    // Binary: the log holds the messages' bytes as they are on every system.
    logfp = std::fopen("message.log", "wb");
    if (logfp == nullptr) return -1;
  }
  std::fputs(text, logfp);
  std::fputs("\n", logfp);
  return 1;
}

char* Strchr(const char* s, int c) {
  const unsigned char want = static_cast<unsigned char>(c);
  for (const char* p = s; *p != '\0'; p += char_len(p)) {
    if (static_cast<unsigned char>(*p) == want) return const_cast<char*>(p);
  }
  return nullptr;
}

}  // namespace quorl
