#include "scene/extras/text/hud_objects.h"
#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"

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

THUDFrame::THUDFrame(const TRenderContextInfo& rci, const TVector4f& position, float rotation, bool scale_pixels) {
  const float v = static_cast<float>(rci.viewPortSize.cx), hv = static_cast<float>(rci.viewPortSize.cy);
  if (v <= 0 || hv <= 0) return;
  const float f = HUDScale(rci);
  gl.MatrixMode(GL_MODELVIEW);
  model_view_.emplace(GL_MODELVIEW);
  // The buffers keep no projection apart from the camera's: the base projection is the identity.
  gl.LoadIdentity();
  gl.Scalef(2 / v, 2 / hv, 1);
  gl.Translatef(position[0] * f - v / 2, hv / 2 - position[1] * f, position[2]);
  if (rotation != 0) gl.Rotatef(rotation, 0, 0, 1);
  if (scale_pixels && f != 1) gl.Scalef(f, f, 1);
  gl.MatrixMode(GL_PROJECTION);
  projection_.emplace(GL_PROJECTION);
  gl.LoadIdentity();
  gl.MatrixMode(GL_MODELVIEW);
  enables_.emplace(rci.GLStates, GL_ENABLE_BIT);
  gl.Disable(GL_DEPTH_TEST);
}

// Each stack is popped with its own matrix mode current.
THUDFrame::~THUDFrame() {
  if (!Active()) return;
  enables_.reset();
  gl.MatrixMode(GL_PROJECTION);
  projection_.reset();
  gl.MatrixMode(GL_MODELVIEW);
  model_view_.reset();
}

// ---- Sprite

TGLHUDSprite::TGLHUDSprite() {
  SetObjectStyle(ObjectStyle() | osDirectDraw | osNoVisibilityCulling);
  SetWidth(16);
  SetHeight(16);
}

void TGLHUDSprite::SetXTiles(int value) { SetProperty(x_tiles_, value, StructureChangeOf(this)); }

void TGLHUDSprite::SetYTiles(int value) { SetProperty(y_tiles_, value, StructureChangeOf(this)); }

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

void TGLHUDSprite::WriteProperties(TPropertyWriter& w) const {
  TGLSprite::WriteProperties(w);
  if (x_tiles_ != 1) w.Integer("XTiles", x_tiles_);
  if (y_tiles_ != 1) w.Integer("YTiles", y_tiles_);
}

bool TGLHUDSprite::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "XTiles") {
    SetXTiles(AsInteger(v));
  } else if (name == "YTiles") {
    SetYTiles(AsInteger(v));
  } else {
    return TGLSprite::ReadProperty(name, v);
  }
  return true;
}

// ---- Text

void TGLHUDText::SetRotation(float value) {
  rotation_ = value;
  MarkStructureDirty();
}

void TGLHUDText::BuildList(TRenderContextInfo& rci) {
  if (!HasText()) return;
  if (rci.GLStates != nullptr) rci.GLStates->SetPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  THUDFrame frame(rci, Position().AsVector(), rotation_);
  if (!frame.Active()) return;
  const float f = HUDScale(rci);
  gl.Scalef(Scale().X() * f, Scale().Y() * f, 1);
  RenderText(rci);
}

void TGLHUDText::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLHUDText*>(source)) rotation_ = other->rotation_;
  TGLBitmapTextObject::Assign(source);
}

void TGLHUDText::WriteProperties(TPropertyWriter& w) const {
  TGLBitmapTextObject::WriteProperties(w);
  if (rotation_ != 0) w.Single("Rotation", rotation_);
}

bool TGLHUDText::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name != "Rotation") return TGLBitmapTextObject::ReadProperty(name, v);
  SetRotation(AsSingle(v));
  return true;
}

}  // namespace zentrova
