#include "scene/gl/state_cache.h"

#include <cstring>

#include "platform/exception.h"
#include "scene/base/scene_errors.h"
#include "scene/gl/opengl_binding.h"

namespace zentrova {

namespace {

constexpr std::array<GLenum, kGLStateCount> kCapabilities = {
    GL_ALPHA_TEST,       GL_AUTO_NORMAL,          GL_BLEND,          GL_COLOR_MATERIAL,
    GL_CULL_FACE,        GL_DEPTH_TEST,           GL_DITHER,         GL_FOG,
    GL_LIGHTING,         GL_LINE_SMOOTH,          GL_LINE_STIPPLE,   GL_LOGIC_OP,
    GL_NORMALIZE,        GL_POINT_SMOOTH,         GL_POLYGON_SMOOTH, GL_POLYGON_STIPPLE,
    GL_SCISSOR_TEST,     GL_STENCIL_TEST,         GL_TEXTURE_1D,     GL_TEXTURE_2D,
    GL_TEXTURE_CUBE_MAP, GL_TEXTURE_RECTANGLE_NV,
};

// The group besides GL_ENABLE_BIT whose push saves each state's flag, in the order of kCapabilities.
constexpr std::array<GLbitfield, kGLStateCount> kOwnGroups = {
    GL_COLOR_BUFFER_BIT, GL_EVAL_BIT,           GL_COLOR_BUFFER_BIT, GL_LIGHTING_BIT,
    GL_POLYGON_BIT,      GL_DEPTH_BUFFER_BIT,   GL_COLOR_BUFFER_BIT, GL_FOG_BIT,
    GL_LIGHTING_BIT,     GL_LINE_BIT,           GL_LINE_BIT,         GL_COLOR_BUFFER_BIT,
    GL_TRANSFORM_BIT,    GL_POINT_BIT,          GL_POLYGON_BIT,      GL_POLYGON_BIT,
    GL_SCISSOR_BIT,      GL_STENCIL_BUFFER_BIT, GL_TEXTURE_BIT,      GL_TEXTURE_BIT,
    GL_TEXTURE_BIT,      GL_TEXTURE_BIT,
};

// Bit-wise, so that -0 and 0 differ and a NaN equals itself: the cache stands for what GL holds.
bool SameBits(const float* a, const float* b, int count) {
  return std::memcmp(a, b, sizeof(float) * static_cast<std::size_t>(count)) == 0;
}

constexpr TVector4f kDefaultAmbient{0.2f, 0.2f, 0.2f, 1};
constexpr TVector4f kDefaultDiffuse{0.8f, 0.8f, 0.8f, 1};
constexpr TVector4f kDefaultSpecular{0, 0, 0, 1};
constexpr TVector4f kDefaultEmission{0, 0, 0, 1};

}  // namespace

GLenum GLStateCapability(TGLState state) {
  return kCapabilities.at(state);
}

GLbitfield GLStateAttribGroups(TGLState state) {
  return GL_ENABLE_BIT | kOwnGroups.at(state);
}

void TGLStateCache::RestorePopped(const TGLStateCache& pushed, GLbitfield mask) {
  for (int i = 0; i < kGLStateCount; ++i) {
    if ((GLStateAttribGroups(static_cast<TGLState>(i)) & mask) == 0) continue;
    const std::uint32_t bit = 1u << i;
    enabled_ = (enabled_ & ~bit) | (pushed.enabled_ & bit);
  }
  if ((mask & GL_LIGHTING_BIT) != 0) {
    material_colors_ = pushed.material_colors_;
    shininess_ = pushed.shininess_;
  }
  if ((mask & GL_POLYGON_BIT) != 0) {
    polygon_modes_ = pushed.polygon_modes_;
    front_face_ccw_ = pushed.front_face_ccw_;
  }
  if ((mask & GL_TEXTURE_BIT) != 0) texture_bindings_ = pushed.texture_bindings_;
}

void TGLStateCache::EnableState(TGLState state) {
  const std::uint32_t bit = 1u << state;
  if ((enabled_ & bit) != 0) return;
  enabled_ |= bit;
  gl.Enable(kCapabilities.at(state));
}

void TGLStateCache::DisableState(TGLState state) {
  const std::uint32_t bit = 1u << state;
  if ((enabled_ & bit) == 0) return;
  enabled_ &= ~bit;
  gl.Disable(kCapabilities.at(state));
}

void TGLStateCache::SetPolygonMode(GLenum face, GLenum mode) {
  switch (face) {
    case GL_FRONT:
      if (polygon_modes_[0] == mode) return;
      polygon_modes_[0] = mode;
      break;
    case GL_BACK:
      if (polygon_modes_[1] == mode) return;
      polygon_modes_[1] = mode;
      break;
    case GL_FRONT_AND_BACK:
      if (polygon_modes_[0] == mode && polygon_modes_[1] == mode) return;
      polygon_modes_[0] = mode;
      polygon_modes_[1] = mode;
      break;
    default:
      return;
  }
  gl.PolygonMode(face, mode);
}

void TGLStateCache::ResetPolygonModeCache() {
  polygon_modes_ = {};
}

int TGLStateCache::FaceIndex(GLenum face) {
  if (face == GL_FRONT) return 0;
  if (face == GL_BACK) return 1;
  throw ERangeError(kRangeCheckError);
}

void TGLStateCache::SetMaterialColors(GLenum face, const TVector4f& emission, const TVector4f& ambient,
                                      const TVector4f& diffuse, const TVector4f& specular, GLint shininess) {
  const int f = FaceIndex(face);
  auto& cached = material_colors_[f];
  if (shininess_[f] != shininess) {
    shininess_[f] = shininess;
    gl.Materiali(face, GL_SHININESS, shininess);
  }
  if (!SameBits(cached[kEmission].data(), emission.data(), 3)) {
    cached[kEmission] = emission;
    gl.Materialfv(face, GL_EMISSION, emission.data());
  }
  if (!SameBits(cached[kAmbient].data(), ambient.data(), 3)) {
    cached[kAmbient] = ambient;
    gl.Materialfv(face, GL_AMBIENT, ambient.data());
  }
  if (!SameBits(cached[kDiffuse].data(), diffuse.data(), 4)) {
    cached[kDiffuse] = diffuse;
    gl.Materialfv(face, GL_DIFFUSE, diffuse.data());
  }
  if (!SameBits(cached[kSpecular].data(), specular.data(), 3)) {
    cached[kSpecular] = specular;
    gl.Materialfv(face, GL_SPECULAR, specular.data());
  }
}

void TGLStateCache::SetMaterialAlpha(GLenum face, float alpha) {
  if (face != GL_FRONT && face != GL_BACK) return;
  TVector4f& diffuse = material_colors_[FaceIndex(face)][kDiffuse];
  if (SameBits(&diffuse[3], &alpha, 1)) return;
  diffuse[3] = alpha;
  gl.Materialfv(face, GL_DIFFUSE, diffuse.data());
}

void TGLStateCache::ResetMaterialColors() {
  gl.Materialfv(GL_FRONT_AND_BACK, GL_AMBIENT, kDefaultAmbient.data());
  gl.Materialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, kDefaultDiffuse.data());
  gl.Materialfv(GL_FRONT_AND_BACK, GL_SPECULAR, kDefaultSpecular.data());
  gl.Materialfv(GL_FRONT_AND_BACK, GL_EMISSION, kDefaultEmission.data());
  gl.Materiali(GL_FRONT_AND_BACK, GL_SHININESS, 0);
  // Every byte 0x7F: a huge value no colour takes, so the next request sends everything.
  std::memset(static_cast<void*>(material_colors_.data()), 0x7F, sizeof(material_colors_));
  shininess_ = {0, 0};
}

void TGLStateCache::BindTexture(int unit, GLenum target, GLuint name) {
  if (unit < 0 || unit >= kTextureUnits) throw ERangeError(kRangeCheckError);
  if (texture_bindings_[static_cast<std::size_t>(unit)] == name) return;
  texture_bindings_[static_cast<std::size_t>(unit)] = name;
  gl.BindTexture(target, name);
}

void TGLStateCache::ResetTextureBindings() {
  texture_bindings_.fill(static_cast<GLuint>(-1));
}

void TGLStateCache::LoadTextureMatrix(const TMatrix4f& matrix) {
  texture_matrix_is_identity_ = false;
  gl.MatrixMode(GL_TEXTURE);
  gl.LoadMatrixf(matrix[0].data());
  gl.MatrixMode(GL_MODELVIEW);
}

void TGLStateCache::ResetTextureMatrix() {
  if (texture_matrix_is_identity_) return;
  gl.MatrixMode(GL_TEXTURE);
  gl.LoadIdentity();
  gl.MatrixMode(GL_MODELVIEW);
  texture_matrix_is_identity_ = true;
}

void TGLStateCache::InvertFrontFace() {
  front_face_ccw_ = !front_face_ccw_;
  gl.FrontFace(front_face_ccw_ ? GL_CCW : GL_CW);
}

void TGLStateCache::ResetFrontFace() {
  gl.FrontFace(GL_CCW);
  front_face_ccw_ = true;
}

void TGLStateCache::ResetAll() {
  ResetPolygonModeCache();
  ResetMaterialColors();
  ResetTextureBindings();
  ResetFrontFace();
}

}  // namespace zentrova
