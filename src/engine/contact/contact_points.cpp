#include "engine/contact/contact_points.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/model/body.h"
#include "engine/contact/contact_properties.h"
#include "engine/model/expression_list.h"
#include "engine/model/plane_geometry.h"
#include "numerics/fast_trig.h"
#include "engine/model/body.h"
#include "platform/exception.h"

namespace zentrova {

namespace {

// Up to this many generalized coordinates a contact's rows are computed whole, every column, and the
// touched ones are marked in a bit mask.
constexpr std::uint32_t kWholeColumnsUpTo = 8;

void Touch(std::vector<std::uint32_t>& touched, std::uint32_t j) {
  touched.push_back(j);
}
void Touch(std::uint64_t& mask, std::uint32_t j) {
  mask |= std::uint64_t{1} << j;
}

// The body's contribution to the Jacobian columns jx, jy and the bias b of a point at lever arm r
// (world coordinates) from its origin, with sign sigma (+1 edge body, -1 vertex body):
//   x linked to q_j:      jx[j] += sigma
//   x dependent:          jx += sigma J_x,  bx += sigma j_x       (x'' = J_x . q'' + j_x)
//   Rz linked to q_j:     jx[j] += sigma (-ry),  jy[j] += sigma rx,  b += sigma (-omega^2 r)
//   Rz of time alone:     b += sigma (-omega^2 r + alpha x r)
// and y likewise into jy and by.
// The coordinates whose columns it changes are added to `touched`; a term sigma x 0 added to +0 leaves
// +0, so the columns it does not name stay as they were.
template <typename Touched>
void AddBodyTerms(const TBody& body, long double sigma, long double rx, long double ry, std::uint32_t n,
                  std::vector<long double>& jx, std::vector<long double>& jy, long double& bx,
                  long double& by, Touched& touched) {
  const auto add_translation = [&](const TLinkToGeneralizedCoordinate& link, std::vector<long double>& j,
                                   long double& b) {
    if (link.Linked) {
      if (link.Index >= 0 && static_cast<std::uint32_t>(link.Index) < n) {
        j[link.Index] += sigma;
        Touch(touched, static_cast<std::uint32_t>(link.Index));
      }
    } else if (link.Dependent) {
      if (link.JacobianVector) {
        const TFloatList& values = link.JacobianVector->Values;
        for (std::uint32_t i = 0; i < n && i < values.Count(); ++i) {
          if (values.Data()[i] == 0) continue;
          j[i] += sigma * values.Data()[i];
          Touch(touched, i);
        }
      }
      if (link.JacobianScalar && link.JacobianScalar->Count() > 0) {
        b += sigma * link.JacobianScalar->Value(0);
      }
    }
  };
  add_translation(body.Links.X, jx, bx);
  add_translation(body.Links.Y, jy, by);

  const TLinkToGeneralizedCoordinate& rz = body.Links.Rz;
  if (rz.Linked || rz.Dependent) {
    // A dependent Rz that is a function of time alone has no generalized coordinate (Index -1): its
    // rotation adds nothing to the Jacobian.
    if (rz.Index >= 0 && static_cast<std::uint32_t>(rz.Index) < n) {
      jx[rz.Index] += sigma * -ry;
      jy[rz.Index] += sigma * rx;
      Touch(touched, static_cast<std::uint32_t>(rz.Index));
    }
    const long double omega = body.Kinematics.Velocity.Rz.Get();
    bx += sigma * -omega * omega * rx;
    by += sigma * -omega * omega * ry;
    // Without a generalized coordinate the angular acceleration does not come from q'' either: its
    // alpha x r belongs to the bias like the centripetal part.
    if (rz.Index < 0) {
      const long double alpha = body.Kinematics.Acceleration.Rz.Get();
      bx += sigma * -alpha * ry;
      by += sigma * alpha * rx;
    }
  }
}

}  // namespace

TContact::TContact(const TBodyList& bodies, std::uint32_t n, TContactProperties* properties)
    : bodies_(bodies), n_(n), properties_(properties) {}

bool TContact::Set(std::int32_t EdgeBody_, std::int32_t EdgeIndex_, std::int32_t VertexBody_,
                   std::int32_t VertexIndex_, long double ContactPointX, long double ContactPointY,
                   long double TangentX, long double TangentY, long double EdgeParameter_) {
  EdgeBody = EdgeBody_;
  EdgeIndex = EdgeIndex_;
  VertexBody = VertexBody_;
  VertexIndex = VertexIndex_;
  EdgeParameter = EdgeParameter_;
  ContactPoint.X.Set(ContactPointX);
  ContactPoint.Y.Set(ContactPointY);
  Tangent.X.Set(TangentX);
  Tangent.Y.Set(TangentY);

  const TBody& edge = bodies_.Items(EdgeBody);
  const TBody& vertex = bodies_.Items(VertexBody);
  if (edge.HasShape && vertex.HasShape) ComputeKinematics(edge, vertex);
  ComputeJacobians(edge, vertex);
  ComputeCoefficients();
  return true;
}

void TContact::Reset() {
  EdgeBody = EdgeIndex = VertexBody = VertexIndex = ListIndex = 0;
  // Detection resets a contact for every one it finds, step after step. Zeros are written as bytes
  // (all bits clear is +0): an extended store costs the x87 unit several times an integer one. Each is
  // named, so that it is one store of a known size.
  const auto zero = [](long double* x, std::size_t count) {
    if (count != 0) std::memset(x, 0, count * sizeof(long double));  // an empty list may have no storage
  };
  const auto values = [](auto&... x) { (std::memset(&x, 0, sizeof(long double)), ...); };
  const auto coordinates = [](auto&... c) { (std::memset(c.ValuePtr, 0, sizeof(long double)), ...); };
  values(EdgeParameter);
  coordinates(ContactPoint.X, ContactPoint.Y, ContactPoint.Z, ContactPoint.Rx, ContactPoint.Ry, ContactPoint.Rz);
  coordinates(Tangent.X, Tangent.Y, Tangent.Z, Tangent.Rx, Tangent.Ry, Tangent.Rz);
  coordinates(Bias.Normal, Bias.Tangent, Kinematics.Position.Normal, Kinematics.Position.Tangent,
              Kinematics.Velocity.Normal, Kinematics.Velocity.Tangent, Kinematics.Acceleration.Normal,
              Kinematics.Acceleration.Tangent, Force.Normal, Force.Tangent, Impulse.Normal, Impulse.Tangent, Work);
  if (n_ <= kWholeColumnsUpTo) {
    // Rows computed whole are cleared whole.
    zero(Jacobian.Normal.Data(), Jacobian.Normal.Count());
    zero(Jacobian.Tangent.Data(), Jacobian.Tangent.Count());
    touched_.clear();
  } else {
    ClearTouched();
  }
  values(Friction, RestitutionNormal, RestitutionTangent, ParameterNi, re_x_, re_y_, rv_x_, rv_y_);
}

TWatchedContact TContact::Watched() const {
  TWatchedContact watched;
  watched.ImpulseNormal = Impulse.Normal.Get();
  watched.ImpulseTangent = Impulse.Tangent.Get();
  watched.ForceNormal = Force.Normal.Get();
  watched.ForceTangent = Force.Tangent.Get();
  watched.Work = Work.Get();
  watched.TangentX = Tangent.X.Get();
  watched.TangentY = Tangent.Y.Get();
  return watched;
}

void TContact::ComputeKinematics(const TBody& edge, const TBody& vertex) {
  const TFloatList& vx = vertex.Solid.Shape.X;
  const TFloatList& vy = vertex.Solid.Shape.Y;
  const std::uint32_t m = static_cast<std::uint32_t>(VertexIndex);
  if (VertexIndex < 0 || m >= vx.Count() || m >= vy.Count()) return;

  // The rotation is taken from Rz itself, so that a contact set outside a detection sees the angle the
  // body has now.
  const long double rz_e = edge.Kinematics.Position.Rz.Get();
  const long double rz_v = vertex.Kinematics.Position.Rz.Get();
  const long double ce = CachedCos(rz_e), se = CachedSin(rz_e);
  const long double cv = CachedCos(rz_v), sv = CachedSin(rz_v);
  const long double px = ContactPoint.X.Get(), py = ContactPoint.Y.Get();
  re_x_ = ce * px - se * py;
  re_y_ = se * px + ce * py;
  rv_x_ = cv * vx.Data()[m] - sv * vy.Data()[m];
  rv_y_ = sv * vx.Data()[m] + cv * vy.Data()[m];

  const long double tx = Tangent.X.Get(), ty = Tangent.Y.Get();
  const auto normal = [&](long double dx, long double dy) { return tx * dy - ty * dx; };
  const auto tangential = [&](long double dx, long double dy) { return tx * dx + ty * dy; };

  const TKinematics& ke = edge.Kinematics;
  const TKinematics& kv = vertex.Kinematics;

  // d = (pE + rE) - (pV + rV)
  const long double dx = (ke.Position.X.Get() + re_x_) - (kv.Position.X.Get() + rv_x_);
  const long double dy = (ke.Position.Y.Get() + re_y_) - (kv.Position.Y.Get() + rv_y_);
  Kinematics.Position.Normal.Set(normal(dx, dy));
  // Only the depth is kept of the relative position.
  Kinematics.Position.Tangent.Set(0);

  // dv = (vE + wE x rE) - (vV + wV x rV), with w x r = w (-ry, rx)
  const long double we = ke.Velocity.Rz.Get(), wv = kv.Velocity.Rz.Get();
  const long double dvx = (ke.Velocity.X.Get() - we * re_y_) - (kv.Velocity.X.Get() - wv * rv_y_);
  const long double dvy = (ke.Velocity.Y.Get() + we * re_x_) - (kv.Velocity.Y.Get() + wv * rv_x_);
  Kinematics.Velocity.Normal.Set(normal(dvx, dvy));
  Kinematics.Velocity.Tangent.Set(tangential(dvx, dvy));

  // da = (aE + alphaE x rE - wE^2 rE) - (aV + alphaV x rV - wV^2 rV)
  const long double ae = ke.Acceleration.Rz.Get(), av = kv.Acceleration.Rz.Get();
  const long double dax = (ke.Acceleration.X.Get() - ae * re_y_ - we * we * re_x_) -
                          (kv.Acceleration.X.Get() - av * rv_y_ - wv * wv * rv_x_);
  const long double day = (ke.Acceleration.Y.Get() + ae * re_x_ - we * we * re_y_) -
                          (kv.Acceleration.Y.Get() + av * rv_x_ - wv * wv * rv_y_);
  Kinematics.Acceleration.Normal.Set(normal(dax, day));
  Kinematics.Acceleration.Tangent.Set(tangential(dax, day));
}

void TContact::ClearTouched() {
  // Zeros as bytes (all bits clear is +0), cheaper than extended stores; the columns no body touched
  // hold them already. Rows that are mostly touched are cleared whole.
  if (touched_.empty()) return;
  if (4 * touched_.size() >= n_) {
    // The rows have n values each while any column is touched.
    const std::size_t bytes = n_ * sizeof(long double);
    if (Jacobian.Normal.Count() == n_ && Jacobian.Tangent.Count() == n_ && jx_.size() == n_ &&
        jy_.size() == n_ && edge_normal_.size() == n_) {
      std::memset(Jacobian.Normal.Data(), 0, bytes);
      std::memset(Jacobian.Tangent.Data(), 0, bytes);
      std::memset(jx_.data(), 0, bytes);
      std::memset(jy_.data(), 0, bytes);
      std::memset(edge_normal_.data(), 0, bytes);
      touched_.clear();
      return;
    }
    for (TFloatList* row : {&Jacobian.Normal, &Jacobian.Tangent}) {
      if (row->Count() != 0) std::memset(row->Data(), 0, row->Count() * sizeof(long double));
    }
    for (std::vector<long double>* v : {&jx_, &jy_, &edge_normal_}) {
      if (!v->empty()) std::memset(v->data(), 0, v->size() * sizeof(long double));
    }
    touched_.clear();
    return;
  }
  const auto zero = [](std::vector<long double>& v, std::uint32_t j) {
    if (j < v.size()) std::memset(&v[j], 0, sizeof(long double));
  };
  for (const std::uint32_t j : touched_) {
    if (j < Jacobian.Normal.Count()) std::memset(Jacobian.Normal.Data() + j, 0, sizeof(long double));
    if (j < Jacobian.Tangent.Count()) std::memset(Jacobian.Tangent.Data() + j, 0, sizeof(long double));
    zero(jx_, j);
    zero(jy_, j);
    zero(edge_normal_, j);
  }
  touched_.clear();
}

void TContact::ComputeJacobians(const TBody& edge, const TBody& vertex) {
  const std::uint32_t n = n_;
  // The rows have n values, but a body moves only the few coordinates its links name: the columns of
  // the last contact set here are cleared, and only the touched ones are computed.
  std::vector<long double>& jx = jx_;
  std::vector<long double>& jy = jy_;
  jx.resize(n);
  jy.resize(n);
  edge_normal_.resize(n);
  Jacobian.Dim(n);
  long double bx = 0, by = 0;
  // vN = N . dv = Tx dvy - Ty dvx and vT = T . dv = Tx dvx + Ty dvy, row by row over q'.
  const long double tx = Tangent.X.Get(), ty = Tangent.Y.Get();
  if (n <= kWholeColumnsUpTo) {
    // A few coordinates are computed whole: clearing and visiting the touched ones would cost more than
    // the rest. A column no body touched holds tx 0 - ty 0, a zero of either sign.
    if (n != 0) {
      std::memset(jx.data(), 0, n * sizeof(long double));
      std::memset(jy.data(), 0, n * sizeof(long double));
    }
    std::uint64_t mask = 0;
    AddBodyTerms(edge, 1.0L, re_x_, re_y_, n, jx, jy, bx, by, mask);
    for (std::uint32_t j = 0; j < n; ++j) edge_normal_[j] = tx * jy[j] - ty * jx[j];
    edge_bias_normal_ = tx * by - ty * bx;
    AddBodyTerms(vertex, -1.0L, rv_x_, rv_y_, n, jx, jy, bx, by, mask);
    touched_.clear();
    for (std::uint32_t j = 0; j < n; ++j) {
      if ((mask >> j) & 1) touched_.push_back(j);
      Jacobian.Normal.Data()[j] = tx * jy[j] - ty * jx[j];
      Jacobian.Tangent.Data()[j] = tx * jx[j] + ty * jy[j];
    }
    Bias.Normal.Set(tx * by - ty * bx);
    Bias.Tangent.Set(tx * bx + ty * by);
    return;
  }
  ClearTouched();
  AddBodyTerms(edge, 1.0L, re_x_, re_y_, n, jx, jy, bx, by, touched_);
  for (const std::uint32_t j : touched_) edge_normal_[j] = tx * jy[j] - ty * jx[j];
  edge_bias_normal_ = tx * by - ty * bx;
  AddBodyTerms(vertex, -1.0L, rv_x_, rv_y_, n, jx, jy, bx, by, touched_);
  if (!std::is_sorted(touched_.begin(), touched_.end())) std::sort(touched_.begin(), touched_.end());
  touched_.erase(std::unique(touched_.begin(), touched_.end()), touched_.end());

  for (const std::uint32_t j : touched_) {
    Jacobian.Normal.Data()[j] = tx * jy[j] - ty * jx[j];
    Jacobian.Tangent.Data()[j] = tx * jx[j] + ty * jy[j];
  }
  Bias.Normal.Set(tx * by - ty * bx);
  Bias.Tangent.Set(tx * bx + ty * by);
}

void TContact::NormalAccelerationParts(const long double* qdd, std::uint32_t n, long double& edge,
                                       long double& vertex, bool every_column) const {
  const std::uint32_t count = std::min({n, Jacobian.Normal.Count(), static_cast<std::uint32_t>(edge_normal_.size())});
  const long double* row = Jacobian.Normal.Data();
  edge = edge_bias_normal_;
  vertex = Bias.Normal.Get() - edge_bias_normal_;
  const auto add = [&](std::uint32_t j) {
    edge += edge_normal_[j] * qdd[j];
    vertex += (row[j] - edge_normal_[j]) * qdd[j];
  };
  if (every_column) {
    for (std::uint32_t j = 0; j < count; ++j) add(j);
    return;
  }
  // The columns no body touched add 0 x qdd: only the touched ones are summed, in the same order.
  for (const std::uint32_t j : touched_) {
    if (j >= count) break;
    add(j);
  }
}

void TContact::ComputeCoefficients() {
  if (properties_ == nullptr || EdgeBody < 0 || VertexBody < 0) return;
  std::uint32_t k = 0;
  if (!properties_->PairIndex(static_cast<std::uint32_t>(EdgeBody), static_cast<std::uint32_t>(VertexBody),
                              k)) {
    return;
  }
  const long double v_rel = Kinematics.Velocity.Tangent.Get();
  properties_->Friction.Value(k, v_rel, Friction);
  properties_->RestitutionNormal.Value(k, v_rel, RestitutionNormal);
  properties_->RestitutionTangent.Value(k, v_rel, RestitutionTangent);
  properties_->ParameterNi.Value(k, v_rel, ParameterNi);
}

TContactPoints::TContactPoints(bool OwnsObjects) : owns_(OwnsObjects) {}

TContactPoints::~TContactPoints() = default;

void TContactPoints::Add(std::unique_ptr<TContact> contact) {
  if (!owns_)
    throw EListError("TContactPoints.Add: a list that does not own its contacts cannot take one over");
  if (!contact) return;
  items_.push_back(contact.get());
  owned_.push_back(std::move(contact));
}

void TContactPoints::Add(TContact& contact) {
  if (owns_) throw EListError("TContactPoints.Add: an owning list takes contacts over, not references");
  items_.push_back(&contact);
}

TContact& TContactPoints::AddNew(const TBodyList& bodies, std::uint32_t n, TContactProperties* properties) {
  if (!owns_) throw EListError("TContactPoints.AddNew: a list that does not own its contacts cannot make one");
  std::unique_ptr<TContact> contact;
  if (!spare_.empty() && &spare_.back()->Bodies() == &bodies && spare_.back()->Properties() == properties &&
      spare_.back()->CoordinateCount() == n) {
    contact = std::move(spare_.back());
    spare_.pop_back();
    contact->Reset();
  } else {
    contact = std::make_unique<TContact>(bodies, n, properties);
  }
  TContact& added = *contact;
  Add(std::move(contact));
  return added;
}

void TContactPoints::RemoveLast() {
  if (items_.empty()) return;
  items_.pop_back();
  if (owns_) {
    spare_.push_back(std::move(owned_.back()));
    owned_.pop_back();
  }
}

void TContactPoints::Clear() {
  items_.clear();
  for (std::unique_ptr<TContact>& contact : owned_) spare_.push_back(std::move(contact));
  owned_.clear();
  Prepared = false;
}

}  // namespace zentrova
