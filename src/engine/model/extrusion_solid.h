// The shape of a body: its outline extruded by the body's thickness. Computes the outline's area, centre
// of gravity and polar second moment of area, optionally moves the outline so that its centre of gravity
// is the body origin, and builds the hierarchy of axis-aligned bounding boxes that collision detection
// descends.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/model/coordinates.h"
#include "engine/engine_constants.h"
#include "engine/model/extrusion_shape.h"

namespace zentrova {

class TBody;

// In the body frame.
struct TBoundingBox {
  long double XMin = 0;
  long double XMax = 0;
  long double YMax = 0;
  long double YMin = 0;
};

// A box over the outline points First..Last (both included) with its two child trees, or none for a leaf.
class TBoundingBoxTree {
 public:
  TBoundingBoxTree() = default;
  TBoundingBoxTree(const TBoundingBoxTree&) = delete;
  TBoundingBoxTree& operator=(const TBoundingBoxTree&) = delete;

  std::int32_t Count() const { return static_cast<std::int32_t>(children_.size()); }
  TBoundingBoxTree& Items(std::int32_t index) { return *children_.at(static_cast<std::size_t>(index)); }
  const TBoundingBoxTree& Items(std::int32_t index) const {
    return *children_.at(static_cast<std::size_t>(index));
  }
  TBoundingBoxTree& Add();
  void Clear() { children_.clear(); }

  std::uint32_t First = 0;
  std::uint32_t Last = 0;
  TBoundingBox Box;

 private:
  std::vector<std::unique_ptr<TBoundingBoxTree>> children_;
};

class TExtrusionSolid {
 public:
  // `body` owns the solid and names it in messages; it may be null for a solid of its own.
  // The solid logs to `log`, which outlives it.
  explicit TExtrusionSolid(TBody* body, ILogSink& log = ProgramLog());
  TExtrusionSolid(const TExtrusionSolid&) = delete;
  TExtrusionSolid& operator=(const TExtrusionSolid&) = delete;

  // Reads the outline, computes area and centre of gravity, moves the outline to its centre of gravity
  // when `correct_origin`, computes the polar moment about the (corrected) origin and builds the box
  // tree. False with an error line when the outline cannot be read ("[Error] No body shape (exs) file
  // found. Check body (bdy) files." after the outline's own lines), encloses no area or runs clockwise.
  bool Load(const std::string& FileName, bool correct_origin, long double minimum_box_width,
            std::int32_t points_per_box = kPointsPerBoundingBox);

  // Exact polygon formulas over the edges (i, i+1), i = 0..N-2, of the outline as it stands.
  void ComputeArea();
  void ComputeCentreOfGravity();  // needs a non-zero Area
  void ComputePolarMoment();
  // Adds dx, dy to every point, the repeated last point included.
  void Translate(long double dx, long double dy);
  void BuildBoundingBoxTree(long double minimum_box_width, std::int32_t points_per_box);

  long double Area = 0;         // signed area, positive for counter-clockwise points (m^2)
  long double PolarMoment = 0;  // integral of x^2 + y^2 over the area, about the body origin (m^4)
  TBody* Body = nullptr;
  TExtrusionShape Shape;
  TCoordinates CentreOfGravity;             // x, y in the body frame; z always 0
  TBoundingBoxTree BoxTree;
  long double CosRz = 1;
  long double SinRz = 0;
  std::int32_t Quadrant = 1;

 private:
  bool CheckArea(const std::string& FileName) const;
  void CorrectOrigin();
  TBoundingBox BoxOf(std::uint32_t first, std::uint32_t last, long double minimum_box_width) const;
  void Split(TBoundingBoxTree& node, std::uint32_t first, std::uint32_t last, std::uint32_t mid,
             long double minimum_box_width, std::int32_t points_per_box);
  std::string BodyName() const;

  ILogSink& log_;
};

}  // namespace zentrova
