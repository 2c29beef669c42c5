#include "numerics/int_list.h"

#include <gtest/gtest.h>

#include <vector>

#include "numerics/float_list.h"
#include "numerics_test_support.h"
#include "test_support.h"

namespace zentrova {
namespace {

using test::DataPath;
using test::Elements;
using test::Fill;
using test::LoadText;
using test::NumericsTest;
using test::ReadBytes;
using test::TempDir;

using IntListTest = NumericsTest;

TEST_F(IntListTest, ElementsAndIndexErrors) {
  TIntList list;
  EXPECT_EQ(list.ID, -500);
  EXPECT_EQ(list.High(), -1);
  EXPECT_EQ(list.At(0), 0);
  ExpectError(-500, -501, "TIntList.At: Index out of bounds");
  EXPECT_EQ(list.El(0), 0);
  ExpectError(-500, -502, "TIntList.El: Index out of bounds");
  Fill(list, {4, -5});
  EXPECT_EQ(list.El(2), -5);
  EXPECT_EQ(list.El(3), 0);
  ExpectError(-500, -501, "TIntList.At: Index out of bounds");
  list.SetAt(2, 1);
  ExpectError(-500, -501, "TIntList.At: Index out of bounds");
  list.SetAt(1, 8);
  list.Dim(3);
  EXPECT_EQ(Elements(list), (std::vector<std::int32_t>{4, 8, 0}));
  EXPECT_EQ(list.High(), 2);
  list.Zero();
  EXPECT_EQ(Elements(list), (std::vector<std::int32_t>{0, 0, 0}));
  EXPECT_EQ(Code(), 0);
}

TEST_F(IntListTest, ResizeErrorsAndTheirStickiness) {
  TIntList list;
  Fill(list, {1});
  list.Dim(TIntList::MaxCount + 1);
  ExpectError(-500, -503, "TIntList.Dim: Dim too big");
  FailNumericsAllocationsAfter(0);
  list.Dim(3);
  ExpectError(-500, -504, "TIntList.Dim: Out of memory");
  FailNumericsAllocationsAfter(-1);
  EXPECT_EQ(Elements(list), (std::vector<std::int32_t>{1}));

  list.Dim(TIntList::MaxCount + 1);
  TIntList other;
  other.Add(3);
  TIntList source;
  source.ID = -4;
  other.Assign(&source);
  EXPECT_EQ(other.Count(), 0u);
  EXPECT_EQ(other.ID, -4);
  TFloatList reals;
  reals.Add(1);  // the real lists only stop at their own resize errors
  EXPECT_EQ(reals.Count(), 1u);
  ClearNumericsError();
  other.Add(3);
  EXPECT_EQ(Elements(other), (std::vector<std::int32_t>{3}));
}

TEST_F(IntListTest, SortIsSigned) {
  TIntList list;
  Fill(list, {3, -1, 2, INT32_MIN, INT32_MAX, 0, -1});
  list.Sort(false);
  EXPECT_EQ(Elements(list), (std::vector<std::int32_t>{INT32_MIN, -1, -1, 0, 2, 3, INT32_MAX}));
  list.Sort(true);
  EXPECT_EQ(Elements(list), (std::vector<std::int32_t>{INT32_MAX, 3, 2, 0, -1, -1, INT32_MIN}));
}

TEST_F(IntListTest, AssignAndIsEqual) {
  TIntList a, b;
  Fill(a, {1, 2, 3});
  a.ID = -77;
  a.ShowErrors = true;
  b.Assign(&a);
  EXPECT_EQ(Elements(b), (std::vector<std::int32_t>{1, 2, 3}));
  EXPECT_TRUE(b.IsEqual(&a));
  b.SetAt(2, 4);
  EXPECT_FALSE(b.IsEqual(&a));
  b.SetAt(2, 3);
  b.ID = -78;
  EXPECT_FALSE(b.IsEqual(&a));
  TFloatList reals;
  reals.ID = -77;
  reals.ShowErrors = true;
  EXPECT_FALSE(reals.IsEqual(&a));
  TIntList c, d;
  EXPECT_TRUE(c.IsEqual(&d));
}

TEST_F(IntListTest, SaveMatchesTheGoldenFileAndLoadsBack) {
  TempDir dir;
  TIntList list;
  Fill(list, {7, INT32_MIN, INT32_MAX});
  list.ID = -77;
  list.ShowErrors = true;
  ASSERT_TRUE(list.Save(dir.File("i.txt")));
  EXPECT_EQ(ReadBytes(dir.File("i.txt")), ReadBytes(DataPath("numerics/int_list.txt")));
  TIntList loaded;
  ASSERT_TRUE(test::LoadFile(loaded, DataPath("numerics/int_list.txt")));
  EXPECT_TRUE(loaded.IsEqual(&list));

  EXPECT_FALSE(list.Save(dir.File("no/i.txt")));
  ExpectError(-77, -102, "TBase.Save: Can not access the file");
}

TEST_F(IntListTest, DamagedFilesAreRefused) {
  TIntList list;
  Fill(list, {1});
  EXPECT_FALSE(LoadText(list, "-500\r\nfalse\r\n1\r\n2147483648\r\n"));
  ExpectError(-500, -525, "TIntList.InternalLoad: Error loading the file");
  EXPECT_FALSE(LoadText(list, "-500\r\nfalse\r\n2\r\n1.5\r\n2\r\n"));
  ExpectError(-500, -525, "TIntList.InternalLoad: Error loading the file");
  EXPECT_FALSE(LoadText(list, "-500\r\nfalse\r\n536870911\r\n"));
  ExpectError(-500, -525, "TIntList.InternalLoad: Error loading the file");
  EXPECT_EQ(Elements(list), (std::vector<std::int32_t>{1}));
  EXPECT_TRUE(LoadText(list, "-500\nfalse\n2\n$10\n-3\n"));
  EXPECT_EQ(Elements(list), (std::vector<std::int32_t>{16, -3}));
}

}  // namespace
}  // namespace zentrova
