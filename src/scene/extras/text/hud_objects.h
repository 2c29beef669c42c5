// Objects drawn in screen space over the scene, whatever the camera: a textured rectangle and a string,
// placed in pixels from the top-left corner of the viewport (y downwards); Position.z is the depth
// translation. Sizes and positions scale with the render resolution (dpi / 96).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "scene/base/class_name.h"
#include "scene/core/custom_scene_object.h"
#include "scene/extras/text/bitmap_text.h"
#include "scene/gl/gl_state_scope.h"
#include "scene/objects/sprite.h"

namespace zentrova {

// The render resolution's scale: dpi / 96 (1 for 96 and for an unset resolution).
float HUDScale(const TRenderContextInfo& rci);

// The shared screen-space frame: model-view and projection pushed, the model-view mapping pixels from
// the top-left corner (y down) and the projection the identity, enables pushed, depth test off. Ends
// (popping everything) when the frame goes out of scope, also by an exception.
class THUDFrame {
 public:
  // False from Active() when the viewport has no area: nothing is pushed and nothing must be drawn. With
  // `scale_pixels` a render resolution other than 96 dpi also scales what is drawn (after the rotation).
  THUDFrame(const TRenderContextInfo& rci, const TVector4f& position, float rotation, bool scale_pixels = false);
  ~THUDFrame();
  THUDFrame(const THUDFrame&) = delete;
  THUDFrame& operator=(const THUDFrame&) = delete;
  bool Active() const { return model_view_.has_value(); }

 private:
  std::optional<TGLMatrixScope> model_view_;
  std::optional<TGLMatrixScope> projection_;
  std::optional<TGLAttribScope> enables_;
};

class TGLHUDSprite : public TGLSprite {
 public:
  // 16 × 16 pixels, drawn directly and never culled.
  TGLHUDSprite();
  ZENTROVA_CLASS_NEW(TGLHUDSprite)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  // How often the texture repeats across and down.
  int XTiles() const { return x_tiles_; }
  int YTiles() const { return y_tiles_; }
  void SetXTiles(int value);
  void SetYTiles(int value);

  // One quad centred on Position, in pixels.
  void BuildList(TRenderContextInfo& rci) override;
  void Assign(const TPersistent* source) override;

 private:
  int x_tiles_ = 1;
  int y_tiles_ = 1;
};

class TGLHUDText : public TGLBitmapTextObject {
 public:
  ZENTROVA_CLASS_NEW(TGLHUDText)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  float Rotation() const { return rotation_; }
  void SetRotation(float value);

  void BuildList(TRenderContextInfo& rci) override;
  void Assign(const TPersistent* source) override;

 private:
  float rotation_ = 0;
};

}  // namespace zentrova
