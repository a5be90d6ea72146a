#include "support/namelist.h"

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
