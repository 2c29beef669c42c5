// The world's commands for the view and the control tree, through recording fakes of both.
#include <cmath>

#include "driver_test_support.h"
#include "engine/step/run_loop.h"
#include "numerics/int_list.h"
#include "view_fakes.h"

namespace zentrova::test {
namespace {

// falling-box: Box, a 0.2 x 0.1 outline 0.05 thick at (-0.3, 0.4), and Floor, 4 x 0.5 (y from -0.5 to 0)
// 0.2 thick at the origin.
const long double kBoxRadius = std::sqrt(0.1L * 0.1L + 0.05L * 0.05L + 0.025L * 0.025L);
const long double kFloorRadius = std::sqrt(2.0L * 2.0L + 0.5L * 0.5L + 0.1L * 0.1L);
// (x^2 + y^2)^(1/3) of the box's place: 0.25^(1/3).
const long double kBoxReach = std::cbrt(0.25L);

class WorldDisplayTest : public ModelTest {
 protected:
  bool LoadShown(const std::string& example = "falling-box") {
    CopyFolder(std::string(ZENTROVA_SOURCE_DIR) + "/examples/" + example);
    main_ = std::make_unique<TVYKMain>();
    World().View = &view_;
    World().ControlTree = &tree_;
    std::string history;
    return main_->LoadWorld(dir_.File(example + ".wld"), history, "");
  }

  RecordingWorldView view_;
  RecordingControlTree tree_;
};

TEST_F(WorldDisplayTest, FallingBoxFillsTheControlTree) {
  ASSERT_TRUE(LoadShown());
  const std::string body_branch = R"(    BoundingBox 2/3
    Contact watches 52/53
      Hide 42/43
      Plot watches 78/79
    Info 12/13
)";
  EXPECT_EQ(tree_.Text(), R"(World 60/61
  LCP solver 62/63
    Pivot tolerance 68/69
      1E-14 64/65
      1E-10 66/67
    Lexico zero tolerance 68/69
      1E-8 68/69
    Try to solve by going back 10/11
      True 10/11
  Create next version 80/81
Bodies 18/19
  Show textures 10/11
  Show normal 10/11
  Show thick 10/11
  Box 0/1
)" + body_branch + R"(      1 14/15
      0.00416666666666667 16/17
    Transparency 4/5
      0 6/7
  Floor 0/1
)" + body_branch + R"(      400 14/15
      566.666666666667 16/17
    Transparency 4/5
      0 6/7
Collisions 8/9
  Do not break at collisions 10/11
  Hide collisions 10/11
  Hide over-penetrating points 10/11
History 22/23
  Save each maximumTimestep 44/45
Log 58/59
  Hide unbounded ray alert 10/11
  Hide maximum number of iterations alert 10/11
Pointer 34/35
  Increase size 36/37
  Decrease size 38/39
  Move to origin 40/41
  Hide 42/43
Orientation box 48/49
  Show floor 42/43
  Hide back 42/43
  Hide front 42/43
  Hide left 42/43
  Hide right 42/43
  Hide ceiling 42/43
Axes 50/51
  Hide 42/43
)");
  // The world's handles are the nodes the control tree window compares a click with.
  EXPECT_EQ(tree_.Caption(World().WorldTreeNode.CreateNextVersion), "Create next version");
  EXPECT_EQ(tree_.Caption(World().WorldTreeNode.PivotMaximum), "1E-10");
  EXPECT_EQ(tree_.Caption(World().Model().Bodies.Items(1).TreeNode.Body), "Floor");
}

// The flags the driver holds at the load choose the Collisions captions.
TEST_F(WorldDisplayTest, CollisionCaptionsFollowTheDriversFlags) {
  CopyFolder(std::string(ZENTROVA_SOURCE_DIR) + "/examples/falling-box");
  main_ = std::make_unique<TVYKMain>();
  World().ControlTree = &tree_;
  main_->Collisions().ShowCollisions = true;
  main_->Collisions().BreakAtCollisions = true;
  std::string history;
  ASSERT_TRUE(main_->LoadWorld(dir_.File("falling-box.wld"), history, ""));
  EXPECT_EQ(tree_.Children("Collisions"),
            (std::vector<std::string>{"Break at collisions", "Show collisions", "Hide over-penetrating points"}));
}

TEST_F(WorldDisplayTest, LoadBuildsTheBodiesObjectsAndPlacesTheScene) {
  ASSERT_TRUE(LoadShown());
  ASSERT_EQ(view_.bodies.size(), 2u);
  const RecordingWorldView::Body& box = view_.bodies[0];
  EXPECT_EQ(box.name, "Box");
  EXPECT_TRUE(box.texture);
  ASSERT_EQ(box.outline.size(), 5u);  // the closing point included
  EXPECT_EQ(box.outline[2], (TViewPoint{0.1f, 0.05f, 0}));
  EXPECT_FLOAT_EQ(box.height, 0.05f);
  EXPECT_EQ(box.appearance.Red, 0.2f);
  EXPECT_FLOAT_EQ(box.appearance.ExtentX, 0.2f);
  ASSERT_FALSE(box.poses.empty());
  EXPECT_EQ(box.poses.back(), (TBodyPose{0, -0.3f, 0.4f, 0, static_cast<float>(0.5L * 57.29577951308232L)}));

  // The pointer a tenth of the smaller body, hidden.
  EXPECT_FLOAT_EQ(view_.pointer_radius, static_cast<float>(kBoxRadius / 10));
  EXPECT_FALSE(view_.pointer_visible);
  EXPECT_FALSE(view_.axes_visible);
  // R: the floor's 0 + its radius beats the box's reach 0.25^(1/3) + its radius.
  const auto r = static_cast<float>(kFloorRadius);
  ASSERT_GT(kFloorRadius, kBoxReach + kBoxRadius);
  const std::map<TOrientationSide, std::pair<float, float>> sides{
      {TOrientationSide::Floor, {2 * r, -r}}, {TOrientationSide::Ceiling, {2 * r, r}},
      {TOrientationSide::Left, {2 * r, -r}},  {TOrientationSide::Right, {2 * r, r}},
      {TOrientationSide::Front, {2 * r, -r}}, {TOrientationSide::Back, {2 * r, r}}};
  EXPECT_EQ(view_.sides, sides);
  // s: the larger of the box's reach and the floor's radius.
  const float d = 10 * r;
  EXPECT_EQ(view_.camera, (TViewPoint{d, d, d}));
  EXPECT_EQ(view_.lights[0], (TViewPoint{-d, d, -d}));
  EXPECT_EQ(view_.lights[1], (TViewPoint{-d, -d, d}));
  EXPECT_EQ(view_.lights[2], (TViewPoint{d, -d, -d}));
}

// Far from the origin, the box's reach (x^2 + y^2)^(1/3) sizes the box and places the camera.
TEST_F(WorldDisplayTest, ReachOfADistantBodySizesTheBox) {
  CopyFolder(std::string(ZENTROVA_SOURCE_DIR) + "/examples/falling-box");
  std::string box = ReadBytes(dir_.File("box.bdy"));
  box.replace(box.find("x=-0.3"), 6, "x=3");
  box.replace(box.find("y=0.4"), 5, "y=4");
  WriteModelFile("box.bdy", box);
  main_ = std::make_unique<TVYKMain>();
  World().View = &view_;
  std::string history;
  ASSERT_TRUE(main_->LoadWorld(dir_.File("falling-box.wld"), history, ""));
  const auto r = static_cast<float>(std::cbrt(25.0L) + kBoxRadius);
  EXPECT_FLOAT_EQ(view_.sides[TOrientationSide::Ceiling].second, r);
  EXPECT_FLOAT_EQ(view_.sides[TOrientationSide::Floor].first, 2 * r);
  EXPECT_FLOAT_EQ(view_.camera.X, static_cast<float>(10 * std::cbrt(25.0L)));
}

// The camera is told the distances between which everything drawn lies: the orientation box's corners and
// every body's bounding sphere. Near the origin the box's corners bound it on both sides; a body far out
// along +x comes nearer than any corner, one along -x lies farther than all of them.
TEST_F(WorldDisplayTest, TheCamerasDepthRangeHoldsTheBoxAndEveryBody) {
  struct Case {
    const char* x;
    const char* bounds;  // what bounds the range: "corners", "body near", "body far"
  };
  const Case cases[] = {{"-0.3", "corners"}, {"100", "body near"}, {"-100", "body far"}};
  for (const Case& c : cases) {
    CopyFolder(std::string(ZENTROVA_SOURCE_DIR) + "/examples/falling-box");
    std::string box = ReadBytes(dir_.File("box.bdy"));
    box.replace(box.find("x=-0.3"), 6, std::string("x=") + c.x);
    WriteModelFile("box.bdy", box);
    main_.reset();
    view_ = RecordingWorldView();
    main_ = std::make_unique<TVYKMain>();
    World().View = &view_;
    std::string history;
    ASSERT_TRUE(main_->LoadWorld(dir_.File("falling-box.wld"), history, "")) << c.x;
    const long double d = view_.camera.X, r = view_.sides[TOrientationSide::Right].second;
    ASSERT_EQ(view_.camera.Y, view_.camera.X);
    // The extremes of the corners and of each body's sphere.
    std::vector<std::pair<long double, long double>> items;
    for (int corner = 0; corner < 8; ++corner) {
      long double sum = 0;
      for (int axis = 0; axis < 3; ++axis) {
        const long double delta = d - ((corner >> axis) & 1 ? r : -r);
        sum += delta * delta;
      }
      items.emplace_back(std::sqrt(sum), std::sqrt(sum));
    }
    for (std::int32_t i = 0; i < World().Model().Bodies.Count(); ++i) {
      const TBody& body = World().Model().Bodies.Items(i);
      const TCoordinates& p = body.Kinematics.Position;
      const long double distance =
          std::sqrt((d - p.X.Get()) * (d - p.X.Get()) + (d - p.Y.Get()) * (d - p.Y.Get()) + d * d);
      items.emplace_back(distance - body.Radius, distance + body.Radius);
    }
    long double nearest = items[0].first, farthest = items[0].second;
    for (const auto& [near, far] : items) nearest = std::min(nearest, near), farthest = std::max(farthest, far);
    const auto [shown_near, shown_far] = view_.depth_range;
    EXPECT_NEAR(shown_near, nearest, 1e-4 * nearest) << c.x;
    EXPECT_NEAR(shown_far, farthest, 1e-4 * farthest) << c.x;
    // The case bounds the range as it says.
    const long double corner_near = std::sqrt(3.0L) * (d - r), corner_far = std::sqrt(3.0L) * (d + r);
    const std::string bounds = nearest < corner_near * (1 - 1e-6L) ? "body near"
                               : farthest > corner_far * (1 + 1e-6L) ? "body far"
                                                                      : "corners";
    EXPECT_EQ(bounds, c.bounds) << c.x;
  }
}

// A body without a shape is never drawn and never sizes the pointer.
TEST_F(WorldDisplayTest, ShapelessBodyLeavesThePointerAndTheSceneAlone) {
  CopyFolder(std::string(ZENTROVA_SOURCE_DIR) + "/examples/falling-box");
  WriteModelFile("floor.bdy", "[Main]\r\nname=Floor\r\nshapeType=none\r\n");
  main_ = std::make_unique<TVYKMain>();
  World().View = &view_;
  std::string history;
  ASSERT_TRUE(main_->LoadWorld(dir_.File("falling-box.wld"), history, ""));
  EXPECT_FLOAT_EQ(view_.pointer_radius, static_cast<float>(kBoxRadius / 10));
  EXPECT_TRUE(view_.bodies[1].outline.empty());
  EXPECT_TRUE(view_.bodies[1].poses.empty());
  World().ShowFlatBodies();
  EXPECT_EQ(view_.bodies[1].height, -1);  // never set
  EXPECT_EQ(view_.bodies[0].height, 0);
}

struct ToggleCase {
  const char* name;
  void (*command)(TWorld&);
  const char* group;
  std::vector<std::string> children;
  bool pointer_visible;
  bool axes_visible;
};

class WorldToggleTest : public WorldDisplayTest, public ::testing::WithParamInterface<ToggleCase> {};

TEST_P(WorldToggleTest, CaptionNamesTheNewState) {
  ASSERT_TRUE(LoadShown());
  const ToggleCase& c = GetParam();
  c.command(World());
  EXPECT_EQ(tree_.Children(c.group), c.children);
  EXPECT_EQ(view_.pointer_visible, c.pointer_visible);
  EXPECT_EQ(view_.axes_visible, c.axes_visible);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, WorldToggleTest,
    ::testing::Values(
        ToggleCase{"ShowPointer", [](TWorld& w) { w.ShowPointer(); }, "Pointer",
                   {"Increase size", "Decrease size", "Move to origin", "Show"}, true, false},
        ToggleCase{"ShowThenHidePointer",
                   [](TWorld& w) {
                     w.ShowPointer();
                     w.HidePointer();
                   },
                   "Pointer", {"Increase size", "Decrease size", "Move to origin", "Hide"}, false, false},
        ToggleCase{"HideHiddenPointer", [](TWorld& w) { w.HidePointer(); }, "Pointer",
                   {"Increase size", "Decrease size", "Move to origin", "Hide"}, false, false},
        ToggleCase{"ShowAxes", [](TWorld& w) { w.ShowAxes(); }, "Axes", {"Show"}, false, true},
        ToggleCase{"ShowThenHideAxes",
                   [](TWorld& w) {
                     w.ShowAxes();
                     w.HideAxes();
                   },
                   "Axes", {"Hide"}, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

struct SideCase {
  std::vector<std::string> clicks;
  TOrientationSide side;
  bool visible;
  std::vector<std::string> children;
};

class OrientationSideTest : public WorldDisplayTest, public ::testing::WithParamInterface<SideCase> {};

TEST_P(OrientationSideTest, ToggleSwitchesThePlaneAndItsCaption) {
  ASSERT_TRUE(LoadShown());
  const SideCase& c = GetParam();
  for (const std::string& click : c.clicks) World().ToggleOrientationBoxSide(click);
  EXPECT_EQ(view_.OrientationSideVisible(c.side), c.visible);
  EXPECT_EQ(tree_.Children("Orientation box"), c.children);
}

INSTANTIATE_TEST_SUITE_P(
    Sides, OrientationSideTest,
    ::testing::Values(
        SideCase{{"Show floor"}, TOrientationSide::Floor, false,
                 {"Hide floor", "Hide back", "Hide front", "Hide left", "Hide right", "Hide ceiling"}},
        SideCase{{"Show floor", "Hide floor"}, TOrientationSide::Floor, true,
                 {"Show floor", "Hide back", "Hide front", "Hide left", "Hide right", "Hide ceiling"}},
        SideCase{{"Hide back"}, TOrientationSide::Back, true,
                 {"Show floor", "Show back", "Hide front", "Hide left", "Hide right", "Hide ceiling"}},
        SideCase{{"Hide front"}, TOrientationSide::Front, true,
                 {"Show floor", "Hide back", "Show front", "Hide left", "Hide right", "Hide ceiling"}},
        SideCase{{"Hide left"}, TOrientationSide::Left, true,
                 {"Show floor", "Hide back", "Hide front", "Show left", "Hide right", "Hide ceiling"}},
        SideCase{{"Hide right"}, TOrientationSide::Right, true,
                 {"Show floor", "Hide back", "Hide front", "Hide left", "Show right", "Hide ceiling"}},
        SideCase{{"Hide ceiling"}, TOrientationSide::Ceiling, true,
                 {"Show floor", "Hide back", "Hide front", "Hide left", "Hide right", "Show ceiling"}},
        // An unknown side renames nothing and moves no plane.
        SideCase{{"Hide roof"}, TOrientationSide::Ceiling, false,
                 {"Show floor", "Hide back", "Hide front", "Hide left", "Hide right", "Hide ceiling"}}));

// A node without a parent never matches: a top-level "Hide" stays.
TEST_F(WorldDisplayTest, RenamingLeavesTopLevelNodesAlone) {
  ASSERT_TRUE(LoadShown());
  const TTreeNode top = tree_.AddChild(kNoTreeNode, "Hide", 0, 0);
  World().ShowAxes();
  EXPECT_EQ(tree_.Caption(top), "Hide");
  EXPECT_EQ(tree_.Children("Axes"), (std::vector<std::string>{"Show"}));
}

TEST_F(WorldDisplayTest, PointerSizeUpThenDownRestoresTheRadius) {
  ASSERT_TRUE(LoadShown());
  const float start = view_.pointer_radius;
  view_.radii.clear();
  World().IncreasePointerSize();
  ASSERT_EQ(view_.radii.size(), 5u);
  EXPECT_NEAR(view_.radii.back() / start, 2.0, 1e-6);
  EXPECT_NEAR(view_.radii[0] / start, std::pow(2.0, 0.2), 1e-6);
  EXPECT_EQ(view_.repaints, 5);
  World().DecreasePointerSize();
  EXPECT_NEAR(view_.pointer_radius / start, 1.0, 1e-6);
  EXPECT_EQ(view_.repaints, 10);
  // Every step refreshed the bodies before its picture.
  EXPECT_GE(view_.bodies[0].poses.size(), 11u);
}

TEST_F(WorldDisplayTest, ShowingThePointerPulsesSixteenSteps) {
  ASSERT_TRUE(LoadShown());
  const double start = view_.pointer_radius;
  view_.repaint_radii.clear();
  World().ShowPointer();
  EXPECT_EQ(view_.camera_target, "pointer");
  ASSERT_EQ(view_.repaint_radii.size(), 16u);
  for (int i = 0; i < 16; ++i) {
    const int up = i < 8 ? i + 1 : 15 - i;  // 1..8, then 7..0
    EXPECT_NEAR(view_.repaint_radii[static_cast<std::size_t>(i)] / start, std::pow(1.15, up), 1e-5) << i;
  }
  // Shown already: no second pulse.
  World().ShowPointer();
  EXPECT_EQ(view_.repaint_radii.size(), 16u);
}

TEST_F(WorldDisplayTest, PointerMovesToTheOriginWithItsCarrier) {
  ASSERT_TRUE(LoadShown());
  World().MovePointerToOrigin();
  EXPECT_EQ(view_.pointer_position, (TViewPoint{0, 0, 0}));
  EXPECT_EQ(view_.carrier_position, (TViewPoint{0, 0, 0}));
}

TEST_F(WorldDisplayTest, AppearanceCommandsReachEveryBody) {
  ASSERT_TRUE(LoadShown());
  World().ShowWireframeBodies();
  World().HideTextures();
  for (const auto& b : view_.bodies) {
    EXPECT_TRUE(b.appearance.Wireframe);
    EXPECT_FALSE(b.appearance.Textured);
  }
  EXPECT_TRUE(view_.pointer_wireframe);
  World().ShowFilledBodies();
  World().ShowTextures();
  World().ShowFlatBodies();
  EXPECT_FALSE(view_.bodies[1].appearance.Wireframe);
  EXPECT_TRUE(view_.bodies[1].appearance.Textured);
  EXPECT_FALSE(view_.pointer_wireframe);
  EXPECT_EQ(view_.bodies[1].height, 0);
  World().ShowThickBodies();
  EXPECT_FLOAT_EQ(view_.bodies[1].height, 0.2f);
}

struct PivotCase {
  long double old_value;
  bool changed;
  long double minimum, maximum;
};

class PivotToleranceTest : public WorldDisplayTest, public ::testing::WithParamInterface<PivotCase> {};

TEST_P(PivotToleranceTest, MatchingBoundTakesTheNewValue) {
  ASSERT_TRUE(LoadShown());
  const PivotCase& c = GetParam();
  EXPECT_EQ(World().SetPivotTolerance(c.old_value, 5e-12L), c.changed);
  EXPECT_EQ(World().LCPSettings().PivotToleranceMin, c.minimum);
  EXPECT_EQ(World().LCPSettings().PivotToleranceMax, c.maximum);
}

INSTANTIATE_TEST_SUITE_P(Bounds, PivotToleranceTest,
                         ::testing::Values(PivotCase{1e-14L, true, 5e-12L, 1e-10L},
                                           PivotCase{1e-10L, true, 1e-14L, 5e-12L},
                                           // within 1e-20 of the minimum still matches it
                                           PivotCase{1e-14L + 5e-21L, true, 5e-12L, 1e-10L},
                                           PivotCase{1e-12L, false, 1e-14L, 1e-10L}));

TEST_F(WorldDisplayTest, LexicoZeroToleranceIsSet) {
  ASSERT_TRUE(LoadShown());
  EXPECT_TRUE(World().SetLexicoZeroTolerance(3e-9L));
  EXPECT_EQ(World().LCPSettings().LexicoZeroTolerance, 3e-9L);
}

TEST_F(WorldDisplayTest, BoxTreeAsksForALevelAndTogglesOff) {
  ASSERT_TRUE(LoadShown());
  ScriptedDialogs dialogs;
  World().ShowBoundingBoxTree(0);  // cancelled: nothing drawn
  EXPECT_EQ(dialogs.asked, (std::vector<std::string>{"Select depth (0=all)|At level:|0"}));
  EXPECT_TRUE(view_.bodies[0].boxes.empty());
  dialogs.answer = 0;
  World().ShowBoundingBoxTree(0);
  const std::vector<TViewBox>& boxes = view_.bodies[0].boxes;
  ASSERT_FALSE(boxes.empty());
  for (const TViewBox& box : boxes) {
    EXPECT_TRUE(box.Visible);
    EXPECT_EQ(box.Nodes[0], box.Nodes[4]);  // closed
    EXPECT_EQ(box.LineColor[3], 1);
    EXPECT_EQ(box.NodeColor, (std::array<float, 4>{0.2f, 0.4f, 0.9f, 1}));
  }
  // Level 1: the root's two children, each below the body by 0.2 T + 0.05 T (T = 0.05).
  World().ShowBoundingBoxTree(0);
  dialogs.answer = 1;
  World().ShowBoundingBoxTree(0);
  ASSERT_EQ(view_.bodies[0].boxes.size(), 2u);
  for (const TViewBox& box : view_.bodies[0].boxes) {
    EXPECT_TRUE(box.Visible);
    EXPECT_FLOAT_EQ(box.Nodes[2].Z, -0.0125f);
  }
  dialogs.answer = 2;
  World().ShowBoundingBoxTree(0);
  World().ShowBoundingBoxTree(0);
  EXPECT_FALSE(view_.bodies[0].boxes[0].Visible);
  // Second click: removed and redrawn, no question.
  const int repaints = view_.repaints;
  World().ShowBoundingBoxTree(0);
  EXPECT_TRUE(view_.bodies[0].boxes.empty());
  EXPECT_EQ(view_.repaints, repaints + 1);
  EXPECT_EQ(dialogs.asked.size(), 4u);
}

TEST_F(WorldDisplayTest, ContactWatchesToggleMarkersLabelsAndCaption) {
  ASSERT_TRUE(LoadShown());
  TBody& box = World().Model().Bodies.Items(0);
  World().ToggleContactWatches(0);
  const RecordingWorldView::Body& b = view_.bodies[0];
  // "all": the four distinct corners, each at its world place with z = 0.
  ASSERT_EQ(b.labels.size(), 4u);
  EXPECT_EQ(b.markers.size(), 4u);
  EXPECT_TRUE(b.markers_visible);
  const long double c = std::cos(0.5L), s = std::sin(0.5L);
  EXPECT_EQ(b.labels[1].Index, 1);
  EXPECT_FLOAT_EQ(b.labels[1].Position.X, static_cast<float>(-0.3L + 0.1L * c + 0.05L * s));
  EXPECT_FLOAT_EQ(b.labels[1].Position.Y, static_cast<float>(0.4L - 0.05L * c + 0.1L * s));
  EXPECT_EQ(b.labels[1].Position.Z, 0);
  EXPECT_FLOAT_EQ(b.label_scale, static_cast<float>(0.005L * kBoxRadius));
  EXPECT_EQ(tree_.Caption(box.TreeNode.ContactWatchesState), "Show");
  World().ToggleContactWatches(0);
  EXPECT_TRUE(b.labels.empty());
  EXPECT_FALSE(b.markers_visible);
  EXPECT_EQ(tree_.Caption(box.TreeNode.ContactWatchesState), "Hide");
}

// While a run steps, the GUI thread leaves the live coordinates alone: the frames show the run.
TEST_F(WorldDisplayTest, RefreshDuringARunMovesNothing) {
  ASSERT_TRUE(LoadShown());
  const std::size_t poses = view_.bodies[0].poses.size();
  World().Stepping = true;
  World().RefreshBodies();
  EXPECT_EQ(view_.bodies[0].poses.size(), poses);
  World().Stepping = false;
  World().RefreshBodies();
  EXPECT_EQ(view_.bodies[0].poses.size(), poses + 1);
}

// Frames taken after accepted steps of a headless run: each shows the world as that step left it.
class FrameObserver : public IRunObserver {
 public:
  void StepAccepted(const TWorld& world) override {
    frames.push_back(world.MakeViewFrame());
    const TBody& box = world.Model().Bodies.Items(0);
    const TCoordinates& p = box.Kinematics.Position;
    poses.push_back({0, static_cast<float>(p.X.Get()), static_cast<float>(p.Y.Get()), static_cast<float>(p.Z.Get()),
                     static_cast<float>(p.Rz.Get() * 57.29577951308232L)});
    times.push_back(world.State.Time);
    stepping.push_back(world.Stepping);
  }
  std::vector<TViewFrame> frames;
  std::vector<TBodyPose> poses;
  std::vector<long double> times;
  std::vector<bool> stepping;
};

TEST_F(WorldDisplayTest, HeadlessRunFramesEqualThePosesOfTheirStep) {
  CopyFolder(std::string(ZENTROVA_SOURCE_DIR) + "/examples/falling-box");
  ASSERT_TRUE(Load("falling-box.wld"));
  FrameObserver observer;
  TRunLoop loop(*main_, &observer);
  main_->Collisions().ShowCollisions = true;
  loop.Run(0.6L);
  ASSERT_GT(observer.frames.size(), 10u);
  bool contact_seen = false;
  for (std::size_t i = 0; i < observer.frames.size(); ++i) {
    const TViewFrame& f = observer.frames[i];
    ASSERT_EQ(f.Bodies.size(), 2u);
    EXPECT_EQ(f.Bodies[0], observer.poses[i]) << i;
    EXPECT_EQ(f.Bodies[1], (TBodyPose{1, 0, 0, 0, 0})) << i;
    EXPECT_EQ(f.Time, observer.times[i]);
    EXPECT_TRUE(observer.stepping[i]);
    contact_seen = contact_seen || (f.ContactPointsVisible && !f.ContactPoints.empty());
  }
  // The box lands within the run: its corners are drawn into the world's point list.
  EXPECT_TRUE(contact_seen);
  EXPECT_FALSE(World().Stepping);
}

class RecordingPlotWindow : public IPlotWindow {
 public:
  bool Visible() const override { return visible; }
  std::int32_t BodyIndex() const override { return body; }
  void ShowWatches(const TIntList& indexes, const TFloatList& n, const TFloatList& t, const TFloatList& w,
                   long double total_work, long double total_normal, long double total_tangential, long double p,
                   long double nf, long double tf, bool imp) override {
    ++shows;
    points.assign(indexes.Count(), 0);
    for (std::uint32_t i = 0; i < indexes.Count(); ++i) points[i] = indexes.At(i);
    counts = {n.Count(), t.Count(), w.Count()};
    totals = {total_work, total_normal, total_tangential, p, nf, tf};
    impulses = imp;
  }
  bool visible = true;
  std::int32_t body = 0;
  int shows = 0;
  std::vector<std::int32_t> points;
  std::vector<std::uint32_t> counts;
  std::vector<long double> totals;
  bool impulses = false;
};

struct PlotCase {
  const char* common;  // the watches file's [Common] section
  bool impulses;
};

class PlotWatchesTest : public WorldDisplayTest, public ::testing::WithParamInterface<PlotCase> {};

// After the box has landed: the totals of the per-point values, the work per second, and the impulse
// totals divided by the span (or, for forces, multiplied by it).
TEST_P(PlotWatchesTest, TotalsAndRatesOfTheRecordedWatches) {
  CopyFolder(std::string(ZENTROVA_SOURCE_DIR) + "/examples/falling-box");
  WriteModelFile("falling-box.wtc", std::string(GetParam().common) + "[Box]\r\ncontactwatch=all\r\n");
  ASSERT_TRUE(Load("falling-box.wld"));
  TRunLoop loop(*main_);
  loop.Run(0.6L);
  RecordingPlotWindow plot;
  World().PlotWindow = &plot;
  ASSERT_TRUE(World().RefreshPlotWatches());
  ASSERT_EQ(plot.shows, 1);
  EXPECT_EQ(plot.points, (std::vector<std::int32_t>{0, 1, 2, 3}));
  EXPECT_EQ(plot.counts, (std::vector<std::uint32_t>{4, 4, 4}));
  TIntList points;
  TFloatList n, t, w;
  long double span = 0;
  ASSERT_TRUE(World().BodyWatchValues(0, points, n, t, w, span));
  ASSERT_GT(span, 0.3L);
  long double sw = 0, sn = 0, st = 0;
  for (std::uint32_t i = 0; i < 4; ++i) sw += w.At(i), sn += n.At(i), st += t.At(i);
  ASSERT_NE(sn, 0);  // the box has pressed on its corners
  const long double k = GetParam().impulses ? 1 / span : span;
  EXPECT_EQ(plot.totals, (std::vector<long double>{sw, sn, st, sw / span, sn * k, st * k}));
  EXPECT_EQ(plot.impulses, GetParam().impulses);

  // A body the model does not have is never shown; the load goes on.
  plot.body = 2;
  EXPECT_TRUE(World().RefreshPlotWatches());
  plot.visible = false;
  EXPECT_TRUE(World().RefreshPlotWatches());
  EXPECT_EQ(plot.shows, 1);
}

INSTANTIATE_TEST_SUITE_P(Modes, PlotWatchesTest,
                         ::testing::Values(PlotCase{"", true},
                                           PlotCase{"[Common]\r\nconvertImpulseToForce=1\r\ntimeConstant=0.1\r\n", false}));

}  // namespace
}  // namespace zentrova::test
