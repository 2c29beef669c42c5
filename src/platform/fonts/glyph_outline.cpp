#include "platform/fonts/glyph_outline.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace zentrova {

namespace {

// |a - 2 b + c|: the second difference that bounds a Bezier curve's second derivative.
double SecondDifference(TFontPoint a, TFontPoint b, TFontPoint c) {
  return std::hypot(a.x - 2 * b.x + c.x, a.y - 2 * b.y + c.y);
}

// Steps n with max|B''| / (8 n^2) <= deviation.
int StepsFor(double max_second_derivative, double deviation) {
  if (max_second_derivative <= 0) return 1;
  const double n = std::ceil(std::sqrt(max_second_derivative / (8 * deviation)));
  // A curve far larger than its deviation still ends in a bounded polyline.
  return static_cast<int>(std::clamp(n, 1.0, 4096.0));
}

}  // namespace

int QuadraticSteps(TFontPoint p0, TFontPoint p1, TFontPoint p2, double deviation) {
  return StepsFor(2 * SecondDifference(p0, p1, p2), deviation);
}

int CubicSteps(TFontPoint p0, TFontPoint p1, TFontPoint p2, TFontPoint p3, double deviation) {
  return StepsFor(6 * std::max(SecondDifference(p0, p1, p2), SecondDifference(p1, p2, p3)), deviation);
}

TContourFlattener::TContourFlattener(double deviation, double em)
    : deviation_(deviation > 0 ? deviation : kDefaultOutlineDeviation * em) {}

void TContourFlattener::MoveTo(TFontPoint to) {
  CloseContour();
  current_ = to;
  contour_.push_back(to);
}

void TContourFlattener::LineTo(TFontPoint to) {
  Add(to);
}

void TContourFlattener::QuadraticTo(TFontPoint control, TFontPoint to) {
  const TFontPoint from = current_;
  const int n = QuadraticSteps(from, control, to, deviation_);
  for (int i = 1; i < n; ++i) {
    const double t = static_cast<double>(i) / n;
    const double a = (1 - t) * (1 - t), b = 2 * t * (1 - t), c = t * t;
    Add({a * from.x + b * control.x + c * to.x, a * from.y + b * control.y + c * to.y});
  }
  Add(to);
}

void TContourFlattener::CubicTo(TFontPoint control1, TFontPoint control2, TFontPoint to) {
  const TFontPoint from = current_;
  const int n = CubicSteps(from, control1, control2, to, deviation_);
  for (int i = 1; i < n; ++i) {
    const double t = static_cast<double>(i) / n, s = 1 - t;
    const double a = s * s * s, b = 3 * s * s * t, c = 3 * s * t * t, d = t * t * t;
    Add({a * from.x + b * control1.x + c * control2.x + d * to.x,
         a * from.y + b * control1.y + c * control2.y + d * to.y});
  }
  Add(to);
}

std::vector<TContour> TContourFlattener::TakeContours() {
  CloseContour();
  return std::exchange(contours_, {});
}

void TContourFlattener::Add(TFontPoint point) {
  current_ = point;
  if (contour_.empty() || point.x != contour_.back().x || point.y != contour_.back().y) {
    contour_.push_back(point);
  }
}

void TContourFlattener::CloseContour() {
  // The outline's closing segment comes back to the start point, which the polyline holds already.
  while (contour_.size() > 1 && contour_.back().x == contour_.front().x &&
         contour_.back().y == contour_.front().y) {
    contour_.pop_back();
  }
  if (contour_.size() >= 3) contours_.push_back(std::move(contour_));
  contour_.clear();
}

}  // namespace zentrova
