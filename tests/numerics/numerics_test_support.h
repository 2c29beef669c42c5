// Fixtures shared by the numerics tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "numerics/allocation.h"
#include "numerics/numerics_error.h"
#include "platform/message_sink.h"

namespace zentrova::test {

// Every test starts with a clear error record and ends with allocations allowed again.
class NumericsTest : public ::testing::Test {
 protected:
  void SetUp() override { ClearNumericsError(); }
  void TearDown() override {
    FailNumericsAllocationsAfter(-1);
    ClearNumericsError();
  }
  static std::int32_t Code() { return NumericsErrorCode(); }
  // Expects the record to hold exactly this error, then clears it.
  static void ExpectError(std::int32_t id, std::int32_t code, const std::string& message) {
    const TNumericsError e = NumericsError();
    EXPECT_EQ(e.Code, code);
    EXPECT_EQ(e.ObjectOrUnitID, id);
    EXPECT_EQ(e.Message, message);
    ClearNumericsError();
  }
};

// Collects the texts that would go to a message box.
class RecordingSink : public IMessageSink {
 public:
  RecordingSink() { previous_ = SetMessageSink(this); }
  RecordingSink(const RecordingSink&) = delete;
  RecordingSink& operator=(const RecordingSink&) = delete;
  ~RecordingSink() override { SetMessageSink(previous_); }
  void ShowMessage(const std::string& text) override { texts.push_back(text); }
  std::vector<std::string> texts;

 private:
  IMessageSink* previous_ = nullptr;
};

}  // namespace zentrova::test
