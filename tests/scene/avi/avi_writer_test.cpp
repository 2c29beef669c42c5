// The AVI writer's failures and the encoders that AVI takes. Written files are read back in the
// recorder's tests.
#include "scene/avi/avi_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/exception.h"
#include "test_support.h"

namespace zentrova {
namespace {

TEST(AVIWriter, FailuresRaiseTheirTextsAndLeaveAFileOnlyOnceItWasCreated) {
  test::TempDir dir;
  const std::string file = dir.File("x.avi");
  const struct {
    std::string file;
    int width, fps;
    std::string encoder, message;
    bool file_left;
  } cases[] = {
      {file, 0, 20, "rawvideo", "Cannot create AVI stream.", false},
      {file, 64, 0, "rawvideo", "Cannot create AVI stream.", false},
      {dir.File("missing/x.avi"), 64, 20, "rawvideo", "Cannot create AVI file. Disk full or file in use?",
       false},
      {file, 64, 20, "no-such-encoder", "Cannot make compressed stream. No such compressor found", true},
      {file, 62, 20, "msvideo1", "Cannot make compressed stream. ", true},  // Video-1 codes blocks of 4 × 4
  };
  for (const auto& c : cases) {
    std::filesystem::remove(file);
    TAVIWriter writer;
    test::ExpectError<Exception>(
        [&] {
          writer.Open(c.file, c.width, 48, c.fps, {c.encoder, "", 0, 0});
        },
        c.message);
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_EQ(std::filesystem::exists(file), c.file_left) << c.message;
  }
  test::ExpectError<Exception>([] { TAVIWriter().WriteFrame(nullptr, 0); }, "Add Frame Error");
}

TEST(AVIWriter, TheEncoderListHoldsThoseThatOpenAtTheSize) {
  const auto names = [](int width) {
    std::vector<std::string> list;
    for (const TVideoEncoderChoice& e : AVIVideoEncoders(width, 48)) list.push_back(e.Name);
    return list;
  };
  const std::vector<std::string> at64 = names(64), at62 = names(62);
  for (const char* name : {"msvideo1", "mpeg4", "rawvideo"}) {
    EXPECT_NE(std::find(at64.begin(), at64.end(), name), at64.end()) << name;
  }
  EXPECT_EQ(std::find(at62.begin(), at62.end(), "msvideo1"), at62.end());
  EXPECT_NE(std::find(at62.begin(), at62.end(), "rawvideo"), at62.end());
}

}  // namespace
}  // namespace zentrova
