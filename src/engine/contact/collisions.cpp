#include "engine/contact/collisions.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <numbers>

#include "engine/contact/contact_properties.h"
#include "engine/engine_constants.h"
#include "engine/model/body.h"
#include "engine/model/contour_helpers.h"
#include "engine/model/extrusion_solid.h"
#include "engine/model/plane_geometry.h"
#include "engine/model/step_state.h"
#include "engine/model/world_settings.h"
#include "numerics/matrix.h"

namespace zentrova {

namespace {

// The axis-aligned bounds of a body-frame box turned by the body's rotation record. Per quadrant of Rz
// one corner gives each bound, so no corner loop and no trigonometry per box.
TBoundingBox Turned(const TBoundingBox& b, const TExtrusionSolid& solid) {
  const long double c = solid.CosRz, s = solid.SinRz;
  TBoundingBox t;
  switch (solid.Quadrant) {
    case 1:
      t.XMin = c * b.XMin - s * b.YMax;
      t.XMax = c * b.XMax - s * b.YMin;
      t.YMax = s * b.XMax + c * b.YMax;
      t.YMin = s * b.XMin + c * b.YMin;
      break;
    case 2:
      t.XMin = c * b.XMax - s * b.YMax;
      t.XMax = c * b.XMin - s * b.YMin;
      t.YMax = s * b.XMax + c * b.YMin;
      t.YMin = s * b.XMin + c * b.YMax;
      break;
    case 3:
      t.XMin = c * b.XMax - s * b.YMin;
      t.XMax = c * b.XMin - s * b.YMax;
      t.YMax = s * b.XMin + c * b.YMin;
      t.YMin = s * b.XMax + c * b.YMax;
      break;
    default:
      t.XMin = c * b.XMin - s * b.YMin;
      t.XMax = c * b.XMax - s * b.YMax;
      t.YMax = s * b.XMin + c * b.YMax;
      t.YMin = s * b.XMax + c * b.YMin;
      break;
  }
  return t;
}

long double PositionX(const TBody& body) {
  return body.Kinematics.Position.X.Get();
}
long double PositionY(const TBody& body) {
  return body.Kinematics.Position.Y.Get();
}

TPlacedBox Placed(const TBoundingBox& turned, const TBody& body) {
  const long double x = PositionX(body), y = PositionY(body);
  return {x + turned.XMin, x + turned.XMax, y + turned.YMin, y + turned.YMax};
}

// Two placed boxes overlap on both axes; touching counts, and so does a gap within the tolerance of a
// corner lying on an edge.
bool Overlap(const TPlacedBox& a, const TPlacedBox& b) {
  const long double gap = kContactOutsideTolerance;
  if (b.lo_x > a.hi_x + gap || a.lo_x > b.hi_x + gap) return false;
  if (b.lo_y > a.hi_y + gap || a.lo_y > b.hi_y + gap) return false;
  return true;
}

// The angle at a corner between an edge (length a) and the way to a vertex (length b), given the law of
// cosines' numerator a^2 + b^2 - c^2, is at most (strictly: below) half the corner angle. Only an angle
// too close to call from the cosines is taken by its arccos: the decisions are those of the arccos, at a
// fraction of its cost.
bool WithinCorner(long double numerator, long double a, long double b, long double half, long double half_cos,
                  bool strict) {
  constexpr long double kMargin = 1e-12L;
  const long double x = numerator == 0 ? 0.0L : std::clamp(numerator / (2 * a * b), -1.0L, 1.0L);
  if (x > half_cos + kMargin) return true;
  if (x < half_cos - kMargin) return false;
  const long double angle = LawOfCosinesAngleFromNumerator(numerator, a, b);
  return strict ? angle < half : angle <= half;
}

// Up to this many coordinates M^-1 h is summed whole, as MultiplyRows sums a small product.
constexpr std::uint32_t kDenseFreeAccelerationUpTo = 8;

// The corners at which a vertex the region test gives to one edge may need the other: those no wider
// than 135 degrees, where the two edges' normals lie 45 degrees or more apart. At a wider corner (a
// polygon standing for a curve) the edge the vertex is given holds it as well as the other would.
constexpr long double kHoldingCornerAngle = 0.75L * std::numbers::pi_v<long double>;

}  // namespace

TCollisions::TCollisions(ICollisionWorld& world) : world_(world) {}

TCollisions::~TCollisions() = default;

bool TCollisions::Detect() {
  EmptyContactLists();
  TooDeep = false;
  TooManyContacts = false;
  ImpulseApplied = false;

  TContactProperties* properties = world_.ContactProperties();
  const std::int32_t bodies = world_.Bodies().Count();
  // Every body's rotation record and placed root box once, for all the pairs it is in.
  root_boxes_.resize(static_cast<std::size_t>(bodies));
  for (std::int32_t b = 0; b < bodies; ++b) {
    TBody& body = world_.Bodies().Items(b);
    body.UpdateRotation();
    if (body.HasShape) root_boxes_[b] = Placed(Turned(body.Solid.BoxTree.Box, body.Solid), body);
  }
  const long double maximum_penetration = world_.Settings().MaximumPenetration;
  bool displacement_known = false;
  long double displacement = 0;
  // The pairs in the order i < j, j ascending within i: the contacts are found in that order.
  BroadPhase(broad_pairs_);
  for (const std::uint64_t pair : broad_pairs_) {
    const auto i = static_cast<std::int32_t>(pair >> 32);
    const auto j = static_cast<std::int32_t>(pair & 0xFFFFFFFFu);
    if (properties == nullptr ||
        properties->PairEnabled(static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(j)) == 0) {
      continue;
    }
    // The same for every pair within one detection: asked once.
    if (!displacement_known) {
      displacement = world_.MaxStepDisplacement();
      displacement_known = true;
    }
    if (displacement > maximum_penetration) {
      TooDeep = true;
      return false;
    }
    SearchPair(i, j);
    if (TooDeep) return false;
  }

  if (Contacts->Count() > 0) {
    // The solvers take each contact's Jacobian rows, bias and coefficients from the contact itself,
    // group by group: the list-wide matrices would cost the square of the contacts every step.
    Contacts->Prepared = true;
    if (!Classify(false)) return false;
  }
  return true;
}

// Up to this many bodies the broad phase tries every pair: sorting them would cost more than it saves.
constexpr std::int32_t kDirectPairsUpToBodies = 4;

void TCollisions::BroadPhase(std::vector<std::uint64_t>& pairs) {
  pairs.clear();
  const TBodyList& list = world_.Bodies();
  const auto bodies = static_cast<std::int32_t>(root_boxes_.size());
  const auto add = [&](std::int32_t a, std::int32_t b) {
    // A body without a shape has no box (its key may still reach the end of an unbounded box).
    if (!list.Items(b).HasShape || !Overlap(root_boxes_[a], root_boxes_[b])) return;
    const std::int32_t i = std::min(a, b), j = std::max(a, b);
    pairs.push_back((static_cast<std::uint64_t>(i) << 32) | static_cast<std::uint32_t>(j));
  };
  // A few bodies are paired directly, i < j in body order.
  if (bodies <= kDirectPairsUpToBodies) {
    for (std::int32_t i = 0; i + 1 < bodies; ++i) {
      if (!list.Items(i).HasShape) continue;
      for (std::int32_t j = i + 1; j < bodies; ++j) add(i, j);
    }
    return;
  }
  // Sweep along x: with the boxes ordered by their lower x bound, the boxes that a box can overlap
  // follow it up to the first one that starts beyond its upper bound (and the gap). The order of the
  // last detection is sorted again by insertion: bodies rarely pass each other within a step. Bodies
  // without a shape sort last and pair with nothing; a box with a NaN bound (whose comparisons all fail,
  // so that it overlaps every box) is tried with every body.
  const auto key = [&](std::int32_t b) {
    if (!list.Items(b).HasShape) return std::numeric_limits<long double>::infinity();
    if (root_boxes_[b].HasNaN()) return -std::numeric_limits<long double>::infinity();
    return root_boxes_[b].lo_x;
  };
  if (sweep_order_.size() != root_boxes_.size()) {
    sweep_order_.resize(root_boxes_.size());
    for (std::int32_t b = 0; b < bodies; ++b) sweep_order_[b] = b;
  }
  sweep_keys_.resize(sweep_order_.size());
  for (std::size_t p = 0; p < sweep_order_.size(); ++p) sweep_keys_[p] = key(sweep_order_[p]);
  for (std::size_t p = 1; p < sweep_order_.size(); ++p) {
    const std::int32_t body = sweep_order_[p];
    const long double k = sweep_keys_[p];
    std::size_t q = p;
    for (; q > 0 && k < sweep_keys_[q - 1]; --q) {
      sweep_order_[q] = sweep_order_[q - 1];
      sweep_keys_[q] = sweep_keys_[q - 1];
    }
    sweep_order_[q] = body;
    sweep_keys_[q] = k;
  }
  const long double gap = kContactOutsideTolerance;
  for (std::size_t p = 0; p < sweep_order_.size(); ++p) {
    const std::int32_t a = sweep_order_[p];
    if (!list.Items(a).HasShape) break;
    if (root_boxes_[a].HasNaN()) {
      for (std::int32_t b = 0; b < bodies; ++b) {
        if (b != a && (!root_boxes_[b].HasNaN() || b > a)) add(a, b);
      }
      continue;
    }
    const long double limit = root_boxes_[a].hi_x + gap;
    for (std::size_t q = p + 1; q < sweep_order_.size() && sweep_keys_[q] <= limit; ++q) add(a, sweep_order_[q]);
  }
  std::sort(pairs.begin(), pairs.end());
}

template <typename Visit>
void TCollisions::VisitSearchInputs(std::int32_t i, std::int32_t j, Visit&& visit) const {
  for (const std::int32_t b : {i, j}) {
    const TBody& body = world_.Bodies().Items(b);
    const TExtrusionSolid& solid = body.Solid;
    // The outline by its points (its corner angles and box tree follow from them and the skin width):
    // a model loaded anew may hold another outline in the same storage.
    const TFloatList& x = solid.Shape.X;
    const TFloatList& y = solid.Shape.Y;
    const long double place[] = {PositionX(body),
                                 PositionY(body),
                                 solid.CosRz,
                                 solid.SinRz,
                                 static_cast<long double>(solid.Quadrant),
                                 body.SkinThickness,
                                 static_cast<long double>(x.Count()),
                                 static_cast<long double>(y.Count())};
    if (!visit(place, std::size(place)) || !visit(x.Data(), x.Count()) || !visit(y.Data(), y.Count())) return;
  }
  const long double pair[] = {static_cast<long double>(ResistingMode(i, j)), world_.Settings().MaximumPenetration};
  visit(pair, std::size(pair));
}

void TCollisions::SearchKey(std::int32_t i, std::int32_t j, std::vector<long double>& key) const {
  key.clear();
  VisitSearchInputs(i, j, [&key](const long double* values, std::size_t count) {
    key.insert(key.end(), values, values + count);
    return true;
  });
}

bool TCollisions::SameSearchKey(std::int32_t i, std::int32_t j, const std::vector<long double>& key) const {
  std::size_t at = 0;
  bool same = true;
  VisitSearchInputs(i, j, [&](const long double* values, std::size_t count) {
    same = at + count <= key.size() && SameBits(key.data() + at, values, count);
    at += count;
    return same;
  });
  return same && at == key.size();
}

void TCollisions::SearchPair(std::int32_t i, std::int32_t j) {
  const std::uint64_t pair = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(i)) << 32) |
                             static_cast<std::uint32_t>(j);
  TPairSearch& search = searches_[pair];
  // Compared where the inputs lie: a body at rest costs no copy of its outline.
  if (search.valid && SameSearchKey(i, j, search.key)) {
    for (const TFoundContact& c : search.found) AddContact(c.e, c.k, c.v, c.m, c.cx, c.cy, c.tx, c.ty, c.t);
    return;
  }
  SearchKey(i, j, search.key);
  search.found.clear();
  recording_ = &search;
  NarrowPhase(i, j);
  recording_ = nullptr;
  // A search cut short by a too deep contact is not the whole search of these inputs.
  search.valid = !TooDeep;
}

void TCollisions::NarrowPhase(std::int32_t i, std::int32_t j) {
  // Right after the broad phase passed the pair: both bodies have a shape, their rotation records are
  // those of this detection, and their root boxes are placed already.
  TBody& a = world_.Bodies().Items(i);
  TBody& b = world_.Bodies().Items(j);
  Descend(a.Solid.BoxTree, root_boxes_[i], b.Solid.BoxTree, root_boxes_[j], a, b, i, j);
}

void TCollisions::Descend(const TBoundingBoxTree& a, const TPlacedBox& placed_a, const TBoundingBoxTree& b,
                          const TPlacedBox& placed_b, TBody& body_i, TBody& body_j, std::int32_t i,
                          std::int32_t j) {
  if (TooDeep) return;
  if (!Overlap(placed_a, placed_b)) return;
  const bool a_split = a.Count() == 2;
  const bool b_split = b.Count() == 2;
  // Each child's box is turned and placed once for the pairs it is in.
  const auto place = [](const TBoundingBoxTree& node, const TBody& body) {
    return Placed(Turned(node.Box, body.Solid), body);
  };
  if (a_split && b_split) {
    const TPlacedBox a0 = place(a.Items(0), body_i), a1 = place(a.Items(1), body_i);
    const TPlacedBox b0 = place(b.Items(0), body_j), b1 = place(b.Items(1), body_j);
    Descend(a.Items(0), a0, b.Items(0), b0, body_i, body_j, i, j);
    Descend(a.Items(0), a0, b.Items(1), b1, body_i, body_j, i, j);
    Descend(a.Items(1), a1, b.Items(0), b0, body_i, body_j, i, j);
    Descend(a.Items(1), a1, b.Items(1), b1, body_i, body_j, i, j);
  } else if (a_split) {
    Descend(a.Items(0), place(a.Items(0), body_i), b, placed_b, body_i, body_j, i, j);
    Descend(a.Items(1), place(a.Items(1), body_i), b, placed_b, body_i, body_j, i, j);
  } else if (b_split) {
    Descend(a, placed_a, b.Items(0), place(b.Items(0), body_j), body_i, body_j, i, j);
    Descend(a, placed_a, b.Items(1), place(b.Items(1), body_j), body_i, body_j, i, j);
  } else {
    LeafPair(a, placed_a, b, placed_b, i, j);
  }
}

std::int32_t TCollisions::ResistingMode(std::int32_t i, std::int32_t j) const {
  const TContactProperties* properties = world_.ContactProperties();
  std::uint32_t k = 0;
  if (properties != nullptr &&
      properties->PairIndex(static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(j), k) &&
      k < properties->ResistingPenetration.size()) {
    return properties->ResistingPenetration[k];
  }
  return kBothResist;
}

void TCollisions::LeafPair(const TBoundingBoxTree& a, const TPlacedBox& placed_a, const TBoundingBoxTree& b,
                           const TPlacedBox& placed_b, std::int32_t i, std::int32_t j) {
  const std::int32_t mode = ResistingMode(i, j);
  if (LowerBodyResists(mode)) EdgesAgainstVertices(a, placed_a, i, b, j);
  if (HigherBodyResists(mode)) EdgesAgainstVertices(b, placed_b, j, a, i);
}

void TCollisions::EdgesAgainstVertices(const TBoundingBoxTree& edges, const TPlacedBox& placed_edges,
                                       std::int32_t e, const TBoundingBoxTree& vertices, std::int32_t v) {
  const TBody& edge_body = world_.Bodies().Items(e);
  const TBody& vertex_body = world_.Bodies().Items(v);
  const std::uint32_t edge_points = edge_body.Solid.Shape.Count();
  const std::uint32_t vertex_points = vertex_body.Solid.Shape.Count();
  if (edges.Last >= edge_points || vertices.Last >= vertex_points) return;

  // The vertices of the range in the world, and of them those that lie in the edge leaf's box (bounds
  // included, widened as the side test is): the box is the same for every edge of the leaf, so a vertex
  // outside it is no contact with any of them, and nothing else is computed for it.
  const TPlacedBox& box = placed_edges;
  const long double gap = kContactOutsideTolerance;
  std::vector<TLeafVertex>& inside = leaf_vertices_;
  inside.clear();
  for (std::uint32_t m = vertices.First; m < vertices.Last; ++m) {
    long double qx = 0, qy = 0;
    OutlinePointInWorldCached(vertex_body, m, qx, qy);
    if (qx < box.lo_x - gap || qx > box.hi_x + gap || qy < box.lo_y - gap || qy > box.hi_y + gap) continue;
    inside.push_back({m, qx, qy});
  }
  if (inside.empty()) return;

  std::uint32_t start = vertices.First;
  // Edges from the leaf's last one down; the vertex loop of each lower edge starts at the vertex of the
  // latest contact.
  for (std::int64_t k = static_cast<std::int64_t>(edges.Last) - 1;
       k >= static_cast<std::int64_t>(edges.First); --k) {
    const auto edge = static_cast<std::uint32_t>(k);
    long double p0x = 0, p0y = 0, p1x = 0, p1y = 0;
    OutlinePointInWorldCached(edge_body, edge, p0x, p0y);
    OutlinePointInWorldCached(edge_body, edge + 1, p1x, p1y);
    // An edge between two equal points has no direction: it cannot be touched.
    if (p0x == p1x && p0y == p1y) continue;
    for (const TLeafVertex& q : inside) {
      if (q.m < start) continue;
      if (TestVertexEdge(edge_body, e, edge, p0x, p0y, p1x, p1y, v, q.m, q.x, q.y)) start = q.m;
    }
  }
}

bool TCollisions::TestVertexEdge(const TBody& edge_body, std::int32_t e, std::uint32_t k, long double p0x,
                                 long double p0y, long double p1x, long double p1y, std::int32_t v,
                                 std::uint32_t m, long double qx, long double qy) {
  const long double ux = p1x - p0x, uy = p1y - p0y;
  const long double d01_2 = ux * ux + uy * uy;
  if (d01_2 == 0) return false;
  const long double d01 = std::sqrt(d01_2);

  // A vertex on an end point belongs to both edges that meet there, whatever the corner angles say; within
  // round-off of it (a corner of one body set down on a corner of another) those angles say nothing.
  const long double near = kContactOutsideTolerance;
  const bool at_end = (std::fabs(qx - p0x) <= near && std::fabs(qy - p0y) <= near) ||
                      (std::fabs(qx - p1x) <= near && std::fabs(qy - p1y) <= near);
  if (!at_end) {
    // Side: on the left of the directed edge (inside the edge body) or on its line, seen from both ends.
    // A corner resting on the edge comes out of the rotation a hair outside as often as inside; taken
    // for on the line it stays a contact instead of falling free for a step and striking again.
    const long double c0 = ux * (qy - p0y) - uy * (qx - p0x);
    const long double c1 = ux * (qy - p1y) - uy * (qx - p1x);
    const long double slack = kContactOutsideTolerance * d01;
    if (c0 < -slack || c1 < -slack) return false;

    // Depth below the edge's line: h^2 = d1Q^2 - (d1Q^2 + d01^2 - d0Q^2)^2 / (4 d01^2). For a vertex on
    // the line round-off may leave the radicand just below 0; it is 0 there.
    const long double d0q_2 = (qx - p0x) * (qx - p0x) + (qy - p0y) * (qy - p0y);
    const long double d1q_2 = (qx - p1x) * (qx - p1x) + (qy - p1y) * (qy - p1y);
    const long double projection = d1q_2 + d01_2 - d0q_2;
    const long double radicand = std::max(0.0L, d1q_2 - projection * projection / (4 * d01_2));
    if (!(std::sqrt(radicand) <= edge_body.SkinThickness)) return false;

    // Corner wedges: the vertex belongs to this edge only within half the corner angle at each end; on
    // the bisector of a corner it belongs to the edge that starts there.
    const long double d0q = std::sqrt(d0q_2);
    const long double d1q = std::sqrt(d1q_2);
    // Distances that underflow to 0 put the vertex on an end point.
    if (d0q != 0 && d1q != 0) {
      const TFloatList& angles = edge_body.Solid.Shape.VertexAngle;
      const std::uint32_t points = angles.Count();
      if (k >= points) return false;
      std::uint32_t next = k + 1;
      if (next >= points) next = next - points + 1;  // past the closing point comes point 1
      const TFloatList& half_cos = edge_body.Solid.Shape.HalfAngleCos;
      if (!WithinCorner(d0q_2 + d01_2 - d1q_2, d01, d0q, angles.Data()[k] / 2, half_cos.Data()[k], false) ||
          !WithinCorner(d1q_2 + d01_2 - d0q_2, d01, d1q, angles.Data()[next] / 2, half_cos.Data()[next], true)) {
        return false;
      }
    }
  }

  if (!AddEdgeContact(edge_body, e, k, p0x, p0y, ux, uy, d01, v, m, qx, qy)) return false;
  if (!at_end) HoldAtCorner(edge_body, e, k, p0x, p0y, p1x, p1y, d01, v, m, qx, qy);
  return true;
}

bool TCollisions::AddEdgeContact(const TBody& edge_body, std::int32_t e, std::uint32_t k, long double p0x,
                                 long double p0y, long double ux, long double uy, long double d01,
                                 std::int32_t v, std::uint32_t m, long double qx, long double qy) {
  const long double t = (ux * (qx - p0x) + uy * (qy - p0y)) / d01 / d01;
  const TFloatList& x = edge_body.Solid.Shape.X;
  const TFloatList& y = edge_body.Solid.Shape.Y;
  const long double cx = x.Data()[k] + t * (x.Data()[k + 1] - x.Data()[k]);
  const long double cy = y.Data()[k] + t * (y.Data()[k + 1] - y.Data()[k]);
  return AddContact(e, k, v, m, cx, cy, ux / d01, uy / d01, t);
}

// The region test gives a vertex inside another outline to the edge it lies least deep behind. At a
// corner that is the wrong edge when the vertex's own outline runs on from it along the corner's other
// edge, into the body: two boxes exactly above each other, sinking into each other, put each bottom
// corner of the upper box on the line of a side of the lower one, depth 0 behind it, and the side's
// normal is horizontal: nothing holds the fall, and no contact ever measures how far the boxes have sunk.
// Such a vertex also gets the contact with that other edge, whose normal holds it, at whatever depth it
// lies behind it; deeper than maximumPenetration, the step is refused like any other over-penetration.
// A vertex whose outline runs along the side or away from the body (a box beside the other, sliding
// down past its corner) keeps the one contact the rule gives, and so does a vertex at a corner wider
// than kHoldingCornerAngle. The vertex's own edges decide rather than its velocity: at rest the
// relative velocity is round-off, and a box sliding down past the corner approaches the top edge's
// line just as a box sinking into it does.
void TCollisions::HoldAtCorner(const TBody& edge_body, std::int32_t e, std::uint32_t k, long double p0x,
                               long double p0y, long double p1x, long double p1y, long double d01,
                               std::int32_t v, std::uint32_t m, long double qx, long double qy) {
  const TExtrusionShape& shape = edge_body.Solid.Shape;
  const std::uint32_t points = shape.Count();
  if (points < 4 || k + 1 >= points) return;
  // The corner p at the end of edge k nearer the vertex, the edge j that meets edge k there, and c, the
  // other end of edge j.
  const long double ux = p1x - p0x, uy = p1y - p0y;
  const bool at_start = ux * (qx - p0x) + uy * (qy - p0y) < d01 * d01 / 2;
  const std::uint32_t corner = at_start ? k : k + 1;
  if (!(shape.VertexAngle.At(corner) <= kHoldingCornerAngle)) return;
  const std::uint32_t j = at_start ? (k == 0 ? points - 2 : k - 1) : (k + 1 == points - 1 ? 0 : k + 1);
  long double cx = 0, cy = 0;
  OutlinePointInWorldCached(edge_body, at_start ? j : j + 1, cx, cy);
  const long double px = at_start ? p0x : p1x, py = at_start ? p0y : p1y;
  // From the corner: along edge j (c), and along edge k (f, of length d01).
  const long double cxd = cx - px, cyd = cy - py;
  const long double length = std::sqrt(cxd * cxd + cyd * cyd);
  if (!(length > 0)) return;
  const long double fx = at_start ? ux : -ux, fy = at_start ? uy : -uy;

  // One of the vertex's two edges runs from it closer to edge j than to either way along edge k.
  const TBody& vertex_body = world_.Bodies().Items(v);
  const TExtrusionShape& outline = vertex_body.Solid.Shape;
  const std::uint32_t vertex_points = outline.Count();
  if (vertex_points < 3 || m + 1 >= vertex_points) return;
  const long double c = vertex_body.Solid.CosRz, s = vertex_body.Solid.SinRz;
  const long double* x = outline.X.Data();
  const long double* y = outline.Y.Data();
  bool along = false;
  for (const std::uint32_t n : {m == 0 ? vertex_points - 2 : m - 1, m + 1}) {
    const long double bx = x[n] - x[m], by = y[n] - y[m];
    const long double dx = c * bx - s * by, dy = s * bx + c * by;
    along = along || (dx * cxd + dy * cyd) * d01 > std::fabs(dx * fx + dy * fy) * length;
  }
  if (!along) return;

  // The vertex lies behind edge j (from a along (jx, jy)) deeper than behind edge k; within round-off of
  // the bisector the region test of edge j decides.
  const long double ax = at_start ? cx : px, ay = at_start ? cy : py;
  const long double jx = at_start ? px - cx : cx - px, jy = at_start ? py - cy : cy - py;
  const long double behind_j = (jx * (qy - ay) - jy * (qx - ax)) / length;
  const long double behind_k = (ux * (qy - p0y) - uy * (qx - p0x)) / d01;
  if (!(behind_j > behind_k + kContactOutsideTolerance)) return;
  AddEdgeContact(edge_body, e, j, ax, ay, jx, jy, length, v, m, qx, qy);
}

bool TCollisions::AddContact(std::int32_t e, std::uint32_t k, std::int32_t v, std::uint32_t m, long double cx,
                             long double cy, long double tx, long double ty, long double t) {
  if (recording_ != nullptr) recording_->found.push_back({e, k, v, m, cx, cy, tx, ty, t});
  TContact& contact =
      Contacts->AddNew(world_.Bodies(), world_.State().Evaluated.Count(), world_.ContactProperties());
  contact.Set(e, static_cast<std::int32_t>(k), v, static_cast<std::int32_t>(m), cx, cy, tx, ty, t);
  if (contact.Kinematics.Position.Normal.Get() + world_.Settings().MaximumPenetration < 0) {
    if (ShowOverPenetratingPoints) {
      DrawOverPenetration(contact);
      if (BreakAtCollisions) world_.StopRun();
    }
    Contacts->RemoveLast();
    TooDeep = true;
    return false;
  }
  return true;
}

void TCollisions::DrawOverPenetration(const TContact& contact) {
  TContactPointList* list = world_.ContactPointList();
  if (list == nullptr) return;
  const TBodyList& bodies = world_.Bodies();
  const TBody& edge = bodies.Items(contact.EdgeBody);
  const TBody& vertex = bodies.Items(contact.VertexBody);
  long double x = 0, y = 0;
  OutlinePointInWorldCached(edge, static_cast<std::uint32_t>(contact.EdgeIndex), x, y);
  list->Points.push_back({static_cast<float>(x), static_cast<float>(y), 0});
  OutlinePointInWorldCached(edge, static_cast<std::uint32_t>(contact.EdgeIndex) + 1, x, y);
  list->Points.push_back({static_cast<float>(x), static_cast<float>(y), 0});
  OutlinePointInWorldCached(vertex, static_cast<std::uint32_t>(contact.VertexIndex), x, y);
  list->Points.push_back({static_cast<float>(x), static_cast<float>(y), 0});
  list->Visible = true;
}

void TCollisions::ShowContacts() {
  TContactPointList* list = world_.ContactPointList();
  if (list == nullptr || Contacts == nullptr) return;
  const TBodyList& bodies = world_.Bodies();
  for (std::int32_t i = 0; i < Contacts->Count(); ++i) {
    const TContact& contact = Contacts->Items(i);
    const TBody& vertex = bodies.Items(contact.VertexBody);
    if (!vertex.HasShape) continue;
    long double x = 0, y = 0;
    OutlinePointInWorldCached(vertex, static_cast<std::uint32_t>(contact.VertexIndex), x, y);
    list->Points.push_back({static_cast<float>(x), static_cast<float>(y), 0});
  }
  list->Visible = true;
}

void TCollisions::ClearContacts() {
  // The subsets point into Contacts: they go first.
  StickingContacts.reset();
  SlidingContacts.reset();
  RestingContacts.reset();
  Contacts.reset();
  resting_position_.clear();
  searches_.clear();
  if (TContactPointList* list = world_.ContactPointList()) list->Clear();
}

void TCollisions::EmptyContactLists() {
  // The lists of the previous detection are emptied rather than freed and made anew: their matrices then
  // keep their storage from step to step while the number of contacts stays.
  if (Contacts == nullptr) {
    ClearContacts();
    Contacts = std::make_unique<TContactPoints>(true);
    RestingContacts = std::make_unique<TContactPoints>(false);
    SlidingContacts = std::make_unique<TContactPoints>(false);
    StickingContacts = std::make_unique<TContactPoints>(false);
    return;
  }
  // The subsets point into Contacts: they go first.
  for (TContactPoints* list : {StickingContacts.get(), SlidingContacts.get(), RestingContacts.get()}) {
    if (list != nullptr) list->Clear();
  }
  Contacts->Clear();
  resting_position_.clear();
  if (TContactPointList* list = world_.ContactPointList()) list->Clear();
}

void TCollisions::SetCoordinateCount(std::uint32_t n) {
  CoordinateValues.Dim(n);
  CoordinateValues.Zero();
}

bool TCollisions::Classify(bool Retry) {
  ClassifyByVelocity(Retry);
  PrepareContactLists();
  return true;
}

void TCollisions::ClassifyByVelocity(bool Retry) {
  long double tol = world_.Settings().ZeroVelocityTolerance;
  if (tol < kContactVelocityToleranceFloor) tol = kContactVelocityToleranceFloor;
  if (Retry) tol *= kContactRetryToleranceFactor;
  const long double dt = world_.State().TimeStep;
  FreeAcceleration(free_acceleration_);
  free_acceleration_finite_ =
      AllFinite(free_acceleration_.data(), static_cast<std::uint32_t>(free_acceleration_.size()));

  HasImpacts = false;
  HasRestingContacts = false;
  if (Contacts == nullptr) Contacts = std::make_unique<TContactPoints>(true);
  // Every classification sorts afresh: a retry must not add the resting contacts a second time.
  for (std::unique_ptr<TContactPoints>* subset : {&RestingContacts, &SlidingContacts, &StickingContacts}) {
    if (*subset == nullptr) {
      *subset = std::make_unique<TContactPoints>(false);
    } else {
      (*subset)->Clear();
    }
  }

  for (std::int32_t i = 0; i < Contacts->Count(); ++i) {
    TContact& contact = Contacts->Items(i);
    contact.ListIndex = i;
    const long double vn = contact.Kinematics.Velocity.Normal.Get();
    const long double vt = contact.Kinematics.Velocity.Tangent.Get();
    // One step of the free motion changes the normal velocity by dt a_N, a_N the relative normal
    // acceleration without contact forces. A contact slower than twice that is one the resting forces
    // can hold within a step: it rests, whatever tolerance the model gives, instead of taking an impact
    // every step (and friction can stop a tangential speed of mu times that within a step: it sticks).
    const long double held = std::max(tol, 2 * dt * FreeNormalAcceleration(contact));
    const long double held_tangential = std::max(tol, contact.Friction * held);
    if (!Retry && vn <= -held) HasImpacts = true;
    if (std::fabs(vn) <= held) {
      HasRestingContacts = true;
      RestingContacts->Add(contact);
      if (std::fabs(vt) <= held_tangential) {
        StickingContacts->Add(contact);
      } else {
        SlidingContacts->Add(contact);
      }
    }
  }
}

void TCollisions::FreeAcceleration(std::vector<long double>& acceleration) {
  const std::uint32_t n = world_.State().Evaluated.Count();
  const TSqrMatrix& minv = world_.InverseMassMatrix();
  const TFloatList& h = world_.GeneralizedForces();
  acceleration.assign(n, 0.0L);
  // A model without forces or inverse yet (tests that classify by hand) has none.
  if (minv.RowCount() != n || minv.ColCount() != n || h.Count() != n) return;
  // A world that keeps no pattern of M^-1 would have it found anew at every detection, for a product
  // that a few coordinates take whole anyway.
  if (n <= kDenseFreeAccelerationUpTo && world_.InverseMassPattern() == nullptr) {
    for (std::uint32_t i = 0; i < n; ++i) {
      const long double* row = minv.RowData(i);
      long double sum = 0;
      for (std::uint32_t c = 0; c < n; ++c) sum += row[c] * h.Data()[c];
      acceleration[i] = sum;
    }
    return;
  }
  MultiplyRows(minv, InversePattern(minv), h.Data(), n, acceleration.data(), 1);
}

long double TCollisions::FreeNormalAcceleration(const TContact& contact) const {
  const TFloatList& jacobian = contact.Jacobian.Normal;
  const std::size_t n = std::min<std::size_t>(jacobian.Count(), free_acceleration_.size());
  long double a = contact.Bias.Normal.Get();
  // The columns no body of the contact touched are 0, and add nothing but the sign of a zero sum while
  // the accelerations are finite: a few are summed whole, more only where touched.
  if (free_acceleration_finite_ && n > kDenseFreeAccelerationUpTo) {
    for (const std::uint32_t j : contact.TouchedCoordinates()) {
      if (j >= n) break;
      a += jacobian.Data()[j] * free_acceleration_[j];
    }
  } else {
    for (std::size_t j = 0; j < n; ++j) a += jacobian.Data()[j] * free_acceleration_[j];
  }
  // Each side's own acceleration counts: a box on a box on the floor sees its own fall, though in free
  // motion both boxes fall together and their relative acceleration is 0. The floor holds the lower box,
  // so the upper one closes on it at g dt every step.
  long double edge = 0, vertex = 0;
  contact.NormalAccelerationParts(free_acceleration_.data(), static_cast<std::uint32_t>(n), edge, vertex,
                                  !free_acceleration_finite_);
  return std::max(std::fabs(a), std::fabs(edge) + std::fabs(vertex));
}

void TCollisions::PrepareContactLists() {
  const std::int32_t m = RestingContacts->Count();
  resting_position_.assign(static_cast<std::size_t>(Contacts->Count()), -1);
  for (std::int32_t r = 0; r < m; ++r) {
    resting_position_.at(static_cast<std::size_t>(RestingContacts->Items(r).ListIndex)) = r;
  }
  for (TContactPoints* list : {RestingContacts.get(), StickingContacts.get(), SlidingContacts.get()}) {
    list->Prepared = list->Count() > 0;
  }
}

std::int32_t TCollisions::RestingPosition(const TContact& contact) const {
  return resting_position_.at(static_cast<std::size_t>(contact.ListIndex));
}

}  // namespace zentrova
