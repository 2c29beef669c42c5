#include <gtest/gtest.h>

#include <memory>
#include <tuple>
#include <vector>

#include "numerics/expression_collections.h"
#include "numerics/expression_word_table.h"

namespace zentrova::test {
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

TEST(ExpressionCollections, AtFreeAndTheOwnerFreeTheirItemsDeleteDoesNot) {
  int freed = 0;
  Item kept(7, &freed);
  {
    TOCollection<Item> owner(4);
    for (int k : {1, 2, 3}) owner.Add(new Item(k, &freed));
    owner.AtFree(1);
    EXPECT_EQ(owner.At(1)->key, 3);
    owner.Add(&kept);
    owner.Delete(2);
    EXPECT_EQ(freed, 1);
    EXPECT_THROW(owner.AtFree(-1), EListError);
    EXPECT_THROW(owner.At(2), EListError);
  }
  EXPECT_EQ(freed, 3);
}

TEST(ExpressionCollections, SortedSearchGivesInsertionPositions) {
  ItemCollection c;
  for (int k : {50, 10, 40, 20, 30}) EXPECT_TRUE(c.Insert(new Item(k)));
  EXPECT_EQ(Keys(c), (std::vector<int>{10, 20, 30, 40, 50}));
  for (const auto& [key, found, position] : std::vector<std::tuple<int, bool, int>>{
           {30, true, 2}, {35, false, 3}, {5, false, 0}, {99, false, 5}}) {
    int index = -1;
    EXPECT_EQ(c.Search(key, index), found) << key;
    EXPECT_EQ(index, position) << key;
  }
  // Without Duplicates a second item of a key is refused and stays with the caller.
  auto again = std::make_unique<Item>(20);
  EXPECT_FALSE(c.Insert(again.get()));
  EXPECT_EQ(c.IndexOf(again.get()), 1);  // the equal key's position
  EXPECT_EQ(c.ReplaceOrInsert(new Item(45)), nullptr);
  EXPECT_EQ(Keys(c), (std::vector<int>{10, 20, 30, 40, 45, 50}));

  // With Duplicates every new equal key goes in front of the others, and Search finds the first.
  ItemCollection d;
  d.Duplicates = true;
  Item* const items[] = {new Item(1), new Item(5), new Item(5), new Item(5), new Item(9)};
  for (Item* item : items) d.Insert(item);
  int index = -1;
  EXPECT_TRUE(d.Search(5, index));
  EXPECT_EQ(index, 1);
  EXPECT_EQ(d.At(1), items[3]);
  EXPECT_EQ(d.IndexOf(items[1]), 3);
  Item stranger(5), missing(7);
  EXPECT_EQ(d.IndexOf(&stranger) + d.IndexOf(&missing), -2);
}

TEST(ExpressionCollections, WordTableComparesBytesWithLettersFolded) {
  TExpressList words;
  EXPECT_LT(words.Compare("abc", "ABD"), 0);
  EXPECT_LT(words.Compare("ab", "abc"), 0);
  EXPECT_EQ(words.Compare("Sin", "sIN"), 0);
  EXPECT_GT(words.Compare("_a", "z") + words.Compare("\xe9", "z"), 0);  // '_' after 'Z'; bytes unsigned
}

}  // namespace
}  // namespace zentrova::test
