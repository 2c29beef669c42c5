#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "platform/fonts/font.h"

namespace zentrova {
namespace {

TEST(Font, SizeAndHeightConvertAt96PixelsPerInchRoundingHalvesAway) {
  // (set the size?, value, height, size)
  const std::tuple<bool, int, int, int> rows[] = {
      {true, 8, -11, 8},    {true, 10, -13, 10}, {true, 12, -16, 12}, {true, 100, -133, 100},
      {false, 32, 32, -24}, {false, -6, -6, 5},  {false, -2, -2, 2},  {false, 0, 0, 0}};
  for (const auto& [set_size, value, height, size] : rows) {
    TFont font;
    set_size ? font.SetSize(value) : font.SetHeight(value);
    EXPECT_EQ(font.Height(), height) << value;
    EXPECT_EQ(font.Size(), size) << value;
  }
}

TEST(Font, ChangeEventFiresOncePerRealChange) {
  TFont font, other;
  std::vector<std::string> heard;
  const int first = font.Connect([&](TFont& f) { heard.push_back("a" + std::to_string(f.Height())); });
  int second = 0;
  second = font.Connect([&](TFont&) {
    heard.push_back("b");
    font.Disconnect(second);  // a handler may leave while it runs
  });
  font.SetSize(8);  // -11 already: unchanged, as the next four of each pair
  font.SetStyle({});
  font.SetHeight(32);
  font.SetHeight(32);
  font.SetStyle({TFontStyle::Bold});
  font.SetColor(0xFFFFFF);
  other.Assign(font);
  font.Assign(other);  // equal
  other.SetSize(10);
  font.Assign(other);
  font.Disconnect(first);
  font.SetName("Courier");
  EXPECT_EQ(heard, (std::vector<std::string>{"a32", "b", "a32", "a32", "a-13"}));
}

}  // namespace
}  // namespace zentrova
