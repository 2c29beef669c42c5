// Tolerant comparison of whole vectors, for the scene tests.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <initializer_list>
#include <iterator>

namespace zentrova::test {

// Every value of `actual` (an array, vector or point) lies within `tolerance` of the value at the same
// place in `expected`, and there are as many.
template <class Actual>
void ExpectNear(const Actual& actual, std::initializer_list<double> expected, double tolerance) {
  ASSERT_EQ(std::size(actual), expected.size());
  std::size_t i = 0;
  for (const auto& value : actual) {
    EXPECT_NEAR(value, expected.begin()[i], tolerance) << "at " << i;
    ++i;
  }
}

}  // namespace zentrova::test
