// A body's outline: the closed polygon of its outline file (.exs), in the body frame, with per-point
// watch marks and interior angles, and the moves that reshape it for the next version of a model.
//
// Outline file:
//     points =5
//     %%data
//     <x values, free format>
//     <y values, starting on the line after the last x value>
//     %%enddata
// Lines before "points =" and between it and "%%data" are ignored, as is everything after the y values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/log_sink.h"
#include "numerics/float_list.h"

namespace zentrova {

// Reshaping settings that the watches file supplies.
struct TReshape {
  long double DirectionX = 0;  // a fixed displacement direction
  long double DirectionY = 0;
  std::int32_t DirectionInside =
      0;                         // 0: the fixed direction; otherwise the sign applied to the inward normal
  long double MaxChangeLow = 0;  // the largest displacements (m)
  long double MaxChangeHigh = 0;
};

class TExtrusionShape {
 public:
  // The shape logs its readings and reshapings to `log`, which outlives it.
  explicit TExtrusionShape(ILogSink& log = ProgramLog()) : log_(log) {}
  TExtrusionShape(const TExtrusionShape&) = delete;
  TExtrusionShape& operator=(const TExtrusionShape&) = delete;

  // Reads an outline file into the given lists (cleared first). False when the file is missing ("[Error]
  // No bodyShape file found." is logged) or unreadable, after an error line saying why: a line holding
  // a NUL byte, no count line, a count that is not an integer of at least 2, no "%%data" line, fewer
  // numbers than the count or a token that is not a finite number. An
  // outline whose last point differs from its first is only reported ("is not closed") and read as it is.
  bool ReadShapeFile(const std::string& FileName, TFloatList& x, TFloatList& y) const;

  // Writes the lists in the outline format, each value in the 23-character scientific form followed by
  // a TAB, CR LF line ends. False when the lists differ in length or the file cannot be written.
  static bool WriteShapeFile(const std::string& FileName, const TFloatList& x, const TFloatList& y);

  // Reads the file into X and Y, sizes Watched, WatchIndex and VertexAngle to the point count and computes
  // the interior angles. On failure logs "[Error] Check extrusion shape in file <name>." and returns false.
  bool Load(const std::string& FileName);

  std::uint32_t Count() const { return X.Count(); }

  // The unit inward normal at every point (the repeated last point takes the first one's); the direction
  // at point i is that of the chord from its previous to its next point, turned by +pi/2. False when a
  // chord has no length or the outline has fewer than 2 points.
  bool InwardNormals(TFloatList& nx, TFloatList& ny) const;

  // Move the watched points of the given lists (an outline of Count() points) by one amount each, in point
  // order, along (DirectionX, DirectionY) or along the inward normal times DirectionInside, then close
  // the outline again. False, nothing moved and an error logged, when the lists do not fit this outline
  // or there are fewer amounts than watched points; MoveInward also when the normals cannot be found.
  bool MoveAlongDirection(const TFloatList& amount, TFloatList& x, TFloatList& y) const;
  bool MoveInward(const TFloatList& amount, TFloatList& x, TFloatList& y) const;

  TFloatList X;
  TFloatList Y;
  std::vector<bool> Watched;             // points that a contact watch observes
  std::vector<std::int32_t> WatchIndex;  // the watch (group) number of a watched point
  TFloatList VertexAngle;                // interior angle at each point (rad)
  TFloatList HalfAngleCos;               // cos(VertexAngle / 2), for the corner tests of detection
  TReshape Reshape;

 private:
  bool CanMove(const TFloatList& amount, const TFloatList& x, const TFloatList& y) const;

  ILogSink& log_;
};

}  // namespace zentrova
