// A background sky around the camera: a unit sphere that follows the camera's position, scaled to just
// inside the far clipping distance, carrying horizontal colour bands and point stars, drawn without depth
// writes so that everything else is drawn over it.
//
// The dome's up is its local +Z: elevation 90° is (0, 0, 1), −90° is (0, 0, −1); azimuth 0 is +X and
// azimuth 90° is +Y.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "scene/base/class_name.h"
#include "scene/base/collection.h"
#include "scene/base/vector_types.h"
#include "scene/core/custom_scene_object.h"
#include "scene/gl/color.h"
#include "scene/gl/gl_state_scope.h"
#include "scene/gl/platform_helpers.h"

namespace zentrova {

// A band between two elevations, coloured from one colour at the lower edge to another at the upper.
class TSkyDomeBand : public TCollectionItem {
 public:
  // From 0° to 0°, both colours blue, 12 slices, 1 stack.
  explicit TSkyDomeBand(TCollection* collection);
  ZENTROVA_CLASS(TSkyDomeBand)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  // Degrees, clamped into [−90, 90]. Setting one past the other pushes the other along, so that
  // StartAngle <= StopAngle always holds. Every setter notifies, changed or not.
  float StartAngle() const { return properties_.start_angle; }
  float StopAngle() const { return properties_.stop_angle; }
  void SetStartAngle(float value);
  void SetStopAngle(float value);
  TGLColor& StartColor() { return start_color_; }
  TGLColor& StopColor() { return stop_color_; }
  const TGLColor& StartColor() const { return start_color_; }
  const TGLColor& StopColor() const { return stop_color_; }
  void SetStartColor(const TGLColor& value);
  void SetStopColor(const TGLColor& value);
  // Segments around the vertical axis, at least 3, and between the two elevations, at least 1.
  int Slices() const { return properties_.slices; }
  int Stacks() const { return properties_.stacks; }
  void SetSlices(int value);
  void SetStacks(int value);

  // "1: 15.0° - 90.0°": index, start and stop angle.
  std::string GetDisplayName() const override;
  // From another band: angles, colours by value, slices and stacks. The item stays where it is.
  void Assign(const TPersistent* source) override;

  // Stacks rings of quads (a fan where an edge is a pole), colours interpolated stack by stack; nothing
  // when both angles are equal.
  void BuildList();

 private:
  // One stack from elevation a1 up to a2 (degrees) with the colours at its edges.
  void RenderBand(float a1, float a2, const TVector4f& c1, const TVector4f& c2) const;
  void ColorChanged() { Changed(false); }
  // The published properties that Assign copies, as one value.
  struct TProperties {
    float start_angle = 0;
    float stop_angle = 0;
    int slices = 12;
    int stacks = 1;
  };
  TProperties properties_;
  TGLColor start_color_;
  TGLColor stop_color_;
};

// The dome's bands; every change marks the owning scene object's structure dirty.
class TSkyDomeBands : public TOwnedCollection {
 public:
  explicit TSkyDomeBands(TComponent* owner);
  ZENTROVA_CLASS(TSkyDomeBands)

  TSkyDomeBand& Add() { return static_cast<TSkyDomeBand&>(*TCollection::Add()); }
  TSkyDomeBand& Items(int index) const { return static_cast<TSkyDomeBand&>(*TCollection::Items(index)); }
  // Every band in index order.
  void BuildList();

 protected:
  void Update(TCollectionItem* item) override;

 private:
  TComponent* owner_;
};

// A star: position on the sky and brightness. The published values are plain fields.
class TSkyDomeStar : public TCollectionItem {
 public:
  using TCollectionItem::TCollectionItem;
  ZENTROVA_CLASS(TSkyDomeStar)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  float RA = 0;         // right ascension, degrees
  float Dec = 0;        // declination, degrees
  float Magnitude = 0;  // apparent magnitude: smaller is brighter
  TColor Color = 0;     // 0x00BBGGRR
  // Unit direction of the star, recomputed before each drawing.
  TAffineVector CacheCoord{};

  // "RA: %5.1f / Dec: %5.1f".
  std::string GetDisplayName() const override;
  // From another star: the four values and the cached direction.
  void Assign(const TPersistent* source) override;
};

class TSkyDomeStars : public TOwnedCollection {
 public:
  explicit TSkyDomeStars(TComponent* owner) : TOwnedCollection(owner, &CreateCollectionItem<TSkyDomeStar>) {}
  ZENTROVA_CLASS(TSkyDomeStars)

  TSkyDomeStar& Add() { return static_cast<TSkyDomeStar&>(*TCollection::Add()); }
  TSkyDomeStar& Items(int index) const { return static_cast<TSkyDomeStar&>(*TCollection::Items(index)); }

  // Every star's CacheCoord from its RA and Dec.
  void PrecomputeCartesianCoordinates();
  // Smoothed, blended points, one batch per point size. Stars of magnitude above about 2.95 are 1.5
  // pixels; brighter ones grow by 0.1 pixel per 0.1 magnitude. Twinkling scales each star's colour by a
  // factor in [0.4, 1) from the platform's random generator. Blend and alpha functions are as before
  // afterwards; the point size is 1.
  // `states` (may be null) is the cache that the attribute push keeps true.
  void BuildList(TGLStateCache* states, bool twinkle);
};

enum TSkyDomeOption : std::uint8_t { sdoTwinkle = 1u << 0 };
using TSkyDomeOptions = std::uint8_t;

class TGLSkyDome : public TGLCameraInvariantObject {
 public:
  // Follows the camera's position; drawn directly and never culled. Two bands: white at 0° to blue at
  // 15° in one stack, blue to navy at 90° in four. No stars.
  TGLSkyDome();
  ~TGLSkyDome() override;
  ZENTROVA_CLASS_NEW(TGLSkyDome)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  TSkyDomeOptions Options() const { return options_; }
  // Twinkling needs a new drawing every frame: with it the dome draws directly, without it the dome is
  // compiled into a list again.
  void SetOptions(TSkyDomeOptions value);
  TSkyDomeBands& Bands() { return *bands_; }
  TSkyDomeStars& Stars() { return *stars_; }
  const TSkyDomeBands& Bands() const { return *bands_; }
  const TSkyDomeStars& Stars() const { return *stars_; }
  void SetBands(const TSkyDomeBands& value);
  void SetStars(const TSkyDomeStars& value);

  // The bands, then the stars, on the dome scaled to 0.9 of the camera's far distance, with lighting,
  // depth test, fog and culling off and no depth writes.
  void BuildList(TRenderContextInfo& rci) override;
  // From another dome: bands and stars, then the base's properties.
  void Assign(const TPersistent* source) override;

 protected:
  // The dome's frame around what a dome draws, for the length of a scope: matrix and enables pushed, the
  // states above off, and the unit sphere scaled to `far_share` of (DepthOfView + near-plane distance)
  // of the scene's camera; depth writes back on and both popped however the drawing ends.
  class TDomeScope {
   public:
    TDomeScope(const TRenderContextInfo& rci, float far_share, bool alpha_test_off);
    ~TDomeScope();
    TDomeScope(const TDomeScope&) = delete;
    TDomeScope& operator=(const TDomeScope&) = delete;

   private:
    TGLMatrixScope matrix_;
    TGLAttribScope enable_bits_;
  };
  void DrawBandsAndStars(TRenderContextInfo& rci);

 private:
  TSkyDomeOptions options_ = 0;
  std::unique_ptr<TSkyDomeBands> bands_;
  std::unique_ptr<TSkyDomeStars> stars_;
};

}  // namespace zentrova
