// Objects drawn in screen space over the scene, whatever the camera: a textured rectangle and a string,
// placed in pixels from the top-left corner of the viewport (y downwards); Position.z is the depth
// translation. Sizes and positions scale with the render resolution (dpi / 96).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "scene/base/class_name.h"
#include "scene/core/custom_scene_object.h"
#include "scene/extras/text/bitmap_font.h"
#include "scene/gl/color.h"
#include "scene/objects/sprite.h"

namespace zentrova {

// The render resolution's scale: dpi / 96 (1 for 96 and for an unset resolution).
float HUDScale(const TRenderContextInfo& rci);

// The shared screen-space frame: model-view and projection pushed, the model-view mapping pixels from
// the top-left corner (y down) and the projection the identity, enables pushed, depth test off. Ends
// (popping everything) when the frame goes out of scope, also by an exception.
class THUDFrame {
 public:
  // False from Active() when the viewport has no area: nothing is pushed and nothing must be drawn.
  THUDFrame(const TRenderContextInfo& rci, const TVector4f& position, float rotation);
  ~THUDFrame();
  THUDFrame(const THUDFrame&) = delete;
  THUDFrame& operator=(const THUDFrame&) = delete;
  bool Active() const { return active_; }

 private:
  bool active_ = false;
};

class TGLHUDSprite : public TGLSprite {
 public:
  // 16 × 16 pixels, drawn directly and never culled.
  TGLHUDSprite();
  ZENTROVA_CLASS_NEW(TGLHUDSprite)

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

class TGLHUDText : public TGLImmaterialSceneObject {
 public:
  TGLHUDText();
  ~TGLHUDText() override;
  ZENTROVA_CLASS_NEW(TGLHUDText)

  TGLCustomBitmapFont* BitmapFont() const { return bitmap_font_; }
  void SetBitmapFont(TGLCustomBitmapFont* value);
  const std::string& Text() const { return text_; }
  void SetText(const std::string& value);
  float Rotation() const { return rotation_; }
  void SetRotation(float value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  TGLTextLayout Layout() const { return layout_; }
  void SetLayout(TGLTextLayout value);
  TGLColor& ModulateColor() { return modulate_color_; }
  const TGLColor& ModulateColor() const { return modulate_color_; }
  void SetModulateColor(const TGLColor& value) { modulate_color_.Assign(&value); }

  void BuildList(TRenderContextInfo& rci) override;
  void Assign(const TPersistent* source) override;

 protected:
  void Notification(TComponent& component, TOperation operation) override;

 private:
  TGLCustomBitmapFont* bitmap_font_ = nullptr;
  std::string text_;
  float rotation_ = 0;
  TAlignment alignment_ = taLeftJustify;
  TGLTextLayout layout_ = tlTop;
  TGLColor modulate_color_;
};

}  // namespace zentrova
