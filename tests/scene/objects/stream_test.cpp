// Registration by name, and every class here written to the form stream and read back with non-default
// values; the cube's "CubeSize" and the points' "PointParams" only when they differ from their defaults.
#include <fstream>
#include <iterator>

#include "objects_fixtures.h"
#include "scene/base/class_registration.h"
#include "scene/base/property_stream.h"
#include "scene/objects/cube.h"
#include "scene/objects/dummy_cube.h"
#include "scene/objects/lines.h"
#include "scene/objects/plane.h"
#include "scene/objects/points.h"
#include "scene/objects/polygon_base.h"
#include "scene/objects/space_text.h"
#include "scene/objects/sphere.h"
#include "scene/objects/sprite.h"

namespace zentrova::test {
namespace {

std::string Bytes(const TGLBaseSceneObject& object) {
  TMemoryStream stream;
  WriteComponent(stream, object);
  return stream.DataString();
}

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
  TRenderContextInfo rci{.GLStates = &states};
  polygon.DisplayListHandle(rci);
  EXPECT_FALSE(polygon.DisplayListDirty());
  polygon.Nodes()[0]->SetX(1);
  EXPECT_TRUE(polygon.DisplayListDirty());
  context.Deactivate();
}

}  // namespace
}  // namespace zentrova::test
