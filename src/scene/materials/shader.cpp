#include "scene/materials/shader.h"

#include <algorithm>

#include "scene/base/property_stream.h"
#include "scene/base/scene_errors.h"
#include "scene/materials/material_library.h"

namespace zentrova {

TGLShader::TGLShader() : virtual_handle_(std::make_unique<TGLVirtualHandle>()) {}

TGLShader::~TGLShader() {
  try {
    virtual_handle_->FreeName();
    ReleaseShader();
  } catch (...) {
    // A context that went away takes its resources with it.
  }
  const std::vector<TGLLibMaterial*> users = users_;
  for (auto it = users.rbegin(); it != users.rend(); ++it) (*it)->SetShader(nullptr);
}

void TGLShader::SetEnabled(bool value) {
  SceneAssert(!shader_active_, "Shader is active.");
  if (value == enabled_) return;
  enabled_ = value;
  NotifyChange(this);
}

void TGLShader::WriteProperties(TPropertyWriter& w) const {
  TGLUpdateAbleComponent::WriteProperties(w);
  if (!enabled_) w.Boolean("Enabled", false);
}

bool TGLShader::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name != "Enabled") return TGLUpdateAbleComponent::ReadProperty(name, v);
  SetEnabled(AsBoolean(v));
  return true;
}

void TGLShader::AddUser(TGLLibMaterial* user) {
  if (std::find(users_.begin(), users_.end(), user) == users_.end()) users_.push_back(user);
}

void TGLShader::RemoveUser(TGLLibMaterial* user) {
  const auto it = std::find(users_.begin(), users_.end(), user);
  if (it != users_.end()) users_.erase(it);
}

void TGLShader::NotifyChange(TPersistent* sender) {
  if (update_count_ != 0) return;
  const std::vector<TGLLibMaterial*> users = users_;
  for (auto it = users.rbegin(); it != users.rend(); ++it) (*it)->TellUsers();
  ReleaseShader();
}

void TGLShader::PrepareShader() {
  if (virtual_handle_->Handle() != 0) return;
  virtual_handle_->OnAllocate = [](TGLVirtualHandle*, GLuint& name) { name = 1; };
  virtual_handle_->OnDestroy = [this](TGLVirtualHandle*, GLuint& name) {
    ReleaseShader();
    name = 0;
  };
  virtual_handle_->AllocName();
  SetUpShader();
  shader_initialized_ = true;
}

void TGLShader::ReleaseShader() {
  if (virtual_handle_->Handle() == 0 || !shader_initialized_) return;
  TGLContext* context = virtual_handle_->RenderingContext();
  const bool activate = context != nullptr && !context->Active();
  if (activate) context->Activate();
  shader_initialized_ = false;
  try {
    TearDownShader();
  } catch (...) {
    if (activate) context->Deactivate();
    throw;
  }
  if (activate) context->Deactivate();
  virtual_handle_->FreeName();
}

void TGLShader::Apply(TRenderContextInfo& rci, TObject* sender) {
  SceneAssert(!shader_active_, "Unbalanced shader application.");
  if (enabled_) {
    if (virtual_handle_->Handle() == 0) PrepareShader();
    ApplyPass(rci, sender);
  }
  shader_active_ = true;
}

bool TGLShader::Restore(TRenderContextInfo& rci) {
  SceneAssert(shader_active_, "Unbalanced shader application.");
  if (!enabled_) {
    shader_active_ = false;
    return false;
  }
  const bool again = RestorePass(rci);
  if (!again) shader_active_ = false;
  return again;
}

}  // namespace zentrova
