// The buffer on a fake context, through the recording fake: a frame's GL calls, notices, the camera and
// scene links, failed context creation; pick lists, render points and behaviour collections.
#include "core_fixtures.h"
#include "scene/base/class_registration.h"
#include "scene/core/behaviours.h"
#include "scene/core/direct_opengl.h"
#include "scene/core/pick_list.h"
#include "scene/core/stage_buffer.h"
#include "scene/base/property_stream.h"

namespace zentrova::test {
namespace {

// Contexts from the manager are fakes while the fixture lives.
class FakeBuffer : public ::testing::Test {
 protected:
  FakeBuffer() : saved_classes_(TakeContextClasses()) {
    AddContextClass(NewFake);
    GL.VERSION_1_1 = true;
    TMarker::fake = &fake;
    camera.Position().SetZ(10);
    buffer.SetCamera(&camera);
    buffer.Resize(64, 32);
    buffer.SetViewport(0, 0, 64, 32);
  }
  static std::unique_ptr<TGLContext> NewFake() { return std::make_unique<TFakeContext>("B"); }
  ~FakeBuffer() override {
    TMarker::fake = nullptr;
    TakeContextClasses();
    for (TGLContextClass c : saved_classes_) AddContextClass(c);
  }
  std::vector<TGLContextClass> saved_classes_;
  TGLRecordingFake fake;
  TGLStage stage;
  TGLCamera& camera = stage.Cameras().AddNewChild<TGLCamera>();
  TGLStageBuffer buffer;
};

TEST_F(FakeBuffer, AFrameStartsFromAKnownStateAndLeavesOne) {
  stage.Objects().AddNewChild<TMarker>("o", osDirectDraw);
  buffer.CreateRenderingContext({}, true);
  fake.Clear();
  buffer.Render();
  EXPECT_EQ(fake.Calls(), CoreCalls("frame"));
  // Without a colour buffer, nothing clears colour and the tree draws with colour writes off.
  buffer.SetContextOptions(roNoColorBuffer);
  fake.Clear();
  buffer.Render();
  const auto mine = [](const std::string& c) { return c.rfind("glClear(", 0) == 0 || c.rfind("glColorMask", 0) == 0; };
  Calls kept;
  std::copy_if(fake.Calls().begin(), fake.Calls().end(), std::back_inserter(kept), mine);
  EXPECT_EQ(kept, (Calls{"glClear(256)", "glColorMask(0, 0, 0, 0)", "glColorMask(1, 1, 1, 1)"}));
}

TEST_F(FakeBuffer, AFailedContextCreationLeavesNoContextAndNoFlag) {
  const std::pair<std::function<void()>, std::string> failures[] = {
      {[] { TakeContextClasses(); }, "Failed to create RenderingContext."},
      {[] { AddContextClass(NewFake), GL.VERSION_1_1 = false; }, "Need at least OpenGL version 1.1"}};
  for (const auto& [arrange, text] : failures) {
    arrange();
    try {
      buffer.CreateRenderingContext({}, true);
      ADD_FAILURE() << text;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), text);
    }
    EXPECT_TRUE(!buffer.Rendering() && buffer.RenderingContext() == nullptr && ActiveContext() == nullptr);
  }
}

TEST_F(FakeBuffer, SettersNotifyOnlyOnAChangeAndContextSettingsAskForANewContext) {
  int changes = 0, structural = 0;
  buffer.OnChange = [&](TPersistent*) { ++changes; };
  buffer.OnStructuralChange = [&](TPersistent*) { ++structural; };
  const std::pair<std::function<void()>, bool> setters[] = {
      {[&] { buffer.SetBackgroundColor(MakeRGBColor(255, 255, 255)); }, false},  {[&] { buffer.SetDepthTest(false); }, false},
      {[&] { buffer.SetFaceCulling(false); }, false},          {[&] { buffer.SetLighting(false); }, false},
      {[&] { buffer.SetFogEnable(true); }, false},             {[&] { buffer.SetShadeModel(smFlat); }, false},
      {[&] { buffer.FogEnvironment().SetFogEnd(5); }, false},  {[&] { buffer.AmbientColor().SetRed(1); }, false},
      {[&] { buffer.SetContextOptions(roStereo); }, true},     {[&] { buffer.SetAntiAliasing(aa4x); }, true},
      {[&] { buffer.SetDepthPrecision(dp16bits); }, true},     {[&] { buffer.SetColorDepth(cd16bits); }, true},
      {[&] { buffer.SetAccumBufferBits(8); }, true}};
  for (const auto& [set, needs_context] : setters) {
    changes = structural = 0;
    set();
    set();
    EXPECT_EQ(std::pair(changes, structural), needs_context ? std::pair(0, 1) : std::pair(1, 0));
  }
}

TEST_F(FakeBuffer, TheBufferJoinsItsCamerasSceneSharingTheFirstContextAndLeavesWithItsCamera) {
  TGLStageBuffer second;
  second.SetCamera(&camera);
  for (TGLStageBuffer* b : {&buffer, &second}) b->CreateRenderingContext({}, true), b->Render();
  EXPECT_EQ(stage.Buffers(), (std::vector<TGLStageBuffer*>{&buffer, &second}));
  EXPECT_EQ(stage.SharedContext(), buffer.RenderingContext());
  EXPECT_TRUE(second.RenderingContext()->SharesNamesWith(buffer.RenderingContext()));
  buffer.DestroyRenderingContext();
  EXPECT_EQ(stage.SharedContext(), second.RenderingContext());
  TGLCamera loose;
  second.SetCamera(&loose);  // in no scene: refused
  EXPECT_EQ(second.Camera(), nullptr);
  EXPECT_TRUE(stage.Buffers().empty());
  buffer.Render();  // no context: nothing
  second.SetCamera(&camera);
  second.Render();
  stage.Cameras().DeleteChildren();
  EXPECT_TRUE(second.Camera() == nullptr && buffer.Camera() == nullptr && stage.Buffers().empty());
}

TEST(PickList, EachListKeepsItsOwnOrder) {
  TGLBaseSceneObject a, b, c;
  a.SetName("b");
  b.SetName("A");
  c.SetName("c");
  TGLPickList lists[] = {TGLPickList(psDefault), TGLPickList(psName), TGLPickList(psMinDepth),
                         TGLPickList(psMaxDepth)};
  for (TGLPickList& list : lists) {
    list.AddHit(&a, {}, 0.3f, 0.4f);
    list.AddHit(&b, {7}, 0.1f, 0.9f);
    list.AddHit(&c, {}, 0.2f, 0.2f);
  }
  const std::vector<TGLBaseSceneObject*> orders[] = {{&a, &b, &c}, {&b, &a, &c}, {&b, &c, &a}, {&c, &a, &b}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ((std::vector{lists[i].Hit(0), lists[i].Hit(1), lists[i].Hit(2)}), orders[i]) << i;
  }
  EXPECT_EQ(lists[0].Record(1).SubObjects, std::vector<std::uint32_t>{7});
}

TEST_F(FakeScene, ARenderPointCallsInOrderAndFreesFromTheLast) {
  std::vector<std::string> log;
  {
    TGLRenderPoint point;
    for (std::string name : {"1", "2"}) {
      point.RegisterCallback([&log, name](TPersistent*, TRenderContextInfo&) { log.push_back("draw " + name); },
                             [&log, name](TGLRenderPoint&) { log.push_back("free " + name); });
    }
    point.BuildList(rci);
  }
  EXPECT_EQ(log, (std::vector<std::string>{"draw 1", "draw 2", "free 2", "free 1"}));
}

TEST_F(FakeScene, ACameraInvariantObjectReplacesTheViewAndBalancesTheModelViewStack) {
  TGLStageBuffer buffer;
  rci.buffer = &buffer;
  rci.cameraPosition = {1, 2, 3, 1};
  auto& object = stage.Objects().AddNewChild<TGLCameraInvariantObject>();
  const std::pair<TGLCameraInvarianceMode, Calls> cases[] = {
      {cimPosition, {"glLoadMatrixf([1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1])", "glTranslatef(1, 2, 3)"}},
      {cimOrientation, {"glLoadIdentity()", "glScalef(1, -1, -1)"}}};
  for (const auto& [mode, calls] : cases) {
    object.SetCamInvarianceMode(mode);
    fake.Clear();
    object.RenderWithTransform(rci);
    EXPECT_EQ(Only({"glLoad", "glTranslatef", "glScalef"}), calls);
    EXPECT_THROW(buffer.PopModelViewMatrix(), EAssertionFailed);  // popped again
  }
}

template <class Kind>
struct TLoggedItem : Kind {
  static const TXCollectionItemClass& StaticClass() {
    static const TGLBehaviourClass<TLoggedItem, Kind> item_class("TLoggedItem", "logged");
    return item_class;
  }
  const TXCollectionItemClass& ItemClass() const override { return StaticClass(); }
  void DoProgress(const TProgressTimes&) override { log->push_back(this->Name()); }
  static inline std::vector<std::string>* log = nullptr;
};

TEST(Behaviours, EachCollectionTakesItsOwnKindAndStepsAfterTheChildren) {
  std::vector<std::string> log;
  TLoggedItem<TGLBehaviour>::log = TLoggedItem<TGLObjectPostEffect>::log = &log;
  TGLBaseSceneObject parent;
  parent.SetName("p");
  parent.AddNewChild().OnProgress = [&log](auto&, double, double) { log.push_back("child"); };
  parent.OnProgress = [&log](auto&, double, double) { log.push_back("parent"); };
  TLoggedItem<TGLObjectPostEffect>::StaticClass().Create(parent.Effects()).SetName("effect");
  TLoggedItem<TGLBehaviour>::StaticClass().Create(parent.Behaviours()).SetName("behaviour");
  EXPECT_FALSE(parent.Behaviours().Accepts(TGLObjectPostEffect::StaticClass()));
  EXPECT_FALSE(parent.Effects().Accepts(TGLBehaviour::StaticClass()));
  parent.DoProgress({0.1, 1});
  EXPECT_EQ(log, (std::vector<std::string>{"child", "behaviour", "effect", "parent"}));
  EXPECT_EQ(parent.Effects().GetNamePath(), "p.Effects");
}

TEST(SceneClasses, StartUpRegistersTheSevenByName) {
  for (std::string name : {"TGLLightSource", "TGLCamera", "TGLProxyObject", "TGLStage", "TGLDirectOpenGL",
                           "TGLRenderPoint", "TGLMemoryViewer"}) {
    const TComponentFactory factory = GetComponentClass(name);
    ASSERT_NE(factory, nullptr) << name;
    EXPECT_EQ(factory()->ClassName(), name);
  }
}

// The buffer's written properties (its fog's among them), as bytes.
std::string Written(const TGLStageBuffer& buffer) {
  TMemoryStream stream;
  TPropertyWriter writer(stream);
  buffer.WriteProperties(writer);
  return stream.DataString();
}

TEST(StageBufferSettings, AssignCopiesEverySettingAndTheFogAndRebuildsTheContextOnlyForContextSettings) {
  TGLStageBuffer source;
  source.SetBackgroundColor(0x00112233);
  source.SetBackgroundAlpha(0.5f);
  source.AmbientColor().SetVector({0.1f, 0.2f, 0.3f, 1});
  source.SetDepthTest(false);
  source.SetFaceCulling(false);
  source.SetLighting(false);
  source.SetFogEnable(true);
  source.SetShadeModel(smFlat);
  source.FogEnvironment().SetFogStart(2);
  source.FogEnvironment().SetFogEnd(20);
  source.FogEnvironment().SetFogMode(fmExp2);
  source.FogEnvironment().SetFogDistance(fdEyePlane);
  // The render settings first: the copy's context stays.
  TGLStageBuffer copy;
  int structural = 0;
  copy.OnStructuralChange = [&](TPersistent*) { ++structural; };
  ASSERT_NE(Written(copy), Written(source));
  copy.Assign(&source);
  EXPECT_EQ(Written(copy), Written(source));
  EXPECT_EQ(structural, 0);
  // Then each context setting alone asks for a new context.
  struct ContextCase {
    const char* name;
    std::function<void(TGLStageBuffer&)> set;
  };
  const ContextCase cases[] = {
      {"options", [](TGLStageBuffer& b) { b.SetContextOptions(roDoubleBuffer | roStencilBuffer); }},
      {"antialiasing", [](TGLStageBuffer& b) { b.SetAntiAliasing(aa4x); }},
      {"depth precision", [](TGLStageBuffer& b) { b.SetDepthPrecision(dp16bits); }},
      {"colour depth", [](TGLStageBuffer& b) { b.SetColorDepth(cd16bits); }},
      {"accumulation bits", [](TGLStageBuffer& b) { b.SetAccumBufferBits(16); }},
  };
  for (const ContextCase& c : cases) {
    TGLStageBuffer changed;
    changed.Assign(&source);
    c.set(changed);
    ASSERT_NE(Written(changed), Written(copy)) << c.name;
    structural = 0;
    copy.Assign(&changed);
    EXPECT_EQ(Written(copy), Written(changed)) << c.name;
    EXPECT_EQ(structural, 1) << c.name;
    copy.Assign(&source);
  }
}

}  // namespace
}  // namespace zentrova::test
