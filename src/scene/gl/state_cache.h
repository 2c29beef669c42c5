// What was last sent to OpenGL for the most often toggled states, so that repeated requests cost a
// comparison and no GL call. Correct only while every change of these states goes through the cache;
// ResetAll re-synchronises it after code that went around it. One per scene buffer, GUI thread only.
#pragma once

#include <GL/gl.h>

#include <array>
#include <cstdint>

#include "scene/base/vector_types.h"

namespace zentrova {

// The cached capabilities, by index.
enum TGLState : std::uint8_t {
  stAlphaTest,
  stAutoNormal,
  stBlend,
  stColorMaterial,
  stCullFace,
  stDepthTest,
  stDither,
  stFog,
  stLighting,
  stLineSmooth,
  stLineStipple,
  stLogicOp,
  stNormalize,
  stPointSmooth,
  stPolygonSmooth,
  stPolygonStipple,
  stScissorTest,
  stStencilTest,
  stTexture1D,
  stTexture2D,
  stTextureCubeMap,
  stTextureRect,
};
inline constexpr int kGLStateCount = 22;

// The GL capability of each state.
GLenum GLStateCapability(TGLState state);
// The attribute groups whose push saves the state's enable flag: GL_ENABLE_BIT and the state's own group.
GLbitfield GLStateAttribGroups(TGLState state);

class TGLStateCache {
 public:
  static constexpr int kTextureUnits = 8;

  // Nothing known enabled, bindings and polygon modes 0, counter-clockwise front faces and an identity
  // texture matrix. Sends nothing.
  TGLStateCache() = default;

  void EnableState(TGLState state);
  void DisableState(TGLState state);
  bool StateEnabled(TGLState state) const { return (enabled_ & (1u << state)) != 0; }
  std::uint32_t EnabledStates() const { return enabled_; }

  // GL_FRONT, GL_BACK or GL_FRONT_AND_BACK; any other face is ignored.
  void SetPolygonMode(GLenum face, GLenum mode);
  void ResetPolygonModeCache();

  // Face GL_FRONT or GL_BACK, else ERangeError. Each value is sent only when it differs from the cache:
  // shininess, emission, ambient, diffuse, specular, in that order. Emission, ambient and specular are
  // compared on red, green and blue only, the diffuse colour on all four components.
  void SetMaterialColors(GLenum face, const TVector4f& emission, const TVector4f& ambient,
                         const TVector4f& diffuse, const TVector4f& specular, GLint shininess);
  // Face GL_FRONT or GL_BACK (others do nothing): the whole cached diffuse colour with the new alpha.
  void SetMaterialAlpha(GLenum face, float alpha);
  // OpenGL's default material on both faces, and a cache that no colour matches.
  void ResetMaterialColors();

  // Unit 0..7, else ERangeError. The caller selects the active texture unit first.
  void BindTexture(int unit, GLenum target, GLuint name);
  // Every unit unknown.
  void ResetTextureBindings();

  void LoadTextureMatrix(const TMatrix4f& matrix);
  void ResetTextureMatrix();
  bool TextureMatrixIsIdentity() const { return texture_matrix_is_identity_; }

  void InvertFrontFace();
  void ResetFrontFace();
  bool FrontFaceCCW() const { return front_face_ccw_; }

  // Polygon modes, material colours, texture bindings and front face; the enable bits stay.
  void ResetAll();

  // glPopAttrib() has put back the groups of `mask` as they were at the push, when the cache was
  // `pushed`: what the cache knows of those groups is taken from it. Sends nothing.
  void RestorePopped(const TGLStateCache& pushed, GLbitfield mask);

 private:
  enum { kEmission, kAmbient, kDiffuse, kSpecular };
  static int FaceIndex(GLenum face);

  std::array<std::array<TVector4f, 4>, 2> material_colors_{};  // front, back x emission .. specular
  std::array<GLint, 2> shininess_{};
  std::uint32_t enabled_ = 0;
  std::array<GLuint, kTextureUnits> texture_bindings_{};
  std::array<GLenum, 2> polygon_modes_{};
  bool front_face_ccw_ = true;
  bool texture_matrix_is_identity_ = true;
};

}  // namespace zentrova
