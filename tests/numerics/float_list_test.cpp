#include "numerics/float_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <tuple>
#include <vector>

#include "numerics/int_list.h"
#include "numerics_test_support.h"

namespace zentrova::test {
namespace {

using FloatListTest = NumericsTest;

constexpr long double kNaN = std::numeric_limits<long double>::quiet_NaN();

TEST_F(FloatListTest, RefusedOperationsRecordTheirErrorAndChangeNothing) {
  const std::string bad = "/nonexistent-folder/x.txt";
  TFloatList list, dest, empty;
  TVector v;
  Fill(list, {0, 1, 2, 3, 4});
  const std::string at = "TFloatList.At: Index out of bounds", el = "TFloatList.El: Index out of bounds";
  const std::string by_length = "TFloatList.ExtractByLength: Index out of bounds";
  const std::string by_indexes = "TFloatList.ExtractByIndexes: Index out of bounds";
  const std::string load = "TFloatList.InternalLoad: Error loading the file";
  const std::string header = "TBase.InternalLoad: Error loading the file";
  // clang-format off
  ExpectErrors(-200, {
      {[&] { EXPECT_EQ(list.At(5), 0.0L); }, -201, at},  {[&] { list.SetAt(5, 9); }, -201, at},
      {[&] { EXPECT_EQ(list.El(0), 0.0L); }, -202, el},  {[&] { EXPECT_EQ(list.El(6), 0.0L); }, -201, at},
      {[&] { list.SetEl(0, 9); }, -202, el},
      {[&] { list.Dim(TFloatList::MaxCount + 1); }, -203, "TFloatList.Dim: Dim too big"},
      {[&] { list.Dim(UINT32_MAX); }, -203, "TFloatList.Dim: Dim too big"},
      {[&] { list.Decimate(0); }, -207, "TFloatList.Decimate: Step must be at least 1"},
      {[&] { list.ExtractByLength(5, 1, dest); }, -223, by_length},
      {[&] { list.ExtractByLength(0, 0, dest); }, -223, by_length},
      {[&] { empty.ExtractByLength(0, 1, dest); }, -223, by_length},
      {[&] { list.ExtractByIndexes(5, 6, dest); }, -225, by_indexes},
      {[&] { list.ExtractByIndexes(3, 2, dest); }, -225, by_indexes},
      {[&] { empty.ExtractByIndexes(0, 0, dest); }, -225, by_indexes},
      {[&] { EXPECT_FALSE(list.Save(bad)); }, -102, "TBase.Save: Can not access the file"},
      {[&] { EXPECT_FALSE(v.Save(bad)); }, -102, "TBase.Save: Can not access the file", -300},
      {[&] { EXPECT_FALSE(list.SaveData(bad, 5, 2)); }, -229, "TFloatList.SaveData: Can not access the file"},
      {[&] { EXPECT_FALSE(v.SaveData(bad, 5, 2)); }, -328, "TVector.SaveData: Can not access the file", -300},
      // A bad header is reported, but the levels below keep reading; a count that the file does not
      // hold costs nothing before it is found out.
      {[&] { EXPECT_FALSE(LoadText(dest, "abc\r\nfalse\r\n2\r\n1\r\n2\r\n")); }, -104, header},
      {[&] { EXPECT_FALSE(LoadText(dest, "99999999999\r\nfalse\r\n2\r\n1\r\n2\r\n")); }, -104, header},
      {[&] { EXPECT_FALSE(LoadText(list, "-200\r\nfalse\r\n3\r\n1\r\n2\r\n")); }, -230, load},
      {[&] { EXPECT_FALSE(LoadText(list, "-200\r\nfalse\r\n2\r\n1\r\n2,5\r\n")); }, -230, load},
      {[&] { EXPECT_FALSE(LoadText(list, "-200\r\nfalse\r\n-1\r\n")); }, -230, load},
      {[&] { EXPECT_FALSE(LoadText(list, "-200\r\nfalse\r\n214748364\r\n1\r\n")); }, -230, load},
      {[&] { EXPECT_FALSE(LoadText(list, "-200\r\nfalse\r\n214748363\r\n1\r\n")); }, -230, load},
      {[&] { EXPECT_FALSE(LoadText(list, "-200\r\n")); }, -230, load},
      {[&] { EXPECT_FALSE(LoadText(v, "-300\r\nfalse\r\n1\r\n1\r\n")); }, -329,
       "TVector.InternalLoad: Error loading the file", -300},
      {[&] { FailNumericsAllocationsAfter(0); LoadText(dest, "-200\r\nfalse\r\n3\r\n1\r\n2\r\n3"); }, -204,
       "TFloatList.Dim: Out of memory"}});
  // clang-format on
  EXPECT_EQ(Elements(list), (Reals{0, 1, 2, 3, 4}));
  EXPECT_EQ(Elements(dest), (Reals{1, 2}));
  EXPECT_EQ(Elements(v), (Reals{1}));
  EXPECT_EQ(v.C, 1.0L);
  EXPECT_FALSE(LoadFile(v, bad));  // nothing to read at all
}

TEST_F(FloatListTest, ElementsShapeAndOrder) {
  TFloatList list, other, empty;
  EXPECT_EQ(list.Data(), nullptr);
  EXPECT_EQ(list.High(), -1);
  EXPECT_EQ(list.Min() + list.Max(), 0.0L);
  Fill(list, {3, -1, 8, -1, 8, 2});
  list.SetEl(6, 7);
  list.SetAt(0, -2);
  EXPECT_EQ(list.El(1), -2.0L);
  EXPECT_EQ(list.High(), 5);
  EXPECT_EQ(list.Min(), -2.0L);
  EXPECT_EQ(list.Max(), 8.0L);
  list.Dim(7);
  list.Dim(3);
  list.Dim(4);
  // Appending reads the count first: a list appended to itself doubles.
  Fill(other, {5});
  list.AddList(other);
  list.AddList(list);
  list.AddList(empty);
  empty.AddList(empty);
  EXPECT_EQ(Elements(list), (Reals{-2, -1, 8, 0, 5, -2, -1, 8, 0, 5}));
  EXPECT_EQ(empty.Count(), 0u);
  // Ties keep the first element: +0 before -0 stays +0, -0 before +0 stays -0.
  Fill(list, {0.0L, -0.0L});
  EXPECT_FALSE(std::signbit(list.Min()) || std::signbit(list.Max()));
  Fill(list, {-0.0L, 0.0L});
  EXPECT_TRUE(std::signbit(list.Min()) && std::signbit(list.Max()));
  list.Clear();
  EXPECT_EQ(list.Data(), nullptr);
}

TEST_F(FloatListTest, ResizeErrorsLeaveTheListAndStopEveryListWhileTheyStand) {
  TFloatList list, source;
  Fill(list, {4, 5});
  Fill(source, {1, 2});
  source.ID = -42;
  FailNumericsAllocationsAfter(0);
  list.Add(6);  // its resize fails: the list stays as it was, no stray element is written
  ExpectError(-200, -204, "TFloatList.Dim: Out of memory");
  EXPECT_EQ(Elements(list), (Reals{4, 5}));
  list.Dim(1);  // shrinking needs no memory
  EXPECT_EQ(Elements(list), (Reals{4}));
  FailNumericsAllocationsAfter(-1);

  TFloatList big, stopped;
  big.Dim(TFloatList::MaxCount + 1);
  stopped.Add(5);
  stopped.AddList(source);
  stopped.Assign(&source);
  EXPECT_EQ(stopped.Count(), 0u);
  EXPECT_EQ(stopped.ID, -42);  // the identity is copied before the elements are refused
  TIntList ints;
  ints.Add(1);  // only the integer lists' own resize errors stop them
  EXPECT_EQ(ints.Count(), 1u);
  EXPECT_EQ(Code(), -203);
  list.At(99);  // any other standing error does not stop them
  list.Add(6);
  list.AddList(source);
  EXPECT_EQ(Elements(list), (Reals{4, 6, 1, 2}));
  ExpectError(-200, -201, "TFloatList.At: Index out of bounds");
}

TEST_F(FloatListTest, HeapSortBothDirections) {
  Reals values;
  for (int i = 0; i < 257; ++i) values.push_back(static_cast<long double>((i * 7919) % 101) - 50.25L);
  for (std::size_t n : {0, 1, 3, 257}) {
    Reals expected(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(n));
    TFloatList list;
    Fill(list, expected);
    list.Sort(false);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Elements(list), expected);
    list.Sort(true);
    std::reverse(expected.begin(), expected.end());
    EXPECT_EQ(Elements(list), expected);
  }
}

TEST_F(FloatListTest, DecimateAndExtractionsThatClipAtTheEnd) {
  TFloatList list, dest;
  // clang-format off
  for (const auto& [before, step, after] : std::vector<std::tuple<Reals, std::uint32_t, Reals>>{
           {{0, 1, 2, 3, 4, 5, 6}, 3, {0, 3, 6}}, {{0, 1, 2, 3, 4, 5}, 3, {0, 3}}, {{0, 1, 2}, 1, {0, 1, 2}},
           {{0, 1, 2}, 10, {0}}, {Reals{}, 2, Reals{}}}) {
    // clang-format on
    Fill(list, before);
    list.Decimate(step);
    EXPECT_EQ(Elements(list), after);
  }
  Fill(list, {0, 1, 2, 3, 4});
  // By length (first, length) or by indexes (first, last).
  // clang-format off
  using Run = std::tuple<bool, std::uint32_t, std::uint32_t, Reals>;
  for (const auto& [by_length, first, second, expected] : std::vector<Run>{
           {true, 2, 10, {2, 3, 4}}, {true, 4, UINT32_MAX, {4}}, {true, 1, 2, {1, 2}},
           {false, 1, 3, {1, 2, 3}}, {false, 2, 2, {2}}, {false, 1, 5, {1, 2, 3, 4}},
           {false, 3, 1000000, {3, 4}}, {false, 0, UINT32_MAX, {0, 1, 2, 3, 4}}}) {
    // clang-format on
    SCOPED_TRACE(::testing::Message() << by_length << " " << first << " " << second);
    by_length ? list.ExtractByLength(first, second, dest) : list.ExtractByIndexes(first, second, dest);
    EXPECT_EQ(Elements(dest), expected);
  }
  // Into itself: the run is taken before the list is cut.
  list.ExtractByIndexes(1, 9, list);
  list.ExtractByLength(2, 2, list);
  EXPECT_EQ(Elements(list), (Reals{3, 4}));
}

TEST_F(FloatListTest, ExtractionsAndAssignmentsCarryIdentityAndFactor) {
  TVector v, dest, target;
  TFloatList plain, list;
  Fill(v, {1, 2, 3}, 2.5);
  v.ExtractByLength(1, 2, dest);
  EXPECT_EQ(Elements(dest), (Reals{2, 3}));
  EXPECT_EQ(dest.C, 2.5L);
  v.C = -1;
  v.ExtractByIndexes(0, 0, dest);
  v.C = 7;
  v.ExtractByIndexes(3, 4, dest);  // refused: dest untouched
  ExpectError(-300, -225, "TFloatList.ExtractByIndexes: Index out of bounds");
  EXPECT_EQ(Elements(dest), (Reals{1}));
  EXPECT_EQ(dest.C, -1.0L);
  v.ID = -9;
  v.ShowErrors = true;
  dest.Assign(&v);
  EXPECT_TRUE(dest.IsEqual(&v));
  Fill(plain, {7});
  dest.Assign(&plain);  // a plain list leaves the factor
  EXPECT_FALSE(dest.ShowErrors);
  EXPECT_EQ(Elements(dest), (Reals{7}));
  EXPECT_EQ(dest.C, 7.0L);
  dest.Zero();
  EXPECT_EQ(Elements(dest), (Reals{0}));
  EXPECT_EQ(dest.C, 1.0L);
  TIntList ints;
  ints.ID = -555;
  plain.Assign(&ints);  // not a real list: the identity only
  plain.Assign(&plain);
  plain.Assign(nullptr);
  EXPECT_EQ(plain.ID, -555);
  EXPECT_EQ(Elements(plain), (Reals{7}));
  FailNumericsAllocationsAfter(0);
  target.ID = -301;
  v.ExtractByLength(0, 3, target);
  ExpectError(-301, -204, "TFloatList.Dim: Out of memory");
  EXPECT_EQ(target.Count(), 0u);
  EXPECT_EQ(target.C, 1.0L);
}

TEST_F(FloatListTest, IsEqualComparesClassIdentityAndEveryElement) {
  TFloatList a, empty;
  EXPECT_TRUE(a.IsEqual(&empty));
  Fill(a, {1, 2});
  const std::vector<std::function<void(TVector&)>> differences = {
      [](TVector& b) { b.ID = -201; }, [](TVector& b) { b.ShowErrors = true; },
      [](TVector& b) { b.SetAt(1, std::nextafter(2.0L, 3.0L)); }, [](TVector& b) { b.Dim(1); },
      [](TVector& b) { b.C = 2; }};
  for (const auto& differ : differences) {
    TVector v, w;
    Fill(v, {1, 2});
    Fill(w, {1, 2});
    v.ID = w.ID = -200;
    EXPECT_FALSE(a.IsEqual(&v) || v.IsEqual(&a));  // same ID and elements, another class
    EXPECT_TRUE(v.IsEqual(&w));
    differ(w);
    EXPECT_FALSE(v.IsEqual(&w));
  }
  EXPECT_FALSE(a.IsEqual(nullptr));
  Fill(a, {kNaN});
  EXPECT_FALSE(a.IsEqual(&a));
}

TEST_F(FloatListTest, SavedVectorsMatchTheGoldenFilesAndLoadBack) {
  TempDir dir;
  TVector v, w;
  Fill(v, {1.5L, -2.25e-3L, 0, 1.23456789012345678e100L}, -4);
  ASSERT_TRUE(v.Save(dir.File("v.txt")));
  EXPECT_EQ(ReadBytes(dir.File("v.txt")), ReadBytes(DataPath("numerics/vector.txt")));
  ASSERT_TRUE(LoadFile(w, DataPath("numerics/vector.txt")));
  Fill(v, {1.5L, -2.25e-3L, 0, 1.23456789012346e100L});  // 15 significant digits
  EXPECT_TRUE(w.IsEqual(&v));
  Fill(v, {1, -0.125L, 123456.789L}, 2.5);
  ASSERT_TRUE(v.SaveData(dir.File("d.txt"), 10, 3));
  ASSERT_TRUE(v.SaveData(dir.File("d.txt"), 0, -1));
  EXPECT_EQ(ReadBytes(dir.File("d.txt")), ReadBytes(DataPath("numerics/vector_data.txt")));

  Fill(v, {0.125L, -3e-300L, 6.02214076e23L, std::numeric_limits<long double>::infinity(), -0.5L}, 0.75);
  v.ID = -31;
  v.ShowErrors = true;
  ASSERT_TRUE(v.Save(dir.File("v.txt")));
  Fill(w, {9, 9, 9, 9, 9, 9, 9});
  ASSERT_TRUE(LoadFile(w, dir.File("v.txt")));
  EXPECT_TRUE(w.IsEqual(&v));
  TFloatList list;
  Fill(list, {kNaN});
  ASSERT_TRUE(list.Save(dir.File("n.txt")));
  ASSERT_TRUE(list.SaveData(dir.File("d.txt"), 25, -1));
  EXPECT_EQ(ReadBytes(dir.File("n.txt")), "-200\r\nfalse\r\n1\r\n                    Nan\r\n");
  EXPECT_EQ(ReadBytes(dir.File("d.txt")),
            ReadBytes(DataPath("numerics/vector_data.txt")) + "Dim= 1\r\n                      Nan\r\n");
  list.Clear();
  ASSERT_TRUE(LoadFile(list, dir.File("n.txt")));
  EXPECT_TRUE(std::isnan(list.At(0)));
  // Line ends of either kind, blanks and trailing text after the numbers.
  ASSERT_TRUE(LoadText(list, "  -7 rest\nTRUE\n2 elements\n  1.5E+0000 one\n\n-2 two\n"));
  EXPECT_EQ(list.ID, -7);
  EXPECT_TRUE(list.ShowErrors);
  EXPECT_EQ(Elements(list), (Reals{1.5, -2}));
}

}  // namespace
}  // namespace zentrova::test
