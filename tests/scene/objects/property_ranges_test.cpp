// Setters of properties with a range, table-driven: a value outside is stored as its end of the range
// with one notice, and another value outside that comes to the same end changes nothing and tells no one.
#include <functional>
#include <string>

#include "objects_fixtures.h"
#include "scene/core/camera.h"
#include "scene/objects/frustrum.h"
#include "scene/objects/lines.h"
#include "scene/objects/plane.h"
#include "scene/objects/polygon.h"
#include "scene/objects/space_text.h"
#include "scene/objects/sphere.h"
#include "scene/objects/sprite.h"

namespace zentrova::test {
namespace {

struct RangeCase {
  std::string name;
  std::function<TGLBaseSceneObject&(TGLBaseSceneObject& parent)> add;
  std::function<void(TGLBaseSceneObject&, float)> set;
  std::function<float(const TGLBaseSceneObject&)> get;
  float inside, outside, stored, also_outside;
};

template <class O>
RangeCase Case(const std::string& name, void (O::*set)(float), float (O::*get)() const, float inside,
               float outside, float stored, float also_outside) {
  return {name, [](TGLBaseSceneObject& parent) -> TGLBaseSceneObject& { return parent.AddNewChild<O>(); },
          [set](TGLBaseSceneObject& o, float v) { (static_cast<O&>(o).*set)(v); },
          [get](const TGLBaseSceneObject& o) { return (static_cast<const O&>(o).*get)(); }, inside, outside,
          stored, also_outside};
}

template <class O>
RangeCase IntCase(const std::string& name, void (O::*set)(int), int (O::*get)() const, int inside, int outside,
                  int stored, int also_outside) {
  return {name, [](TGLBaseSceneObject& parent) -> TGLBaseSceneObject& { return parent.AddNewChild<O>(); },
          [set](TGLBaseSceneObject& o, float v) { (static_cast<O&>(o).*set)(static_cast<int>(v)); },
          [get](const TGLBaseSceneObject& o) { return static_cast<float>((static_cast<const O&>(o).*get)()); },
          static_cast<float>(inside), static_cast<float>(outside), static_cast<float>(stored),
          static_cast<float>(also_outside)};
}

struct PropertyRanges : FakeScene {};

TEST_F(PropertyRanges, AValueOutsideIsStoredAsTheRangesEndOnceAndNotAgain) {
  const RangeCase cases[] = {
      IntCase("sphere slices", &TGLSphere::SetSlices, &TGLSphere::Slices, 5, 0, 1, -5),
      IntCase("sphere stacks", &TGLSphere::SetStacks, &TGLSphere::Stacks, 5, -1, 1, 0),
      Case("plane x scope", &TGLPlane::SetXScope, &TGLPlane::XScope, 0.5f, 2, 1, 1.5f),
      Case("plane y scope", &TGLPlane::SetYScope, &TGLPlane::YScope, 0.25f, 3, 1, 7),
      IntCase("polygon division", &TGLPolygon::SetDivision, &TGLPolygon::Division, 4, 0, 1, -2),
      IntCase("lines division", &TGLLines::SetDivision, &TGLLines::Division, 4, -1, 1, 0),
      Case("sprite alpha above", &TGLSprite::SetAlphaChannel, &TGLSprite::AlphaChannel, 0.5f, 1.5f, 1, 2),
      Case("sprite alpha below", &TGLSprite::SetAlphaChannel, &TGLSprite::AlphaChannel, 0.5f, -0.5f, 0, -1),
      Case("3D text deviation", &TGLSpaceText::SetAllowedDeviation, &TGLSpaceText::AllowedDeviation, 0.5f, -1, 0, -3),
      Case("camera near-plane bias", &TGLCamera::SetNearPlaneBias, &TGLCamera::NearPlaneBias, 2, 0, 1, -2),
      Case("camera scene scale", &TGLCamera::SetSceneScale, &TGLCamera::SceneScale, 2, 0, 1, 0),
  };
  for (const RangeCase& c : cases) {
    TGLBaseSceneObject& object = c.add(stage.Objects());
    // Drawn directly, every structure change is a notice.
    object.SetObjectStyle(osDirectDraw);
    c.set(object, c.inside);
    stage.senders.clear();
    c.set(object, c.outside);
    EXPECT_EQ(c.get(object), c.stored) << c.name;
    EXPECT_EQ(stage.senders.size(), 1u) << c.name;
    c.set(object, c.also_outside);
    EXPECT_EQ(c.get(object), c.stored) << c.name;
    EXPECT_EQ(stage.senders.size(), 1u) << c.name << ": the same end again";
  }
}

TEST_F(PropertyRanges, AFrustrumRefusesNegativeSizesAndKeepsItsHeightAtMostTheApexHeight) {
  auto& frustrum = stage.Objects().AddNewChild<TGLFrustrum>();
  frustrum.SetObjectStyle(osDirectDraw);
  frustrum.SetApexHeight(2);
  frustrum.SetHeight(1);
  frustrum.SetBaseWidth(1);
  frustrum.SetBaseDepth(1);
  stage.senders.clear();
  for (auto set : {&TGLFrustrum::SetApexHeight, &TGLFrustrum::SetHeight, &TGLFrustrum::SetBaseWidth,
                   &TGLFrustrum::SetBaseDepth})
    (frustrum.*set)(-1);
  EXPECT_EQ(frustrum.ApexHeight(), 2);
  EXPECT_EQ(frustrum.Height(), 1);
  EXPECT_EQ(frustrum.BaseWidth(), 1);
  EXPECT_EQ(frustrum.BaseDepth(), 1);
  EXPECT_TRUE(stage.senders.empty());
  // A lower apex takes the height down with it; a higher height takes the apex up.
  frustrum.SetApexHeight(0.5f);
  EXPECT_EQ(frustrum.Height(), 0.5f);
  frustrum.SetHeight(3);
  EXPECT_EQ(frustrum.ApexHeight(), 3);
  EXPECT_EQ(stage.senders.size(), 2u);
}

}  // namespace
}  // namespace zentrova::test
