#include "engine/contact/normal_tangent.h"

#include <gtest/gtest.h>

#include "engine_test_support.h"
#include "numerics/numerics_error.h"

namespace zentrova {
namespace {

using NormalTangentTest = test::EngineTest;

TEST_F(NormalTangentTest, DimGivesTwoListsOfZeros) {
  TNormalTangentFloatList pair;
  EXPECT_EQ(pair.Normal.Count(), 0u);
  EXPECT_EQ(pair.Tangent.Count(), 0u);
  pair.Dim(3);
  ASSERT_EQ(pair.Normal.Count(), 3u);
  ASSERT_EQ(pair.Tangent.Count(), 3u);
  for (std::uint32_t i = 0; i < 3; ++i) {
    EXPECT_EQ(pair.Normal.At(i), 0.0L);
    EXPECT_EQ(pair.Tangent.At(i), 0.0L);
  }
  // The members keep their own identities for the error record.
  EXPECT_EQ(pair.Normal.ID, -200);
  EXPECT_EQ(pair.Tangent.ID, -200);
}

TEST_F(NormalTangentTest, ZeroKeepsTheCountsOfBoth) {
  TNormalTangentFloatList pair;
  pair.Dim(2);
  pair.Normal.SetAt(0, 1.5L);
  pair.Normal.SetAt(1, -2);
  pair.Tangent.SetAt(1, 7);
  pair.Tangent.Add(8);
  EXPECT_TRUE(pair.Zero());
  ASSERT_EQ(pair.Normal.Count(), 2u);
  ASSERT_EQ(pair.Tangent.Count(), 3u);
  for (std::uint32_t i = 0; i < 2; ++i) EXPECT_EQ(pair.Normal.At(i), 0.0L);
  for (std::uint32_t i = 0; i < 3; ++i) EXPECT_EQ(pair.Tangent.At(i), 0.0L);
  // Growing again keeps the old elements and adds zeros.
  pair.Normal.SetAt(0, 4);
  pair.Dim(4);
  EXPECT_EQ(pair.Normal.At(0), 4.0L);
  EXPECT_EQ(pair.Normal.At(3), 0.0L);
  EXPECT_EQ(pair.Tangent.Count(), 4u);
}

TEST_F(NormalTangentTest, RefusedDimIsRecordedByTheList) {
  TNormalTangentFloatList pair;
  pair.Dim(2);
  pair.Dim(TFloatList::MaxCount + 1);
  const TNumericsError error = NumericsError();
  EXPECT_EQ(error.ObjectOrUnitID, -200);
  EXPECT_EQ(error.Code, -203);
  EXPECT_EQ(pair.Normal.Count(), 2u);
  EXPECT_EQ(pair.Tangent.Count(), 2u);
}

TEST_F(NormalTangentTest, SetSizeGivesTwoZeroMatricesWithFactorOne) {
  TNormalTangentMatrix pair;
  EXPECT_EQ(pair.Normal.C, 1.0L);
  EXPECT_EQ(pair.Tangent.C, 1.0L);
  pair.SetSize(2, 4);
  for (const TMatrix* m : {&pair.Normal, &pair.Tangent}) {
    ASSERT_EQ(m->RowCount(), 2u);
    ASSERT_EQ(m->ColCount(), 4u);
    EXPECT_EQ(m->C, 1.0L);
    EXPECT_EQ(m->ID, -600);
    for (std::uint32_t i = 0; i < 2; ++i) {
      for (std::uint32_t j = 0; j < 4; ++j) EXPECT_EQ(m->At(i, j), 0.0L);
    }
  }
  // Resizing keeps what remains.
  pair.Normal.SetAt(1, 2, 5);
  pair.SetSize(3, 3);
  EXPECT_EQ(pair.Normal.At(1, 2), 5.0L);
  EXPECT_EQ(pair.Normal.At(2, 2), 0.0L);
  EXPECT_EQ(pair.Tangent.RowCount(), 3u);
  EXPECT_EQ(pair.Tangent.ColCount(), 3u);
  EXPECT_EQ(NumericsErrorCode(), 0);
}

TEST_F(NormalTangentTest, RefusedSizeIsRecordedAndTheColumnsStillChange) {
  TNormalTangentMatrix pair;
  pair.SetSize(1, 1);
  pair.SetSize(TMatrixArray::MaxRows + 1, 2);
  EXPECT_EQ(NumericsErrorCode(), -605);
  // Rows were refused for both; the columns of both still followed.
  EXPECT_EQ(pair.Normal.RowCount(), 1u);
  EXPECT_EQ(pair.Normal.ColCount(), 2u);
  EXPECT_EQ(pair.Tangent.RowCount(), 1u);
  EXPECT_EQ(pair.Tangent.ColCount(), 2u);
}

}  // namespace
}  // namespace zentrova
