#include "engine/model/coordinates.h"

#include <gtest/gtest.h>

#include <optional>

#include "test_support.h"

namespace zentrova {
namespace {

using C = TCoordinateComponent;

TEST(Coordinates, ReadAndWriteThroughTheirValuePointer) {
  TCoordinate c;
  c.Value = 1.5L;
  EXPECT_EQ(c.Get(), 1.5L);  // an unnamed coordinate reads its own (start) value
  long double elsewhere = 4;
  c.ValuePtr = &elsewhere;
  c.Set(5);
  EXPECT_EQ(elsewhere, 5);
  EXPECT_EQ(c.Value, 1.5L);
  c.Release();
  EXPECT_EQ(c.Get(), 1.5L);
}

TEST(Coordinates, ComponentsByExactName) {
  const struct {
    const char* name;
    std::optional<C> component;
  } cases[] = {{"x", C::X},          {"Ry", C::Ry},       {"Rz", C::Rz},
               {"rz", std::nullopt}, {"X", std::nullopt}, {"", std::nullopt}};
  for (const auto& c : cases) EXPECT_EQ(CoordinateComponentByName(c.name), c.component) << c.name;
  EXPECT_STREQ(CoordinateComponentName(C::Rx), "Rx");
}

TEST(Coordinates, LinksAimAtTheGeneralizedOrTheDependentValues) {
  TCoordinateList q;
  q.SetCount(2);
  q.Q.SetAt(1, 7);
  q.SetCount(3);  // values kept, new ones zero
  EXPECT_EQ(q.Q.At(1), 7);
  EXPECT_EQ(q.QDDot.At(2), 0);
  TKinematics body;
  TLinkToGeneralizedCoordinates links;
  body.Position.Rz.Value = 0.25L;
  ASSERT_TRUE(LinkToGeneralizedCoordinate(body, links, C::Rz, q, 2));
  EXPECT_EQ(links.Rz.Index, 2);
  q.Q.SetAt(2, 1.5L);
  q.QDot.SetAt(2, -2);
  q.QDDot.SetAt(2, 9);
  EXPECT_EQ(body.Position.Rz.Get(), 1.5L);
  EXPECT_EQ(body.Velocity.Rz.Get(), -2);
  EXPECT_EQ(body.Acceleration.Rz.Get(), 9);
  EXPECT_EQ(body.Position.Rz.Value, 0.25L);  // the start value stays
  EXPECT_FALSE(LinkToGeneralizedCoordinate(body, links, C::X, q, 3));
  EXPECT_TRUE(body.Position.X.OwnValue());

  // A dependent link made later wins: values 3k, 3k+1, 3k+2 of the list.
  TFloatList dependent;
  dependent.Dim(6);
  for (std::uint32_t i = 0; i < 6; ++i) dependent.SetAt(i, 10 + i);
  ASSERT_TRUE(LinkToDependentCoordinate(body, links, C::Rz, dependent, 1));
  EXPECT_EQ(body.Position.Rz.Get(), 13);
  EXPECT_EQ(body.Velocity.Rz.Get(), 14);
  EXPECT_EQ(body.Acceleration.Rz.Get(), 15);
  EXPECT_FALSE(LinkToDependentCoordinate(body, links, C::X, dependent, 2));
  EXPECT_FALSE(links.X.Dependent);
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
      "TCoordinateList.SetCount: value pointers aim into the lists; 2 values cannot become 3");
  EXPECT_EQ(q.Count(), 2u);
  EXPECT_EQ(body.Position.X.ValuePtr, before);
}

}  // namespace
}  // namespace zentrova
