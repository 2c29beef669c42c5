// The scene: one scene graph with a root for the visible objects and one for the cameras, the table of
// OpenGL light slots, the scene-wide sorting and culling, animation time, ray queries, and the mutex
// under which the tree is changed from another thread.
#pragma once

#include <GL/gl.h>

#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "scene/base/class_name.h"
#include "scene/base/update_able.h"
#include "scene/materials/render_context_info.h"
#include "scene/core/scene_object.h"

namespace zentrova {

class TGLCamera;
class TGLContext;
class TGLLightSource;
class TGLStage;
class TGLStageBuffer;

// A root of a scene: made by its scene, in it from the start, drawn directly (it has nothing of its own
// to draw) and left out of its children's absolute matrices.
class TGLStageRootObject : public TGLBaseSceneObject {
 public:
  explicit TGLStageRootObject(TGLStage& stage);
  ZENTROVA_CLASS(TGLStageRootObject)
  // Roots are never copied: only a scene makes one (assertion failure).
  std::unique_ptr<TGLBaseSceneObject> NewInstance() const override;
};

using TGLStageProgressEvent = std::function<void(TGLStage& sender, double delta_time, double new_time)>;

class TGLStage : public TGLUpdateAbleComponent {
 public:
  static constexpr int kMaxLights = 8;

  TGLStage();
  // Frees the camera root and then the object root, each with all its objects; the buffers that still
  // list the scene forget it.
  ~TGLStage() override;
  ZENTROVA_CLASS(TGLStage)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;
  // A form holds the objects' children, then the cameras'; a camera read back goes to the cameras.
  std::vector<const TComponent*> GetChildren() const override;
  bool ReadChild(std::unique_ptr<TComponent>& child) override;

  TGLStageRootObject& Objects() { return *object_root_; }  // "ObjectRoot"
  TGLStageRootObject& Cameras() { return *camera_root_; }  // "CameraRoot"

  // Taken by every change made to the tree from another thread than the GUI thread, and by rendering
  // and picking. Nothing in the scene library takes it by itself.
  std::mutex& Mutex() { return mutex_; }
  [[nodiscard]] std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(mutex_); }

  void BeginUpdate() { ++update_count_; }
  // Notifies when the count comes back to 0; at 0 already, an assertion failure.
  void EndUpdate();
  // Updating, loading or being destroyed: changes are not passed on.
  bool IsUpdating() const;
  // Passes the change on to the buffers that show the scene, unless updating.
  void NotifyChange(TPersistent* sender) override;

  TGLObjectsSorting ObjectsSorting() const { return objects_sorting_; }
  TGLVisibilityCulling VisibilityCulling() const { return visibility_culling_; }
  // osInherited is taken as osRenderBlendedLast and vcInherited as vcNone: a scene inherits nothing.
  void SetObjectsSorting(TGLObjectsSorting value);
  void SetVisibilityCulling(TGLVisibilityCulling value);

  // The lights of a sub-tree (depth first, parent before children) take the lowest free slots, each
  // once; with all slots taken a light stays unregistered and lights nothing. Removing frees their slots.
  void AddLights(TGLBaseSceneObject& object);
  void RemoveLights(TGLBaseSceneObject& object);
  // The light in slot i (GL_LIGHT0 + i), or nullptr.
  TGLLightSource* Light(int index) const { return lights_.at(index); }
  // The absolute matrix of the light in slot 0 of the scene, false without one (for the render context).
  static bool FirstLightMatrix(TGLStage& scene, TMatrix4f& matrix);

  // Steps the object root's tree, then the camera root's. OnProgress is not fired here.
  void Progress(double delta_time, double new_time);
  TGLStageProgressEvent OnProgress;

  // The visible object of the object root's tree whose ray hit lies nearest to ray_start (strictly
  // nearer than any earlier hit; none beyond 1e10), or nullptr. The outputs are written only when given.
  TGLBaseSceneObject* RayCastIntersect(const TVector4f& ray_start, const TVector4f& ray_vector,
                                       TVector4f* intersect_point = nullptr,
                                       TVector4f* intersect_normal = nullptr);

  // Sends the light table to OpenGL with the view matrix current: min(8, max_lights) slots, then every
  // further slot up to max_lights disabled.
  void LoadLights(int max_lights);

  // The camera whose view is being set up, and the last custom object that started drawing itself.
  // Both are forgotten when their object leaves the scene.
  TGLCamera* CurrentCamera() const { return current_camera_; }
  void SetCurrentCamera(TGLCamera* camera) { current_camera_ = camera; }
  TGLBaseSceneObject* CurrentRenderingObject() const { return current_rendering_object_; }
  void SetCurrentRenderingObject(TGLBaseSceneObject* object) { current_rendering_object_ = object; }

  // ---- The buffers that show the scene
  // Each once, in order. The first one's context becomes the shared context, with which every later
  // buffer's context shares display lists and textures.
  void AddBuffer(TGLStageBuffer& buffer);
  // Nothing for a buffer not listed. The first remaining buffer's context becomes the shared one.
  void RemoveBuffer(TGLStageBuffer& buffer);
  const std::vector<TGLStageBuffer*>& Buffers() const { return buffers_; }
  TGLContext* SharedContext() const { return shared_context_; }
  // The buffer being drawn into, set by RenderTree.
  TGLStageBuffer* CurrentBuffer() const { return current_buffer_; }

  // Draws the tree below base_object (the object root for nullptr) into the buffer, whose context is
  // current and whose projection and view are loaded, and leaves a known state behind.
  void RenderTree(TGLStageBuffer& buffer, int view_port_width, int view_port_height, TDrawState draw_state,
                  TGLBaseSceneObject* base_object);

 protected:
  // The buffers that show the scene hear of a change here, in order; a scene without buffers drops it.
  virtual void NotifyBuffers(TPersistent* sender);

 private:
  friend class TGLBaseSceneObject;
  // An object leaves the scene: references to it go.
  void ForgetObject(const TGLBaseSceneObject& object);

  int update_count_ = 0;
  std::unique_ptr<TGLStageRootObject> object_root_;
  std::unique_ptr<TGLStageRootObject> camera_root_;
  std::array<TGLLightSource*, kMaxLights> lights_{};
  TGLObjectsSorting objects_sorting_ = osRenderBlendedLast;
  TGLVisibilityCulling visibility_culling_ = vcNone;
  TGLBaseSceneObject* current_rendering_object_ = nullptr;
  TGLCamera* current_camera_ = nullptr;
  std::vector<TGLStageBuffer*> buffers_;
  TGLContext* shared_context_ = nullptr;
  TGLStageBuffer* current_buffer_ = nullptr;
  std::mutex mutex_;
};

}  // namespace zentrova
