// What textures, extra textures, materials and library materials do around an object's drawing. They
// read and change the render context record that a tree render hands to every object.
#include "scene/base/matrix_geometry.h"
#include "scene/base/scene_errors.h"
#include "scene/base/scope_exit.h"
#include "scene/base/vector_geometry.h"
#include "scene/materials/material.h"
#include "scene/materials/material_library.h"
#include "scene/materials/render_context_info.h"
#include "scene/materials/shader.h"
#include "scene/materials/texture.h"
#include "scene/materials/texture_ex.h"
#include "scene/gl/opengl_binding.h"
#include "scene/gl/state_cache.h"
#include "scene/gl/texture_coordinates.h"

namespace zentrova {

namespace {

TMatrix4f Transposed(const TMatrix4f& m) {
  TMatrix4f t;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) t[i][j] = m[j][i];
  }
  return t;
}

// The model-view matrix with its rotation orthonormalised and no translation.
TMatrix4f RotationOfModelView(const TRenderContextInfo& rci) {
  TMatrix4f m = rci.modelViewMatrix != nullptr ? *rci.modelViewMatrix : IdentityMatrix;
  OrthonormalizeMatrix(m);
  return m;
}

// Loads the transpose of m as the current matrix; without the transpose extension only its rotation.
void LoadTransposed(TMatrix4f m) {
  if (GL.ARB_transpose_matrix) {
    gl.LoadTransposeMatrixfARB(&m[0][0]);
  } else {
    Transpose3x3InPlace(m);
    gl.LoadMatrixf(&m[0][0]);
  }
}

}  // namespace

// ---- textures

void TGLTexture::BindThroughCache(TGLStateCache& states, int unit, GLenum target) {
  // A request that uploads binds the name behind the cache's back: the cache forgets what it knew.
  const bool works = handle_->Handle() == 0 || changes_ != 0;
  const GLuint name = TextureHandle();
  if (works) states.ResetTextureBindings();
  states.BindTexture(unit, target, name);
}

void TGLTexture::Apply(TRenderContextInfo& rci) {
  TGLStateCache& states = *rci.GLStates;
  if (disabled_) {
    states.DisableState(stTexture2D);
    states.DisableState(stTextureRect);
    TexCoordRouteMain();
    return;
  }
  const GLenum target = image_->NativeTextureTarget();
  if (target == GL_TEXTURE_2D) {
    states.EnableState(stTexture2D);
    BindThroughCache(states, 0, target);
  } else if (target == kGL_TEXTURE_RECTANGLE_NV) {
    states.EnableState(stTextureRect);
    BindThroughCache(states, 0, target);
  } else if (GL.ARB_texture_cube_map) {
    states.EnableState(stTextureCubeMap);
    BindThroughCache(states, 0, GL_TEXTURE_CUBE_MAP_ARB);
    gl.MatrixMode(GL_TEXTURE);
    switch (mapping_mode_) {
      case tmmCubeMapReflection:
      case tmmCubeMapNormal:
        LoadTransposed(RotationOfModelView(rci));
        break;
      case tmmCubeMapLight0: {
        TMatrix4f m;
        if (rci.scene != nullptr && rci.firstLightMatrix != nullptr && rci.firstLightMatrix(*rci.scene, m)) {
          OrthonormalizeMatrix(m);
          LoadTransposed(m);
          const TMatrix4f view = Transposed(RotationOfModelView(rci));
          gl.MultMatrixf(&view[0][0]);
        }
        break;
      }
      case tmmCubeMapCamera: {
        const TVector4f& up = rci.cameraUp;
        const TVector4f& direction = rci.cameraDirection;
        const TVector4f side = VectorCrossProduct(up, direction);
        const TMatrix4f m{{{side[0], side[1], side[2], 0},
                           {-direction[0], -direction[1], -direction[2], 0},
                           {up[0], up[1], up[2], 0},
                           {0, 0, 0, 1}}};
        LoadTransposed(m);
        const TMatrix4f view = Transposed(RotationOfModelView(rci));
        gl.MultMatrixf(&view[0][0]);
        break;
      }
      default:
        break;
    }
    gl.MatrixMode(GL_MODELVIEW);
  }
  gl.TexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLint>(GLTextureMode(texture_mode_)));
  gl.TexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, env_color_.VectorAddress());
  ApplyMappingMode();
  TexCoordRouteMain();
}

void TGLTexture::Restore(TRenderContextInfo& rci) {
  if (disabled_) return;
  TGLStateCache& states = *rci.GLStates;
  if (!states.StateEnabled(stTextureCubeMap)) {
    if (states.StateEnabled(stTexture2D)) {
      states.DisableState(stTexture2D);
    } else {
      states.DisableState(stTextureRect);
    }
  } else {
    states.DisableState(stTextureCubeMap);
    gl.MatrixMode(GL_TEXTURE);
    gl.LoadIdentity();
    gl.MatrixMode(GL_MODELVIEW);
  }
  RestoreMappingMode();
}

void TGLTexture::ApplyOnUnit(int unit, TRenderContextInfo& rci, TGLLibMaterial* lib_material) {
  if (disabled_) return;
  gl.ActiveTextureARB(GL_TEXTURE0_ARB + unit - 1);
  const GLenum target = image_->NativeTextureTarget();
  if (target == GL_TEXTURE_2D) {
    gl.Enable(target);
    BindThroughCache(*rci.GLStates, unit - 1, target);
    if (lib_material != nullptr && !lib_material->TextureMatrixIsIdentity()) {
      gl.MatrixMode(GL_TEXTURE);
      gl.LoadMatrixf(&lib_material->TextureMatrix()[0][0]);
      gl.MatrixMode(GL_MODELVIEW);
    }
  } else if (GL.ARB_texture_cube_map) {
    gl.Enable(target);
    BindThroughCache(*rci.GLStates, unit - 1, target);
    gl.MatrixMode(GL_TEXTURE);
    LoadTransposed(RotationOfModelView(rci));
    gl.MatrixMode(GL_MODELVIEW);
  }
  gl.TexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLint>(GLTextureMode(texture_mode_)));
  gl.TexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, env_color_.VectorAddress());
  ApplyMappingMode();
  gl.ActiveTextureARB(GL_TEXTURE0_ARB);
}

void TGLTexture::RestoreOnUnit(int unit, TRenderContextInfo& rci, TGLLibMaterial* lib_material) {
  gl.ActiveTextureARB(GL_TEXTURE0_ARB + unit - 1);
  RestoreMappingMode();
  const GLenum target = image_->NativeTextureTarget();
  if (target != GL_TEXTURE_2D || (lib_material != nullptr && !lib_material->TextureMatrixIsIdentity())) {
    gl.MatrixMode(GL_TEXTURE);
    gl.LoadIdentity();
    gl.MatrixMode(GL_MODELVIEW);
  }
  gl.Disable(target);
  gl.ActiveTextureARB(GL_TEXTURE0_ARB);
}

// ---- extra textures

void TGLTextureExItem::Apply(TRenderContextInfo& rci) {
  applied_ = false;
  if (!texture_->Enabled()) return;
  gl.ActiveTextureARB(GL_TEXTURE0_ARB + texture_index_);
  gl.MatrixMode(GL_TEXTURE);
  gl.PushMatrix();
  // The pushed texture matrix is Restore's to pop; a texture that fails to apply never gets there.
  const TScopeExit pop_unless_applied([this] {
    if (!applied_) PopTextureMatrix();
  });
  if (texture_matrix_is_identity_) {
    gl.LoadIdentity();
  } else {
    gl.LoadMatrixf(&texture_matrix_[0][0]);
  }
  gl.MatrixMode(GL_MODELVIEW);
  gl.ActiveTextureARB(GL_TEXTURE0_ARB);
  if (texture_index_ == 0) {
    texture_->Apply(rci);
  } else if (texture_index_ == 1) {
    texture_->ApplyOnUnit2(rci, nullptr);
  } else {
    texture_->ApplyOnUnit(texture_index_ + 1, rci, nullptr);
  }
  applied_ = true;
}

void TGLTextureExItem::PopTextureMatrix() {
  gl.ActiveTextureARB(GL_TEXTURE0_ARB + texture_index_);
  gl.MatrixMode(GL_TEXTURE);
  gl.PopMatrix();
  gl.MatrixMode(GL_MODELVIEW);
  gl.ActiveTextureARB(GL_TEXTURE0_ARB);
}

void TGLTextureExItem::Restore(TRenderContextInfo& rci) {
  if (!applied_) return;
  // Popped however the texture's own restore ends.
  const TScopeExit pop([this] {
    PopTextureMatrix();
    applied_ = false;
  });
  if (texture_index_ == 0) {
    texture_->Restore(rci);
  } else if (texture_index_ == 1) {
    texture_->RestoreOnUnit2(rci, nullptr);
  } else {
    texture_->RestoreOnUnit(texture_index_ + 1, rci, nullptr);
  }
}

void TGLTextureEx::Apply(TRenderContextInfo& rci) {
  if (!GL.ARB_multitexture) return;
  GLint units = 0;
  gl.GetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &units);
  std::uint32_t mask = 0;
  for (int i = 0; i < Count(); ++i) {
    TGLTextureExItem* item = Items(i);
    if (item->TextureIndex() >= units) continue;
    item->Apply(rci);
    if (item->Applied() && item->TextureIndex() > 0 && item->Texture().MappingMode() == tmmUser) {
      mask |= 1u << item->TextureIndex();
    }
  }
  if (mask != 0) TexCoordRouteAddMask(mask);
}

void TGLTextureEx::Restore(TRenderContextInfo& rci) {
  if (!GL.ARB_multitexture) return;
  for (int i = 0; i < Count(); ++i) Items(i)->Restore(rci);
}

// ---- materials

void TGLMaterial::Apply(TRenderContextInfo& rci) {
  if (lib_material_ != nullptr) {
    lib_material_->Apply(rci);
    return;
  }
  TGLStateCache& states = *rci.GLStates;
  disabled_lighting_ = (material_options_ & moNoLighting) != 0 && states.StateEnabled(stLighting);
  if (disabled_lighting_) {
    states.DisableState(stLighting);
    ++rci.lightingDisabledCounter;
  }
  if (states.StateEnabled(stLighting)) {
    front_properties_->Apply(states, GL_FRONT);
  } else {
    front_properties_->ApplyNoLighting(states, GL_FRONT);
  }
  // Culling by the state before this step; back faces always get their colours.
  const bool culling = states.StateEnabled(stCullFace);
  switch (face_culling_) {
    case fcBufferDefault:
      if (!culling && rci.bufferFaceCull) {
        states.EnableState(stCullFace);
      } else if (!culling) {
        BackProperties().Apply(states, GL_BACK);
      } else if (!rci.bufferFaceCull) {
        states.DisableState(stCullFace);
        BackProperties().Apply(states, GL_BACK);
      }
      break;
    case fcCull:
      if (!culling) states.EnableState(stCullFace);
      break;
    case fcNoCull:
      if (culling) states.DisableState(stCullFace);
      BackProperties().Apply(states, GL_BACK);
      break;
    default:
      SceneAssert(false);
  }
  if (!rci.ignoreBlendingRequests) {
    switch (blending_mode_) {
      case bmOpaque:
        states.DisableState(stBlend);
        states.DisableState(stAlphaTest);
        break;
      case bmTransparency:
        states.EnableState(stBlend);
        states.EnableState(stAlphaTest);
        gl.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        break;
      case bmAdditive:
        states.EnableState(stBlend);
        states.EnableState(stAlphaTest);
        gl.BlendFunc(GL_SRC_ALPHA, GL_ONE);
        break;
      case bmAlphaTest50:
        states.DisableState(stBlend);
        states.EnableState(stAlphaTest);
        gl.AlphaFunc(GL_GEQUAL, 0.5f);
        break;
      case bmAlphaTest100:
        states.DisableState(stBlend);
        states.EnableState(stAlphaTest);
        gl.AlphaFunc(GL_GEQUAL, 1.0f);
        break;
      case bmModulate:
        states.EnableState(stBlend);
        states.EnableState(stAlphaTest);
        gl.BlendFunc(GL_DST_COLOR, GL_ZERO);
        break;
      default:
        SceneAssert(false);
    }
  }
  disabled_fog_ = (material_options_ & moIgnoreFog) != 0 && states.StateEnabled(stFog);
  if (disabled_fog_) {
    states.DisableState(stFog);
    ++rci.fogDisabledCounter;
  }
  if (texture_ex_) {
    if (texture_ && !texture_ex_->UnitHasEnabledTexture(0)) {
      texture_->Apply(rci);
    } else if (texture_ex_->Count() > 0) {
      texture_ex_->Apply(rci);
    }
  } else if (texture_) {
    texture_->Apply(rci);
  }
}

bool TGLMaterial::Restore(TRenderContextInfo& rci) {
  if (lib_material_ != nullptr) return lib_material_->Restore(rci);
  TGLStateCache& states = *rci.GLStates;
  if (blending_mode_ == bmAlphaTest50 || blending_mode_ == bmAlphaTest100) gl.AlphaFunc(GL_GREATER, 0.0f);
  // Only what this material's Apply switched off: a nested material must not relight the outer one.
  if (disabled_lighting_ && rci.lightingDisabledCounter > 0) {
    disabled_lighting_ = false;
    if (--rci.lightingDisabledCounter == 0) states.EnableState(stLighting);
  }
  if (disabled_fog_ && rci.fogDisabledCounter > 0) {
    disabled_fog_ = false;
    if (--rci.fogDisabledCounter == 0) states.EnableState(stFog);
  }
  if (texture_ && texture_->Enabled() && (!texture_ex_ || !texture_ex_->UnitHasEnabledTexture(0))) {
    texture_->Restore(rci);
    return false;
  }
  if (texture_ex_) texture_ex_->Restore(rci);
  return false;
}

// ---- library materials

void TGLLibMaterial::Apply(TRenderContextInfo& rci) {
  if (TGLMaterialLibrary* library = Library()) library->CurrentLibMaterial = this;
  TexCoordRouteBeginUpdate();
  if (shader_ != nullptr && shader_->ShaderStyle() != ssLowLevel) {
    shader_->Apply(rci, this);
    if (shader_->ShaderStyle() == ssReplace) {
      TexCoordRouteEndUpdate();
      return;
    }
  }
  bool multitextured = false;
  if (!texture2_name_.empty() && GL.ARB_multitexture && !SecondTextureUnitForbidden()) {
    if (lib_mat_texture2_ == nullptr) {
      auto* materials = dynamic_cast<TGLLibMaterials*>(Collection());
      lib_mat_texture2_ = materials != nullptr ? materials->FindByName(texture2_name_) : nullptr;
      if (lib_mat_texture2_ != nullptr) {
        lib_mat_texture2_->AddUser(this);
      } else {
        texture2_name_.clear();
      }
    }
    multitextured = lib_mat_texture2_ != nullptr && lib_mat_texture2_->Material().HasTexture() &&
                    lib_mat_texture2_->Material().Texture().Enabled();
  }
  const TGLTexture* own = material_->TextureOrNull();
  if (multitextured) {
    if (!texture_matrix_is_identity_) rci.GLStates->LoadTextureMatrix(texture_matrix_);
    material_->Apply(rci);
    TGLTexture& second = lib_mat_texture2_->Material().Texture();
    second.ApplyOnUnit2(rci, lib_mat_texture2_);
    const bool second_generates = second.MappingMode() != tmmUser;
    const bool own_user_mapped = own != nullptr && own->Enabled() && own->MappingMode() == tmmUser;
    if (second_generates) {
      TexCoordRouteMain();
    } else if (own_user_mapped) {
      TexCoordRouteBoth();
    } else {
      TexCoordRouteSecond();
    }
  } else {
    if (own != nullptr && own->Enabled() && !texture_matrix_is_identity_) {
      rci.GLStates->LoadTextureMatrix(texture_matrix_);
    }
    material_->Apply(rci);
  }
  if (shader_ != nullptr && shader_->ShaderStyle() == ssLowLevel) shader_->Apply(rci, this);
  TexCoordRouteEndUpdate();
}

bool TGLLibMaterial::Restore(TRenderContextInfo& rci) {
  bool result = false;
  if (shader_ != nullptr) {
    if (shader_->ShaderStyle() == ssLowLevel) result = shader_->Restore(rci);
    if (shader_->ShaderStyle() == ssReplace) result = shader_->Restore(rci);
    // Another pass before the material is undone.
    if (result) return true;
    if (shader_->ShaderStyle() == ssReplace) {
      if (TGLMaterialLibrary* library = Library()) library->CurrentLibMaterial = nullptr;
      return false;
    }
  }
  if (lib_mat_texture2_ != nullptr && !SecondTextureUnitForbidden()) {
    lib_mat_texture2_->Material().Texture().RestoreOnUnit2(rci, lib_mat_texture2_);
    TexCoordRouteMain();
  }
  material_->Restore(rci);
  const TGLTexture* own = material_->TextureOrNull();
  if (own != nullptr && own->Enabled() && !texture_matrix_is_identity_) rci.GLStates->ResetTextureMatrix();
  if (shader_ != nullptr && shader_->ShaderStyle() == ssHighLevel) result = shader_->Restore(rci);
  if (!result) {
    if (TGLMaterialLibrary* library = Library()) library->CurrentLibMaterial = nullptr;
  }
  return result;
}

}  // namespace zentrova
