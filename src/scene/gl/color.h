// The RGBA colour object that every coloured property of the scene holds, and the named colours that the
// scene's objects start with.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string_view>

#include "scene/base/class_name.h"
#include "scene/base/streams.h"
#include "scene/base/update_able.h"
#include "scene/base/vector_types.h"

namespace zentrova {

// When set as a colour is initialised, the colour keeps a copy of its initial value, so that streaming
// can skip a value equal to it. False in the running program; a design environment sets it.
extern bool KeepDefaultCopies;

// An owner whose display list a change of its colours invalidates (scene objects). The colour marks it
// before the notice goes up the owner chain.
class TGLStructureDirtyTarget {
 public:
  virtual void MarkStructureDirty() = 0;

 protected:
  ~TGLStructureDirtyTarget() = default;
};

class TGLColor : public TGLUpdateAbleObject {
 public:
  // Black, opaque.
  explicit TGLColor(TPersistent* owner);
  // The given colour; the change event is stored after the colour is set, so setting it fires nothing.
  TGLColor(TPersistent* owner, const TVector4f& color, TNotifyEvent on_change = {});
  ZENTROVA_CLASS(TGLColor)

  // Sets the colour without notice; keeps a default copy when KeepDefaultCopies is set.
  void InitColor(const TVector4f& color);
  // Sets the colour without notice and without touching the default copy, for owners that notify once
  // for several colours.
  void SetColorSilently(const TVector4f& color) { color_ = color; }

  // The notifying setters. SetVector and SetRGBA notify even when nothing changes; a component setter
  // only when the value differs. An index outside 0..3 raises ERangeError.
  void SetVector(const TVector4f& color);
  void SetRGBA(float red, float green, float blue, float alpha);
  void SetComponent(int index, float value);
  void SetRed(float value) { SetComponent(0, value); }
  void SetGreen(float value) { SetComponent(1, value); }
  void SetBlue(float value) { SetComponent(2, value); }
  void SetAlpha(float value) { SetComponent(3, value); }

  float Component(int index) const;
  float Red() const { return color_[0]; }
  float Green() const { return color_[1]; }
  float Blue() const { return color_[2]; }
  float Alpha() const { return color_[3]; }
  const TVector4f& Color() const { return color_; }
  // The four floats, for GL calls that take a vector.
  const float* VectorAddress() const { return color_.data(); }
  const TVector4f* DefaultCopy() const { return default_copy_.get(); }

  // From another colour, then notice; other sources as TPersistent takes them.
  void Assign(const TPersistent* source) override;
  // A scene-object owner is marked structure-dirty first; without an owner nothing happens at all.
  void NotifyChange(TPersistent* sender) override;

  // The streamed form "Color": exactly 16 bytes, red, green, blue, alpha as little-endian singles. Written
  // unless the colour equals its default copy.
  bool StoresColor() const;
  void WriteData(TStream& stream) const;
  // Takes the 16 bytes without notice.
  void ReadData(TStream& stream);

 private:
  TVector4f color_{0, 0, 0, 1};
  std::unique_ptr<TVector4f> default_copy_;
};

// Named colours (red, green, blue, alpha).
inline constexpr TVector4f clrTransparent{0, 0, 0, 0};
inline constexpr TVector4f clrBlack{0, 0, 0, 1};
inline constexpr TVector4f clrGray20{0.2f, 0.2f, 0.2f, 1};
inline constexpr TVector4f clrGray80{0.8f, 0.8f, 0.8f, 1};
inline constexpr TVector4f clrLightGray{0.658824f, 0.658824f, 0.658824f, 1};
inline constexpr TVector4f clrWhite{1, 1, 1, 1};
inline constexpr TVector4f clrRed{1, 0, 0, 1};
inline constexpr TVector4f clrGreen{0, 1, 0, 1};
inline constexpr TVector4f clrBlue{0, 0, 1, 1};
inline constexpr TVector4f clrYellow{1, 1, 0, 1};
inline constexpr TVector4f clrNavy{0.137255f, 0.137255f, 0.556863f, 1};

struct TGLNamedColor {
  std::string_view name;
  TVector4f color;
};

// The named colours above, by the names "clrBlack" and so on.
const std::array<TGLNamedColor, 11>& NamedColors();
// The colour of that name, compared without regard to letter case; none for an unknown name.
std::optional<TVector4f> ColorByName(std::string_view name);

}  // namespace zentrova
