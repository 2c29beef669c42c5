#include "app/history_files_window.h"

#include <QtCore/QStringList>
#include <QtGui/QAction>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QMenu>
#include <QtWidgets/QTreeWidget>
#include <QtWidgets/QVBoxLayout>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/guarded_command.h"
#include "app/image_list.h"
#include "engine/step/driver.h"
#include "engine/world/model.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/message_sink.h"
#include "platform/number_text.h"

namespace zentrova {

namespace {

// A delete reloads the world after this wait when the log holds lines, so that they can be read.
constexpr std::int64_t kDeleteReloadWaitMs = 1000;
constexpr int kDefaultResampleStep = 10;
constexpr int kImageRole = Qt::UserRole;

}  // namespace

std::string FloatToThousandsText(long double value) {
  if (!std::isfinite(value)) return FloatToText(value);
  char digits[64];
  std::snprintf(digits, sizeof digits, "%.14Le", value);
  // Halves round away from zero.
  const long double rounded = std::round(std::strtold(digits, nullptr));
  char whole[8192];
  std::snprintf(whole, sizeof whole, "%.0Lf", rounded);
  std::string text(whole);
  const std::size_t first = text[0] == '-' ? 1 : 0;
  if (text == "-0") return "0";
  for (std::size_t p = text.size(); p > first + 3; p -= 3) text.insert(p - 3, ",");
  return text;
}

std::string ResamplePrompt(long double maximum_timestep) {
  return "Maximum time step=" + FloatToText(maximum_timestep) + "s (" +
         FloatToThousandsText(1 / maximum_timestep) + "Hz) Resample to each n-th step=";
}

TVYKHistoryFiles::TVYKHistoryFiles(IHistoryFilesHost& host, std::function<void(std::int64_t)> sleep,
                                   QWidget* parent)
    : QWidget(parent, Qt::Tool), host_(host), sleep_(std::move(sleep)) {
  if (!sleep_) sleep_ = [](std::int64_t ms) { SleepMilliseconds(ms); };
  setWindowTitle("History Files");
  history_files_ = new QTreeWidget(this);
  history_files_->setRootIsDecorated(false);
  history_files_->setSelectionMode(QAbstractItemView::SingleSelection);
  history_files_->setSelectionBehavior(QAbstractItemView::SelectRows);
  history_files_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  history_files_->setHeaderLabels({"Short name", "Comment", "Start time", "End time", "Size in Mb"});
  history_files_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(history_files_);

  popup_menu_ = new QMenu(this);
  load_action_ = popup_menu_->addAction("&Load");
  delete_action_ = popup_menu_->addAction("&Delete");
  resample_action_ = popup_menu_->addAction("&Resample");
  resample_action_->setEnabled(false);
  start_action_ = popup_menu_->addAction("&Start with this");
  start_action_->setToolTip("Starts new with the ending of this file.");
  start_action_->setStatusTip("Starts new with the ending of this file.");
  popup_menu_->setToolTipsVisible(true);
  connect(load_action_, &QAction::triggered, this, [this] { GuardedCommand([this] { LoadCommand(); }); });
  connect(delete_action_, &QAction::triggered, this, [this] { GuardedCommand([this] { DeleteCommand(); }); });
  connect(resample_action_, &QAction::triggered, this,
          [this] { GuardedCommand([this] { ResampleCommand(); }); });
  connect(start_action_, &QAction::triggered, this,
          [this] { GuardedCommand([this] { StartWithThisCommand(); }); });
  history_files_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(history_files_, &QWidget::customContextMenuRequested, this, [this](const QPoint& point) {
    UpdatePopupMenu();
    popup_menu_->popup(history_files_->viewport()->mapToGlobal(point));
  });
  connect(history_files_, &QTreeWidget::itemDoubleClicked, this,
          [this] { GuardedCommand([this] { LoadCommand(); }); });
  resize(480, 200);
}

void TVYKHistoryFiles::ClearList() { history_files_->clear(); }

void TVYKHistoryFiles::AddRow(const THistoryRow& row) {
  auto* item = new QTreeWidgetItem(
      history_files_, QStringList{QString::fromStdString(row.ShortName), QString::fromStdString(row.Comment),
                                  QString::fromStdString(row.Start), QString::fromStdString(row.End),
                                  QString::fromStdString(row.Size)});
  item->setData(0, kImageRole, row.ImageIndex);
  item->setIcon(0, CommonImage(row.ImageIndex));
}

std::string TVYKHistoryFiles::SelectedShortName() const {
  const QList<QTreeWidgetItem*> selected = history_files_->selectedItems();
  if (selected.isEmpty()) return "";
  return selected.front()->text(0).toStdString();
}

std::string TVYKHistoryFiles::WorldFileName() {
  TVYKMain* driver = host_.Driver();
  return driver == nullptr ? std::string() : driver->World().UserWorldFilePath;
}

void TVYKHistoryFiles::UpdatePopupMenu() {
  const std::string name = SelectedShortName();
  TVYKMain* driver = host_.Driver();
  resample_action_->setEnabled(!name.empty() && driver != nullptr && !host_.SimulationRunning() &&
                               name == driver->World().Model().History.ShortName);
}

void TVYKHistoryFiles::LoadCommand() {
  const std::string name = SelectedShortName();
  if (name.empty() || host_.Driver() == nullptr) return;
  if (!Dialogs().AskYesNo("Load history file?")) return;
  host_.LoadWorld(WorldFileName(), name, "");
}

void TVYKHistoryFiles::DeleteCommand() {
  const std::string name = SelectedShortName();
  TVYKMain* driver = host_.Driver();
  if (name.empty() || driver == nullptr) return;
  driver->World().Model().History.DeleteHistory(name);
  if (driver->Log().Count() > 0) sleep_(kDeleteReloadWaitMs);
  host_.LoadWorld(WorldFileName(), "", "");
}

void TVYKHistoryFiles::ResampleCommand() {
  const std::string name = SelectedShortName();
  TVYKMain* driver = host_.Driver();
  if (name.empty() || driver == nullptr) return;
  THistory& history = driver->World().Model().History;
  // Only the current history's states are in memory.
  if (name != history.ShortName) return;
  // They grow while a run goes on: the command says why it does nothing.
  if (host_.SimulationRunning()) {
    ShowMessage("You need to stop the simulation.");
    return;
  }
  std::string file_name;
  if (!Dialogs().SaveFileDialog(TSaveDialogRequest{}, file_name)) return;
  int step = kDefaultResampleStep;
  if (!Dialogs().InputInteger("Resampling history to new file.",
                              ResamplePrompt(driver->World().Settings.MaximumTimestep), 1, 2147483647, step)) {
    return;
  }
  history.Resample(file_name, step);
}

void TVYKHistoryFiles::StartWithThisCommand() {
  const std::string name = SelectedShortName();
  if (name.empty() || host_.Driver() == nullptr) return;
  if (!Dialogs().AskYesNo("Create new file starting with the results of the selected file?")) return;
  host_.LoadWorld(WorldFileName(), "", name);
}

}  // namespace zentrova
