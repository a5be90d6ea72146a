// Error messages.
//
// Every diagnostic of quorl is printed here. A caller passes a printf-style
// format whose text carries its own newlines; the module adds no prefix and
// decides nothing about ending the process. Formats that hold a '%' are
// expanded by err_edit, a small formatter of its own that knows only %c, %d,
// %x, %f and %s and caps a message at about 1024 bytes; formats without a
// '%' are written exactly as they stand, at any length.
//
// The formatted text lives in one module buffer that the next formatting call
// overwrites, so a message must be written before the next is formatted.
#ifndef QUORL_CLASSIC_ERRORS_H
#define QUORL_CLASSIC_ERRORS_H

#include <cstdarg>
#include <cstdio>

namespace quorl {

// Settings the program provides to the library.
extern const char* cmd_name;  // "quorl: "; no operation adds it by itself
extern FILE* errfp;           // null: stderr; ERRFP_STDOUT: stdout; else errmsg1's stream

// The errfp value that sends messages to standard output (all bits set).
inline FILE* const ERRFP_STDOUT = reinterpret_cast<FILE*>(~static_cast<unsigned long>(0));

// Module state.
extern int errmsg_output_flg;  // set to 1 by every errmsg, never cleared
extern int errmsgWrite_flg;    // while nonzero, errmsgf writes to the log
extern FILE* logfp;            // errmsgf's open "message.log", or null

// Size of the message buffer and the formatting limits inside it.
constexpr int ERR_BUF_SIZE = 1280;
constexpr int ERR_TEXT_LIMIT = 1024;
constexpr int ERR_STR_KEEP = 768;

// errmsg: writes the message to stderr (stdout when errfp is ERRFP_STDOUT)
// and sets errmsg_output_flg.
void errmsg(const char* fmt, ...);

// errmsg1: like errmsg, but writes to errfp when it is a stream, and leaves
// errmsg_output_flg alone.
void errmsg1(const char* fmt, ...);

// errmsgf: while errmsgWrite_flg is set, appends the message and "\n" to
// "message.log" (created anew, emptied, at its first message). The format
// "end" closes the log. Returns 0 when logging is off or the log was closed,
// 1 when the message was written, -1 when the log could not be created.
int errmsgf(const char* fmt, ...);

// err_edit: formats fmt with the arguments in ap into the message buffer and
// returns the buffer, valid until the next formatting call. Formatting stops
// once ERR_TEXT_LIMIT bytes are written; an element begun below the limit is
// completed, but nothing ever runs past the buffer.
char* err_edit(const char* fmt, va_list ap);

// Strchr: first byte equal to the low 8 bits of c, stepping over double-byte
// characters whole; null when there is none (so always null for c == 0).
char* Strchr(const char* s, int c);

}  // namespace quorl

#endif
