// The extrusion solid through the recording fake: its walls (order, normals, levels, texture
// coordinates, smoothing), its caps and their facing, and its setters and Assign.
#include <cmath>
#include <numbers>

#include "objects_fixtures.h"
#include "scene/gl/texture_coordinates.h"
#include "scene/objects/extrusion_solid.h"

namespace zentrova::test {
namespace {

using Vec = std::array<double, 3>;

// One recorded strip vertex: its normal, texture coordinate and position.
struct StripVertex {
  Vec normal;
  std::array<double, 2> st;
  Vec at;
};

std::vector<std::vector<StripVertex>> Strips(const Calls& calls) {
  std::vector<std::vector<StripVertex>> strips;
  for (const TPrimitive& p : Primitives(calls)) {
    if (p.mode != GL_TRIANGLE_STRIP) continue;
    std::vector<StripVertex> strip;
    StripVertex v{};
    for (const std::string& call : p.calls) {
      const std::vector<double> n = Numbers(call);
      if (call.rfind("glNormal3fv", 0) == 0) v.normal = {n[0], n[1], n[2]};
      if (call.rfind("glTexCoord2fv", 0) == 0) v.st = {n[0], n[1]};
      if (call.rfind("glVertex3fv", 0) == 0) {
        v.at = {n[0], n[1], n[2]};
        strip.push_back(v);
      }
    }
    strips.push_back(strip);
  }
  return strips;
}

void ExpectVec(const Vec& actual, const Vec& expected, const std::string& what) {
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(actual[k], expected[k], 1e-6) << what << " [" << k << "]";
}

struct Extrusion : FakeScene {
  Extrusion() {
    TexCoordRouteMain();
    fake.Clear();
  }
  TGLExtrusionSolid& AddSolid(const std::vector<std::array<float, 2>>& points) {
    auto& solid = stage.Objects().AddNewChild<TGLExtrusionSolid>();
    for (const auto& p : points) solid.ContourNodes(0).AddXYZ(p[0], p[1], 0);
    return solid;
  }
  Calls Draw() {
    fake.Clear();
    stage.Objects().RenderWithTransform(rci);
    return fake.Calls();
  }
  // The caps' triangles seen from +z: the summed signed area of each cap in drawing order.
  static std::vector<double> CapAreas(const Calls& calls) {
    std::vector<double> areas;
    bool in_cap = false;
    std::vector<Vec> pts;
    GLenum mode = 0;
    auto flush = [&] {
      double a = 0;
      auto tri = [&](const Vec& x, const Vec& y, const Vec& z) {
        a += ((y[0] - x[0]) * (z[1] - x[1]) - (z[0] - x[0]) * (y[1] - x[1])) / 2;
      };
      for (std::size_t i = 2; i < pts.size(); ++i) {
        if (mode == GL_TRIANGLES && i % 3 == 2) tri(pts[i - 2], pts[i - 1], pts[i]);
        if (mode == GL_TRIANGLE_FAN) tri(pts[0], pts[i - 1], pts[i]);
        if (mode == GL_TRIANGLE_STRIP) {
          if (i % 2 == 0)
            tri(pts[i - 2], pts[i - 1], pts[i]);
          else
            tri(pts[i - 1], pts[i - 2], pts[i]);
        }
      }
      areas.back() += a;
    };
    // A cap starts at its normal call outside any primitive.
    bool inside = false;
    for (const std::string& call : calls) {
      if (call.rfind("glNormal3fv", 0) == 0 && !inside) {
        areas.push_back(0);
        in_cap = true;
      } else if (call.rfind("glBegin(", 0) == 0) {
        inside = true;
        mode = static_cast<GLenum>(Numbers(call).at(0));
        pts.clear();
      } else if (call == "glEnd()") {
        inside = false;
        if (in_cap) flush();
      } else if (inside && call.rfind("glVertex3fv", 0) == 0) {
        const auto n = Numbers(call);
        pts.push_back({n[0], n[1], n[2]});
      }
    }
    return areas;
  }
};

const std::vector<std::array<float, 2>> kUnitSquare{{0, 0}, {1, 0}, {1, 1}, {0, 1}};

TEST_F(Extrusion, AUnitSquareDrawsFourOutsideWallsWithFlatOutwardNormalsInTheOutlinesCyclicOrder) {
  AddSolid(kUnitSquare);
  const Calls calls = Draw();
  const auto strips = Strips(calls);
  ASSERT_EQ(strips.size(), 4u);
  const std::vector<Vec> normals{{0, -1, 0}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}};
  // The outline may start at any corner: find the first wall's normal in the cycle.
  std::size_t start = 0;
  while (start < 4 && std::abs(strips[0][0].normal[0] - normals[start][0]) +
                              std::abs(strips[0][0].normal[1] - normals[start][1]) >
                          1e-6)
    ++start;
  ASSERT_LT(start, 4u);
  for (std::size_t w = 0; w < 4; ++w) {
    ASSERT_EQ(strips[w].size(), 4u);
    const Vec& n = normals[(start + w) % 4];
    for (const StripVertex& v : strips[w]) ExpectVec(v.normal, n, "wall " + std::to_string(w));
    // first0, second0, first1, second1: the edge runs counter-clockwise, bottom then top.
    EXPECT_EQ(strips[w][0].at[2], 0);
    EXPECT_EQ(strips[w][1].at[2], 0);
    EXPECT_EQ(strips[w][2].at[2], 1);
    EXPECT_EQ(strips[w][3].at[2], 1);
    EXPECT_EQ(strips[w][0].at[0], strips[w][2].at[0]);
    EXPECT_EQ(strips[w][1].at[1], strips[w][3].at[1]);
    // The wall's outside is where its normal points: the first triangle turns counter-clockwise about it.
    const Vec& a = strips[w][0].at;
    const Vec& b = strips[w][1].at;
    const Vec& c = strips[w][2].at;
    const Vec cross{(b[1] - a[1]) * (c[2] - a[2]) - (b[2] - a[2]) * (c[1] - a[1]),
                    (b[2] - a[2]) * (c[0] - a[0]) - (b[0] - a[0]) * (c[2] - a[2]),
                    (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0])};
    EXPECT_GT(cross[0] * n[0] + cross[1] * n[1] + cross[2] * n[2], 0) << "wall " << w;
  }
  // Walls only; the texture coordinate goes back to the origin after them.
  EXPECT_EQ(Named(calls, "glTexCoord2fv").back(), "glTexCoord2fv([0, 0])");
  EXPECT_TRUE(Named(calls, "glTranslatef").empty());  // no cap
}

TEST_F(Extrusion, WallTextureRunsAlongTheOutlineAndUpTheBandsTheClosingEdgeBackToZero) {
  auto& solid = AddSolid(kUnitSquare);
  solid.SetStacks(2);
  const auto strips = Strips(Draw());
  ASSERT_EQ(strips.size(), 4u);
  const double third = 1.0 / 3;
  for (std::size_t w = 0; w < 4; ++w) {
    const double ta = w < 3 ? w * third : 1, tb = w < 3 ? (w + 1) * third : 0;
    const std::vector<std::array<double, 2>> expected{{0, ta},   {0, tb}, {0.5, ta},
                                                      {0.5, tb}, {1, ta}, {1, tb}};
    ASSERT_EQ(strips[w].size(), 6u);
    for (std::size_t i = 0; i < 6; ++i) {
      EXPECT_NEAR(strips[w][i].st[0], expected[i][0], 1e-6) << w << " " << i;
      EXPECT_NEAR(strips[w][i].st[1], expected[i][1], 1e-6) << w << " " << i;
    }
  }
}

TEST_F(Extrusion, ThreeStacksGiveEightVerticesPerStripAtThirdsOfTheHeightAndBadStacksAreIgnored) {
  auto& solid = AddSolid(kUnitSquare);
  solid.SetHeight(3);
  solid.SetStacks(3);
  solid.SetStacks(0);
  solid.SetStacks(-2);
  EXPECT_EQ(solid.Stacks(), 3);
  const auto strips = Strips(Draw());
  ASSERT_EQ(strips.size(), 4u);
  for (const auto& strip : strips) {
    ASSERT_EQ(strip.size(), 8u);
    for (std::size_t i = 0; i < 8; ++i) EXPECT_NEAR(strip[i].at[2], static_cast<double>(i / 2), 1e-6) << i;
  }
}

TEST_F(Extrusion, ANegativeHeightGoesDownWithNegatedWallNormalsAndTheStopCapStillFacingUp) {
  auto& solid = AddSolid(kUnitSquare);
  solid.SetHeight(-2);
  solid.SetParts(kAllExtrusionSolidParts);
  const Calls calls = Draw();
  const auto strips = Strips(calls);
  // Outside walls are the last four strips of walls: inside walls come first.
  std::vector<Vec> outside_normals;
  for (std::size_t w = 4; w < 8; ++w) {
    EXPECT_EQ(strips[w][0].at[2], 0);
    EXPECT_NEAR(strips[w].back().at[2], -2, 1e-6);
    outside_normals.push_back(strips[w][0].normal);
  }
  // Every outside normal points into the square now: from the edge's midpoint toward the centre.
  for (std::size_t w = 4; w < 8; ++w) {
    const Vec mid{(strips[w][0].at[0] + strips[w][1].at[0]) / 2,
                  (strips[w][0].at[1] + strips[w][1].at[1]) / 2, 0};
    const double toward = (0.5 - mid[0]) * strips[w][0].normal[0] + (0.5 - mid[1]) * strips[w][0].normal[1];
    EXPECT_NEAR(toward, 0.5, 1e-6) << w;
  }
  const Calls caps = Named(calls, "glTranslatef");
  EXPECT_EQ(caps, (Calls{GLCall("glTranslatef", 0.0f, 0.0f, -2.0f)}));
  const Calls normals = Named(calls, "glNormal3fv");
  auto after_translate = std::find(calls.begin(), calls.end(), caps[0]);
  EXPECT_EQ(*std::find_if(after_translate, calls.end(),
                          [](const std::string& c) { return c.rfind("glNormal3fv", 0) == 0; }),
            "glNormal3fv([0, 0, 1])");
}

TEST_F(Extrusion, AllFourPartsDrawInsideWallsOutsideWallsThenTheStopCapUpAndTheStartCapDown) {
  auto& solid = AddSolid(kUnitSquare);
  solid.SetHeight(2);
  solid.SetParts(kAllExtrusionSolidParts);
  const Calls calls = Draw();
  const auto strips = Strips(calls);
  ASSERT_GE(strips.size(), 8u);
  for (std::size_t w = 0; w < 8; ++w) {
    const Vec mid{(strips[w][0].at[0] + strips[w][1].at[0]) / 2,
                  (strips[w][0].at[1] + strips[w][1].at[1]) / 2, 0};
    const double outward = (mid[0] - 0.5) * strips[w][0].normal[0] + (mid[1] - 0.5) * strips[w][0].normal[1];
    EXPECT_NEAR(outward, w < 4 ? -0.5 : 0.5, 1e-6) << w;
  }
  // The stop cap at the top faces +z (counter-clockwise), the start cap at the bottom −z.
  const auto cap_normals = Named(calls, "glNormal3fv");
  EXPECT_EQ(Named(calls, "glTranslatef"), (Calls{GLCall("glTranslatef", 0.0f, 0.0f, 2.0f)}));
  auto areas = CapAreas(calls);
  ASSERT_EQ(areas.size(), 2u);
  EXPECT_NEAR(areas[0], 1, 1e-6);
  EXPECT_NEAR(areas[1], -1, 1e-6);
  const auto push = std::find(calls.begin(), calls.end(), std::string("glTranslatef(0, 0, 2)"));
  ASSERT_NE(push, calls.end());
  EXPECT_EQ(*std::next(push), "glNormal3fv([0, 0, 1])");
  EXPECT_EQ(std::count(push, calls.end(), "glNormal3fv([-0, -0, -1])"), 1);
  // The stop cap's matrix is popped before the start cap is drawn where the contours lie.
  const auto pop = std::find(push, calls.end(), std::string("glPopMatrix()"));
  EXPECT_LT(pop, std::find(push, calls.end(), std::string("glNormal3fv([-0, -0, -1])")));
}

TEST_F(Extrusion, InwardFacingCapsCoverTheOutlineFacingIntoTheSolid) {
  auto& solid = AddSolid(kUnitSquare);
  solid.SetParts((1u << espStartPolygon) | (1u << espStopPolygon));
  solid.SetNormalDirection(ndInside);
  const Calls calls = Draw();
  EXPECT_EQ(Named(calls, "glNormal3fv"), (Calls{"glNormal3fv([-0, -0, -1])", "glNormal3fv([0, 0, 1])"}));
  const auto areas = CapAreas(calls);
  ASSERT_EQ(areas.size(), 2u);
  EXPECT_NEAR(areas[0], -1, 1e-6);  // the top cap, seen from +z clockwise: it faces down into the solid
  EXPECT_NEAR(areas[1], 1, 1e-6);
  EXPECT_TRUE(Strips(calls).empty() || Strips(calls).size() <= 2);
}

TEST_F(Extrusion, InsideNormalDirectionSwapsTheWallsFacings) {
  auto& solid = AddSolid(kUnitSquare);
  solid.SetNormalDirection(ndInside);
  const auto strips = Strips(Draw());
  ASSERT_EQ(strips.size(), 4u);
  for (const auto& strip : strips) {
    const Vec mid{(strip[0].at[0] + strip[1].at[0]) / 2, (strip[0].at[1] + strip[1].at[1]) / 2, 0};
    EXPECT_NEAR((mid[0] - 0.5) * strip[0].normal[0] + (mid[1] - 0.5) * strip[0].normal[1], -0.5, 1e-6);
  }
}

TEST_F(Extrusion, AZeroHeightDrawsNoWallsAndBothCapsAtTheOutline) {
  auto& solid = AddSolid(kUnitSquare);
  solid.SetHeight(0);
  solid.SetParts(kAllExtrusionSolidParts);
  const Calls calls = Draw();
  EXPECT_EQ(Named(calls, "glTranslatef"), (Calls{GLCall("glTranslatef", 0.0f, 0.0f, 0.0f)}));
  EXPECT_EQ(CapAreas(calls).size(), 2u);
  EXPECT_EQ(Named(calls, "glNormal3fv").size(), 2u);
}

// A regular polygon of n corners of radius 1, counter-clockwise.
std::vector<std::array<float, 2>> RegularPolygon(int n) {
  std::vector<std::array<float, 2>> points;
  for (int i = 0; i < n; ++i) {
    const double a = 2 * std::numbers::pi * i / n;
    points.push_back({static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a))});
  }
  return points;
}

TEST_F(Extrusion, SmoothingOnAThirtySixGonGivesEachStripsFirstColumnThePreviousEdgesNormal) {
  auto& solid = AddSolid(RegularPolygon(36));
  solid.SetNormals(nsSmooth);
  solid.SetMinSmoothAngle(15);
  solid.MarkStructureDirty();
  auto strips = Strips(Draw());
  ASSERT_EQ(strips.size(), 36u);
  for (std::size_t w = 0; w < 36; ++w) {
    const auto& previous = strips[(w + 35) % 36];
    ExpectVec(strips[w][0].normal, previous[1].normal, "first column " + std::to_string(w));
    ExpectVec(strips[w][2].normal, previous[1].normal, "first column above " + std::to_string(w));
    const double dot =
        strips[w][0].normal[0] * strips[w][1].normal[0] + strips[w][0].normal[1] * strips[w][1].normal[1];
    EXPECT_NEAR(dot, std::cos(10 * std::numbers::pi / 180), 1e-5);
  }
  // At 5 degrees the 10-degree corners stay sharp; the angle alone sends no notice.
  solid.SetMinSmoothAngle(5);
  EXPECT_TRUE(Strips(Draw()).empty());
  solid.MarkStructureDirty();
  strips = Strips(Draw());
  for (const auto& strip : strips) ExpectVec(strip[0].normal, strip[1].normal, "flat");
}

TEST_F(Extrusion, SmoothingKeepsTheSquaresRightAnglesSharp) {
  auto& solid = AddSolid(kUnitSquare);
  solid.SetNormals(nsSmooth);
  for (const auto& strip : Strips(Draw())) {
    for (const auto& v : strip) ExpectVec(v.normal, strip[0].normal, "flat");
  }
}

TEST_F(Extrusion, AssignCopiesPartsStacksAndNormalsButNeitherHeightNorTheSmoothingAngle) {
  TGLExtrusionSolid source;
  source.ContourNodes(0).AddXYZ(1, 2, 0);
  source.SetParts(kAllExtrusionSolidParts);
  source.SetStacks(4);
  source.SetNormals(nsSmooth);
  source.SetNormalDirection(ndInside);
  source.SetHeight(7);
  source.SetMinSmoothAngle(30);
  TGLExtrusionSolid copy;
  copy.Assign(&source);
  EXPECT_EQ(copy.Parts(), kAllExtrusionSolidParts);
  EXPECT_EQ(copy.Stacks(), 4);
  EXPECT_EQ(copy.Normals(), nsSmooth);
  EXPECT_EQ(copy.NormalDirection(), ndInside);
  EXPECT_EQ(copy.Height(), 1);
  EXPECT_EQ(copy.MinSmoothAngle(), 5);
  ASSERT_EQ(copy.Contours().Count(), 1);
  EXPECT_EQ(copy.Contours().Items(0)->Nodes()[0]->Y(), 2);
}

TEST_F(Extrusion, SettersRebuildOnlyForADifferentValue) {
  auto& solid = AddSolid(kUnitSquare);
  Draw();
  struct Case {
    const char* what;
    std::function<void()> same, other;
  };
  const Case cases[] = {
      {"Height", [&] { solid.SetHeight(1); }, [&] { solid.SetHeight(2); }},
      {"Stacks", [&] { solid.SetStacks(1); }, [&] { solid.SetStacks(2); }},
      {"Normals", [&] { solid.SetNormals(nsFlat); }, [&] { solid.SetNormals(nsNone); }},
      {"NormalDirection", [&] { solid.SetNormalDirection(ndOutside); },
       [&] { solid.SetNormalDirection(ndInside); }},
      {"Parts", [&] { solid.SetParts(1); }, [&] { solid.SetParts(3); }},
  };
  for (const Case& c : cases) {
    stage.senders.clear();
    c.same();
    EXPECT_TRUE(stage.senders.empty()) << c.what;
    c.other();
    EXPECT_EQ(stage.senders.size(), 1u) << c.what;
    Draw();
  }
}

}  // namespace
}  // namespace zentrova::test
