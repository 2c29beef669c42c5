// Registration by name, and every class here written to the form stream and read back with non-default
// values; the cube's "CubeSize" and the points' "PointParams" only when they differ from their defaults.
#include <fstream>
#include <iterator>

#include "objects_fixtures.h"
#include "scene/avi/avi_recorder.h"
#include "scene/base/class_registration.h"
#include "scene/base/property_stream.h"
#include "scene/cadencer/cadencer.h"
#include "scene/core/camera.h"
#include "scene/core/direct_opengl.h"
#include "scene/core/light_source.h"
#include "scene/core/non_visual_viewer.h"
#include "scene/core/proxy_object.h"
#include "scene/core/stage.h"
#include "scene/materials/material.h"
#include "scene/materials/material_library.h"
#include "scene/objects/cube.h"
#include "scene/objects/dummy_cube.h"
#include "scene/objects/lines.h"
#include "scene/objects/plane.h"
#include "scene/objects/points.h"
#include "scene/objects/polygon_base.h"
#include "scene/objects/space_text.h"
#include "scene/objects/sphere.h"
#include "scene/objects/sprite.h"
#include "scene/stream_test_support.h"

namespace zentrova::test {
namespace {

using test::Bytes;

template <class T>
std::unique_ptr<T> RoundTrip(const T& object) {
  TMemoryStream stream(Bytes(object));
  std::unique_ptr<T> read = ReadComponentAs<T>(stream);
  EXPECT_EQ(stream.Remaining(), 0);
  return read;
}

// The bytes of a literal, its embedded zeros included.
template <std::size_t N>
std::string Raw(const char (&text)[N]) {
  return std::string(text, N - 1);
}

using Streaming = ::testing::Test;

TEST_F(Streaming, EveryRegisteredNameCreatesItsClassAndBaseClassesAreNotFound) {
  for (const char* name : {"TGLSphere", "TGLCube", "TGLPlane", "TGLSprite", "TGLPoints", "TGLDummyCube", "TGLLines",
                           "TGLSpaceText"}) {
    const TComponentFactory factory = GetComponentClass(name);
    ASSERT_NE(factory, nullptr) << name;
    EXPECT_STREQ(factory()->ClassName(), name);
  }
  for (const char* name : {"TGLQuadricObject", "TGLLineBase", "TGLNodedLines", "TGLPolygonBase",
                           "TGLPointParameters", "TGLLinesNode", "TGLNode", "TGLStageObject", "tglsphere"}) {
    EXPECT_EQ(GetComponentClass(name), nullptr) << name;
  }
  TMemoryStream stream(Raw("TPF0\x0eTGLPolygonBase\x00\x00\x00"));
  EXPECT_THROW(ReadComponent(stream), EClassNotFound);
}

TEST_F(Streaming, ACubeOf2x1x1WritesCubeSizeAsTheGoldenBytesAndADefaultCubeNone) {
  TGLCube cube;
  cube.SetName("Cube1");
  EXPECT_EQ(Bytes(cube), Raw("TPF0\x07TGLCube\x05"
                             "Cube1\x00\x00"));
  cube.SetCubeWidth(2);
  std::ifstream golden(std::string(ZENTROVA_TEST_DATA) + "/scene/objects/cube_2x1x1.bin", std::ios::binary);
  ASSERT_TRUE(golden) << "missing golden file";
  const std::string expected{std::istreambuf_iterator<char>(golden), {}};
  EXPECT_EQ(Bytes(cube), expected);
  const auto read = RoundTrip(cube);
  EXPECT_EQ(read->CubeWidth(), 2);
  EXPECT_EQ(read->CubeHeight(), 1);
  EXPECT_EQ(read->Name(), "Cube1");
}

TEST_F(Streaming, PointParamsAreWrittenOnlyOffTheirDefaults) {
  TGLPoints points;
  EXPECT_EQ(Bytes(points).find("PointParams"), std::string::npos);
  points.PointParameters().SetMaxSize(64);
  const std::string bytes = Bytes(points);
  const auto at = bytes.find("\x1bPointParameters.PointParams");
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(bytes.substr(at + 28, 5), Raw("\x0a\x0c\x00\x00\x00"));
}

TEST_F(Streaming, EachClassRoundTripsWithNonDefaultValues) {
  {
    TGLDummyCube cube;
    cube.SetCubeSize(3);
    cube.EdgeColor().SetVector(clrRed);
    cube.SetVisibleAtRunTime(true);
    cube.SetAmalgamate(true);
    cube.SetCamInvarianceMode(cimOrientation);
    cube.Position().SetPositionXYZ(1, 2, 3);
    cube.SetVisible(false);
    cube.AddNewChild<TGLSphere>().SetName("child");
    const auto r = RoundTrip(cube);
    EXPECT_EQ(r->CubeSize(), 3);
    EXPECT_EQ(r->EdgeColor().Color(), clrRed);
    EXPECT_TRUE(r->VisibleAtRunTime());
    EXPECT_TRUE(r->Amalgamate());
    EXPECT_EQ(r->CamInvarianceMode(), cimOrientation);
    EXPECT_EQ(r->Position().AsVector(), (TVector4f{1, 2, 3, 1}));
    EXPECT_FALSE(r->Visible());
    ASSERT_EQ(r->ChildCount(), 1);
    EXPECT_EQ(r->ChildAt(0)->Name(), "child");
  }
  {
    TGLPlane plane;
    plane.SetWidth(3);
    plane.SetHeight(4);
    plane.SetXOffset(0.5f);
    plane.SetYOffset(0.25f);
    plane.SetXScope(0.5f);
    plane.SetYScope(0.75f);
    plane.SetXTiles(3);
    plane.SetYTiles(1000);
    plane.SetStyle(psTileTexture);
    plane.NoZWrite = true;
    const auto r = RoundTrip(plane);
    EXPECT_EQ(std::tuple(r->Width(), r->Height(), r->XOffset(), r->YOffset(), r->XScope(), r->YScope()),
              std::tuple(3.0f, 4.0f, 0.5f, 0.25f, 0.5f, 0.75f));
    EXPECT_EQ(std::tuple(r->XTiles(), r->YTiles(), r->Style(), r->NoZWrite), std::tuple(3u, 1000u, TPlaneStyles(psTileTexture), true));
  }
  {
    TGLPoints points;
    points.SetNoZWrite(true);
    points.SetStatic(true);
    points.SetSize(10);
    points.SetStyle(psSmooth);
    points.PointParameters().SetEnabled(true);
    points.PointParameters().SetMinSize(2);
    points.PointParameters().DistanceAttenuation().SetVector(1, 0.5f, 0);
    const auto r = RoundTrip(points);
    EXPECT_TRUE(r->NoZWrite());
    EXPECT_TRUE(r->Static());
    EXPECT_FALSE(r->HasStyle(osDirectDraw));
    EXPECT_EQ(r->Size(), 10);
    EXPECT_EQ(r->Style(), psSmooth);
    EXPECT_TRUE(r->PointParameters().Enabled());
    EXPECT_EQ(r->PointParameters().MinSize(), 2);
    EXPECT_EQ(r->PointParameters().DistanceAttenuation().AsVector(), (TVector4f{1, 0.5f, 0, 0}));
  }
  {
    TGLLines lines;
    lines.SetAntiAliased(true);
    lines.LineColor().SetVector(clrYellow);
    lines.SetLinePattern(0x0F0F);
    lines.SetLineWidth(3);
    lines.NodeColor().SetVector(clrRed);
    lines.Nodes().AddXYZ(1, 2, 3);
    lines.Nodes().AddXYZ(4, 5, 6)->Color().SetVector(clrGreen);
    lines.SetNodesAspect(lnaDodecahedron);
    lines.SetNodeSize(2);
    lines.SetDivision(4);
    lines.SetSplineMode(lsmCubicSpline);
    lines.SetOptions(loUseNodeColorForLines);
    const auto r = RoundTrip(lines);
    EXPECT_TRUE(r->AntiAliased());
    EXPECT_EQ(r->LineColor().Color(), clrYellow);
    EXPECT_EQ(r->LinePattern(), 0x0F0F);
    EXPECT_EQ(r->LineWidth(), 3);
    EXPECT_EQ(r->NodeColor().Color(), clrRed);
    ASSERT_EQ(r->Nodes().Count(), 2);
    EXPECT_EQ(r->Nodes()[0]->AsAffineVector(), (TAffineVector{1, 2, 3}));
    EXPECT_EQ(r->Nodes()[0]->Color().Color(), clrRed);
    EXPECT_EQ(r->Nodes()[1]->Color().Color(), clrGreen);
    EXPECT_EQ(r->NodesAspect(), lnaDodecahedron);
    EXPECT_EQ(r->NodeSize(), 2);
    EXPECT_EQ(r->Division(), 4);
    EXPECT_EQ(r->SplineMode(), lsmCubicSpline);
    EXPECT_EQ(r->Options(), loUseNodeColorForLines);
  }
  {
    TGLSphere sphere;
    sphere.SetNormals(nsFlat);
    sphere.SetNormalDirection(ndInside);
    sphere.SetRadius(2);
    sphere.SetSlices(12);
    sphere.SetStacks(4);
    sphere.SetTop(60);
    sphere.SetBottom(-30);
    sphere.SetStop(180);
    sphere.SetStart(90);
    sphere.SetTopCap(ctFlat);
    sphere.SetBottomCap(ctCenter);
    const auto r = RoundTrip(sphere);
    EXPECT_EQ(std::tuple(r->Normals(), r->NormalDirection(), r->Radius(), r->Slices(), r->Stacks()),
              std::tuple(nsFlat, ndInside, 2.0f, 12, 4));
    EXPECT_EQ(std::tuple(r->Top(), r->Bottom(), r->Start(), r->Stop(), r->TopCap(), r->BottomCap()),
              std::tuple(std::int8_t(60), std::int8_t(-30), std::uint16_t(90), std::uint16_t(180), ctFlat, ctCenter));
  }
  {
    TGLSprite sprite;
    sprite.SetWidth(2);
    sprite.SetHeight(3);
    sprite.SetRotation(45);
    sprite.SetAlphaChannel(0.5f);
    sprite.SetNoZWrite(true);
    sprite.SetMirrorU(true);
    sprite.SetMirrorV(true);
    sprite.Hint = "a hint";
    const auto r = RoundTrip(sprite);
    EXPECT_EQ(std::tuple(r->Width(), r->Height(), r->Rotation(), r->AlphaChannel()), std::tuple(2.0f, 3.0f, 45.0f, 0.5f));
    EXPECT_TRUE(r->NoZWrite() && r->MirrorU() && r->MirrorV());
    EXPECT_EQ(r->Hint, "a hint");
  }
  {
    TGLCube cube;
    cube.SetCubeDepth(0.5f);
    cube.SetParts(cpTop | cpLeft);
    cube.SetNormalDirection(ndInside);
    const auto r = RoundTrip(cube);
    EXPECT_EQ(r->CubeDepth(), 0.5f);
    EXPECT_EQ(r->Parts(), cpTop | cpLeft);
    EXPECT_EQ(r->NormalDirection(), ndInside);
  }
  {
    TGLSpaceText text;
    text.SetText("Größe 12");
    text.Font().SetName("Liberation Serif");
    text.Font().SetStyle({TFontStyle::Bold, TFontStyle::Italic});
    text.Font().SetSize(100);
    text.SetExtrusion(0.25f);
    text.SetAllowedDeviation(0.01f);
    text.SetCharacterRange(stcrAlphaNum);
    text.SetAspectRatio(1.5f);
    text.SetOblique(10);
    text.SetTextHeight(2);
    text.Adjust().SetHorz(haCenter);
    text.Adjust().SetVert(vaCenter);
    const auto r = RoundTrip(text);
    EXPECT_EQ(r->Text(), "Größe 12");
    EXPECT_EQ(r->Font().Name(), "Liberation Serif");
    EXPECT_EQ(r->Font().Style(), (TFontStyles{TFontStyle::Bold, TFontStyle::Italic}));
    EXPECT_EQ(r->Font().Size(), 100);
    EXPECT_EQ(std::tuple(r->Extrusion(), r->AllowedDeviation(), r->AspectRatio(), r->Oblique(), r->TextHeight()),
              std::tuple(0.25f, 0.01f, 1.5f, 10.0f, 2.0f));
    EXPECT_EQ(r->CharacterRange(), stcrAlphaNum);
    EXPECT_EQ(std::pair(r->Adjust().Horz(), r->Adjust().Vert()), std::pair(haCenter, vaCenter));
  }
}

TEST_F(Streaming, AFormNamingTGLLinesIsReadAndUnknownPropertiesFail) {
  // As a form file names it: the class, an empty name, SplineMode, end, no children.
  const std::string form = Raw("TPF0\x08TGLLines\x00\x0aSplineMode\x07\x0elsmCubicSpline\x00\x00");
  TMemoryStream stream(form);
  auto read = ReadComponentAs<TGLLines>(stream);
  EXPECT_EQ(read->SplineMode(), lsmCubicSpline);
  TMemoryStream unknown(Raw("TPF0\x08TGLLines\x00\x05"
                            "Bogus\x08\x00\x00"));
  EXPECT_THROW(ReadComponent(unknown), EReadError);
  TMemoryStream wrong(Raw("TPF0\x08TGLLines\x00\x08"
                          "Division\x08\x00\x00"));
  EXPECT_THROW(ReadComponent(wrong), EReadError);
  TMemoryStream unsigned_stream(Raw("TPF1"));
  EXPECT_THROW(ReadComponent(unsigned_stream), EInvalidFileSignature);
}

// A form as the program's main window holds one: a scene with a camera aimed at a cube, two lights and
// objects of every class here, an off-screen viewer on that camera with fog, a material library, a
// cadencer on the scene and an AVI recorder.
std::unique_ptr<TComponent> MakeForm() {
  auto form = std::make_unique<TComponent>();
  form->SetName("Form1");
  auto& stage = form->CreateComponent<TGLStage>();
  stage.SetName("Scene1");
  stage.SetObjectsSorting(osNone);
  stage.SetVisibilityCulling(vcObjectBased);
  auto& cube = stage.Objects().AddNewChild<TGLCube>();
  cube.SetName("Cube1");
  cube.SetCubeHeight(3);
  auto& light1 = stage.Objects().AddNewChild<TGLLightSource>();
  light1.SetName("Light1");
  light1.Position().SetPositionXYZ(5, 10, 2);
  light1.SetLightStyle(lsOmni);
  light1.SetSpotCutOff(90);
  light1.SetSpotExponent(2);
  light1.SetConstAttenuation(0.5f);
  light1.SetLinearAttenuation(0.25f);
  light1.SetQuadraticAttenuation(0.125f);
  light1.SetSpotDirection({0, -1, 0, 0});
  auto& light2 = stage.Objects().AddNewChild<TGLLightSource>();
  light2.SetName("Light2");
  light2.SetShining(false);
  TGLColor red(nullptr);
  red.SetVector(clrRed);
  light2.SetDiffuse(red);
  auto& holder = stage.Objects().AddNewChild<TGLDummyCube>();
  holder.SetName("Holder");
  holder.AddNewChild<TGLSphere>().SetName("Sphere1");
  holder.AddNewChild<TGLPlane>().SetName("Plane1");
  holder.AddNewChild<TGLSprite>().SetName("Sprite1");
  holder.AddNewChild<TGLPoints>().SetName("Points1");
  holder.AddNewChild<TGLLines>().SetName("Lines1");
  holder.AddNewChild<TGLSpaceText>().SetName("Text1");
  auto& proxy = holder.AddNewChild<TGLProxyObject>();
  proxy.SetName("Proxy1");
  proxy.SetMasterObject(&cube);
  proxy.SetProxyOptions(pooObjects);
  auto& direct = holder.AddNewChild<TGLDirectOpenGL>();
  direct.SetName("Direct1");
  direct.SetBlend(true);
  auto& camera = stage.Cameras().AddNewChild<TGLCamera>();
  camera.SetName("Camera1");
  camera.SetFocalLength(35);
  camera.SetDepthOfView(500);
  camera.SetSceneScale(2);
  camera.SetNearPlaneBias(0.5f);
  camera.SetCameraStyle(csOrthogonal);
  camera.SetTargetObject(&cube);
  camera.Position().SetPositionXYZ(0, 5, 20);

  auto& viewer = form->CreateComponent<TGLMemoryViewer>();
  viewer.SetName("Viewer1");
  viewer.SetCamera(&camera);
  viewer.SetWidth(320);
  viewer.SetHeight(200);
  TGLStageBuffer& buffer = viewer.Buffer();
  buffer.SetBackgroundColor(0x00102030);
  buffer.SetFogEnable(true);
  buffer.SetLighting(false);
  buffer.SetShadeModel(smFlat);
  buffer.SetContextOptions(roDoubleBuffer | roStencilBuffer);
  buffer.FogEnvironment().SetFogStart(2);
  buffer.FogEnvironment().SetFogEnd(50);
  buffer.FogEnvironment().SetFogMode(fmExp2);

  auto& library = form->CreateComponent<TGLMaterialLibrary>();
  library.SetName("Library1");
  library.SetTexturePaths("textures");
  TGLLibMaterial& wood = *library.Materials().Add();
  wood.SetName("wood");
  wood.Tag = 7;
  wood.Material().SetBlendingMode(bmTransparency);
  wood.Material().FrontProperties().SetShininess(64);
  wood.Material().SetFaceCulling(fcNoCull);
  TGLCoordinates offset(nullptr, {0.5f, 0.25f, 0, 0}, csUnknown);
  wood.SetTextureOffset(offset);
  library.Materials().Add()->SetName("metal");

  auto& cadencer = form->CreateComponent<TGLCadencer>();
  cadencer.SetName("Cadencer1");
  cadencer.SetScene(&stage);
  cadencer.SetMode(cmManual);
  cadencer.SetTimeMultiplier(2);
  cadencer.SetMaxDeltaTime(0.1);
  cadencer.SetSleepLength(5);
  cadencer.SetEnabled(false);

  auto& recorder = form->CreateComponent<TAVIRecorder>();
  recorder.SetName("Recorder1");
  recorder.SetFPS(20);
  recorder.SetWidth(744);
  recorder.SetHeight(440);
  recorder.SetFilename("run.avi");
  recorder.SetCompressor(acShowDialog);
  recorder.SetImageRetrievalMode(irmSnapShot);
  return form;
}

TEST_F(Streaming, AFormWithSceneViewerLibraryCadencerAndRecorderReadsBackEqual) {
  const std::unique_ptr<TComponent> form = MakeForm();
  const std::string bytes = Bytes(*form);
  TMemoryStream stream(bytes);
  const std::unique_ptr<TComponent> read = ReadComponent(stream);
  EXPECT_EQ(stream.Remaining(), 0);
  // Every streamed property of every component comes back: the copy writes the same bytes.
  EXPECT_EQ(Bytes(*read), bytes);

  ASSERT_EQ(read->ComponentCount(), 5);
  auto& stage = dynamic_cast<TGLStage&>(*read->Components(0));
  EXPECT_EQ(std::pair(stage.ObjectsSorting(), stage.VisibilityCulling()), std::pair(osNone, vcObjectBased));
  ASSERT_EQ(stage.Objects().ChildCount(), 4);
  ASSERT_EQ(stage.Cameras().ChildCount(), 1) << "a camera goes back to the cameras";
  auto& cube = dynamic_cast<TGLCube&>(*stage.Objects().ChildAt(0));
  EXPECT_EQ(cube.CubeHeight(), 3);
  auto& light1 = dynamic_cast<TGLLightSource&>(*stage.Objects().ChildAt(1));
  EXPECT_EQ(light1.Position().AsVector(), (TVector4f{5, 10, 2, 1}));
  EXPECT_EQ(std::tuple(light1.LightStyle(), light1.SpotCutOff(), light1.SpotExponent()), std::tuple(lsOmni, 90.0f, 2.0f));
  EXPECT_EQ(std::tuple(light1.ConstAttenuation(), light1.LinearAttenuation(), light1.QuadraticAttenuation()),
            std::tuple(0.5f, 0.25f, 0.125f));
  EXPECT_EQ(light1.SpotDirection().AsVector(), (TVector4f{0, -1, 0, 0}));
  auto& light2 = dynamic_cast<TGLLightSource&>(*stage.Objects().ChildAt(2));
  EXPECT_FALSE(light2.Shining());
  EXPECT_EQ(light2.Diffuse().Color(), clrRed);
  auto& holder = *stage.Objects().ChildAt(3);
  ASSERT_EQ(holder.ChildCount(), 8);
  const char* classes[] = {"TGLSphere", "TGLPlane",  "TGLSprite",      "TGLPoints",
                           "TGLLines",  "TGLSpaceText", "TGLProxyObject", "TGLDirectOpenGL"};
  for (int i = 0; i < 8; ++i) EXPECT_STREQ(holder.ChildAt(i)->ClassName(), classes[i]);
  auto& proxy = dynamic_cast<TGLProxyObject&>(*holder.ChildAt(6));
  EXPECT_EQ(proxy.MasterObject(), &cube) << "a reference finds the component read under that name";
  EXPECT_EQ(proxy.ProxyOptions(), pooObjects);
  EXPECT_TRUE(dynamic_cast<TGLDirectOpenGL&>(*holder.ChildAt(7)).Blend());
  auto& camera = dynamic_cast<TGLCamera&>(*stage.Cameras().ChildAt(0));
  EXPECT_EQ(std::tuple(camera.FocalLength(), camera.DepthOfView(), camera.SceneScale(), camera.NearPlaneBias()),
            std::tuple(35.0f, 500.0f, 2.0f, 0.5f));
  EXPECT_EQ(camera.CameraStyle(), csOrthogonal);
  EXPECT_EQ(camera.TargetObject(), &cube);

  auto& viewer = dynamic_cast<TGLMemoryViewer&>(*read->Components(1));
  EXPECT_EQ(viewer.Camera(), &camera);
  EXPECT_EQ(std::pair(viewer.Width(), viewer.Height()), std::pair(320, 200));
  TGLStageBuffer& buffer = viewer.Buffer();
  EXPECT_EQ(buffer.BackgroundColor(), 0x00102030u);
  EXPECT_TRUE(buffer.FogEnable());
  EXPECT_FALSE(buffer.Lighting());
  EXPECT_TRUE(buffer.DepthTest());
  EXPECT_EQ(buffer.ShadeModel(), smFlat);
  EXPECT_EQ(buffer.ContextOptions(), roDoubleBuffer | roStencilBuffer);
  EXPECT_EQ(std::tuple(buffer.FogEnvironment().FogStart(), buffer.FogEnvironment().FogEnd(),
                       buffer.FogEnvironment().FogMode()),
            std::tuple(2.0f, 50.0f, fmExp2));

  auto& library = dynamic_cast<TGLMaterialLibrary&>(*read->Components(2));
  EXPECT_EQ(library.TexturePaths(), "textures");
  ASSERT_EQ(library.Materials().Count(), 2);
  TGLLibMaterial& wood = *library.Materials().Items(0);
  EXPECT_EQ(std::pair(wood.Name(), wood.Tag), std::pair(std::string("wood"), 7));
  EXPECT_EQ(wood.Material().BlendingMode(), bmTransparency);
  EXPECT_EQ(wood.Material().FrontProperties().Shininess(), 64);
  EXPECT_EQ(wood.Material().FaceCulling(), fcNoCull);
  EXPECT_EQ(wood.TextureOffset().AsVector(), (TVector4f{0.5f, 0.25f, 0, 0}));
  EXPECT_EQ(library.Materials().Items(1)->Name(), "metal");

  auto& cadencer = dynamic_cast<TGLCadencer&>(*read->Components(3));
  EXPECT_EQ(cadencer.Scene(), &stage);
  EXPECT_EQ(std::tuple(cadencer.Mode(), cadencer.TimeMultiplier(), cadencer.MaxDeltaTime(), cadencer.SleepLength()),
            std::tuple(cmManual, 2.0, 0.1, 5));
  EXPECT_FALSE(cadencer.Enabled());

  auto& recorder = dynamic_cast<TAVIRecorder&>(*read->Components(4));
  EXPECT_EQ(std::tuple(int(recorder.FPS()), recorder.Width(), recorder.Height(), recorder.Filename()),
            std::tuple(20, 744, 440, std::string("run.avi")));
  EXPECT_EQ(std::pair(recorder.Compressor(), recorder.ImageRetrievalMode()), std::pair(acShowDialog, irmSnapShot));
}

TEST_F(Streaming, ComponentsAtTheirDefaultsStoreNoProperty) {
  // Each writes its class, its name and then at once the end of its properties.
  const std::unique_ptr<TComponent> components[] = {
      std::make_unique<TGLStage>(),        std::make_unique<TGLMaterialLibrary>(), std::make_unique<TGLCadencer>(),
      std::make_unique<TAVIRecorder>(),    std::make_unique<TGLProxyObject>(),
      std::make_unique<TGLDirectOpenGL>(),
  };
  for (const auto& component : components) {
    const std::string name = component->ClassName();
    EXPECT_EQ(Bytes(*component), "TPF0" + std::string(1, char(name.size())) + name + Raw("\x00\x00\x00")) << name;
  }
  // Colours have no stream default in a running program: the viewer's buffer stores its ambient colour.
  EXPECT_EQ(Bytes(TGLMemoryViewer()), Raw("TPF0\x0fTGLMemoryViewer\x00\x19"
                                          "Buffer.AmbientColor.Color\x0a\x10\x00\x00\x00"
                                          "\xcd\xcc\x4c\x3e\xcd\xcc\x4c\x3e\xcd\xcc\x4c\x3e\x00\x00\x80\x3f"
                                          "\x00\x00"));
  // A camera and a light store only what has no stream default (their singles and colours, and the
  // camera's direction).
  TGLLightSource light;
  const std::string light_bytes = Bytes(light);
  for (const char* absent : {"LightStyle", "Shining", "SpotDirection", "Coordinates"}) {
    EXPECT_EQ(light_bytes.find(absent), std::string::npos) << absent;
  }
  TGLCamera camera;
  const std::string camera_bytes = Bytes(camera);
  for (const char* absent : {"SceneScale", "NearPlaneBias", "CameraStyle", "TargetObject"}) {
    EXPECT_EQ(camera_bytes.find(absent), std::string::npos) << absent;
  }
}

TEST_F(Streaming, ACameraTurnedToTheStreamsDefaultDirectionReadsBackTurned) {
  // A camera starts looking down -z; the stream leaves out the +z of every other object.
  TGLCamera camera;
  camera.SetDirection({0, 0, 1, 0});
  const std::string bytes = Bytes(camera);
  EXPECT_NE(bytes.find(Named("Direction.Coordinates")), std::string::npos);
  const auto read = ReadBack(bytes);
  EXPECT_EQ(dynamic_cast<TGLCamera&>(*read).Direction().AsVector(), (TVector4f{0, 0, 1, 0}));
  EXPECT_EQ(Bytes(*read), bytes);
  // A plane at the default direction still leaves it out.
  EXPECT_EQ(Bytes(TGLPlane()).find(Named("Direction.Coordinates")), std::string::npos);
}

TEST_F(Streaming, ANameNoComponentOfTheFormCarriesLeavesTheReferenceUnset) {
  const std::string form = Raw("TPF0\x09TGLCamera\x00\x0cTargetObject\x07\x05Ghost\x00\x00");
  TMemoryStream stream(form);
  EXPECT_EQ(ReadComponentAs<TGLCamera>(stream)->TargetObject(), nullptr);
  // A name that is there but names a component of the wrong class is refused.
  auto root = std::make_unique<TComponent>();
  auto& cadencer = root->CreateComponent<TGLCadencer>();
  cadencer.SetName("Cad");
  root->CreateComponent<TGLMemoryViewer>().SetName("Viewer");
  std::string bytes = Bytes(*root);
  // Point the cadencer's scene at the viewer.
  const std::string scene_property = Raw("\x05Scene\x07\x06Viewer");
  const auto at = bytes.find(Raw("\x03" "Cad")) + 4;
  bytes.insert(at, scene_property);
  TMemoryStream wrong(bytes);
  EXPECT_THROW(ReadComponent(wrong), EReadError);
}

TEST(PolygonBase, MovingANodeMarksTheStructureAndDivisionIsAtLeastOne) {
  TGLPolygonBase polygon;
  polygon.Nodes().AddXYZ(0, 0, 0);
  polygon.SetDivision(0);
  EXPECT_EQ(polygon.Division(), 1);
  polygon.SetSplineMode(lsmCubicSpline);
  TGLPolygonBase copy;
  copy.Assign(&polygon);
  EXPECT_EQ(copy.Nodes().Count(), 1);
  EXPECT_EQ(copy.SplineMode(), lsmCubicSpline);
  EXPECT_EQ(copy.Division(), 1);
  TGLRecordingFake fake;
  TFakeContext context("A");
  context.Create();
  context.Activate();
  TGLStateCache states;
  TRenderContextInfo rci{};
  rci.GLStates = &states;
  polygon.DisplayListHandle(rci);
  EXPECT_FALSE(polygon.DisplayListDirty());
  polygon.Nodes()[0]->SetX(1);
  EXPECT_TRUE(polygon.DisplayListDirty());
  context.Deactivate();
}

}  // namespace
}  // namespace zentrova::test
