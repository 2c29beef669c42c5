#include "app/log_window.h"

#include <gtest/gtest.h>

#include <QtWidgets/QPlainTextEdit>

#include <string>
#include <thread>

#include "qt_test_application.h"
#include "qt_widgets_application.h"

namespace zentrova {
namespace {

class LogWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { test::TestWidgetsApplication(); }
  TVYKLogForm log_{(test::TestWidgetsApplication(), nullptr)};
};

TEST_F(LogWindowTest, ReadOnlyUnwrappedAndCaptionedLog) {
  EXPECT_TRUE(log_.LogView().isReadOnly());
  EXPECT_EQ(log_.LogView().lineWrapMode(), QPlainTextEdit::NoWrap);
  EXPECT_EQ(log_.windowTitle().toStdString(), "Log");
}

TEST_F(LogWindowTest, LinesOfAnotherThreadArriveInOrderBeforeLaterLinesOfTheGuiThread) {
  std::thread worker([this] {
    for (int i = 0; i < 100; ++i) log_.AddLine("[Alert] line " + std::to_string(i));
  });
  worker.join();
  // Not shown before the GUI thread runs the mailbox; the next line of the GUI thread comes after them.
  EXPECT_TRUE(log_.LogView().toPlainText().isEmpty());
  log_.AddLine("last");
  std::string expected;
  for (int i = 0; i < 100; ++i) expected += "[Alert] line " + std::to_string(i) + "\n";
  EXPECT_EQ(log_.LogView().toPlainText().toStdString(), expected + "last");
}

TEST_F(LogWindowTest, EventLoopShowsTheLinesAndClearEmptiesTheView) {
  std::thread([this] { log_.AddLine("one"); }).join();
  ASSERT_TRUE(test::PumpEventsUntil([this] { return !log_.LogView().toPlainText().isEmpty(); }));
  EXPECT_EQ(log_.Text(), "one");
  std::thread([this] { log_.AddLine("two"); }).join();
  log_.Clear();
  EXPECT_EQ(log_.Text(), "");
  log_.AddLine("three");
  EXPECT_EQ(log_.Text(), "three");
}

}  // namespace
}  // namespace zentrova
