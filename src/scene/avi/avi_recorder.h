// Records a viewer's pictures as the frames of an AVI file: one frame per AddFrame, taken from the
// source by snapshot, by rendering into the frame bitmap or from the window, written at FPS frames per
// second with the chosen encoder (Video-1 tagged "MSVC" by default, MPEG-4 tagged "divx", or one the user
// picks from the encoders AVI takes; a cancelled choice writes raw frames).
//
// Threads: frames are taken on the GUI thread. AddFrame from another thread (the simulation thread) runs
// whole on the GUI thread by a blocking queued call; before the GUI thread joins that thread it calls
// CancelPendingFrames, which releases a waiting caller, and later calls from other threads return without
// a frame until the next OpenFile.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/qt/gui_thread_call.h"
#include "scene/base/class_name.h"
#include "scene/base/component.h"
#include "scene/avi/avi_writer.h"
#include "scene/pictures/picture.h"
#include "scene/avi/recording_source.h"

namespace zentrova {

enum TAVISizeRestriction : std::uint8_t {
  srNoRestriction,
  srForceBlock2x2,
  srForceBlock4x4,
  srForceBlock8x8
};
enum TAVIImageRetrievalMode : std::uint8_t { irmSnapShot, irmRenderToBitmap, irmBitBlt };
enum TAVICompressor : std::uint8_t { acDefault, acShowDialog, acDivX };

class TAVIRecorder;
using TAVIRecorderPostProcessEvent = std::function<void(TAVIRecorder& sender, TBitmap& frame)>;

class TAVIRecorder : public TComponent {
 public:
  TAVIRecorder() = default;
  // While recording, the unfinished file is deleted; a failure to do so goes to the message sink.
  ~TAVIRecorder() override;
  ZENTROVA_CLASS(TAVIRecorder)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  // The file name, the save dialog's ("AVI Files (*.avi)") when empty; an existing file is overwritten
  // only when the user answers Yes to "Overwrite file %s?". False when no name was given or the user said
  // No: nothing else happens then. Failures raise, leave no file and the recorder idle. `resolution` is
  // the dots per inch of irmRenderToBitmap frames.
  bool OpenFile(int resolution = 0);
  // "Cannot add frame to AVI. AVI file not created." while idle.
  void AddFrame();
  // "Cannot close AVI file. AVI file not created." while idle.
  void CloseFile(bool delete_file);
  // Releases an AddFrame that waits for the GUI thread; until the next OpenFile, calls from other threads
  // return without a frame.
  void CancelPendingFrames();
  // AddFrame calls of other threads that wait for the GUI thread now.
  int PendingFrames() const { return gate_.WaitingCallers(); }
  bool Recording() const { return recording_; }
  int FramesWritten() const { return writer_.FramesWritten(); }

  std::uint8_t FPS() const { return fps_; }
  void SetFPS(std::uint8_t value) { fps_ = value; }
  // Ignored while recording, when unchanged or below 1; stored as RestrictSize gives it.
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetWidth(int value);
  void SetHeight(int value);
  TAVISizeRestriction SizeRestriction() const { return size_restriction_; }
  // Rounds the height, then the width, again.
  void SetSizeRestriction(TAVISizeRestriction value);
  // The value rounded down to the block size.
  int RestrictSize(int value) const;

  const std::string& Filename() const { return filename_; }
  void SetFilename(const std::string& value) { filename_ = value; }
  TAVICompressor Compressor() const { return compressor_; }
  void SetCompressor(TAVICompressor value) { compressor_ = value; }
  TAVIImageRetrievalMode ImageRetrievalMode() const { return image_retrieval_mode_; }
  void SetImageRetrievalMode(TAVIImageRetrievalMode value) { image_retrieval_mode_ = value; }

  // The viewers (not owned; the owner clears them before they go). The last one set is the source.
  IGLRecordingSource* GLStageViewer() const { return stage_viewer_; }
  void SetGLStageViewer(IGLRecordingSource* viewer);
  IGLRecordingSource* GLFullScreenViewer() const { return full_screen_viewer_; }
  void SetGLFullScreenViewer(IGLRecordingSource* viewer);

  // Called with each frame before it is written.
  TAVIRecorderPostProcessEvent OnPostProcessEvent;

 private:
  // The encoder of the Compressor; acShowDialog asks the dialogs service.
  TAVIEncoderSettings EncoderSettings() const;
  void TakeFrame();
  void WriteFrame();

  TAVIWriter writer_;
  std::unique_ptr<TBitmap> frame_;
  TGuiThreadGate gate_;
  std::string working_name_;
  std::string filename_;
  int resolution_ = 0;
  std::uint8_t fps_ = 25;
  int width_ = 320;
  int height_ = 200;
  TAVISizeRestriction size_restriction_ = srForceBlock8x8;
  TAVIImageRetrievalMode image_retrieval_mode_ = irmBitBlt;
  TAVICompressor compressor_ = acDefault;
  bool recording_ = false;
  IGLRecordingSource* source_ = nullptr;
  IGLRecordingSource* stage_viewer_ = nullptr;
  IGLRecordingSource* full_screen_viewer_ = nullptr;
};

}  // namespace zentrova
