#include "engine/record/contact_watches.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "contact_watches_test_support.h"
#include "engine_test_support.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;
constexpr long double kPi = std::numbers::pi_v<long double>;

class ContactWatchesTest : public test::EngineTest {
 protected:
  TBody& AddBody(const std::string& name, const std::string& outline = "contacts/octagon.exs") {
    bodies_.Add(test::OutlineBody(world_, name, Data(outline)));
    return bodies_.Items(bodies_.Count() - 1);
  }
  // A watches file of the given lines in a temporary folder.
  std::string File(const Strings& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    const std::string path = dir_.File("watches.wtc");
    test::WriteBytes(path, text);
    return path;
  }
  // The watch numbers of the outline points, -1 for a point without a watch.
  static std::vector<int> Marks(const TBody& body) {
    const TExtrusionShape& shape = body.Solid.Shape;
    std::vector<int> marks;
    for (std::size_t i = 0; i < shape.Watched.size(); ++i)
      marks.push_back(shape.Watched[i] ? shape.WatchIndex[i] : -1);
    return marks;
  }

  TWorld world_;
  TBodyList bodies_;
  test::TempDir dir_;
};

TEST_F(ContactWatchesTest, WatchListGrammar) {
  for (const char* name : {"P", "R", "X", "Y", "Z", "N", "L", "ALL", "ALLX", "ALLR", "ALLRX", "E", "none"}) {
    AddBody(name);
  }
  TContactWatches watches;
  ASSERT_TRUE(watches.Load(Data("contacts/lists.wtc"), bodies_, 0));
  EXPECT_TRUE(Logged().empty());
  EXPECT_EQ(watches.Names,
            (Strings{"P#3",      "P#4",      "P#5",      "R#3:5",    "X#[0]",      "Y#[2:7]",  "Z#6",
                     "Z#7",      "N#5",      "N#6",      "N#7",      "L#1",        "L#[2]",    "L#[3]",
                     "L#4:5",    "ALL#0",    "ALL#1",    "ALL#2",    "ALL#3",      "ALL#4",    "ALL#5",
                     "ALL#6",    "ALL#7",    "ALLX#[0]", "ALLX#[1]", "ALLX#[2]",   "ALLX#[3]", "ALLX#[4]",
                     "ALLX#[5]", "ALLX#[6]", "ALLX#[7]", "ALLR#0:7", "ALLRX#[0:7]"}));
  ASSERT_EQ(watches.Data.Count(), 33u);
  ASSERT_EQ(watches.StepData.Count(), 33u);
  const std::vector<int> kinds = {1, 1, 1, 1, 0, 0, 1, 1, 1, 1, 1, 1, 0, 0, 1, 1, 1,
                                  1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0};
  for (std::uint32_t w = 0; w < 33; ++w) {
    EXPECT_EQ(watches.Data.NormalTangential.At(w), kinds[w]) << w;
    EXPECT_EQ(watches.StepData.NormalTangential.At(w), kinds[w]) << w;
  }
  EXPECT_EQ(watches.Data.NormalImpulse.Count(), 33u);
  EXPECT_EQ(watches.Data.AveragedRatio.Count(), 33u);

  // Nine outline points, point 8 repeating point 0.
  EXPECT_EQ(Marks(bodies_.Items(0)), (std::vector<int>{-1, -1, -1, 0, 1, 2, -1, -1, -1}));
  EXPECT_EQ(Marks(bodies_.Items(1)), (std::vector<int>{-1, -1, -1, 3, 3, 3, -1, -1, -1}));
  EXPECT_EQ(Marks(bodies_.Items(2)), (std::vector<int>{4, -1, -1, -1, -1, -1, -1, -1, 4}));
  EXPECT_EQ(Marks(bodies_.Items(3)), (std::vector<int>{-1, -1, 5, 5, 5, 5, 5, 5, -1}));
  EXPECT_EQ(Marks(bodies_.Items(5)), (std::vector<int>{-1, -1, -1, -1, -1, 8, 9, 10, -1}));
  EXPECT_EQ(Marks(bodies_.Items(6)), (std::vector<int>{-1, 11, 12, 13, 14, 14, -1, -1, -1}));
  EXPECT_EQ(Marks(bodies_.Items(7)), (std::vector<int>{15, 16, 17, 18, 19, 20, 21, 22, 15}));
  EXPECT_EQ(Marks(bodies_.Items(9)), (std::vector<int>(9, 31)));
  EXPECT_EQ(Marks(bodies_.Items(11)), (std::vector<int>(9, -1)));
  EXPECT_EQ(bodies_.Items(11).Solid.Shape.Reshape.DirectionX, 1);
  EXPECT_EQ(Marks(bodies_.Items(12)), (std::vector<int>(9, -1)));
  EXPECT_EQ(watches.TimeConstant, 0.5L);
  EXPECT_EQ(watches.ReshapingCycles, 1);
}

TEST_F(ContactWatchesTest, AllOnAFivePointOutline) {
  AddBody("A", "contacts/square.exs");
  TContactWatches watches;
  ASSERT_TRUE(watches.Load(File({"[A]", "contactwatch=all"}), bodies_, 0));
  EXPECT_EQ(watches.Names, (Strings{"A#0", "A#1", "A#2", "A#3"}));
  EXPECT_EQ(Marks(bodies_.Items(0)), (std::vector<int>{0, 1, 2, 3, 0}));
  EXPECT_EQ(watches.ReshapingCycles, 0);  // no section Common
  TContactWatches empty_common;
  ASSERT_TRUE(empty_common.Load(File({"[Common]", "[A]"}), bodies_, 0));
  EXPECT_EQ(empty_common.ReshapingCycles, 1);  // an empty section exists
}

TEST_F(ContactWatchesTest, UnreadableListsFailTheLoad) {
  for (const char* list : {"x", "3,y", "8", "9", "[3", "5-3", "5:3", "-1", "2-", "99:100", "$"}) {
    bodies_.Clear();
    AddBody("A");
    log_.Clear();
    TContactWatches watches;
    EXPECT_FALSE(watches.Load(File({"[A]", std::string("contactwatch=") + list}), bodies_, 0)) << list;
    EXPECT_EQ(Logged(), Strings{"[Error] Check watches file."}) << list;
  }
  // A body without an outline has no point to watch.
  bodies_.Clear();
  bodies_.Add(std::make_unique<TBody>(world_.Settings));
  bodies_.Items(0).Name = "A";
  log_.Clear();
  TContactWatches watches;
  EXPECT_FALSE(watches.Load(File({"[A]", "contactwatch=all:"}), bodies_, 0));
  EXPECT_TRUE(watches.Load(File({"[A]", "contactwatch=all"}), bodies_, 0));
  EXPECT_TRUE(watches.Names.empty());
}

TEST_F(ContactWatchesTest, MissingFileIsOnlyReported) {
  AddBody("A");
  TContactWatches watches;
  EXPECT_TRUE(watches.Load(Data("contacts/missing.wtc"), bodies_, 0));
  EXPECT_EQ(Logged(), Strings{"[Alert] No watches file found."});
  EXPECT_TRUE(watches.Names.empty());
}

TEST_F(ContactWatchesTest, CommonKeysAndBodyReshaping) {
  TBody& a = AddBody("A");
  TBody& b = AddBody("B");
  TContactWatches watches;
  ASSERT_TRUE(
      watches.Load(File({"[common]", "timeConstant=0.25", "convertImpulseToForce=1", "cummulativeWork=1",
                         "writeAveragedTDivN=$1", "absoluteAngleInsteadOfWork=1", "reshapingCycles=3",
                         "smoothWorkLeftRight=2", "[A]", "directionX=0.5", "directionY=-1",
                         "maxChange=0.1, 0.2", "[B]", "directionInside=-1", "directionY=2", "maxChange=0.3"}),
                   bodies_, 0));
  EXPECT_EQ(watches.TimeConstant, 0.25L);
  EXPECT_TRUE(watches.ConvertImpulseToForce);
  EXPECT_TRUE(watches.CummulativeWork);
  EXPECT_TRUE(watches.WriteAveragedTDivN);
  EXPECT_TRUE(watches.AbsoluteAngleInsteadOfWork);
  EXPECT_EQ(watches.ReshapingCycles, 3);
  EXPECT_EQ(watches.SmoothWorkLeftRight, 2);
  EXPECT_EQ(a.Solid.Shape.Reshape.DirectionX, 0.5L);
  EXPECT_EQ(a.Solid.Shape.Reshape.DirectionY, -1);
  EXPECT_EQ(a.Solid.Shape.Reshape.MaxChangeLow, 0.1L);
  EXPECT_EQ(a.Solid.Shape.Reshape.MaxChangeHigh, 0.2L);
  EXPECT_EQ(b.Solid.Shape.Reshape.DirectionInside, -1);
  EXPECT_EQ(b.Solid.Shape.Reshape.DirectionX, 0);
  EXPECT_EQ(b.Solid.Shape.Reshape.DirectionY, 0);
  EXPECT_EQ(b.Solid.Shape.Reshape.MaxChangeLow, 0.3L);
  EXPECT_EQ(b.Solid.Shape.Reshape.MaxChangeHigh, 0);
  EXPECT_EQ(Logged(),
            Strings{"[Alert] Watches change direction can be X,Y or Inside, but not both. X, Y set to 0."});
}

TEST_F(ContactWatchesTest, ReshapingCyclesPickTheSectionOfTheHistory) {
  AddBody("A");
  AddBody("B");
  const std::string file = File({"[Common]", "reshapingCycles=2", "[A]", "contactwatch=0", "[A:1]",
                                 "contactwatch=1", "[B:0]", "contactwatch=2"});
  {
    TContactWatches watches;
    ASSERT_TRUE(watches.Load(file, bodies_, 7));  // 7 mod 2 = 1; B has no B:1 and no B
    EXPECT_EQ(watches.Names, Strings{"A#1"});
  }
  TContactWatches watches;
  ASSERT_TRUE(watches.Load(file, bodies_, 4));  // A:0 missing, so A
  EXPECT_EQ(watches.Names, (Strings{"A#0", "B#2"}));
}

TEST_F(ContactWatchesTest, ConvertingWithoutTimeConstantIsRefused) {
  AddBody("A");
  AddBody("B");
  TContactWatches watches;
  ASSERT_TRUE(
      watches.Load(File({"[Common]", "convertImpulseToForce=1", "[A]", "contactwatch=0"}), bodies_, 0));
  EXPECT_FALSE(watches.ConvertImpulseToForce);
  EXPECT_EQ(Logged(), Strings{"[Alert] convertImpulseToForce needs a timeConstant other than 0; impulses are "
                              "recorded without conversion."});
  TWatchedContact contact;
  contact.ImpulseNormal = 2;
  ASSERT_TRUE(watches.AddContactImpulse(watches.StepData, contact, 0, false, 1, 0.1L));
  watches.EndStep(1);
  EXPECT_EQ(watches.Data.NormalImpulse.At(0), 2);
}

// --- Collecting
// ---------------------------------------------------------------------------------------------

class WatchCollectionTest : public test::EngineTest {
 protected:
  void SetUp() override {
    test::EngineTest::SetUp();
    for (bool normal_tangential : {true, false}) {
      watches_.Names.push_back(normal_tangential ? "A#0" : "A#[1]");
      watches_.Data.AddWatch(normal_tangential);
      watches_.StepData.AddWatch(normal_tangential);
    }
  }
  TContactWatches watches_;
};

TEST_F(WatchCollectionTest, ContributionOfOneContact) {
  TWatchedContact c;
  c.ImpulseNormal = 2;
  c.ImpulseTangent = 3;
  c.ForceNormal = 10;
  c.ForceTangent = -20;
  c.Work = 5;
  c.TangentX = 0;  // the tangent along +y: the normal points along -x
  c.TangentY = 1;
  TWatchesData& d = watches_.StepData;
  const long double h = 0.01L;
  // Normal-tangential: the same on the vertex and on the edge.
  ASSERT_TRUE(watches_.AddContactImpulse(d, c, 0, true, 1, h));
  EXPECT_EQ(d.NormalImpulse.At(0), 2 + 10 * h);
  EXPECT_EQ(d.TangentialImpulse.At(0), 3 - 20 * h);
  EXPECT_EQ(d.Work.At(0), 5);
  EXPECT_FALSE(d.Cleared);
  // x-y on the edge with weight 0.25: x = -n Ty + t Tx, y = n Tx + t Ty.
  ASSERT_TRUE(watches_.AddContactImpulse(d, c, 1, false, 0.25L, h));
  EXPECT_EQ(d.NormalImpulse.At(1), 0.25L * -2 + 0.25L * -10 * h);
  EXPECT_EQ(d.TangentialImpulse.At(1), 0.25L * 3 + 0.25L * -20 * h);
  EXPECT_EQ(d.Work.At(1), 1.25L);
  // x-y on the vertex: the other body's side of the contact, negated; the work is not.
  d.NormalImpulse.Zero();
  d.TangentialImpulse.Zero();
  d.Work.Zero();
  ASSERT_TRUE(watches_.AddContactImpulse(d, c, 1, true, 1, h));
  EXPECT_EQ(d.NormalImpulse.At(1), 2 + 10 * h);
  EXPECT_EQ(d.TangentialImpulse.At(1), -3 + 20 * h);
  EXPECT_EQ(d.Work.At(1), 5);
  EXPECT_FALSE(watches_.AddContactImpulse(d, c, 2, true, 1, h));
}

TEST_F(WatchCollectionTest, ContactAngle) {
  // The angle of the inward normal seen from each body, in [-pi, pi).
  EXPECT_NEAR(static_cast<double>(TContactWatches::ContactAngle(1, 0, false)), -kPi / 2, 1e-15);
  EXPECT_NEAR(static_cast<double>(TContactWatches::ContactAngle(1, 0, true)), kPi / 2, 1e-15);
  EXPECT_NEAR(static_cast<double>(TContactWatches::ContactAngle(-1, 0, false)), kPi / 2, 1e-15);
  EXPECT_NEAR(static_cast<double>(TContactWatches::ContactAngle(0, 1, false)), 0, 1e-15);
  EXPECT_NEAR(static_cast<double>(TContactWatches::ContactAngle(0, -1, false)), 0, 1e-15);  // Tx = 0 is pi/2
  EXPECT_NEAR(static_cast<double>(TContactWatches::ContactAngle(0, 1, true)), -kPi, 1e-15);
  EXPECT_NEAR(static_cast<double>(TContactWatches::ContactAngle(-1, -1, false)), 3 * kPi / 4, 1e-15);
  watches_.AbsoluteAngleInsteadOfWork = true;
  TWatchedContact c;
  c.Work = 9;
  c.TangentX = 1;
  ASSERT_TRUE(watches_.AddContactImpulse(watches_.StepData, c, 0, false, 0.5L, 1));
  ASSERT_TRUE(watches_.AddContactImpulse(watches_.StepData, c, 0, false, 0.5L, 1));
  EXPECT_NEAR(static_cast<double>(watches_.StepData.Work.At(0)), -kPi / 2, 1e-15);
}

TEST_F(WatchCollectionTest, WithoutDecayARecordCoversItsInterval) {
  TWatchedContact c;
  c.ImpulseNormal = 1;
  c.Work = 2;
  // Two contacts in one step add up.
  watches_.AddContactImpulse(watches_.StepData, c, 0, false, 1, 0.1L);
  watches_.AddContactImpulse(watches_.StepData, c, 0, false, 1, 0.1L);
  watches_.EndStep(0.1L);
  watches_.BeginStep(watches_.StepData);
  EXPECT_TRUE(watches_.StepData.Cleared);
  EXPECT_EQ(watches_.StepData.NormalImpulse.At(0), 0);
  watches_.AddContactImpulse(watches_.StepData, c, 0, false, 1, 0.1L);
  watches_.EndStep(0.2L);
  EXPECT_EQ(watches_.Data.NormalImpulse.At(0), 3);
  EXPECT_EQ(watches_.Data.Work.At(0), 6);
  EXPECT_EQ(watches_.LastTime, 0.2L);
  // Nothing happened since: the fold does nothing, not even the time.
  watches_.BeginStep(watches_.StepData);
  watches_.EndStep(0.3L);
  EXPECT_EQ(watches_.LastTime, 0.2L);
  watches_.AfterRecord();
  EXPECT_EQ(watches_.Data.NormalImpulse.At(0), 0);
  EXPECT_EQ(watches_.Data.Work.At(0), 0);
  EXPECT_TRUE(watches_.Data.Cleared);
}

TEST_F(WatchCollectionTest, DecayOverTheTimeConstant) {
  watches_.TimeConstant = 0.5L;
  TWatchedContact c;
  c.ImpulseNormal = 4;
  c.ImpulseTangent = -2;
  c.Work = 1;
  watches_.AddContactImpulse(watches_.StepData, c, 0, false, 1, 0.1L);
  watches_.EndStep(1);
  watches_.BeginStep(watches_.StepData);
  watches_.AfterRecord();                           // with decay the impulses are never cleared; the work is
  EXPECT_EQ(watches_.Data.NormalImpulse.At(0), 4);  // nothing recorded before to decay
  EXPECT_EQ(watches_.Data.Work.At(0), 0);
  const long double before = watches_.Data.NormalImpulse.At(0);
  watches_.EndStep(1.5L);  // no contact for tau seconds: 1/e of the value is left
  EXPECT_NEAR(static_cast<double>(watches_.Data.NormalImpulse.At(0) / before), std::exp(-1.0), 1e-15);
  EXPECT_NEAR(static_cast<double>(watches_.Data.TangentialImpulse.At(0)), -2 * std::exp(-1.0), 1e-15);

  watches_.CummulativeWork = true;
  watches_.Data.Work.SetAt(0, 7);
  watches_.AfterRecord();
  EXPECT_EQ(watches_.Data.Work.At(0), 7);
}

TEST_F(WatchCollectionTest, ImpulsesConvertedToForces) {
  watches_.TimeConstant = 0.5L;
  watches_.ConvertImpulseToForce = true;
  TWatchedContact c;
  c.ImpulseNormal = 1;
  watches_.AddContactImpulse(watches_.StepData, c, 0, false, 1, 0.1L);
  watches_.LastTime = 1;
  watches_.EndStep(1);
  EXPECT_EQ(watches_.Data.NormalImpulse.At(0), -2);
}

TEST_F(WatchCollectionTest, WithoutDecayAndCumulativeWorkOnlyImpulsesClear) {
  watches_.CummulativeWork = true;
  watches_.Data.NormalImpulse.SetAt(0, 1);
  watches_.Data.Work.SetAt(0, 2);
  watches_.AfterRecord();
  EXPECT_EQ(watches_.Data.NormalImpulse.At(0), 0);
  EXPECT_EQ(watches_.Data.Work.At(0), 2);
}

}  // namespace
}  // namespace zentrova
