#include "scene/gl/bounding_box.h"

#include <gtest/gtest.h>

#include <array>

#include "scene/expect_near.h"

namespace zentrova {
namespace {

TEST(BoundingBox, MergeKeepsABoxThatHoldsTheOther) {
  TBoxBounds box{{-1, -2, -3}, {4, 5, 6}};
  MergeBoxes(box, {{0, 0, 0}, {1, 1, 1}});  // held already
  MergeBoxes(box, {{-5, 0, 0}, {1, 9, 1}});
  EXPECT_EQ((std::array{box.Min, box.Max}), (std::array<TAffineVector, 2>{{{-5, -2, -3}, {4, 9, 6}}}));
}

TEST(BoundingBox, FromHalfExtents) {
  TBoxBounds box{};
  BoxFromHalfExtents(box, {-1, 2, -3});
  EXPECT_EQ((std::array{box.Min, box.Max}), (std::array<TAffineVector, 2>{{{-1, -2, -3}, {1, 2, 3}}}));
}

TEST(BoundingBox, TransformHoldsTheTurnedCorners) {
  // A quarter turn about z takes x to y and y to -x; then a shift by (10, 0, 0).
  const TMatrix4f m{{{0, 1, 0, 0}, {-1, 0, 0, 0}, {0, 0, 1, 0}, {10, 0, 0, 1}}};
  TBoxBounds box{{0, 0, 0}, {2, 1, 1}};
  TransformBox(box, m);
  test::ExpectNear(box.Min, {9, 0, 0}, 1e-6);
  test::ExpectNear(box.Max, {10, 2, 1}, 1e-6);
}

TEST(BoundingBox, ScaleAndExtend) {
  TBoxBounds box{{-1, -1, -1}, {1, 2, 3}};
  ScaleBox(box, {2, -1, 0.5f});
  EXPECT_EQ((std::array{box.Min, box.Max}), (std::array<TAffineVector, 2>{{{-2, 1, -0.5f}, {2, -2, 1.5f}}}));
  TBoxBounds b{{0, 0, 0}, {1, 1, 1}};
  ExtendBox(b, {2, -1, 0.5f});
  EXPECT_EQ(b.Min, (TAffineVector{0, -1, 0}));
  EXPECT_EQ(b.Max, (TAffineVector{2, 1, 1}));
}

}  // namespace
}  // namespace zentrova
