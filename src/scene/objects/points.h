// A set of points, each at a position from a list and optionally in its own colour, in one of five
// point styles, with the point-parameter extension's size limits and distance attenuation.
// The simulation thread fills Positions during a run under the scene's mutex (TGLStage::Lock), which
// rendering holds too.
#pragma once

#include <cstdint>
#include <memory>

#include "scene/base/class_name.h"
#include "scene/base/coordinates.h"
#include "scene/base/streams.h"
#include "scene/base/vector_lists.h"
#include "scene/core/custom_scene_object.h"

namespace zentrova {

class TGLPointParameters : public TGLUpdateAbleObject {
 public:
  explicit TGLPointParameters(TPersistent* owner);
  ZENTROVA_CLASS(TGLPointParameters)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  float MinSize() const { return min_size_; }
  float MaxSize() const { return max_size_; }
  float FadeTresholdSize() const { return fade_treshold_size_; }
  // A negative value is stored as 0.
  void SetMinSize(float value);
  void SetMaxSize(float value);
  void SetFadeTresholdSize(float value);
  // Constant, linear and quadratic attenuation in x, y, z.
  TGLCoordinates& DistanceAttenuation() { return distance_attenuation_; }
  const TGLCoordinates& DistanceAttenuation() const { return distance_attenuation_; }
  void SetDistanceAttenuation(const TGLCoordinates& value) { distance_attenuation_.Assign(&value); }

  // From other point parameters: the sizes and the attenuation (not Enabled), without notice; any other
  // source is ignored.
  void Assign(const TPersistent* source) override;
  // Only when Enabled and GL_ARB_point_parameters is present: the four parameters, and their OpenGL
  // defaults back.
  void Apply() const;
  void UnApply() const;

  // The binary property "PointParams": MinSize, MaxSize, FadeTresholdSize as 12 bytes of little-endian
  // singles, stored unless they are 0, 128 and 1; read without clamping and without notice.
  bool StoresPointParams() const;
  void WritePointParams(TStream& stream) const;
  void ReadPointParams(TStream& stream);

 private:
  bool enabled_ = false;
  float min_size_ = 0;
  float max_size_ = 128;
  float fade_treshold_size_ = 1;
  TGLCoordinates distance_attenuation_;
};

enum TGLPointStyle : std::uint8_t { psSquare, psRound, psSmooth, psSmoothAdditive, psSquareAdditive };

class TGLPoints : public TGLImmaterialSceneObject {
 public:
  TGLPoints();
  ZENTROVA_CLASS_NEW(TGLPoints)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  // Changed without a notice: a direct-drawn points object shows them at the next frame, a static one
  // after MarkStructureDirty.
  TAffineVectorList& Positions() { return positions_; }
  TVectorList& Colors() { return colors_; }
  const TAffineVectorList& Positions() const { return positions_; }
  const TVectorList& Colors() const { return colors_; }
  float Size() const { return size_; }
  void SetSize(float value);
  TGLPointStyle Style() const { return style_; }
  void SetStyle(TGLPointStyle value);
  bool NoZWrite() const { return no_z_write_; }
  void SetNoZWrite(bool value);
  bool Static() const { return static_; }
  // True compiles the points into the object's list (DirectDraw off); false draws them every frame.
  void SetStatic(bool value);
  TGLPointParameters& PointParameters() { return point_parameters_; }
  const TGLPointParameters& PointParameters() const { return point_parameters_; }
  void SetPointParameters(const TGLPointParameters& value) { point_parameters_.Assign(&value); }

  // Size, style, positions and colours, then the base's Assign.
  void Assign(const TPersistent* source) override;
  void BuildList(TRenderContextInfo& rci) override;

 private:
  TAffineVectorList positions_;
  TVectorList colors_;
  float size_ = 1;
  TGLPointStyle style_ = psSquare;
  TGLPointParameters point_parameters_;
  bool no_z_write_ = false;
  bool static_ = false;
};

}  // namespace zentrova
