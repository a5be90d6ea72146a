// Name list: records, hashing, adding and walking.
//
// A name list is a singly linked list of name_node entries, each holding its
// own heap copy of a name and a little data beside it. The head is a record in
// the caller's storage and holds the first entry itself, so an empty list is a
// head whose name is null. An entry whose name is null is a free slot: walks
// that count or compare skip it, and add_name-style adds reuse the first one.
// Entries other than the head are zero-filled blocks from getmem, owned by
// the list.
//
// Every entry keeps name_hash of its name; searches compare hashes before
// texts. The hash folds ASCII letter case, so it filters exact and
// case-folding searches alike.
#ifndef QUORL_CLASSIC_NAMELIST_H
#define QUORL_CLASSIC_NAMELIST_H

#include <cstdint>

namespace quorl {

struct name_node {
  char* name;       // own heap copy, or null for a free slot
  int32_t hash;     // name_hash(name)
  intptr_t value;   // 0, a group number, or an own heap copy of a value text
  int16_t no;       // number within its group; set by the caller
  uint16_t aux;     // free for the caller
  name_node* next;  // following entry, or null at the tail
};

// While nonzero, add_name, add_name2 and add_name3 skip a name already held.
extern int name_lst_dup_check;

// The remembered tails of add_list2 and add_list3, shared by all lists.
extern name_node* add_list2_tail;
extern name_node* add_list3_tail;

// name_hash: sum of the bytes as signed values, ASCII a-z counted as A-Z and
// a double-byte character as both its bytes; 0 for null.
int32_t name_hash(const char* name);

// name_init: empties the list (head name and next null) without releasing
// entries that were linked before.
void name_init(name_node* list);

// add_name, add_name2, add_name3: store a copy of name in the first free slot
// or in a new entry at the tail; value 0, a copy of value, or value itself.
// Return 0, also for a name skipped as a duplicate; -1 when no memory could be
// had (only with a lowered terminate_size).
int add_name(name_node* list, const char* name);
int add_name2(name_node* list, const char* name, const char* value);
int add_name3(name_node* list, const char* name, int value);

// add_list: stores name in the tail when it is a free slot, else appends.
// No duplicate check. 0, or -1 when no memory could be had.
int add_list(name_node* list, const char* name);

// add_list2, add_list3: append after the remembered tail; restart nonzero
// first walks list to its tail and remembers it. -1 when no tail is known.
int add_list2(name_node* list, const char* name, const char* value, int restart);
int add_list3(name_node* list, const char* name, int value, int restart);

}  // namespace quorl

#endif
