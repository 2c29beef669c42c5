#include "scene/gl/color.h"

#include <bit>
#include <cstring>

#include "platform/exception.h"
#include "platform/strings.h"
#include "scene/base/scene_errors.h"

namespace zentrova {

static_assert(std::endian::native == std::endian::little, "the streamed colour is little-endian singles");

bool KeepDefaultCopies = false;

TGLColor::TGLColor(TPersistent* owner) : TGLUpdateAbleObject(owner) {
  InitColor(clrBlack);
}

TGLColor::TGLColor(TPersistent* owner, const TVector4f& color, TNotifyEvent on_change)
    : TGLUpdateAbleObject(owner) {
  InitColor(color);
  OnNotifyChange = std::move(on_change);
}

void TGLColor::InitColor(const TVector4f& color) {
  color_ = color;
  if (KeepDefaultCopies) {
    if (default_copy_ == nullptr) default_copy_ = std::make_unique<TVector4f>();
    *default_copy_ = color;
  }
}

void TGLColor::SetVector(const TVector4f& color) {
  color_ = color;
  NotifyChange(this);
}

void TGLColor::SetRGBA(float red, float green, float blue, float alpha) {
  color_ = {red, green, blue, alpha};
  NotifyChange(this);
}

void TGLColor::SetComponent(int index, float value) {
  if (index < 0 || index > 3) throw ERangeError(kRangeCheckError);
  if (color_[static_cast<std::size_t>(index)] == value) return;
  color_[static_cast<std::size_t>(index)] = value;
  NotifyChange(this);
}

float TGLColor::Component(int index) const {
  if (index < 0 || index > 3) throw ERangeError(kRangeCheckError);
  return color_[static_cast<std::size_t>(index)];
}

void TGLColor::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLColor*>(source)) {
    color_ = other->color_;
    NotifyChange(this);
    return;
  }
  TGLUpdateAbleObject::Assign(source);
}

void TGLColor::NotifyChange(TPersistent* sender) {
  if (Owner() == nullptr) return;
  if (auto* target = dynamic_cast<TGLStructureDirtyTarget*>(Owner())) target->MarkStructureDirty();
  TGLUpdateAbleObject::NotifyChange(sender);
}

bool TGLColor::StoresColor() const {
  return default_copy_ == nullptr || *default_copy_ != color_;
}

void TGLColor::WriteData(TStream& stream) const {
  stream.WriteBuffer(color_.data(), sizeof(color_));
}

void TGLColor::ReadData(TStream& stream) {
  TVector4f color;
  stream.ReadBuffer(color.data(), sizeof(color));
  color_ = color;
}

const std::array<TGLNamedColor, 11>& NamedColors() {
  static constexpr std::array<TGLNamedColor, 11> colors = {{
      {"clrTransparent", clrTransparent},
      {"clrBlack", clrBlack},
      {"clrGray20", clrGray20},
      {"clrGray80", clrGray80},
      {"clrLightGray", clrLightGray},
      {"clrWhite", clrWhite},
      {"clrRed", clrRed},
      {"clrGreen", clrGreen},
      {"clrBlue", clrBlue},
      {"clrYellow", clrYellow},
      {"clrNavy", clrNavy},
  }};
  return colors;
}

std::optional<TVector4f> ColorByName(std::string_view name) {
  for (const TGLNamedColor& entry : NamedColors()) {
    if (SameText(entry.name, name)) return entry.color;
  }
  return std::nullopt;
}

}  // namespace zentrova
