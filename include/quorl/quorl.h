// quorl as a library: edit one text with paired word lists.
//
// convert_str turns two comma-separated word lists into one replacement
// specification, the i-th word of the first list to be replaced by the i-th
// word of the second, and applies it to a text with quorl's replacement
// engine. Link the quorl library and include this header alone.
//
// Texts are NUL-terminated bytes; a Shift_JIS lead byte with its second byte
// is one character. Words are used as they stand, nothing is escaped: the
// bytes that mean something in a replacement specification keep their
// meaning ('$' elements, '?', '\' and ':' in a from-word; '$' elements and
// '\' in a to-word). A comma cannot occur in a word.
//
// Memory: the returned texts live in buffers of the library that are reused
// by the next call; copy what you want to keep. Nothing here is reentrant
// or thread-safe.
//
// Errors: a specification the engine rejects prints its message on standard
// error and gives a null result. A to-word holding a '$' that starts no
// element, or running out of memory, ends the process with status 1.
#ifndef QUORL_QUORL_H
#define QUORL_QUORL_H

namespace quorl {

// The longest word get_csvword hands out; a longer word is cut there and its
// remainder becomes the next word.
constexpr int CSVWORD_MAX = 1024;

// The length limit of the specification convert_str builds: it gives up
// when the text built so far plus the next word would reach this many bytes
// (the parentheses, colon and comma around that word are not counted).
constexpr int CONV_LIMIT = 4096;

// convert_str: line edited by the pairs of from_list and to_list, matched as
// whole words when whole_word is nonzero. Returns the edited text, valid
// until the next call into the library; line itself is not changed.
// Returns null without a message, leaving the text unedited, when the lists
// differ in length, when a word is empty where the other list has one (so a
// word cannot be deleted), or when the specification reaches CONV_LIMIT.
// Returns null after a message on standard error when the engine rejects
// the specification built: two empty lists build an empty one, and with
// whole_word a word of digits alone reads as a field number.
char* convert_str(int whole_word, const char* from_list, const char* to_list, const char* line);

// get_csvword: splits the next word off the comma-separated list at text.
// Blanks, tabs, newlines and form feeds around the word are dropped. *word
// receives the word, in a library buffer that the next call overwrites.
// Returns where the next word begins: past the comma that ended this one,
// or at the terminating NUL, where every further call gives an empty word.
const char* get_csvword(const char* text, char** word);

}  // namespace quorl

#endif
