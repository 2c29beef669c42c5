#include "scene/objects/dummy_cube.h"

#include <cmath>
#include <string>

#include "scene/base/class_registration.h"
#include "scene/base/matrix_geometry.h"
#include "scene/base/property_setter.h"
#include "scene/base/property_stream.h"
#include "scene/base/scene_errors.h"
#include "scene/base/vector_geometry.h"
#include "scene/gl/context.h"
#include "scene/gl/gl_state_scope.h"
#include "scene/gl/opengl_binding.h"
#include "scene/gl/state_cache.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLDummyCube);

TGLDummyCube::TGLDummyCube() : edge_color_(this, clrWhite) {
  SetObjectStyle(ObjectStyle() | osDirectDraw);
}

TGLDummyCube::~TGLDummyCube() = default;

unsigned TGLDummyCube::GroupListName() const {
  return group_list_ != nullptr ? group_list_->Handle() : 0;
}

void TGLDummyCube::SetCubeSize(float value) {
  SetProperty(cube_size_, value, StructureChangeOf(this));
}

void TGLDummyCube::SetEdgeColor(const TGLColor& value) {
  if (&value == &edge_color_) return;
  edge_color_.Assign(&value);
  MarkStructureDirty();
}

void TGLDummyCube::SetVisibleAtRunTime(bool value) {
  SetProperty(visible_at_run_time_, value, StructureChangeOf(this));
}

void TGLDummyCube::SetAmalgamate(bool value) {
  if (value == amalgamate_) return;
  amalgamate_ = value;
  if (value) {
    SetObjectStyle(ObjectStyle() | osTampersWithState);
  } else {
    if (group_list_ != nullptr) group_list_->FreeName();
    SetObjectStyle(ObjectStyle() & static_cast<TGLObjectStyles>(~osTampersWithState));
  }
  TGLCameraInvariantObject::MarkStructureDirty();
}

void TGLDummyCube::MarkStructureDirty() {
  if (amalgamate_ && group_list_ != nullptr) group_list_->FreeName();
  TGLCameraInvariantObject::MarkStructureDirty();
}

void TGLDummyCube::ReleaseDisplayList() {
  if (group_list_ != nullptr) group_list_->FreeName();
  TGLCameraInvariantObject::ReleaseDisplayList();
}

void TGLDummyCube::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLDummyCube*>(source)) {
    cube_size_ = other->cube_size_;
    edge_color_.SetColorSilently(other->edge_color_.Color());
    visible_at_run_time_ = other->visible_at_run_time_;
    NotifyChange(this);
  }
  TGLCameraInvariantObject::Assign(source);
}

void TGLDummyCube::BuildList(TRenderContextInfo& rci) {
  if (ComponentState().Contains(TComponentState::Designing) || visible_at_run_time_) {
    DrawWireCube(rci, cube_size_, true, edge_color_.Color());
  }
}

void TGLDummyCube::DoRender(TRenderContextInfo& rci, bool render_self, bool render_children) {
  if (OnVisibilityDetermination && !OnVisibilityDetermination(*this, rci)) return;
  if (!amalgamate_ || rci.amalgamating || rci.drawState == TDrawState::Picking) {
    TGLCameraInvariantObject::DoRender(rci, render_self, render_children);
    return;
  }
  if (group_list_ == nullptr) group_list_ = std::make_unique<TGLListHandle>();
  if (group_list_->Handle() == 0) {
    group_list_->AllocName();
    SceneAssert(group_list_->Handle() != 0, std::string("Handle=0 for ") + ClassName());
    gl.NewList(group_list_->Handle(), GL_COMPILE);
    rci.amalgamating = true;
    try {
      TGLCameraInvariantObject::DoRender(rci, render_self, render_children);
    } catch (...) {
      rci.amalgamating = false;  // also when the sub-tree throws
      gl.EndList();
      throw;
    }
    rci.amalgamating = false;
    gl.EndList();
  }
  gl.CallList(group_list_->Handle());
}

TVector4f TGLDummyCube::UnscaledHalfExtents() const {
  const float h = std::fabs(cube_size_) * 0.5f;
  return {h, h, h, 0};
}

bool TGLDummyCube::RayCastIntersect(const TVector4f&, const TVector4f&, TVector4f*, TVector4f*) {
  return false;
}

TVector4f TGLDummyCube::BarycenterAbsolutePosition() {
  if (ChildCount() == 0) return AbsoluteTranslation();
  TVector4f sum = ChildAt(0)->BarycenterAbsolutePosition();
  for (int i = 1; i < ChildCount(); ++i) AddVector4InPlace(sum, ChildAt(i)->BarycenterAbsolutePosition());
  ScaleVector4(sum, 1.0f / static_cast<float>(ChildCount()));
  return sum;
}

void DrawWireCube(TRenderContextInfo& rci, float size, bool stipple, const TVector4f& color) {
  const TGLAttribScope attributes(rci.GLStates, GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LIGHTING_BIT | GL_LINE_BIT |
                                  GL_COLOR_BUFFER_BIT);
  gl.Disable(GL_LIGHTING);
  gl.Enable(GL_LINE_SMOOTH);
  if (stipple) {
    gl.Enable(GL_LINE_STIPPLE);
    gl.Enable(GL_BLEND);
    gl.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl.LineStipple(1, 0xCCCC);
  }
  gl.LineWidth(1);
  const float h = size * 0.5f;
  SceneAssert(rci.GLStates != nullptr, "DrawWireCube: no state cache");
  rci.GLStates->ResetMaterialColors();
  gl.ColorMaterial(GL_FRONT, GL_EMISSION);
  gl.Enable(GL_COLOR_MATERIAL);
  gl.Color4fv(color.data());
  gl.Begin(GL_LINE_STRIP);
  gl.Vertex3f(h, -h, -h);
  gl.Vertex3f(h, h, -h);
  gl.Vertex3f(h, h, h);
  gl.Vertex3f(h, -h, h);
  gl.Vertex3f(h, -h, -h);
  gl.Vertex3f(-h, -h, -h);
  gl.Vertex3f(-h, -h, h);
  gl.Vertex3f(-h, h, h);
  gl.Vertex3f(-h, h, -h);
  gl.Vertex3f(h, h, -h);
  gl.End();
  gl.Begin(GL_LINES);
  gl.Vertex3f(h, h, h);
  gl.Vertex3f(-h, h, h);
  gl.Vertex3f(-h, -h, -h);
  gl.Vertex3f(-h, h, -h);
  gl.Vertex3f(h, -h, h);
  gl.Vertex3f(-h, -h, h);
  gl.End();
}

namespace {

// a = 0.3 × golden ratio, b = 0.3 / golden ratio, c = 0.3.
constexpr float kA = 0.4854102f;
constexpr float kB = 0.1854102f;
constexpr float kC = 0.3f;

}  // namespace

const std::array<TAffineVector, 20>& DodecahedronVertices() {
  static const std::array<TAffineVector, 20> vertices{{
      {-kA, 0, kB}, {-kA, 0, -kB}, {kA, 0, -kB},  {kA, 0, kB},   {kB, -kA, 0},   {-kB, -kA, 0}, {-kB, kA, 0},
      {kB, kA, 0},  {0, kB, -kA},  {0, -kB, -kA}, {0, -kB, kA},  {0, kB, kA},    {-kC, -kC, kC}, {-kC, -kC, -kC},
      {kC, -kC, -kC}, {kC, -kC, kC}, {-kC, kC, kC}, {-kC, kC, -kC}, {kC, kC, -kC}, {kC, kC, kC},
  }};
  return vertices;
}

const std::array<std::array<int, 5>, 12>& DodecahedronFaces() {
  static const std::array<std::array<int, 5>, 12> faces{{
      {0, 12, 10, 11, 16}, {1, 17, 8, 9, 13}, {2, 14, 9, 8, 18},  {3, 19, 11, 10, 15},
      {4, 14, 2, 3, 15},   {5, 12, 0, 1, 13}, {6, 17, 1, 0, 16},  {7, 19, 3, 2, 18},
      {8, 17, 6, 7, 18},   {9, 14, 4, 5, 13}, {10, 12, 5, 4, 15}, {11, 19, 7, 6, 16},
  }};
  return faces;
}

void DrawDodecahedron() {
  const auto& vertices = DodecahedronVertices();
  for (const auto& face : DodecahedronFaces()) {
    const TAffineVector normal = TriangleNormal(vertices[face[0]], vertices[face[1]], vertices[face[2]]);
    gl.Normal3fv(normal.data());
    gl.Begin(GL_TRIANGLE_FAN);
    for (int index : face) gl.Vertex3fv(vertices[index].data());
    gl.End();
  }
}

namespace {
constexpr TIdentNames<3> kCamInvariance{"cimNone", "cimPosition", "cimOrientation"};
}  // namespace

void TGLDummyCube::WriteProperties(TPropertyWriter& w) const {
  TGLCameraInvariantObject::WriteProperties(w);
  w.Single("CubeSize", CubeSize());
  if (EdgeColor().StoresColor()) w.Data("EdgeColor.Color", EdgeColor());
  if (VisibleAtRunTime()) w.Boolean("VisibleAtRunTime", true);
  if (Amalgamate()) w.Boolean("Amalgamate", true);
  if (CamInvarianceMode() != cimNone) w.Enum("CamInvarianceMode", kCamInvariance, CamInvarianceMode());
}

bool TGLDummyCube::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "CubeSize") {
    SetCubeSize(AsSingle(v));
  } else if (name == "EdgeColor.Color") {
    ReadData(EdgeColor(), v, 16);
  } else if (name == "VisibleAtRunTime") {
    SetVisibleAtRunTime(AsBoolean(v));
  } else if (name == "Amalgamate") {
    SetAmalgamate(AsBoolean(v));
  } else if (name == "CamInvarianceMode") {
    SetCamInvarianceMode(AsEnum<TGLCameraInvarianceMode>(kCamInvariance, v));
  } else {
    return TGLCameraInvariantObject::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
