// A textured rectangle that always faces the viewer: spanned each frame along the right and up axes of
// the current model-view matrix, optionally rotated about the view axis, mirrored, translucent and kept
// out of the depth buffer.
#pragma once

#include <memory>

#include "scene/base/class_name.h"
#include "scene/core/custom_scene_object.h"

namespace zentrova {

class TGLSprite : public TGLStageObject {
 public:
  TGLSprite();
  ZENTROVA_CLASS_NEW(TGLSprite)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  float Width() const { return width_; }
  float Height() const { return height_; }
  float Rotation() const { return rotation_; }  // degrees about the view axis
  float AlphaChannel() const { return alpha_channel_; }
  bool NoZWrite() const { return no_z_write_; }
  bool MirrorU() const { return mirror_u_; }
  bool MirrorV() const { return mirror_v_; }
  // Each setter asks for a repaint; nothing is compiled.
  void SetWidth(float value);
  void SetHeight(float value);
  void SetRotation(float value);
  void SetAlphaChannel(float value);  // clamped to [0, 1]
  void SetNoZWrite(bool value);
  void SetMirrorU(bool value);
  void SetMirrorV(bool value);

  // Width, height, rotation, alpha and NoZWrite, then the base's Assign.
  void Assign(const TPersistent* source) override;
  // The depth extent is the width's.
  TVector4f UnscaledHalfExtents() const override;
  void BuildList(TRenderContextInfo& rci) override;

 private:
  float width_ = 1;
  float height_ = 1;
  float rotation_ = 0;
  float alpha_channel_ = 1;
  bool no_z_write_ = false;
  bool mirror_u_ = false;
  bool mirror_v_ = false;
};

}  // namespace zentrova
