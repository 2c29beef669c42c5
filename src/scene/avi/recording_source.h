// What the AVI recorder takes its frames from: a viewer's scene buffer (snapshots, renders into a bitmap)
// and its window's picture. The window viewer and the full-screen viewer implement it.
#pragma once

#include <memory>

namespace zentrova {

class TBitmap;
class TGLStageBuffer;

class IGLRecordingSource {
 public:
  virtual ~IGLRecordingSource() = default;
  virtual TGLStageBuffer& Buffer() = 0;
  // A new 24-bit bitmap of the viewer's size with the window's picture: a frame drawn for it and read
  // before the swap; black without a native window.
  virtual std::unique_ptr<TBitmap> CopyWindowToBitmap() = 0;
};

}  // namespace zentrova
