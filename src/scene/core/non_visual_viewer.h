// Viewers without a window: the base of the off-screen and full-screen viewers, and the memory viewer,
// which draws its scene into an off-screen context of its own size (made at its first frame) that the
// program reads back or copies into a texture.
#pragma once

#include <memory>

#include "scene/base/class_name.h"
#include "scene/base/component.h"
#include "scene/core/stage_buffer.h"

namespace zentrova {

class TGLNonVisualViewer : public TComponent {
 public:
  // 256 × 256, with its buffer wired to DoOnChange, DoBufferStructuralChange and PrepareGLContext.
  TGLNonVisualViewer();
  ~TGLNonVisualViewer() override;
  ZENTROVA_CLASS(TGLNonVisualViewer)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  TGLStageBuffer& Buffer() { return *buffer_; }
  // Takes the other buffer's settings.
  void SetBuffer(const TGLStageBuffer& buffer);
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Values below 1 are stored as 1. A change drops the context: the next frame makes one of the new size.
  void SetWidth(int value);
  void SetHeight(int value);
  TGLCamera* Camera() const { return buffer_->Camera(); }
  void SetCamera(TGLCamera* camera) { buffer_->SetCamera(camera); }

  virtual void Render(TGLBaseSceneObject* base_object = nullptr);
  // The whole frame into the texture's own target, created there when the texture has no name yet.
  virtual void CopyToTexture(TGLTexture& texture);

 protected:
  // The buffer's OnChange: a repaint request, which may come from the simulation thread.
  virtual void DoOnChange() {}
  // The buffer's OnStructuralChange: the context goes, to be made again as the settings now ask.
  virtual void DoBufferStructuralChange();
  // The buffer's new context, before it is created.
  virtual void PrepareGLContext(TGLContext& context) {}

 private:
  std::unique_ptr<TGLStageBuffer> buffer_;
  int width_ = 256;
  int height_ = 256;
};

class TGLMemoryViewer : public TGLNonVisualViewer {
 public:
  ZENTROVA_CLASS(TGLMemoryViewer)
  // Makes the off-screen context of the viewer's size when there is none, then draws a frame.
  void Render(TGLBaseSceneObject* base_object = nullptr) override;
};

}  // namespace zentrova
