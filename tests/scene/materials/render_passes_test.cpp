// Material, texture, library-material and shader passes as OpenGL call sequences, behind the recording
// fake.

#include <gtest/gtest.h>

#include <stdexcept>

#include <algorithm>

#include "materials_test_support.h"
#include "scene/core/custom_scene_object.h"
#include "scene/core/light_source.h"
#include "scene/materials/material.h"
#include "scene/materials/material_library.h"
#include "scene/materials/render_context_info.h"
#include "scene/materials/shader.h"
#include "scene/core/stage.h"
#include "scene/materials/texture_ex.h"
#include "scene/gl/gl_fixtures.h"
#include "scene/gl/state_cache.h"
#include "scene/gl/texture_coordinates.h"

namespace zentrova {
namespace {

using test::GLCall;
using test::TGLRecordingFake;
using test::Values;
using Calls = std::vector<std::string>;

// A render context on a fresh state cache, behind the recording fake, with a current fake context for
// texture names.
class RenderPasses : public ::testing::Test {
 protected:
  RenderPasses() {
    context_.Create();
    context_.Activate();
    rci_.GLStates = &states_;
    TexCoordRouteMain();
  }
  ~RenderPasses() override {
    context_.Deactivate();
    UnlockSecondTexUnit();
  }
  // The recorded calls whose names start with one of the prefixes.
  Calls Only(std::initializer_list<const char*> prefixes) const {
    Calls kept;
    for (const std::string& call : fake_.Calls()) {
      const auto starts = [&](const char* prefix) { return call.rfind(prefix, 0) == 0; };
      if (std::any_of(prefixes.begin(), prefixes.end(), starts)) kept.push_back(call);
    }
    return kept;
  }

  TGLRecordingFake fake_;
  test::TFakeContext context_;
  TGLStateCache states_;
  TRenderContextInfo rci_;
};

TEST_F(RenderPasses, BlendingModes) {
  const std::string blend_on = GLCall("glEnable", GL_BLEND), test_on = GLCall("glEnable", GL_ALPHA_TEST);
  const std::string blend_off = GLCall("glDisable", GL_BLEND), test_off = GLCall("glDisable", GL_ALPHA_TEST);
  const std::string over = GLCall("glBlendFunc", GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA),
                    add = GLCall("glBlendFunc", GL_SRC_ALPHA, GL_ONE),
                    mul = GLCall("glBlendFunc", GL_DST_COLOR, GL_ZERO),
                    half = GLCall("glAlphaFunc", GL_GEQUAL, 0.5f),
                    full = GLCall("glAlphaFunc", GL_GEQUAL, 1.0f);
  // clang-format off
  const struct { TBlendingMode mode; Calls from_off, from_on; } cases[] = {  // both states off, or on, before
      {bmOpaque, {}, {blend_off, test_off}},               {bmTransparency, {blend_on, test_on, over}, {over}},
      {bmAdditive, {blend_on, test_on, add}, {add}},       {bmAlphaTest50, {test_on, half}, {blend_off, half}},
      {bmAlphaTest100, {test_on, full}, {blend_off, full}}, {bmModulate, {blend_on, test_on, mul}, {mul}}};
  // clang-format on
  for (const auto& c : cases) {
    for (bool on : {false, true}) {
      SCOPED_TRACE(std::to_string(c.mode) + (on ? " from on" : " from off"));
      TGLStateCache states;
      for (TGLState state : {stCullFace, stBlend, stAlphaTest}) {
        if (on || state == stCullFace) states.EnableState(state);
      }
      rci_.GLStates = &states;
      TGLMaterial material(nullptr);
      material.SetFaceCulling(fcCull);
      material.SetBlendingMode(c.mode);
      rci_.ignoreBlendingRequests = true;  // leaves both states alone
      material.Apply(rci_);
      rci_.ignoreBlendingRequests = false;
      fake_.Clear();
      material.Apply(rci_);
      EXPECT_EQ(Only({"glEnable", "glDisable", "glBlendFunc", "glAlphaFunc"}), on ? c.from_on : c.from_off);
    }
  }
}

TEST_F(RenderPasses, FaceCullingByTheStateBeforeTheStep) {
  const std::string enable = GLCall("glEnable", GL_CULL_FACE), disable = GLCall("glDisable", GL_CULL_FACE);
  // clang-format off
  const struct { bool culling; TFaceCulling mode; bool buffer_culls; Calls calls; bool back; } cases[] = {
      {false, fcBufferDefault, true, {enable}, false}, {false, fcBufferDefault, false, {}, true},
      {false, fcCull, false, {enable}, false},         {false, fcNoCull, true, {}, true},
      {true, fcBufferDefault, false, {disable}, true}, {true, fcBufferDefault, true, {}, false},
      {true, fcCull, false, {}, false},                {true, fcNoCull, true, {disable}, true}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    TGLStateCache states;
    states.EnableState(stLighting);  // back faces get colours either way
    if (c.culling) states.EnableState(stCullFace);
    rci_.GLStates = &states;
    rci_.bufferFaceCull = c.buffer_culls;
    TGLMaterial material(nullptr);
    material.SetFaceCulling(c.mode);
    fake_.Clear();
    material.Apply(rci_);
    EXPECT_EQ(Only({"glEnable", "glDisable"}), c.calls);
    EXPECT_EQ(Only({"glMaterialfv(1029,"}).empty(), !c.back);
  }
}

TEST_F(RenderPasses, NestedNoLightingMaterialsRestoreOnlyTheirOwn) {
  states_.EnableState(stLighting);
  states_.EnableState(stFog);
  TGLMaterial outer(nullptr), inner(nullptr);
  outer.SetMaterialOptions(moNoLighting | moIgnoreFog);
  inner.SetMaterialOptions(moNoLighting | moIgnoreFog);
  outer.Apply(rci_);
  inner.Apply(rci_);
  EXPECT_EQ(rci_.lightingDisabledCounter, 1);
  fake_.Clear();
  inner.Restore(rci_);
  EXPECT_FALSE(states_.StateEnabled(stLighting) || states_.StateEnabled(stFog));
  EXPECT_EQ(rci_.lightingDisabledCounter, 1);
  outer.Restore(rci_);
  EXPECT_EQ(Only({"glEnable"}), (Calls{GLCall("glEnable", GL_LIGHTING), GLCall("glEnable", GL_FOG)}));
  EXPECT_TRUE(rci_.lightingDisabledCounter == 0 && rci_.fogDisabledCounter == 0);
}

TEST_F(RenderPasses, CubeMapTextureMatrices) {
  GL.ARB_texture_cube_map = true;
  // A quarter turn about z, translated: its rotation alone goes into the texture matrix.
  const TMatrix4f model_view{{{0, 1, 0, 0}, {-1, 0, 0, 0}, {0, 0, 1, 0}, {5, 6, 7, 1}}};
  rci_.modelViewMatrix = &model_view;
  rci_.cameraUp = {0, 1, 0, 0}, rci_.cameraDirection = {0, 0, -1, 0};
  // The light of slot 0 turned as the view is: its rotation, then the view's undone.
  TGLStage stage;
  stage.Objects().AddNewChild<TGLLightSource>().SetMatrix(model_view);
  rci_.scene = &stage;
  rci_.firstLightMatrix = &TGLStage::FirstLightMatrix;
  // (Cross products leave signed zeros where they subtract zero products.)
  const auto rotation =
      Values(0.f, 1.f, 0.f, 0.f, -1.f, 0.f, 0.f, 0.f, 0.f, -0.f, 1.f, 0.f, 0.f, 0.f, 0.f, 1.f);
  const auto transposed =
      Values(0.f, -1.f, 0.f, 0.f, 1.f, 0.f, -0.f, 0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f, 0.f, 1.f);
  const auto light = Values(0.f, 1.f, -0.f, 0.f, -1.f, 0.f, 0.f, 0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f, 0.f, 1.f);
  const auto camera =
      Values(-1.f, 0.f, 0.f, 0.f, -0.f, -0.f, 1.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f, 0.f, 0.f, 1.f);
  const std::string texture = GLCall("glMatrixMode", GL_TEXTURE),
                    model = GLCall("glMatrixMode", GL_MODELVIEW);
  const struct {
    TGLTextureMappingMode mode;
    bool transpose_extension;
    Calls calls;
  } cases[] = {
      {tmmCubeMapReflection, true, {texture, GLCall("glLoadTransposeMatrixfARB", rotation), model}},
      {tmmCubeMapNormal, false, {texture, GLCall("glLoadMatrixf", transposed), model}},
      {tmmCubeMapLight0,
       true,
       {texture, GLCall("glLoadTransposeMatrixfARB", light), GLCall("glMultMatrixf", transposed), model}},
      {tmmCubeMapCamera,
       true,
       {texture, GLCall("glLoadTransposeMatrixfARB", camera), GLCall("glMultMatrixf", transposed), model}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    GL.ARB_transpose_matrix = c.transpose_extension;
    TGLTexture cube(nullptr);
    cube.SetImageClassName("TGLCubeMapImage");
    cube.SetEnabled(true);
    cube.SetMappingMode(c.mode);
    fake_.Clear();
    cube.Apply(rci_);
    EXPECT_EQ(Only({"glMatrixMode", "glLoad", "glMult"}), c.calls);
    fake_.Clear();
    cube.Restore(rci_);
    EXPECT_EQ(Only({"glMatrixMode", "glLoad"}), (Calls{texture, GLCall("glLoadIdentity"), model}));
  }
}

TEST_F(RenderPasses, AMaterialWithGeneratedTextureCoordinatesSwitchesGenerationOffWhenRestored) {
  const Calls off{GLCall("glDisable", GL_TEXTURE_GEN_S), GLCall("glDisable", GL_TEXTURE_GEN_T),
                  GLCall("glDisable", GL_TEXTURE_GEN_R)};
  for (TGLTextureMappingMode mode : {tmmObjectLinear, tmmEyeLinear, tmmSphere}) {
    SCOPED_TRACE(mode);
    TGLMaterial material(nullptr);
    material.Texture().SetEnabled(true);
    material.Texture().SetMappingMode(mode);
    material.Apply(rci_);
    fake_.Clear();
    while (material.Restore(rci_)) {
    }
    EXPECT_EQ(Only({GLCall("glDisable", GL_TEXTURE_GEN_S).c_str(), GLCall("glDisable", GL_TEXTURE_GEN_T).c_str(),
                    GLCall("glDisable", GL_TEXTURE_GEN_R).c_str()}),
              off);
  }
}

class TPassShader : public TGLShader {
 public:
  explicit TPassShader(TGLRecordingFake& fake) : fake_(fake) {}
  int passes_wanted = 0;

 protected:
  void ApplyPass(TRenderContextInfo&, TObject*) override { fake_.Record("shader.apply"); }
  bool RestorePass(TRenderContextInfo&) override {
    fake_.Record("shader.restore");
    return passes_wanted-- > 0;
  }
  void SetUpShader() override { fake_.Record("shader.setup"); }

 private:
  TGLRecordingFake& fake_;
};

// Drawn directly, recorded as "draw" and its name; the draw numbered throw_at throws.
class TDrawn : public TGLCustomSceneObject {
 public:
  explicit TDrawn(TGLRecordingFake& fake) : fake_(fake) { SetObjectStyle(osDirectDraw); }
  void BuildList(TRenderContextInfo&) override {
    fake_.Record(Name().empty() ? "draw" : "draw " + Name());
    if (++draws == throw_at) throw EAssertionFailed("bad geometry", "drawn.cpp", 1);
  }
  int draws = 0, throw_at = 0;

 private:
  TGLRecordingFake& fake_;
};

TEST_F(RenderPasses, AnObjectDrawsAgainWhileItsMaterialsShaderAsks) {
  const std::string d = "draw", r = "shader.restore";
  const struct {
    TGLShaderStyle style;
    int passes_wanted, throw_at = 0;
    bool ignore_materials = false;
    Calls order;  // draws, shader events and the material's colour, in order
  } cases[] = {
      // A true restore draws again before the material is undone: three draws for two.
      {ssLowLevel, 2, 0, false, {"glColor4fv", "shader.apply", d, r, d, r, d, r}},
      {ssHighLevel, 0, 0, false, {"shader.apply", "glColor4fv", d, r}},
      {ssReplace, 1, 0, false, {"shader.apply", d, r, d, r}},
      {ssLowLevel, 2, 0, true, {d}},
      // A throwing draw still has the material undone, passes and all.
      {ssLowLevel, 2, 2, false, {"glColor4fv", "shader.apply", d, r, d, r, r}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    TGLMaterialLibrary library;
    TPassShader shader(fake_);
    shader.SetShaderStyle(c.style);
    shader.passes_wanted = c.passes_wanted;
    TGLLibMaterial& lib_material = *library.Materials().Add();
    lib_material.SetShader(&shader);
    TDrawn object(fake_);
    object.throw_at = c.throw_at;
    object.Material().SetMaterialLibrary(&library);
    object.Material().SetLibMaterialName(lib_material.Name());
    rci_.ignoreMaterials = c.ignore_materials;
    fake_.Clear();
    try {
      object.DoRender(rci_, true, false);
    } catch (const EAssertionFailed&) {  // the order tells whether the right draw threw
    }
    Calls order = Only({"shader.apply", "shader.restore", "glColor4fv(", "draw"});
    for (std::string& call : order) call = call.substr(0, call.find('('));
    EXPECT_EQ(order, c.order);
    EXPECT_TRUE(!shader.ShaderActive() && library.CurrentLibMaterial == nullptr);
    lib_material.SetShader(nullptr);
  }
}

TEST_F(RenderPasses, ObjectsSortNotifyCopyAndReleaseThroughTheirMaterial) {
  struct : TGLStage {
    void NotifyBuffers(TPersistent*) override { ++notices; }
    int notices = 0;
  } stage;
  auto& glass = stage.Objects().AddNewChild<TDrawn>(fake_);
  glass.SetName("glass");
  glass.Material().SetBlendingMode(bmTransparency);
  EXPECT_EQ(stage.notices, 1);
  stage.Objects().AddNewChild<TDrawn>(fake_).SetName("wall");
  rci_.objectsSorting = osRenderBlendedLast;
  fake_.Clear();
  stage.Objects().RenderWithTransform(rci_);
  EXPECT_EQ(Only({"draw"}), (Calls{"draw wall", "draw glass"}));
  TDrawn copy(fake_);
  copy.Assign(&glass);
  EXPECT_TRUE(copy.Blended());
  glass.Material().Texture().SetEnabled(true);
  glass.Material().Texture().TextureHandle();
  fake_.Clear();
  const auto detached = stage.Objects().Remove(glass, false);  // leaving the scene releases its names
  EXPECT_EQ(Only({"glDeleteTextures"}).size(), 1u);
}

TEST_F(RenderPasses, SecondTextureRoutingRows) {
  GL.ARB_multitexture = true;
  const struct {
    bool own_enabled;
    TGLTextureMappingMode own_mapping, second_mapping;
    TTexCoordMapping routing;
    bool forbidden = false;  // the second unit: then one unit only
  } cases[] = {
      {false, tmmUser, tmmUser, tcmSecond},    {false, tmmUser, tmmSphere, tcmMain},
      {true, tmmSphere, tmmUser, tcmSecond},   {true, tmmSphere, tmmObjectLinear, tcmMain},
      {true, tmmUser, tmmUser, tcmDual},       {true, tmmUser, tmmEyeLinear, tcmMain},
      {true, tmmUser, tmmUser, tcmMain, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    TGLMaterialLibrary library;
    TGLLibMaterial& first = *library.Materials().Add();
    TGLLibMaterial& second = *library.Materials().Add();
    first.Material().Texture().SetEnabled(c.own_enabled);
    first.Material().Texture().SetMappingMode(c.own_mapping);
    second.Material().Texture().SetEnabled(true);
    second.Material().Texture().SetMappingMode(c.second_mapping);
    first.SetTexture2Name(second.Name());
    if (c.forbidden) LockSecondTexUnit();
    first.Apply(rci_);
    EXPECT_EQ(TexCoordRouteMapping(), c.routing);
    EXPECT_EQ(first.Texture2LibMaterial(), c.forbidden ? nullptr : &second);
    first.Restore(rci_);
    EXPECT_EQ(TexCoordRouteMapping(), tcmMain);
    UnlockSecondTexUnit();
  }
}

TEST_F(RenderPasses, ExtraTexturesNeedMultitexturingAndAUnit) {
  TGLMaterial material(nullptr);
  for (int index : {1, 2}) {
    TGLTextureExItem* item = material.TextureEx().Add();
    item->SetTextureIndex(index);
    item->Texture().SetEnabled(true);
  }
  EXPECT_EQ(material.TextureEx().Items(0)->GetDisplayName(), "Tex [1]");
  GL.ARB_multitexture = false;
  fake_.Clear();
  material.Apply(rci_);
  EXPECT_TRUE(Only({"glActiveTextureARB"}).empty());
  // With two units, the item on unit 2 is left out; the one on unit 1 joins the coordinate routing.
  GL.ARB_multitexture = true;
  gl.GetIntegerv = [](GLenum name, GLint* value) {
    if (name == GL_MAX_TEXTURE_UNITS_ARB) *value = 2;
  };
  fake_.Clear();
  material.Apply(rci_);
  EXPECT_EQ(Only({"glPushMatrix"}).size(), 1u);
  EXPECT_EQ(TexCoordRouteCurrentMask(), 3u);
  material.Restore(rci_);
  EXPECT_EQ(Only({"glPopMatrix"}).size(), 1u);
  TexCoordRouteMain();
}

TEST_F(RenderPasses, AnExtraTextureThatFailsToApplyOrRestorePopsItsTextureMatrixAllTheSame) {
  TGLMaterial material(nullptr);
  TGLTextureExItem& item = *material.TextureEx().Add();
  item.SetTextureIndex(1);
  item.Texture().SetEnabled(true);
  const TGLEntryPoints saved = gl;
  struct Case {
    const char* name;
    bool fail_on_restore;
  };
  for (const Case c : {Case{"apply", false}, Case{"restore", true}}) {
    gl = saved;
    fake_.Clear();
    const auto fail = [](GLenum cap) {
      if (cap == GL_TEXTURE_2D) throw std::runtime_error("texturing failed");
    };
    if (!c.fail_on_restore) {
      gl.Enable = fail;
      EXPECT_THROW(item.Apply(rci_), std::runtime_error) << c.name;
    } else {
      item.Apply(rci_);
      ASSERT_TRUE(item.Applied());
      gl.Disable = fail;
      EXPECT_THROW(item.Restore(rci_), std::runtime_error) << c.name;
    }
    EXPECT_FALSE(item.Applied()) << c.name;
    EXPECT_EQ(Only({"glPushMatrix"}).size(), 1u) << c.name;
    EXPECT_EQ(Only({"glPopMatrix"}).size(), 1u) << c.name;
  }
  gl = saved;
}

}  // namespace
}  // namespace zentrova
