#include "scene/objects/xyz_grid.h"
#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"

#include "scene/gl/opengl_binding.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLXYZGrid);

TGLXYZGrid::TGLXYZGrid()
    : x_scale_(std::make_unique<TGLSamplingScale>(this)),
      y_scale_(std::make_unique<TGLSamplingScale>(this)),
      z_scale_(std::make_unique<TGLSamplingScale>(this)) {}

TGLXYZGrid::~TGLXYZGrid() = default;

void TGLXYZGrid::SetParts(TXYZGridParts value) {
  SetProperty(parts_, value, StructureChangeOf(this));
}

void TGLXYZGrid::SetLinesStyle(TXYZGridLinesStyle value) {
  SetProperty(lines_style_, value, StructureChangeOf(this));
}

void TGLXYZGrid::NotifyChange(TPersistent* sender) {
  if (dynamic_cast<TGLSamplingScale*>(sender) != nullptr) MarkStructureDirty();
  TGLLineBase::NotifyChange(sender);
}

void TGLXYZGrid::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLXYZGrid*>(source)) {
    x_scale_->Assign(other->x_scale_.get());
    y_scale_->Assign(other->y_scale_.get());
    z_scale_->Assign(other->z_scale_.get());
    parts_ = other->parts_;
    lines_style_ = other->lines_style_;
  }
  TGLLineBase::Assign(source);
}

void TGLXYZGrid::BuildList(TRenderContextInfo& rci) {
  const TLineStyleScope line_style(*this, rci.GLStates);
  float xb, xs, xm, yb, ys, ym, zb, zs, zm;
  x_scale_->LoopBounds(xb, xs, xm, (parts_ & (1u << gpX)) != 0);
  y_scale_->LoopBounds(yb, ys, ym, (parts_ & (1u << gpY)) != 0);
  z_scale_->LoopBounds(zb, zs, zm, (parts_ & (1u << gpZ)) != 0);
  const bool segments = lines_style_ == glsSegments;
  // One line along an axis at (a, b) of the two others; put(v) places the point at v on the line.
  auto line = [&](const TGLSamplingScale& scale, float base, float step, float max, auto put) {
    gl.Begin(GL_LINE_STRIP);
    if (segments) {
      ForEachSample(base, step, max, put);
    } else {
      put(scale.Min());
      put(scale.Max());
    }
    gl.End();
  };
  if ((parts_ & (1u << gpX)) != 0) {
    ForEachSample(yb, ys, ym, [&](float y) {
      ForEachSample(zb, zs, zm,
                    [&](float z) { line(*x_scale_, xb, xs, xm, [&](float x) { gl.Vertex3f(x, y, z); }); });
    });
  }
  if ((parts_ & (1u << gpY)) != 0) {
    ForEachSample(xb, xs, xm, [&](float x) {
      ForEachSample(zb, zs, zm,
                    [&](float z) { line(*y_scale_, yb, ys, ym, [&](float y) { gl.Vertex3f(x, y, z); }); });
    });
  }
  if ((parts_ & (1u << gpZ)) != 0) {
    ForEachSample(xb, xs, xm, [&](float x) {
      ForEachSample(yb, ys, ym,
                    [&](float y) { line(*z_scale_, zb, zs, zm, [&](float z) { gl.Vertex3f(x, y, z); }); });
    });
  }
}

namespace {

constexpr TIdentNames<3> kGridPartNames{"gpX", "gpY", "gpZ"};
constexpr TIdentNames<2> kGridLinesStyleNames{"glsLine", "glsSegments"};

}  // namespace

// LinesSmoothing is write-only: read, never written.
void TGLXYZGrid::WriteProperties(TPropertyWriter& w) const {
  TGLLineBase::WriteProperties(w);
  w.Nested("XSamplingScale", *x_scale_);
  w.Nested("YSamplingScale", *y_scale_);
  w.Nested("ZSamplingScale", *z_scale_);
  if (parts_ != ((1u << gpX) | (1u << gpY))) w.SetOf("Parts", kGridPartNames, parts_);
  if (lines_style_ != glsSegments) w.Enum("LinesStyle", kGridLinesStyleNames, lines_style_);
}

bool TGLXYZGrid::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (ReadNested("XSamplingScale", *x_scale_, name, v) || ReadNested("YSamplingScale", *y_scale_, name, v) ||
      ReadNested("ZSamplingScale", *z_scale_, name, v)) {
    return true;
  }
  if (name == "Parts") {
    SetParts(static_cast<TXYZGridParts>(SetBits(kGridPartNames, v)));
  } else if (name == "LinesStyle") {
    SetLinesStyle(AsEnum<TXYZGridLinesStyle>(kGridLinesStyleNames, v));
  } else if (name == "LinesSmoothing") {
    SetLinesSmoothing(AsBoolean(v));
  } else {
    return TGLLineBase::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
