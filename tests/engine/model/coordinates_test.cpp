#include "engine/model/coordinates.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace zentrova {
namespace {

TEST(Coordinates, BoundStorageNeverMoves) {
  TCoordinateList q;
  q.SetCount(2);
  TKinematics body;
  TLinkToGeneralizedCoordinates links;
  ASSERT_TRUE(LinkToGeneralizedCoordinate(body, links, TCoordinateComponent::Rz, q, 1));
  EXPECT_FALSE(LinkToGeneralizedCoordinate(body, links, TCoordinateComponent::X, q, 2));
  const long double* const before = q.Q.Data();
  q.SetCount(2);  // the same count changes nothing
  test::ExpectError<ECoordinateStorage>(
      [&q] { q.SetCount(3); },
      "TCoordinateList.SetCount: value pointers aim into the lists; 2 values cannot become 3");
  EXPECT_EQ(body.Position.Rz.ValuePtr, before + 1);
}

}  // namespace
}  // namespace zentrova
