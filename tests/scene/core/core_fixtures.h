// Scene-core test fixtures: a notice-counting scene, a marker object, a scene drawn through the fake.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "scene/base/matrix_geometry.h"
#include "scene/base/scene_errors.h"
#include "scene/base/vector_geometry.h"
#include "scene/core/camera.h"
#include "scene/core/custom_scene_object.h"
#include "scene/core/light_source.h"
#include "scene/core/selection_names.h"
#include "scene/core/stage.h"
#include "scene/expect_near.h"
#include "scene/gl/gl_fixtures.h"
#include "scene/gl/state_cache.h"

namespace zentrova::test {

using Calls = std::vector<std::string>;

class TCountingStage : public TGLStage {
 public:
  void NotifyBuffers(TPersistent* sender) override { senders.push_back(sender); }
  std::vector<TPersistent*> senders;
};

// BuildList records "build <name>" in the fake, or throws when asked to.
class TMarker : public TGLCustomSceneObject {
 public:
  explicit TMarker(const std::string& name = "", TGLObjectStyles style = 0, TAffineVector at = {},
                   bool blended = false)
      : blended(blended) {
    SetName(name);
    SetObjectStyle(style);
    Position().SetPositionXYZ(at[0], at[1], at[2]);
  }
  bool Blended() const override { return blended; }
  void BuildList(TRenderContextInfo&) override {
    if (throws) throw EAssertionFailed("bad geometry", "marker.cpp", 1);
    if (fake != nullptr) fake->Record("build " + Name());
  }
  bool throws = false;
  bool blended;
  static inline TGLRecordingFake* fake = nullptr;
};

inline void ExpectNear(const TVector4f& actual, const TVector4f& expected, double tolerance) {
  ExpectNear(actual, {expected[0], expected[1], expected[2], expected[3]}, tolerance);
}

// The calls of the golden file tests/data/scene/core/calls/<file>.txt, "<name>" replaced by a picking name.
inline Calls CoreCalls(const std::string& file, std::uint32_t name = 0) {
  Calls calls = GoldenCalls("../../core/calls/" + file);
  for (std::string& call : calls) {
    if (auto at = call.find("<name>"); at != std::string::npos) call.replace(at, 6, std::to_string(name));
  }
  return calls;
}

// The numbers of a recorded call "name(a, b, [c, d])".
inline std::vector<double> Numbers(std::string call) {
  for (char& c : call) c = std::string("(),[]").find(c) != std::string::npos ? ' ' : c;
  std::istringstream in(call.substr(call.find(' ')));
  std::vector<double> numbers;
  for (double v; in >> v;) numbers.push_back(v);
  return numbers;
}

// A scene drawn through the recording fake in a current fake context.
class FakeScene : public ::testing::Test {
 protected:
  FakeScene() {
    TMarker::fake = &fake;
    context.Create();
    context.Activate();
  }
  ~FakeScene() override {
    TMarker::fake = nullptr;
    if (context.Active()) context.Deactivate();
  }
  Calls Only(std::initializer_list<std::string> prefixes) const {
    Calls kept;
    std::copy_if(fake.Calls().begin(), fake.Calls().end(), std::back_inserter(kept),
                 [&](const std::string& call) {
                   return std::any_of(prefixes.begin(), prefixes.end(),
                                      [&](auto& prefix) { return call.rfind(prefix, 0) == 0; });
                 });
    return kept;
  }
  TGLRecordingFake fake;
  TFakeContext context{"A"};
  TCountingStage stage;
  TGLStateCache states;
  TRenderContextInfo rci{
      .scene = &stage, .objectsSorting = osNone, .visibilityCulling = vcNone, .GLStates = &states};
};

}  // namespace zentrova::test
