#include "engine/record/three_digit_names.h"

#include <gtest/gtest.h>

#include "platform/exception.h"
#include "test_support.h"

namespace zentrova {
namespace {

TEST(ThreeDigitNames, EveryHistoryNumberRoundTrips) {
  EXPECT_EQ(IntToStr3(42), "042");
  EXPECT_EQ(Str3ToInt(IntToStr3(1000)), 1000);
  for (int n = 0; n < 1000; ++n) EXPECT_EQ(Str3ToInt(IntToStr3(n)), n);
}

TEST(ThreeDigitNames, AnythingButDigitsRaises) {
  test::ExpectError<EConvertError>([] { Str3ToInt("0a1"); }, "'0a1' is not a valid integer value");
  for (const char* name : {"", "0", "00", "abc", "0-1", "1 2", "+12", "$1F", "00x"}) {
    std::int32_t value = 5;
    EXPECT_FALSE(TryStr3ToInt(name, value)) << name;
    EXPECT_EQ(value, 5) << name;
  }
}

}  // namespace
}  // namespace zentrova
