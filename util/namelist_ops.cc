#include "quorl/classic/namelist_ops.h"

#include <cstdlib>
#include <cstring>

#include "support/memory.h"
#include "quorl/classic/compare.h"

namespace quorl {

int name_sort_mode = 0;
int get_name_pos = 0;
int get_name_dir = GET_NAME_NONE;

namespace {

// next_named: the first entry from p on that holds a name, or null.
name_node* next_named(name_node* p) {
  while (p != nullptr && p->name == nullptr) p = p->next;
  return p;
}

// Walks the named entries of a list: for (name_node* p = first_named(l); p;
// p = after(p)).
name_node* first_named(name_node* list) { return next_named(list); }
name_node* after(name_node* p) { return next_named(p->next); }

using equal_fn = bool (*)(const char* a, const char* b);

bool exact(const char* a, const char* b) { return std::strcmp(a, b) == 0; }
bool collating(const char* a, const char* b) { return StrCmp(a, b) == 0; }

// find: the position of the first named entry with name's hash whose name is
// equal under eq, with the entry in *found; -1 when there is none.
int find(name_node* list, const char* name, equal_fn eq, name_node** found) {
  int32_t hash = name_hash(name);
  int pos = 0;
  for (name_node* p = first_named(list); p != nullptr; p = after(p), ++pos) {
    if (p->hash == hash && eq(p->name, name)) {
      if (found != nullptr) *found = p;
      return pos;
    }
  }
  return -1;
}

// take_table: a zero-filled table of n slots of size bytes; null when getmem
// fails softly.
void* take_table(int n, size_t size) {
  size_t bytes = static_cast<size_t>(n) * size;
  if (bytes > static_cast<size_t>(INT32_MAX)) return nullptr;
  return getmem(static_cast<int>(bytes));
}

}  // namespace

int check_name(name_node* list, const char* name) {
  return ser_name(list, name) != nullptr ? 1 : 0;
}

int count_names(name_node* list) {
  int n = 0;
  for (name_node* p = first_named(list); p != nullptr; p = after(p)) ++n;
  return n;
}

name_node* ser_name(name_node* list, const char* name) {
  name_node* found = nullptr;
  find(list, name, exact, &found);
  return found;
}

intptr_t get_name_value(name_node* list, const char* name) {
  name_node* p = ser_name(list, name);
  return p != nullptr ? p->value : 0;
}

char* get_name(name_node* list, int mode) {
  if (mode == 0) {
    get_name_pos = 0;
    get_name_dir = GET_NAME_FORWARD;
  } else if (mode == -1) {
    get_name_dir = GET_NAME_BACKWARD;
    get_name_pos = count_names(list) - 1;
  }
  char* name = get_name2(list, get_name_pos);
  if (name != nullptr) get_name_pos += get_name_dir;
  return name;
}

char* get_name2(name_node* list, int pos) {
  name_node* p = get_namePtr2(list, pos);
  return p != nullptr ? p->name : nullptr;
}

name_node* get_namePtr2(name_node* list, int pos) {
  if (pos < 0) return nullptr;
  for (name_node* p = first_named(list); p != nullptr; p = after(p), --pos) {
    if (pos == 0) return p;
  }
  return nullptr;
}

int get_nameNo(name_node* list, const char* name) {
  return find(list, name, exact, nullptr);
}

int get_NameNo(name_node* list, const char* name) {
  return find(list, name, collating, nullptr);
}

int get_nameNo2(name_node* list, const char* name, int mode) {
  int below = 0;
  int pos = 0;
  for (name_node* p = first_named(list); p != nullptr; p = after(p), ++pos) {
    int c = mode == 0 ? std::strcmp(name, p->name) : StrCmp(name, p->name);
    if (c == 0) return pos;
    if (c > 0) below = -pos;
  }
  return below;
}

int get_nameNoByGroupNo(name_node* list, int group, int number) {
  bool entered = false;
  int pos = 0;
  for (name_node* p = first_named(list); p != nullptr; p = after(p), ++pos) {
    if (p->value == group) {
      if (p->no == number) return pos;
      entered = true;
    } else if (entered) {
      return -1;  // a group's entries stand together; its run has ended
    }
  }
  return -1;
}

int get_namearea(name_node* list, const char* name, name_area* area) {
  area->name = nullptr;
  area->count = 0;
  area->first = 0;
  area->last = 0;
  name_node* found = ser_name(list, name);
  if (found == nullptr) return 0;
  int count = 0;
  int first = 0;
  int pos = 0;
  for (name_node* p = first_named(list); p != nullptr; p = after(p), ++pos) {
    if (p->value == found->value) {
      if (count == 0) first = pos;
      ++count;
    } else if (count != 0) {
      break;
    }
  }
  // The found entry itself has the value, so the run is never empty.
  area->name = found->name;
  area->group = static_cast<int>(found->value);
  area->count = count;
  area->first = first;
  area->last = first + count - 1;
  return count;
}

int comp_namedata(const void* a, const void* b) {
  return StrCmp(static_cast<const name_data*>(a)->name, static_cast<const name_data*>(b)->name);
}

int comp_valuedata(const void* a, const void* b) {
  auto* x = static_cast<const name_data*>(a);
  auto* y = static_cast<const name_data*>(b);
  auto vx = static_cast<uintptr_t>(x->value);
  auto vy = static_cast<uintptr_t>(y->value);
  if (vx != vy) return vx < vy ? -1 : 1;
  return StrCmp(x->name, y->name);
}

int comp_argdata(const void* a, const void* b) {
  return StrCmp(*static_cast<char* const*>(a), *static_cast<char* const*>(b));
}

int name_sort(name_node* list) {
  int n = count_names(list);
  if (n < 2) return 0;
  auto* table = static_cast<name_data*>(take_table(n, sizeof(name_data)));
  if (table == nullptr) return -1;
  int i = 0;
  for (name_node* p = first_named(list); p != nullptr; p = after(p), ++i)
    table[i] = {p->name, p->hash, p->value, p->no, p->aux};
  std::qsort(table, static_cast<size_t>(n), sizeof(name_data),
             name_sort_mode == 0 ? comp_namedata : comp_valuedata);
  i = 0;
  for (name_node* p = first_named(list); p != nullptr; p = after(p), ++i) {
    p->name = table[i].name;
    p->hash = table[i].hash;
    p->value = table[i].value;
    p->no = table[i].no;
    p->aux = table[i].aux;
  }
  freemem(table);
  return 0;
}

int name_sort2(name_node* list) {
  int n = count_names(list);
  if (n < 2) return 0;
  auto* table = static_cast<char**>(take_table(n, sizeof(char*)));
  if (table == nullptr) return -1;
  int i = 0;
  for (name_node* p = first_named(list); p != nullptr; p = after(p), ++i) table[i] = p->name;
  std::qsort(table, static_cast<size_t>(n), sizeof(char*), comp_argdata);
  i = 0;
  for (name_node* p = first_named(list); p != nullptr; p = after(p), ++i) {
    char* name = table[i];
    // A name "key\x01text" was sorted by its key; what it keeps is the text.
    if (char* mark = std::strchr(name, '\x01'); mark != nullptr)
      std::memmove(name, mark + 1, std::strlen(mark + 1) + 1);
    p->name = name;
    p->hash = name_hash(name);
  }
  freemem(table);
  return 0;
}

void del_allname(name_node* list) {
  name_node* p = list->next;
  while (p != nullptr) {
    name_node* next = p->next;
    freemem(p->name);
    freemem(p);
    p = next;
  }
  freemem(list->name);
  list->name = nullptr;
  list->next = nullptr;
}

void del_allname2(name_node* list) {
  for (name_node* p = list; p != nullptr; p = p->next) {
    freemem(reinterpret_cast<void*>(p->value));
    p->value = 0;
  }
  del_allname(list);
}

void set_allname(name_node* list, char** names, int n) {
  int i = 0;
  for (name_node* p = list; p != nullptr; p = p->next, ++i) {
    p->value = 0;
    p->name = i < n ? names[i] : nullptr;
    p->hash = name_hash(p->name);
  }
}

int del_name(name_node* list, const char* name) {
  name_node* p = ser_name(list, name);
  if (p == nullptr) return -1;
  freemem(p->name);
  p->name = nullptr;
  return 0;
}

int ren_name(name_node* list, const char* old_name, const char* new_name) {
  name_node* p = ser_name(list, old_name);
  if (p == nullptr) return -1;
  // Copy before releasing: new_name may be the very name being replaced.
  char* copy = setstr(new_name);
  freemem(p->name);
  p->name = copy;
  p->hash = name_hash(copy);
  return 0;
}

}  // namespace quorl
