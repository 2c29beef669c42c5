#include "scene/objects/height_field.h"
#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "scene/gl/gl_state_scope.h"
#include "scene/base/vector_geometry.h"
#include "scene/gl/face_properties.h"
#include "scene/gl/opengl_binding.h"
#include "scene/gl/state_cache.h"
#include "scene/gl/texture_coordinates.h"
#include "scene/materials/material.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLHeightField);

namespace {

struct TSample {
  TVector4f color{};
  float z = 0;
  TTexPoint tex_point{};
  TAffineVector normal{};
};

struct TRow {
  std::vector<TSample> samples;
  int count = 0;  // samples taken
  float y = 0;
};

// nx and ny sum the slopes toward both neighbours where they exist, so inner samples take twice the
// one-sided slope: normal = (nx · 1/xstep, ny · 1/ystep, 1), normalised.
void RowNormals(TRow& row, const TRow* before, const TRow* after, float kx, float ky) {
  for (int j = 0; j < row.count; ++j) {
    const auto sj = static_cast<std::size_t>(j);
    const float z = row.samples[sj].z;
    float nx = 0, ny = 0;
    if (j > 0) nx += row.samples[sj - 1].z - z;
    if (j + 1 < row.count) nx += z - row.samples[sj + 1].z;
    if (before != nullptr && j < before->count) ny += before->samples[sj].z - z;
    if (after != nullptr && j < after->count) ny += z - after->samples[sj].z;
    TAffineVector n{nx * kx, ny * ky, 1};
    NormalizeAffine(n);
    row.samples[sj].normal = n;
  }
}

}  // namespace

void DefaultHeightFunction(float x, float y, float& z, TVector4f& color, TTexPoint& /*tex_point*/) {
  const float d = x * x + y * y;
  z = std::cos(d * 12) / ((d * 6.28f + 1) * 2);
  color = {0.8f, 0.8f, 0.8f, 1};
}

TGLHeightField::TGLHeightField()
    : x_scale_(std::make_unique<TGLSamplingScale>(this)), y_scale_(std::make_unique<TGLSamplingScale>(this)) {
  SetObjectStyleSilently(ObjectStyle() | osTampersWithState);
}

TGLHeightField::~TGLHeightField() = default;

void TGLHeightField::SetOnGetHeight(THeightFieldGetHeightEvent value) {
  on_get_height_ = std::move(value);
  MarkStructureDirty();
}

void TGLHeightField::SetOnGetHeight2(THeightFieldGetHeight2Event value) {
  on_get_height2_ = std::move(value);
  MarkStructureDirty();
}

void TGLHeightField::SetOptions(THeightFieldOptions value) {
  SetProperty(options_, value, StructureChangeOf(this));
}

void TGLHeightField::SetColorMode(THeightFieldColorMode value) {
  SetProperty(color_mode_, value, StructureChangeOf(this));
}

void TGLHeightField::NotifyChange(TPersistent* sender) {
  if (dynamic_cast<TGLSamplingScale*>(sender) != nullptr) MarkStructureDirty();
  TGLStageObject::NotifyChange(sender);
}

void TGLHeightField::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLHeightField*>(source)) {
    x_scale_->Assign(other->x_scale_.get());
    y_scale_->Assign(other->y_scale_.get());
    on_get_height_ = other->on_get_height_;
    options_ = other->options_;
    color_mode_ = other->color_mode_;
    return;
  }
  TGLStageObject::Assign(source);
}

void TGLHeightField::BuildList(TRenderContextInfo& rci) {
  triangle_count_ = 0;
  if (!x_scale_->HasRange() || !y_scale_->HasRange()) return;
  const bool designing = ComponentState().Contains(TComponentState::Designing);
  auto height = [&](float x, float y, TSample& s) {
    if (on_get_height_ && !designing) {
      on_get_height_(x, y, s.z, s.color, s.tex_point);
    } else if (on_get_height2_ && !designing) {
      on_get_height2_(*this, x, y, s.z, s.color, s.tex_point);
    } else {
      DefaultHeightFunction(x, y, s.z, s.color, s.tex_point);
    }
  };
  // A row never holds more than this, whatever repeated addition lets through.
  const int capacity = x_scale_->SampleCount() + 1;
  if (capacity < 1) return;
  if (capacity > (1 << 22)) throw Exception("Too many samples on a sampling scale");
  TRow rows[3];
  for (TRow& row : rows) row.samples.assign(static_cast<std::size_t>(capacity), TSample{});
  const float x_start = x_scale_->FirstSample(), x_step = x_scale_->Step();
  const float y_start = y_scale_->FirstSample(), y_step = y_scale_->Step();
  const float kx = 1 / x_step, ky = 1 / y_step;
  const bool two_sided = (options_ & (1u << hfoTwoSided)) != 0;
  const bool textured = (options_ & (1u << hfoTextureCoordinates)) != 0;
  const bool colored = color_mode_ != hfcmNone;

  std::optional<TGLAttribScope> enable_bits;
  if (two_sided || colored) enable_bits.emplace(rci.GLStates, GL_ENABLE_BIT);
  if (two_sided) {
    gl.Disable(GL_CULL_FACE);
    gl.PolygonMode(GL_FRONT_AND_BACK, GLPolygonMode(Material().FrontProperties().PolygonMode()));
  }
  if (colored) {
    static constexpr GLenum kModes[] = {0, GL_EMISSION, GL_AMBIENT, GL_DIFFUSE, GL_AMBIENT_AND_DIFFUSE};
    gl.Enable(GL_COLOR_MATERIAL);
    gl.ColorMaterial(GL_FRONT_AND_BACK, kModes[color_mode_]);
    if (rci.GLStates != nullptr) rci.GLStates->ResetMaterialColors();
  }

  // Strip between an earlier row E and the later row L: L0, E0, L1, E1, …; front faces toward +z.
  auto strip = [&](const TRow& e, const TRow& l) {
    const int n = std::min(e.count, l.count);
    gl.Begin(GL_TRIANGLE_STRIP);
    for (int j = 0; j < n; ++j) {
      const float x = x_start + static_cast<float>(j) * x_step;
      for (const TRow* row : {&l, &e}) {
        const TSample& s = row->samples[static_cast<std::size_t>(j)];
        gl.Normal3fv(s.normal.data());
        if (colored) gl.Color4fv(s.color.data());
        if (textured) RoutedTexCoord2fv(s.tex_point.data());
        gl.Vertex4f(x, row->y, s.z, 1);
      }
    }
    gl.End();
  };

  int row_count = 0, samples_per_row = 0;
  ForEachSample(y_start, y_step, y_scale_->Max(), [&](float y) {
    TRow& row = rows[row_count % 3];
    row.y = y;
    row.count = 0;
    const float x_max = x_scale_->Max();
    for (float x = x_start; x <= x_max && row.count < capacity; x += x_step) {
      TSample& s = row.samples[static_cast<std::size_t>(row.count++)];
      s.tex_point = {x, y};
      height(x, y, s);
    }
    samples_per_row = row.count;
    if (row_count >= 1) {
      TRow& previous = rows[(row_count - 1) % 3];
      RowNormals(previous, row_count >= 2 ? &rows[(row_count - 2) % 3] : nullptr, &row, kx, ky);
      if (row_count >= 2) strip(rows[(row_count - 2) % 3], previous);
    }
    ++row_count;
  });
  if (row_count >= 1) {
    TRow& last = rows[(row_count - 1) % 3];
    RowNormals(last, row_count >= 2 ? &rows[(row_count - 2) % 3] : nullptr, nullptr, kx, ky);
    if (row_count >= 2) strip(rows[(row_count - 2) % 3], last);
  }
  if (row_count >= 2 && samples_per_row >= 2) triangle_count_ = (row_count - 1) * 2 * (samples_per_row - 1);
}

namespace {

constexpr TIdentNames<2> kHeightFieldOptionNames{"hfoTextureCoordinates", "hfoTwoSided"};
constexpr TIdentNames<5> kHeightFieldColorModeNames{"hfcmNone", "hfcmEmission", "hfcmAmbient", "hfcmDiffuse",
                                                    "hfcmAmbientAndDiffuse"};

}  // namespace

void TGLHeightField::WriteProperties(TPropertyWriter& w) const {
  TGLStageObject::WriteProperties(w);
  w.Nested("XSamplingScale", *x_scale_);
  w.Nested("YSamplingScale", *y_scale_);
  if (options_ != (1u << hfoTwoSided)) w.SetOf("Options", kHeightFieldOptionNames, options_);
  if (color_mode_ != hfcmNone) w.Enum("ColorMode", kHeightFieldColorModeNames, color_mode_);
}

bool TGLHeightField::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (ReadNested("XSamplingScale", *x_scale_, name, v) || ReadNested("YSamplingScale", *y_scale_, name, v)) {
    return true;
  }
  if (name == "Options") {
    SetOptions(static_cast<THeightFieldOptions>(SetBits(kHeightFieldOptionNames, v)));
  } else if (name == "ColorMode") {
    SetColorMode(AsEnum<THeightFieldColorMode>(kHeightFieldColorModeNames, v));
  } else {
    return TGLStageObject::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
