#include <gtest/gtest.h>

#include <cmath>

#include "platform/clock.h"
#include "platform/message_sink.h"
#include "platform/random.h"
#include "platform/strings.h"

namespace zentrova {
namespace {

TEST(Random, UniformRangeAndReproducibleSeed) {
  SetRandomSeed(1234);
  const long double first = Random();
  SetRandomSeed(1234);
  EXPECT_EQ(Random(), first);
  long double sum = 0;
  const int n = 20000;
  for (int i = 0; i < n; ++i) {
    const long double r = Random();
    ASSERT_GE(r, 0.0L);
    ASSERT_LT(r, 1.0L);
    sum += r;
  }
  EXPECT_NEAR(static_cast<double>(sum / n), 0.5, 0.01);
  for (int i = 0; i < 1000; ++i) {
    const int k = RandomInt(7);
    ASSERT_GE(k, 0);
    ASSERT_LT(k, 7);
  }
  EXPECT_EQ(RandomInt(0), 0);
}

TEST(Random, GaussianMoments) {
  SetRandomSeed(99);
  const int n = 50000;
  long double sum = 0, sum2 = 0;
  for (int i = 0; i < n; ++i) {
    const long double x = RandomGauss(3, 2);
    sum += x;
    sum2 += x * x;
  }
  const long double mean = sum / n;
  const long double var = sum2 / n - mean * mean;
  EXPECT_NEAR(static_cast<double>(mean), 3.0, 0.05);
  EXPECT_NEAR(std::sqrt(static_cast<double>(var)), 2.0, 0.05);
}

TEST(Clock, DateTimeValues) {
  EXPECT_EQ(DateTimeToText(25569.5), "1970-01-01 12:00:00");
  EXPECT_EQ(DateTimeToText(45000.25), "2023-03-15 06:00:00");
  const double now = Now();
  EXPECT_GT(now, 45000.0);  // after 2023
  const auto t0 = MonotonicMilliseconds();
  SleepMilliseconds(20);
  EXPECT_GE(MonotonicMilliseconds() - t0, 19);
}

class RecordingSink : public IMessageSink {
 public:
  void ShowMessage(const std::string& text) override { last = text; }
  std::string last;
};

TEST(MessageSink, InstalledSinkReceivesMessages) {
  RecordingSink sink;
  IMessageSink* previous = SetMessageSink(&sink);
  ShowMessage("hello");
  EXPECT_EQ(sink.last, "hello");
  EXPECT_EQ(SetMessageSink(previous), &sink);
}

TEST(Strings, CaseAndSplitting) {
  EXPECT_EQ(Trim(" \t ab c \r\n"), "ab c");
  EXPECT_TRUE(SameText("Body", "bODY"));
  EXPECT_FALSE(SameText("Body", "Bod"));
  EXPECT_TRUE(StartsText("b`", "B`arm`x"));
  EXPECT_TRUE(EndsText(".WLD", "a.wld"));
  EXPECT_EQ(FindText("xxMassyy", "mass"), 2u);
  EXPECT_EQ(FindText("mAmassMASS", "MASS", 1), 2u);  // a first letter that matches alone is passed over
  EXPECT_EQ(FindText("Mas", "mass"), std::string::npos);
  EXPECT_EQ(HashText("Box1-BOX2:all"), HashText("bOX1-box2:ALL"));  // names that SameText joins share a hash
  EXPECT_EQ(ReplaceAll("a[t]+b[T]", "[t]", "", true), "a+b");
  EXPECT_EQ(ReplaceAll("aaa", "a", "bb"), "bbbbbb");
  EXPECT_EQ(Split("1,,2", ','), (std::vector<std::string>{"1", "", "2"}));
  EXPECT_EQ(LowerCase("AbC1"), "abc1");
  EXPECT_EQ(UpperCase("AbC1"), "ABC1");
}

}  // namespace
}  // namespace zentrova
