#include "engine/model/value_statistics.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine_test_support.h"
#include "numerics/float_list.h"

namespace zentrova {
namespace {

using test::Fill;

TEST(Statistics, OnlyNegativeValuesOfTheSortedCopy) {
  TFloatList values;
  Fill(values, {2, -1, -5, 1, -3, -2, -4});
  TStatistics s;
  ASSERT_TRUE(Statistics(values, true, 0, s));
  EXPECT_EQ(std::vector<long double>({s.Minimum, s.Maximum, s.Sum, s.Mean, s.Median}),
            (std::vector<long double>{-5, -1, -15, -3, -3}));
  EXPECT_NEAR(s.StandardDeviation, std::sqrt(10.0L / 4), 1e-18L);  // divided by m - 1
  EXPECT_EQ(values.At(0), 2);                                      // the values themselves stay unsorted
  Fill(values, {4, 1, 3, 2});
  ASSERT_TRUE(Statistics(values, false, 0, s));
  EXPECT_EQ(s.Median, 3);  // element 4 div 2 of 1 2 3 4, not the mean of the middle two
  Fill(values, {-4});
  ASSERT_TRUE(Statistics(values, true, 0, s));
  EXPECT_EQ(s.StandardDeviation, 0);
}

TEST(Statistics, CutDropsTheSameNumberAtEachEnd) {
  TFloatList values;
  Fill(values, {-10, -9, -8, -7, -6, -5, -4, -3, -2, -100});
  TStatistics s;
  ASSERT_TRUE(Statistics(values, true, 0.1L, s));  // ceil(0.1 * 10) = 1 at each end
  EXPECT_EQ(s.Minimum, -10);
  EXPECT_EQ(s.Maximum, -3);
  EXPECT_EQ(s.Sum, -52);
  ASSERT_TRUE(Statistics(values, true, 0.15L, s));  // ceil(1.5) = 2
  EXPECT_EQ(s.Minimum, -9);
  EXPECT_EQ(s.Maximum, -4);
  // Nothing left: zeros and failure, rather than a median outside the list.
  Fill(values, {1, 2, 3});
  EXPECT_FALSE(Statistics(values, true, 0, s));
  EXPECT_FALSE(Statistics(values, false, 0.5L, s));
  EXPECT_EQ(s.Median, 0);
}

TEST(Statistics, SmoothingClipsTheWindowAtBothEnds) {
  TFloatList values;
  Fill(values, {1, 2, 6, 4});
  SmoothAlongOutline(values, 1);
  // Means of the values before smoothing: (1 + 2) / 2, (1 + 2 + 6) / 3, (2 + 6 + 4) / 3, (6 + 4) / 2.
  EXPECT_EQ(test::Elements(values), (std::vector<long double>{1.5L, 3, 4, 5}));
}

}  // namespace
}  // namespace zentrova
