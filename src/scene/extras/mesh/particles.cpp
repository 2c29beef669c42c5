#include "scene/extras/mesh/particles.h"
#include <algorithm>

#include <utility>

#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"
#include "scene/base/property_stream.h"
#include "scene/gl/gl_state_scope.h"
#include "scene/gl/opengl_binding.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLParticles);

TGLParticles::TGLParticles() : edge_color_(this, clrWhite) {
  SetObjectStyle(ObjectStyle() | osDirectDraw | osNoVisibilityCulling);
}

TGLParticles::~TGLParticles() {
  ClearPool();
}

void TGLParticles::SetCubeSize(float value) {
  SetProperty(cube_size_, value, StructureChangeOf(this));
}

void TGLParticles::SetEdgeColor(const TGLColor& value) {
  if (&value == &edge_color_) return;
  edge_color_.Assign(&value);
  MarkStructureDirty();
}

void TGLParticles::SetVisibleAtRunTime(bool value) {
  SetProperty(visible_at_run_time_, value, StructureChangeOf(this));
}

void TGLParticles::SetParticlePoolSize(int value) {
  if (!SetProperty(particle_pool_size_, std::max(value, 0), [] {})) return;
  while (static_cast<int>(pool_.size()) > particle_pool_size_) {
    // Out of the pool before the handler runs: it sees the pool as it will stay.
    std::unique_ptr<TGLBaseSceneObject> particle = std::move(pool_.back());
    pool_.pop_back();
    if (OnDestroyParticle) OnDestroyParticle(*this, *particle);
  }
}

void TGLParticles::ClearPool() {
  std::vector<std::unique_ptr<TGLBaseSceneObject>> pooled = std::move(pool_);
  pool_.clear();
  for (auto& particle : pooled) {
    if (OnDestroyParticle) OnDestroyParticle(*this, *particle);
    particle.reset();
  }
}

void TGLParticles::DoRender(TRenderContextInfo& rci, bool, bool) {
  const bool designing = Designing();
  if (designing || visible_at_run_time_) DrawCube(rci);
  if (OnBeforeRenderParticles) OnBeforeRenderParticles(this, rci);
  if (designing) {
    RenderChildrenSorted(0, ChildCount() - 1, rci);
  } else if (ChildCount() >= 2) {
    RenderChildrenSorted(1, ChildCount() - 1, rci);
  }
  if (OnAfterRenderParticles) OnAfterRenderParticles(this, rci);
}

void TGLParticles::DoProgress(const TProgressTimes& progress_times) {
  for (int i = ChildCount() - 1; i >= 1; --i) {
    // A handler may have removed particles meanwhile.
    if (i < ChildCount()) ChildAt(i)->DoProgress(progress_times);
  }
  if (OnProgress) OnProgress(*this, progress_times.deltaTime, progress_times.newTime);
}

void TGLParticles::DrawCube(TRenderContextInfo& rci) {
  // Current, lighting, line, enable and colour-buffer groups: everything switched here comes back.
  const TGLAttribScope attributes(rci.GLStates, GL_CURRENT_BIT | GL_LIGHTING_BIT | GL_LINE_BIT | GL_ENABLE_BIT |
                                  GL_COLOR_BUFFER_BIT);
  gl.Disable(GL_LIGHTING);
  gl.Enable(GL_LINE_STIPPLE);
  gl.Enable(GL_LINE_SMOOTH);
  if (!rci.ignoreBlendingRequests) {
    gl.Enable(GL_BLEND);
    gl.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  }
  gl.LineWidth(1);
  gl.LineStipple(1, 0xAAAA);
  gl.Color3f(edge_color_.Red(), edge_color_.Green(), edge_color_.Blue());
  const float s = cube_size_ * 0.5f;
  // Ten corners in one strip cover nine edges; the three left over go as separate lines.
  gl.Begin(GL_LINE_STRIP);
  gl.Vertex3f(s, -s, -s);
  gl.Vertex3f(s, s, -s);
  gl.Vertex3f(s, s, s);
  gl.Vertex3f(s, -s, s);
  gl.Vertex3f(s, -s, -s);
  gl.Vertex3f(-s, -s, -s);
  gl.Vertex3f(-s, -s, s);
  gl.Vertex3f(-s, s, s);
  gl.Vertex3f(-s, s, -s);
  gl.Vertex3f(s, s, -s);
  gl.End();
  gl.Begin(GL_LINES);
  gl.Vertex3f(s, s, s);
  gl.Vertex3f(-s, s, s);
  gl.Vertex3f(-s, -s, -s);
  gl.Vertex3f(-s, s, -s);
  gl.Vertex3f(s, -s, s);
  gl.Vertex3f(-s, -s, s);
  gl.End();
}

void TGLParticles::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLParticles*>(source)) {
    cube_size_ = other->cube_size_;
    edge_color_.Assign(&other->edge_color_);
    visible_at_run_time_ = other->visible_at_run_time_;
    ClearPool();
    particle_pool_size_ = other->particle_pool_size_;
    OnCreateParticle = other->OnCreateParticle;
    OnActivateParticle = other->OnActivateParticle;
    OnKillParticle = other->OnKillParticle;
    OnDestroyParticle = other->OnDestroyParticle;
  }
  TGLImmaterialSceneObject::Assign(source);
}

void TGLParticles::WriteProperties(TPropertyWriter& w) const {
  TGLImmaterialSceneObject::WriteProperties(w);
  w.Single("CubeSize", cube_size_);
  if (edge_color_.StoresColor()) w.Data("EdgeColor.Color", edge_color_);
  if (visible_at_run_time_) w.Boolean("VisibleAtRunTime", true);
  if (particle_pool_size_ != 0) w.Integer("ParticlePoolSize", particle_pool_size_);
}

bool TGLParticles::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "CubeSize") {
    SetCubeSize(AsSingle(v));
  } else if (name == "EdgeColor.Color") {
    ReadData(edge_color_, v, 16);
  } else if (name == "VisibleAtRunTime") {
    SetVisibleAtRunTime(AsBoolean(v));
  } else if (name == "ParticlePoolSize") {
    SetParticlePoolSize(AsInteger(v));
  } else {
    return TGLImmaterialSceneObject::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
