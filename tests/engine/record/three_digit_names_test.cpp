#include "engine/record/three_digit_names.h"

#include <gtest/gtest.h>

#include "platform/exception.h"
#include "test_support.h"

namespace zentrova {
namespace {

TEST(ThreeDigitNames, IntToStr3) {
  EXPECT_EQ(IntToStr3(0), "000");
  EXPECT_EQ(IntToStr3(7), "007");
  EXPECT_EQ(IntToStr3(42), "042");
  EXPECT_EQ(IntToStr3(999), "999");
  EXPECT_EQ(IntToStr3(1000), "1000");
}

TEST(ThreeDigitNames, Str3ToInt) {
  EXPECT_EQ(Str3ToInt("007"), 7);
  EXPECT_EQ(Str3ToInt("042"), 42);
  EXPECT_EQ(Str3ToInt("000"), 0);
  EXPECT_EQ(Str3ToInt("123"), 123);
  EXPECT_EQ(Str3ToInt("1000"), 1000);
  for (int n = 0; n < 1000; ++n) EXPECT_EQ(Str3ToInt(IntToStr3(n)), n);
}

TEST(ThreeDigitNames, AnythingButDigitsRaises) {
  test::ExpectError<EConvertError>([] { Str3ToInt("0a1"); }, "'0a1' is not a valid integer value");
  for (const char* name : {"", "0", "00", "abc", "0-1", "1 2", "+12", "$1F", "00x"}) {
    SCOPED_TRACE(name);
    EXPECT_THROW(Str3ToInt(name), EConvertError);
    std::int32_t value = 5;
    EXPECT_FALSE(TryStr3ToInt(name, value));
    EXPECT_EQ(value, 5);
  }
}

}  // namespace
}  // namespace zentrova
