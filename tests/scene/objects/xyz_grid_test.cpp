// The sampling scale's lattice and loop bounds, and the grid's lines through the recording fake.
#include <cmath>

#include "objects_fixtures.h"
#include "scene/objects/xyz_grid.h"

namespace zentrova::test {
namespace {

TEST(SamplingScale, TheFirstSampleIsTheLatticeValueAtOrJustAboveMin) {
  struct Case {
    float min, origin, step, first;
  };
  const Case cases[] = {
      {0, 0.05f, 0.1f, 0.05f},  // the origin inside the range
      {0.25f, 0, 0.1f, 0.3f},   // the origin below Min
      {0.5f, 0, 0.25f, 0.5f},   // Min on the lattice is its own first sample
      {-1, -1, 0.5f, -1},       // the origin at Min
      {0, 0.37f, 0.1f, 0.07f},  // several steps above
      {-0.9f, 1, 0.5f, -0.5f},
  };
  for (const Case& c : cases) {
    TGLSamplingScale scale(nullptr);
    scale.SetMax(10);
    scale.SetMin(c.min);
    scale.SetOrigin(c.origin);
    scale.SetStep(c.step);
    EXPECT_NEAR(scale.FirstSample(), c.first, 1e-6) << c.min << " " << c.origin << " " << c.step;
  }
}

TEST(SamplingScale, SettersKeepMinAtMostMaxStoreAPositiveStepAndAlwaysNotify) {
  TNoticeCounter owner;
  TGLSamplingScale scale(&owner);
  scale.SetMax(2);
  scale.SetMin(5);
  EXPECT_EQ(scale.Max(), 5);
  scale.SetMax(1);
  EXPECT_EQ(scale.Min(), 1);
  for (float bad : {0.0f, -2.0f}) {
    scale.SetStep(bad);
    EXPECT_EQ(scale.Step(), 1);
  }
  owner.notices = 0;
  scale.SetOrigin(scale.Origin());
  scale.SetStep(scale.Step());
  EXPECT_EQ(owner.notices, 2);

  float base, step, max;
  scale.SetMin(0);
  scale.SetMax(1);
  scale.SetStep(0.25f);
  scale.SetOrigin(0.1f);
  scale.LoopBounds(base, step, max, true);
  EXPECT_NEAR(base, 0.1f, 1e-7);
  EXPECT_NEAR(max, 1 + 3.6e-6, 1e-7);
  scale.LoopBounds(base, step, max, false);
  EXPECT_EQ(base, 0.1f);
  EXPECT_EQ(max, 0.1f);
  EXPECT_EQ(scale.SampleCount(), 4);  // round(4.5), to the even neighbour
}

struct GridCalls : FakeScene {
  std::vector<std::vector<std::vector<double>>> Lines() {
    std::vector<std::vector<std::vector<double>>> lines;
    for (const TPrimitive& p : Primitives(fake.Calls())) {
      EXPECT_EQ(p.mode, static_cast<GLenum>(GL_LINE_STRIP));
      lines.emplace_back();
      for (const std::string& v : p.Vertices()) lines.back().push_back(Numbers(v));
    }
    return lines;
  }
};

TEST_F(GridCalls, TheDefaultGridIsOneVertexAlongXAndOneAlongYAtTheOrigin) {
  TGLXYZGrid grid;
  grid.BuildList(rci);
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 2u);
  for (const auto& line : lines) EXPECT_EQ(line, (std::vector<std::vector<double>>{{0, 0, 0}}));
  EXPECT_EQ(fake.Calls().back(), "glPopAttrib()");
}

TEST_F(GridCalls, SegmentsSampleFromTheFirstLatticePointToMaxAndUnusedAxesStayAtTheirOrigin) {
  TGLXYZGrid grid;
  grid.SetParts(1u << gpX);
  grid.XSamplingScale().SetMax(1);
  grid.XSamplingScale().SetOrigin(0.05f);
  grid.XSamplingScale().SetStep(0.1f);
  grid.YSamplingScale().SetOrigin(0.3f);
  grid.ZSamplingScale().SetOrigin(0.7f);
  grid.BuildList(rci);
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 1u);
  ASSERT_EQ(lines[0].size(), 10u);
  for (std::size_t i = 0; i < 10; ++i) {
    EXPECT_NEAR(lines[0][i][0], 0.05 + 0.1 * static_cast<double>(i), 1e-6);
    EXPECT_NEAR(lines[0][i][1], 0.3, 1e-7);
    EXPECT_NEAR(lines[0][i][2], 0.7, 1e-7);
  }
}

TEST_F(GridCalls, WholeLinesRunFromMinToMaxForEverySampleOfTheOtherAxes) {
  TGLXYZGrid grid;
  grid.SetLinesStyle(glsLine);
  grid.SetParts((1u << gpY) | (1u << gpZ));
  for (TGLSamplingScale* s : {&grid.XSamplingScale(), &grid.YSamplingScale(), &grid.ZSamplingScale()}) {
    s->SetMin(-1);
    s->SetMax(1);
    s->SetStep(1);
  }
  grid.XSamplingScale().SetOrigin(-1);
  grid.BuildList(rci);
  const auto lines = Lines();
  // X is not drawn, so it is held at its origin: along Y one line per z, along Z one per y.
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], (std::vector<std::vector<double>>{{-1, -1, -1}, {-1, 1, -1}}));
  EXPECT_EQ(lines[1], (std::vector<std::vector<double>>{{-1, -1, 0}, {-1, 1, 0}}));
  EXPECT_EQ(lines[5], (std::vector<std::vector<double>>{{-1, 1, -1}, {-1, 1, 1}}));
  grid.XSamplingScale().SetOrigin(0.5f);
  grid.SetParts(kAllGridParts);
  fake.Clear();
  grid.BuildList(rci);
  // X samples at −0.5 and 0.5 now: 3 × 3 lines along X, 2 × 3 along Y and 2 × 3 along Z.
  EXPECT_EQ(Lines().size(), 9u + 6u + 6u);
}

TEST(XYZGrid, AStepTooSmallToAdvanceIsRefusedWithTheLineStyleUndone) {
  TGLStage stage;
  auto& grid = stage.Objects().AddNewChild<TGLXYZGrid>();
  TGLRecordingFake fake;
  TGLStateCache states;
  TRenderContextInfo rci{.scene = &stage, .GLStates = &states};
  grid.XSamplingScale().SetMin(1e8f);
  grid.XSamplingScale().SetMax(1e8f + 64);
  grid.XSamplingScale().SetStep(1);
  EXPECT_THROW(grid.BuildList(rci), Exception);
  EXPECT_EQ(
      CountOf(fake.Calls(),
              "glPushAttrib(" +
                  std::to_string(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LINE_BIT | GL_COLOR_BUFFER_BIT) + ")"),
      CountOf(fake.Calls(), "glPopAttrib()"));
}

}  // namespace
}  // namespace zentrova::test
