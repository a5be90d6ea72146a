#include "quorl/classic/namelist_ops.h"

#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/memory.h"

namespace quorl {
namespace {

using V = std::vector<std::string>;

// walk: the list from the head, "-" for a free slot.
V walk(const name_node& head) {
  V out;
  for (const name_node* p = &head; p != nullptr; p = p->next)
    out.push_back(p->name == nullptr ? "-" : p->name);
  return out;
}

// A list built from a picture: each text is a name, "-" a free slot made by
// adding a placeholder and deleting it. Entries get the given values and
// numbers when those are given.
class NameOpsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    list = {};
    name_init(&list);
    name_lst_dup_check = 1;
    name_sort_mode = 0;
    get_name_pos = 0;
    get_name_dir = GET_NAME_NONE;
  }
  void TearDown() override {
    del_allname(&list);
    name_lst_dup_check = 1;
    name_sort_mode = 0;
  }

  void build(const V& picture, const std::vector<int>& values = {},
             const std::vector<int>& nos = {}) {
    name_lst_dup_check = 0;
    for (size_t i = 0; i < picture.size(); ++i)
      add_list(&list, picture[i] == "-" ? "\x7f placeholder" : picture[i].c_str());
    name_lst_dup_check = 1;
    size_t i = 0;
    for (name_node* p = &list; p != nullptr && i < picture.size(); p = p->next, ++i) {
      if (i < values.size()) p->value = values[i];
      if (i < nos.size()) p->no = static_cast<int16_t>(nos[i]);
      if (picture[i] == "-") {
        freemem(p->name);
        p->name = nullptr;
      }
    }
  }

  name_node list;
};

// ---- Empty and null lists

TEST_F(NameOpsTest, EmptyAndNullListsHoldNothing) {
  name_node* lists[] = {&list, nullptr};
  for (name_node* l : lists) {
    SCOPED_TRACE(l == nullptr ? "null list" : "empty head");
    EXPECT_EQ(count_names(l), 0);
    EXPECT_EQ(get_name2(l, 0), nullptr);
    EXPECT_EQ(get_namePtr2(l, 0), nullptr);
    EXPECT_EQ(ser_name(l, "a"), nullptr);
    EXPECT_EQ(check_name(l, "a"), 0);
    EXPECT_EQ(get_name_value(l, "a"), 0);
    EXPECT_EQ(get_nameNo(l, "a"), -1);
    EXPECT_EQ(get_NameNo(l, "a"), -1);
    EXPECT_EQ(get_nameNo2(l, "a", 0), 0);
    EXPECT_EQ(get_nameNoByGroupNo(l, 0, 0), -1);
    EXPECT_EQ(get_name(l, 0), nullptr);
    EXPECT_EQ(name_sort(l), 0);
    EXPECT_EQ(name_sort2(l), 0);
    EXPECT_EQ(del_name(l, "a"), -1);
    EXPECT_EQ(ren_name(l, "a", "b"), -1);
    set_allname(l, nullptr, 0);
    EXPECT_EQ(count_names(l), 0);
  }
}

// ---- Searches by name

TEST_F(NameOpsTest, SearchesByName) {
  build({"alpha", "-", "Beta", "gamma", "beta"}, {10, 20, 30, 40, 50});
  struct Case {
    const char* name;
    int check;
    intptr_t value;
    int no;        // get_nameNo
    int no_fold;   // get_NameNo
  } cases[] = {
      {"alpha", 1, 10, 0, 0},
      {"Beta", 1, 30, 1, 1},
      {"beta", 1, 50, 3, 1},  // case folded, Beta comes first
      {"BETA", 0, 0, -1, 1},
      {"gamma", 1, 40, 2, 2},
      {"gam", 0, 0, -1, -1},
      {"\x7f placeholder", 0, 0, -1, -1},  // a freed name is gone
      {"", 0, 0, -1, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(check_name(&list, c.name), c.check);
    name_node* found = ser_name(&list, c.name);
    if (c.check == 1) {
      ASSERT_NE(found, nullptr);
      EXPECT_STREQ(found->name, c.name);
    } else {
      EXPECT_EQ(found, nullptr);
    }
    EXPECT_EQ(get_name_value(&list, c.name), c.value);
    EXPECT_EQ(get_nameNo(&list, c.name), c.no);
    EXPECT_EQ(get_NameNo(&list, c.name), c.no_fold);
  }
}

TEST_F(NameOpsTest, SearchesTrustTheStoredHash) {
  // An entry whose hash does not fit its name is never found: the hash is
  // compared before the text.
  build({"a", "b"});
  list.next->hash += 1;
  EXPECT_EQ(ser_name(&list, "b"), nullptr);
  EXPECT_EQ(get_nameNo(&list, "b"), -1);
  EXPECT_EQ(get_NameNo(&list, "B"), -1);
  EXPECT_EQ(get_nameNo2(&list, "b", 0), 1);  // compares texts only
}

// ---- Positions

TEST_F(NameOpsTest, PositionsCountNamedEntriesOnly) {
  build({"a", "-", "c", "-", "e"});
  struct Case {
    int pos;
    const char* name;  // null: none
  } cases[] = {
      {-1, nullptr}, {0, "a"}, {1, "c"}, {2, "e"}, {3, nullptr}, {100, nullptr},
  };
  EXPECT_EQ(count_names(&list), 3);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pos);
    name_node* p = get_namePtr2(&list, c.pos);
    if (c.name == nullptr) {
      EXPECT_EQ(get_name2(&list, c.pos), nullptr);
      EXPECT_EQ(p, nullptr);
    } else {
      EXPECT_STREQ(get_name2(&list, c.pos), c.name);
      ASSERT_NE(p, nullptr);
      EXPECT_STREQ(p->name, c.name);
    }
  }
}

// ---- Iteration

TEST_F(NameOpsTest, GetNameIteratesBothWays) {
  struct Case {
    const char* title;
    V list;
    std::vector<int> modes;
    V results;  // "(null)" for a null result
  } cases[] = {
      {"forwards", {"a", "d", "c"}, {0, 1, 1, 1, 1}, {"a", "d", "c", "(null)", "(null)"}},
      {"backwards", {"a", "d", "c"}, {-1, 1, 1, 1}, {"c", "d", "a", "(null)"}},
      {"backwards past a free slot", {"a", "d", "-"}, {-1, 5, 5}, {"d", "a", "(null)"}},
      {"free slot in the middle", {"a", "-", "c"}, {0, 1, 1}, {"a", "c", "(null)"}},
      {"restart", {"a", "b"}, {0, 1, 0, -1, 0}, {"a", "b", "a", "b", "a"}},
      {"empty list", {}, {0, -1, 1}, {"(null)", "(null)", "(null)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    del_allname(&list);
    build(c.list);
    V got;
    for (int mode : c.modes) {
      char* name = get_name(&list, mode);
      got.push_back(name == nullptr ? "(null)" : name);
    }
    EXPECT_EQ(got, c.results);
  }
}

TEST_F(NameOpsTest, GetNameBeforeAnyStartRepeatsPositionZero) {
  build({"a", "b"});
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    char* name = get_name(&list, 1);
    ASSERT_NE(name, nullptr);
    EXPECT_STREQ(name, "a");
  }
}

TEST_F(NameOpsTest, GetNameStateIsSharedByAllLists) {
  build({"a", "b", "c"});
  name_node other = {};
  name_init(&other);
  add_name(&other, "x");
  add_name(&other, "y");
  EXPECT_STREQ(get_name(&list, 0), "a");
  EXPECT_STREQ(get_name(&other, 1), "y");  // position 1, moved by list
  EXPECT_STREQ(get_name(&list, 1), "c");
  EXPECT_EQ(get_name(&other, 1), nullptr);  // position 3 is past other's end
  EXPECT_EQ(get_name_pos, 3);
  del_allname(&other);
}

// ---- Ordered position search

TEST_F(NameOpsTest, GetNameNo2FindsOrPlaces) {
  build({"a", "c", "e"});
  struct Case {
    const char* name;
    int mode;
    int result;
  } cases[] = {
      {"a", 0, 0},   {"c", 0, 1},  {"e", 0, 2},
      {"d", 0, -1},  {"f", 0, -2}, {"b", 0, 0},  // right after position 0
      {"0", 0, 0},                               // before every name
      {"C", 0, 0},   // strcmp: "C" sorts before "a"
      {"C", 1, 1},   // StrCmp ignores case
      {"D", 1, -1},  {"\\", 1, 0},  // backslash sorts first under StrCmp
      {"\xB1", 1, -2},  // katakana after every ASCII name
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " mode " + std::to_string(c.mode));
    EXPECT_EQ(get_nameNo2(&list, c.name, c.mode), c.result);
  }
}

TEST_F(NameOpsTest, GetNameNo2RemembersTheLastSmallerEvenUnsorted) {
  build({"m", "b", "z", "c"});
  EXPECT_EQ(get_nameNo2(&list, "d", 0), -3);
  EXPECT_EQ(get_nameNo2(&list, "n", 0), -3);
  EXPECT_EQ(get_nameNo2(&list, "c", 0), 3);
}

// ---- Groups

TEST_F(NameOpsTest, GetNameNoByGroupNo) {
  build({"p", "q", "r", "s"}, {1, 1, 2, 1}, {0, 1, 0, 2});
  struct Case {
    int group;
    int number;
    int result;
  } cases[] = {
      {1, 0, 0}, {1, 1, 1},
      {1, 2, -1},  // the run of group 1 ends at r
      {2, 0, 2}, {2, 1, -1}, {3, 0, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.group) + "/" + std::to_string(c.number));
    EXPECT_EQ(get_nameNoByGroupNo(&list, c.group, c.number), c.result);
  }
}

TEST_F(NameOpsTest, GetNameNoByGroupNoSkipsFreeSlots) {
  build({"p", "-", "q"}, {4, 9, 4}, {0, 7, 7});
  EXPECT_EQ(get_nameNoByGroupNo(&list, 4, 7), 1);
  EXPECT_EQ(get_nameNoByGroupNo(&list, 9, 7), -1);
}

TEST_F(NameOpsTest, GetNameareaDescribesTheGroupsFirstRun) {
  build({"a", "b", "-", "c", "d", "e", "f"}, {5, 7, 7, 7, 5, 8, 7});
  struct Case {
    const char* name;
    int count;  // also the result
    int group;
    int first;
    int last;
  } cases[] = {
      {"a", 1, 5, 0, 0},
      {"b", 2, 7, 1, 2},   // the free slot is skipped, not counted
      {"c", 2, 7, 1, 2},
      {"d", 1, 5, 0, 0},   // found in the second run; the first run counts
      {"e", 1, 8, 4, 4},
      {"f", 2, 7, 1, 2},   // not inside the run it reports
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    name_area area = {};
    int marker = 0;
    area.user = &marker;
    EXPECT_EQ(get_namearea(&list, c.name, &area), c.count);
    EXPECT_STREQ(area.name, c.name);
    EXPECT_EQ(area.group, c.group);
    EXPECT_EQ(area.count, c.count);
    EXPECT_EQ(area.first, c.first);
    EXPECT_EQ(area.last, c.last);
    EXPECT_EQ(area.user, &marker);
  }
}

TEST_F(NameOpsTest, GetNameareaOfAnAbsentNameClearsTheRecord) {
  build({"a"}, {3});
  int marker = 0;
  name_area area = {reinterpret_cast<char*>(&marker), &marker, 77, 5, 6, 7};
  EXPECT_EQ(get_namearea(&list, "zz", &area), 0);
  EXPECT_EQ(area.name, nullptr);
  EXPECT_EQ(area.user, &marker);
  EXPECT_EQ(area.group, 77);  // left as it was
  EXPECT_EQ(area.count, 0);
  EXPECT_EQ(area.first, 0);
  EXPECT_EQ(area.last, 0);
}

// ---- Sorting

TEST_F(NameOpsTest, NameSortMovesWholePayloads) {
  struct Case {
    const char* title;
    int mode;
    V list;
    std::vector<int> values;
    V sorted;
    std::vector<int> sorted_values;
  } cases[] = {
      {"by name, case ignored", 0, {"b", "A", "c"}, {1, 2, 3}, {"A", "b", "c"}, {2, 1, 3}},
      {"backslash before digits", 0, {"a0b", "a\\b"}, {1, 2}, {"a\\b", "a0b"}, {2, 1}},
      {"ASCII, katakana, double-byte", 0, {"\x88\x9F", "\xB1", "z"}, {1, 2, 3},
       {"z", "\xB1", "\x88\x9F"}, {3, 2, 1}},
      {"free slots stay put", 0, {"c", "-", "a", "b"}, {1, 0, 2, 3}, {"a", "-", "b", "c"},
       {2, 0, 3, 1}},
      {"by value, then name", 1, {"x", "b", "a", "y"}, {2, 1, 2, 1}, {"b", "y", "a", "x"},
       {1, 1, 2, 2}},
      {"value is unsigned", 1, {"neg", "pos", "zero"}, {-1, 1, 0}, {"zero", "pos", "neg"},
       {0, 1, -1}},
      {"one name", 0, {"-", "only"}, {0, 9}, {"-", "only"}, {0, 9}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    del_allname(&list);
    build(c.list, c.values);
    name_sort_mode = c.mode;
    EXPECT_EQ(name_sort(&list), 0);
    EXPECT_EQ(walk(list), c.sorted);
    std::vector<int> values;
    for (name_node* p = &list; p != nullptr; p = p->next) {
      values.push_back(static_cast<int>(p->value));
      if (p->name != nullptr) {
        EXPECT_EQ(p->hash, name_hash(p->name));
      }
    }
    EXPECT_EQ(values, c.sorted_values);
  }
}

TEST_F(NameOpsTest, NameSortKeepsNoAndAuxWithTheirName) {
  build({"b", "a"}, {0, 0}, {11, 22});
  list.aux = 0xBEEF;
  list.next->aux = 0x1234;
  name_node* second = list.next;
  EXPECT_EQ(name_sort(&list), 0);
  EXPECT_STREQ(list.name, "a");
  EXPECT_EQ(list.no, 22);
  EXPECT_EQ(list.aux, 0x1234);
  EXPECT_EQ(list.next, second);  // links never change
  EXPECT_STREQ(second->name, "b");
  EXPECT_EQ(second->no, 11);
  EXPECT_EQ(second->aux, 0xBEEF);
}

TEST_F(NameOpsTest, NameSort2SortsByKeyAndStripsIt) {
  struct Case {
    const char* title;
    V list;
    V sorted;
  } cases[] = {
      {"keys decide", {"2\x01x", "1\x01y"}, {"y", "x"}},
      {"no key: whole name sorts", {"b", "A", "c"}, {"A", "b", "c"}},
      {"only the first mark goes", {"k\x01" "a\x01" "b", "j\x01"}, {"", "a\x01" "b"}},
      {"free slot kept", {"b", "-", "a"}, {"a", "-", "b"}},
      {"one name keeps its key", {"9\x01z"}, {"9\x01z"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    del_allname(&list);
    build(c.list);
    EXPECT_EQ(name_sort2(&list), 0);
    EXPECT_EQ(walk(list), c.sorted);
    for (name_node* p = &list; p != nullptr; p = p->next)
      if (p->name != nullptr) {
        EXPECT_EQ(p->hash, name_hash(p->name));
      }
  }
}

TEST_F(NameOpsTest, NameSort2LeavesValuesWithTheirEntries) {
  build({"b", "a"}, {100, 200}, {1, 2});
  EXPECT_EQ(name_sort2(&list), 0);
  EXPECT_EQ(walk(list), (V{"a", "b"}));
  EXPECT_EQ(list.value, 100);
  EXPECT_EQ(list.no, 1);
  EXPECT_EQ(list.next->value, 200);
  EXPECT_EQ(list.next->no, 2);
}

TEST(NameComparators, GiveTheCollatingOrder) {
  char lo[] = "abc";
  char up[] = "ABD";
  char bs[] = "a\\b";
  char bang[] = "a!b";
  struct Case {
    char* a;
    intptr_t va;
    char* b;
    intptr_t vb;
    int by_name;
    int by_value;
  } cases[] = {
      {lo, 0, up, 0, -1, -1},
      {up, 0, lo, 0, 1, 1},
      {lo, 0, lo, 0, 0, 0},
      {bs, 0, bang, 0, -1, -1},
      {lo, 2, up, 1, -1, 1},     // value decides first
      {up, 1, lo, 2, 1, -1},
      {lo, -1, up, 1, -1, 1},    // -1 is the largest unsigned value
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
    name_data x = {c.a, 0, c.va, 0, 0};
    name_data y = {c.b, 0, c.vb, 0, 0};
    EXPECT_EQ(comp_namedata(&x, &y), c.by_name);
    EXPECT_EQ(comp_valuedata(&x, &y), c.by_value);
    EXPECT_EQ(comp_argdata(&c.a, &c.b), c.by_name);
  }
}

// ---- Removing, renaming and overwriting

TEST_F(NameOpsTest, DelNameLeavesAFreeSlot) {
  build({"a", "b", "c"}, {1, 2, 3});
  EXPECT_EQ(del_name(&list, "b"), 0);
  EXPECT_EQ(walk(list), (V{"a", "-", "c"}));
  EXPECT_EQ(list.next->value, 2);
  EXPECT_EQ(count_names(&list), 2);
  EXPECT_EQ(get_nameNo(&list, "a"), 0);
  EXPECT_EQ(get_nameNo(&list, "c"), 1);
  EXPECT_EQ(del_name(&list, "b"), -1);
  EXPECT_EQ(del_name(&list, "A"), -1);  // exact names only
  add_name(&list, "d");
  EXPECT_EQ(walk(list), (V{"a", "d", "c"}));
}

TEST_F(NameOpsTest, RenName) {
  build({"a", "b"});
  struct Case {
    const char* from;
    const char* to;
    int result;
    V after;
  } cases[] = {
      {"b", "x", 0, {"a", "x"}},
      {"b", "y", -1, {"a", "x"}},
      {"x", "a", 0, {"a", "a"}},  // no duplicate check
      {"a", "\x88\x9F", 0, {"\x88\x9F", "a"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.from) + "->" + c.to);
    EXPECT_EQ(ren_name(&list, c.from, c.to), c.result);
    EXPECT_EQ(walk(list), c.after);
    for (name_node* p = &list; p != nullptr; p = p->next)
      EXPECT_EQ(p->hash, name_hash(p->name));
  }
}

TEST_F(NameOpsTest, RenNameToItsOwnText) {
  build({"a", "b"});
  EXPECT_EQ(ren_name(&list, "b", list.next->name), 0);
  EXPECT_EQ(walk(list), (V{"a", "b"}));
}

TEST_F(NameOpsTest, DelAllnameEmptiesTheHead) {
  build({"a", "-", "c"}, {4, 5, 6});
  del_allname(&list);
  EXPECT_EQ(walk(list), (V{"-"}));
  EXPECT_EQ(list.value, 4);  // the head's other fields stay
  EXPECT_EQ(count_names(&list), 0);
  add_name(&list, "n");
  EXPECT_EQ(walk(list), (V{"n"}));
}

TEST_F(NameOpsTest, DelAllname2ReleasesValueTexts) {
  add_name2(&list, "a", "va");
  add_name2(&list, "b", "vb");
  EXPECT_STREQ(reinterpret_cast<char*>(get_name_value(&list, "b")), "vb");
  del_allname2(&list);
  EXPECT_EQ(walk(list), (V{"-"}));
  EXPECT_EQ(list.value, 0);
}

TEST_F(NameOpsTest, SetAllnameOverwritesInPlace) {
  char n0[] = "x";
  char n1[] = "Y";
  char n2[] = "z";
  char* names[] = {n0, n1, n2};
  struct Case {
    const char* title;
    V list;
    int n;
    V after;
  } cases[] = {
      {"fewer pointers than entries", {"a", "b", "c"}, 2, {"x", "Y", "-"}},
      {"more pointers than entries", {"a", "b"}, 3, {"x", "Y"}},
      {"free slots are entries too", {"a", "-", "c"}, 3, {"x", "Y", "z"}},
      {"none", {"a", "b"}, 0, {"-", "-"}},
      {"negative count", {"a", "b"}, -3, {"-", "-"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    del_allname(&list);
    build(c.list, {7, 7, 7});
    // set_allname keeps the given pointers and does not release the old
    // names, so keep them to release here.
    std::vector<char*> old;
    for (name_node* p = &list; p != nullptr; p = p->next) old.push_back(p->name);
    set_allname(&list, names, c.n);
    EXPECT_EQ(walk(list), c.after);
    int i = 0;
    for (name_node* p = &list; p != nullptr; p = p->next, ++i) {
      EXPECT_EQ(p->value, 0);
      EXPECT_EQ(p->hash, name_hash(p->name));
      if (i < c.n) {
        EXPECT_EQ(p->name, names[i]);
      }
    }
    for (char* o : old) freemem(o);
    // Drop the borrowed pointers before the list is released.
    for (name_node* p = &list; p != nullptr; p = p->next) p->name = nullptr;
  }
}

}  // namespace
}  // namespace quorl
