#include "scene/objects/pipe.h"
#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <cstdint>

#include "platform/exception.h"
#include "platform/settings.h"
#include "platform/strings.h"
#include "scene/base/float_math.h"
#include "scene/gl/gl_state_scope.h"
#include "scene/base/vector_geometry.h"
#include "scene/gl/opengl_binding.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLPipe);

namespace {

bool Has(TPipeParts parts, TPipePart part) {
  return (parts & (1u << part)) != 0;
}

// More path points than this are a mistaken Division, not a pipe.
constexpr std::int64_t kMaxPathPoints = std::int64_t{1} << 22;

TAffineVector Cross(const TAffineVector& a, const TAffineVector& b) {
  return AffineCross(a, b);
}

}  // namespace

// ---- TGLPipeNode

TGLPipeNode::TGLPipeNode(TCollection* collection) : TGLNode(collection), color_(this) {
  color_.OnNotifyChange = [this](TPersistent*) {
    if (auto* nodes = dynamic_cast<TGLNodes*>(Collection())) nodes->NotifyChange();
  };
}

void TGLPipeNode::SetRadiusFactor(float value) {
  SetProperty(radius_factor_, value, [this] { Changed(false); });
}

void TGLPipeNode::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLPipeNode*>(source)) radius_factor_ = other->radius_factor_;
  TGLNode::Assign(source);
}

std::string TGLPipeNode::GetDisplayName() const {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(radius_factor_),
                                    std::chars_format::fixed, 3);
  const std::string factor =
      ReplaceAll(std::string(buffer, result.ptr), ".", std::string(1, DecimalSeparator()));
  return TGLNode::GetDisplayName() + " / rf = " + factor;
}

// ---- TGLPipe

TGLPipe::TGLPipe() {
  RecreateNodes();
}

std::unique_ptr<TGLNodes> TGLPipe::CreateNodes() {
  return std::make_unique<TGLPipeNodes>(this);
}

void TGLPipe::SetSlices(int value) {
  if (value < 1) return;
  SetProperty(properties_.slices, value, StructureChangeOf(this));
}

void TGLPipe::SetParts(TPipeParts value) {
  SetProperty(properties_.parts, value, StructureChangeOf(this));
}
void TGLPipe::SetRadius(float value) {
  SetProperty(properties_.radius, value, StructureChangeOf(this));
}
void TGLPipe::SetNodesColorMode(TPipeNodesColorMode value) {
  SetProperty(properties_.nodes_color_mode, value, StructureChangeOf(this));
}

void TGLPipe::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLPipe*>(source)) properties_ = other->properties_;
  TGLPolygonBase::Assign(source);
}

// The ring's frame (u, v) is perpendicular to the direction d: u from Z × d, or X × d when d runs along
// Z; its normals have the length Radius and its points lie at factor · normal from the centre.
void TGLPipe::BuildRing(TRing& ring, const TAffineVector& centre, TAffineVector d, float factor) const {
  TAffineVector u = Cross(UnitVectorZ, d), v;
  if (AffineLength(u) > 1e-7f) {
    NormalizeAffine(u);
    v = Cross(d, u);
  } else if (AffineLength(d) > 1e-7f) {
    u = Cross(UnitVectorX, d);
    NormalizeAffine(u);
    v = Cross(d, u);
  } else {
    u = UnitVectorX;
    v = UnitVectorZ;
  }
  NormalizeAffine(v);
  ScaleAffine(u, properties_.radius);
  ScaleAffine(v, properties_.radius);
  ring.vertices.resize(static_cast<std::size_t>(properties_.slices) + 1);
  for (int i = 0; i <= properties_.slices; ++i) {
    TRingVertex& r = ring.vertices[static_cast<std::size_t>(i)];
    const float c = cosines_[static_cast<std::size_t>(i)], s = sines_[static_cast<std::size_t>(i)];
    r.normal = {u[0] * c + v[0] * s, u[1] * c + v[1] * s, u[2] * c + v[2] * s};
    r.position = {centre[0] + factor * r.normal[0], centre[1] + factor * r.normal[1],
                  centre[2] + factor * r.normal[2]};
  }
}

// When the two rings disagree in the signs of many coordinates the ring frame has flipped between them:
// the earlier ring is turned so that its points lie nearest the later ring's.
void TGLPipe::DrawStrip(TRing& a, const TRing& b, bool colored) const {
  const int n = properties_.slices;
  std::int64_t counters[6] = {1, 1, 1, 1, 1, 1};
  for (int i = 0; i <= n; ++i) {
    const TRingVertex& va = a.vertices[static_cast<std::size_t>(i)];
    const TRingVertex& vb = b.vertices[static_cast<std::size_t>(i)];
    for (int c = 0; c < 3; ++c) {
      if (SignSingle(va.normal[c]) != SignSingle(vb.normal[c])) ++counters[c];
      if (SignSingle(va.position[c]) != SignSingle(vb.position[c])) ++counters[3 + c];
    }
  }
  const std::int64_t h = n / 2;
  if (counters[0] * counters[1] * counters[2] > h * h || counters[3] * counters[4] * counters[5] > h * h) {
    int best_offset = 0;
    double best = 0;
    for (int s = 0; s < n; ++s) {
      double sum = 0;
      for (int i = 0; i < n; ++i) {
        sum += ManhattanDistance3(a.vertices[static_cast<std::size_t>((i + s) % n)].position,
                                  b.vertices[static_cast<std::size_t>(i)].position);
      }
      if (s == 0 || sum < best) {
        best = sum;
        best_offset = s;
      }
    }
    for (int k = 0; k < best_offset; ++k) {
      a.vertices[static_cast<std::size_t>(n)] = a.vertices[0];
      for (int i = 0; i < n; ++i)
        a.vertices[static_cast<std::size_t>(i)] = a.vertices[static_cast<std::size_t>(i) + 1];
      a.vertices[static_cast<std::size_t>(n)] = a.vertices[0];
    }
  }
  auto emit = [&](const TRing& ring, int i) {
    const TRingVertex& r = ring.vertices[static_cast<std::size_t>(i)];
    if (colored) gl.Color4fv(ring.color.data());
    gl.Normal3fv(r.normal.data());
    gl.Vertex3fv(r.position.data());
  };
  gl.Begin(GL_TRIANGLE_STRIP);
  emit(b, 0);
  for (int i = 0; i < n; ++i) {
    emit(a, i);
    emit(b, i + 1);
  }
  emit(a, n);
  gl.End();
}

void TGLPipe::DrawDisk(const TRing& ring, const TAffineVector& centre, const TAffineVector& normal,
                       bool reversed, bool colored) const {
  if (colored) gl.Color4fv(ring.color.data());
  gl.Begin(GL_TRIANGLE_FAN);
  gl.Normal3fv(normal.data());
  gl.Vertex3fv(centre.data());
  for (int i = 0; i <= properties_.slices; ++i) {
    gl.Vertex3fv(ring.vertices[static_cast<std::size_t>(reversed ? properties_.slices - i : i)].position.data());
  }
  gl.End();
}

void TGLPipe::BuildList(TRenderContextInfo& rci) {
  triangle_count_ = 0;
  const TGLPipeNodes& nodes = PipeNodes();
  const int count = nodes.Count();
  if (count == 0) return;
  if (sines_.size() != static_cast<std::size_t>(properties_.slices) + 1) {
    sines_.resize(static_cast<std::size_t>(properties_.slices) + 1);
    cosines_.resize(sines_.size());
    FillSinCosTables(sines_, cosines_, 0, 360);
  }

  const bool splined = SplineMode() == lsmCubicSpline && count >= 2;
  std::unique_ptr<TCubicSpline> path, factors;
  if (splined) {
    if (std::int64_t{count - 1} * Division() >= kMaxPathPoints)
      throw Exception("Too many spline divisions for a pipe");
    path = nodes.MakeCubicSpline();
    std::vector<float> f(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) f[static_cast<std::size_t>(i)] = nodes[i]->RadiusFactor();
    factors = std::make_unique<TCubicSpline>(f, std::span<const float>{}, std::span<const float>{},
                                             std::span<const float>{}, count);
  }
  auto direction_at = [&](float t, int node) {
    if (!splined) return nodes.DirectionAt(node);
    TAffineVector d = path->SlopeAffine(t);
    NormalizeAffine(d);
    return d;
  };

  const bool colored = properties_.nodes_color_mode != pncmNone;
  std::optional<TGLAttribScope> enable_bits;
  if (colored) {
    static constexpr GLenum kModes[] = {0, GL_EMISSION, GL_AMBIENT, GL_DIFFUSE, GL_AMBIENT_AND_DIFFUSE};
    enable_bits.emplace(rci.GLStates, GL_ENABLE_BIT);
    gl.Enable(GL_COLOR_MATERIAL);
    gl.ColorMaterial(GL_FRONT_AND_BACK, kModes[properties_.nodes_color_mode]);
  }

  TRing rows[2];
  const TAffineVector first = nodes[0]->AsAffineVector();
  const TAffineVector first_direction = direction_at(0, 0);
  BuildRing(rows[0], first, first_direction, nodes[0]->RadiusFactor());
  rows[0].color = nodes[0]->Color().Color();
  if (Has(properties_.parts, ppStartDisk)) {
    DrawDisk(rows[0], first, {-first_direction[0], -first_direction[1], -first_direction[2]}, true, colored);
    triangle_count_ += properties_.slices + 1;
  }

  const int last = splined ? (count - 1) * Division() : count - 1;
  const float step = splined ? 1.0f / static_cast<float>(Division()) : 1;
  for (int k = 1; k <= last; ++k) {
    const float t = static_cast<float>(k) * step;
    TRing& ring = rows[k % 2];
    TRing& previous = rows[(k - 1) % 2];
    TAffineVector centre;
    float factor;
    if (splined) {
      centre = path->ValueAffine(t);
      factor = factors->ValueX(t);
    } else {
      centre = nodes[k]->AsAffineVector();
      factor = nodes[k]->RadiusFactor();
    }
    BuildRing(ring, centre, direction_at(t, k), factor);
    const int node = static_cast<int>(t);
    ring.color = nodes[node]->Color().Color();
    if (colored && node + 1 < count) {
      const float fraction = t - static_cast<float>(node);
      const TVector4f& next = nodes[node + 1]->Color().Color();
      for (int c = 0; c < 4; ++c) ring.color[c] += (next[c] - ring.color[c]) * fraction;
    }
    if (Has(properties_.parts, ppOutside)) {
      DrawStrip(previous, ring, colored);
      triangle_count_ += 2 * (properties_.slices + 1);
    }
    if (Has(properties_.parts, ppInside)) {
      DrawStrip(ring, previous, colored);
      triangle_count_ += 2 * (properties_.slices + 1);
    }
  }

  if (Has(properties_.parts, ppStopDisk)) {
    TRing ring;
    const TAffineVector centre = nodes[count - 1]->AsAffineVector();
    const TAffineVector d = direction_at(static_cast<float>(count - 1), count - 1);
    BuildRing(ring, centre, d, nodes[count - 1]->RadiusFactor());
    ring.color = nodes[count - 1]->Color().Color();
    DrawDisk(ring, centre, d, false, colored);
    triangle_count_ += properties_.slices + 1;
  }
}

namespace {

constexpr TIdentNames<4> kPipePartNames{"ppOutside", "ppInside", "ppStartDisk", "ppStopDisk"};
constexpr TIdentNames<5> kPipeNodesColorModeNames{"pncmNone", "pncmEmission", "pncmAmbient", "pncmDiffuse",
                                                  "pncmAmbientAndDiffuse"};

}  // namespace

void TGLPipe::WriteNodeProperties(const TGLNode& node, TPropertyWriter& w) const {
  const auto& pipe_node = static_cast<const TGLPipeNode&>(node);
  if (pipe_node.RadiusFactor() != 1) w.Single("RadiusFactor", pipe_node.RadiusFactor());
  if (pipe_node.Color().StoresColor()) w.Data("Color.Color", pipe_node.Color());
}

bool TGLPipe::ReadNodeProperty(TGLNode& node, const std::string& name, const TPropertyValue& v) {
  auto& pipe_node = static_cast<TGLPipeNode&>(node);
  if (name == "RadiusFactor") {
    pipe_node.SetRadiusFactor(AsSingle(v));
  } else if (name == "Color.Color") {
    ReadData(pipe_node.Color(), v, 16);
  } else {
    return false;
  }
  return true;
}

void TGLPipe::WriteProperties(TPropertyWriter& w) const {
  TGLPolygonBase::WriteProperties(w);
  if (properties_.slices != 16) w.Integer("Slices", properties_.slices);
  if (properties_.parts != (1u << ppOutside)) w.SetOf("Parts", kPipePartNames, properties_.parts);
  if (properties_.radius != 1) w.Single("Radius", properties_.radius);
  if (properties_.nodes_color_mode != pncmNone) w.Enum("NodesColorMode", kPipeNodesColorModeNames, properties_.nodes_color_mode);
}

bool TGLPipe::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "Slices") {
    SetSlices(AsInteger(v));
  } else if (name == "Parts") {
    SetParts(static_cast<TPipeParts>(SetBits(kPipePartNames, v)));
  } else if (name == "Radius") {
    SetRadius(AsSingle(v));
  } else if (name == "NodesColorMode") {
    SetNodesColorMode(AsEnum<TPipeNodesColorMode>(kPipeNodesColorModeNames, v));
  } else {
    return TGLPolygonBase::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
