#include "support/namelist.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/memory.h"

namespace quorl {
namespace {

// names: the list walked from the head, "-" for a free slot.
std::vector<std::string> names(const name_node& head) {
  std::vector<std::string> out;
  for (const name_node* p = &head; p != nullptr; p = p->next)
    out.push_back(p->name == nullptr ? "-" : p->name);
  return out;
}

using V = std::vector<std::string>;

class NameListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    list = {};
    name_init(&list);
    name_lst_dup_check = 1;
  }
  void TearDown() override { name_lst_dup_check = 1; }
  name_node list;
};

TEST(NameHash, FoldsCaseAndAddsSignedBytes) {
  struct Case {
    const char* name;
    const char* text;
    int32_t hash;
  } cases[] = {
      {"null", nullptr, 0},
      {"empty", "", 0},
      {"upper and lower agree", "Ab", 131},
      {"lower folded", "ab", 131},
      {"digits and punctuation as they are", "1_", 49 + 95},
      {"high byte is negative", "\xA1", -95},
      {"double-byte pair: both bytes signed", "\x82\x61", -126 + 97},
      {"second byte of a pair is not folded", "\x82\x62", -126 + 98},
      {"lead byte before NUL is a single byte", "a\x82", 65 - 126},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(name_hash(c.text), c.hash);
  }
}

TEST_F(NameListTest, EmptyListIsAHeadWithoutName) {
  EXPECT_EQ(list.name, nullptr);
  EXPECT_EQ(list.next, nullptr);
  EXPECT_EQ(names(list), V{"-"});
}

TEST_F(NameListTest, AddNameKeepsOrderAndSkipsExactDuplicates) {
  EXPECT_EQ(add_name(&list, "a"), 0);
  EXPECT_EQ(add_name(&list, "b"), 0);
  EXPECT_EQ(add_name(&list, "a"), 0);
  EXPECT_EQ(add_name(&list, "A"), 0);
  EXPECT_EQ(names(list), (V{"a", "b", "A"}));
  EXPECT_EQ(list.hash, name_hash("a"));
  EXPECT_EQ(list.value, 0);
}

TEST_F(NameListTest, WithoutDuplicateCheckEveryNameIsStored) {
  name_lst_dup_check = 0;
  add_name(&list, "a");
  add_name(&list, "b");
  add_name(&list, "a");
  EXPECT_EQ(names(list), (V{"a", "b", "a"}));
}

TEST_F(NameListTest, StoredNameIsACopy) {
  char buf[] = "rule";
  add_name(&list, buf);
  buf[0] = 'X';
  EXPECT_STREQ(list.name, "rule");
}

TEST_F(NameListTest, FirstFreeSlotIsReused) {
  add_name(&list, "a");
  add_name(&list, "b");
  add_name(&list, "c");
  freemem(list.next->name);
  list.next->name = nullptr;  // b removed, its slot kept
  add_name(&list, "d");
  EXPECT_EQ(names(list), (V{"a", "d", "c"}));

  freemem(list.next->name);
  list.next->name = nullptr;
  add_list(&list, "d");
  EXPECT_EQ(names(list), (V{"a", "-", "c", "d"}));
}

TEST_F(NameListTest, DuplicateSkipLeavesTheValueAlone) {
  add_name3(&list, "x", 7);
  add_name3(&list, "x", 9);
  EXPECT_EQ(names(list), V{"x"});
  EXPECT_EQ(list.value, 7);
}

TEST_F(NameListTest, ValueTextsAreOwnCopies) {
  char v[] = "one";
  add_name2(&list, "k1", v);
  v[0] = 'X';
  add_name2(&list, "k2", "two");
  EXPECT_STREQ(reinterpret_cast<char*>(list.value), "one");
  EXPECT_STREQ(reinterpret_cast<char*>(list.next->value), "two");
}

TEST_F(NameListTest, AddListAppendsWithoutDuplicateCheck) {
  add_list(&list, "a");
  add_list(&list, "a");
  EXPECT_EQ(names(list), (V{"a", "a"}));
  EXPECT_EQ(list.next->hash, name_hash("a"));
}

TEST_F(NameListTest, AddListIntoAnEmptyHeadKeepsItsValue) {
  list.value = 42;
  add_list(&list, "a");
  EXPECT_EQ(list.value, 42);
}

TEST_F(NameListTest, RememberedTailsNeedARestartFirst) {
  add_list2_tail = nullptr;
  add_list3_tail = nullptr;
  EXPECT_EQ(add_list2(&list, "a", "va", 0), -1);
  EXPECT_EQ(add_list3(&list, "a", 1, 0), -1);
  EXPECT_EQ(names(list), V{"-"});

  EXPECT_EQ(add_list2(&list, "a", "va", 1), 0);
  EXPECT_EQ(add_list2(&list, "b", "vb", 0), 0);
  EXPECT_EQ(add_list2(&list, "a", "vc", 0), 0);
  EXPECT_EQ(names(list), (V{"a", "b", "a"}));
  EXPECT_STREQ(reinterpret_cast<char*>(list.next->next->value), "vc");

  // add_list3 keeps its own tail: it must restart to find this list's end.
  EXPECT_EQ(add_list3(&list, "g", 5, 1), 0);
  EXPECT_EQ(add_list3(&list, "h", 6, 0), 0);
  EXPECT_EQ(names(list), (V{"a", "b", "a", "g", "h"}));
  EXPECT_EQ(list.next->next->next->next->value, 6);
}

// The index gives the list add_name gives: a free slot filled first, a text
// stored once (or again without the check), many texts through a growing table.
TEST_F(NameListTest, IndexedAddsMakeTheListOfAddName) {
  for (int check : {1, 0}) {
    name_lst_dup_check = check;
    name_node plain = {}, indexed = {};
    for (name_node* l : {&plain, &indexed}) {
      for (const char* t : {"a", "b", "c", "a"}) add_list(l, t);
      freemem(l->next->name);
      l->next->name = nullptr;
    }
    name_index index;
    EXPECT_EQ(name_index_init(&index, &indexed), 0);
    std::vector<std::string> texts = {"c", "d", "a", "e", "d"};
    for (int k = 0; k < 90; ++k) texts.push_back("t" + std::to_string(k * 7 % 40));
    for (const std::string& t : texts)
      EXPECT_EQ(add_name_indexed(&index, t.c_str()), add_name(&plain, t.c_str()));
    EXPECT_EQ(names(indexed), names(plain));
    name_index_free(&index);
  }
}

TEST_F(NameListTest, NameInitForgetsTheEntries) {
  add_name(&list, "a");
  add_name(&list, "b");
  list.value = 3;
  name_init(&list);
  EXPECT_EQ(names(list), V{"-"});
  EXPECT_EQ(list.value, 3);
}

}  // namespace
}  // namespace quorl
