// An object that draws another one, its master, in its own place: the master's geometry (and optionally
// its transformation and effects) appear wherever the proxy stands, without a copy of the master.
#pragma once

#include <cstdint>
#include <memory>

#include "scene/base/class_name.h"
#include "scene/core/scene_object.h"

namespace zentrova {

// Bits of ProxyOptions.
enum TGLProxyObjectOption : std::uint8_t {
  pooEffects = 1u << 0,         // the master's post-effects are drawn too
  pooObjects = 1u << 1,         // the master's geometry and children are drawn
  pooTransformation = 1u << 2,  // the master's own local matrix applies on top of the proxy's
};
using TGLProxyObjectOptions = std::uint8_t;

class TGLProxyObject : public TGLBaseSceneObject {
 public:
  TGLProxyObject();
  ~TGLProxyObject() override;
  ZENTROVA_CLASS_NEW(TGLProxyObject)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  // Not owned; forgotten when the master is destroyed.
  TGLBaseSceneObject* MasterObject() const { return master_object_; }
  virtual void SetMasterObject(TGLBaseSceneObject* object);
  TGLProxyObjectOptions ProxyOptions() const { return proxy_options_; }
  void SetProxyOptions(TGLProxyObjectOptions value);

  // The master, then the proxy's own children, then the master's post-effects. A proxy met again while
  // it draws (it is its master's descendant) draws nothing. In a pick, the master's parts push their
  // names below the proxy's, so the proxy is the hit and they are its sub-objects.
  void DoRender(TRenderContextInfo& rci, bool render_self, bool render_children) override;
  // The master's, when there is one.
  TVector4f UnscaledHalfExtents() const override;
  std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TSilhouetteQuery& query) override;
  // The ray taken into the proxy's frame and out of the master's, the master's hit brought back.
  bool RayCastIntersect(const TVector4f& ray_start, const TVector4f& ray_vector,
                        TVector4f* intersect_point = nullptr, TVector4f* intersect_normal = nullptr) override;
  // The master, then the base properties.
  void Assign(const TPersistent* source) override;

 protected:
  void Notification(TComponent& component, TOperation operation) override;

 private:
  TGLBaseSceneObject* master_object_ = nullptr;
  TGLProxyObjectOptions proxy_options_ = pooEffects | pooObjects | pooTransformation;
  bool rendering_ = false;
};

}  // namespace zentrova
