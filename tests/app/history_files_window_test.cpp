#include "app/history_files_window.h"

#include <gtest/gtest.h>

#include <QtGui/QImage>
#include <QtWidgets/QMenu>
#include <QtWidgets/QTreeWidget>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app_test_support.h"
#include "qt_widgets_application.h"
#include "engine/world/model.h"
#include "engine/step/driver.h"
#include "engine/step/run_loop.h"
#include "test_support.h"

namespace zentrova {
namespace {

TEST(ResamplePrompt, FrequencyWithThousandsSeparators) {
  EXPECT_EQ(ResamplePrompt(1e-5L), "Maximum time step=1E-5s (100,000Hz) Resample to each n-th step=");
  EXPECT_EQ(ResamplePrompt(2e-3L), "Maximum time step=0.002s (500Hz) Resample to each n-th step=");
  EXPECT_EQ(ResamplePrompt(1e-9L), "Maximum time step=1E-9s (1,000,000,000Hz) Resample to each n-th step=");
  EXPECT_EQ(FloatToThousandsText(1234.5L), "1,235");
  EXPECT_EQ(FloatToThousandsText(2.5L), "3");
  EXPECT_EQ(FloatToThousandsText(999.4L), "999");
  EXPECT_EQ(FloatToThousandsText(-1234567.0L), "-1,234,567");
  EXPECT_EQ(FloatToThousandsText(0.3L), "0");
}

std::vector<std::string> Lines(const std::string& file_name) {
  std::istringstream in(test::ReadBytes(file_name));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// The main window's part: one driver, replaced with every load, whose history fills the window.
class DriverHost : public IHistoryFilesHost {
 public:
  TVYKMain* Driver() override { return driver.get(); }
  bool SimulationRunning() const override { return running; }
  bool LoadWorld(const std::string& world_file, const std::string& history_name,
                 const std::string& start_history_name) override {
    loads.push_back(world_file + "|" + history_name + "|" + start_history_name);
    driver.reset();
    driver = std::make_unique<TVYKMain>();
    driver->World().Model().History.SetWindows(window, nullptr);
    std::string name = history_name;
    return driver->LoadWorld(world_file, name, start_history_name);
  }
  void Run(long double until) {
    TRunLoop run(*driver);
    run.Run(until);
  }
  THistory& History() { return driver->World().Model().History; }

  IHistoryFilesWindow* window = nullptr;
  bool running = false;
  std::unique_ptr<TVYKMain> driver;
  std::vector<std::string> loads;
};

class HistoryFilesWindowTest : public ::testing::Test {
 protected:
  HistoryFilesWindowTest() : form(host, [this](std::int64_t ms) { slept.push_back(ms); }) {
    host.window = &form;
    std::filesystem::copy(std::string(ZENTROVA_SOURCE_DIR) + "/examples/falling-box", dir.Path() + "model");
    world = dir.Path() + "model/falling-box.wld";
  }
  // Histories 000 (until 0.3 s) and 001 (until 0.1 s), then 000 loaded again for replay.
  void PrepareTwoHistories() {
    ASSERT_TRUE(host.LoadWorld(world, "", ""));
    host.Run(0.3L);
    ASSERT_TRUE(host.LoadWorld(world, "", ""));
    host.Run(0.1L);
    ASSERT_TRUE(host.LoadWorld(world, "000", ""));
    host.loads.clear();
  }
  void Select(const std::string& name) {
    form.HistoryFiles()->clearSelection();
    for (int i = 0; i < form.HistoryFiles()->topLevelItemCount(); ++i) {
      QTreeWidgetItem* item = form.HistoryFiles()->topLevelItem(i);
      if (item->text(0).toStdString() == name) item->setSelected(true);
    }
  }
  std::string History(const std::string& name, const std::string& file) const {
    return dir.Path() + "model/" + name + "/" + file;
  }

  QApplication& application = test::TestWidgetsApplication();
  test::TempDir dir;
  DriverHost host;
  std::vector<std::int64_t> slept;
  TVYKHistoryFiles form;
  std::string world;
};

TEST_F(HistoryFilesWindowTest, RowsAndTheCurrentImage) {
  PrepareTwoHistories();
  EXPECT_EQ(form.windowTitle(), "History Files");
  const QTreeWidgetItem* header = form.HistoryFiles()->headerItem();
  ASSERT_EQ(header->columnCount(), 5);
  EXPECT_EQ(header->text(0), "Short name");
  EXPECT_EQ(header->text(4), "Size in Mb");
  EXPECT_EQ(form.HistoryFiles()->selectionBehavior(), QAbstractItemView::SelectRows);
  ASSERT_EQ(form.HistoryFiles()->topLevelItemCount(), 2);
  const QTreeWidgetItem* first = form.HistoryFiles()->topLevelItem(0);
  const QTreeWidgetItem* second = form.HistoryFiles()->topLevelItem(1);
  EXPECT_EQ(first->text(0), "000");
  EXPECT_EQ(first->data(0, Qt::UserRole).toInt(), kCurrentHistoryImage);
  EXPECT_EQ(second->text(0), "001");
  EXPECT_EQ(second->data(0, Qt::UserRole).toInt(), kOtherHistoryImage);
  // The current history's row shows the other picture.
  const QImage current = first->icon(0).pixmap(16, 16).toImage();
  const QImage other = second->icon(0).pixmap(16, 16).toImage();
  EXPECT_FALSE(current.isNull());
  EXPECT_FALSE(other.isNull());
  EXPECT_NE(current, other);
  EXPECT_EQ(first->text(4), "0.00");
  EXPECT_EQ(form.StartWithThisAction()->toolTip(), "Starts new with the ending of this file.");
}

TEST_F(HistoryFilesWindowTest, ResampleOnlyOnTheCurrentRow) {
  PrepareTwoHistories();
  EXPECT_FALSE(form.ResampleAction()->isEnabled());
  Select("001");
  form.UpdatePopupMenu();
  EXPECT_FALSE(form.ResampleAction()->isEnabled());
  Select("000");
  form.UpdatePopupMenu();
  EXPECT_TRUE(form.ResampleAction()->isEnabled());
  form.HistoryFiles()->clearSelection();
  form.UpdatePopupMenu();
  EXPECT_FALSE(form.ResampleAction()->isEnabled());
  // While a run records, the states to resample still grow.
  Select("000");
  host.running = true;
  form.UpdatePopupMenu();
  EXPECT_FALSE(form.ResampleAction()->isEnabled());
}

TEST_F(HistoryFilesWindowTest, ResampleWritesEveryNthStateAndTheLast) {
  PrepareTwoHistories();
  test::ScriptedDialogs dialogs;
  dialogs.save_name = dir.File("resampled.txt");
  dialogs.integer = 4;
  Select("000");
  form.ResampleCommand();
  ASSERT_EQ(dialogs.asked.size(), 2u);
  EXPECT_EQ(dialogs.asked[1],
            "Resampling history to new file.|Maximum time step=0.002s (500Hz) Resample to each n-th step=|1|"
            "2147483647|10");
  const TGeneralizedCoordinatesHistoryList& points = host.History().Points;
  const std::uint32_t count = points.Count();
  ASSERT_GE(count, 10u);
  std::vector<std::string> expected;
  for (std::uint32_t i = 0; i < count; i += 4) expected.push_back(THistory::DataLine(points.Items(i)));
  if ((count - 1) % 4 != 0) expected.push_back(THistory::DataLine(points.Items(count - 1)));
  EXPECT_EQ(Lines(dialogs.save_name), expected);

  // A cancelled save dialog, or a run going on, writes nothing.
  std::filesystem::remove(dialogs.save_name);
  dialogs.save_name.clear();
  form.ResampleCommand();
  dialogs.save_name = dir.File("resampled.txt");
  host.running = true;
  dialogs.asked.clear();
  const test::RecordingMessages messages;
  form.ResampleCommand();
  EXPECT_FALSE(std::filesystem::exists(dialogs.save_name));
  EXPECT_TRUE(dialogs.asked.empty());
  EXPECT_EQ(messages.texts, std::vector<std::string>{"You need to stop the simulation."});
}

TEST_F(HistoryFilesWindowTest, DeleteReloadsAtOnceWithAnEmptyLogAfterASecondOtherwise) {
  PrepareTwoHistories();
  host.driver->Log().Clear();
  Select("001");
  ASSERT_FALSE(Lines(History("001", "data.txt")).empty());
  form.DeleteCommand();
  // The reload's new history takes the number that became free.
  EXPECT_EQ(host.History().ShortName, "001");
  EXPECT_TRUE(Lines(History("001", "data.txt")).empty());
  EXPECT_TRUE(slept.empty());
  EXPECT_EQ(host.loads, std::vector<std::string>{world + "||"});

  ASSERT_TRUE(host.LoadWorld(world, "000", ""));
  host.loads.clear();
  host.driver->Log().Add("[Alert] something to read");
  Select("000");  // the current history stays, the reload follows all the same
  form.DeleteCommand();
  EXPECT_TRUE(std::filesystem::exists(History("000", "data.txt")));
  EXPECT_EQ(slept, std::vector<std::int64_t>{1000});
  EXPECT_EQ(host.loads, std::vector<std::string>{world + "||"});
}

TEST_F(HistoryFilesWindowTest, StartWithThisBeginsWithTheLastThreeStates) {
  PrepareTwoHistories();
  test::ScriptedDialogs dialogs;
  Select("001");
  form.StartWithThisCommand();
  EXPECT_EQ(dialogs.asked,
            std::vector<std::string>{"Create new file starting with the results of the selected file?"});
  ASSERT_EQ(host.loads, std::vector<std::string>{world + "||001"});
  const std::string started = host.History().ShortName;
  EXPECT_EQ(started, "002");
  const std::vector<std::string> source = Lines(History("001", "data.txt"));
  const std::vector<std::string> target = Lines(History(started, "data.txt"));
  ASSERT_GE(source.size(), 3u);
  ASSERT_GE(target.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(target.begin(), target.begin() + 3),
            std::vector<std::string>(source.end() - 3, source.end()));
}

TEST_F(HistoryFilesWindowTest, LoadReplaysOnYesAndDoubleClick) {
  PrepareTwoHistories();
  test::ScriptedDialogs dialogs;
  dialogs.yes = false;
  Select("001");
  form.LoadCommand();
  EXPECT_TRUE(host.loads.empty());
  dialogs.yes = true;
  emit form.HistoryFiles()->itemDoubleClicked(form.HistoryFiles()->topLevelItem(1), 0);
  EXPECT_EQ(host.loads, std::vector<std::string>{world + "|001|"});
  EXPECT_EQ(dialogs.asked, (std::vector<std::string>{"Load history file?", "Load history file?"}));
  EXPECT_EQ(host.History().ShortName, "001");
  EXPECT_EQ(host.History().Points.Count(), Lines(History("001", "data.txt")).size());
  EXPECT_GT(host.History().Points.Count(), 1u);
}

TEST_F(HistoryFilesWindowTest, NoSelectionNoCommand) {
  PrepareTwoHistories();
  test::ScriptedDialogs dialogs;
  dialogs.save_name = dir.File("resampled.txt");
  form.LoadCommand();
  form.DeleteCommand();
  form.ResampleCommand();
  form.StartWithThisCommand();
  EXPECT_TRUE(dialogs.asked.empty());
  EXPECT_TRUE(host.loads.empty());
}

}  // namespace
}  // namespace zentrova
