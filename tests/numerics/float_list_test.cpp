#include "numerics/float_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "numerics/int_list.h"
#include "numerics_test_support.h"
#include "test_support.h"

namespace zentrova {
namespace {

using test::DataPath;
using test::Elements;
using test::Fill;
using test::LoadFile;
using test::LoadText;
using test::NumericsTest;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

using FloatListTest = NumericsTest;

TEST_F(FloatListTest, CreatedEmptyWithClassIdentity) {
  TFloatList list;
  TVector vector;
  EXPECT_EQ(list.ID, -200);
  EXPECT_FALSE(list.ShowErrors);
  EXPECT_EQ(list.Count(), 0u);
  EXPECT_EQ(list.Data(), nullptr);
  EXPECT_EQ(vector.ID, -300);
  EXPECT_EQ(vector.C, 1.0L);
}

TEST_F(FloatListTest, IndexErrorsOfAtAndEl) {
  TFloatList list;
  EXPECT_EQ(list.At(0), 0.0L);
  ExpectError(-200, -201, "TFloatList.At: Index out of bounds");
  EXPECT_EQ(list.El(0), 0.0L);
  ExpectError(-200, -202, "TFloatList.El: Index out of bounds");

  Fill(list, {1, 2, 3});
  EXPECT_EQ(list.El(1), 1.0L);
  EXPECT_EQ(list.El(3), 3.0L);
  EXPECT_EQ(Code(), 0);
  EXPECT_EQ(list.El(4), 0.0L);
  ExpectError(-200, -201, "TFloatList.At: Index out of bounds");

  list.SetAt(3, 9);
  ExpectError(-200, -201, "TFloatList.At: Index out of bounds");
  list.SetEl(0, 9);
  ExpectError(-200, -202, "TFloatList.El: Index out of bounds");
  list.SetEl(2, 7);
  list.SetAt(0, -1);
  EXPECT_EQ(Elements(list), (std::vector<long double>{-1, 7, 3}));
  EXPECT_EQ(Code(), 0);
}

TEST_F(FloatListTest, HighMinMax) {
  TFloatList list;
  EXPECT_EQ(list.High(), -1);
  EXPECT_EQ(list.Min(), 0.0L);
  EXPECT_EQ(list.Max(), 0.0L);
  Fill(list, {-7.5});
  EXPECT_EQ(list.High(), 0);
  EXPECT_EQ(list.Min(), -7.5L);
  EXPECT_EQ(list.Max(), -7.5L);
  Fill(list, {3, -1, 8, -1, 8, 2});
  EXPECT_EQ(list.High(), 5);
  EXPECT_EQ(list.Min(), -1.0L);
  EXPECT_EQ(list.Max(), 8.0L);
  // Ties keep the first element: +0 before -0 stays +0, -0 before +0 stays -0.
  Fill(list, {0.0L, -0.0L});
  EXPECT_FALSE(std::signbit(list.Min()));
  EXPECT_FALSE(std::signbit(list.Max()));
  Fill(list, {-0.0L, 0.0L});
  EXPECT_TRUE(std::signbit(list.Min()));
  EXPECT_TRUE(std::signbit(list.Max()));
}

TEST_F(FloatListTest, DimKeepsElementsAndZeroFills) {
  TFloatList list;
  Fill(list, {1, 2, 3});
  list.Dim(5);
  EXPECT_EQ(Elements(list), (std::vector<long double>{1, 2, 3, 0, 0}));
  list.Dim(2);
  EXPECT_EQ(Elements(list), (std::vector<long double>{1, 2}));
  list.Dim(4);
  EXPECT_EQ(Elements(list), (std::vector<long double>{1, 2, 0, 0}));
  list.Clear();
  EXPECT_EQ(list.Count(), 0u);
  EXPECT_EQ(list.Data(), nullptr);
  EXPECT_EQ(Code(), 0);
}

TEST_F(FloatListTest, DimTooBigAndOutOfMemoryLeaveTheList) {
  TFloatList list;
  Fill(list, {4, 5});
  list.Dim(TFloatList::MaxCount + 1);
  ExpectError(-200, -203, "TFloatList.Dim: Dim too big");
  list.Dim(UINT32_MAX);
  ExpectError(-200, -203, "TFloatList.Dim: Dim too big");
  EXPECT_EQ(Elements(list), (std::vector<long double>{4, 5}));

  FailNumericsAllocationsAfter(0);
  list.Dim(1000);
  ExpectError(-200, -204, "TFloatList.Dim: Out of memory");
  EXPECT_EQ(Elements(list), (std::vector<long double>{4, 5}));
  list.Add(6);
  ExpectError(-200, -204, "TFloatList.Dim: Out of memory");
  EXPECT_EQ(list.Count(), 2u);
  // Shrinking needs no memory.
  list.Dim(1);
  EXPECT_EQ(Code(), 0);
  EXPECT_EQ(Elements(list), (std::vector<long double>{4}));
}

TEST_F(FloatListTest, AStandingResizeErrorStopsAddAddListAndAssignOfEveryList) {
  TFloatList big;
  big.Dim(TFloatList::MaxCount + 1);
  EXPECT_EQ(Code(), -203);

  TFloatList other;
  Fill(other, {1, 2});  // refused: nothing added, not even a 0
  EXPECT_EQ(other.Count(), 0u);
  TFloatList source;
  source.ID = -42;
  ClearNumericsError();
  Fill(source, {1, 2});
  big.Dim(TFloatList::MaxCount + 1);

  TFloatList list;
  list.Add(5);
  list.AddList(source);
  EXPECT_EQ(list.Count(), 0u);
  list.Assign(&source);
  EXPECT_EQ(list.Count(), 0u);
  EXPECT_EQ(list.ID, -42);  // the identity is copied before the elements are refused
  TIntList ints;
  ints.Add(1);  // only the integer lists' own resize errors stop them
  EXPECT_EQ(ints.Count(), 1u);
  EXPECT_EQ(Code(), -203);

  ClearNumericsError();
  list.Add(5);
  list.AddList(source);
  EXPECT_EQ(Elements(list), (std::vector<long double>{5, 1, 2}));
  // Any other standing error does not stop them.
  list.At(99);
  list.Add(6);
  EXPECT_EQ(list.Count(), 4u);
}

TEST_F(FloatListTest, AddListAppendsAndDoublesItself) {
  TFloatList a, b;
  Fill(a, {1, 2});
  Fill(b, {3});
  a.AddList(b);
  EXPECT_EQ(Elements(a), (std::vector<long double>{1, 2, 3}));
  a.AddList(a);
  EXPECT_EQ(Elements(a), (std::vector<long double>{1, 2, 3, 1, 2, 3}));
  TFloatList empty;
  a.AddList(empty);
  empty.AddList(empty);
  EXPECT_EQ(a.Count(), 6u);
  EXPECT_EQ(empty.Count(), 0u);
  EXPECT_EQ(Code(), 0);
}

TEST_F(FloatListTest, HeapSortBothDirections) {
  TFloatList list;
  Fill(list, {3, 1, 2});
  list.Sort(false);
  EXPECT_EQ(Elements(list), (std::vector<long double>{1, 2, 3}));
  Fill(list, {3, 1, 2});
  list.Sort(true);
  EXPECT_EQ(Elements(list), (std::vector<long double>{3, 2, 1}));

  std::vector<long double> values;
  values.reserve(257);
  for (int i = 0; i < 257; ++i) values.push_back(static_cast<long double>((i * 7919) % 101) - 50.25L);
  list.Clear();
  for (long double v : values) list.Add(v);
  list.Sort(false);
  std::sort(values.begin(), values.end());
  EXPECT_EQ(Elements(list), values);
  list.Sort(true);
  std::reverse(values.begin(), values.end());
  EXPECT_EQ(Elements(list), values);

  Fill(list, {5});
  list.Sort(false);
  list.Clear();
  list.Sort(true);
  EXPECT_EQ(Code(), 0);
}

TEST_F(FloatListTest, ZeroAndDecimate) {
  TFloatList list;
  Fill(list, {0, 1, 2, 3, 4, 5, 6});
  list.Decimate(3);
  EXPECT_EQ(Elements(list), (std::vector<long double>{0, 3, 6}));
  Fill(list, {0, 1, 2, 3, 4, 5});
  list.Decimate(3);
  EXPECT_EQ(Elements(list), (std::vector<long double>{0, 3}));
  Fill(list, {0, 1, 2});
  list.Decimate(1);
  EXPECT_EQ(Elements(list), (std::vector<long double>{0, 1, 2}));
  list.Decimate(10);
  EXPECT_EQ(Elements(list), (std::vector<long double>{0}));
  list.Clear();
  list.Decimate(2);
  EXPECT_EQ(Code(), 0);

  Fill(list, {1, 2});
  list.Decimate(0);
  ExpectError(-200, -207, "TFloatList.Decimate: Step must be at least 1");
  EXPECT_EQ(Elements(list), (std::vector<long double>{1, 2}));
  list.Zero();
  EXPECT_EQ(Elements(list), (std::vector<long double>{0, 0}));

  TVector v;
  Fill(v, {4});
  v.C = 3;
  v.Zero();
  EXPECT_EQ(Elements(v), (std::vector<long double>{0}));
  EXPECT_EQ(v.C, 1.0L);
}

TEST_F(FloatListTest, ExtractByLengthClipsAndRefuses) {
  TFloatList list, dest;
  Fill(list, {0, 1, 2, 3, 4});
  list.ExtractByLength(2, 10, dest);
  EXPECT_EQ(Elements(dest), (std::vector<long double>{2, 3, 4}));
  list.ExtractByLength(4, UINT32_MAX, dest);
  EXPECT_EQ(Elements(dest), (std::vector<long double>{4}));
  list.ExtractByLength(1, 2, dest);
  EXPECT_EQ(Elements(dest), (std::vector<long double>{1, 2}));
  EXPECT_EQ(Code(), 0);

  list.ExtractByLength(5, 1, dest);
  ExpectError(-200, -223, "TFloatList.ExtractByLength: Index out of bounds");
  list.ExtractByLength(0, 0, dest);
  ExpectError(-200, -223, "TFloatList.ExtractByLength: Index out of bounds");
  TFloatList empty;
  empty.ExtractByLength(0, 1, dest);
  ExpectError(-200, -223, "TFloatList.ExtractByLength: Index out of bounds");
  EXPECT_EQ(Elements(dest), (std::vector<long double>{1, 2}));

  // Into itself: the run is taken before the list is cut.
  list.ExtractByLength(3, 2, list);
  EXPECT_EQ(Elements(list), (std::vector<long double>{3, 4}));
  EXPECT_EQ(Code(), 0);
}

TEST_F(FloatListTest, ExtractByIndexesClipsALastIndexBeyondTheList) {
  TFloatList list, dest;
  Fill(list, {0, 1, 2, 3, 4});
  list.ExtractByIndexes(1, 3, dest);
  EXPECT_EQ(Elements(dest), (std::vector<long double>{1, 2, 3}));
  list.ExtractByIndexes(2, 2, dest);
  EXPECT_EQ(Elements(dest), (std::vector<long double>{2}));
  list.ExtractByIndexes(1, 5, dest);  // a last index equal to the count is clipped too
  EXPECT_EQ(Elements(dest), (std::vector<long double>{1, 2, 3, 4}));
  list.ExtractByIndexes(3, 1000000, dest);
  EXPECT_EQ(Elements(dest), (std::vector<long double>{3, 4}));
  list.ExtractByIndexes(0, UINT32_MAX, dest);
  EXPECT_EQ(Elements(dest), (std::vector<long double>{0, 1, 2, 3, 4}));
  EXPECT_EQ(Code(), 0);

  list.ExtractByIndexes(5, 6, dest);
  ExpectError(-200, -225, "TFloatList.ExtractByIndexes: Index out of bounds");
  list.ExtractByIndexes(3, 2, dest);
  ExpectError(-200, -225, "TFloatList.ExtractByIndexes: Index out of bounds");
  TFloatList empty;
  empty.ExtractByIndexes(0, 0, dest);
  ExpectError(-200, -225, "TFloatList.ExtractByIndexes: Index out of bounds");
  EXPECT_EQ(dest.Count(), 5u);

  list.ExtractByIndexes(1, 9, list);
  EXPECT_EQ(Elements(list), (std::vector<long double>{1, 2, 3, 4}));
}

TEST_F(FloatListTest, ExtractionsCarryTheFactorAndReportTheDestinationsResizeError) {
  TVector v, dest;
  Fill(v, {1, 2, 3});
  v.C = 2.5;
  v.ExtractByLength(1, 2, dest);
  EXPECT_EQ(Elements(dest), (std::vector<long double>{2, 3}));
  EXPECT_EQ(dest.C, 2.5L);
  v.C = -1;
  v.ExtractByIndexes(0, 0, dest);
  EXPECT_EQ(dest.C, -1.0L);
  v.C = 7;
  v.ExtractByIndexes(3, 4, dest);  // refused: dest untouched
  EXPECT_EQ(Code(), -225);
  EXPECT_EQ(dest.C, -1.0L);
  EXPECT_EQ(Elements(dest), (std::vector<long double>{1}));
  ClearNumericsError();

  TFloatList plain;
  v.ExtractByLength(0, 3, plain);
  EXPECT_EQ(Elements(plain), (std::vector<long double>{1, 2, 3}));

  FailNumericsAllocationsAfter(0);
  TVector target;
  target.ID = -301;
  v.ExtractByLength(0, 3, target);
  ExpectError(-301, -204, "TFloatList.Dim: Out of memory");
  EXPECT_EQ(target.Count(), 0u);
  EXPECT_EQ(target.C, 1.0L);
}

TEST_F(FloatListTest, AssignCopiesIdentityElementsAndFactor) {
  TVector source;
  Fill(source, {1.5, -2});
  source.ID = -9;
  source.ShowErrors = true;
  source.C = 4;

  TVector v;
  v.Assign(&source);
  EXPECT_EQ(v.ID, -9);
  EXPECT_TRUE(v.ShowErrors);
  EXPECT_EQ(Elements(v), (std::vector<long double>{1.5, -2}));
  EXPECT_EQ(v.C, 4.0L);

  TFloatList plain;
  Fill(plain, {7});
  v.Assign(&plain);  // a plain list leaves the factor
  EXPECT_EQ(v.ID, -200);
  EXPECT_FALSE(v.ShowErrors);
  EXPECT_EQ(Elements(v), (std::vector<long double>{7}));
  EXPECT_EQ(v.C, 4.0L);

  TFloatList list;
  list.Assign(&source);
  EXPECT_EQ(Elements(list), (std::vector<long double>{1.5, -2}));
  TFloatList empty;
  list.Assign(&empty);
  EXPECT_EQ(list.Count(), 0u);
  list.Assign(nullptr);
  EXPECT_EQ(list.ID, -200);
  TIntList ints;
  ints.ID = -555;
  Fill(list, {3});
  list.Assign(&ints);  // not a real list: the identity only
  EXPECT_EQ(list.ID, -555);
  EXPECT_EQ(Elements(list), (std::vector<long double>{3}));
  list.Assign(&list);
  EXPECT_EQ(Elements(list), (std::vector<long double>{3}));
  EXPECT_EQ(Code(), 0);
}

TEST_F(FloatListTest, IsEqualComparesClassIdentityAndEveryElement) {
  TFloatList a, b;
  EXPECT_TRUE(a.IsEqual(&b));
  Fill(a, {1, 2});
  Fill(b, {1, 2});
  EXPECT_TRUE(a.IsEqual(&b));
  b.ID = -201;
  EXPECT_FALSE(a.IsEqual(&b));
  b.ID = -200;
  b.ShowErrors = true;
  EXPECT_FALSE(a.IsEqual(&b));
  b.ShowErrors = false;
  b.SetAt(1, std::nextafter(2.0L, 3.0L));  // one unit in the last place
  EXPECT_FALSE(a.IsEqual(&b));
  b.Dim(1);
  EXPECT_FALSE(a.IsEqual(&b));
  EXPECT_FALSE(a.IsEqual(nullptr));

  TVector v, w;
  Fill(v, {1, 2});
  Fill(w, {1, 2});
  v.ID = w.ID = -200;
  EXPECT_FALSE(a.IsEqual(&v));  // same ID and elements, another class
  EXPECT_FALSE(v.IsEqual(&a));
  EXPECT_TRUE(v.IsEqual(&w));
  w.C = 2;
  EXPECT_FALSE(v.IsEqual(&w));

  Fill(a, {std::numeric_limits<long double>::quiet_NaN()});
  EXPECT_FALSE(a.IsEqual(&a));
}

TEST_F(FloatListTest, SavedVectorMatchesTheGoldenFile) {
  TempDir dir;
  TVector v;
  Fill(v, {
              1.5L,
              -2.25e-3L,
              0,
              1.23456789012345678e100L,
          });
  v.C = -4;
  ASSERT_TRUE(v.Save(dir.File("v.txt")));
  EXPECT_EQ(ReadBytes(dir.File("v.txt")), ReadBytes(DataPath("numerics/vector.txt")));

  TVector loaded;
  ASSERT_TRUE(LoadFile(loaded, DataPath("numerics/vector.txt")));
  EXPECT_EQ(loaded.ID, -300);
  EXPECT_FALSE(loaded.ShowErrors);
  EXPECT_EQ(Elements(loaded), (std::vector<long double>{1.5L, -2.25e-3L, 0, 1.23456789012346e100L}));
  EXPECT_EQ(loaded.C, -4.0L);
  EXPECT_EQ(Code(), 0);
}

TEST_F(FloatListTest, SaveThenLoadRestoresEverything) {
  TempDir dir;
  TVector v;
  Fill(v, {0.125L, -3e-300L, 6.02214076e23L, std::numeric_limits<long double>::infinity(), -0.5L});
  v.ID = -31;
  v.ShowErrors = true;
  v.C = 0.75;
  ASSERT_TRUE(v.Save(dir.File("v.txt")));
  TVector w;
  Fill(w, {9, 9, 9, 9, 9, 9, 9});
  ASSERT_TRUE(LoadFile(w, dir.File("v.txt")));
  EXPECT_TRUE(w.IsEqual(&v));
  EXPECT_EQ(w.ID, -31);
  EXPECT_TRUE(w.ShowErrors);
  EXPECT_EQ(w.C, 0.75L);

  TFloatList empty, loaded;
  ASSERT_TRUE(empty.Save(dir.File("e.txt")));
  EXPECT_EQ(ReadBytes(dir.File("e.txt")), "-200\r\nfalse\r\n0\r\n");
  Fill(loaded, {1});
  ASSERT_TRUE(LoadFile(loaded, dir.File("e.txt")));
  EXPECT_TRUE(loaded.IsEqual(&empty));

  // NaN is written as "Nan" and read back.
  Fill(loaded, {std::numeric_limits<long double>::quiet_NaN()});
  ASSERT_TRUE(loaded.Save(dir.File("n.txt")));
  EXPECT_EQ(ReadBytes(dir.File("n.txt")), "-200\r\nfalse\r\n1\r\n                    Nan\r\n");
  ASSERT_TRUE(LoadFile(empty, dir.File("n.txt")));
  EXPECT_TRUE(std::isnan(empty.At(0)));

  // Line ends of either kind, blanks and trailing text after the numbers.
  ASSERT_TRUE(LoadText(loaded, "  -7 rest\nTRUE\n2 elements\n  1.5E+0000 one\n\n-2 two\n"));
  EXPECT_EQ(loaded.ID, -7);
  EXPECT_TRUE(loaded.ShowErrors);
  EXPECT_EQ(Elements(loaded), (std::vector<long double>{1.5, -2}));
  EXPECT_EQ(Code(), 0);
}

TEST_F(FloatListTest, SaveDataAppendsInTheChosenForm) {
  TempDir dir;
  TVector v;
  Fill(v, {1, -0.125L, 123456.789L});
  v.C = 2.5;
  ASSERT_TRUE(v.SaveData(dir.File("d.txt"), 10, 3));
  ASSERT_TRUE(v.SaveData(dir.File("d.txt"), 0, -1));
  EXPECT_EQ(ReadBytes(dir.File("d.txt")), ReadBytes(DataPath("numerics/vector_data.txt")));

  TFloatList list;
  Fill(list, {2});
  ASSERT_TRUE(list.SaveData(dir.File("l.txt"), 25, -1));
  EXPECT_EQ(ReadBytes(dir.File("l.txt")), "Dim= 1\r\n   2.00000000000000E+0000\r\n");
  EXPECT_EQ(Code(), 0);
}

TEST_F(FloatListTest, FileErrors) {
  TempDir dir;
  const std::string bad = dir.File("missing/x.txt");
  TFloatList list;
  TVector v;
  EXPECT_FALSE(list.Save(bad));
  ExpectError(-200, -102, "TBase.Save: Can not access the file");
  EXPECT_FALSE(v.Save(bad));
  ExpectError(-300, -102, "TBase.Save: Can not access the file");
  EXPECT_FALSE(list.SaveData(bad, 5, 2));
  ExpectError(-200, -229, "TFloatList.SaveData: Can not access the file");
  EXPECT_FALSE(v.SaveData(bad, 5, 2));
  ExpectError(-300, -328, "TVector.SaveData: Can not access the file");
  EXPECT_FALSE(LoadFile(v, bad));  // nothing to read at all
}

TEST_F(FloatListTest, DamagedFilesAreRefusedWithTheLevelsError) {
  TFloatList list;
  // A bad header is reported, but the levels below keep reading.
  EXPECT_FALSE(LoadText(list, "abc\r\nfalse\r\n2\r\n1\r\n2\r\n"));
  ExpectError(-200, -104, "TBase.InternalLoad: Error loading the file");
  EXPECT_EQ(Elements(list), (std::vector<long double>{1, 2}));
  EXPECT_FALSE(LoadText(list, "99999999999\r\nfalse\r\n0\r\n"));
  ExpectError(-200, -104, "TBase.InternalLoad: Error loading the file");

  Fill(list, {5, 6});
  EXPECT_FALSE(LoadText(list, "-200\r\nfalse\r\n3\r\n1\r\n2\r\n"));
  ExpectError(-200, -230, "TFloatList.InternalLoad: Error loading the file");
  EXPECT_EQ(Elements(list), (std::vector<long double>{5, 6}));
  EXPECT_FALSE(LoadText(list, "-200\r\nfalse\r\n2\r\n1\r\n2,5\r\n"));
  ExpectError(-200, -230, "TFloatList.InternalLoad: Error loading the file");
  EXPECT_FALSE(LoadText(list, "-200\r\nfalse\r\n-1\r\n"));
  ExpectError(-200, -230, "TFloatList.InternalLoad: Error loading the file");
  EXPECT_FALSE(LoadText(list, "-200\r\nfalse\r\n214748364\r\n1\r\n"));
  ExpectError(-200, -230, "TFloatList.InternalLoad: Error loading the file");
  // A count the file does not hold costs nothing before it is found out.
  EXPECT_FALSE(LoadText(list, "-200\r\nfalse\r\n214748363\r\n1\r\n"));
  ExpectError(-200, -230, "TFloatList.InternalLoad: Error loading the file");
  EXPECT_FALSE(LoadText(list, "-200\r\n"));
  EXPECT_EQ(Code(), -230);
  ClearNumericsError();
  EXPECT_EQ(Elements(list), (std::vector<long double>{5, 6}));

  TVector v;
  EXPECT_FALSE(LoadText(v, "-300\r\nfalse\r\n1\r\n1\r\n"));
  ExpectError(-300, -329, "TVector.InternalLoad: Error loading the file");
  EXPECT_EQ(Elements(v), (std::vector<long double>{1}));
  EXPECT_EQ(v.C, 1.0L);

  FailNumericsAllocationsAfter(0);
  EXPECT_FALSE(LoadText(list, "-200\r\nfalse\r\n3\r\n1\r\n2\r\n3\r\n"));
  ExpectError(-200, -204, "TFloatList.Dim: Out of memory");
  EXPECT_EQ(Elements(list), (std::vector<long double>{5, 6}));
}

}  // namespace
}  // namespace zentrova
