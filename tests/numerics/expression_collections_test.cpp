#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "numerics/expression_collections.h"
#include "numerics/expression_word_table.h"

namespace zentrova {
namespace {

struct Item {
  Item(int k, int* freed_counter = nullptr) : key(k), freed(freed_counter) {}
  ~Item() {
    if (freed != nullptr) ++*freed;
  }
  int key;
  int* freed;
};

class ItemCollection : public TSortedCollection<Item, int> {
 public:
  int Compare(int a, int b) const override { return a < b ? -1 : (a > b ? 1 : 0); }
  int KeyOf(const Item* item) const override { return item->key; }
};

std::vector<int> Keys(const ItemCollection& c) {
  std::vector<int> keys;
  for (const Item* item : c) keys.push_back(item->key);
  return keys;
}

TEST(ExpressionCollections, OwningAndNonOwningFree) {
  int freed = 0;
  {
    TOCollection<Item> owner(4);
    owner.Add(new Item(1, &freed));
    owner.Add(new Item(2, &freed));
    owner.Add(new Item(3, &freed));
    owner.AtFree(1);
    EXPECT_EQ(freed, 1);
    EXPECT_EQ(owner.Count(), 2);
    EXPECT_EQ(owner.At(1)->key, 3);
    std::unique_ptr<Item> taken(owner.At(0));
    owner.Delete(0);  // removed, not freed
    EXPECT_EQ(freed, 1);
    EXPECT_EQ(owner.Count(), 1);
    taken.reset();
    EXPECT_EQ(freed, 2);
    owner.Add(nullptr);  // a null item is skipped when freeing
  }
  EXPECT_EQ(freed, 3);

  Item kept(7, &freed);
  {
    TNoOwnerCollection<Item> refs;
    refs.Add(&kept);
    refs.FreeAll();
    EXPECT_EQ(refs.Count(), 0);
    refs.Add(&kept);
  }
  EXPECT_EQ(freed, 3);
  TOCollection<Item> empty;
  EXPECT_THROW(empty.At(0), EListError);
  EXPECT_THROW(empty.AtFree(-1), EListError);
}

TEST(ExpressionCollections, SortedSearchGivesInsertionPositions) {
  ItemCollection c;
  for (int k : {50, 10, 40, 20, 30}) EXPECT_TRUE(c.Insert(new Item(k)));
  EXPECT_EQ(Keys(c), (std::vector<int>{10, 20, 30, 40, 50}));
  int index = -1;
  EXPECT_TRUE(c.Search(30, index));
  EXPECT_EQ(index, 2);
  EXPECT_FALSE(c.Search(35, index));
  EXPECT_EQ(index, 3);
  EXPECT_FALSE(c.Search(5, index));
  EXPECT_EQ(index, 0);
  EXPECT_FALSE(c.Search(99, index));
  EXPECT_EQ(index, 5);

  // Without Duplicates a second item of a key is refused and stays with the caller.
  auto again = std::make_unique<Item>(20);
  EXPECT_FALSE(c.Insert(again.get()));
  EXPECT_EQ(c.Count(), 5);
  EXPECT_EQ(c.IndexOf(again.get()), 1);  // the equal key's position

  std::unique_ptr<Item> removed(c.ReplaceOrInsert(new Item(40)));
  ASSERT_NE(removed, nullptr);
  EXPECT_EQ(removed->key, 40);
  EXPECT_EQ(Keys(c), (std::vector<int>{10, 20, 30, 40, 50}));
  EXPECT_NE(c.At(3), removed.get());
  EXPECT_EQ(c.ReplaceOrInsert(new Item(45)), nullptr);
  EXPECT_EQ(Keys(c), (std::vector<int>{10, 20, 30, 40, 45, 50}));
}

TEST(ExpressionCollections, DuplicatesFindTheFirstEqualAndTheItemItself) {
  ItemCollection c;
  c.Duplicates = true;
  auto* a = new Item(5);
  auto* b = new Item(5);
  auto* d = new Item(5);
  c.Insert(new Item(1));
  c.Insert(a);
  c.Insert(b);
  c.Insert(d);
  c.Insert(new Item(9));
  int index = -1;
  EXPECT_TRUE(c.Search(5, index));
  EXPECT_EQ(index, 1);
  // Every new equal key goes in front of the others.
  EXPECT_EQ(c.At(1), d);
  EXPECT_EQ(c.IndexOf(a), 3);
  EXPECT_EQ(c.IndexOf(b), 2);
  Item stranger(5);
  EXPECT_EQ(c.IndexOf(&stranger), -1);
  Item missing(7);
  EXPECT_EQ(c.IndexOf(&missing), -1);
}

TEST(ExpressionCollections, WordTableOrdersLettersBeforeUnderscore) {
  TExpressList words;
  EXPECT_LT(words.Compare("abc", "ABD"), 0);
  EXPECT_EQ(words.Compare("Sin", "sIN"), 0);
  EXPECT_GT(words.Compare("_a", "z"), 0);  // '_' comes after 'Z'
  EXPECT_LT(words.Compare("ab", "abc"), 0);
  EXPECT_GT(words.Compare("\xe9", "z"), 0);  // bytes compare unsigned
}

}  // namespace
}  // namespace zentrova
