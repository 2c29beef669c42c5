#include "app/control_form.h"

#include <gtest/gtest.h>

#include <QtWidgets/QTreeWidget>

#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/app_dialogs.h"
#include "app/control_commands.h"
#include "platform/message_sink.h"
#include "platform/number_text.h"
#include "qt_widgets_application.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;

// Records every command as one text; bodies "Box" (0) and "Floor" (1).
class RecordingCommands : public IControlCommands {
 public:
  bool SimulationRunning() const override { return running; }
  std::int32_t BodyIndex(const std::string& name) const override {
    return name == "Box" ? 0 : name == "Floor" ? 1 : -1;
  }
  void SetCameraTarget(std::int32_t b) override {
    if (failing) throw std::runtime_error("no camera");
    Log("target " + std::to_string(b));
  }
  void ToggleBoundingBoxTree(std::int32_t b) override { Log("box tree " + std::to_string(b)); }
  void ShowTextures() override {
    if (failing) throw std::runtime_error("no textures");
    Log("show textures");
  }
  void HideTextures() override { Log("hide textures"); }
  void ShowWireframeBodies() override { Log("wireframe"); }
  void ShowFilledBodies() override { Log("filled"); }
  void ShowFlatBodies() override { Log("flat"); }
  void ShowThickBodies() override { Log("thick"); }
  double Transparency(std::int32_t) const override { return 0.25; }
  void SetTransparency(std::int32_t b, double v) override {
    Log("transparency " + std::to_string(b) + " " + FloatToText(v));
  }
  void ToggleContactWatches(std::int32_t b) override { Log("watches " + std::to_string(b)); }
  void PlotWatches(std::int32_t b) override { Log("plot " + std::to_string(b)); }
  void SetBreakAtCollisions(bool v) override { Log(std::string("break ") + (v ? "on" : "off")); }
  void SetShowCollisions(bool v) override { Log(std::string("collisions ") + (v ? "on" : "off")); }
  void SetShowOverPenetratingPoints(bool v) override { Log(std::string("over ") + (v ? "on" : "off")); }
  void ShowPointer() override { Log("show pointer"); }
  void HidePointer() override { Log("hide pointer"); }
  void IncreasePointerSize() override { Log("bigger"); }
  void DecreasePointerSize() override { Log("smaller"); }
  void MovePointerToOrigin() override { Log("origin"); }
  void ToggleOrientationBoxSide(const std::string& c) override { Log("side " + c); }
  void ShowAxes() override { Log("show axes"); }
  void HideAxes() override { Log("hide axes"); }
  void SetHistorySaving(bool each, bool collision) override {
    Log(std::string("saving ") + (each ? "1" : "0") + (collision ? "1" : "0"));
  }
  void CreateNextVersion() override { Log("next version"); }
  bool SetPivotTolerance(long double o, long double n) override {
    Log("pivot " + FloatToText(o) + " " + FloatToText(n));
    return accept_tolerance;
  }
  bool SetLexicoZeroTolerance(long double o, long double n) override {
    Log("lexico " + FloatToText(o) + " " + FloatToText(n));
    return accept_tolerance;
  }
  void SetTryToSolveByGoingBack(bool v) override { Log(std::string("going back ") + (v ? "on" : "off")); }
  void SetLogLCPUnboundedRay(bool v) override { Log(std::string("ray alert ") + (v ? "on" : "off")); }
  void SetLogLCPMaximumIterations(bool v) override { Log(std::string("iterations alert ") + (v ? "on" : "off")); }
  void Repaint() override { Log("repaint"); }

  void Log(const std::string& call) { calls.push_back(call); }
  Strings calls;
  bool running = false;
  bool accept_tolerance = true;
  bool failing = false;  // the camera and texture commands throw
};

class AnsweringDialogs : public IAppDialogs {
 public:
  bool OpenFile(const std::string&, const std::string&, std::string&) override { return false; }
  bool InputText(const std::string& caption, const std::string& prompt, std::string& text) override {
    asked.push_back(caption + " / " + prompt + " / " + text);
    if (answers.empty()) return false;
    text = answers.front();
    answers.pop_front();
    return true;
  }
  bool InputFloat(const std::string& caption, const std::string& prompt, double minimum, double maximum,
                  int decimals, double& value) override {
    asked.push_back(caption + " / " + prompt + " / " + FloatToText(value) + " in " + FloatToText(minimum) + ".." +
                    FloatToText(maximum) + ", " + std::to_string(decimals));
    if (answers.empty()) return false;
    value = std::stod(answers.front());
    answers.pop_front();
    return true;
  }
  std::deque<std::string> answers;
  Strings asked;
};

class RecordingMessages : public IMessageSink {
 public:
  void ShowMessage(const std::string& text) override { shown.push_back(text); }
  Strings shown;
};

class ControlFormTest : public ::testing::Test {
 protected:
  void SetUp() override { previous_ = SetMessageSink(&messages_); }
  void TearDown() override { SetMessageSink(previous_); }
  // A node at the end of the path of captions, made from the top.
  QTreeWidgetItem* Node(const Strings& path) {
    std::uintptr_t node = 0;
    for (const std::string& caption : path) node = form_.AddChild(node, caption, 0, 0);
    return reinterpret_cast<QTreeWidgetItem*>(node);
  }

  RecordingCommands commands_;
  AnsweringDialogs dialogs_;
  RecordingMessages messages_;
  IMessageSink* previous_ = nullptr;
  TVYKControlForm form_{(test::TestWidgetsApplication(), commands_), dialogs_};
};

TEST_F(ControlFormTest, DoubleClicksCallTheirCommandAndNameTheNewState) {
  struct Case {
    Strings path;  // grandparent, parent, node
    Strings calls;
    std::string caption;  // the node's caption afterwards
  };
  const Case cases[] = {
      {{"Box", "BoundingBox"}, {"box tree 0"}, "BoundingBox"},
      {{"Floor", "boundingBOX"}, {"box tree 1"}, "boundingBOX"},
      {{"Nobody", "BoundingBox"}, {}, "BoundingBox"},
      {{"Display", "Hide textures"}, {"show textures"}, "Show textures"},
      {{"Show textures"}, {"hide textures"}, "Hide textures"},
      {{"Bodies", "Show normal"}, {"wireframe"}, "Show wireframe"},
      {{"Bodies", "Show wireframe"}, {"filled"}, "Show normal"},
      {{"Bodies", "Show thick"}, {"flat"}, "Show thin"},
      {{"Bodies", "Show thin"}, {"thick"}, "Show thick"},
      {{"Box", "Contact watches", "Show"}, {"watches 0"}, "Show"},
      {{"Floor", "contact WATCHES", "Hide"}, {"watches 1"}, "Hide"},
      {{"Box", "Contact watches", "Plot watches"}, {"plot 0"}, "Plot watches"},
      {{"Contact watches", "Show"}, {}, "Show"},  // no body above the group
      {{"Collisions", "Do not break at collisions"}, {"break on"}, "Break at collisions"},
      {{"Collisions", "Break at collisions"}, {"break off"}, "Do not break at collisions"},
      {{"collisions", "Hide collisions"}, {"collisions on"}, "Show collisions"},
      {{"Collisions", "Show collisions"}, {"collisions off"}, "Hide collisions"},
      {{"Collisions", "Hide over-penetrating points"}, {"over on"}, "Show over-penetrating points"},
      {{"Collisions", "Show over-penetrating points"}, {"over off"}, "Hide over-penetrating points"},
      {{"Pointer", "Increase size"}, {"bigger"}, "Increase size"},
      {{"Pointer", "Decrease size"}, {"smaller"}, "Decrease size"},
      {{"Pointer", "Move to origin"}, {"origin"}, "Move to origin"},
      {{"POINTER", "Hide"}, {"show pointer"}, "Hide"},
      {{"Pointer", "Show"}, {"hide pointer"}, "Show"},
      {{"Orientation box", "Hide left"}, {"side Hide left"}, "Hide left"},
      {{"Axes", "Hide"}, {"show axes"}, "Hide"},
      {{"Axes", "Show"}, {"hide axes"}, "Show"},
      {{"World", "Create next version"}, {"next version"}, "Create next version"},
      {{"world", "Create next version"}, {}, "Create next version"},  // "World" is compared exactly
      {{"Try to solve by going back", "True"}, {"going back off"}, "False"},
      {{"Try to solve by going back", "False"}, {"going back on"}, "True"},
      {{"Log", "Show unbounded ray alert"}, {"ray alert off"}, "Hide unbounded ray alert"},
      {{"Log", "Hide unbounded ray alert"}, {"ray alert on"}, "Show unbounded ray alert"},
      {{"Log", "Show maximum number of iterations alert"}, {"iterations alert off"},
       "Hide maximum number of iterations alert"},
      {{"Log", "Hide maximum number of iterations alert"}, {"iterations alert on"},
       "Show maximum number of iterations alert"},
      {{"log", "Show unbounded ray alert"}, {}, "Show unbounded ray alert"},
  };
  for (const Case& c : cases) {
    form_.Clear();
    commands_.calls.clear();
    QTreeWidgetItem* node = Node(c.path);
    form_.ControlTreeDblClick(node);
    std::string where;
    for (const std::string& s : c.path) where += "/" + s;
    EXPECT_EQ(commands_.calls, c.calls) << where;
    EXPECT_EQ(node->text(0).toStdString(), c.caption) << where;
  }
}

TEST_F(ControlFormTest, HistorySavingCyclesBackToItsStartInThreeDoubleClicks) {
  QTreeWidgetItem* node = Node({"History", "Save each time step"});
  for (int i = 0; i < 3; ++i) form_.ControlTreeDblClick(node);
  EXPECT_EQ(commands_.calls, (Strings{"saving 00", "saving 01", "saving 10"}));
  EXPECT_EQ(node->text(0).toStdString(), "Save each time step");
}

TEST_F(ControlFormTest, TransparencyIsAskedTwoLevelsBelowItsBody) {
  dialogs_.answers = {"0.5"};
  QTreeWidgetItem* node = Node({"Box", "Transparency", "0.25"});
  form_.ControlTreeDblClick(node);
  EXPECT_EQ(dialogs_.asked, Strings{"Set transparency / Transparency: / 0.25 in 0..1, 2"});
  EXPECT_EQ(commands_.calls, (Strings{"transparency 0 0.5", "repaint"}));
  EXPECT_EQ(node->text(0).toStdString(), "0.5");
  // One level below its body the group names no body.
  form_.Clear();
  commands_.calls.clear();
  form_.ControlTreeDblClick(Node({"Transparency", "Box"}));
  EXPECT_TRUE(commands_.calls.empty());
}

TEST_F(ControlFormTest, ToleranceBoxesTakeFullPrecisionRealsInTheUnitInterval) {
  struct Case {
    std::string caption, answer;
    bool accept;
    Strings calls;
    std::string new_caption, message;
  };
  const Case cases[] = {
      {"1E-14", "1E-15", true, {"pivot 1E-14 1E-15"}, "1E-15", ""},
      {"1E-14", "1E-15", false, {"pivot 1E-14 1E-15"}, "1E-14", ""},  // refused by the world
      {"1E-14", "2", true, {}, "1E-14", "The tolerance must lie in 0 to 1."},
      {"1E-14", "abc", true, {}, "1E-14", "'abc' is not a valid floating point value."},
      {"none", "0.5", true, {}, "none", "'none' is not a valid floating point value."},
  };
  for (const Case& c : cases) {
    form_.Clear();
    commands_.calls.clear();
    messages_.shown.clear();
    dialogs_.asked.clear();
    dialogs_.answers = {c.answer};
    commands_.accept_tolerance = c.accept;
    QTreeWidgetItem* node = Node({"Pivot tolerance", c.caption});
    form_.ControlTreeDblClick(node);
    EXPECT_EQ(commands_.calls, c.calls) << c.caption << " -> " << c.answer;
    EXPECT_EQ(node->text(0).toStdString(), c.new_caption) << c.answer;
    EXPECT_EQ(messages_.shown.empty() ? "" : messages_.shown.back(), c.message) << c.answer;
  }
  form_.Clear();
  commands_.calls.clear();
  dialogs_.asked.clear();
  dialogs_.answers = {"0.001"};
  form_.ControlTreeDblClick(Node({"Lexico zero tolerance", "1E-9"}));
  EXPECT_EQ(dialogs_.asked, Strings{"Change lexico zero tolerance / Change to: / 1E-9"});
  EXPECT_EQ(commands_.calls, Strings{"lexico 1E-9 0.001"});
}

TEST_F(ControlFormTest, CommandsThatRebuildTheModelWaitForTheRunsEnd) {
  commands_.running = true;
  form_.ControlTreeDblClick(Node({"Box", "Contact watches", "Plot watches"}));
  form_.ControlTreeDblClick(Node({"World", "Create next version"}));
  EXPECT_TRUE(commands_.calls.empty());
  EXPECT_EQ(messages_.shown, (Strings{"You need to stop the simulation.", "You need to stop the simulation."}));
}

TEST_F(ControlFormTest, ToleranceEditsWaitForTheRunsEnd) {
  commands_.running = true;
  dialogs_.answers = {"0.5", "0.5"};
  QTreeWidgetItem* pivot = Node({"Pivot tolerance", "1E-14"});
  form_.ControlTreeDblClick(pivot);
  form_.ControlTreeDblClick(Node({"Lexico zero tolerance", "1E-9"}));
  EXPECT_TRUE(commands_.calls.empty());
  EXPECT_TRUE(dialogs_.asked.empty());
  EXPECT_EQ(pivot->text(0).toStdString(), "1E-14");
  EXPECT_EQ(messages_.shown, (Strings{"You need to stop the simulation.", "You need to stop the simulation."}));
}

// A failing command of a click reaches the message box as every other window's do, not the event loop.
TEST_F(ControlFormTest, ClicksOfTheTreeAreGuardedLikeEveryOtherCommand) {
  commands_.failing = true;
  QTreeWidgetItem* box = Node({"Box"});
  emit form_.ControlTree().itemClicked(box, 0);
  emit form_.ControlTree().itemDoubleClicked(Node({"Hide textures"}), 0);
  EXPECT_EQ(messages_.shown, (Strings{"no camera", "no textures"}));
  commands_.failing = false;
  emit form_.ControlTree().itemClicked(box, 0);
  EXPECT_EQ(commands_.calls, Strings{"target 0"});
}

TEST_F(ControlFormTest, ClicksAimAtBodiesAndShowThePointer) {
  form_.ControlTreeClick(Node({"Box"}));
  form_.ControlTreeClick(Node({"Pointer"}));
  form_.ControlTreeClick(Node({"box"}));  // names are exact
  EXPECT_EQ(commands_.calls, (Strings{"target 0", "show pointer"}));
}

TEST_F(ControlFormTest, ChangeNodeTextRenamesOnlyUnderTheExactParent) {
  Node({"Pointer", "Show"});
  Node({"Axes", "Show"});
  Node({"Show"});
  form_.ChangeNodeText("Pointer", "Show", "Hide");
  form_.ChangeNodeText("pointer", "Hide", "X");
  EXPECT_NE(form_.FindNode("Pointer", "Hide"), nullptr);
  EXPECT_NE(form_.FindNode("Axes", "Show"), nullptr);
  EXPECT_NE(form_.FindNode("", "Show"), nullptr);
  EXPECT_EQ(form_.FindNode("Pointer", "X"), nullptr);
}

}  // namespace
}  // namespace zentrova
