// A shader that a library material applies around its own state: before it, after it or instead of it.
// Its restore step can ask for the object to be drawn again (multi-pass rendering). Its per-context
// resources are set up on first use in a context through a virtual handle and torn down with it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene/base/class_name.h"
#include "scene/base/update_able.h"
#include "scene/gl/context.h"

namespace zentrova {

class TGLLibMaterial;
struct TRenderContextInfo;

enum TGLShaderStyle : std::uint8_t { ssHighLevel, ssLowLevel, ssReplace };

class TGLShader : public TGLUpdateAbleComponent {
 public:
  TGLShader();
  ~TGLShader() override;
  ZENTROVA_CLASS(TGLShader)
  // Published: Enabled (default true).
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  bool Enabled() const { return enabled_; }
  // "Shader is active." while applied.
  void SetEnabled(bool value);
  TGLShaderStyle ShaderStyle() const { return shader_style_; }
  void SetShaderStyle(TGLShaderStyle value) { shader_style_ = value; }
  bool ShaderActive() const { return shader_active_; }
  bool ShaderInitialized() const { return shader_initialized_; }

  void BeginUpdate() { ++update_count_; }
  void EndUpdate() { --update_count_; }

  // Library materials referencing the shader; a second registration is ignored.
  void AddUser(TGLLibMaterial* user);
  void RemoveUser(TGLLibMaterial* user);
  const std::vector<TGLLibMaterial*>& Users() const { return users_; }

  // Outside an update: the users' users hear of it (last user first), then the shader is torn down so
  // that it is set up again on next use.
  void NotifyChange(TPersistent* sender) override;
  // "Unbalanced shader application." when already active. Enabled: set up when needed, ApplyPass.
  void Apply(TRenderContextInfo& rci, TObject* sender);
  // "Unbalanced shader application." when not active. True asks for another draw (the shader stays
  // active); a disabled shader returns false.
  bool Restore(TRenderContextInfo& rci);

  // Set-up in the current context, and tear-down in the context that set it up.
  void PrepareShader();
  void ReleaseShader();

 protected:
  virtual void ApplyPass(TRenderContextInfo& rci, TObject* sender) = 0;
  virtual bool RestorePass(TRenderContextInfo& rci) = 0;
  virtual void SetUpShader() {}
  virtual void TearDownShader() {}

 private:
  bool enabled_ = true;
  std::vector<TGLLibMaterial*> users_;
  std::unique_ptr<TGLVirtualHandle> virtual_handle_;
  TGLShaderStyle shader_style_ = ssLowLevel;
  int update_count_ = 0;
  bool shader_active_ = false;
  bool shader_initialized_ = false;
};

}  // namespace zentrova
