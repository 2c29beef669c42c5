#include "scene/base/vector_lists.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <string>

#include "scene/base/quaternion.h"
#include "scene/base/scene_errors.h"
#include "scene/expect_near.h"
#include "test_support.h"

namespace zentrova {
namespace {

using namespace std::string_literals;
using test::ExpectError;
using ::testing::ElementsAre;

TEST(VectorLists, AppendsGrowBySixteenAndCountsExactly) {
  TAffineVectorList list;
  for (int i = 0; i < 17; ++i) list.AddXYZ(static_cast<float>(i), 0, 0);
  EXPECT_EQ(list.Capacity(), 32);
  EXPECT_EQ(list.GetItem(16), (TAffineVector{16, 0, 0}));
  TIntegerList ints;  // multi-item appends grow in the same steps
  ints.Add3(1, 2, 3);
  EXPECT_EQ(ints.Capacity(), 16);
  for (int i = 0; i < 7; ++i) ints.Add2(i, -i);
  EXPECT_EQ(ints.Capacity(), 32);
  EXPECT_EQ(ints.GetItem(16), -6);
  // Flush keeps the block; SetCount zero-fills; AddZeroedItems and SetCount grow to exactly the count.
  list.Flush();
  EXPECT_EQ(list.Capacity(), 32);
  list.SetCount(2);
  list.AddZeroedItems(1);
  EXPECT_EQ(list.GetItem(1), ZeroVector);
  EXPECT_EQ(list.GetItem(2), ZeroVector);
  list.Clear();
  EXPECT_EQ(list.BaseList(), nullptr);
  TSingleList exact;
  exact.SetCount(5);
  exact.AddZeroedItems(2);
  EXPECT_EQ(exact.Capacity(), 7);
  exact.SetCapacity(3);  // never shrinks
  EXPECT_EQ(exact.Capacity(), 7);
  // Without the zero-fill option SetCount leaves the old bytes.
  TIntegerList raw;
  raw.Add(42);
  raw.Flush();
  raw.SetOptions(0);
  raw.SetCount(1);
  EXPECT_EQ(raw.GetItem(0), 42);
  EXPECT_THROW(raw.SetCount(-1), EAssertionFailed);
}

TEST(VectorLists, AddListCopiesTheBlockEvenFromItself) {
  TAffineVectorList a, b;
  b.Add({4, 5, 6});
  b.Add({7, 8, 9});
  a.AddList(&b);
  EXPECT_EQ(a.Capacity(), 2);
  a.AddList(&a);
  a.AddList(nullptr);
  EXPECT_EQ(a.Count(), 4);
  EXPECT_EQ(a.GetItem(3), (TAffineVector{7, 8, 9}));
}

TEST(VectorLists, IndexesAreAssertedWithoutASmallLimit) {
  TAffineVectorList list;
  list.Add({1, 2, 3});
  for (int index : {1, -1}) EXPECT_THROW(list.GetItem(index), EAssertionFailed);
  EXPECT_THROW(list.SetItem(1, ZeroVector), EAssertionFailed);
  EXPECT_THROW(list.Exchange(0, 1), EAssertionFailed);
  EXPECT_THROW(TQuaternionList().GetItem(0), EAssertionFailed);
  TByteList bytes;
  EXPECT_THROW(bytes.SetItem(0, 1), EAssertionFailed);
  for (int i = 0; i < 40000; ++i) bytes.Add(static_cast<std::uint8_t>(i));
  EXPECT_EQ(bytes.GetItem(32768), static_cast<std::uint8_t>(32768));
}

TEST(VectorLists, ArchiveLayoutAndChecks) {
  TAffineVectorList list;
  list.Add({1, 2, 3});
  list.Add({-4, 0.5f, 6});
  const std::string bytes = list.SaveToString();
  EXPECT_EQ(bytes, "\x02\x00\x02\x02\x02\x0c"s + std::string(static_cast<const char*>(list.BaseList()), 24) +
                       "\x02\x00"s);
  TAffineVectorList back;
  back.LoadFromString(bytes);
  EXPECT_EQ(back.Count(), 2);
  EXPECT_EQ(std::memcmp(back.BaseList(), list.BaseList(), 24), 0);
  TIntegerList ints;
  ints.Add(-1);
  EXPECT_EQ(ints.SaveToString(), "\x02\x00\x02\x01\x02\x04\xff\xff\xff\xff"s);

  const std::string item(12, '\0');
  TVectorList vectors;
  vectors.AddXYZW(1, 2, 3, 4);
  const std::pair<std::string, std::string> broken[] = {
      {"\x02\x01\x02\x01\x02\x0c"s + item + "\x02\x00"s, "unknown archive version 1"},
      {"\x02\x00\x02\x01\x02\x0c"s + item + "\x02\x05"s, "unknown archive version 5"},
      {vectors.SaveToString(), "archive item size 16 differs from 12"},
      {"\x02\x00\x02\xff\x02\x0c\x02\x00"s, "invalid archive item count -1"},
      {"\x02\x00\x04\x00\x00\x00\x01\x02\x0c"s + item, "invalid archive item count 16777216"}};
  for (const auto& [archive_bytes, message] : broken) {
    const std::string& archive = archive_bytes;  // lambdas capture variables, not bindings
    ExpectError<EFilerException>([&] { back.LoadFromString(archive); }, "TAffineVectorList : " + message);
  }
}

TEST(VectorLists, AssignCopiesOrZeroes) {
  TAffineVectorList a, b;
  a.Add({1, 2, 3});
  a.Add({4, 5, 6});
  a.SetGrowthDelta(5);
  b.Assign(&a);
  a.SetItem(1, ZeroVector);
  EXPECT_EQ(b.GetItem(1), (TAffineVector{4, 5, 6}));  // a copy
  EXPECT_EQ(b.GrowthDelta(), 5);
  // Items of another class cannot be converted: the count is taken, the content zeroed.
  TVectorList v;
  v.AddXYZW(1, 2, 3, 4);
  b.Assign(&v);
  EXPECT_TRUE(b.Count() == 1 && b.GetItem(0) == ZeroVector);
  b.Assign(nullptr);
  EXPECT_EQ(b.Capacity(), 0);
}

TEST(VectorLists, VectorOperations) {
  TAffineVectorList list;
  TAffineVector min, max;
  list.GetExtents(min, max);
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_THAT((std::array{min, max}),
              ElementsAre(TAffineVector{inf, inf, inf}, TAffineVector{-inf, -inf, -inf}));
  list.Add({1, -2, 3});
  list.Add({-1, 5, 0});
  list.GetExtents(min, max);
  EXPECT_THAT((std::array{min, max, list.Sum()}),
              ElementsAre(TAffineVector{-1, -2, 0}, TAffineVector{1, 5, 3}, TAffineVector{0, 3, 3}));
  list.Translate({1, 1, 1});
  list.Scale(2);
  list.ScaleByVector({0.5f, 1, 0});
  EXPECT_EQ(list.GetItem(0), (TAffineVector{2, -2, 0}));
  // Bitwise: -0 is not 0.
  EXPECT_THAT((std::array{list.IndexOfOrAppend({0, 12, 0}), list.IndexOfOrAppend({0, -12, 0}),
                          list.IndexOf({-0.0f, -12, 0})}),
              ElementsAre(1, 2, -1));
  list.Normalize();
  list.Reverse();
  EXPECT_THAT((std::array{list[0], list[1]}), ElementsAre(TAffineVector{0, -1, 0}, UnitVectorY));

  TAffineVectorList a, b, lerped, shorter;
  a.Add({0, 0, 0});
  a.Add({1, 1, 1});
  b.Add({2, 0, 0});
  b.Add({1, 4, 1});
  EXPECT_EQ(a.MaxSpacing(b), 3);
  lerped.Lerp(a, b, 0.25f);
  EXPECT_EQ(lerped.GetItem(0), (TAffineVector{0.5f, 0, 0}));
  lerped.Lerp(a, TVectorList(), 0.5f);  // another class: nothing happens
  EXPECT_EQ(lerped.GetItem(0), (TAffineVector{0.5f, 0, 0}));
  a.TranslateItems(b);
  EXPECT_EQ(a.GetItem(1), (TAffineVector{2, 5, 2}));
  a.TranslateInvItems(b);
  a.CombineScaled(b, 0.5f);
  EXPECT_EQ(a.GetItem(1), (TAffineVector{1.5f, 3, 1.5f}));
  a.Combine(b, -1);
  EXPECT_EQ(a.GetItem(0), (TAffineVector{-1, 0, 0}));
  shorter.Add(ZeroVector);
  EXPECT_THROW(a.CombineScaled(shorter, 1), EAssertionFailed);
  EXPECT_THROW(a.MaxSpacing(shorter), EAssertionFailed);

  TVectorList v1, v2, v;
  v1.AddPoint({0, 0, 0});
  v2.AddXYZW(2, 4, 6, 3);
  v.Lerp(v1, v2, 0.5f);
  v.Translate({1, 1, 1});
  EXPECT_EQ(v.GetItem(0), (TVector4f{2, 3, 4, 2}));
}

TEST(VectorLists, InterpolationOfRotationsAndQuaternions) {
  TAffineVectorList one, two, out, odd;
  one.Add({0.1f, 0.2f, 0.3f});
  one.Add({1.1f, -0.4f, 2.5f});
  two.Add({0.5f, 0.1f, -0.3f});
  two.Add({0.1f, 0.1f, 0.1f});
  out.InterpolateLists(one, two, 0);  // the ends are copies
  EXPECT_EQ(std::memcmp(out.BaseList(), one.BaseList(), 24), 0);
  out.InterpolateLists(one, two, 1);
  EXPECT_EQ(std::memcmp(out.BaseList(), two.BaseList(), 24), 0);
  out.InterpolateLists(one, two, 0.5f);
  EXPECT_EQ(out.GetItem(1), InterpolateEulerRotation(one.GetItem(1), two.GetItem(1), 0.5f));
  odd.Add(ZeroVector);
  EXPECT_THROW(out.InterpolateLists(one, odd, 0.5f), EAssertionFailed);

  TQuaternionList a, b, q;
  a.Add(IdentityQuaternion);
  b.Add(QuaternionFromAxisAngle(UnitVectorZ, 90));
  q.Lerp(a, b, 0.5f);  // 45 degrees, then turned further by the other's rotation, weighted
  q.Combine(b, 1);
  const TQuaternion turned = QuaternionMultiply(QuaternionFromAxisAngle(UnitVectorZ, 45), b.GetItem(0));
  test::ExpectNear(std::array{q.GetItem(0).ImagPart[2], q.GetItem(0).RealPart},
                   {turned.ImagPart[2], turned.RealPart}, 1e-6);
}

TEST(VectorLists, QuickSortMovesTheObjectsWithTheKeys) {
  // Keys compare as the integers of their bit patterns: negatives first, in descending value.
  const std::pair<std::vector<float>, std::vector<float>> cases[] = {
      {{3, -1, 0.5f, -2, 0, 7}, {-1, -2, 0, 0.5f, 3, 7}}, {{2, 1}, {1, 2}}};
  for (const auto& [keys_in, sorted] : cases) {
    TSingleList keys;
    TPersistentObjectList objects;
    std::map<const TObject*, float> key_of;
    for (float k : keys_in) {
      keys.Add(k);
      key_of[objects.Get(objects.Add(std::make_unique<TObject>()))] = k;
    }
    QuickSortLists(0, keys.Count() - 1, keys, objects);
    for (int i = 0; i < keys.Count(); ++i) {
      EXPECT_EQ(keys.GetItem(i), sorted[i]);
      EXPECT_EQ(key_of[objects.Get(i)], keys.GetItem(i)) << i;
    }
  }
}

}  // namespace
}  // namespace zentrova
