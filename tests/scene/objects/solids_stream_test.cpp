// The solids, grids and geometric objects by name and through the form stream: the fourteen names create
// their classes and the two bases are not found; every class read back with non-default values (contours
// and nodes included); "FrustrumSize" as golden bytes, absent for the defaults.
#include <functional>
#include <memory>

#include "objects_fixtures.h"
#include "scene/base/class_registration.h"
#include "scene/base/property_stream.h"
#include "scene/objects/arrow_line.h"
#include "scene/objects/cube.h"
#include "scene/objects/space_text.h"
#include "scene/objects/sphere.h"
#include "scene/objects/sprite.h"
#include "scene/objects/cylinder.h"
#include "scene/objects/disk.h"
#include "scene/objects/extrusion_solid.h"
#include "scene/objects/frustrum.h"
#include "scene/objects/height_field.h"
#include "scene/objects/pipe.h"
#include "scene/objects/polygon.h"
#include "scene/objects/revolution_solid.h"
#include "scene/objects/torus.h"
#include "scene/objects/xyz_grid.h"
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

std::vector<std::array<float, 3>> Points(const TGLNodes& nodes) {
  std::vector<std::array<float, 3>> points;
  for (int i = 0; i < nodes.Count(); ++i) points.push_back({nodes[i]->X(), nodes[i]->Y(), nodes[i]->Z()});
  return points;
}

TEST(SolidsByName, TheFourteenNamesCreateTheirClassesAndTheBasesAreNotFound) {
  for (const char* name : {"TGLMultiPolygon", "TGLRevolutionSolid", "TGLExtrusionSolid", "TGLPipe",
                           "TGLHeightField", "TGLXYZGrid", "TGLCylinder", "TGLCone", "TGLTorus", "TGLDisk",
                           "TGLArrowLine", "TGLAnnulus", "TGLFrustrum", "TGLPolygon"}) {
    const TComponentFactory factory = GetComponentClass(name);
    ASSERT_NE(factory, nullptr) << name;
    EXPECT_STREQ(factory()->ClassName(), name);
  }
  for (const char* name :
       {"TMultiPolygonBase", "TGLCylinderBase", "TGLContour", "TGLPipeNode", "TGLSamplingScale"}) {
    EXPECT_EQ(GetComponentClass(name), nullptr) << name;
  }
}

TEST(SolidsStream, AnExtrusionSolidKeepsItsContoursNodesAndSettings) {
  TGLExtrusionSolid solid;
  solid.SetName("Body1");
  for (auto [x, y] : {std::pair{0.0f, 0.0f}, {2.0f, 0.0f}, {2.0f, 1.5f}})
    solid.ContourNodes(0).AddXYZ(x, y, 0);
  solid.ContourNodes(1).AddXYZ(0.5f, 0.25f, -1);
  TGLContour& hole = *solid.Contours().Items(1);
  hole.SetDescription("hole");
  hole.SetDivision(3);
  hole.SetSplineMode(lsmCubicSpline);
  solid.SetParts(kAllExtrusionSolidParts);
  solid.SetHeight(0.75f);
  solid.SetStacks(2);
  solid.SetNormals(nsSmooth);
  solid.SetNormalDirection(ndInside);
  solid.SetMinSmoothAngle(12);
  const auto r = RoundTrip(solid);
  EXPECT_EQ(r->Name(), "Body1");
  ASSERT_EQ(r->Contours().Count(), 2);
  EXPECT_EQ(Points(r->Contours().Items(0)->Nodes()), Points(solid.Contours().Items(0)->Nodes()));
  EXPECT_EQ(Points(r->Contours().Items(1)->Nodes()), (std::vector<std::array<float, 3>>{{0.5f, 0.25f, -1}}));
  EXPECT_EQ(r->Contours().Items(1)->Description(), "hole");
  EXPECT_EQ(r->Contours().Items(1)->Division(), 3);
  EXPECT_EQ(r->Contours().Items(1)->SplineMode(), lsmCubicSpline);
  EXPECT_EQ(r->Contours().Items(0)->Division(), 10);
  EXPECT_EQ(r->Parts(), kAllExtrusionSolidParts);
  EXPECT_EQ(r->Height(), 0.75f);
  EXPECT_EQ(r->Stacks(), 2);
  EXPECT_EQ(r->Normals(), nsSmooth);
  EXPECT_EQ(r->NormalDirection(), ndInside);
  EXPECT_EQ(r->MinSmoothAngle(), 12);
  // Height and MinSmoothAngle have no default to leave them out by.
  const std::string defaults = Bytes(TGLExtrusionSolid());
  EXPECT_NE(defaults.find("\x06Height"), std::string::npos);
  EXPECT_NE(defaults.find("\x0eMinSmoothAngle"), std::string::npos);
  EXPECT_EQ(defaults.find("Stacks"), std::string::npos);
}

TEST(SolidsStream, TheMultiPolygonRevolutionSolidPipeAndPolygonKeepTheirValuesAndNodes) {
  TGLMultiPolygon flat;
  flat.ContourNodes(0).AddXYZ(1, 2, 3);
  flat.SetParts(1u << ppBottom);
  const auto f = RoundTrip(flat);
  EXPECT_EQ(f->Parts(), 1u << ppBottom);
  EXPECT_EQ(Points(f->Contours().Items(0)->Nodes()), (std::vector<std::array<float, 3>>{{1, 2, 3}}));

  TGLRevolutionSolid lathe;
  lathe.Nodes().AddXYZ(1, 0, 0);
  lathe.Nodes().AddXYZ(1, 1, 0);
  lathe.SetSlices(7);
  lathe.SetStopAngle(270);
  lathe.SetStartAngle(30);
  lathe.SetNormals(nsNone);
  lathe.SetYOffsetPerTurn(0.5f);
  lathe.SetNormalDirection(ndInside);
  lathe.SetParts(kAllRevolutionSolidParts);
  lathe.SetDivision(4);
  lathe.SetSplineMode(lsmCubicSpline);
  const auto l = RoundTrip(lathe);
  EXPECT_EQ(Points(l->Nodes()), Points(lathe.Nodes()));
  EXPECT_EQ(l->Slices(), 7);
  EXPECT_EQ(l->StartAngle(), 30);
  EXPECT_EQ(l->StopAngle(), 270);
  EXPECT_EQ(l->Normals(), nsNone);
  EXPECT_EQ(l->YOffsetPerTurn(), 0.5f);
  EXPECT_EQ(l->NormalDirection(), ndInside);
  EXPECT_EQ(l->Parts(), kAllRevolutionSolidParts);
  EXPECT_EQ(l->Division(), 4);
  EXPECT_EQ(l->SplineMode(), lsmCubicSpline);

  TGLPipe pipe;
  pipe.PipeNodes().AddXYZ(0, 0, 0)->SetRadiusFactor(2);
  pipe.PipeNodes().AddXYZ(0, 0, 1)->Color().SetVector(clrRed);
  pipe.SetSlices(5);
  pipe.SetParts(kAllPipeParts);
  pipe.SetRadius(0.25f);
  pipe.SetNodesColorMode(pncmAmbientAndDiffuse);
  const auto p = RoundTrip(pipe);
  ASSERT_EQ(p->PipeNodes().Count(), 2);
  EXPECT_EQ(p->PipeNodes()[0]->RadiusFactor(), 2);
  EXPECT_EQ(p->PipeNodes()[1]->RadiusFactor(), 1);
  EXPECT_EQ(p->PipeNodes()[1]->Color().Color(), clrRed);
  EXPECT_EQ(p->PipeNodes()[0]->Color().Color(), (TVector4f{0, 0, 0, 1}));
  EXPECT_EQ(p->Slices(), 5);
  EXPECT_EQ(p->Parts(), kAllPipeParts);
  EXPECT_EQ(p->Radius(), 0.25f);
  EXPECT_EQ(p->NodesColorMode(), pncmAmbientAndDiffuse);

  TGLPolygon polygon;
  polygon.Nodes().AddXYZ(4, 5, 6);
  polygon.SetParts(1u << ppTop);
  const auto g = RoundTrip(polygon);
  EXPECT_EQ(g->Parts(), 1u << ppTop);
  EXPECT_EQ(Points(g->Nodes()), (std::vector<std::array<float, 3>>{{4, 5, 6}}));
}

TEST(SolidsStream, TheGridAndTheHeightFieldKeepTheirScales) {
  TGLXYZGrid grid;
  grid.XSamplingScale().SetMax(2);
  grid.XSamplingScale().SetMin(-1);
  grid.YSamplingScale().SetOrigin(0.5f);
  grid.ZSamplingScale().SetStep(0.25f);
  grid.SetParts(1u << gpZ);
  grid.SetLinesStyle(glsLine);
  const auto g = RoundTrip(grid);
  EXPECT_EQ(g->XSamplingScale().Min(), -1);
  EXPECT_EQ(g->XSamplingScale().Max(), 2);
  EXPECT_EQ(g->YSamplingScale().Origin(), 0.5f);
  EXPECT_EQ(g->ZSamplingScale().Step(), 0.25f);
  EXPECT_EQ(g->XSamplingScale().Step(), 0.1f);
  EXPECT_EQ(g->Parts(), 1u << gpZ);
  EXPECT_EQ(g->LinesStyle(), glsLine);

  TGLHeightField field;
  field.XSamplingScale().SetMax(3);
  field.YSamplingScale().SetMin(-2);
  field.SetOptions(1u << hfoTextureCoordinates);
  field.SetColorMode(hfcmEmission);
  const auto h = RoundTrip(field);
  EXPECT_EQ(h->XSamplingScale().Max(), 3);
  EXPECT_EQ(h->YSamplingScale().Min(), -2);
  EXPECT_EQ(h->Options(), 1u << hfoTextureCoordinates);
  EXPECT_EQ(h->ColorMode(), hfcmEmission);
}

TEST(SolidsStream, TheQuadricObjectsTorusAndFrustumKeepTheirValues) {
  TGLDisk disk;
  disk.SetStartAngle(10);
  disk.SetSweepAngle(80);
  disk.SetOuterRadius(2);
  disk.SetInnerRadius(1);
  disk.SetSlices(5);
  disk.SetLoops(3);
  disk.SetNormals(nsFlat);
  const auto d = RoundTrip(disk);
  EXPECT_EQ((std::array{d->StartAngle(), d->SweepAngle(), d->OuterRadius(), d->InnerRadius()}),
            (std::array{10.0f, 80.0f, 2.0f, 1.0f}));
  EXPECT_EQ(d->Slices(), 5);
  EXPECT_EQ(d->Loops(), 3);
  EXPECT_EQ(d->Normals(), nsFlat);

  TGLCylinder cylinder;
  cylinder.SetBottomRadius(0.75f);
  cylinder.SetSlices(9);
  cylinder.SetStacks(2);
  cylinder.SetLoops(3);
  cylinder.SetHeight(4);
  cylinder.SetParts(1u << cySides);
  cylinder.SetTopRadius(0.25f);
  cylinder.SetAlignment(caBottom);
  const auto c = RoundTrip(cylinder);
  EXPECT_EQ((std::array{c->BottomRadius(), c->Height(), c->TopRadius()}), (std::array{0.75f, 4.0f, 0.25f}));
  EXPECT_EQ((std::array{c->Slices(), c->Stacks(), c->Loops()}), (std::array{9, 2, 3}));
  EXPECT_EQ(c->Parts(), 1u << cySides);
  EXPECT_EQ(c->Alignment(), caBottom);

  TGLCone cone;
  cone.SetParts(1u << coBottom);
  cone.SetHeight(2);
  const auto k = RoundTrip(cone);
  EXPECT_EQ(k->Parts(), 1u << coBottom);
  EXPECT_EQ(k->Height(), 2);

  TGLAnnulus annulus;
  annulus.SetParts(1u << anTop);
  annulus.SetBottomInnerRadius(0.1f);
  annulus.SetTopInnerRadius(0.2f);
  annulus.SetTopRadius(0.6f);
  const auto a = RoundTrip(annulus);
  EXPECT_EQ(a->Parts(), 1u << anTop);
  EXPECT_EQ((std::array{a->BottomInnerRadius(), a->TopInnerRadius(), a->TopRadius()}),
            (std::array{0.1f, 0.2f, 0.6f}));

  TGLArrowLine arrow;
  arrow.SetParts(1u << alBottomArrow);
  arrow.SetTopRadius(0.3f);
  arrow.SetTopArrowHeadHeight(0.6f);
  arrow.SetTopArrowHeadRadius(0.7f);
  arrow.SetBottomArrowHeadHeight(0.8f);
  arrow.SetBottomArrowHeadRadius(0.9f);
  arrow.SetHeadStackingStyle(ahssCentered);
  const auto w = RoundTrip(arrow);
  EXPECT_EQ(w->Parts(), 1u << alBottomArrow);
  EXPECT_EQ((std::array{w->TopRadius(), w->TopArrowHeadHeight(), w->TopArrowHeadRadius(),
                        w->BottomArrowHeadHeight(), w->BottomArrowHeadRadius(), w->BottomRadius()}),
            (std::array{0.3f, 0.6f, 0.7f, 0.8f, 0.9f, 0.1f}));
  EXPECT_EQ(w->HeadStackingStyle(), ahssCentered);

  TGLTorus torus;
  torus.SetRings(6);
  torus.SetSides(4);
  torus.SetMinorRadius(0.2f);
  torus.SetMajorRadius(1);
  const auto t = RoundTrip(torus);
  EXPECT_EQ(t->Rings(), 6u);
  EXPECT_EQ(t->Sides(), 4u);
  EXPECT_EQ(t->MinorRadius(), 0.2f);
  EXPECT_EQ(t->MajorRadius(), 1);

  TGLFrustrum frustrum;
  frustrum.SetHeight(3);
  frustrum.SetBaseDepth(2);
  frustrum.SetParts(1u << fpBottom);
  frustrum.SetNormalDirection(ndInside);
  const auto f = RoundTrip(frustrum);
  EXPECT_EQ((std::array{f->ApexHeight(), f->BaseDepth(), f->BaseWidth(), f->Height()}),
            (std::array{3.0f, 2.0f, 1.0f, 3.0f}));
  EXPECT_EQ(f->Parts(), 1u << fpBottom);
  EXPECT_EQ(f->NormalDirection(), ndInside);
}

TEST(SolidsStream, FrustrumSizeIsWrittenAsSixteenGoldenBytesOnlyOffTheDefaults) {
  TGLFrustrum frustrum;
  EXPECT_EQ(Bytes(frustrum).find("FrustrumSize"), std::string::npos);
  frustrum.SetBaseWidth(2);
  const std::string bytes = Bytes(frustrum);
  // The name, the binary tag, a 4-byte length and ApexHeight 1, BaseDepth 1, BaseWidth 2, Height 0.5.
  const std::string golden(
      "\x0c"
      "FrustrumSize\x0a\x10\x00\x00\x00"
      "\x00\x00\x80\x3f\x00\x00\x80\x3f\x00\x00\x00\x40\x00\x00\x00\x3f",
      1 + 12 + 1 + 4 + 16);
  EXPECT_NE(bytes.find(golden), std::string::npos);
  // Read straight into the fields: a stored Height above ApexHeight stays so.
  std::string odd = bytes;
  const std::size_t at = odd.find(golden) + 18 + 12;
  odd.replace(at, 4, std::string("\x00\x00\x40\x40", 4));  // Height 3
  TMemoryStream stream(odd);
  const auto read = ReadComponentAs<TGLFrustrum>(stream);
  EXPECT_EQ(read->Height(), 3);
  EXPECT_EQ(read->ApexHeight(), 1);
  TMemoryStream short_data(bytes.substr(0, bytes.find(golden) + 14) + std::string("\x08\x00\x00\x00", 4) +
                           std::string(8, '\0') + bytes.substr(bytes.find(golden) + golden.size()));
  EXPECT_THROW(ReadComponentAs<TGLFrustrum>(short_data), EReadError);
}


// Assign copies every published property: each object is given values other than the defaults, assigned
// to a fresh one of its class, and both stream the same bytes. Left at their defaults are only what
// the classes do not copy by design: the extrusion's height and smoothing angle, the sphere's caps, the
// cylinder's alignment and the sprite's mirroring.
struct AssignCase {
  const char* name;
  std::function<std::unique_ptr<TGLBaseSceneObject>()> make;
};

template <class T, class F>
AssignCase Make(const char* name, F set) {
  return {name, [set] {
            auto object = std::make_unique<T>();
            set(*object);
            return std::unique_ptr<TGLBaseSceneObject>(std::move(object));
          }};
}

TEST(SolidsAssign, EveryPublishedPropertyIsCopiedAsTheStreamedBytesShow) {
  const AssignCase cases[] = {
      Make<TGLArrowLine>("arrow line",
                         [](TGLArrowLine& o) {
                           o.SetParts(1u << alBottomArrow);
                           o.SetTopRadius(0.2f);
                           o.SetTopArrowHeadHeight(0.3f);
                           o.SetTopArrowHeadRadius(0.4f);
                           o.SetBottomArrowHeadHeight(0.6f);
                           o.SetBottomArrowHeadRadius(0.7f);
                           o.SetHeadStackingStyle(ahssIncluded);
                           o.SetBottomRadius(0.15f);
                           o.SetSlices(7);
                           o.SetStacks(3);
                           o.SetLoops(2);
                           o.SetHeight(2.5f);
                           o.SetNormals(nsFlat);
                           o.SetNormalDirection(ndInside);
                         }),
      Make<TGLRevolutionSolid>("revolution solid",
                               [](TGLRevolutionSolid& o) {
                                 o.SetSlices(9);
                                 o.SetStartAngle(10);
                                 o.SetStopAngle(200);
                                 o.SetNormals(nsSmooth);
                                 o.SetYOffsetPerTurn(0.5f);
                                 o.SetNormalDirection(ndInside);
                                 o.SetParts(kAllRevolutionSolidParts);
                                 o.SetDivision(4);
                               }),
      Make<TGLDisk>("disk",
                    [](TGLDisk& o) {
                      o.SetStartAngle(15);
                      o.SetSweepAngle(90);
                      o.SetOuterRadius(2);
                      o.SetInnerRadius(0.5f);
                      o.SetSlices(5);
                      o.SetLoops(3);
                    }),
      Make<TGLFrustrum>("frustrum",
                        [](TGLFrustrum& o) {
                          o.SetApexHeight(3);
                          o.SetBaseDepth(2);
                          o.SetBaseWidth(1.5f);
                          o.SetHeight(2);
                          o.SetParts(1u << fpTop);
                          o.SetNormalDirection(ndInside);
                        }),
      Make<TGLCube>("cube",
                    [](TGLCube& o) {
                      o.SetCubeWidth(2);
                      o.SetCubeHeight(3);
                      o.SetCubeDepth(4);
                      o.SetParts(cpTop);
                      o.SetNormalDirection(ndInside);
                    }),
      Make<TGLSprite>("sprite",
                      [](TGLSprite& o) {
                        o.SetWidth(2);
                        o.SetHeight(3);
                        o.SetRotation(45);
                        o.SetAlphaChannel(0.5f);
                        o.SetNoZWrite(true);
                      }),
      Make<TGLPipe>("pipe",
                    [](TGLPipe& o) {
                      o.SetSlices(5);
                      o.SetParts(1u << ppInside);
                      o.SetRadius(2);
                      o.SetNodesColorMode(pncmDiffuse);
                    }),
      Make<TGLExtrusionSolid>("extrusion solid",
                              [](TGLExtrusionSolid& o) {
                                o.SetStacks(3);
                                o.SetNormals(nsSmooth);
                                o.SetNormalDirection(ndInside);
                                o.SetParts(kAllExtrusionSolidParts);
                              }),
      Make<TGLCylinder>("cylinder",
                        [](TGLCylinder& o) {
                          o.SetParts(1u << cySides);
                          o.SetTopRadius(0.25f);
                          o.SetBottomRadius(0.75f);
                          o.SetSlices(6);
                          o.SetStacks(2);
                          o.SetLoops(4);
                          o.SetHeight(3);
                        }),
      Make<TGLCone>("cone", [](TGLCone& o) { o.SetParts(1u << coBottom); }),
      Make<TGLSpaceText>("3D text",
                         [](TGLSpaceText& o) {
                           o.SetText("Ab");
                           o.SetExtrusion(0.5f);
                           o.SetAllowedDeviation(0.25f);
                           o.SetCharacterRange(stcrNumbers);
                           o.Adjust().SetHorz(haCenter);
                           o.Adjust().SetVert(vaTop);
                           o.SetAspectRatio(2);
                           o.SetOblique(10);
                           o.SetTextHeight(3);
                         }),
      Make<TGLAnnulus>("annulus",
                       [](TGLAnnulus& o) {
                         o.SetParts(1u << anTop);
                         o.SetBottomInnerRadius(0.1f);
                         o.SetTopInnerRadius(0.2f);
                         o.SetTopRadius(0.9f);
                       }),
      Make<TGLSphere>("sphere",
                      [](TGLSphere& o) {
                        o.SetRadius(2);
                        o.SetSlices(5);
                        o.SetStacks(6);
                        o.SetTop(60);
                        o.SetBottom(-30);
                        o.SetStop(270);
                        o.SetStart(20);
                      }),
  };
  for (const AssignCase& c : cases) {
    const std::unique_ptr<TGLBaseSceneObject> source = c.make();
    const std::unique_ptr<TGLBaseSceneObject> copy = source->NewInstance();
    ASSERT_NE(Bytes(*source), Bytes(*copy)) << c.name << ": every value set is a default";
    copy->Assign(source.get());
    EXPECT_EQ(Bytes(*copy), Bytes(*source)) << c.name;
  }
}

}  // namespace
}  // namespace zentrova::test
