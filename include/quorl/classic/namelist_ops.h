// Name list: lookup, iteration, sorting and removal.
//
// Further operations on the name lists of quorl/classic/namelist.h. Positions
// count only entries that hold a name, from 0 at the head; free slots are
// skipped by every walk that counts or compares. Searches by name compare the
// stored hash before the texts.
//
// Every operation takes the list as a pointer to its head. The searches, the
// sorts and set_allname take a null list for an empty one; del_allname and
// del_allname2 need a head. Returned names and entries belong to the list.
// Nothing here prints a message of its own; exhausted memory in the sorts and
// in ren_name ends the process through the memory helpers.
#ifndef QUORL_CLASSIC_NAMELIST_OPS_H
#define QUORL_CLASSIC_NAMELIST_OPS_H

#include <cstdint>

#include "quorl/classic/namelist.h"

namespace quorl {

// Order of name_sort: 0 by name (StrCmp), otherwise by value as an unsigned
// number and then by name.
extern int name_sort_mode;

// The get_name iteration, shared by all lists: the next position, and the
// direction it moves in (GET_NAME_NONE before the first start).
constexpr int GET_NAME_NONE = 0;
constexpr int GET_NAME_FORWARD = 1;
constexpr int GET_NAME_BACKWARD = -1;
extern int get_name_pos;
extern int get_name_dir;

// What get_namearea reports about the group of a name.
struct name_area {
  char* name;   // the found entry's name
  void* user;   // free for the caller; get_namearea leaves it alone
  int group;    // the found entry's value
  int count;    // entries in the group's first run
  int first;    // position of the run's first entry
  int last;     // position of the run's last entry
};

// The payload of one entry, as the sorts move it.
struct name_data {
  char* name;
  int32_t hash;
  intptr_t value;
  int16_t no;
  uint16_t aux;
};

// check_name: 1 when ser_name finds name, else 0.
int check_name(name_node* list, const char* name);

// count_names: the number of entries that hold a name.
int count_names(name_node* list);

// ser_name: the first entry whose name equals name byte for byte, or null.
name_node* ser_name(name_node* list, const char* name);

// get_name_value: the value of the entry ser_name finds, or 0.
intptr_t get_name_value(name_node* list, const char* name);

// get_name: the iteration. Mode 0 starts forwards at position 0, mode -1
// starts backwards at the last name, any other mode goes on. Returns the name
// at the current position and steps it, or null (the position kept) when no
// entry holds that position. Before any start every call gives position 0.
char* get_name(name_node* list, int mode);

// get_name2: the name at position pos; null when pos is negative or beyond
// the last name.
char* get_name2(name_node* list, int pos);

// get_namePtr2: the entry at position pos, or null.
name_node* get_namePtr2(name_node* list, int pos);

// get_nameNo: position of the first entry whose name equals name (strcmp),
// or -1. get_NameNo: the same with StrCmp, so ASCII case does not matter.
int get_nameNo(name_node* list, const char* name);
int get_NameNo(name_node* list, const char* name);

// get_nameNo2: position of the first name equal to name (strcmp for mode 0,
// StrCmp otherwise); when there is none, minus the position of the last
// name that name compares greater than, or 0 when there is no such name.
int get_nameNo2(name_node* list, const char* name, int mode);

// get_nameNoByGroupNo: position of the entry with value group and no number,
// searched within the group's first run only; -1 when it is not there.
int get_nameNoByGroupNo(name_node* list, int group, int number);

// get_namearea: fills area for the group of the entry holding name: its
// first run of entries with that value. Returns the run's count, or 0 (with
// name, count, first and last set to 0) when name is absent.
int get_namearea(name_node* list, const char* name, name_area* area);

// name_sort: sorts the payloads of the named entries in place by
// name_sort_mode; links and free slots stay. 0, or -1 with the list as it was
// when no table could be had (only with a lowered terminate_size).
int name_sort(name_node* list);

// name_sort2: sorts the names alone by StrCmp, hands them out to the named
// entries in list order, and strips from each name everything up to and
// including its first byte 0x01. value, no and aux stay. 0, or -1 as for
// name_sort.
int name_sort2(name_node* list);

// Comparators on table slots: comp_namedata and comp_valuedata take pointers
// to two name_data slots, comp_argdata pointers to two name pointers. Each
// gives -1, 0 or 1.
int comp_namedata(const void* a, const void* b);
int comp_valuedata(const void* a, const void* b);
int comp_argdata(const void* a, const void* b);

// del_allname: releases every entry after the head and every name, and
// leaves the head empty. del_allname2: also releases the value texts of a
// list filled by add_name2 or add_list2, the head's value becoming null.
void del_allname(name_node* list);
void del_allname2(name_node* list);

// set_allname: overwrites the names of the existing entries with the first n
// pointers of names (stored as they are, old names not released) and the
// rest with null; every value becomes 0. No entries are added.
void set_allname(name_node* list, char** names, int n);

// del_name: releases the name ser_name finds, leaving a free slot. 0, or -1
// when name is absent.
int del_name(name_node* list, const char* name);

// ren_name: gives the entry ser_name finds for old_name a copy of new_name.
// No duplicate check. 0, or -1 when old_name is absent.
int ren_name(name_node* list, const char* old_name, const char* new_name);

}  // namespace quorl

#endif
