// Collision detection between the extruded outlines of the bodies, classification of the contacts found,
// and their solution: impacts (velocity jumps) and resting contact forces, each as a linear
// complementarity problem.
//
// Once per computed step the driver calls Detect. It finds every corner (outline point) of one body that
// has entered the skin just inside an edge of another body, descending the bodies' bounding-box trees
// pair by pair, and refuses the step (TooDeep) when a body may move further in one step than the
// world's maximumPenetration or a corner lies deeper than that. The contacts are then sorted by their
// relative velocity: approaching (an impact), resting (sticking or sliding) or separating. The driver's
// contact step solves the impacts (SolveImpacts), then the resting contact forces (SolveContactForces),
// then takes an Euler step with those forces.
#pragma once

#include <atomic>
#include <cmath>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "engine/contact/contact_points.h"
#include "engine/contact/dense_matrix.h"
#include "engine/contact/linear_complementarity.h"
#include "engine/log_sink.h"
#include "engine/model/world_settings.h"
#include "engine/world_view.h"
#include "numerics/float_list.h"
#include "numerics/nonzero_pattern.h"

namespace zentrova {

class TBody;
class TBodyList;
class TBoundingBoxTree;
class TContactProperties;
class TNonZeroPattern;
class TSqrMatrix;
struct TBoundingBox;
struct TStepState;
struct TWorldSettings;

// What detection and the contact solvers read and write of a model. The driver provides it from its
// world; tests fake it from bodies, settings and a state of their own.
class ICollisionWorld {
 public:
  virtual ~ICollisionWorld() = default;
  // The bodies in body order.
  virtual TBodyList& Bodies() = 0;
  // maximumPenetration and ZeroVelocityTolerance.
  virtual const TWorldSettings& Settings() = 0;
  // The LCP tolerances and alert flags, read once per solve: they may change while a run steps.
  virtual TLCPSettings LCPSettings() = 0;
  // The working state: n, the time and time step, q' (an impact adds its jump) and the generalized
  // contact forces (n, zeroed by the contact step; the resting solver adds to them).
  virtual TStepState& State() = 0;
  // The pairs that can touch and their coefficients; nullptr while there are none (no pair is tested).
  virtual TContactProperties* ContactProperties() = 0;
  // The largest displacement of a collidable body within the current time step (m).
  virtual long double MaxStepDisplacement() = 0;
  // M^-1 (n x n) at the working state.
  virtual const TSqrMatrix& InverseMassMatrix() = 0;
  // Where M^-1 is not zero, when the world keeps that with M^-1; nullptr: detection finds it itself, at
  // the cost of every element each time it asks.
  virtual const TNonZeroPattern* InverseMassPattern() { return nullptr; }
  // h: the values of the generalized force vector at the working state (n).
  virtual const TFloatList& GeneralizedForces() = 0;
  // Ends the run after the current step (clears the simulation thread's running flag). A world without
  // a run ignores it.
  virtual void StopRun() {}
  // Where contacts and over-penetrations are drawn (the view shows the list); nullptr: nothing is drawn.
  virtual TContactPointList* ContactPointList() { return nullptr; }
  // Where detection and the solvers log; the program's log unless the world was given a sink.
  virtual ILogSink& Log() { return ProgramLog(); }
};

// When a group's resting problem tries the basis of its last solution before the pivoting: at every solve
// while that succeeds; after a failure (the bodies still move, and a failed try costs about what the
// pivoting does) only once the group's contacts have stayed the same for kLCPReuseWait solves, and for
// twice as many after each further failure, up to kLCPReuseWaitLimit.
class TBasisReuse {
 public:
  // A solve of the group begins, with the contacts of the last one (`same`) or others.
  void Begin(bool same) { unchanged_ = same ? unchanged_ + 1 : 0; }
  bool Due() const { return unchanged_ >= wait_; }
  void Succeeded() { wait_ = 0; }
  void Failed();

 private:
  std::uint32_t unchanged_ = 0;  // solves since the contacts last changed
  std::uint32_t wait_ = 0;       // how many of those a try waits for
};

// A body's box turned into world orientation and placed at the body's position: the bounds that the
// overlap tests compare.
struct TPlacedBox {
  long double lo_x = 0, hi_x = 0, lo_y = 0, hi_y = 0;
  bool HasNaN() const { return std::isnan(lo_x) || std::isnan(hi_x) || std::isnan(lo_y) || std::isnan(hi_y); }
};

class TCollisions {
 public:
  // The world outlives the object.
  explicit TCollisions(ICollisionWorld& world);
  TCollisions(const TCollisions&) = delete;
  TCollisions& operator=(const TCollisions&) = delete;
  ~TCollisions();

  // Finds the contacts of every enabled pair of collidable bodies (i < j in body order), builds their
  // matrices and classifies them. True: the contacts and flags are ready. False: the step must be
  // refused (TooDeep) or the classification failed. The driver takes the contact step when
  // ContactsPrepared() and Detect returned true with TooDeep clear.
  bool Detect();
  // The contact list holds contacts whose matrices are built.
  bool ContactsPrepared() const { return Contacts != nullptr && Contacts->Prepared; }

  // Draws the vertex of every contact whose vertex body is collidable.
  void ShowContacts();
  // Frees the subsets and the contacts; empties and hides the drawn points.
  void ClearContacts();
  // CoordinateValues := n zeros.
  void SetCoordinateCount(std::uint32_t n);

  // Sorts the contacts by velocity into approaching (HasImpacts), resting, sticking and sliding, and
  // marks the subsets prepared. A contact's normal tolerance is the larger of zeroVelocityTolerance
  // and 2 dt a_N (a_N the normal acceleration without contact forces that the contact must hold: the
  // relative one, or each body's own summed when that is larger), its tangential one
  // the larger of zeroVelocityTolerance and friction times the normal one. With Retry (after a negligible
  // impact) zeroVelocityTolerance counts ten times and no contact counts as approaching. Always true.
  bool Classify(bool Retry);
  // Solves the impact of the approaching contacts and adds the velocity jump to the working q'. True
  // when there was nothing to solve or the impact was solved; false when an LCP has no solution.
  bool SolveImpacts();
  // Solves the resting contact forces and adds the generalized contact forces to the world's contact
  // force vector. True when there are no resting contacts or the forces were found; false when the LCP
  // has no solution (nothing is changed then).
  bool SolveContactForces();

  // Contacts of one list that share generalized coordinates, directly or through M^-1, with every
  // coordinate M^-1 couples to theirs: groups share none, so each is a contact problem of its own and
  // the work grows with the bodies in contact, not with the square of all contacts.
  struct TContactGroup {
    std::vector<std::uint32_t> Coordinates;  // ascending
    std::vector<std::uint32_t> Members;      // positions in the grouped list, ascending
  };
  // Groups the contacts of `list` by the world's M^-1 (read afresh) into the first groups of `groups`
  // (grown, never shrunk), in the order of their first contact; their count. A contact that moves no
  // coordinate is a group of its own; 0 when M^-1 is not n x n.
  std::size_t Group(const TContactPoints& list, std::vector<TContactGroup>& groups) {
    return LoadInverseMassMatrix() ? GroupContacts(list, groups) : 0;
  }

  // Written by the control tree on the main thread while a run may read them.
  std::atomic<bool> BreakAtCollisions{false};
  std::atomic<bool> ShowCollisions{false};
  std::atomic<bool> ShowOverPenetratingPoints{false};

  bool HasImpacts = false;          // some contact approaches
  bool HasRestingContacts = false;  // some contact rests
  bool TooDeep = false;             // the step must be refused
  // A group of contacts would need more than kContactMatrixBytesLimit for its matrices: the step failed
  // with an error line and the run must stop. Cleared by Detect.
  bool TooManyContacts = false;
  // The last SolveImpacts changed the velocities: CoordinateValues holds the jump it applied. Cleared by
  // Detect; an impact that applies nothing leaves it clear and CoordinateValues all zero.
  bool ImpulseApplied = false;

  // Absent before the first detection. Contacts owns every contact; the subsets point into it.
  std::unique_ptr<TContactPoints> Contacts;
  std::unique_ptr<TContactPoints> RestingContacts;
  std::unique_ptr<TContactPoints> SlidingContacts;
  std::unique_ptr<TContactPoints> StickingContacts;
  // The generalized velocity jump of the last impact (n values).
  TFloatList CoordinateValues;

 private:
  // What ClearContacts does, keeping the four lists (empty) once they exist.
  void EmptyContactLists();
  void ClassifyByVelocity(bool Retry);
  void PrepareContactLists();
  // The pairs i < j of bodies with a shape whose placed root boxes (root_boxes_) overlap, ascending, as
  // i << 32 | j.
  void BroadPhase(std::vector<std::uint64_t>& pairs);
  // Descends the two box trees of a pair that the broad phase has just passed.
  void NarrowPhase(std::int32_t i, std::int32_t j);
  // Descends from the nodes a of body i and b of body j, whose boxes placed_a and placed_b are turned and
  // placed.
  void Descend(const TBoundingBoxTree& a, const TPlacedBox& placed_a, const TBoundingBoxTree& b,
               const TPlacedBox& placed_b, TBody& body_i, TBody& body_j, std::int32_t i, std::int32_t j);
  void LeafPair(const TBoundingBoxTree& a, const TPlacedBox& placed_a, const TBoundingBoxTree& b,
                const TPlacedBox& placed_b, std::int32_t i, std::int32_t j);
  // Which of the pair's bodies resist penetration: the pair's entry of the contact properties, both
  // without one.
  std::int32_t ResistingMode(std::int32_t i, std::int32_t j) const;
  void EdgesAgainstVertices(const TBoundingBoxTree& edges, const TPlacedBox& placed_edges, std::int32_t e,
                            const TBoundingBoxTree& vertices, std::int32_t v);
  // Vertex m of body v at (qx, qy) in the world, inside the edge leaf's box, against edge k of the edge
  // body e from P0 to P1; adds the contact when it is one.
  bool TestVertexEdge(const TBody& edge_body, std::int32_t e, std::uint32_t k, long double p0x, long double p0y,
                      long double p1x, long double p1y, std::int32_t v, std::uint32_t m, long double qx,
                      long double qy);
  // The contact of vertex m of body v at (qx, qy) with edge k of body e, which runs from P0 along
  // (ux, uy) of length d01; false when it was not kept.
  bool AddEdgeContact(const TBody& edge_body, std::int32_t e, std::uint32_t k, long double p0x, long double p0y,
                      long double ux, long double uy, long double d01, std::int32_t v, std::uint32_t m,
                      long double qx, long double qy);
  // After vertex m has been given to edge k (not at its end points): the contact with the edge that meets
  // edge k at the corner nearer the vertex, when the vertex's own outline runs from it along that edge
  // into the body.
  void HoldAtCorner(const TBody& edge_body, std::int32_t e, std::uint32_t k, long double p0x, long double p0y,
                    long double p1x, long double p1y, long double d01, std::int32_t v, std::uint32_t m,
                    long double qx, long double qy);
  bool AddContact(std::int32_t e, std::uint32_t k, std::int32_t v, std::uint32_t m, long double cx,
                  long double cy, long double tx, long double ty, long double t);
  void DrawOverPenetration(const TContact& contact);
  // M^-1 h at the working state (n values; zeros while the model has neither).
  void FreeAcceleration(std::vector<long double>& acceleration);
  // The normal acceleration without contact forces that the contact must hold (m/s^2): the larger of
  // the relative one, |W_N . M^-1 h + bias|, and the sum of the two sides' own, |a_edge| + |a_vertex|.
  long double FreeNormalAcceleration(const TContact& contact) const;
  // The contact's index in RestingContacts; -1 for a contact that does not rest.
  std::int32_t RestingPosition(const TContact& contact) const;
  // The storage of one group's resting-force problem, kept from step to step.
  struct TForceGroup {
    std::vector<std::uint32_t> stick;  // the members that stick, by their place in the group
    TDenseMatrix v, wt, minv, mv, wmv, a;
    std::vector<long double> local, velocity, minv_h, q, w, z;
    // What a holds A of: the v, W^T, M^-1 and sticking frictions it was built from. A resting body
    // keeps them bit for bit, and then A too.
    std::vector<long double> mu;  // the sticking members' frictions
    TDenseMatrix a_v, a_wt, a_minv;
    std::vector<long double> a_mu;
    std::vector<std::uint32_t> a_stick;
    bool a_valid = false;
    // The last solutions of the LCP with this A: the inputs of q, and what the solve made of q, w and
    // z. The same A, q and settings give the same solution; a resting box's velocities alternate
    // between two patterns, so two are kept.
    std::vector<long double> q_inputs;  // q' and h over the coordinates, the bias terms, dt
    struct TSolved {
      std::vector<long double> inputs, q, w, z;
      TLCPSettings settings;
      bool valid = false;
    };
    TSolved solved[2];
    std::uint32_t next_solved = 0;
    // The group's last solution, empty when it has none: the guess of the next when the pivoting is
    // off. guess_w, guess_z: the pivoting's answer, the next guess.
    std::vector<long double> last_w, last_z, guess_w, guess_z;
    TLCPBasisScratch guess_scratch;
    // The last pivoting, with these settings, was off: the last solution's basis goes first.
    bool guessing = false;
    TLCPSettings guess_settings;
    // The group's contacts (edge body and index, vertex body and index, sticking) as of the last solve,
    // and when the last solution's basis is tried first.
    std::vector<std::int32_t> contact_set, last_contact_set;
    TBasisReuse reuse;
  };
  // The storage of one group's impact.
  struct TImpactGroup {
    std::vector<long double> vn, vt, mu, en, et, ni, vn_c, vt_c, work_c;
    TDenseMatrix w, minv, minv_w, g, a, f;
    std::vector<long double> q, wc, zc, p, gp, fp, qe, we, ze, lambda, impulse, jump;
  };

  // The bytes the matrices of a contact problem of `unknowns` unknowns over `coordinates` coordinates take
  // (the LCP with its copies, the coupling, the Jacobian blocks); false with an error line and
  // TooManyContacts set when they exceed the bound.
  bool MatricesFit(std::uint32_t contacts, std::uint64_t unknowns, std::uint64_t coordinates);
  // minv_ := M^-1 of the world and minv_pattern_ its non-zeros; false with an error line when it is not
  // n x n.
  bool LoadInverseMassMatrix();
  // The non-zeros of m, the world's M^-1: the world's own pattern when it keeps one of m's size, else
  // found anew.
  const TNonZeroPattern& InversePattern(const TSqrMatrix& m);
  // M^-1 over the given coordinates.
  void LocalInverseMassMatrix(const std::vector<std::uint32_t>& coords, TDenseMatrix& out) const;
  // Groups the contacts of `list` into the first groups of `groups` (grown, never shrunk); their count.
  std::size_t GroupContacts(const TContactPoints& list, std::vector<TContactGroup>& groups);
  bool SolveForceGroup(const TContactGroup& group, const std::vector<char>& sticking, TForceGroup& f);
  // The LCP of a group's resting forces, f.a and f.q, into f.w and f.z; false when it has no solution.
  bool SolveRestingLCP(const TLCPSettings& settings, TForceGroup& f);
  void ApplyForceGroup(const TContactGroup& group, const std::vector<char>& sticking, const TForceGroup& f);
  // An impact the pivoting cannot solve takes the lexicographic answer at this step: it lies below
  // minimumTimestep (a refusal would end the run) or has been halved kLexicographicImpactHalvings times.
  bool ImpactTakesLexicographicAnswer() const;
  // The compression LCP of a group; adds the group's compression work to total_work. `approaching`: some
  // contact approaches by more than 1e-20 m/s, so that the step depends on a solution.
  bool CompressGroup(const TContactGroup& group, TImpactGroup& im, long double& total_work, bool approaching);
  bool ExpandGroup(const TContactGroup& group, TImpactGroup& im);
  void ApplyImpactGroup(const TContactGroup& group, TImpactGroup& im);

  // What the tree search of one pair found. The search reads only the two bodies' positions, rotation
  // records, outlines and skin widths, the pair's resisting mode and the penetration bound: when all
  // of them are bit for bit those of the last search, it would add the same contacts in the same
  // order, so they are added again without descending the trees (a body at rest keeps its bits from
  // step to step).
  struct TFoundContact {
    std::int32_t e;
    std::uint32_t k;
    std::int32_t v;
    std::uint32_t m;
    long double cx, cy, tx, ty, t;
  };
  struct TPairSearch {
    std::vector<long double> key;  // what the search read, see SearchKey
    std::vector<TFoundContact> found;
    bool valid = false;  // the search ran to its end without a too deep contact
  };
  // Hands the inputs of the search of pair i, j to visit(values, count) in turn, while it returns true.
  template <typename Visit>
  void VisitSearchInputs(std::int32_t i, std::int32_t j, Visit&& visit) const;
  // The inputs of the search of pair i, j.
  void SearchKey(std::int32_t i, std::int32_t j, std::vector<long double>& key) const;
  // `key` holds them, bit for bit.
  bool SameSearchKey(std::int32_t i, std::int32_t j, const std::vector<long double>& key) const;
  // NarrowPhase, or the contacts of the last search of the pair when its inputs are unchanged.
  void SearchPair(std::int32_t i, std::int32_t j);

  ICollisionWorld& world_;
  // Of the current detection: every body's root box turned and placed (valid for bodies with a shape),
  // the bodies ordered by the lower x bound of their boxes (kept from detection to detection), their
  // sort keys, and the pairs whose boxes overlap.
  std::vector<TPlacedBox> root_boxes_;
  std::vector<std::int32_t> sweep_order_;
  std::vector<long double> sweep_keys_;
  std::vector<std::uint64_t> broad_pairs_;
  // The vertices of a leaf that lie in the box of the edge leaf they are tested against, in the world.
  struct TLeafVertex {
    std::uint32_t m;
    long double x, y;
  };
  std::vector<TLeafVertex> leaf_vertices_;
  std::unordered_map<std::uint64_t, TPairSearch> searches_;  // by pair
  TPairSearch* recording_ = nullptr;                         // the search AddContact records into
  std::vector<std::int32_t> resting_position_;  // by ListIndex
  std::vector<long double> free_acceleration_;  // M^-1 h of the last classification
  bool free_acceleration_finite_ = true;         // and all of it is finite
  const TSqrMatrix* minv_ = nullptr;
  const TNonZeroPattern* minv_pattern_ = nullptr;
  TNonZeroPattern own_pattern_;
  std::vector<TContactGroup> groups_;
  std::vector<TForceGroup> force_groups_;
  std::vector<TImpactGroup> impact_groups_;
  struct {
    std::vector<std::uint32_t> parent, first, number, next;
    std::vector<char> sticking;
  } work_;
};

}  // namespace zentrova
