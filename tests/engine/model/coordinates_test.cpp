#include "engine/model/coordinates.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace zentrova {
namespace {

using C = TCoordinateComponent;

TEST(Coordinates, ReadThroughTheirValuePointer) {
  TCoordinate c;
  EXPECT_TRUE(c.OwnValue());
  EXPECT_EQ(c.Get(), 0);
  c.Value = 1.5L;
  EXPECT_EQ(c.Get(), 1.5L);  // an unnamed coordinate reads its own (start) value
  long double elsewhere = 4;
  c.ValuePtr = &elsewhere;
  EXPECT_EQ(c.Get(), 4);
  c.Set(5);
  EXPECT_EQ(elsewhere, 5);
  EXPECT_EQ(c.Value, 1.5L);
  c.Release();
  EXPECT_EQ(c.Get(), 1.5L);
}

TEST(Coordinates, ComponentsByExactName) {
  EXPECT_EQ(CoordinateComponentByName("x"), C::X);
  EXPECT_EQ(CoordinateComponentByName("Ry"), C::Ry);
  EXPECT_EQ(CoordinateComponentByName("Rz"), C::Rz);
  EXPECT_FALSE(CoordinateComponentByName("rz").has_value());
  EXPECT_FALSE(CoordinateComponentByName("X").has_value());
  EXPECT_FALSE(CoordinateComponentByName("").has_value());
  EXPECT_STREQ(CoordinateComponentName(C::Rx), "Rx");

  TCoordinates six;
  six[C::Z].Value = 3;
  six[C::Rz].Value = 6;
  EXPECT_EQ(six.Z.Value, 3);
  EXPECT_EQ(six.Rz.Value, 6);
  TLinkToGeneralizedCoordinates links;
  EXPECT_EQ(&links[C::Y], &links.Y);
  EXPECT_FALSE(links.Y.Linked);
  EXPECT_FALSE(links.Y.Dependent);
  EXPECT_EQ(links.Y.Index, -1);
}

TEST(Coordinates, SetCountKeepsValuesAndZeroesNewOnes) {
  TCoordinateList q;
  q.SetCount(2);
  q.Q.SetAt(1, 7);
  q.SetCount(3);
  EXPECT_EQ(q.Count(), 3u);
  EXPECT_EQ(q.Q.At(1), 7);
  EXPECT_EQ(q.Q.At(2), 0);
  EXPECT_EQ(q.QDot.Count(), 3u);
  EXPECT_EQ(q.QDDot.Count(), 3u);
}

TEST(Coordinates, AliasOfAGeneralizedCoordinate) {
  TCoordinateList q;
  q.SetCount(3);
  TKinematics body;
  TLinkToGeneralizedCoordinates links;
  body.Position.Rz.Value = 0.25L;  // the start value stays in the own value
  ASSERT_TRUE(LinkToGeneralizedCoordinate(body, links, C::Rz, q, 2));
  EXPECT_TRUE(q.Bound());
  EXPECT_TRUE(links.Rz.Linked);
  EXPECT_EQ(links.Rz.Index, 2);
  q.Q.SetAt(2, 1.5L);
  q.QDot.SetAt(2, -2);
  q.QDDot.SetAt(2, 9);
  EXPECT_EQ(body.Position.Rz.Get(), 1.5L);
  EXPECT_EQ(body.Velocity.Rz.Get(), -2);
  EXPECT_EQ(body.Acceleration.Rz.Get(), 9);
  EXPECT_EQ(body.Position.Rz.Value, 0.25L);
  EXPECT_TRUE(body.Position.X.OwnValue());  // the others are untouched

  EXPECT_FALSE(LinkToGeneralizedCoordinate(body, links, C::X, q, 3));
  EXPECT_TRUE(body.Position.X.OwnValue());
  EXPECT_FALSE(links.X.Linked);
}

TEST(Coordinates, BoundStorageNeverMoves) {
  TCoordinateList q;
  q.SetCount(2);
  TKinematics body;
  TLinkToGeneralizedCoordinates links;
  ASSERT_TRUE(LinkToGeneralizedCoordinate(body, links, C::X, q, 0));
  const long double* const before = q.Q.Data();
  q.SetCount(2);  // the same count changes nothing
  test::ExpectError<ECoordinateStorage>(
      [&q] { q.SetCount(3); },
      "TCoordinateList.SetCount: value pointers aim into the lists; 2 values "
      "cannot become 3");
  EXPECT_THROW(q.SetCount(0), ECoordinateStorage);
  EXPECT_EQ(q.Count(), 2u);
  EXPECT_EQ(q.Q.Data(), before);
  EXPECT_EQ(body.Position.X.ValuePtr, before);
}

TEST(Coordinates, DependentCoordinateLinkedLastWins) {
  TCoordinateList q;
  q.SetCount(1);
  TFloatList dependent;
  dependent.Dim(6);
  for (std::uint32_t i = 0; i < 6; ++i) dependent.SetAt(i, 10 + i);
  TKinematics body;
  TLinkToGeneralizedCoordinates links;
  ASSERT_TRUE(LinkToGeneralizedCoordinate(body, links, C::Y, q, 0));
  ASSERT_TRUE(LinkToDependentCoordinate(body, links, C::Y, dependent, 1));
  EXPECT_EQ(body.Position.Y.Get(), 13);
  EXPECT_EQ(body.Velocity.Y.Get(), 14);
  EXPECT_EQ(body.Acceleration.Y.Get(), 15);
  EXPECT_TRUE(links.Y.Dependent);
  EXPECT_FALSE(LinkToDependentCoordinate(body, links, C::X, dependent, 2));  // values 6..8 do not exist
  EXPECT_FALSE(links.X.Dependent);
}

}  // namespace
}  // namespace zentrova
