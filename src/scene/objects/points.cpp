#include "scene/objects/points.h"

#include <algorithm>
#include <cstring>

#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"
#include "scene/base/property_stream.h"
#include "scene/base/scene_errors.h"
#include "scene/gl/gl_state_scope.h"
#include "scene/gl/opengl_binding.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLPoints);

TGLPointParameters::TGLPointParameters(TPersistent* owner)
    : TGLUpdateAbleObject(owner), distance_attenuation_(this, {1, 0, 0, 0}, csVector) {}

void TGLPointParameters::SetEnabled(bool value) { SetProperty(enabled_, value, NotifyChangeOf(this)); }

namespace {

void SetSize(TGLPointParameters& parameters, float& field, float value) {
  SetProperty(field, std::max(value, 0.0f), NotifyChangeOf(&parameters));
}

}  // namespace

void TGLPointParameters::SetMinSize(float value) { SetSize(*this, min_size_, value); }
void TGLPointParameters::SetMaxSize(float value) { SetSize(*this, max_size_, value); }
void TGLPointParameters::SetFadeTresholdSize(float value) { SetSize(*this, fade_treshold_size_, value); }

void TGLPointParameters::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLPointParameters*>(source)) {
    min_size_ = other->min_size_;
    max_size_ = other->max_size_;
    fade_treshold_size_ = other->fade_treshold_size_;
    distance_attenuation_.SetVectorSilently(other->distance_attenuation_.AsVector());
  }
}

void TGLPointParameters::Apply() const {
  if (!enabled_ || !GL.ARB_point_parameters) return;
  gl.PointParameterfARB(GL_POINT_SIZE_MIN_ARB, min_size_);
  gl.PointParameterfARB(GL_POINT_SIZE_MAX_ARB, max_size_);
  gl.PointParameterfARB(GL_POINT_FADE_THRESHOLD_SIZE_ARB, fade_treshold_size_);
  gl.PointParameterfvARB(GL_POINT_DISTANCE_ATTENUATION_ARB, distance_attenuation_.DataPointer());
}

void TGLPointParameters::UnApply() const {
  if (!(enabled_ && GL.ARB_point_parameters)) return;
  static const float kNoAttenuation[3] = {1, 0, 0};
  gl.PointParameterfARB(GL_POINT_SIZE_MIN_ARB, 0);
  gl.PointParameterfARB(GL_POINT_SIZE_MAX_ARB, 128);
  gl.PointParameterfARB(GL_POINT_FADE_THRESHOLD_SIZE_ARB, 1);
  gl.PointParameterfvARB(GL_POINT_DISTANCE_ATTENUATION_ARB, kNoAttenuation);
}

bool TGLPointParameters::StoresPointParams() const {
  return !(min_size_ == 0 && max_size_ == 128 && fade_treshold_size_ == 1);
}

void TGLPointParameters::WritePointParams(TStream& stream) const {
  const float values[3] = {min_size_, max_size_, fade_treshold_size_};
  stream.WriteBuffer(values, sizeof(values));
}

void TGLPointParameters::ReadPointParams(TStream& stream) {
  float values[3];
  stream.ReadBuffer(values, sizeof(values));
  min_size_ = values[0];
  max_size_ = values[1];
  fade_treshold_size_ = values[2];
}

TGLPoints::TGLPoints() : point_parameters_(this) {
  SetObjectStyle(ObjectStyle() | osDirectDraw | osNoVisibilityCulling);
}

void TGLPoints::SetSize(float value) { SetProperty(size_, value, StructureChangeOf(this)); }

void TGLPoints::SetStyle(TGLPointStyle value) {
  SetProperty(style_, value, StructureChangeOf(this));
}

void TGLPoints::SetNoZWrite(bool value) { SetProperty(no_z_write_, value, StructureChangeOf(this)); }

void TGLPoints::SetStatic(bool value) {
  if (value == static_) return;
  static_ = value;
  if (value) {
    SetObjectStyle(ObjectStyle() & static_cast<TGLObjectStyles>(~osDirectDraw));
  } else {
    SetObjectStyle(ObjectStyle() | osDirectDraw);
  }
  MarkStructureDirty();
}

void TGLPoints::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLPoints*>(source)) {
    size_ = other->size_;
    style_ = other->style_;
    positions_.Assign(&other->positions_);
    colors_.Assign(&other->colors_);
    MarkStructureDirty();
  }
  TGLImmaterialSceneObject::Assign(source);
}

void TGLPoints::BuildList(TRenderContextInfo& rci) {
  static const TAffineVector kOrigin{0, 0, 0};
  int n = positions_.Count();
  const int colors = colors_.Count();
  if (colors == 0) {
    gl.Color4f(1, 1, 1, 1);
  } else if (colors == 1) {
    gl.Color4fv(colors_.List()[0].data());
  } else {
    n = std::min(n, colors);
    gl.ColorPointer(4, GL_FLOAT, 0, colors_.List());
    gl.EnableClientState(GL_COLOR_ARRAY);
  }
  {
    const TGLAttribScope enable_bits(rci.GLStates, GL_ENABLE_BIT);
    gl.Disable(GL_LIGHTING);
    if (n == 0) {
      // An empty object shows one point at its origin.
      gl.VertexPointer(3, GL_FLOAT, 0, kOrigin.data());
      n = 1;
    } else {
      gl.VertexPointer(3, GL_FLOAT, 0, positions_.List());
    }
    gl.EnableClientState(GL_VERTEX_ARRAY);
    if (no_z_write_) gl.DepthMask(GL_FALSE);
    gl.PointSize(size_);
    point_parameters_.Apply();
    const bool locked = GL.EXT_compiled_vertex_array && n > 64 && gl.LockArraysEXT != nullptr;
    if (locked) gl.LockArraysEXT(0, n);
    switch (style_) {
      case psSquare:
        gl.Disable(GL_BLEND);
        break;
      case psRound:
        gl.Enable(GL_POINT_SMOOTH);
        gl.Enable(GL_ALPHA_TEST);
        gl.AlphaFunc(GL_GREATER, 0.5f);
        gl.Disable(GL_BLEND);
        break;
      case psSmooth:
        gl.Enable(GL_POINT_SMOOTH);
        gl.Enable(GL_ALPHA_TEST);
        gl.AlphaFunc(GL_NOTEQUAL, 0);
        gl.Enable(GL_BLEND);
        gl.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        break;
      case psSmoothAdditive:
        gl.Enable(GL_POINT_SMOOTH);
        gl.Enable(GL_ALPHA_TEST);
        gl.AlphaFunc(GL_NOTEQUAL, 0);
        gl.Enable(GL_BLEND);
        gl.BlendFunc(GL_SRC_ALPHA, GL_ONE);
        break;
      case psSquareAdditive:
        gl.Enable(GL_BLEND);
        gl.BlendFunc(GL_SRC_ALPHA, GL_ONE);
        break;
      default:
        SceneAssert(false);
    }
    gl.DrawArrays(GL_POINTS, 0, n);
    if (locked) gl.UnlockArraysEXT();
    point_parameters_.UnApply();
    if (no_z_write_) gl.DepthMask(GL_TRUE);
    gl.DisableClientState(GL_VERTEX_ARRAY);
    if (colors > 1) gl.DisableClientState(GL_COLOR_ARRAY);
  }
  // The alpha function is no enable bit: the attribute stack leaves it as the style set it.
  gl.AlphaFunc(GL_GREATER, 0);
}

namespace {
constexpr TIdentNames<5> kPointStyle{"psSquare", "psRound", "psSmooth", "psSmoothAdditive", "psSquareAdditive"};
}  // namespace

void TGLPointParameters::WriteProperties(TPropertyWriter& w) const {
  TGLUpdateAbleObject::WriteProperties(w);
  if (Enabled()) w.Boolean("Enabled", true);
  if (StoresPointParams()) w.Binary("PointParams", [this](TStream& s) { WritePointParams(s); });
  if (DistanceAttenuation().AsVector() != TVector4f{1, 0, 0, 0}) {
    w.Data("DistanceAttenuation.Coordinates", DistanceAttenuation());
  }
}

bool TGLPointParameters::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "Enabled") {
    SetEnabled(AsBoolean(v));
  } else if (name == "PointParams") {
    TMemoryStream s = AsBinary(v, 12);
    ReadPointParams(s);
  } else if (name == "DistanceAttenuation.Coordinates") {
    ReadData(DistanceAttenuation(), v, 16);
  } else {
    return TGLUpdateAbleObject::ReadProperty(name, v);
  }
  return true;
}

void TGLPoints::WriteProperties(TPropertyWriter& w) const {
  TGLImmaterialSceneObject::WriteProperties(w);
  w.Boolean("NoZWrite", NoZWrite());
  w.Boolean("Static", Static());
  if (Size() != 1) w.Single("Size", Size());
  if (Style() != psSquare) w.Enum("Style", kPointStyle, Style());
  w.Nested("PointParameters", PointParameters());
}

bool TGLPoints::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "NoZWrite") {
    SetNoZWrite(AsBoolean(v));
  } else if (name == "Static") {
    SetStatic(AsBoolean(v));
  } else if (name == "Size") {
    SetSize(AsSingle(v));
  } else if (name == "Style") {
    SetStyle(AsEnum<TGLPointStyle>(kPointStyle, v));
  } else if (!ReadNested("PointParameters", PointParameters(), name, v)) {
    return TGLImmaterialSceneObject::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
