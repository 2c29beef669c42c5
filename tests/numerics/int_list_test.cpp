#include "numerics/int_list.h"

#include <gtest/gtest.h>

#include <vector>

#include "numerics/float_list.h"
#include "numerics_test_support.h"

namespace zentrova::test {
namespace {

using IntListTest = NumericsTest;

TEST_F(IntListTest, RefusedOperationsRecordTheirErrorAndChangeNothing) {
  TempDir dir;
  TIntList list;
  Fill(list, {4, -5});
  const std::string at = "TIntList.At: Index out of bounds",
                    load = "TIntList.InternalLoad: Error loading the file";
  // clang-format off
  ExpectErrors(-500, {
      {[&] { EXPECT_EQ(list.At(2), 0); }, -501, at}, {[&] { list.SetAt(2, 1); }, -501, at},
      {[&] { EXPECT_EQ(list.El(0), 0); }, -502, "TIntList.El: Index out of bounds"},
      {[&] { EXPECT_EQ(list.El(3), 0); }, -501, at},
      {[&] { list.Dim(TIntList::MaxCount + 1); }, -503, "TIntList.Dim: Dim too big"},
      {[&] { FailNumericsAllocationsAfter(0); list.Dim(3); FailNumericsAllocationsAfter(-1); }, -504,
       "TIntList.Dim: Out of memory"},
      {[&] { EXPECT_FALSE(list.Save(dir.File("no/i.txt"))); }, -102, "TBase.Save: Can not access the file"},
      {[&] { EXPECT_FALSE(LoadText(list, "-500\r\nfalse\r\n1\r\n2147483648\r\n")); }, -525, load},
      {[&] { EXPECT_FALSE(LoadText(list, "-500\r\nfalse\r\n2\r\n1.5\r\n2\r\n")); }, -525, load},
      {[&] { EXPECT_FALSE(LoadText(list, "-500\r\nfalse\r\n536870911\r\n")); }, -525, load}});
  // clang-format on
  EXPECT_EQ(Elements(list), (Ints{4, -5}));
  EXPECT_EQ(list.El(2), -5);
  list.Dim(3);
  list.SetAt(2, 8);
  EXPECT_EQ(Elements(list), (Ints{4, -5, 8}));
  EXPECT_EQ(list.High(), 2);
  list.Zero();
  EXPECT_EQ(Elements(list), (Ints{0, 0, 0}));
}

TEST_F(IntListTest, OnlyItsOwnResizeErrorsStopAnIntegerList) {
  TIntList list, other, source;
  TFloatList reals;
  source.ID = -4;
  Fill(other, {3});
  list.Dim(TIntList::MaxCount + 1);
  other.Assign(&source);  // the identity is copied, the elements are refused, and so is the Add
  other.Add(3);
  reals.Add(1);  // the real lists only stop at their own resize errors
  EXPECT_EQ(Elements(other), (Ints{3}));
  EXPECT_EQ(other.ID + reals.Count(), -3);
  ExpectError(-500, -503, "TIntList.Dim: Dim too big");
}

TEST_F(IntListTest, GoldenFileAssignIsEqualAndSignedSort) {
  TempDir dir;
  TIntList list, copy, c, d;
  Fill(list, {7, INT32_MIN, INT32_MAX});
  list.ID = -77;
  list.ShowErrors = true;
  ASSERT_TRUE(list.Save(dir.File("i.txt")));
  EXPECT_EQ(ReadBytes(dir.File("i.txt")), ReadBytes(DataPath("numerics/int_list.txt")));
  ASSERT_TRUE(LoadFile(copy, DataPath("numerics/int_list.txt")));
  EXPECT_TRUE(copy.IsEqual(&list));
  copy.Assign(&c);
  EXPECT_EQ(copy.Count(), 0u);
  copy.Assign(&list);
  EXPECT_TRUE(copy.IsEqual(&list));
  copy.SetAt(2, 4);
  EXPECT_FALSE(copy.IsEqual(&list));
  copy.SetAt(2, INT32_MAX);
  copy.ID = -78;
  EXPECT_FALSE(copy.IsEqual(&list));
  TFloatList reals;
  reals.Assign(&list);  // another class with the same identity is not equal
  EXPECT_FALSE(reals.IsEqual(&list));
  EXPECT_TRUE(c.IsEqual(&d));
  EXPECT_TRUE(LoadText(list, "-500\nfalse\n7\n$10\n-3\n2\n-1\n-2147483648\n2147483647\n0\n"));
  list.Sort(false);
  EXPECT_EQ(Elements(list), (Ints{INT32_MIN, -3, -1, 0, 2, 16, INT32_MAX}));
  list.Sort(true);
  EXPECT_EQ(Elements(list), (Ints{INT32_MAX, 16, 2, 0, -1, -3, INT32_MIN}));
}

}  // namespace
}  // namespace zentrova::test
