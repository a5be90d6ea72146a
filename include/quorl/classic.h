// quorl's classic routines.
//
// The routines of quorl's first library, with their first contract: they
// work on process-wide settings and buffers, print their messages on
// standard error (or where errfp says) and several of them end the process
// with status 1: on exhausted memory, on a bad '$' in a to-word of
// convert_str, and wherever their declarations say so. None of them is
// reentrant or thread-safe. A program that wants none of that uses
// quorl/quorl.h alone.
//
//   convert_str, get_csvword   one text edited with paired word lists (below)
//   quorl/classic/memory.h     memory helpers: getmem, moremem, setstr, ...
//   quorl/classic/errors.h     error messages: errmsg, errmsgf, err_edit
//   quorl/classic/namelist.h   name lists: records, adding and walking
//   quorl/classic/namelist_ops.h  name lists: lookup, iteration, sorting, removal
//   quorl/classic/files.h, disk.h  file, path and disk utilities
//   quorl/classic/blocks.h, case.h, compare.h, scan.h, search.h, skip.h,
//   tabs.h, wildcard.h         string, character and parsing utilities
//
// Texts are NUL-terminated bytes; a Shift_JIS lead byte with its second byte
// is one character. Link quorl's classic library (find_package(quorl):
// quorl::classic, or pkg-config quorl-classic): a static archive that holds
// the engine these routines need, so their settings are the program's own.
// It needs C++17.
#ifndef QUORL_CLASSIC_H
#define QUORL_CLASSIC_H

#include "quorl/classic/blocks.h"
#include "quorl/classic/case.h"
#include "quorl/classic/compare.h"
#include "quorl/classic/disk.h"
#include "quorl/classic/errors.h"
#include "quorl/classic/files.h"
#include "quorl/classic/memory.h"
#include "quorl/classic/namelist.h"
#include "quorl/classic/namelist_ops.h"
#include "quorl/classic/scan.h"
#include "quorl/classic/search.h"
#include "quorl/classic/skip.h"
#include "quorl/classic/tabs.h"
#include "quorl/classic/wildcard.h"

namespace quorl {

// The longest word get_csvword hands out; a longer word is cut there and its
// remainder becomes the next word.
constexpr int CSVWORD_MAX = 1024;

// The length limit of the specification convert_str builds: it gives up
// when the text built so far plus the next word would reach this many bytes
// (the parentheses, colon and comma around that word are not counted).
constexpr int CONV_LIMIT = 4096;

// convert_str: line edited by the pairs of from_list and to_list, matched as
// whole words when whole_word is nonzero. The i-th word of the first list is
// replaced by the i-th word of the second. Words are used as they stand,
// nothing is escaped: the bytes that mean something in a replacement
// specification keep their meaning ('$' elements, '?', '\' and ':' in a
// from-word; '$' elements and '\' in a to-word). A comma cannot occur in a
// word. Returns the edited text, in a library buffer valid until the next
// call into the library; line itself is not changed.
// Returns null without a message, leaving the text unedited, when the lists
// differ in length, when a word is empty where the other list has one (so a
// word cannot be deleted), or when the specification reaches CONV_LIMIT.
// Returns null after a message on standard error when the engine rejects
// the specification built: two empty lists build an empty one, and with
// whole_word a word of digits alone reads as a field number. A to-word
// holding a '$' that starts no element, or running out of memory, ends the
// process with status 1.
char* convert_str(int whole_word, const char* from_list, const char* to_list, const char* line);

// get_csvword: splits the next word off the comma-separated list at text.
// Blanks, tabs, newlines and form feeds around the word are dropped. *word
// receives the word, in a library buffer that the next call overwrites.
// Returns where the next word begins: past the comma that ended this one,
// or at the terminating NUL, where every further call gives an empty word.
const char* get_csvword(const char* text, char** word);

}  // namespace quorl

#endif
