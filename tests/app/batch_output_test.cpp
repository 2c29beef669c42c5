#include "app/batch_output.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace zentrova {
namespace {

std::string Written(std::FILE* file) {
  std::rewind(file);
  std::string text;
  for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
  return text;
}

TEST(TStderrLines, LogLinesWholeAndBoxesWithoutWhatTheLogJustSaid) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  {
    TStderrLines out(file);
    out.AddLine("[Error] Line 3 of file b.job holds a NUL byte.");
    out.AddLine("");
    out.AddMessage("[Error] Line 3 of file b.job holds a NUL byte.");
    // A box of its own, its lines ended by CR (the numerics error's text), CR LF or LF.
    out.AddMessage("Error\r\r Code: 3\r\n Message: singular\n");
    out.AddLine("[Error] Line 3 of file b.job holds a NUL byte.");
  }
  EXPECT_EQ(Written(file),
            "[Error] Line 3 of file b.job holds a NUL byte.\n\nError\n Code: 3\n Message: singular\n"
            "[Error] Line 3 of file b.job holds a NUL byte.\n");
  std::fclose(file);
}

TEST(TStderrLines, OnlyTheLastSixteenLogLinesAreLeftOutOfABox) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  TStderrLines out(file);
  for (int i = 0; i < 17; ++i) out.AddLine("line " + std::to_string(i));
  const std::size_t before = Written(file).size();
  std::fseek(file, 0, SEEK_END);
  out.AddMessage("line 0\nline 1\nline 16");
  EXPECT_EQ(Written(file).substr(before), "line 0\n");
  std::fclose(file);
}

TEST(PlatformWithoutDisplay, OffscreenAndMinimalOnly) {
  EXPECT_TRUE(PlatformWithoutDisplay("offscreen"));
  EXPECT_TRUE(PlatformWithoutDisplay("minimal"));
  EXPECT_FALSE(PlatformWithoutDisplay("xcb"));
  EXPECT_FALSE(PlatformWithoutDisplay("wayland"));
}

}  // namespace
}  // namespace zentrova
