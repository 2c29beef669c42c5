#include "scene/core/proxy_object.h"

#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"
#include "scene/base/property_stream.h"
#include "scene/core/behaviours.h"
#include "scene/base/scope_exit.h"
#include "scene/core/stage.h"
#include "scene/gl/opengl_binding.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLProxyObject);

TGLProxyObject::TGLProxyObject() {
  SetObjectStyle(ObjectStyle() | osTampersWithState);
}

TGLProxyObject::~TGLProxyObject() {
  SetMasterObject(nullptr);
}

void TGLProxyObject::SetMasterObject(TGLBaseSceneObject* object) {
  if (object == master_object_) return;
  if (master_object_ != nullptr) RemoveFreeNotification(*master_object_);
  master_object_ = object;
  if (master_object_ != nullptr) FreeNotification(*master_object_);
  MarkStructureDirty();
}

void TGLProxyObject::SetProxyOptions(TGLProxyObjectOptions value) {
  SetProperty(proxy_options_, value, StructureChangeOf(this));
}

void TGLProxyObject::Notification(TComponent& component, TOperation operation) {
  if (operation == TOperation::Remove && &component == master_object_) SetMasterObject(nullptr);
  TGLBaseSceneObject::Notification(component, operation);
}

void TGLProxyObject::DoRender(TRenderContextInfo& rci, bool render_self, bool render_children) {
  if (rendering_) return;
  rendering_ = true;
  // Cleared however the drawing ends, or the proxy would never draw again.
  const TScopeExit done([this] {
    rendering_ = false;
    ClearDisplayListDirty();
  });
  if (master_object_ != nullptr && (proxy_options_ & pooObjects) != 0) {
    const bool old_proxy_sub_object = rci.proxySubObject;
    const TScopeExit restore([&rci, old_proxy_sub_object] { rci.proxySubObject = old_proxy_sub_object; });
    rci.proxySubObject = true;
    if ((proxy_options_ & pooTransformation) != 0) gl.MultMatrixf(master_object_->LocalMatrix()[0].data());
    master_object_->DoRender(rci, render_self, master_object_->ChildCount() > 0);
  }
  if (render_children && ChildCount() > 0) RenderChildrenSorted(0, ChildCount() - 1, rci);
  if ((proxy_options_ & pooEffects) != 0 && master_object_ != nullptr && master_object_->HasEffects() &&
      Scene() != nullptr && Scene()->CurrentBuffer() != nullptr) {
    master_object_->Effects().RenderPostEffects(*Scene()->CurrentBuffer(), rci);
  }
}

TVector4f TGLProxyObject::UnscaledHalfExtents() const {
  return master_object_ != nullptr ? master_object_->UnscaledHalfExtents()
                                   : TGLBaseSceneObject::UnscaledHalfExtents();
}

std::unique_ptr<TGLSilhouette> TGLProxyObject::GenerateSilhouette(const TSilhouetteQuery& query) {
  return master_object_ != nullptr ? master_object_->GenerateSilhouette(query) : nullptr;
}

bool TGLProxyObject::RayCastIntersect(const TVector4f& ray_start, const TVector4f& ray_vector,
                                      TVector4f* intersect_point, TVector4f* intersect_normal) {
  if (master_object_ == nullptr) return false;
  // Where the ray would meet the master if the master stood in the proxy's place.
  const TVector4f start = master_object_->LocalToWorld(WorldToLocal(ray_start));
  const TVector4f vector = master_object_->LocalToWorld(WorldToLocal(ray_vector));
  TVector4f point{}, normal{};
  if (!master_object_->RayCastIntersect(start, vector, &point, &normal)) return false;
  if (intersect_point != nullptr) *intersect_point = LocalToWorld(master_object_->WorldToLocal(point));
  if (intersect_normal != nullptr) *intersect_normal = LocalToWorld(master_object_->WorldToLocal(normal));
  return true;
}

void TGLProxyObject::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLProxyObject*>(source)) SetMasterObject(other->master_object_);
  TGLBaseSceneObject::Assign(source);
}

namespace {
constexpr TIdentNames<3> kProxyOptions{"pooEffects", "pooObjects", "pooTransformation"};
}  // namespace

void TGLProxyObject::WriteProperties(TPropertyWriter& w) const {
  TGLBaseSceneObject::WriteProperties(w);
  w.Reference("MasterObject", master_object_);
  if (proxy_options_ != (pooEffects | pooObjects | pooTransformation)) {
    w.SetOf("ProxyOptions", kProxyOptions, proxy_options_);
  }
}

bool TGLProxyObject::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "MasterObject") {
    ReadReference<TGLBaseSceneObject>(v, [this](TGLBaseSceneObject* master) { SetMasterObject(master); });
  } else if (name == "ProxyOptions") {
    SetProxyOptions(static_cast<TGLProxyObjectOptions>(SetBits(kProxyOptions, v)));
  } else {
    return TGLBaseSceneObject::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
