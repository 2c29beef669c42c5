// A string drawn with a bitmap font in the object's own plane (one unit per font pixel).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "scene/base/class_name.h"
#include "scene/extras/text/bitmap_text.h"

namespace zentrova {

enum TGLFlatTextOption : std::uint8_t { ftoTwoSided = 1u << 0 };
using TGLFlatTextOptions = std::uint8_t;

class TGLFlatText : public TGLBitmapTextObject {
 public:
  ZENTROVA_CLASS_NEW(TGLFlatText)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  TGLFlatTextOptions Options() const { return options_; }
  void SetOptions(TGLFlatTextOptions value);

  void BuildList(TRenderContextInfo& rci) override;
  void Assign(const TPersistent* source) override;

 private:
  TGLFlatTextOptions options_ = 0;
};

}  // namespace zentrova
