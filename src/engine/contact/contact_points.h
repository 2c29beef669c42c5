// Contacts between an outline edge of one body (the edge body) and an outline point of another (the
// vertex body), and the lists that assemble them into the matrices of the contact solvers.
//
// Directions of a contact: the unit tangent T = (Tx, Ty) runs along the edge from point k to point k+1
// in world coordinates; the normal N = (-Ty, Tx) is T turned by +90 degrees, to the left of the edge and
// so into the edge body (outlines run counter-clockwise). A world vector d has the normal component
// N.d = Tx dy - Ty dx and the tangential component T.d = Tx dx + Ty dy.
//
// Relative quantities are those of the edge body's contact point minus those of the vertex: the normal
// position is negative while the vertex lies inside the edge body, a negative normal velocity approaches
// and a positive one separates.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/record/contact_watches.h"
#include "engine/model/coordinates.h"
#include "engine/contact/normal_tangent.h"
#include "numerics/float_list.h"
#include "numerics/matrix.h"

namespace zentrova {

class TBody;
class TBodyList;
class TContactProperties;

class TContact {
 public:
  // The contact reads the bodies, has Jacobian rows over n generalized coordinates, and takes its
  // coefficients from `properties` (none: every coefficient 0). Bodies and properties outlive it.
  TContact(const TBodyList& bodies, std::uint32_t n, TContactProperties* properties = nullptr);
  TContact(const TContact&) = delete;
  TContact& operator=(const TContact&) = delete;

  // Stores the values, then computes in this order the relative position (its tangential part then set
  // to 0), velocity and acceleration, the Jacobian rows, the bias terms and the coefficients. Kinematic
  // quantities are computed only when both bodies have a shape. Always true.
  bool Set(std::int32_t EdgeBody, std::int32_t EdgeIndex, std::int32_t VertexBody, std::int32_t VertexIndex,
           long double ContactPointX, long double ContactPointY, long double TangentX, long double TangentY,
           long double EdgeParameter);

  // Back to the state of a contact just made, its Jacobian storage kept.
  void Reset();

  // The free normal acceleration of each side under the generalized accelerations qdd (n values): the
  // edge body's touching point's and the vertex's, each along N, signed as in the relative acceleration
  // (edge + vertex = Jacobian.Normal . qdd + Bias.Normal).
  // The columns the bodies did not touch are 0 and are left out, unless `every_column` (a q'' that is
  // not finite: 0 x NaN is NaN).
  void NormalAccelerationParts(const long double* qdd, std::uint32_t n, long double& edge, long double& vertex,
                               bool every_column = false) const;

  // The generalized coordinates whose columns of the Jacobian rows the bodies' links touched, ascending:
  // every other column is +0.
  const std::vector<std::uint32_t>& TouchedCoordinates() const { return touched_; }

  // What the contact hands to the contact watches.
  TWatchedContact Watched() const;

  const TBodyList& Bodies() const { return bodies_; }
  TContactProperties* Properties() const { return properties_; }
  std::uint32_t CoordinateCount() const { return n_; }

  std::int32_t EdgeBody = 0;
  std::int32_t EdgeIndex = 0;     // k: the edge runs from outline point k to point k+1
  long double EdgeParameter = 0;  // t: 0 at point k, 1 at point k+1, not clamped
  TCoordinates ContactPoint;      // x, y on the edge in the edge body's outline coordinates (m)
  TCoordinates Tangent;           // x, y of the unit tangent in world coordinates
  std::int32_t VertexBody = 0;
  std::int32_t VertexIndex = 0;
  TNormalTangentFloatList Jacobian;  // n values each: vN = Jacobian.Normal . q', vT = Jacobian.Tangent . q'
  TCoordinatesNormal Bias;           // relative acceleration that does not depend on q'' (m/s^2)
  TKinematicsNormal Kinematics;      // relative position (m), velocity (m/s), acceleration (m/s^2)
  TCoordinatesNormal Force;          // resting contact force (N)
  TCoordinatesNormal Impulse;        // impact impulse (N s)
  TCoordinate Work;                  // of the last impact or resting step (J)
  std::int32_t ListIndex = 0;        // index in the detection's list of all contacts
  long double Friction = 0;
  long double RestitutionNormal = 0;
  long double RestitutionTangent = 0;
  long double ParameterNi = 0;

 private:
  void ComputeKinematics(const TBody& edge, const TBody& vertex);
  void ComputeJacobians(const TBody& edge, const TBody& vertex);
  void ComputeCoefficients();
  // The touched columns of the Jacobian rows and of the work rows back to +0; none touched.
  void ClearTouched();

  const TBodyList& bodies_;
  std::uint32_t n_;
  TContactProperties* properties_;
  // The lever arms R.(x, y) from each body's origin to its touching point, in world coordinates.
  long double re_x_ = 0, re_y_ = 0, rv_x_ = 0, rv_y_ = 0;
  // The relative velocity's x and y rows over q' while the Jacobian is built, kept for the next use
  // (+0 outside the touched columns).
  std::vector<long double> jx_, jy_;
  // The edge body's share of Jacobian.Normal (+0 outside the touched columns) and of Bias.Normal.
  std::vector<long double> edge_normal_;
  std::vector<std::uint32_t> touched_;
  long double edge_bias_normal_ = 0;
};

// A list of contacts, owning them (the detection's list of all contacts) or only pointing at them (the
// resting, sticking and sliding subsets).
class TContactPoints {
 public:
  explicit TContactPoints(bool OwnsObjects = true);
  TContactPoints(const TContactPoints&) = delete;
  TContactPoints& operator=(const TContactPoints&) = delete;
  ~TContactPoints();

  std::int32_t Count() const { return static_cast<std::int32_t>(items_.size()); }
  TContact& Items(std::int32_t index) { return *items_.at(static_cast<std::size_t>(index)); }
  const TContact& Items(std::int32_t index) const { return *items_.at(static_cast<std::size_t>(index)); }
  bool OwnsObjects() const { return owns_; }
  // An owning list takes the contact over; a list that does not own keeps a pointer to it.
  void Add(std::unique_ptr<TContact> contact);
  void Add(TContact& contact);
  // An owning list's new contact, as freshly made for these bodies, coordinates and properties: one the
  // list held before when it kept one (detection makes the same contacts step after step).
  TContact& AddNew(const TBodyList& bodies, std::uint32_t n, TContactProperties* properties);
  // Removes the last contact; an owning list frees it.
  void RemoveLast();
  // Removes every contact (an owning list keeps them for AddNew) and clears Prepared.
  void Clear();

  bool Prepared = false;  // the contents are classified and ready for the solvers

 private:
  bool owns_;
  std::vector<std::unique_ptr<TContact>> owned_;
  std::vector<std::unique_ptr<TContact>> spare_;
  std::vector<TContact*> items_;
};

}  // namespace zentrova
