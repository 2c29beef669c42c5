// Frames of a scene drawn into a pbuffer, recorded and read back by libavformat.
#include <gtest/gtest.h>

#include "avi_read_back.h"
#include "scene/avi/avi_recorder.h"
#include "scene/core/non_visual_viewer.h"
#include "scene/gl/egl_context.h"
#include "test_support.h"
#include "scene/core/viewer_scene.h"

namespace zentrova {
namespace {

struct TMemorySource : IGLRecordingSource {
  TGLStageBuffer& Buffer() override { return viewer.Buffer(); }
  std::unique_ptr<TBitmap> CopyWindowToBitmap() override { return std::make_unique<TBitmap>(); }
  TGLMemoryViewer viewer;
};

TEST(AVIRecorderGL, TwelveFramesOfChangingColoursReadBack) {
  RegisterEGLContextClass();
  // Video-1 keeps 5 bits per channel and MPEG-4 quantises; both leave blocks that changed little alone.
  const std::tuple<TAVICompressor, TAVIImageRetrievalMode, std::string, std::string, int, int> cases[] = {
      {acDefault, irmSnapShot, "msvideo1", "MSVC", 8, 1},
      {acDivX, irmSnapShot, "mpeg4", "divx", 12, 1},
      {acShowDialog, irmRenderToBitmap, "rawvideo", "", 0, 12}};  // the dialog is cancelled
  for (const auto& [compressor, mode, codec, tag, tolerance, frames_checked] : cases) {
    test::TempDir dir;
    test::TQuadScene scene;
    scene.left = -1, scene.bottom = 0, scene.right = scene.top = 1;  // the top half: frames stay upright
    TMemorySource source;
    source.viewer.SetWidth(64), source.viewer.SetHeight(48);
    scene.Show(source.viewer.Buffer(), {0, 0, 0});
    TAVIRecorder recorder;
    recorder.SetFilename(dir.File("x.avi"));
    recorder.SetWidth(64), recorder.SetHeight(48), recorder.SetFPS(12);
    recorder.SetCompressor(compressor), recorder.SetImageRetrievalMode(mode);
    recorder.SetGLStageViewer(&source);
    ASSERT_TRUE(recorder.OpenFile());
    const auto top = [](int f) { return test::RGB{std::uint8_t(f * 20), std::uint8_t(240 - f * 20), 40}; };
    const auto bottom = [](int f) { return test::RGB{std::uint8_t(f * 10), 8, 200}; };
    for (int f = 0; f < 12; ++f) {
      scene.color = top(f);
      source.viewer.Buffer().SetBackgroundColor(MakeRGBColor(bottom(f)[0], bottom(f)[1], bottom(f)[2]));
      if (mode == irmSnapShot) source.viewer.Render();
      recorder.AddFrame();
    }
    recorder.CloseFile(false);

    const test::TAVIReadBack back = test::ReadAVI(recorder.Filename());
    EXPECT_EQ(std::tuple(back.codec, back.tag), std::tuple(codec, tag));
    EXPECT_EQ((std::array{back.width, back.height, back.rate_num, back.rate_den}),
              (std::array{64, 48, 12, 1}));
    ASSERT_EQ(back.frames.size(), 12u) << codec;
    for (int f = 0; f < frames_checked; ++f) {
      for (const auto& [y, rgb] : {std::pair{4, top(f)}, std::pair{44, bottom(f)}}) {
        const std::vector<int> bgr = back.Pixel(std::size_t(f), 30, y);
        for (int i = 0; i < 3; ++i)
          EXPECT_NEAR(bgr[2 - i], rgb[i], tolerance) << codec << " " << f << " " << y;
      }
    }
  }
}

}  // namespace
}  // namespace zentrova
