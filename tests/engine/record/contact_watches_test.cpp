#include "engine/record/contact_watches.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine_test_support.h"
#include "history_test_support.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;
using Marks = std::vector<int>;

class ContactWatchesTest : public test::EngineTest {
 protected:
  TBody& AddBody(const std::string& name, const std::string& outline = "contacts/octagon.exs") {
    bodies_.Add(test::OutlineBody(world_, name, Data(outline)));
    return bodies_.Items(bodies_.Count() - 1);
  }
  // A watches file of the given text in a temporary folder.
  std::string File(const std::string& text) {
    test::WriteBytes(dir_.File("watches.wtc"), text);
    return dir_.File("watches.wtc");
  }
  // The watch numbers of the outline points, -1 for a point without a watch.
  Marks MarksOf(std::int32_t body) {
    const TExtrusionShape& shape = bodies_.Items(body).Solid.Shape;
    Marks marks;
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
  ASSERT_EQ(watches.StepData.Count(), 33u);
  // Nine outline points, point 8 repeating point 0.
  EXPECT_EQ(MarksOf(1), (Marks{-1, -1, -1, 3, 3, 3, -1, -1, -1}));
  EXPECT_EQ(MarksOf(2), (Marks{4, -1, -1, -1, -1, -1, -1, -1, 4}));
  EXPECT_EQ(MarksOf(5), (Marks{-1, -1, -1, -1, -1, 8, 9, 10, -1}));
  EXPECT_EQ(MarksOf(6), (Marks{-1, 11, 12, 13, 14, 14, -1, -1, -1}));
  EXPECT_EQ(MarksOf(11), Marks(9, -1));
  EXPECT_EQ(bodies_.Items(11).Solid.Shape.Reshape.DirectionX, 1);
  EXPECT_EQ(watches.TimeConstant, 0.5L);
  EXPECT_EQ(watches.ReshapingCycles, 1);
}

TEST_F(ContactWatchesTest, UnreadableListsFailTheLoad) {
  // Each list with what its line names as wrong; eight points, the ninth closing the outline.
  const std::pair<const char*, const char*> cases[] = {
      {"x", "x is no point number"},
      {"3,y", "y is no point number"},
      {"8", "point 8 does not exist"},
      {"9", "point 9 does not exist"},
      {"[3", "[3 lacks its closing ]"},
      {"5-3", "5-3 runs backwards"},
      {"5:3", "5:3 runs backwards"},
      {"-1", "-1 is no range of point numbers"},
      {"2-", "2- is no range of point numbers"},
      {"99:100", "99:100 starts beyond the last point"},
      {"$", "$ is no point number"}};
  for (const auto& [list, cause] : cases) {
    bodies_.Clear();
    AddBody("A");
    log_.Clear();
    TContactWatches watches;
    EXPECT_FALSE(watches.Load(File(std::string("[A]\r\ncontactwatch=") + list + "\r\n"), bodies_, 0)) << list;
    EXPECT_EQ(Logged(), Strings{"[Error] Check watches file. Line 2 of watches.wtc, [A] contactwatch: " +
                                std::string(cause) + "; the points of body A are 0 to 7."})
        << list;
  }
  // A missing file is only reported.
  TContactWatches watches;
  log_.Clear();
  EXPECT_TRUE(watches.Load(Data("contacts/missing.wtc"), bodies_, 0));
  EXPECT_EQ(Logged(), Strings{"[Alert] No watches file found."});
}

TEST_F(ContactWatchesTest, ReshapingCyclesPickTheSectionOfTheHistory) {
  AddBody("A");
  AddBody("B");
  const std::string file = File(
      "[Common]\r\nreshapingCycles=2\r\n[A]\r\ncontactwatch=0\r\n[A:1]\r\ncontactwatch=1\r\n[B:0]"
      "\r\ncontactwatch=2\r\n");
  TContactWatches odd;
  ASSERT_TRUE(odd.Load(file, bodies_, 7));  // 7 mod 2 = 1; B has no B:1 and no B
  EXPECT_EQ(odd.Names, Strings{"A#1"});
  TContactWatches even;
  ASSERT_TRUE(even.Load(file, bodies_, 4));  // A:0 missing, so A
  EXPECT_EQ(even.Names, (Strings{"A#0", "B#2"}));
}

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
  // x-y on the edge with weight 0.25: x = -n Ty + t Tx, y = n Tx + t Ty.
  ASSERT_TRUE(watches_.AddContactImpulse(d, c, 1, false, 0.25L, h));
  EXPECT_EQ(d.NormalImpulse.At(1), 0.25L * -2 + 0.25L * -10 * h);
  EXPECT_EQ(d.TangentialImpulse.At(1), 0.25L * 3 + 0.25L * -20 * h);
  // x-y on the vertex: the other body's side of the contact, negated; the work is not.
  ASSERT_TRUE(watches_.AddContactImpulse(d, c, 1, true, 1, h));
  EXPECT_EQ(d.NormalImpulse.At(1), 0.25L * -2 + 0.25L * -10 * h + 2 + 10 * h);
  EXPECT_EQ(d.TangentialImpulse.At(1), 0.25L * 3 + 0.25L * -20 * h - 3 + 20 * h);
  EXPECT_EQ(d.Work.At(1), 6.25L);
  EXPECT_FALSE(watches_.AddContactImpulse(d, c, 2, true, 1, h));
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
  watches_.AfterRecord();  // with decay the impulses are never cleared; the work is
  EXPECT_EQ(watches_.Data.NormalImpulse.At(0), 4);
  EXPECT_EQ(watches_.Data.Work.At(0), 0);
  watches_.EndStep(1.5L);  // no contact for tau seconds: 1/e of the value is left
  EXPECT_NEAR(static_cast<double>(watches_.Data.NormalImpulse.At(0)), 4 * std::exp(-1.0), 1e-15);
  EXPECT_NEAR(static_cast<double>(watches_.Data.TangentialImpulse.At(0)), -2 * std::exp(-1.0), 1e-15);

  // Converted to a force: the impulse divided by -tau.
  watches_.ConvertImpulseToForce = true;
  watches_.Data.NormalImpulse.Zero();
  watches_.AddContactImpulse(watches_.StepData, c, 0, false, 1, 0.1L);
  watches_.EndStep(1.5L);
  EXPECT_EQ(watches_.Data.NormalImpulse.At(0), -8);
}

}  // namespace
}  // namespace zentrova
