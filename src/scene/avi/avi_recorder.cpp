#include "scene/avi/avi_recorder.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>

#include "platform/dialogs.h"
#include "platform/exception.h"
#include "platform/message_sink.h"
#include "scene/base/class_registration.h"
#include "scene/base/property_stream.h"
#include "scene/core/stage_buffer.h"
#include "scene/pictures/bitmap32.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TAVIRecorder);

namespace {

constexpr const char* kNotCreatedAdd = "Cannot add frame to AVI. AVI file not created.";
constexpr const char* kNotCreatedClose = "Cannot close AVI file. AVI file not created.";

std::string OverwriteQuestion(const std::string& file_name) {
  return "Overwrite file " + file_name + "?";
}

// The snapshot drawn at (0, 0) of the frame: its rows run bottom-up in red, green, blue, alpha; the
// frame's top-down in blue, green, red. Directly, as a converted bitmap would draw, without one.
void DrawSnapShot(const TGLBitmap32& snapshot, TBitmap& frame) {
  const int width = std::min(snapshot.Width(), frame.Width());
  const int height = std::min(snapshot.Height(), frame.Height());
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* source =
        snapshot.Data() + static_cast<std::size_t>(snapshot.Height() - 1 - y) * snapshot.Width() * 4;
    std::uint8_t* target = frame.ScanLine(y);
    for (int x = 0; x < width; ++x, source += 4, target += 3) {
      target[0] = source[2];
      target[1] = source[1];
      target[2] = source[0];
    }
  }
  frame.Modified();
}

}  // namespace

TAVIRecorder::~TAVIRecorder() {
  if (!recording_) return;
  try {
    CloseFile(true);
  } catch (const std::exception& error) {
    // A destructor cannot raise: the failure is told, the recorder goes anyway.
    ShowMessage(error.what());
  }
}

int TAVIRecorder::RestrictSize(int value) const {
  switch (size_restriction_) {
    case srForceBlock2x2:
      return (value / 2) * 2;
    case srForceBlock4x4:
      return (value / 4) * 4;
    case srForceBlock8x8:
      return (value / 8) * 8;
    case srNoRestriction:
      break;
  }
  return value;
}

void TAVIRecorder::SetWidth(int value) {
  if (recording_ || value == width_ || value < 1) return;
  width_ = RestrictSize(value);
}

void TAVIRecorder::SetHeight(int value) {
  if (recording_ || value == height_ || value < 1) return;
  height_ = RestrictSize(value);
}

void TAVIRecorder::SetSizeRestriction(TAVISizeRestriction value) {
  if (value == size_restriction_) return;
  size_restriction_ = value;
  height_ = RestrictSize(height_);
  width_ = RestrictSize(width_);
}

void TAVIRecorder::SetGLStageViewer(IGLRecordingSource* viewer) {
  stage_viewer_ = viewer;
  source_ = viewer;
}

void TAVIRecorder::SetGLFullScreenViewer(IGLRecordingSource* viewer) {
  full_screen_viewer_ = viewer;
  source_ = viewer;
}

TAVIEncoderSettings TAVIRecorder::EncoderSettings() const {
  switch (compressor_) {
    case acDefault:
      return {"msvideo1", "MSVC", 0, 0};
    case acDivX:
      return {"mpeg4", "divx", 0, 0};
    case acShowDialog:
      break;
  }
  TVideoEncoderDialogData data;
  data.Encoders = AVIVideoEncoders(width_, height_);
  const auto preferred = std::find_if(data.Encoders.begin(), data.Encoders.end(),
                                      [](const TVideoEncoderChoice& e) { return e.Name == "msvideo1"; });
  data.Selected = preferred != data.Encoders.end() ? static_cast<int>(preferred - data.Encoders.begin()) : 0;
  // A cancelled choice leaves the frames as they are.
  if (!Dialogs().ChooseVideoEncoder(data) || data.Selected < 0 ||
      data.Selected >= static_cast<int>(data.Encoders.size())) {
    return {"rawvideo", "", 0, 0};
  }
  return {data.Encoders[static_cast<std::size_t>(data.Selected)].Name, "", data.KeyFrameInterval,
          data.DataRateKbps};
}

bool TAVIRecorder::OpenFile(int resolution) {
  std::string name = filename_;
  if (name.empty()) {
    TSaveDialogRequest request;
    request.DefaultExt = ".avi";
    request.Filter = "AVI Files (*.avi)|*.avi";
    if (!Dialogs().SaveFileDialog(request, name)) return false;
  }
  if (name.empty()) return false;
  std::error_code error;
  if (std::filesystem::exists(name, error)) {
    if (!Dialogs().AskYesNo(OverwriteQuestion(name))) return false;
    std::filesystem::remove(name, error);
  }
  working_name_ = name;
  frame_ = std::make_unique<TBitmap>(std::max(width_, 0), std::max(height_, 0), pf24bit);
  recording_ = true;
  try {
    writer_.Open(working_name_, width_, height_, fps_, EncoderSettings());
  } catch (...) {
    CloseFile(true);
    throw;
  }
  resolution_ = resolution;
  gate_.Open();
  return true;
}

void TAVIRecorder::AddFrame() {
  if (!TGuiThreadGate::OnGuiThread()) {
    gate_.Call([this] { AddFrame(); });
    return;
  }
  if (!recording_) throw Exception(kNotCreatedAdd);
  TakeFrame();
  WriteFrame();
}

void TAVIRecorder::TakeFrame() {
  if (source_ == nullptr) return;
  TGLStageBuffer& buffer = source_->Buffer();
  switch (image_retrieval_mode_) {
    case irmSnapShot: {
      DrawSnapShot(*buffer.CreateSnapShot(), *frame_);
      break;
    }
    case irmRenderToBitmap:
      buffer.RenderIntoBitmap(*frame_, resolution_);
      break;
    case irmBitBlt:
      source_->CopyWindowToBitmap()->Draw(*frame_, 0, 0);
      break;
  }
}

void TAVIRecorder::WriteFrame() {
  if (OnPostProcessEvent) OnPostProcessEvent(*this, *frame_);
  if (frame_->Height() == 0) throw Exception("Add Frame Error");
  writer_.WriteFrame(frame_->ScanLine(0), frame_->RowBytes());
}

void TAVIRecorder::CloseFile(bool delete_file) {
  if (!recording_) throw Exception(kNotCreatedClose);
  recording_ = false;
  frame_.reset();
  std::exception_ptr failure;
  try {
    writer_.Close();
  } catch (...) {
    failure = std::current_exception();
  }
  if (delete_file) {
    std::error_code error;
    std::filesystem::remove(working_name_, error);
  }
  if (failure) std::rethrow_exception(failure);
}

void TAVIRecorder::CancelPendingFrames() {
  gate_.Close();
}

namespace {

constexpr TIdentNames<3> kCompressor{"acDefault", "acShowDialog", "acDivX"};
constexpr TIdentNames<4> kSizeRestriction{"srNoRestriction", "srForceBlock2x2", "srForceBlock4x4", "srForceBlock8x8"};
constexpr TIdentNames<3> kImageRetrievalMode{"irmSnapShot", "irmRenderToBitmap", "irmBitBlt"};

}  // namespace

void TAVIRecorder::WriteProperties(TPropertyWriter& w) const {
  TComponent::WriteProperties(w);
  if (fps_ != 25) w.Integer("FPS", fps_);
  w.Reference("GLStageViewer", dynamic_cast<const TComponent*>(stage_viewer_));
  w.Reference("GLFullScreenViewer", dynamic_cast<const TComponent*>(full_screen_viewer_));
  if (width_ != 320) w.Integer("Width", width_);
  if (height_ != 200) w.Integer("Height", height_);
  if (!filename_.empty()) w.String("Filename", filename_);
  if (compressor_ != acDefault) w.Enum("Compressor", kCompressor, compressor_);
  if (size_restriction_ != srForceBlock8x8) w.Enum("SizeRestriction", kSizeRestriction, size_restriction_);
  if (image_retrieval_mode_ != irmBitBlt) w.Enum("ImageRetrievalMode", kImageRetrievalMode, image_retrieval_mode_);
}

bool TAVIRecorder::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "FPS") {
    SetFPS(static_cast<std::uint8_t>(AsInteger(v)));
  } else if (name == "GLStageViewer") {
    ReadReference<IGLRecordingSource>(v, [this](IGLRecordingSource* viewer) { SetGLStageViewer(viewer); });
  } else if (name == "GLFullScreenViewer") {
    ReadReference<IGLRecordingSource>(v, [this](IGLRecordingSource* viewer) { SetGLFullScreenViewer(viewer); });
  } else if (name == "Width") {
    SetWidth(AsInteger(v));
  } else if (name == "Height") {
    SetHeight(AsInteger(v));
  } else if (name == "Filename") {
    SetFilename(AsString(v));
  } else if (name == "Compressor") {
    SetCompressor(AsEnum<TAVICompressor>(kCompressor, v));
  } else if (name == "SizeRestriction") {
    SetSizeRestriction(AsEnum<TAVISizeRestriction>(kSizeRestriction, v));
  } else if (name == "ImageRetrievalMode") {
    SetImageRetrievalMode(AsEnum<TAVIImageRetrievalMode>(kImageRetrievalMode, v));
  } else {
    return TComponent::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
