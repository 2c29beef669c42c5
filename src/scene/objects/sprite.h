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

  float Width() const { return properties_.width; }
  float Height() const { return properties_.height; }
  float Rotation() const { return properties_.rotation; }  // degrees about the view axis
  float AlphaChannel() const { return properties_.alpha_channel; }
  bool NoZWrite() const { return properties_.no_z_write; }
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
  // The published properties that Assign copies, as one value.
  struct TProperties {
    float width = 1;
    float height = 1;
    float rotation = 0;
    float alpha_channel = 1;
    bool no_z_write = false;
  };
  TProperties properties_;
  bool mirror_u_ = false;
  bool mirror_v_ = false;
};

}  // namespace zentrova
