#include "scene/extras/sky/sky_dome.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/random.h"
#include "scene/base/class_registration.h"
#include "scene/base/float_math.h"
#include "scene/base/property_stream.h"
#include "scene/base/vector_geometry.h"
#include "scene/core/camera.h"
#include "scene/core/stage.h"
#include "scene/gl/gl_state_scope.h"
#include "scene/gl/opengl_binding.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLSkyDome);

namespace {

// The elevations at the poles, where a band's ring shrinks to a point.
constexpr float kNadir = -90;
constexpr float kZenith = 90;
// The largest single below 1: the top of the twinkle factor's range.
const float kBelowOne = std::nextafter(1.0f, 0.0f);

std::string Format(const char* format, auto... values) {
  char text[96];
  std::snprintf(text, sizeof(text), format, values...);
  return text;
}

}  // namespace

// ---- TSkyDomeBand

TSkyDomeBand::TSkyDomeBand(TCollection* collection)
    : TCollectionItem(collection),
      start_color_(this, clrBlue, [this](TPersistent*) { ColorChanged(); }),
      stop_color_(this, clrBlue, [this](TPersistent*) { ColorChanged(); }) {}

void TSkyDomeBand::SetStartAngle(float value) {
  properties_.start_angle = ClampSingle(value, kNadir, kZenith);
  if (properties_.start_angle > properties_.stop_angle) properties_.stop_angle = properties_.start_angle;
  Changed(false);
}

void TSkyDomeBand::SetStopAngle(float value) {
  properties_.stop_angle = ClampSingle(value, kNadir, kZenith);
  if (properties_.stop_angle < properties_.start_angle) properties_.start_angle = properties_.stop_angle;
  Changed(false);
}

void TSkyDomeBand::SetStartColor(const TGLColor& value) {
  start_color_.SetColorSilently(value.Color());
  Changed(false);
}

void TSkyDomeBand::SetStopColor(const TGLColor& value) {
  stop_color_.SetColorSilently(value.Color());
  Changed(false);
}

void TSkyDomeBand::SetSlices(int value) {
  properties_.slices = std::max(value, 3);
  Changed(false);
}

void TSkyDomeBand::SetStacks(int value) {
  properties_.stacks = std::max(value, 1);
  Changed(false);
}

std::string TSkyDomeBand::GetDisplayName() const {
  return Format("%d: %.1f\u00B0 - %.1f\u00B0", Index(), static_cast<double>(properties_.start_angle),
                static_cast<double>(properties_.stop_angle));
}

void TSkyDomeBand::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TSkyDomeBand*>(source);
  if (other == nullptr) {
    TCollectionItem::Assign(source);
    return;
  }
  properties_ = other->properties_;
  start_color_.SetColorSilently(other->start_color_.Color());
  stop_color_.SetColorSilently(other->stop_color_.Color());
  Changed(false);
}

void TSkyDomeBand::BuildList() {
  if (properties_.start_angle == properties_.stop_angle) return;
  for (int k = 0; k < properties_.stacks; ++k) {
    const float f1 = static_cast<float>(k) / static_cast<float>(properties_.stacks);
    const float f2 = static_cast<float>(k + 1) / static_cast<float>(properties_.stacks);
    TVector4f c1{}, c2{};
    LerpVector4(start_color_.Color(), stop_color_.Color(), f1, c1);
    LerpVector4(start_color_.Color(), stop_color_.Color(), f2, c2);
    RenderBand(LerpSingle(properties_.start_angle, properties_.stop_angle, f1), LerpSingle(properties_.start_angle, properties_.stop_angle, f2), c1, c2);
  }
}

void TSkyDomeBand::RenderBand(float a1, float a2, const TVector4f& c1, const TVector4f& c2) const {
  const float step = 2 * static_cast<float>(cPI) / static_cast<float>(properties_.slices);
  // Vertex i of the ring at elevation a (degrees); vertex Slices closes the ring.
  const auto ring_vertex = [step](float a, int i) {
    float sine = 0, cosine = 0, s = 0, c = 0;
    SinAndCos(DegToRad(a), sine, cosine);
    SinAndCos(static_cast<float>(i) * step, s, c);
    return TVector4f{cosine * c, cosine * s, sine, 1};
  };
  static constexpr TVector4f kBottom{0, 0, -1, 1};
  static constexpr TVector4f kTop{0, 0, 1, 1};
  if (a1 == kNadir) {
    gl.Begin(GL_TRIANGLE_FAN);
    gl.Color4fv(c1.data());
    gl.Vertex4fv(kBottom.data());
    gl.Color4fv(c2.data());
    for (int i = 0; i <= properties_.slices; ++i) gl.Vertex4fv(ring_vertex(a2, i).data());
    gl.End();
  } else if (a2 != kZenith) {
    gl.Begin(GL_QUAD_STRIP);
    for (int i = 0; i <= properties_.slices; ++i) {
      gl.Color4fv(c1.data());
      gl.Vertex4fv(ring_vertex(a1, i).data());
      gl.Color4fv(c2.data());
      gl.Vertex4fv(ring_vertex(a2, i).data());
    }
    gl.End();
  } else {
    // The ring backwards: seen from inside, the fan turns as the bottom one does.
    gl.Begin(GL_TRIANGLE_FAN);
    gl.Color4fv(c2.data());
    gl.Vertex4fv(kTop.data());
    gl.Color4fv(c1.data());
    for (int i = properties_.slices; i >= 0; --i) gl.Vertex4fv(ring_vertex(a1, i).data());
    gl.End();
  }
}

// ---- TSkyDomeBands

TSkyDomeBands::TSkyDomeBands(TComponent* owner)
    : TOwnedCollection(owner, &CreateCollectionItem<TSkyDomeBand>), owner_(owner) {}

void TSkyDomeBands::Update(TCollectionItem*) {
  if (auto* object = dynamic_cast<TGLBaseSceneObject*>(owner_)) object->MarkStructureDirty();
}

void TSkyDomeBands::BuildList() {
  for (int i = 0; i < Count(); ++i) Items(i).BuildList();
}

// ---- TSkyDomeStar

std::string TSkyDomeStar::GetDisplayName() const {
  return Format("RA: %5.1f / Dec: %5.1f", static_cast<double>(RA), static_cast<double>(Dec));
}

void TSkyDomeStar::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TSkyDomeStar*>(source);
  if (other == nullptr) {
    TCollectionItem::Assign(source);
    return;
  }
  RA = other->RA;
  Dec = other->Dec;
  Magnitude = other->Magnitude;
  Color = other->Color;
  CacheCoord = other->CacheCoord;
}

// ---- TSkyDomeStars

void TSkyDomeStars::PrecomputeCartesianCoordinates() {
  for (int i = 0; i < Count(); ++i) {
    TSkyDomeStar& star = Items(i);
    float sin_d = 0, cos_d = 0, sin_a = 0, cos_a = 0;
    SinAndCos(star.Dec * cPIdiv180, sin_d, cos_d);
    SinAndCos(star.RA * cPIdiv180, sin_a, cos_a);
    star.CacheCoord = {cos_a * cos_d, sin_a * cos_d, sin_d};
  }
}

void TSkyDomeStars::BuildList(TGLStateCache* states, bool twinkle) {
  if (Count() == 0) return;
  PrecomputeCartesianCoordinates();
  // The colour-buffer group holds the blend and alpha functions switched here.
  const TGLAttribScope attributes(states, GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT);
  gl.Enable(GL_POINT_SMOOTH);
  gl.Enable(GL_ALPHA_TEST);
  gl.AlphaFunc(GL_NOTEQUAL, 0);
  gl.Enable(GL_BLEND);
  gl.BlendFunc(GL_SRC_ALPHA, GL_ONE);
  gl.Begin(GL_POINTS);
  // Sizes in tenths of a pixel; everything below 1.6 pixels is drawn as 1.5 and kept as 15.
  constexpr std::int32_t kFloorTenths = 15;
  std::int32_t last_size = -1;
  TColor last_color = -1;
  TVector4f color{};
  for (int i = 0; i < Count(); ++i) {
    const TSkyDomeStar& star = Items(i);
    const std::int32_t n = RoundSingle((4.5f - star.Magnitude) * 10);
    if (n != last_size) {
      if (n <= kFloorTenths) {
        if (last_size != kFloorTenths) {
          gl.End();
          last_size = kFloorTenths;
          gl.PointSize(1.5f);
          gl.Begin(GL_POINTS);
        }
      } else {
        gl.End();
        gl.PointSize(static_cast<float>(n) * 0.1f);
        gl.Begin(GL_POINTS);
        last_size = n;
      }
    }
    const bool new_color = star.Color != last_color;
    if (new_color) {
      color = WinColorToVector(star.Color, 1);
      last_color = star.Color;
    }
    if (twinkle) {
      const float f = std::min(static_cast<float>(Random() * 0.6L + 0.4L), kBelowOne);
      TVector4f dimmed{};
      ScaleVector4To(color, f, dimmed);
      gl.Color3fv(dimmed.data());
    } else if (new_color) {
      gl.Color3fv(color.data());
    }
    gl.Vertex3fv(star.CacheCoord.data());
  }
  gl.End();
  gl.PointSize(1);
}

// ---- TGLSkyDome

TGLSkyDome::TGLSkyDome()
    : bands_(std::make_unique<TSkyDomeBands>(this)), stars_(std::make_unique<TSkyDomeStars>(this)) {
  SetCamInvarianceMode(cimPosition);
  SetObjectStyle(ObjectStyle() | osDirectDraw | osNoVisibilityCulling);
  TSkyDomeBand& low = bands_->Add();
  low.SetStartAngle(0);
  low.StartColor().SetVector(clrWhite);
  low.SetStopAngle(15);
  low.StopColor().SetVector(clrBlue);
  TSkyDomeBand& high = bands_->Add();
  high.SetStartAngle(15);
  high.StartColor().SetVector(clrBlue);
  high.SetStopAngle(90);
  high.StopColor().SetVector(clrNavy);
  high.SetStacks(4);
}

TGLSkyDome::~TGLSkyDome() = default;

void TGLSkyDome::SetOptions(TSkyDomeOptions value) {
  if (value == options_) return;
  options_ = value;
  if ((options_ & sdoTwinkle) != 0) {
    SetObjectStyle(ObjectStyle() | osDirectDraw);
  } else {
    SetObjectStyle(ObjectStyle() & static_cast<TGLObjectStyles>(~osDirectDraw));
    ReleaseDisplayList();
  }
  MarkStructureDirty();
}

void TGLSkyDome::SetBands(const TSkyDomeBands& value) {
  bands_->Assign(&value);
  MarkStructureDirty();
}

void TGLSkyDome::SetStars(const TSkyDomeStars& value) {
  stars_->Assign(&value);
  MarkStructureDirty();
}

TGLSkyDome::TDomeScope::TDomeScope(const TRenderContextInfo& rci, float far_share, bool alpha_test_off)
    : enable_bits_(rci.GLStates, GL_ENABLE_BIT) {
  gl.Disable(GL_LIGHTING);
  gl.Disable(GL_DEPTH_TEST);
  gl.Disable(GL_FOG);
  gl.Disable(GL_CULL_FACE);
  if (alpha_test_off) gl.Disable(GL_ALPHA_TEST);
  gl.DepthMask(GL_FALSE);
  const TGLCamera* camera = rci.scene != nullptr ? rci.scene->CurrentCamera() : nullptr;
  if (camera != nullptr) {
    const float s = (camera->DepthOfView() + camera->NearPlane()) * far_share;
    gl.Scalef(s, s, s);
  }
}

void TGLSkyDome::DrawBandsAndStars(TRenderContextInfo& rci) {
  bands_->BuildList();
  stars_->BuildList(rci.GLStates, (options_ & sdoTwinkle) != 0);
}

TGLSkyDome::TDomeScope::~TDomeScope() {
  gl.DepthMask(GL_TRUE);
}

void TGLSkyDome::BuildList(TRenderContextInfo& rci) {
  const TDomeScope dome(rci, 0.9f, false);
  DrawBandsAndStars(rci);
}

void TGLSkyDome::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLSkyDome*>(source)) {
    bands_->Assign(other->bands_.get());
    stars_->Assign(other->stars_.get());
  }
  TGLCameraInvariantObject::Assign(source);
}

void TSkyDomeBand::WriteProperties(TPropertyWriter& w) const {
  TCollectionItem::WriteProperties(w);
  w.Single("StartAngle", properties_.start_angle);
  w.Single("StopAngle", properties_.stop_angle);
  if (start_color_.StoresColor()) w.Data("StartColor.Color", start_color_);
  if (stop_color_.StoresColor()) w.Data("StopColor.Color", stop_color_);
  if (properties_.slices != 12) w.Integer("Slices", properties_.slices);
  if (properties_.stacks != 1) w.Integer("Stacks", properties_.stacks);
}

bool TSkyDomeBand::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "StartAngle") {
    SetStartAngle(AsSingle(v));
  } else if (name == "StopAngle") {
    SetStopAngle(AsSingle(v));
  } else if (name == "StartColor.Color") {
    ReadData(start_color_, v, 16);
  } else if (name == "StopColor.Color") {
    ReadData(stop_color_, v, 16);
  } else if (name == "Slices") {
    SetSlices(AsInteger(v));
  } else if (name == "Stacks") {
    SetStacks(AsInteger(v));
  } else {
    return TCollectionItem::ReadProperty(name, v);
  }
  return true;
}

void TSkyDomeStar::WriteProperties(TPropertyWriter& w) const {
  TCollectionItem::WriteProperties(w);
  w.Single("RA", RA);
  w.Single("Dec", Dec);
  w.Single("Magnitude", Magnitude);
  if (Color != 0) w.Integer("Color", static_cast<std::int32_t>(Color));
}

bool TSkyDomeStar::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "RA") {
    RA = AsSingle(v);
  } else if (name == "Dec") {
    Dec = AsSingle(v);
  } else if (name == "Magnitude") {
    Magnitude = AsSingle(v);
  } else if (name == "Color") {
    Color = static_cast<TColor>(AsInteger(v));
  } else {
    return TCollectionItem::ReadProperty(name, v);
  }
  return true;
}

namespace {
constexpr TIdentNames<1> kSkyDomeOptions{"sdoTwinkle"};
}  // namespace

void TGLSkyDome::WriteProperties(TPropertyWriter& w) const {
  TGLCameraInvariantObject::WriteProperties(w);
  if (options_ != 0) w.SetOf("Options", kSkyDomeOptions, options_);
  std::vector<const TPersistent*> bands;
  for (int i = 0; i < bands_->Count(); ++i) bands.push_back(&bands_->Items(i));
  w.Items("Bands", bands);
  std::vector<const TPersistent*> stars;
  for (int i = 0; i < stars_->Count(); ++i) stars.push_back(&stars_->Items(i));
  w.Items("Stars", stars);
}

bool TGLSkyDome::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "Options") {
    SetOptions(static_cast<TSkyDomeOptions>(SetBits(kSkyDomeOptions, v)));
  } else if (name == "Bands") {
    bands_->Clear();
    ReadItems(v, [this]() -> TPersistent& { return bands_->Add(); });
  } else if (name == "Stars") {
    stars_->Clear();
    ReadItems(v, [this]() -> TPersistent& { return stars_->Add(); });
  } else {
    return TGLCameraInvariantObject::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
