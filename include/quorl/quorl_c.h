/* quorl from C, and from any language that can call C (Python through
 * ctypes or cffi, Rust, Go).
 *
 * The same library as quorl/quorl.h, behind opaque handles: a rule set is
 * compiled once (quorl_rules_new) and tells every fault it holds at once;
 * lines are edited through an editor (quorl_editor_new, quorl_edit), which
 * reports the fault a line meets, as the command line does. Faults are
 * values: a quorl_error_code to branch on and the message the command line
 * prints. Nothing here prints, keeps process-wide state or ends the
 * process, and no C++ exception leaves it.
 *
 * Texts are bytes; a character of several bytes (in the chosen encoding)
 * is never cut. The texts of the options are NUL-terminated; a line is a
 * pointer and a length, and a line holding a NUL byte is an error.
 *
 * Threads: a rule set is never changed once built, and any number of
 * threads may share one; an editor serves one thread at a time.
 *
 * Link libquorl (pkg-config quorl, or CMake quorl::quorl) with a C++
 * linker, or against the shared libquorl.so, which needs nothing more. */
#ifndef QUORL_QUORL_C_H
#define QUORL_QUORL_C_H

#include <stddef.h>

#include "quorl/export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The faults, numbered as quorl::ErrorCode. */
typedef enum quorl_error_code {
  QUORL_OK = 0,
  QUORL_BAD_ITEM = 1,      /* an item not [(<no>)]<from>:[<to>], or the field number 0 */
  QUORL_BAD_TO = 2,        /* a '$' in a <to> that starts no element */
  QUORL_BAD_TEMPLATE = 3,  /* a malformed -e template */
  QUORL_BAD_BRACKETS = 4,  /* a -b text neither two bytes nor two characters */
  QUORL_NUL_BYTE = 5,      /* a line that holds a NUL byte */
  QUORL_NO_MEMORY = 6,     /* a request for memory that could not be met */
  QUORL_READ_ERROR = 7,    /* a stream that could not be read */
  QUORL_SINK_STOPPED = 8,  /* the sink of many edited lines asked to stop */
  QUORL_LINE_TOO_LONG = 9, /* a line at or over the line limit asked for */
  QUORL_NOT_FOUND = 10,    /* a file that cannot be opened as a file */
  QUORL_UNCLOSED_QUOTE = 11 /* a CSV record whose quoted field runs to the end of the input */
} quorl_error_code;

/* How bytes form characters, numbered as quorl::Encoding. */
typedef enum quorl_encoding {
  QUORL_SJIS = 0,
  QUORL_UTF8 = 1,
  QUORL_EUCJP = 2,
  QUORL_BYTES = 3
} quorl_encoding;

/* What a rule set is compiled from, as the command line reads it: specs,
 * the spec_count -r texts in order (a text given again is applied once, at
 * its first place); separator, the -t text; brackets, the -b text; extract,
 * the -e template. A null separator, brackets or extract is none, as is an
 * empty separator or brackets. */
typedef struct quorl_options {
  const char* const* specs;
  size_t spec_count;
  const char* separator;
  const char* brackets;
  const char* extract;
  quorl_encoding encoding;
} quorl_options;

/* The first fault of a rule set: code (QUORL_OK when there is none); the
 * message the command line prints, NUL-terminated, valid as long as the
 * rule set; the index in specs of the specification at fault, the item
 * within it counted from 0, and the byte offset where the fault stands in
 * that specification (in the template for QUORL_BAD_TEMPLATE, where spec
 * and item are -1; for QUORL_BAD_BRACKETS they are -1, -1 and 0). */
typedef struct quorl_error {
  quorl_error_code code;
  const char* message;
  int spec;
  int item;
  size_t offset;
} quorl_error;

typedef struct quorl_rules quorl_rules;
typedef struct quorl_editor quorl_editor;

/* quorl_rules_new: the rule set options describe, compiled; it copies what
 * it needs. Null only when memory runs out. A rule set at fault is still
 * returned: see quorl_rules_error, and quorl_edit for how it edits. */
QUORL_API quorl_rules* quorl_rules_new(const quorl_options* options);

/* Options added since quorl_options, which keeps its layout so that
 * programs built before still run: size, sizeof(quorl_more_options) as the
 * caller was built (a field past it is taken as zero, so fields are only
 * ever added at the end); csv, nonzero for CSV fields, cut at the
 * separator or, when there is none, at ",", as --csv has them (a record
 * is one line here: a line that leaves a quoted field open is
 * QUORL_UNCLOSED_QUOTE). */
typedef struct quorl_more_options {
  size_t size;
  int csv;
} quorl_more_options;

/* quorl_rules_new_more: quorl_rules_new with the options of more too (null:
 * none). */
QUORL_API quorl_rules* quorl_rules_new_more(const quorl_options* options, const quorl_more_options* more);

/* quorl_rules_error: the first fault of rules, written to *error; returns
 * its code. */
QUORL_API quorl_error_code quorl_rules_error(const quorl_rules* rules, quorl_error* error);

/* quorl_rules_free: releases rules; editors made from it keep working.
 * Null is ignored. */
QUORL_API void quorl_rules_free(quorl_rules* rules);

/* quorl_editor_new: an editor for rules. What the rules capture carries
 * over from one line to the next of the same editor. Null only when memory
 * runs out. */
QUORL_API quorl_editor* quorl_editor_new(const quorl_rules* rules);

/* quorl_editor_free: releases editor. Null is ignored. */
QUORL_API void quorl_editor_free(quorl_editor* editor);

/* quorl_edit: the len bytes at line edited by every specification, then
 * rebuilt by the template. On QUORL_OK *text points at the result (*text_len
 * bytes, then a NUL). Otherwise the code of the fault the line met (a
 * rule's fault reached by this line, a NUL byte, exhausted memory; with bad
 * brackets every edit fails), *text is null and quorl_editor_error gives
 * the message. The result or message stays valid until the editor's next
 * edit. */
QUORL_API quorl_error_code quorl_edit(quorl_editor* editor, const char* line, size_t len,
                                      const char** text, size_t* text_len);

/* quorl_editor_error: the message of the editor's last failed edit,
 * NUL-terminated; "" when its last edit succeeded or it has made none. */
QUORL_API const char* quorl_editor_error(const quorl_editor* editor);

/* Many lines, cut as the command line cuts its input: at each newline, the
 * last line with or without one; with crlf nonzero a CR right before the
 * newline belongs to the line ending. No length limit. The edited lines go
 * to sink with their endings (CR LF where one ended the line, else a
 * newline), many at a time; a sink that returns nonzero stops the edit.
 * The code and quorl_editor_error tell what stopped the line after those
 * handed on: a fault it met, QUORL_NUL_BYTE, QUORL_READ_ERROR or
 * QUORL_SINK_STOPPED. */
typedef int (*quorl_sink)(void* context, const char* bytes, size_t n);

/* quorl_edit_lines: every line of the len bytes at text. */
QUORL_API quorl_error_code quorl_edit_lines(quorl_editor* editor, const char* text, size_t len, int crlf,
                                            quorl_sink sink, void* context);

/* quorl_edit_fd: every line read from the file descriptor fd, to its end
 * (the descriptor is left open). */
QUORL_API quorl_error_code quorl_edit_fd(quorl_editor* editor, int fd, int crlf, quorl_sink sink,
                                         void* context);

/* An invalid sequence: its line and column (from 1; the column counts
 * bytes) and its bytes, which lie in the text checked. */
typedef struct quorl_invalid {
  size_t line;
  size_t column;
  const char* bytes;
  size_t len;
} quorl_invalid;

/* quorl_check: the sequences of the len bytes at text that are no
 * character of encoding, in order: the first max of them written to found
 * (which may be null when max is 0); returns how many there are in all,
 * or (size_t)-1 when memory runs out. */
QUORL_API size_t quorl_check(const char* text, size_t len, quorl_encoding encoding, quorl_invalid* found,
                             size_t max);

#ifdef __cplusplus
}
#endif

#endif
