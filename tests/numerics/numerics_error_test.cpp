#include "numerics/numerics_error.h"

#include <gtest/gtest.h>

#include "numerics/float_list.h"
#include "numerics_test_support.h"

namespace zentrova::test {
namespace {

using NumericsErrorTest = NumericsTest;

TEST_F(NumericsErrorTest, RaiseOverwritesEveryFieldAndShowsTheMessageBoxText) {
  RecordingMessages sink;
  RaiseNumericsError(-10001, -5, "Unit failed", true);
  RaiseNumericsError(-10000, -5, "Edge", true);
  TFloatList list;  // an object's ShowErrors shows its errors; a successful operation leaves the record
  list.ShowErrors = true;
  EXPECT_EQ(list.At(3), 0.0L);
  list.Add(1);
  EXPECT_EQ(NumericsErrorCode(), -201);
  EXPECT_EQ(
      sink.texts,
      (std::vector<std::string>{
          "Qorv raising error:\r\r\r @ Unit: -10001\r\r Code: -5\r\r Message: Unit failed\r",
          "Qorv raising error:\r\r\r @ Object: -10000\r\r Code: -5\r\r Message: Edge\r",
          "Qorv raising error:\r\r\r @ Object: -200\r\r Code: -201\r\r Message: TFloatList.At: Index out of "
          "bounds\r"}));
  RaiseNumericsError(-600, -816, "second", false);
  TNumericsError e = NumericsError();
  EXPECT_EQ(e.ObjectOrUnitID, -600);
  EXPECT_EQ(e.Code, -816);
  EXPECT_EQ(e.Message, "second");
  EXPECT_FALSE(e.Show);
  ClearNumericsError();
  e = NumericsError();
  EXPECT_EQ(e.ObjectOrUnitID + e.Code + NumericsErrorCode(), 0);
  EXPECT_EQ(e.Message, "");
}

}  // namespace
}  // namespace zentrova::test
