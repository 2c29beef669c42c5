#include "scene/core/direct_opengl.h"

#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"
#include "scene/base/property_stream.h"
#include "scene/gl/texture_coordinates.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLDirectOpenGL);
ZENTROVA_REGISTER_CLASS(TGLRenderPoint);

TGLDirectOpenGL::TGLDirectOpenGL() {
  SetObjectStyle(ObjectStyle() | osDirectDraw | osTampersWithState);
}

void TGLDirectOpenGL::SetUseBuildList(bool value) {
  const TGLObjectStyles others = ObjectStyle() & static_cast<TGLObjectStyles>(~osDirectDraw);
  SetObjectStyleSilently(value ? others : others | osDirectDraw);
}

void TGLDirectOpenGL::SetBlend(bool value) { SetProperty(blend_, value, StructureChangeOf(this)); }

void TGLDirectOpenGL::BuildList(TRenderContextInfo& rci) {
  if (!OnRender) return;
  TexCoordRouteMain();
  OnRender(this, rci);
}

void TGLDirectOpenGL::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLDirectOpenGL*>(source)) {
    SetUseBuildList(other->UseBuildList());
    OnRender = other->OnRender;
    OnProgress = other->OnProgress;
    blend_ = other->blend_;
  }
  TGLImmaterialSceneObject::Assign(source);
}

TGLRenderPoint::TGLRenderPoint() {
  SetObjectStyle(ObjectStyle() | osDirectDraw | osTampersWithState);
}

TGLRenderPoint::~TGLRenderPoint() {
  UnRegisterAll();
}

void TGLRenderPoint::RegisterCallback(TDirectRenderEvent render, TFreeCallback on_free) {
  callbacks_.push_back({std::move(render), std::move(on_free)});
}

void TGLRenderPoint::UnRegisterAll() {
  while (!callbacks_.empty()) {
    const TFreeCallback on_free = std::move(callbacks_.back().on_free);
    callbacks_.pop_back();
    if (on_free) on_free(*this);
  }
}

void TGLRenderPoint::BuildList(TRenderContextInfo& rci) {
  for (const TCallbacks& callbacks : callbacks_) {
    if (callbacks.render) callbacks.render(this, rci);
  }
}

void TGLDirectOpenGL::WriteProperties(TPropertyWriter& w) const {
  TGLImmaterialSceneObject::WriteProperties(w);
  if (UseBuildList()) w.Boolean("UseBuildList", true);
  if (blend_) w.Boolean("Blend", true);
}

bool TGLDirectOpenGL::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "UseBuildList") {
    SetUseBuildList(AsBoolean(v));
  } else if (name == "Blend") {
    SetBlend(AsBoolean(v));
  } else {
    return TGLImmaterialSceneObject::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
