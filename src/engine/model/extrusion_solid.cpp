#include "engine/model/extrusion_solid.h"

#include <algorithm>
#include <cmath>

#include "engine/model/body.h"
#include "engine/model/model_text.h"
#include "platform/exponent_text.h"
#include "platform/number_text.h"
#include "platform/paths.h"

namespace zentrova {

TBoundingBoxTree& TBoundingBoxTree::Add() {
  children_.push_back(std::make_unique<TBoundingBoxTree>());
  return *children_.back();
}

TExtrusionSolid::TExtrusionSolid(TBody* body, ILogSink& log) : Body(body), Shape(log), log_(log) {}

std::string TExtrusionSolid::BodyName() const {
  return Body != nullptr ? Body->Name : std::string();
}

bool TExtrusionSolid::Load(const std::string& FileName, bool correct_origin, long double minimum_box_width,
                           std::int32_t points_per_box) {
  if (!Shape.Load(FileName)) {
    log_.AddLine(WithPlace("[Error] No body shape (exs) file found. Check body (bdy) files.", FileName));
    return false;
  }
  ComputeArea();
  if (!CheckArea(FileName)) return false;
  ComputeCentreOfGravity();
  if (correct_origin) CorrectOrigin();
  ComputePolarMoment();
  BuildBoundingBoxTree(minimum_box_width, points_per_box);
  return true;
}

// The sums run over the edges from point i to point i+1; for a closed outline (last point = first) that
// is every edge of the polygon. With c_i = x_i y_(i+1) - x_(i+1) y_i:
//   A  = 1/2 sum c_i
//   cx = 1/(6A) sum (x_i + x_(i+1)) c_i,      cy = 1/(6A) sum (y_i + y_(i+1)) c_i
//   J  = 1/12 sum (x_i^2 + x_i x_(i+1) + x_(i+1)^2 + y_i^2 + y_i y_(i+1) + y_(i+1)^2) c_i
// (J = Ix + Iy about the origin).
void TExtrusionSolid::ComputeArea() {
  const TFloatList& x = Shape.X;
  const TFloatList& y = Shape.Y;
  long double sum = 0;
  for (std::uint32_t i = 0; i + 1 < x.Count(); ++i) {
    sum += x.Data()[i] * y.Data()[i + 1] - x.Data()[i + 1] * y.Data()[i];
  }
  Area = sum / 2;
}

void TExtrusionSolid::ComputeCentreOfGravity() {
  const TFloatList& x = Shape.X;
  const TFloatList& y = Shape.Y;
  long double sx = 0, sy = 0;
  for (std::uint32_t i = 0; i + 1 < x.Count(); ++i) {
    const long double x0 = x.Data()[i], x1 = x.Data()[i + 1];
    const long double y0 = y.Data()[i], y1 = y.Data()[i + 1];
    const long double c = x0 * y1 - x1 * y0;
    sx += (x0 + x1) * c;
    sy += (y0 + y1) * c;
  }
  CentreOfGravity.X.Value = sx / (6 * Area);
  CentreOfGravity.Y.Value = sy / (6 * Area);
  CentreOfGravity.Z.Value = 0;
}

void TExtrusionSolid::ComputePolarMoment() {
  const TFloatList& x = Shape.X;
  const TFloatList& y = Shape.Y;
  long double sum = 0;
  for (std::uint32_t i = 0; i + 1 < x.Count(); ++i) {
    const long double x0 = x.Data()[i], x1 = x.Data()[i + 1];
    const long double y0 = y.Data()[i], y1 = y.Data()[i + 1];
    const long double c = x0 * y1 - x1 * y0;
    sum += (x0 * x0 + x0 * x1 + x1 * x1 + y0 * y0 + y0 * y1 + y1 * y1) * c;
  }
  PolarMoment = sum / 12;
}

void TExtrusionSolid::Translate(long double dx, long double dy) {
  for (std::uint32_t i = 0; i < Shape.X.Count(); ++i) Shape.X.Data()[i] += dx;
  for (std::uint32_t i = 0; i < Shape.Y.Count(); ++i) Shape.Y.Data()[i] += dy;
}

bool TExtrusionSolid::CheckArea(const std::string& FileName) const {
  const long double extent = std::max(Shape.X.Max() - Shape.X.Min(), Shape.Y.Max() - Shape.Y.Min());
  const std::string where = "[Error] Extrusion shape of body " + BodyName() + " in file " +
                            ExtractFileName(ToNativeSeparators(FileName));
  // A clockwise outline has a negative area: its normals, interior angles and box widening would all
  // point out of the body, and the origin correction would take the root of a negative number.
  if (Area < 0 && -Area > kDegenerateAreaRatio * extent * extent) {
    log_.AddLine(where + " runs clockwise; its points must run counter-clockwise.");
    return false;
  }
  if (!(Area > kDegenerateAreaRatio * extent * extent)) {
    log_.AddLine(where + " encloses no area.");
    return false;
  }
  return true;
}

void TExtrusionSolid::CorrectOrigin() {
  const long double cx0 = CentreOfGravity.X.Value;
  const long double cy0 = CentreOfGravity.Y.Value;
  int passes = 0;
  while (passes < kOriginCorrectionMaxPasses) {
    const long double tolerance = std::sqrt(Area) / kOriginCorrectionToleranceDivisor;
    const long double cx = CentreOfGravity.X.Value;
    const long double cy = CentreOfGravity.Y.Value;
    const long double dx = std::fabs(cx) > tolerance ? -cx : 0;
    const long double dy = std::fabs(cy) > tolerance ? -cy : 0;
    if (dx == 0 && dy == 0) break;
    ++passes;
    // The area does not change with a translation; the centre is recomputed from the moved points,
    // which is where rounding of far-off outlines shows and a further pass may be needed.
    Translate(dx, dy);
    ComputeCentreOfGravity();
  }
  if (passes >= 2) {
    auto e = [](long double v) { return FloatToTextExponent(v, 5, 5); };
    log_.AddLine("[Warning] Body " + BodyName() + ": center of gravity moved from (" + e(cx0) + ", " +
                 e(cy0) + ") to origin (" + e(CentreOfGravity.X.Value) + ", " + e(CentreOfGravity.Y.Value) +
                 ") - number of iterations: " + IntToText(passes) +
                 ". If you do not want to meve the origin then use correctOrigin = 0.");
  }
}

TBoundingBox TExtrusionSolid::BoxOf(std::uint32_t first, std::uint32_t last,
                                    long double minimum_box_width) const {
  const long double* x = Shape.X.Data();
  const long double* y = Shape.Y.Data();
  long double xmin = x[first], xmax = x[first], ymin = y[first], ymax = y[first];
  for (std::uint32_t i = first + 1; i <= last; ++i) {
    xmin = std::min(xmin, x[i]);
    xmax = std::max(xmax, x[i]);
    ymin = std::min(ymin, y[i]);
    ymax = std::max(ymax, y[i]);
  }
  long double lower_x = xmin, width = xmax - xmin;
  long double lower_y = ymin, height = ymax - ymin;
  // A box thinner than the skin is widened into the body: for a counter-clockwise outline the body lies
  // to the left of the direction in which the outline runs.
  if (minimum_box_width > width) {
    lower_x = y[first + 1] > y[first] ? xmax - minimum_box_width : xmin;
    width = minimum_box_width;
  }
  if (minimum_box_width > height) {
    lower_y = x[first + 1] < x[first] ? ymax - minimum_box_width : ymin;
    height = minimum_box_width;
  }
  return TBoundingBox{lower_x, lower_x + width, lower_y + height, lower_y};
}

void TExtrusionSolid::Split(TBoundingBoxTree& node, std::uint32_t first, std::uint32_t last,
                            std::uint32_t mid, long double minimum_box_width, std::int32_t points_per_box) {
  const std::int64_t half = (static_cast<std::int64_t>(last) - mid) / 2;
  if (half < points_per_box - 1 || half == 0) return;
  // The mid point belongs to both halves, so the boxes of neighbouring ranges share their edge point.
  const std::uint32_t ranges[2][2] = {{first, mid}, {mid, last}};
  for (const auto& range : ranges) {
    TBoundingBoxTree& child = node.Add();
    child.First = range[0];
    child.Last = range[1];
    child.Box = BoxOf(range[0], range[1], minimum_box_width);
    Split(child, range[0], range[1], range[0] + (range[1] - range[0]) / 2, minimum_box_width, points_per_box);
  }
}

void TExtrusionSolid::BuildBoundingBoxTree(long double minimum_box_width, std::int32_t points_per_box) {
  BoxTree.Clear();
  const std::uint32_t n = Shape.X.Count();
  if (n == 0 || Shape.Y.Count() != n) return;
  BoxTree.First = 0;
  BoxTree.Last = n - 1;
  // The root box is the outline's extent as it is, never widened.
  BoxTree.Box = TBoundingBox{Shape.X.Min(), Shape.X.Max(), Shape.Y.Max(), Shape.Y.Min()};
  Split(BoxTree, 0, n - 1, (n - 1) / 2, minimum_box_width, points_per_box);
}

}  // namespace zentrova
