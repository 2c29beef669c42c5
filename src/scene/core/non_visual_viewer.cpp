#include "scene/core/non_visual_viewer.h"
#include "scene/base/property_setter.h"

#include <algorithm>

#include "scene/base/class_registration.h"
#include "scene/base/property_stream.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLMemoryViewer);

TGLNonVisualViewer::TGLNonVisualViewer() : buffer_(std::make_unique<TGLStageBuffer>(this)) {
  buffer_->OnChange = [this](TPersistent*) { DoOnChange(); };
  buffer_->OnStructuralChange = [this](TPersistent*) { DoBufferStructuralChange(); };
  buffer_->OnPrepareGLContext = [this](TGLContext& context) { PrepareGLContext(context); };
}

TGLNonVisualViewer::~TGLNonVisualViewer() {
  // The buffer's events call into this viewer, which is half gone by now.
  buffer_->OnChange = nullptr;
  buffer_->OnStructuralChange = nullptr;
  buffer_->OnPrepareGLContext = nullptr;
  buffer_.reset();
}

void TGLNonVisualViewer::SetBuffer(const TGLStageBuffer& buffer) {
  buffer_->Assign(&buffer);
}

void TGLNonVisualViewer::SetWidth(int value) {
  SetProperty(width_, std::max(value, 1), [this] { DoBufferStructuralChange(); });
}

void TGLNonVisualViewer::SetHeight(int value) {
  SetProperty(height_, std::max(value, 1), [this] { DoBufferStructuralChange(); });
}

void TGLNonVisualViewer::DoBufferStructuralChange() {
  buffer_->DestroyRenderingContext();
}

void TGLNonVisualViewer::Render(TGLBaseSceneObject* base_object) {
  buffer_->Render(base_object);
}

void TGLNonVisualViewer::CopyToTexture(TGLTexture& texture) {
  buffer_->CopyToTexture(texture, 0, 0, width_, height_, 0, 0);
}

void TGLMemoryViewer::Render(TGLBaseSceneObject* base_object) {
  TGLStageBuffer& buffer = Buffer();
  if (buffer.RenderingContext() == nullptr) {
    buffer.SetViewport(0, 0, Width(), Height());
    buffer.Resize(Width(), Height());
    buffer.CreateRenderingContext({}, true);
  }
  buffer.Render(base_object);
}

void TGLNonVisualViewer::WriteProperties(TPropertyWriter& w) const {
  TComponent::WriteProperties(w);
  w.Reference("Camera", Camera());
  if (width_ != 256) w.Integer("Width", width_);
  if (height_ != 256) w.Integer("Height", height_);
  w.Nested("Buffer", *buffer_);
}

bool TGLNonVisualViewer::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "Camera") {
    ReadReference<TGLCamera>(v, [this](TGLCamera* camera) { SetCamera(camera); });
  } else if (name == "Width") {
    SetWidth(AsInteger(v));
  } else if (name == "Height") {
    SetHeight(AsInteger(v));
  } else if (!ReadNested("Buffer", *buffer_, name, v)) {
    return TComponent::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
