#include "scene/extras/text/hud_objects.h"
#include "scene/base/class_registration.h"

#include "scene/extras/text/font_user.h"
#include "scene/gl/face_properties.h"
#include "scene/gl/opengl_binding.h"
#include "scene/gl/state_cache.h"
#include "scene/gl/texture_coordinates.h"
#include "scene/materials/material.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLHUDSprite);
ZENTROVA_REGISTER_CLASS(TGLHUDText);

float HUDScale(const TRenderContextInfo& rci) {
  return rci.renderDPI == 96 || rci.renderDPI <= 0 ? 1.0f : static_cast<float>(rci.renderDPI) / 96.0f;
}

THUDFrame::THUDFrame(const TRenderContextInfo& rci, const TVector4f& position, float rotation) {
  const float v = static_cast<float>(rci.viewPortSize.cx), hv = static_cast<float>(rci.viewPortSize.cy);
  if (v <= 0 || hv <= 0) return;
  const float f = HUDScale(rci);
  gl.MatrixMode(GL_MODELVIEW);
  gl.PushMatrix();
  // The buffers keep no projection apart from the camera's: the base projection is the identity.
  gl.LoadIdentity();
  gl.Scalef(2 / v, 2 / hv, 1);
  gl.Translatef(position[0] * f - v / 2, hv / 2 - position[1] * f, position[2]);
  if (rotation != 0) gl.Rotatef(rotation, 0, 0, 1);
  gl.MatrixMode(GL_PROJECTION);
  gl.PushMatrix();
  gl.LoadIdentity();
  gl.MatrixMode(GL_MODELVIEW);
  gl.PushAttrib(GL_ENABLE_BIT);
  gl.Disable(GL_DEPTH_TEST);
  active_ = true;
}

THUDFrame::~THUDFrame() {
  if (!active_) return;
  gl.PopAttrib();
  gl.MatrixMode(GL_PROJECTION);
  gl.PopMatrix();
  gl.MatrixMode(GL_MODELVIEW);
  gl.PopMatrix();
}

// ---- Sprite

TGLHUDSprite::TGLHUDSprite() {
  SetObjectStyle(ObjectStyle() | osDirectDraw | osNoVisibilityCulling);
  SetWidth(16);
  SetHeight(16);
}

void TGLHUDSprite::SetXTiles(int value) {
  if (value == x_tiles_) return;
  x_tiles_ = value;
  MarkStructureDirty();
}

void TGLHUDSprite::SetYTiles(int value) {
  if (value == y_tiles_) return;
  y_tiles_ = value;
  MarkStructureDirty();
}

void TGLHUDSprite::BuildList(TRenderContextInfo& rci) {
  if (rci.ignoreMaterials) return;
  if (AlphaChannel() != 1) {
    if (rci.lightingDisabledCounter > 0) {
      const TVector4f& d = Material().FrontProperties().Diffuse().Color();
      gl.Color4f(d[0], d[1], d[2], AlphaChannel());
    } else if (rci.GLStates != nullptr) {
      rci.GLStates->SetMaterialAlpha(GL_FRONT, AlphaChannel());
    }
  }
  THUDFrame frame(rci, Position().AsVector(), Rotation());
  if (!frame.Active()) return;
  gl.DepthMask(GL_FALSE);
  const float f = HUDScale(rci);
  const float left = -Width() * 0.5f * f, right = left + Width() * f;
  const float top = Height() * 0.5f * f, bottom = top - Height() * f;
  const float xt = static_cast<float>(x_tiles_), yt = static_cast<float>(y_tiles_);
  gl.Begin(GL_QUADS);
  gl.Normal3f(0, 0, 1);
  RoutedTexCoord2f(0, 0);
  gl.Vertex2f(left, bottom);
  RoutedTexCoord2f(xt, 0);
  gl.Vertex2f(right, bottom);
  RoutedTexCoord2f(xt, yt);
  gl.Vertex2f(right, top);
  RoutedTexCoord2f(0, yt);
  gl.Vertex2f(left, top);
  gl.End();
  gl.DepthMask(GL_TRUE);
}

void TGLHUDSprite::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLHUDSprite*>(source)) {
    x_tiles_ = other->x_tiles_;
    y_tiles_ = other->y_tiles_;
  }
  TGLSprite::Assign(source);
}

// ---- Text

TGLHUDText::TGLHUDText() : modulate_color_(this, {1, 1, 1, 1}, [this](TPersistent*) { MarkStructureDirty(); }) {
  SetObjectStyle(ObjectStyle() | osDirectDraw | osNoVisibilityCulling);
}

TGLHUDText::~TGLHUDText() { SetBitmapFont(nullptr); }

void TGLHUDText::SetBitmapFont(TGLCustomBitmapFont* value) {
  if (SwapFontUser(*this, bitmap_font_, value)) MarkStructureDirty();
}

void TGLHUDText::SetText(const std::string& value) {
  text_ = value;
  MarkStructureDirty();
}

void TGLHUDText::SetRotation(float value) {
  rotation_ = value;
  MarkStructureDirty();
}

void TGLHUDText::SetAlignment(TAlignment value) {
  alignment_ = value;
  MarkStructureDirty();
}

void TGLHUDText::SetLayout(TGLTextLayout value) {
  layout_ = value;
  MarkStructureDirty();
}

void TGLHUDText::Notification(TComponent& component, TOperation operation) {
  if (operation == TOperation::Remove && &component == bitmap_font_) {
    // The font is going (it may be partly destroyed already): the link is only dropped here.
    bitmap_font_ = nullptr;
    MarkStructureDirty();
  }
  TGLImmaterialSceneObject::Notification(component, operation);
}

void TGLHUDText::BuildList(TRenderContextInfo& rci) {
  if (bitmap_font_ == nullptr || text_.empty()) return;
  if (rci.GLStates != nullptr) rci.GLStates->SetPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  THUDFrame frame(rci, Position().AsVector(), rotation_);
  if (!frame.Active()) return;
  const float f = HUDScale(rci);
  gl.Scalef(Scale().X() * f, Scale().Y() * f, 1);
  bitmap_font_->RenderString(rci, text_, alignment_, layout_, modulate_color_.Color());
}

void TGLHUDText::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLHUDText*>(source)) {
    SetBitmapFont(other->bitmap_font_);
    text_ = other->text_;
    rotation_ = other->rotation_;
    alignment_ = other->alignment_;
    layout_ = other->layout_;
    modulate_color_.Assign(&other->modulate_color_);
  }
  TGLImmaterialSceneObject::Assign(source);
}

}  // namespace zentrova
