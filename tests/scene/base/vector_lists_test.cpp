#include "scene/base/vector_lists.h"

#include <gtest/gtest.h>

#include "test_support.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <string>

#include "scene/base/quaternion.h"
#include "scene/base/scene_errors.h"

namespace zentrova {
namespace {

using namespace std::string_literals;

using test::ExpectError;

TEST(VectorLists, SingleAppendsGrowBySixteen) {
  TAffineVectorList list;
  EXPECT_EQ(list.Capacity(), 0);
  list.Add({1, 2, 3});
  EXPECT_EQ(list.Capacity(), 16);
  for (int i = 1; i < 17; ++i) list.AddXYZ(static_cast<float>(i), 0, 0);
  EXPECT_EQ(list.Count(), 17);
  EXPECT_EQ(list.Capacity(), 32);
  EXPECT_EQ(list.GetItem(16), (TAffineVector{16, 0, 0}));
  // Multi-item appends grow in the same steps.
  TIntegerList ints;
  ints.Add3(1, 2, 3);
  EXPECT_EQ(ints.Capacity(), 16);
  for (int i = 0; i < 7; ++i) ints.Add2(i, -i);
  EXPECT_EQ(ints.Count(), 17);
  EXPECT_EQ(ints.Capacity(), 32);
  EXPECT_EQ(ints.GetItem(16), -6);
}

TEST(VectorLists, CountsZeroFillAndExactGrowth) {
  TAffineVectorList list;
  for (int i = 0; i < 5; ++i) list.Add({9, 9, 9});
  list.Flush();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Capacity(), 16);  // Flush keeps the block
  list.SetCount(5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(list.GetItem(i), ZeroVector);
  list.SetItem(4, {1, 1, 1});
  list.AddZeroedItems(2);
  EXPECT_EQ(list.Count(), 7);
  EXPECT_EQ(list.GetItem(4), (TAffineVector{1, 1, 1}));
  EXPECT_EQ(list.GetItem(5), ZeroVector);
  EXPECT_EQ(list.GetItem(6), ZeroVector);
  list.Clear();
  EXPECT_EQ(list.Capacity(), 0);
  EXPECT_EQ(list.BaseList(), nullptr);

  TSingleList exact;
  exact.SetCount(5);
  EXPECT_EQ(exact.Capacity(), 5);
  exact.AddZeroedItems(2);
  EXPECT_EQ(exact.Capacity(), 7);
  exact.SetCapacity(3);  // never shrinks
  EXPECT_EQ(exact.Capacity(), 7);
  TAffineVectorList a, b;
  a.Add({1, 2, 3});
  b.Add({4, 5, 6});
  b.Add({7, 8, 9});
  a.AddList(&b);
  EXPECT_EQ(a.Count(), 3);
  EXPECT_EQ(a.Capacity(), 16);
  TAffineVectorList c;
  c.AddList(&b);
  EXPECT_EQ(c.Capacity(), 2);
  c.AddList(&c);
  EXPECT_EQ(c.Count(), 4);
  EXPECT_EQ(c.GetItem(3), (TAffineVector{7, 8, 9}));
  c.AddList(nullptr);
  EXPECT_EQ(c.Count(), 4);

  // Without the zero-fill option SetCount leaves the old bytes.
  TIntegerList raw;
  raw.Add(42);
  raw.Flush();
  raw.SetOptions(0);
  raw.SetCount(1);
  EXPECT_EQ(raw.GetItem(0), 42);
  EXPECT_THROW(raw.SetCount(-1), EAssertionFailed);
}

TEST(VectorLists, IndexesAreAsserted) {
  TAffineVectorList list;
  list.Add({1, 2, 3});
  try {
    list.GetItem(1);
    FAIL() << "no exception";
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Text(), "Assertion failure");
  }
  EXPECT_THROW(list.GetItem(-1), EAssertionFailed);
  EXPECT_THROW(list.SetItem(1, ZeroVector), EAssertionFailed);
  EXPECT_THROW(list.Exchange(0, 1), EAssertionFailed);
  TByteList bytes;
  EXPECT_THROW(bytes.SetItem(0, 1), EAssertionFailed);
  TQuaternionList quaternions;
  EXPECT_THROW(quaternions.GetItem(0), EAssertionFailed);
}

TEST(VectorLists, ByteListHasNoSmallIndexLimit) {
  TByteList bytes;
  for (int i = 0; i < 40000; ++i) bytes.Add(static_cast<std::uint8_t>(i));
  EXPECT_EQ(bytes.Count(), 40000);
  EXPECT_EQ(bytes.GetItem(32768), static_cast<std::uint8_t>(32768));
  bytes.SetItem(39999, 7);
  EXPECT_EQ(bytes.GetItem(39999), 7);
}

TEST(VectorLists, ArchiveLayout) {
  TAffineVectorList list;
  list.Add({1, 2, 3});
  list.Add({-4, 0.5f, 6});
  const std::string bytes = list.SaveToString();
  std::string items(24, '\0');
  std::memcpy(items.data(), list.BaseList(), 24);
  EXPECT_EQ(bytes, "\x02\x00\x02\x02\x02\x0c"s + items + "\x02\x00"s);
  TAffineVectorList back;
  back.LoadFromString(bytes);
  EXPECT_EQ(back.Count(), 2);
  EXPECT_EQ(back.ItemSize(), 12);
  EXPECT_EQ(std::memcmp(back.BaseList(), list.BaseList(), 24), 0);

  TIntegerList ints;
  ints.Add(-1);
  EXPECT_EQ(ints.SaveToString(), "\x02\x00\x02\x01\x02\x04\xff\xff\xff\xff"s);
  TIntegerList empty;
  EXPECT_EQ(empty.SaveToString(), "\x02\x00\x02\x00\x02\x04"s);
}

TEST(VectorLists, ArchiveContentIsChecked) {
  TAffineVectorList list;
  const std::string items(12, '\0');
  ExpectError<EFilerException>(
      [&] { list.LoadFromString("\x02\x01\x02\x01\x02\x0c"s + items + "\x02\x00"s); },
      "TAffineVectorList : unknown archive version 1");
  ExpectError<EFilerException>(
      [&] { list.LoadFromString("\x02\x00\x02\x01\x02\x0c"s + items + "\x02\x05"s); },
      "TAffineVectorList : unknown archive version 5");
  // A vector list's archive read as an affine list: the item size is not the list's own.
  TVectorList vectors;
  vectors.AddXYZW(1, 2, 3, 4);
  ExpectError<EFilerException>([&] { list.LoadFromString(vectors.SaveToString()); },
                               "TAffineVectorList : archive item size 16 differs from 12");
  ExpectError<EFilerException>([&] { list.LoadFromString("\x02\x00\x02\xff\x02\x0c\x02\x00"s); },
                               "TAffineVectorList : invalid archive item count -1");
  ExpectError<EFilerException>([&] { list.LoadFromString("\x02\x00\x04\x00\x00\x00\x01\x02\x0c"s + items); },
                               "TAffineVectorList : invalid archive item count 16777216");
}

TEST(VectorLists, AssignCopiesOrZeroes) {
  TAffineVectorList a;
  a.Add({1, 2, 3});
  a.Add({4, 5, 6});
  a.SetGrowthDelta(5);
  TAffineVectorList b;
  b.Assign(&a);
  EXPECT_EQ(b.Count(), 2);
  EXPECT_EQ(b.GetItem(1), (TAffineVector{4, 5, 6}));
  EXPECT_EQ(b.GrowthDelta(), 5);
  a.SetItem(1, ZeroVector);
  EXPECT_EQ(b.GetItem(1), (TAffineVector{4, 5, 6}));
  // Items of another class cannot be converted: the count is taken, the content zeroed.
  TVectorList v;
  v.AddXYZW(1, 2, 3, 4);
  b.Assign(&v);
  EXPECT_EQ(b.Count(), 1);
  EXPECT_EQ(b.GetItem(0), ZeroVector);
  b.Assign(nullptr);
  EXPECT_EQ(b.Count(), 0);
  EXPECT_EQ(b.Capacity(), 0);
}

TEST(VectorLists, VectorOperations) {
  TAffineVectorList list;
  TAffineVector min, max;
  list.GetExtents(min, max);
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_EQ(min, (TAffineVector{inf, inf, inf}));
  EXPECT_EQ(max, (TAffineVector{-inf, -inf, -inf}));
  list.Add({1, -2, 3});
  list.Add({-1, 5, 0});
  list.GetExtents(min, max);
  EXPECT_EQ(min, (TAffineVector{-1, -2, 0}));
  EXPECT_EQ(max, (TAffineVector{1, 5, 3}));
  EXPECT_EQ(list.Sum(), (TAffineVector{0, 3, 3}));
  list.Translate({1, 1, 1});
  EXPECT_EQ(list.GetItem(1), (TAffineVector{0, 6, 1}));
  list.Scale(2);
  EXPECT_EQ(list.GetItem(0), (TAffineVector{4, -2, 8}));
  list.ScaleByVector({0.5f, 1, 0});
  EXPECT_EQ(list.GetItem(0), (TAffineVector{2, -2, 0}));
  EXPECT_EQ(list.IndexOf({0, 12, 0}), 1);
  EXPECT_EQ(list.IndexOfOrAppend({0, 12, 0}), 1);
  EXPECT_EQ(list.IndexOfOrAppend({0, -12, 0}), 2);
  EXPECT_EQ(list.IndexOf({-0.0f, -12, 0}), -1);  // bitwise
  list.Normalize();
  EXPECT_EQ(list.GetItem(1), UnitVectorY);
  list.Reverse();
  EXPECT_EQ(list.GetItem(0), (TAffineVector{0, -1, 0}));

  TAffineVectorList a, b;
  a.Add({0, 0, 0});
  a.Add({1, 1, 1});
  b.Add({2, 0, 0});
  b.Add({1, 4, 1});
  EXPECT_EQ(a.MaxSpacing(b), 3);
  TAffineVectorList lerped;
  lerped.Lerp(a, b, 0.25f);
  EXPECT_EQ(lerped.Count(), 2);
  EXPECT_EQ(lerped.GetItem(0), (TAffineVector{0.5f, 0, 0}));
  TVectorList wrong_class;
  lerped.Lerp(a, wrong_class, 0.5f);  // nothing happens
  EXPECT_EQ(lerped.GetItem(0), (TAffineVector{0.5f, 0, 0}));
  a.TranslateItems(b);
  EXPECT_EQ(a.GetItem(1), (TAffineVector{2, 5, 2}));
  a.TranslateInvItems(b);
  EXPECT_EQ(a.GetItem(1), (TAffineVector{1, 1, 1}));
  a.CombineScaled(b, 0.5f);
  EXPECT_EQ(a.GetItem(1), (TAffineVector{1.5f, 3, 1.5f}));
  a.Combine(b, -1);
  EXPECT_EQ(a.GetItem(0), (TAffineVector{-1, 0, 0}));
  TAffineVectorList shorter;
  shorter.Add(ZeroVector);
  EXPECT_THROW(a.CombineScaled(shorter, 1), EAssertionFailed);
  EXPECT_THROW(a.MaxSpacing(shorter), EAssertionFailed);

  TVectorList v1, v2, v;
  v1.AddPoint({0, 0, 0});
  v2.AddXYZW(2, 4, 6, 3);
  v.Lerp(v1, v2, 0.5f);
  EXPECT_EQ(v.GetItem(0), (TVector4f{1, 2, 3, 2}));
  v.Translate({1, 1, 1});
  EXPECT_EQ(v.GetItem(0), (TVector4f{2, 3, 4, 2}));
  EXPECT_EQ(v.AddAffineW({1, 2, 3}, 0), 1);
  EXPECT_EQ(v.GetItem(1), (TVector4f{1, 2, 3, 0}));
}

TEST(VectorLists, InterpolateListsCopiesTheEnds) {
  TAffineVectorList one, two, out;
  one.Add({0.1f, 0.2f, 0.3f});
  one.Add({1.1f, -0.4f, 2.5f});
  two.Add({0.5f, 0.1f, -0.3f});
  two.Add({0.1f, 0.1f, 0.1f});
  out.InterpolateLists(one, two, 0);
  EXPECT_EQ(std::memcmp(out.BaseList(), one.BaseList(), 24), 0);
  out.InterpolateLists(one, two, 1);
  EXPECT_EQ(std::memcmp(out.BaseList(), two.BaseList(), 24), 0);
  out.InterpolateLists(one, two, 0.5f);
  EXPECT_EQ(out.GetItem(0), InterpolateEulerRotation(one.GetItem(0), two.GetItem(0), 0.5f));
  TAffineVectorList odd;
  odd.Add(ZeroVector);
  EXPECT_THROW(out.InterpolateLists(one, odd, 0.5f), EAssertionFailed);
}

TEST(VectorLists, QuaternionListSlerpsAndCombines) {
  TQuaternionList a, b, out;
  a.Add(IdentityQuaternion);
  b.Add(QuaternionFromAxisAngle(UnitVectorZ, 90));
  out.Lerp(a, b, 0.5f);
  const TQuaternion half = QuaternionFromAxisAngle(UnitVectorZ, 45);
  EXPECT_NEAR(out.GetItem(0).ImagPart[2], half.ImagPart[2], 1e-7);
  EXPECT_NEAR(out.GetItem(0).RealPart, half.RealPart, 1e-7);
  // Combining turns each item further by the other's rotation, weighted.
  out.Combine(b, 1);
  const TQuaternion turned = QuaternionMultiply(half, b.GetItem(0));
  EXPECT_NEAR(out.GetItem(0).ImagPart[2], turned.ImagPart[2], 1e-6);
  EXPECT_NEAR(out.GetItem(0).RealPart, turned.RealPart, 1e-6);
}

TEST(VectorLists, QuickSortMovesTheObjectsWithTheKeys) {
  // Keys compare as the integers of their bit patterns: negatives first, in descending value.
  const std::vector<float> keys_in = {3.0f, -1.0f, 0.5f, -2.0f, 0.0f, 7.0f};
  const std::vector<float> sorted = {-1, -2, 0, 0.5f, 3, 7};
  TSingleList keys;
  TPersistentObjectList objects;
  std::map<const TObject*, float> key_of;
  for (float k : keys_in) {
    keys.Add(k);
    auto object = std::make_unique<TObject>();
    key_of[object.get()] = k;
    objects.Add(std::move(object));
  }
  QuickSortLists(0, 5, keys, objects);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(keys.GetItem(i), sorted[i]) << i;
    EXPECT_EQ(key_of[objects.Get(i)], sorted[i]) << i;
  }
  // Two items take the short path.
  TSingleList pair;
  TPersistentObjectList pair_objects;
  pair.Add(2);
  pair.Add(1);
  pair_objects.Add(std::make_unique<TObject>());
  TObject* second = pair_objects.Get(pair_objects.Add(std::make_unique<TObject>()));
  QuickSortLists(0, 1, pair, pair_objects);
  EXPECT_EQ(pair.GetItem(0), 1);
  EXPECT_EQ(pair_objects.Get(0), second);
}

}  // namespace
}  // namespace zentrova
