// The history files window "History Files": the numbered histories of the loaded world, as the history
// lists them, with the commands that replay one, delete one, resample the current one into a new file,
// or start a new history from the end of one.
#pragma once

#include <QtWidgets/QWidget>

#include <cstdint>
#include <functional>
#include <string>

#include "engine/record/history.h"

class QAction;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

namespace zentrova {

class TVYKMain;

// The main window as the history window needs it.
class IHistoryFilesHost {
 public:
  virtual ~IHistoryFilesHost() = default;
  // The loaded world's driver, or none.
  virtual TVYKMain* Driver() = 0;
  virtual bool SimulationRunning() const = 0;
  // The main window's LoadWorld.
  virtual bool LoadWorld(const std::string& world_file, const std::string& history_name,
                         const std::string& start_history_name) = 0;
};

// A number with "," between thousands and no decimals, rounded to 15 significant digits first
// (100000 for 1/1e-5, whose nearest extended value lies just below it).
std::string FloatToThousandsText(long double value);

// The prompt of the resampling box for a world's maximum time step.
std::string ResamplePrompt(long double maximum_timestep);

class TVYKHistoryFiles : public QWidget, public IHistoryFilesWindow {
 public:
  // `sleep` waits the given milliseconds (none: the platform's sleep).
  explicit TVYKHistoryFiles(IHistoryFilesHost& host, std::function<void(std::int64_t)> sleep = nullptr,
                            QWidget* parent = nullptr);

  // --- IHistoryFilesWindow -----------------------------------------------------------------------------
  void ClearList() override;
  void AddRow(const THistoryRow& row) override;

  // The pop-up commands; each does nothing without a selected row.
  void LoadCommand();
  void DeleteCommand();
  void ResampleCommand();
  void StartWithThisCommand();
  // What opening the pop-up menu does before it shows: "&Resample" only on the current history's row.
  void UpdatePopupMenu();

  QTreeWidget* HistoryFiles() const { return history_files_; }
  QMenu* PopupMenu() const { return popup_menu_; }
  QAction* LoadAction() const { return load_action_; }
  QAction* DeleteAction() const { return delete_action_; }
  QAction* ResampleAction() const { return resample_action_; }
  QAction* StartWithThisAction() const { return start_action_; }

 private:
  // The short name of the selected row, or "" without one.
  std::string SelectedShortName() const;
  std::string WorldFileName();

  IHistoryFilesHost& host_;
  std::function<void(std::int64_t)> sleep_;
  QTreeWidget* history_files_ = nullptr;
  QMenu* popup_menu_ = nullptr;
  QAction* load_action_ = nullptr;
  QAction* delete_action_ = nullptr;
  QAction* resample_action_ = nullptr;
  QAction* start_action_ = nullptr;
};

}  // namespace zentrova
