// Sky domes, particles and the immediate-mode mesh through the form stream.
#include <gtest/gtest.h>

#include "scene/base/property_stream.h"
#include "scene/core/stage.h"
#include "scene/extras/mesh/immediate_mesh.h"
#include "scene/extras/mesh/particles.h"
#include "scene/extras/sky/earth_sky_dome.h"
#include "scene/stream_test_support.h"

namespace zentrova {
namespace {

using test::Bytes;

TEST(ExtrasStreaming, AFormWithSkyDomesParticlesAndAMeshReadsBackEqual) {
  TComponent form;
  auto& stage = form.CreateComponent<TGLStage>();
  stage.SetName("Scene1");
  auto& sky = stage.Objects().AddNewChild<TGLSkyDome>();
  sky.SetName("Sky");
  sky.SetOptions(sdoTwinkle);
  sky.Bands().Items(0).SetSlices(20);
  sky.Bands().Items(1).SetStopAngle(80);
  TSkyDomeStar& star = sky.Stars().Add();
  star.RA = 45;
  star.Dec = -10;
  star.Magnitude = 2;
  star.Color = 0x00FFEEDD;
  auto& earth = stage.Objects().AddNewChild<TGLEarthSkyDome>();
  earth.SetName("Earth");
  earth.SetSunElevation(20);
  earth.SetTurbidity(40);
  earth.SetSlices(30);
  earth.ExtendedOptions = esoFadeStarsWithSun;
  auto& particles = stage.Objects().AddNewChild<TGLParticles>();
  particles.SetName("Particles");
  particles.SetCubeSize(2);
  particles.SetParticlePoolSize(10);
  auto& mesh = stage.Objects().AddNewChild<TGLMesh>();
  mesh.SetName("Mesh");
  mesh.SetMode(mmQuads);
  mesh.SetVertexMode(vmVN);
  const std::string bytes = Bytes(form);
  TMemoryStream stream(bytes);
  const std::unique_ptr<TComponent> read = ReadComponent(stream);
  EXPECT_EQ(Bytes(*read), bytes);

  auto& read_stage = dynamic_cast<TGLStage&>(*read->Components(0));
  ASSERT_EQ(read_stage.Objects().ChildCount(), 4);
  auto& read_sky = dynamic_cast<TGLSkyDome&>(*read_stage.Objects().ChildAt(0));
  EXPECT_EQ(read_sky.Options(), sdoTwinkle);
  ASSERT_EQ(read_sky.Bands().Count(), 2);
  EXPECT_EQ(read_sky.Bands().Items(0).Slices(), 20);
  EXPECT_EQ(read_sky.Bands().Items(1).StopAngle(), 80);
  ASSERT_EQ(read_sky.Stars().Count(), 1);
  const TSkyDomeStar& read_star = read_sky.Stars().Items(0);
  EXPECT_EQ(std::tuple(read_star.RA, read_star.Dec, read_star.Magnitude, read_star.Color),
            std::tuple(45.0f, -10.0f, 2.0f, TColor(0x00FFEEDD)));
  auto& read_earth = dynamic_cast<TGLEarthSkyDome&>(*read_stage.Objects().ChildAt(1));
  EXPECT_EQ(read_earth.Bands().Count(), 0) << "the Earth dome's bands are not brought back";
  EXPECT_EQ(std::tuple(read_earth.SunElevation(), read_earth.Turbidity(), read_earth.Slices(), read_earth.Stacks()),
            std::tuple(20.0f, 40.0f, 30, 24));
  EXPECT_EQ(read_earth.ExtendedOptions, esoFadeStarsWithSun);
  EXPECT_EQ(read_earth.CurrentSunColor(), earth.CurrentSunColor()) << "the read values were precalculated";
  auto& read_particles = dynamic_cast<TGLParticles&>(*read_stage.Objects().ChildAt(2));
  EXPECT_EQ(std::pair(read_particles.CubeSize(), read_particles.ParticlePoolSize()), std::pair(2.0f, 10));
  auto& read_mesh = dynamic_cast<TGLMesh&>(*read_stage.Objects().ChildAt(3));
  EXPECT_EQ(std::pair(read_mesh.Mode(), read_mesh.VertexMode()), std::pair(mmQuads, vmVN));
}

TEST(ExtrasStreaming, TheEarthDomeStoresSlicesAndStacksOnlyOffTheirDefaults) {
  const struct {
    int slices, stacks;
    bool slices_stored, stacks_stored;
  } cases[] = {{48, 24, false, false}, {30, 24, true, false}, {48, 10, false, true}, {24, 48, true, true}};
  for (const auto& c : cases) {
    TGLEarthSkyDome dome;
    dome.SetSlices(c.slices);
    dome.SetStacks(c.stacks);
    const std::string bytes = Bytes(dome);
    EXPECT_EQ(bytes.find("\x06Slices") != std::string::npos, c.slices_stored) << c.slices;
    EXPECT_EQ(bytes.find("\x06Stacks") != std::string::npos, c.stacks_stored) << c.stacks;
    TMemoryStream stream(bytes);
    const auto read = ReadComponentAs<TGLEarthSkyDome>(stream);
    EXPECT_EQ(std::pair(read->Slices(), read->Stacks()), std::pair(c.slices, c.stacks));
  }
}

TEST(ExtrasAssign, AnEarthDomeCopiesItsSunHazeColoursSamplingBandsAndStars) {
  TGLEarthSkyDome source;
  source.SetSunElevation(20);
  source.SetTurbidity(40);
  source.SetSlices(30);
  source.SetStacks(12);
  source.SunZenithColor().SetVector({0.1f, 0.2f, 0.3f, 1});
  source.SunDawnColor().SetVector({0.4f, 0.2f, 0.3f, 1});
  source.HazeColor().SetVector({0.5f, 0.5f, 0.3f, 1});
  source.SkyColor().SetVector({0.1f, 0.6f, 0.3f, 1});
  source.NightColor().SetVector({0, 0, 0.2f, 1});
  TSkyDomeBand& band = source.Bands().Add();
  band.SetStartAngle(5);
  band.SetStopAngle(70);
  band.SetSlices(9);
  band.SetStacks(3);
  band.StartColor().SetVector({1, 0, 0, 1});
  band.StopColor().SetVector({0, 1, 0, 1});
  source.Stars().Add().Magnitude = 3;
  TGLEarthSkyDome copy;
  ASSERT_NE(Bytes(copy), Bytes(source));
  copy.Assign(&source);
  EXPECT_EQ(Bytes(copy), Bytes(source));
}

}  // namespace
}  // namespace zentrova
