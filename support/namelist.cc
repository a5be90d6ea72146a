#include "support/namelist.h"

#include <cstdint>
#include <cstring>

#include "support/memory.h"
#include "support/sjis.h"

namespace quorl {

int name_lst_dup_check = 1;
name_node* add_list2_tail = nullptr;
name_node* add_list3_tail = nullptr;

namespace {

// store: fills entry with a copy of name, its hash and value.
void store(name_node* entry, const char* name, intptr_t value) {
  entry->name = setstr(name);
  entry->hash = name_hash(name);
  entry->value = value;
}

// append_after: a new entry holding name and value linked after last; null
// when getmem failed softly.
name_node* append_after(name_node* last, const char* name, intptr_t value) {
  auto* entry = static_cast<name_node*>(getmem(sizeof(name_node)));
  if (entry == nullptr) return nullptr;
  store(entry, name, value);
  entry->next = nullptr;
  last->next = entry;
  return entry;
}

name_node* tail_of(name_node* list) {
  name_node* p = list;
  while (p->next != nullptr) p = p->next;
  return p;
}

intptr_t value_copy(const char* value) {
  return reinterpret_cast<intptr_t>(setstr(value));
}

// add_unique: the common body of add_name, add_name2 and add_name3. The value
// is made only once the name is known to be stored.
template <typename MakeValue>
int add_unique(name_node* list, const char* name, MakeValue make_value) {
  name_node* free_slot = nullptr;
  name_node* last = list;
  for (name_node* p = list; p != nullptr; p = p->next) {
    if (p->name == nullptr) {
      if (free_slot == nullptr) free_slot = p;
    } else if (name_lst_dup_check != 0 && std::strcmp(p->name, name) == 0) {
      return 0;
    }
    last = p;
  }
  if (free_slot != nullptr) {
    store(free_slot, name, make_value());
    return 0;
  }
  return append_after(last, name, make_value()) != nullptr ? 0 : -1;
}

template <typename MakeValue>
int add_remembered(name_node*& tail, name_node* list, const char* name, int restart,
                   MakeValue make_value) {
  if (restart != 0) tail = tail_of(list);
  if (tail == nullptr) return -1;
  if (tail->name == nullptr) {
    store(tail, name, make_value());
    return 0;
  }
  name_node* entry = append_after(tail, name, make_value());
  if (entry == nullptr) return -1;
  tail = entry;
  return 0;
}

// text_hash: the index's hash of a text, FNV-1a over its bytes with the
// high half folded in (name_hash sums bytes and folds case: too coarse to
// spread many texts over a table).
uint32_t text_hash(const char* text) {
  uint64_t h = 0xcbf29ce484222325u;
  for (auto* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p)
    h = (h ^ *p) * 0x100000001b3u;
  return static_cast<uint32_t>(h ^ (h >> 32));
}

// find_slot: the slot of the index's table holding the entry whose name is
// text, or the empty slot where it would go. The table has an empty slot.
name_node** find_slot(const name_index& index, const char* text, uint32_t hash) {
  for (uint32_t k = hash & index.mask;; k = (k + 1) & index.mask) {
    name_node** slot = &index.slots[k];
    if (*slot == nullptr || std::strcmp((*slot)->name, text) == 0) return slot;
  }
}

// make_room: a table with room for one more text, at most half its slots
// then in use (it doubles, from 16 slots). false when no memory could be had.
bool make_room(name_index* index) {
  const uint64_t size = index->slots == nullptr ? 0 : uint64_t{index->mask} + 1;
  if ((uint64_t{index->count} + 1) * 2 <= size) return true;
  const uint64_t new_size = size == 0 ? 16 : size * 2;
  if (new_size * sizeof(name_node*) > INT32_MAX) return false;
  auto* slots = static_cast<name_node**>(getmem(static_cast<int>(new_size * sizeof(name_node*))));
  if (slots == nullptr) return false;
  const uint32_t mask = static_cast<uint32_t>(new_size - 1);
  for (uint64_t k = 0; k < size; ++k) {
    name_node* entry = index->slots[k];
    if (entry == nullptr) continue;
    uint32_t j = text_hash(entry->name) & mask;  // the texts differ: the first empty slot
    while (slots[j] != nullptr) j = (j + 1) & mask;
    slots[j] = entry;
  }
  freemem(index->slots);
  index->slots = slots;
  index->mask = mask;
  return true;
}

}  // namespace

int32_t name_hash(const char* name) {
  if (name == nullptr) return 0;
  uint32_t sum = 0;  // wraps like the 32-bit sum it stands for
  for (const char* p = name; *p != '\0';) {
    if (is_double(p)) {
      sum += static_cast<uint32_t>(static_cast<signed char>(p[0]));
      sum += static_cast<uint32_t>(static_cast<signed char>(p[1]));
      p += 2;
    } else {
      int c = static_cast<signed char>(*p);
      if (c >= 'a' && c <= 'z') c -= 32;
      sum += static_cast<uint32_t>(c);
      p += 1;
    }
  }
  return static_cast<int32_t>(sum);
}

void name_init(name_node* list) {
  list->name = nullptr;
  list->next = nullptr;
}

int add_name(name_node* list, const char* name) {
  return add_unique(list, name, [] { return intptr_t{0}; });
}

int add_name2(name_node* list, const char* name, const char* value) {
  return add_unique(list, name, [value] { return value_copy(value); });
}

int add_name3(name_node* list, const char* name, int value) {
  return add_unique(list, name, [value] { return intptr_t{value}; });
}

int name_index_init(name_index* index, name_node* list) {
  name_index_free(index);
  index->list = list;
  for (name_node* p = list; p != nullptr; p = p->next) {
    index->tail = p;
    if (p->name == nullptr) {
      if (index->free_from == nullptr) index->free_from = p;
      continue;
    }
    if (!make_room(index)) return -1;
    name_node** slot = find_slot(*index, p->name, text_hash(p->name));
    if (*slot == nullptr) {
      *slot = p;
      ++index->count;
    }
  }
  return 0;
}

int add_name_indexed(name_index* index, const char* name) {
  if (index->list == nullptr) return -1;
  const uint32_t hash = text_hash(name);
  const bool known = index->slots != nullptr && *find_slot(*index, name, hash) != nullptr;
  if (known && name_lst_dup_check != 0) return 0;
  if (!known && !make_room(index)) return -1;
  // Slots are only filled while indexed, so the first free one is never
  // before the last one found.
  name_node*& free_slot = index->free_from;
  while (free_slot != nullptr && free_slot->name != nullptr) free_slot = free_slot->next;
  name_node* entry = free_slot;
  if (entry != nullptr) {
    store(entry, name, 0);
  } else {
    entry = append_after(index->tail, name, 0);
    if (entry == nullptr) return -1;
    index->tail = entry;
  }
  if (!known) {
    *find_slot(*index, name, hash) = entry;
    ++index->count;
  }
  return 0;
}

void name_index_free(name_index* index) {
  freemem(index->slots);
  *index = name_index{};
}

int add_list(name_node* list, const char* name) {
  name_node* tail = tail_of(list);
  if (tail->name == nullptr) {
    tail->name = setstr(name);
    tail->hash = name_hash(name);
    return 0;
  }
  return append_after(tail, name, 0) != nullptr ? 0 : -1;
}

int add_list2(name_node* list, const char* name, const char* value, int restart) {
  return add_remembered(add_list2_tail, list, name, restart,
                        [value] { return value_copy(value); });
}

int add_list3(name_node* list, const char* name, int value, int restart) {
  return add_remembered(add_list3_tail, list, name, restart,
                        [value] { return intptr_t{value}; });
}

}  // namespace quorl
