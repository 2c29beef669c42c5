// A container of many like scene objects. Child 0 is the template a particle is made from: it is never
// drawn or stepped while the program runs. The other children are the live particles. Particles taken
// out of play wait in a pool of bounded size for reuse. A designer sees the container as a dotted cube.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "scene/base/class_name.h"
#include "scene/core/custom_scene_object.h"
#include "scene/gl/color.h"

namespace zentrova {

class TGLParticles;

using TGLParticleEvent = std::function<void(TGLParticles& sender, TGLBaseSceneObject& particle)>;
using TDirectRenderEvent = std::function<void(TPersistent* sender, TRenderContextInfo& rci)>;

class TGLParticles : public TGLImmaterialSceneObject {
 public:
  // Drawn directly (nothing of it is worth a list) and never culled: the particles are spread anywhere.
  TGLParticles();
  // The pool is cleared as by Assign, OnDestroyParticle included; the children go with the base.
  ~TGLParticles() override;
  ZENTROVA_CLASS_NEW(TGLParticles)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  float CubeSize() const { return cube_size_; }
  void SetCubeSize(float value);
  TGLColor& EdgeColor() { return edge_color_; }
  void SetEdgeColor(const TGLColor& value);
  // Shows the cube while the program runs too.
  bool VisibleAtRunTime() const { return visible_at_run_time_; }
  void SetVisibleAtRunTime(bool value);

  // The particles out of play, owned here and outside the tree. Whoever takes particles out of play
  // keeps at most ParticlePoolSize of them.
  std::vector<std::unique_ptr<TGLBaseSceneObject>>& ParticlePool() { return pool_; }
  int ParticlePoolSize() const { return particle_pool_size_; }
  // A negative size is 0. A smaller size frees the surplus, the last pooled particle first, each with
  // OnDestroyParticle.
  void SetParticlePoolSize(int value);

  TGLParticleEvent OnCreateParticle;
  TGLParticleEvent OnActivateParticle;
  TGLParticleEvent OnKillParticle;
  TGLParticleEvent OnDestroyParticle;
  TDirectRenderEvent OnBeforeRenderParticles;
  TDirectRenderEvent OnAfterRenderParticles;

  // The cube when designing or visible at run time, then the particles between the two render events:
  // all children when designing, else from child 1 on. What culling decided is not consulted.
  void DoRender(TRenderContextInfo& rci, bool render_self, bool render_children) override;
  // The live particles from the last down to child 1, then OnProgress; the template stays still.
  void DoProgress(const TProgressTimes& progress_times) override;

  // From other particles: cube, colour, run-time visibility, the pool size as a value (the own pool is
  // emptied, nothing trimmed) and the four particle events, then the base's properties and children.
  void Assign(const TPersistent* source) override;

 private:
  bool Designing() const { return ComponentState().Contains(TComponentState::Designing); }
  void DrawCube(TRenderContextInfo& rci);
  // Every pooled particle, first to last, with OnDestroyParticle.
  void ClearPool();

  float cube_size_ = 1;
  TGLColor edge_color_;
  bool visible_at_run_time_ = false;
  std::vector<std::unique_ptr<TGLBaseSceneObject>> pool_;
  int particle_pool_size_ = 0;
};

}  // namespace zentrova
