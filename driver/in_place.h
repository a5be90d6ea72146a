// Editing a file in place, as one transaction.
//
// The edited text is compared with the file as it comes: as long as it
// equals the file nothing is written, so a file that does not change is
// never rewritten. From the first difference on it goes to a new file in the
// file's directory (symbolic links followed) that has no name yet
// (O_TMPFILE; a short hidden name where the file system cannot make unnamed
// files). The new file takes the file's permission bits, owner and group
// where allowed, its ACL and its extended attributes. At the end it is
// flushed to disk, given a name and renamed over the file, after the
// original was linked (or copied) to the backup name when one was asked for.
//
// Each file of a run is its own transaction: the ones before a fault keep
// their edits.
//
// A file that changed while it was edited (another writer, a log rotated by
// truncation) is left as that writer left it: "NAME: changed while being
// edited". Every other end (a message, SIGHUP, SIGINT, SIGQUIT, SIGPIPE,
// SIGTERM, SIGXFSZ) leaves the file as it was and no new file behind; even
// SIGKILL leaves at most an unnamed file, which the file system frees.
#ifndef QUORL_DRIVER_IN_PLACE_H
#define QUORL_DRIVER_IN_PLACE_H

#include <cstddef>

namespace quorl {

// in_place_check_name: ends the process, before anything is read, when
// file names nothing to edit in place: no file (null) or standard input.
void in_place_check_name(const char* file);

// in_place_begin: the transaction on file started, backup_suffix naming the
// backup (null: none). The checks that need no reading come first: no
// such file, a file that is not a regular file, an existing backup; each
// is reported and returns false, before anything of the file is read or
// written. A run edits its files one transaction after the other.
bool in_place_begin(const char* file, const char* backup_suffix);

// in_place_write: n more bytes of the edited text. False after a message.
bool in_place_write(const char* s, size_t n);

// in_place_commit: the edited file put in place (nothing done when it
// equals the file). False after a message, the file left untouched.
bool in_place_commit();

// in_place_discard: the new file dropped; the file is as it was.
void in_place_discard();

}  // namespace quorl

#endif
