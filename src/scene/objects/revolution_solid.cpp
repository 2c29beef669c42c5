#include "scene/objects/revolution_solid.h"
#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"

#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/exception.h"
#include "scene/base/float_math.h"
#include "scene/base/vector_geometry.h"
#include "scene/gl/gl_polygon_sink.h"
#include "scene/gl/opengl_binding.h"
#include "scene/gl/texture_coordinates.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLRevolutionSolid);

namespace {

constexpr float kTwoPi = 2 * 3.14159265358979323846f;
// More profile points than this are a mistaken Division, not a profile.
constexpr std::int64_t kMaxProfilePoints = std::int64_t{1} << 22;

bool Has(TRevolutionSolidParts parts, TRevolutionSolidPart part) {
  return (parts & (1u << part)) != 0;
}

}  // namespace

// What every strip of one build shares. Under nsSmooth the normals of the previous strip's rings are kept
// per ring index so that the node both strips share gets one normal.
struct TGLRevolutionSolid::TSweep {
  float start = 0, stop = 0;
  float angle_step = 0, texture_step = 0;
  float y_step = 0, start_offset = 0;
  bool rising = false;
  mutable std::vector<TAffineVector> smooth_normals;
};

void TGLRevolutionSolid::SetSlices(int value) {
  if (value < 1) return;
  SetProperty(properties_.slices, value, StructureChangeOf(this));
}

void TGLRevolutionSolid::SetStartAngle(float value) {
  if (value == properties_.start_angle) return;
  properties_.start_angle = value;
  if (properties_.start_angle > properties_.stop_angle) properties_.stop_angle = value;
  MarkStructureDirty();
}

void TGLRevolutionSolid::SetStopAngle(float value) {
  if (value == properties_.stop_angle) return;
  properties_.stop_angle = value;
  if (properties_.stop_angle < properties_.start_angle) properties_.start_angle = value;
  MarkStructureDirty();
}

void TGLRevolutionSolid::SetNormals(TNormalSmoothing value) {
  SetProperty(properties_.normals, value, StructureChangeOf(this));
}
void TGLRevolutionSolid::SetYOffsetPerTurn(float value) {
  SetProperty(properties_.y_offset_per_turn, value, StructureChangeOf(this));
}
void TGLRevolutionSolid::SetNormalDirection(TNormalDirection value) {
  SetProperty(properties_.normal_direction, value, StructureChangeOf(this));
}
void TGLRevolutionSolid::SetParts(TRevolutionSolidParts value) {
  SetProperty(properties_.parts, value, StructureChangeOf(this));
}

void TGLRevolutionSolid::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLRevolutionSolid*>(source)) properties_ = other->properties_;
  TGLPolygonBase::Assign(source);
}

void TGLRevolutionSolid::BuildStrip(const TSweep& sweep, TAffineVector p, TAffineVector q, float ta, float tb,
                                    bool exchange, bool first_strip) const {
  // The texture values stay with the strip's sides: only the points change places.
  if (exchange) std::swap(p, q);
  // nsNone has no normals of its own to offer: it draws as nsFlat.
  const bool smooth_join = properties_.normals == nsSmooth && !first_strip;
  auto ring = [&](int k, float angle, TAffineVector& a, TAffineVector& b, TAffineVector& na,
                  TAffineVector& nb) {
    a = TurnAboutY3(p, angle);
    b = TurnAboutY3(q, angle);
    if (sweep.rising) {
      const float rise = sweep.start_offset + static_cast<float>(k) * sweep.y_step;
      a[1] += rise;
      b[1] += rise;
    }
    // The edge's normal at this angle: the edge direction d turned toward the radial direction r.
    const TAffineVector d = SubtractAffine(b, a);
    const float rx = a[0] + b[0], rz = a[2] + b[2];
    TAffineVector n{-d[1] * rx, rx * d[0] + rz * d[2], -d[1] * rz};
    NormalizeAffine(n);
    na = nb = n;
    if (properties_.normals != nsSmooth) return;
    auto& table = sweep.smooth_normals;
    if (static_cast<std::size_t>(k) >= table.size()) table.resize(static_cast<std::size_t>(k) + 1);
    if (smooth_join) (exchange ? nb : na) = table[static_cast<std::size_t>(k)];
    table[static_cast<std::size_t>(k)] = n;
  };
  auto emit = [](const TAffineVector& v, const TAffineVector& n, float s, float t) {
    const float st[2] = {s, t};
    gl.Normal3fv(n.data());
    RoutedTexCoord2fv(st);
    gl.Vertex3fv(v.data());
  };
  TAffineVector a, b, na, nb;
  int k = 0;
  float angle = sweep.start, s = 0;
  ring(k, angle, a, b, na, nb);
  gl.Begin(GL_TRIANGLE_STRIP);
  emit(a, na, s, ta);
  while (angle < sweep.stop) {
    emit(b, nb, s, tb);
    angle += sweep.angle_step;
    s += sweep.texture_step;
    ++k;
    ring(k, angle, a, b, na, nb);
    emit(a, na, s, ta);
  }
  emit(b, nb, s, tb);
  gl.End();
}

void TGLRevolutionSolid::BuildList(TRenderContextInfo& /*rci*/) {
  triangle_count_ = 0;
  const TGLNodes& nodes = Nodes();
  const int count = nodes.Count();
  if (count < 2 || !(properties_.stop_angle > properties_.start_angle)) return;
  TSweep sweep;
  sweep.start = properties_.start_angle * cPIdiv180;
  sweep.stop = properties_.stop_angle * cPIdiv180;
  const float span = sweep.stop - sweep.start;
  const int steps = RoundSingle(static_cast<float>(properties_.slices) * span / kTwoPi);
  // Less than half a slice: no step to take.
  if (steps < 1) return;
  sweep.angle_step = span / (static_cast<float>(steps) * 0.999f);
  sweep.texture_step = span / (kTwoPi * static_cast<float>(steps));
  sweep.rising = properties_.y_offset_per_turn != 0;
  if (sweep.rising) sweep.y_step = span * properties_.y_offset_per_turn / kTwoPi / static_cast<float>(steps);
  sweep.start_offset = properties_.y_offset_per_turn * sweep.start / kTwoPi;
  const bool inside = properties_.normal_direction == ndInside;

  if (Has(properties_.parts, rspInside) || Has(properties_.parts, rspOutside)) {
    const bool splined = Division() >= 2 && SplineMode() != lsmLines;
    int faces = 0;
    auto pass = [&](bool exchange) {
      ++faces;
      sweep.smooth_normals.assign(static_cast<std::size_t>(steps) + 2, TAffineVector{});
      bool first = true;
      if (!splined) {
        const auto last = static_cast<float>(count - 1);
        for (int i = 0; i + 1 < count; ++i) {
          BuildStrip(sweep, nodes[i]->AsAffineVector(), nodes[i + 1]->AsAffineVector(),
                     static_cast<float>(i) / last, static_cast<float>(i + 1) / last, exchange, first);
          first = false;
        }
        return;
      }
      if (std::int64_t{count - 1} * Division() >= kMaxProfilePoints) {
        throw Exception("Too many spline divisions for a revolution solid");
      }
      const std::unique_ptr<TCubicSpline> spline = nodes.MakeCubicSpline();
      const int last = (count - 1) * Division();
      const float f = 1.0f / static_cast<float>(Division());
      TAffineVector previous = spline->ValueAffine(0);
      for (int k = 1; k <= last; ++k) {
        const TAffineVector point = spline->ValueAffine(static_cast<float>(k) * f);
        BuildStrip(sweep, previous, point, static_cast<float>(k - 1) / static_cast<float>(last),
                   static_cast<float>(k) / static_cast<float>(last), exchange, first);
        first = false;
        previous = point;
      }
    };
    if (Has(properties_.parts, rspInside)) pass(!inside);
    if (Has(properties_.parts, rspOutside)) pass(inside);
    const int edges = splined ? (count - 1) * Division() : count - 1;
    triangle_count_ = 2 * steps * edges * faces;
    const float origin[2] = {0, 0};
    RoutedTexCoord2fv(origin);
  }

  if (Has(properties_.parts, rspStartPolygon) || Has(properties_.parts, rspStopPolygon)) {
    TAffineVector base = nodes.AveragePosition();
    base[1] = 0;
    NormalizeAffine(base);
    const float pi = kTwoPi / 2;
    const int divisions = SplineMode() == lsmLines ? 1 : Division();
    auto cap = [&](float degrees, float offset, float normal_angle) {
      const std::unique_ptr<TGLNodes> copy = nodes.Duplicate(nullptr);
      copy->TurnAboutY(degrees);
      copy->Translate({0, offset, 0});
      const TAffineVector normal = TurnAboutY3(base, normal_angle);
      copy->DrawTessellatedPolygon(false, &normal, divisions, false, GLPolygonSink());
      triangle_count_ += count + count / 2;
    };
    if (Has(properties_.parts, rspStartPolygon)) {
      cap(properties_.start_angle, sweep.start_offset, inside ? sweep.start + pi / 2 : sweep.start + pi + pi / 2);
    }
    if (Has(properties_.parts, rspStopPolygon)) {
      cap(properties_.stop_angle, sweep.start_offset + span * properties_.y_offset_per_turn / kTwoPi,
          inside ? sweep.stop + pi + pi / 2 : sweep.stop + pi / 2);
    }
  }
}

namespace {

constexpr TIdentNames<3> kNormalSmoothingNames{"nsFlat", "nsSmooth", "nsNone"};
constexpr TIdentNames<4> kRevolutionSolidPartNames{"rspOutside", "rspInside", "rspStartPolygon",
                                                   "rspStopPolygon"};

}  // namespace

void TGLRevolutionSolid::WriteProperties(TPropertyWriter& w) const {
  TGLPolygonBase::WriteProperties(w);
  if (properties_.slices != 16) w.Integer("Slices", properties_.slices);
  if (properties_.start_angle != 0) w.Single("StartAngle", properties_.start_angle);
  if (properties_.stop_angle != 360) w.Single("StopAngle", properties_.stop_angle);
  if (properties_.normals != nsFlat) w.Enum("Normals", kNormalSmoothingNames, properties_.normals);
  if (properties_.y_offset_per_turn != 0) w.Single("YOffsetPerTurn", properties_.y_offset_per_turn);
  if (properties_.normal_direction != ndOutside) w.Enum("NormalDirection", kNormalDirectionNames, properties_.normal_direction);
  if (properties_.parts != (1u << rspOutside)) w.SetOf("Parts", kRevolutionSolidPartNames, properties_.parts);
}

bool TGLRevolutionSolid::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "Slices") {
    SetSlices(AsInteger(v));
  } else if (name == "StartAngle") {
    SetStartAngle(AsSingle(v));
  } else if (name == "StopAngle") {
    SetStopAngle(AsSingle(v));
  } else if (name == "Normals") {
    SetNormals(AsEnum<TNormalSmoothing>(kNormalSmoothingNames, v));
  } else if (name == "YOffsetPerTurn") {
    SetYOffsetPerTurn(AsSingle(v));
  } else if (name == "NormalDirection") {
    SetNormalDirection(AsEnum<TNormalDirection>(kNormalDirectionNames, v));
  } else if (name == "Parts") {
    SetParts(static_cast<TRevolutionSolidParts>(SetBits(kRevolutionSolidPartNames, v)));
  } else {
    return TGLPolygonBase::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
