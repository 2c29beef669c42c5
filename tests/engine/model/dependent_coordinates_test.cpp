#include "engine/model/dependent_coordinates.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/model/expression_list.h"
#include "equations_test_support.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;
using test::ExpectClose;

// One record of a dependent coordinates file with a one-row Jacobian vector.
std::string Record(const std::string& name, const std::string& position, const std::string& jacobian = "0",
                   const std::string& velocity = "0", const std::string& acceleration = "0") {
  return "%%%new%%%\n" + name + "\n%%definition\n" + position + "\n" + velocity + "\n" + acceleration +
         "\n%%J\n" + jacobian + "\n%%j\n0\n";
}

class DependentCoordinatesTest : public test::EquationsTest {
 protected:
  void SetUp() override {
    EquationsTest::SetUp();
    LoadArm();  // q_1 = b`Arm`Rz, start 0.4
  }
  // Each load into its own object: the world's is loaded once in a world's life.
  bool Load(const std::string& text) {
    loaded_.push_back(std::make_unique<TDependentCoordinates>(world_.Model().Binding));
    return loaded_.back()->Load(Write("model.dc", text));
  }
  TBody& Arm() { return world_.Model().Bodies.Items(0); }
  TBody& Hand() { return world_.Model().Bodies.Items(1); }
  TDependentCoordinates& dc() { return *loaded_.back(); }

  std::vector<std::unique_ptr<TDependentCoordinates>> loaded_;
};

TEST_F(DependentCoordinatesTest, DefinitionsTakeTheirOwnLinesAndTheLastRecordWins) {
  ASSERT_TRUE(Load(Record("b`Hand`x[t]", "1", "10") + Record("b`Hand`y[t]", "3", "30") +
                   Record("b`Hand`x[t]", "2 b`Arm`Rz[t]", "2", "5 t", "-7")));
  EXPECT_EQ(dc().Names, (Strings{"b`Hand`x", "b`Hand`y"}));
  EXPECT_EQ(Hand().Kinematics.Position.X.Get(), 0.8L);
  EXPECT_EQ(Hand().Kinematics.Velocity.X.Get(), 0);  // t = 0
  EXPECT_EQ(Hand().Kinematics.Acceleration.X.Get(), -7);
  EXPECT_EQ(Hand().Kinematics.Position.Y.Get(), 3);
  world_.State.Time = 0.5L;
  world_.State.Evaluated.Q.SetAt(0, 1);
  dc().Evaluate();
  EXPECT_EQ(Hand().Kinematics.Position.X.Get(), 2);
  EXPECT_EQ(Hand().Kinematics.Velocity.X.Get(), 2.5L);
  ASSERT_EQ(Hand().Links.X.JacobianVector->Count(), 1u);
  EXPECT_EQ(Hand().Links.X.JacobianVector->Value(0), 2);
  EXPECT_TRUE(NewLines().empty());
}

// A file without records is a model without dependent coordinates; prose without a record marker is
// named, as it may be the wrong file.
TEST_F(DependentCoordinatesTest, FilesWithoutRecordsLoadNoCoordinates) {
  const std::string alert =
      "[Alert] Dependent coordinate file model.dc holds text but no %%%new%%% line: the model has no dependent "
      "coordinates.";
  const std::pair<std::string, Strings> cases[] = {
      {"", {}},
      {" \t\r\n\r\n", {}},
      {"no dependent coordinates\n%%%new%%%\n\n%%definition\n", {}},
      {"%%%new%%%\n", {}},
      {"The arm has none.\r\n", {alert}},
      {"%%definition\n1\n2\n3\n", {alert}},
  };
  for (const auto& [text, lines] : cases) {
    MarkLog();
    EXPECT_TRUE(Load(text)) << text;
    EXPECT_TRUE(dc().Names.empty()) << text;
    EXPECT_EQ(dc().Definitions.Count(), 0u) << text;
    EXPECT_EQ(NewLines(), lines) << text;
  }
  // The hand keeps its own coordinates.
  EXPECT_EQ(Hand().Links.X.JacobianVector, nullptr);
}

TEST_F(DependentCoordinatesTest, RefusedFilesFailTheLoadWithTheirLines) {
  const char* const kCannotRead = "[Error] Cannot read dependent coordinate file. File model.dc.";
  const std::string kNoVector = "[Error] Cannot find Jacobian vector of b`Hand`x in dependent coordinate file. ";
  const std::pair<std::string, Strings> cases[] = {
      {"%%%new%%%\nb`Hand`x[t]\n%%Definition\n1\n2\n3\n",
       {"[Error] Cannot find definition of b`Hand`x in dependent coordinate file. Line 3 of file model.dc: "
        "%%Definition.",
        kCannotRead}},
      // An empty velocity line would shift every value after it.
      {"%%%new%%%\nb`Hand`x[t]\n%%definition\n1\n\n3\n%%J\n0\n%%j\n0\n",
       {"[Error] Cannot read definition of b`Hand`x in dependent coordinate file: position, velocity and "
        "acceleration take one line each. Line 5 of file model.dc: a blank line.",
        kCannotRead}},
      // The Jacobian pass needs the time mark.
      {Record("b`Hand`x", "3 b`Arm`Rz[t]"), {kNoVector + "File model.dc: no record is named b`Hand`x[t]."}},
      {"%%%new%%%\nb`Hand`x[t]\n%%definition\n1\n0\n0\n%%j\n0\n", {kNoVector + "Line 7 of file model.dc: %%j."}},
      // One row where the scalar's marker belongs.
      {"%%%new%%%\nb`Hand`y[t]\n%%definition\n1\n0\n0\n%%J\n0\n0\n%%j\n0\n",
       {"[Error] Cannot find Jacobian scalar of b`Hand`y in dependent coordinate file. Line 9 of file model.dc: 0."}},
      {"%%%new%%%\nb`Hand`y[t]\n%%definition\n1\n0\n0\n%%J\n0\n%%j\n",
       {"[Error] Cannot find Jacobian scalar of b`Hand`y in dependent coordinate file. Line 9 of file model.dc: the "
        "file ends."}},
      {Record("b`Wheel`x[t]", "1"),
       {"[Error] No dependent body coordinate b`Wheel`x found. Check body names. Line 2 of file model.dc."}},
      {Record("b`Hand`Rz[t]", "2 b`Arm`Rz[t]"),
       {"[Error] Dependent rotation Rz of body Hand can be equal to one generalized rotation or  dependent "
        "only on time. Line 4 of file model.dc: 2 b`Arm`Rz[t]."}},
      {Record("b`Hand`q[t]", "1"),
       {"[Error] Body position pointer of b.Hand.q was not set: q is none of x, y, z, Rx, Ry, Rz in dependent "
        "coordinates file model.dc line 2."}},
  };
  for (const auto& [text, lines] : cases) {
    MarkLog();
    EXPECT_FALSE(Load(text));
    EXPECT_EQ(NewLines(), lines) << text;
  }
  MarkLog();
  world_.Settings.N = 2;  // the file gives one row where the world has two coordinates
  EXPECT_FALSE(Load(Record("b`Hand`x[t]", "1", "4")));
  EXPECT_EQ(NewLines(),
            Strings{"[Error] Jacobian vector of b`Hand`x in dependent coordinate file has 1 rows; the "
                    "world has 2 generalized coordinates. Line 9 of file model.dc: %%j."});
  MarkLog();
  EXPECT_FALSE(world_.Model().DependentCoordinates.Load(dir_.File("none.dc")));
  EXPECT_EQ(NewLines(), (Strings{"[Error] No dependent coordinate file found. File none.dc.",
                                 "[Error] Cannot read dependent coordinate file. File none.dc."}));
}

}  // namespace
}  // namespace zentrova
