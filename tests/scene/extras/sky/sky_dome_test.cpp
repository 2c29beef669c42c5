// Sky domes: their properties, the daylight colours and stacks, and what they draw through the fake.
#include <cmath>

#include "platform/random.h"
#include "scene/core/core_fixtures.h"
#include "scene/extras/sky/earth_sky_dome.h"

namespace zentrova::test {
namespace {

using testing::ElementsAre;
using SkyDomeTest = FakeScene;

TEST(SkyDome, BandAnglesClampAndPushEachOtherCountsHaveAFloorTwinklingDrawsDirectly) {
  TGLSkyDome dome;
  TSkyDomeBand& band = dome.Bands().Items(1);  // 15° to 90°
  const struct {
    bool start;
    float value, start_after, stop_after;
  } cases[] = {{true, 95, 90, 90}, {false, 30, 30, 30}, {false, -100, -90, -90}, {true, 10, 10, 10}};
  for (const auto& c : cases) {
    c.start ? band.SetStartAngle(c.value) : band.SetStopAngle(c.value);
    EXPECT_TRUE(band.StartAngle() == c.start_after && band.StopAngle() == c.stop_after) << c.value;
  }
  band.SetSlices(1);
  band.SetStacks(0);
  EXPECT_TRUE(band.Slices() == 3 && band.Stacks() == 1);
  EXPECT_EQ(band.GetDisplayName(), "1: 10.0\xC2\xB0 - 10.0\xC2\xB0");
  for (TSkyDomeOptions options : {TSkyDomeOptions(sdoTwinkle), TSkyDomeOptions(0)}) {
    dome.SetOptions(options);
    EXPECT_EQ(dome.HasStyle(osDirectDraw), options != 0);
  }
}

TEST_F(SkyDomeTest, PolesAreFansTheTopOneTurnedAndTheRestQuadStrips) {
  TGLSkyDome dome;
  TSkyDomeBand& band = dome.Bands().Items(0);
  band.SetSlices(4);
  band.SetStopAngle(90);
  band.SetStartAngle(-90);
  for (auto [stacks, primitives] : {std::pair{3, Calls{"glBegin(6)", "glBegin(8)", "glBegin(6)"}},
                                    {2, Calls{"glBegin(6)", "glBegin(6)"}}}) {
    band.SetStacks(stacks);
    fake.Clear();
    band.BuildList();
    EXPECT_EQ(Only({"glBegin"}), primitives);
  }
  // Two stacks: the south pole, the equator from azimuth 0 on; the north pole, the equator backwards.
  const Calls v = Only({"glVertex4fv"});
  ASSERT_EQ(v.size(), 12u);
  ExpectNear(Numbers(v[2]), {0, 1, 0, 1}, 1e-6);
  ExpectNear(Numbers(v[8]), {0, -1, 0, 1}, 1e-6);
}

TEST_F(SkyDomeTest, StarsBatchByPointSizeTwinkleByTheGeneratorAndLeaveBlendingAsTheyFoundIt) {
  TGLSkyDome dome;
  for (float magnitude : {6.0f, 5.0f, 0.0f, 0.0f, -1.0f}) dome.Stars().Add().Magnitude = magnitude;
  dome.Stars().BuildList(nullptr, false);
  EXPECT_THAT(
      Only({"glBegin", "glEnd", "glPointSize", "glPushAttrib", "glPopAttrib", "glAlphaFunc", "glBlendFunc"}),
      ElementsAre("glPushAttrib(24576)", "glAlphaFunc(517, 0)", "glBlendFunc(770, 1)", "glBegin(0)",
                  "glEnd()", "glPointSize(1.5)", "glBegin(0)", "glEnd()", "glPointSize(4.5)", "glBegin(0)",
                  "glEnd()", "glPointSize(5.5)", "glBegin(0)", "glEnd()", "glPointSize(1)", "glPopAttrib()"));
  EXPECT_EQ(Only({"glColor3fv"}), Calls{"glColor3fv([0, 0, 0])"});  // one colour, sent once
  for (int i = 0; i < 5; ++i) dome.Stars().Items(i).Color = MakeRGBColor(255, 255, 255);
  SetRandomSeed(27);
  fake.Clear();
  dome.Stars().BuildList(nullptr, true);
  const Calls colours = Only({"glColor3fv"});
  ASSERT_EQ(colours.size(), 5u);
  SetRandomSeed(27);
  for (const std::string& call : colours) {
    const float f = static_cast<float>(Random() * 0.6L + 0.4L);
    EXPECT_TRUE(f >= 0.4f && f < 1) << f;
    for (double value : Numbers(call)) EXPECT_EQ(static_cast<float>(value), f);
  }
}

TEST_F(SkyDomeTest, DomesScaleToTheFarDistanceWithoutDepthWrites) {
  stage.SetCurrentCamera(&stage.Cameras().AddNewChild<TGLCamera>());  // depth of view 100
  TGLSkyDome sky;
  TGLEarthSkyDome earth;
  sky.BuildList(rci);
  earth.BuildList(rci);
  EXPECT_THAT(Only({"glDepthMask", "glScalef", "glDisable(3008)"}),
              ElementsAre("glDepthMask(0)", "glScalef(90, 90, 90)", "glDepthMask(1)", "glDisable(3008)",
                          "glDepthMask(0)", "glScalef(95, 95, 95)", "glDepthMask(1)"));
}

TEST(EarthSkyDome, ValuesClampTheSunColourStarFadingAndTheTwelveHourTurnFollowTheElevation) {
  TGLEarthSkyDome dome;
  EXPECT_TRUE(dome.Bands().Count() == 0 && !dome.StoresSlices() && !dome.StoresStacks());
  dome.SetTurbidity(0);
  dome.SetSlices(5);
  dome.SetStacks(0);
  EXPECT_TRUE(dome.Turbidity() == 1 && dome.Slices() == 6 && dome.Stacks() == 1);
  // Declared defaults equal the constructed 48 and 24: other values, these among them, are stored.
  dome.SetSlices(24);
  dome.SetStacks(48);
  EXPECT_TRUE(dome.StoresSlices() && dome.StoresStacks());
  dome.Stars().Add().RA = 10;
  dome.ExtendedOptions = esoFadeStarsWithSun | esoRotateOnTwelveHours;
  const struct {
    float elevation;
    TColor star;
    float ra, up;  // up: the dome's local y axis, turned over by a half turn
  } cases[] = {{-10, 0xFFFFFF, 10, 1}, {0, 0xFFFFFF, 10, 1}, {10, MakeRGBColor(70, 70, 70), 10, 1},
               {89.9f, 0, 10, 1},      {120, 0, 190, -1},    {-90, 0xFFFFFF, 370, 1}};
  for (const auto& c : cases) {
    dome.SetSunElevation(c.elevation);
    const TSkyDomeStar& star = dome.Stars().Items(0);
    EXPECT_TRUE(star.Color == c.star && star.RA == c.ra && std::fabs(dome.Up().Y() - c.up) < 1e-6)
        << c.elevation;
    if (c.elevation == 0) { EXPECT_EQ(dome.CurrentSunColor(), dome.SunDawnColor().Color()); }
    if (c.elevation == 120) { EXPECT_EQ(dome.SunElevation(), 90); }
    if (c.elevation == 120) ExpectNear(dome.CurrentSunColor(), dome.SunZenithColor().Color(), 1e-4);
  }
}

TEST(EarthSkyDome, StacksEndAtTheZenithForAnyCountAndCrowdAroundTheSun) {
  for (float sun : {30.0f, -10.0f}) {
    for (int stacks = 1; stacks <= 9; ++stacks) {
      const std::vector<float> e = EarthDomeStackElevations(stacks, sun);
      ASSERT_EQ(e.size(), std::size_t(stacks + 1));
      EXPECT_TRUE(e.front() == 1 && e.back() == 90) << stacks;
      const double E = sun / 90.0, h = stacks / 2;
      const bool crowded = sun > 0 && stacks % 2 == 0 && stacks >= 4;
      for (int j = 0; j < stacks; ++j) {
        EXPECT_TRUE(std::isfinite(e[j + 1]) && e[j + 1] >= e[j]) << stacks << " stacks, sun at " << sun;
        if (sun <= 0) { EXPECT_NEAR(e[j + 1], 1 + 89.0 * (j + 1) / stacks, 1e-4) << stacks << " " << j; }
        const double t =
            j < h ? E - E * std::pow((h - j) / h, 2) : E + (1 - E) * std::pow((j - h) / (h - 1), 2);
        if (crowded) { EXPECT_NEAR(e[j + 1], 1 + 89 * t, 1e-4) << stacks << " " << j; }
      }
    }
  }
}

}  // namespace
}  // namespace zentrova::test
