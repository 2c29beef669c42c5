// Glyph outlines as closed polylines in em units (the em square is 1 high), for the 3D text's
// tessellation and extrusion. Curves are flattened to a maximum chordal deviation.
#pragma once

#include <cstdint>
#include <vector>

namespace zentrova {

struct TFontPoint {
  double x = 0;
  double y = 0;
};

// A closed polyline: the last point joins the first and is not repeated; no two neighbours are equal.
using TContour = std::vector<TFontPoint>;

// Which side of its direction of travel a contour fills (y up). TrueType outer contours run clockwise and
// fill on the right; CFF and Type 1 outer contours run counter-clockwise and fill on the left. Holes run
// the other way, so the nonzero winding rule fills either kind; the side walls of an extrusion face away
// from the filled side.
enum class TOutlineFill : std::uint8_t { Right, Left };

// Deviation used when a caller asks for 0: a thousandth of the em, under half a pixel at 400 px per em.
inline constexpr double kDefaultOutlineDeviation = 0.001;

struct TGlyphOutline {
  std::vector<TContour> contours;
  TOutlineFill fill = TOutlineFill::Right;
  // Exact bounds of the curves (not of the chords); all 0 for a glyph without contours.
  double x_min = 0;
  double y_min = 0;
  double x_max = 0;
  double y_max = 0;
  // Where the next glyph's origin goes.
  double advance_x = 0;
  double advance_y = 0;
};

// Number of equal parameter steps that keep the chords of a quadratic or cubic Bezier curve within
// `deviation` of it (at least 1). A step h of a curve B deviates from its chord by at most
// max|B''| h^2 / 8: |B''| = 2 |p0 - 2 p1 + p2| for the quadratic, at most 6 max(|p0 - 2 p1 + p2|,
// |p1 - 2 p2 + p3|) for the cubic.
int QuadraticSteps(TFontPoint p0, TFontPoint p1, TFontPoint p2, double deviation);
int CubicSteps(TFontPoint p0, TFontPoint p1, TFontPoint p2, TFontPoint p3, double deviation);

// Collects contours from move, line and curve commands and flattens the curves. Points keep the units
// they are given in; `deviation` is in the same units (0 or less: the default scaled by `em`).
class TContourFlattener {
 public:
  TContourFlattener(double deviation, double em);
  void MoveTo(TFontPoint to);
  void LineTo(TFontPoint to);
  void QuadraticTo(TFontPoint control, TFontPoint to);
  void CubicTo(TFontPoint control1, TFontPoint control2, TFontPoint to);
  // The contours so far, each closed; contours of fewer than three distinct points enclose nothing and
  // are dropped.
  std::vector<TContour> TakeContours();

 private:
  void Add(TFontPoint point);
  void CloseContour();

  double deviation_;
  TFontPoint current_;
  TContour contour_;
  std::vector<TContour> contours_;
};

}  // namespace zentrova
