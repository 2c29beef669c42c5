#include "scene/extras/widgets/custom_control.h"
#include "scene/base/class_registration.h"

#include "scene/base/gl_utils.h"
#include "scene/gl/opengl_binding.h"
#include "scene/gl/texture_coordinates.h"
#include "scene/materials/material.h"
#include "scene/materials/texture.h"
#include "scene/materials/texture_image.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLCustomControl);

TGLCustomControl::TGLCustomControl() : material_(std::make_unique<TGLMaterial>(this)) {
  bitmap_.OnChange = [this](TPersistent*) { invalid_ = true; };
}

TGLCustomControl::~TGLCustomControl() { bitmap_.OnChange = nullptr; }

void TGLCustomControl::UpdateTexture() {
  if (!invalid_) return;
  if (invalid_render_count_ < max_invalid_render_count_) {
    ++invalid_render_count_;
    return;
  }
  invalid_render_count_ = 0;
  upload_bitmap_ = std::make_unique<TBitmap>(NextPowerOfTwo(bitmap_.Width()), NextPowerOfTwo(bitmap_.Height()),
                                             bitmap_.PixelFormat());
  for (int y = 0; y < bitmap_.Height(); ++y) {
    for (int x = 0; x < bitmap_.Width(); ++x) upload_bitmap_->SetPixel(x, y, bitmap_.Pixel(x, y));
  }
  invalid_ = false;
  material_->Texture().SetDisabled(false);
  material_->Texture().SetImageClassName("TGLPersistentImage");
  if (auto* image = dynamic_cast<TGLPersistentImage*>(&material_->Texture().Image())) {
    image->Picture().SetGraphic(upload_bitmap_.get());
  }
  scale_u_ = static_cast<float>(bitmap_.Width()) / static_cast<float>(upload_bitmap_->Width());
  scale_v_ = static_cast<float>(bitmap_.Height()) / static_cast<float>(upload_bitmap_->Height());
}

void TGLCustomControl::InternalRender(TRenderContextInfo& rci) {
  if (OnRender) OnRender(*this, bitmap_);
  UpdateTexture();
  const float w = Width(), h = Height();
  // Centred, the skin lies under the quad: both over (-W/2, -H/2)-(W/2, H/2).
  if (GuiComponent() != nullptr) {
    GuardedDraw(
        [&] {
          if (centered_) {
            RenderComponent(rci, *GuiComponent(), Areas(), RefreshAreas(), -w / 2, -h / 2, w / 2, h / 2);
          } else {
            RenderComponent(rci, *GuiComponent(), Areas(), RefreshAreas(), 0, 0, w, h);
          }
        },
        "Exception in TGLCustomControl InternalRender function");
  }
  float x1 = 0, x2 = w, ya = 0, yb = -h;
  if (GuiComponent() != nullptr) {
    const TGuiArea& c = Areas()[GLAlCenter];
    x1 = c.X1, x2 = c.X2, ya = -c.Y1, yb = -c.Y2;
  } else if (centered_) {
    x1 = -w / 2, x2 = w / 2, ya = h / 2, yb = -h / 2;
  }
  if (GuiLayout() != nullptr) GuiLayout()->Material().Restore(rci);
  material_->Apply(rci);
  gl.Begin(GL_QUADS);
  RoutedTexCoord2f(0, 0);
  gl.Vertex2f(x1, ya);
  RoutedTexCoord2f(0, -scale_v_);
  gl.Vertex2f(x1, yb);
  RoutedTexCoord2f(scale_u_, -scale_v_);
  gl.Vertex2f(x2, yb);
  RoutedTexCoord2f(scale_u_, 0);
  gl.Vertex2f(x2, ya);
  gl.End();
  material_->Restore(rci);
  if (GuiLayout() != nullptr) GuiLayout()->Material().Apply(rci);
}

void TGLCustomControl::WriteProperties(TPropertyWriter& w) const {
  TGLFocusControl::WriteProperties(w);
  w.Nested("Material", *material_);
  if (!bitmap_.Empty()) w.Binary("Bitmap.Data", [this](TStream& stream) { WriteBitmapData(stream, &bitmap_); });
  if (max_invalid_render_count_ != 0) w.Integer("MaxInvalidRenderCount", max_invalid_render_count_);
  if (centered_) w.Boolean("Centered", true);
}

bool TGLCustomControl::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (ReadNested("Material", *material_, name, v)) return true;
  if (name == "Bitmap.Data") {
    SetBitmap(*ReadBitmapData(v));
  } else if (name == "MaxInvalidRenderCount") {
    SetMaxInvalidRenderCount(AsInteger(v));
  } else if (name == "Centered") {
    SetCentered(AsBoolean(v));
  } else {
    return TGLFocusControl::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
