// Name lists: what the library itself adds to the classic name lists of
// quorl/classic/namelist.h. An index beside a list makes adding many names
// (the rules of a long -R file) cost linear time instead of quadratic.
#ifndef QUORL_SUPPORT_NAMELIST_H
#define QUORL_SUPPORT_NAMELIST_H

#include <cstdint>

#include "quorl/classic/namelist.h"

namespace quorl {

// name_index: an index beside a name list, so that adding many names costs
// linear time. It keeps a hash table of the list's entries (each text once,
// at its first entry), the tail and where the first free slot may be; it
// owns only its table. While indexed, the list must change only through
// add_name_indexed; after any other change, name_index_init indexes it again.
struct name_index {
  name_node* list = nullptr;       // the list indexed
  name_node* tail = nullptr;       // its last entry
  name_node* free_from = nullptr;  // no free slot before this entry; null: none
  name_node** slots = nullptr;     // open addressing; null for an empty slot
  uint32_t mask = 0;               // slots - 1 (a power of two less one); 0: no table
  uint32_t count = 0;              // distinct texts in the table
};

// name_index_init: index indexes list as it stands (one walk), releasing its
// former table. 0, or -1 when no memory could be had for the table.
int name_index_init(name_index* index, name_node* list);

// add_name_indexed: add_name on the indexed list, in expected constant time:
// the same list results, with the same return value. -1 also when no memory
// could be had for the table (nothing is stored then).
int add_name_indexed(name_index* index, const char* name);

// name_index_free: releases the table; the list is left as it is.
void name_index_free(name_index* index);

}  // namespace quorl

#endif
