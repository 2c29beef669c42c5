#include "engine/model/body.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "engine/world/world.h"
#include "engine_test_support.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;

constexpr long double kTight = 1e-17L;

// A world read from an empty Main section, its model files in the engine fixtures' model folder.
class BodyTest : public test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_TRUE(world_.ReadWorldFile(Data("world/empty_main.wld")));
    world_.Settings.WorkingDirectory = Data("model/");
  }
  std::unique_ptr<TBody> Load(const std::string& file, bool expected = true) {
    auto body = std::make_unique<TBody>(world_.Settings);
    EXPECT_EQ(body->Load(world_.Settings.WorkingDirectory + file), expected) << file;
    return body;
  }
  TWorld world_;
};

TEST_F(BodyTest, MassPropertiesFromTheOutline) {
  const auto body = Load("square.bdy");  // the unit square, 1 cm thick, 1000 kg/m^3
  EXPECT_TRUE(Logged().empty());         // a computed mass raises no alert
  EXPECT_NEAR(body->Mass, 10, kTight);
  // The outline is centred: the polar moment about the centre (1/6), times thickness and density.
  EXPECT_NEAR(body->Inertia.ZZ, 10.0L / 6, 1e-16L);
  EXPECT_EQ(body->CentreOfGravity.X.Get(), 0);
  EXPECT_NEAR(body->SkinThickness, 1e-4L, 1e-20L);  // 100 times the default penetration of 1e-6
  // The farthest corner, measured from the mid-plane of the extrusion.
  EXPECT_NEAR(body->Radius, std::sqrt(0.5L + 0.005L * 0.005L), kTight);
  EXPECT_EQ(body->Kinematics.Velocity.Rz.Value, -3);
  EXPECT_EQ(body->Solid.BoxTree.Count(), 2);  // five points: a root and two leaves
  // The body's centre is the solid's, also when the solid recomputes it.
  body->Solid.Translate(1, 2);
  body->Solid.ComputeCentreOfGravity();
  EXPECT_EQ(body->CentreOfGravity.Y.Get(), 2);
}

TEST_F(BodyTest, ExplicitValuesAreUsedWithAnAlertEach) {
  const auto body = Load("explicit.bdy");
  EXPECT_EQ(
      std::vector<long double>({body->Mass, body->Inertia.ZZ, body->SkinThickness,
                                body->MaximumDisplacementFactor, body->Green, body->Blue}),
      (std::vector<long double>{2, 3, 0.002L, 0.125L, 0.25L, 1}));  // blanks or commas separate the colour
  EXPECT_EQ(body->CentreOfGravity.X.Get(), 0.5L);                   // correctOrigin=0: not moved
  EXPECT_EQ(Logged(), (Strings{
                          "[Alert] skinThickness of body Heavy explicitely defined to: 0.002.",
                          "[Alert] mass of body Heavy explicitely defined to: 2.",
                          "[Alert] mass moment of inertia XX of body Heavy explicitely defined to: 1.5.",
                          "[Alert] mass moment of inertia YZ of body Heavy explicitely defined to: -0.5.",
                          "[Alert] mass moment of inertia ZZ of body Heavy explicitely defined to: 3.",
                      }));
}

// A virtual body moves with another and has no mass of its own: what its file gives is alerted and then
// dropped, and its outline stays where the file puts it.
TEST_F(BodyTest, VirtualBodyHasNoMassOfItsOwn) {
  const auto ghost = Load("virtual.bdy");
  EXPECT_EQ(ghost->VirtualToBody, "Square");
  EXPECT_EQ(std::vector<long double>({ghost->Mass, ghost->Inertia.XX, ghost->Inertia.ZZ}),
            (std::vector<long double>{0, 0, 0}));
  EXPECT_EQ(ghost->CentreOfGravity.X.Get(), 0.5L);  // correctOrigin=1 is not followed
  EXPECT_EQ(Logged(), (Strings{"[Alert] mass of body Ghost explicitely defined to: 2.",
                               "[Alert] mass moment of inertia XX of body Ghost explicitely defined to: 1.5.",
                               "[Alert] mass moment of inertia ZZ of body Ghost explicitely defined to: 3."}));
}

TEST_F(BodyTest, RefusedBodiesFailTheLoadWithTheirLines) {
  const struct {
    const char* file;
    Strings lines;
  } cases[] = {
      {"bad_color.bdy", {"[Error] RGBColor of body Odd in file bad_color.bdy line 3 must hold three numbers: 1 0."}},
      {"nothere.bdy", {"[Error] No body file found. Check working directory. File nothere.bdy."}},
      {"missing_outline.bdy",
       {"[Error] No bodyShape file found. File nothere.exs.", "[Error] Check extrusion shape in file nothere.exs.",
        "[Error] No body shape (exs) file found. Check body (bdy) files. File nothere.exs."}},
      {"malformed_outline.bdy",
       {"[Error] Outline file few_numbers.exs ends after 3 of its 5 y values.",
        "[Error] Check extrusion shape in file few_numbers.exs.",
        "[Error] No body shape (exs) file found. Check body (bdy) files. File few_numbers.exs."}},
      {"clockwise.bdy",
       {"[Error] Extrusion shape of body Backwards in file square_cw.exs runs clockwise; its points must run "
        "counter-clockwise."}},
      {"flat.bdy", {"[Error] Extrusion shape of body Line in file flat.exs encloses no area."}},
  };
  for (const auto& c : cases) {
    log_.Clear();
    Load(c.file, false);
    EXPECT_EQ(Logged(), c.lines) << c.file;
  }
}

// A colour component outside 0..1 loads with an alert (the view clamps it); the ends themselves are colours.
// A world file that sets "," makes the colour's "." unreadable: the refusal says where the separator
// comes from, so that the body file is not blamed alone. A colour without "." reads as before.
TEST_F(BodyTest, ColourRefusedForTheWorldsSeparatorNamesTheWorldFile) {
  ASSERT_TRUE(world_.ReadWorldFile(Data("world/comma.wld")));
  world_.Settings.WorkingDirectory = Data("model/");
  log_.Clear();
  Load("explicit.bdy", false);
  EXPECT_EQ(Logged(), (Strings{"[Error] RGBColor of body Heavy in file explicit.bdy line 3 must hold three numbers: "
                               "0.5, 0.25 1. Numbers are read with the decimal separator \",\" that decimalSeparator "
                               "sets on line 2 of file comma.wld."}));
  log_.Clear();
  Load("bad_color.bdy", false);
  EXPECT_EQ(Logged(), (Strings{"[Error] RGBColor of body Odd in file bad_color.bdy line 3 must hold three numbers: 1 0."}));
}

TEST_F(BodyTest, ColoursOutsideTheUnitRangeAreAlerted) {
  const std::pair<const char*, bool> cases[] = {
      {"1 0 0.5", false}, {"0 0 0", false}, {"1 1 1", false}, {"1.5 0 0", true}, {"0 -0.25 0", true},
      {"0 0 1.0001", true}};
  for (const auto& [text, alerted] : cases) {
    test::TempDir dir;
    test::WriteBytes(dir.File("odd.bdy"), "[Main]\nname=Odd\nshapeType=none\nRGBColor=" + std::string(text) +
                                              "\n[Mass properties]\nmass=1\ninertiaZZ=1\n");
    log_.Clear();
    TBody body(world_.Settings);
    EXPECT_TRUE(body.Load(dir.File("odd.bdy"))) << text;
    Strings colour_lines;
    for (const std::string& line : Logged()) {
      if (line.find("RGBColor") != std::string::npos) colour_lines.push_back(line);
    }
    const Strings expected = {"[Alert] RGBColor of body Odd in file odd.bdy has a component outside 0 to 1: " +
                              std::string(text) + ". The view draws it clamped to 0 to 1."};
    EXPECT_EQ(colour_lines, alerted ? expected : Strings{}) << text;
  }
}

TEST_F(BodyTest, RotationQuadrants) {
  const auto body = Load("square.bdy");
  const long double pi = std::numbers::pi_v<long double>;
  const struct {
    long double rz;
    int quadrant;
  } cases[] = {{0, 1}, {0.5L, 1}, {2, 2}, {3.5L, 3}, {-0.5L, 4}, {pi, 3}};
  for (const auto& c : cases) {
    body->Kinematics.Position.Rz.Set(c.rz);
    ASSERT_TRUE(body->UpdateRotation());
    EXPECT_EQ(body->Solid.Quadrant, c.quadrant) << c.rz;
  }
}

}  // namespace
}  // namespace zentrova
