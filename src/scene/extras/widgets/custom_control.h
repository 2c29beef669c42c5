// A picture the application paints on a bitmap in OnRender, copied into a power-of-two bitmap and drawn
// as one textured quad with the control's own material; while the bitmap keeps changing it is uploaded
// again at most once every MaxInvalidRenderCount + 1 frames.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "scene/base/class_name.h"
#include "scene/base/property_stream.h"
#include "scene/extras/widgets/gui_controls.h"
#include "scene/pictures/picture.h"

namespace zentrova {

class TGLMaterial;
class TGLCustomControl;
using TGLCustomRenderEvent = std::function<void(TGLCustomControl& sender, TBitmap& bitmap)>;

class TGLCustomControl : public TGLFocusControl {
 public:
  TGLCustomControl();
  ~TGLCustomControl() override;
  ZENTROVA_CLASS_NEW(TGLCustomControl)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  TGLCustomRenderEvent OnRender;
  TGLMaterial& Material() { return *material_; }
  TBitmap& Bitmap() { return bitmap_; }
  // A copy; marks the picture for upload.
  void SetBitmap(const TBitmap& value) { bitmap_.Assign(&value); }
  int MaxInvalidRenderCount() const { return max_invalid_render_count_; }
  void SetMaxInvalidRenderCount(int value) { max_invalid_render_count_ = value; }
  bool Centered() const { return centered_; }
  void SetCentered(bool value) { centered_ = value; }
  float ScaleU() const { return scale_u_; }
  float ScaleV() const { return scale_v_; }
  bool Invalid() const { return invalid_; }
  int InvalidRenderCount() const { return invalid_render_count_; }
  // The upload step of a frame: a changed bitmap goes to the texture unless its turn has not come.
  void UpdateTexture();
  const TBitmap* UploadBitmap() const { return upload_bitmap_.get(); }

 protected:
  void InternalRender(TRenderContextInfo& rci) override;

 private:
  std::unique_ptr<TGLMaterial> material_;
  TBitmap bitmap_;
  std::unique_ptr<TBitmap> upload_bitmap_;
  bool invalid_ = false;
  float scale_u_ = 1;
  float scale_v_ = 1;
  int invalid_render_count_ = 0;
  int max_invalid_render_count_ = 0;
  bool centered_ = false;
};

}  // namespace zentrova
