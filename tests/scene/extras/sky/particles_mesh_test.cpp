// Particles and the immediate-mode mesh: what they draw through the recording fake, their pool and list.
#include "scene/core/core_fixtures.h"
#include "scene/base/class_registration.h"
#include "scene/extras/mesh/immediate_mesh.h"
#include "scene/extras/mesh/particles.h"
#include "scene/base/class_registration.h"
#include "scene/gl/texture_coordinates.h"

namespace zentrova::test {
namespace {

using testing::ElementsAre;
using ParticlesTest = FakeScene;

TEST_F(ParticlesTest, TheTemplateIsDrawnAndSteppedOnlyWhileDesigning) {
  auto& particles = stage.Objects().AddNewChild<TGLParticles>();
  particles.SetCubeSize(2);
  particles.EdgeColor().SetRGBA(0.25f, 0.5f, 0.75f, 0.5f);
  particles.OnBeforeRenderParticles = [this](TPersistent*, TRenderContextInfo&) { fake.Record("before"); };
  particles.OnAfterRenderParticles = [this](TPersistent*, TRenderContextInfo&) { fake.Record("after"); };
  std::vector<std::string> stepped;
  for (const char* name : {"template", "a", "b"}) {
    particles.AddNewChild<TMarker>(name, osDirectDraw).OnProgress = [&](auto& o, double, double) {
      stepped.push_back(o.Name());
    };
  }
  fake.Clear();
  particles.DoRender(rci, false, false);
  EXPECT_THAT(Only({"b", "after", "glBegin"}), ElementsAre("before", "build a", "build b", "after"));
  particles.DoProgress({0.1, 1});
  EXPECT_THAT(stepped, ElementsAre("b", "a"));
  particles.SetDesigning(true);
  fake.Clear();
  particles.DoRender(rci, false, false);
  EXPECT_THAT(Only({"b", "after"}), ElementsAre("before", "build template", "build a", "build b", "after"));
  const Calls cube = GoldenCalls("../../extras/sky/calls/particle_cube");  // first, call for call
  EXPECT_EQ(Calls(fake.Calls().begin(), fake.Calls().begin() + cube.size()), cube);
}

TEST(Particles, ThePoolIsTrimmedLastFirstAndClearedFirstToLast) {
  TGLParticles particles, other;
  std::vector<std::string> destroyed;
  particles.OnDestroyParticle = [&](TGLParticles&, TGLBaseSceneObject& p) { destroyed.push_back(p.Name()); };
  const auto fill = [&] {
    for (const char* name : {"p0", "p1", "p2"})
      particles.ParticlePool().push_back(std::make_unique<TMarker>(name));
  };
  particles.SetParticlePoolSize(3);
  fill();
  particles.SetParticlePoolSize(1);
  particles.SetParticlePoolSize(-5);
  EXPECT_EQ(particles.ParticlePoolSize(), 0);
  EXPECT_THAT(destroyed, ElementsAre("p2", "p1", "p0"));
  // Assigning clears the pool in order and takes the size as it is, trimming nothing.
  destroyed.clear();
  fill();
  other.SetParticlePoolSize(1);
  particles.Assign(&other);
  EXPECT_THAT(destroyed, ElementsAre("p0", "p1", "p2"));
  EXPECT_EQ(particles.ParticlePoolSize(), 1);
}

using MeshTest = FakeScene;
TGLRecordingFake* recording = nullptr;
void* locked_block = nullptr;

TEST_F(MeshTest, EachVertexModeFeedsItsArraysAndOnlyColoursTrackTheMaterial) {
  TGLMesh mesh;
  TexCoordRouteMain();
  const std::string material = "glMaterialfv(1032, 4608, [0.200000003, 0.200000003, 0.200000003, 1])";
  const std::pair<TVertexMode, Calls> cases[] = {
      {vmV, {"glInterleavedArrays(10785, 48, ptr)"}},
      {vmVN, {"glInterleavedArrays(10789, 48, ptr)"}},
      {vmVNC, {"glInterleavedArrays(10790, 48, ptr)", "glColorMaterial(1032, 5634)", material}},
      {vmVNCT, {"glInterleavedArrays(10796, 0, ptr)", "glColorMaterial(1032, 5634)", material}},
      {vmVNT, {"glInterleavedArrays(10796, 0, ptr)"}},
      {vmVT, {"glTexCoordPointer(2, 5126, 48, ptr)", "glVertexPointer(3, 5126, 48, ptr)"}}};
  for (const auto& [mode, arrays] : cases) {
    mesh.SetVertexMode(mode);
    fake.Clear();
    mesh.BuildList(rci);
    EXPECT_EQ(Only({"glInter", "glTexCoordP", "glVertexP", "glColorMaterial", "glMaterialfv(1032, 4608"}),
              arrays);
  }
  EXPECT_THAT(Only({"glPush", "glPop", "glDraw"}),
              ElementsAre("glPushAttrib(8201)", "glPushClientAttrib(2)", "glDrawArrays(5, 0, 3)",
                          "glPopClientAttrib()", "glPopAttrib()"));
}

TEST_F(MeshTest, TheListGrowsBy256AndALockedListTakesNothing) {
  recording = &fake;
  wgl.AllocateMemoryNV = [](GLsizei size, GLfloat r, GLfloat w, GLfloat priority) {
    recording->Record(GLCall("wglAllocateMemoryNV", size, r, w, priority));
    return locked_block;
  };
  wgl.FreeMemoryNV = [](void* block) { recording->Record(GLCall("wglFreeMemoryNV", block)); };
  TGLMesh mesh;
  TVertexList& list = mesh.Vertices();
  for (int i = list.Count(); i < 257; ++i) list.AppendVertex({float(i), 0, 0}, {}, {}, {});
  EXPECT_EQ(list.Capacity(), 512);
  // Without the extension, without a context or without memory from the driver nothing happens.
  std::vector<TVertexData> block(257);
  const TVertexData* own = list.Values();
  for (auto [extension, active, memory] :
       {std::tuple{false, true, true}, {true, false, true}, {true, true, false}}) {
    GL.NV_vertex_array_range = extension;
    if (active != context.Active()) active ? context.Activate() : context.Deactivate();
    locked_block = memory ? block.data() : nullptr;
    list.SetLocked(true);
    EXPECT_FALSE(list.Locked());
  }
  EXPECT_THAT(Only({"wgl"}), ElementsAre("wglAllocateMemoryNV(12336, 0, 0, 0.5)"));
  locked_block = block.data();
  list.SetLocked(true);
  ASSERT_TRUE(list.Locked() && list.Values() == block.data() && block[256].coord[0] == 256);
  EXPECT_THAT(
      [&] { list.AppendVertex({}, {}, {}, {}); },
      testing::ThrowsMessage<EAssertionFailed>(testing::StartsWith("Cannot add to a locked list ! (")));
  mesh.SetObjectStyle(osDirectDraw);
  fake.Clear();
  mesh.BuildList(rci);
  EXPECT_EQ(Only({"glVertexArrayRange", "glFlush"}),
            (Calls{"glVertexArrayRangeNV(12336, ptr)", "glFlushVertexArrayRangeNV()"}));
  list.SetLocked(false);
  EXPECT_TRUE(!list.Locked() && list.Values() == own);
  EXPECT_EQ(fake.Calls().back(), "wglFreeMemoryNV(ptr)");
}

TEST(SceneObjectClasses, EveryRegisteredNameMakesItsClass) {
  for (std::string name : {"TGLParticles", "TGLMesh", "TGLSkyDome", "TGLEarthSkyDome"})
    EXPECT_EQ(GetComponentClass(name)()->ClassName(), name);
  EXPECT_EQ(GetComponentClass("TGLCameraInvariantObject"), nullptr);
}

}  // namespace
}  // namespace zentrova::test
