#include "numerics/numerics_error.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "numerics/float_list.h"
#include "numerics_test_support.h"

namespace zentrova {
namespace {

using test::NumericsTest;
using test::RecordingMessages;

using NumericsErrorTest = NumericsTest;

TEST_F(NumericsErrorTest, RaiseOverwritesAllFieldsAndOnlyClearResets) {
  RaiseNumericsError(-200, -201, "first", false);
  RaiseNumericsError(-600, -816, "second", true);
  TNumericsError e = NumericsError();
  EXPECT_EQ(e.ObjectOrUnitID, -600);
  EXPECT_EQ(e.Code, -816);
  EXPECT_EQ(e.Message, "second");
  EXPECT_TRUE(e.Show);
  EXPECT_EQ(NumericsErrorCode(), -816);

  // A successful operation leaves the record alone.
  TFloatList list;
  list.Add(1);
  list.Dim(4);
  EXPECT_EQ(NumericsErrorCode(), -816);

  ClearNumericsError();
  e = NumericsError();
  EXPECT_EQ(e.ObjectOrUnitID, 0);
  EXPECT_EQ(e.Code, 0);
  EXPECT_EQ(e.Message, "");
  EXPECT_FALSE(e.Show);
  EXPECT_EQ(NumericsErrorCode(), 0);
}

TEST_F(NumericsErrorTest, MessageBoxTextForObjectsAndUnits) {
  RecordingMessages sink;
  RaiseNumericsError(-200, -201, "quiet", false);
  EXPECT_TRUE(sink.texts.empty());

  RaiseNumericsError(-200, -201, "TFloatList.At: Index out of bounds", true);
  RaiseNumericsError(-10001, -5, "Unit failed", true);
  RaiseNumericsError(-10000, -5, "Edge", true);
  ASSERT_EQ(sink.texts.size(), 3u);
  EXPECT_EQ(sink.texts[0],
            "Qorv raising error:\r\r\r @ Object: -200\r\r Code: -201\r\r"
            " Message: TFloatList.At: Index out of bounds\r");
  EXPECT_EQ(sink.texts[1],
            "Qorv raising error:\r\r\r @ Unit: -10001\r\r Code: -5\r\r Message: Unit failed\r");
  EXPECT_EQ(sink.texts[2], "Qorv raising error:\r\r\r @ Object: -10000\r\r Code: -5\r\r Message: Edge\r");
}

TEST_F(NumericsErrorTest, ShowErrorsOfAnObjectShowsItsErrors) {
  RecordingMessages sink;
  TFloatList list;
  list.ShowErrors = true;
  list.ID = -12345;
  EXPECT_EQ(list.At(3), 0.0L);
  ASSERT_EQ(sink.texts.size(), 1u);
  EXPECT_EQ(sink.texts[0],
            "Qorv raising error:\r\r\r @ Unit: -12345\r\r Code: -201\r\r"
            " Message: TFloatList.At: Index out of bounds\r");
  EXPECT_TRUE(NumericsError().Show);
}

// One thread writes errors while another reads the record: every copy it gets is one whole error.
TEST_F(NumericsErrorTest, ReaderSeesConsistentRecords) {
  std::atomic<bool> stop{false};
  std::thread writer([&stop] {
    for (int i = 0; !stop.load(); ++i) {
      if (i % 2 == 0) {
        RaiseNumericsError(-200, -201, "TFloatList.At: Index out of bounds", false);
      } else {
        RaiseNumericsError(-600, -816, "TSqrMatrix.LUD: Singular matrix with a longer message", false);
      }
    }
  });
  for (int i = 0; i < 20000; ++i) {
    const TNumericsError e = NumericsError();
    if (e.Code == -201) {
      ASSERT_EQ(e.ObjectOrUnitID, -200);
      ASSERT_EQ(e.Message, "TFloatList.At: Index out of bounds");
    } else if (e.Code == -816) {
      ASSERT_EQ(e.ObjectOrUnitID, -600);
      ASSERT_EQ(e.Message, "TSqrMatrix.LUD: Singular matrix with a longer message");
    } else {
      ASSERT_EQ(e.Code, 0);
    }
  }
  stop = true;
  writer.join();
}

}  // namespace
}  // namespace zentrova
