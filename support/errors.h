// Error messages: what the library itself adds to the classic helpers of
// quorl/classic/errors.h. A message can be made into a buffer of the
// caller's (safe from any thread, so that a library call hands it back
// instead of printing it) and written later; messages that carry a file
// name or a line are formatted at any length.
#ifndef QUORL_SUPPORT_ERRORS_H
#define QUORL_SUPPORT_ERRORS_H

#include "quorl/classic/errors.h"
#include "platform/platform.h"
#include "support/bytebuf.h"

namespace quorl {

// format_message: the text errmsg would write for fmt and its arguments,
// made in *out (NUL-terminated, out->len its length): safe from any thread.
void format_message(ByteBuf* out, const char* fmt, ...);

// append_printf: fmt and its arguments, formatted by the C library's printf
// rules at any length, appended to *out, which stays NUL-terminated. For the
// messages that carry a file name or a line: a name up to PATH_MAX bytes is
// never cut, as the classic formatter err_edit would cut it.
void append_printf(ByteBuf* out, const char* fmt, ...) QUORL_PRINTF_FORMAT(2, 3);

// report: writes the message append_printf makes, where errmsg writes, and
// sets errmsg_output_flg.
void report(const char* fmt, ...) QUORL_PRINTF_FORMAT(1, 2);

// errmsg_text: writes text exactly as it stands, where errmsg writes, and
// sets errmsg_output_flg (for a message made earlier by format_message).
void errmsg_text(const char* text);

}  // namespace quorl

#endif
