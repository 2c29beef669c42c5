// The main window: the 3D view of the loaded world with its tool bar, menus and status line (frames per
// second, history position, time and energy). It owns the simulation driver and the run's thread, loads
// and clears worlds, starts and stops runs, replays the history, moves the camera and the scene pointer,
// takes snapshots and AVI films and shows or hides the tool windows.
#pragma once

#include <QtWidgets/QMainWindow>

#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "app/control_commands.h"
#include "app/gui_mailbox.h"
#include "app/history_files_window.h"
#include "app/job_scheduler.h"
#include "app/simulation_thread.h"
#include "engine/world_view.h"
#include "scene/base/vector_types.h"

class QAction;
class QLineEdit;
class QMenu;
class QScrollBar;
class QSpinBox;
class QTimer;

namespace zentrova {

class IAppDialogs;
class TAVIRecorder;
class TGLBaseSceneObject;
class TGLCamera;
class TMainScene;
class TGLStageViewer;
class TVYKAbout;
class TVYKControlForm;
class TWorld;
class TVYKJobsForm;
class TVYKLogForm;
class TLogWindowFeed;
class ILogSink;
class TVYKMain;
class TVYKPlotWatches;

// The images the tool bar's run and record buttons show.
enum : int {
  kImageStopped = 26,    // the run button while no run is active
  kImageRunning = 28,    // ... while a run is active
  kImageAviIdle = 46,    // the record button
  kImageAviRecording = 47
};

class TVYKForm : public QMainWindow,
                 public ILoopHost,
                 public IControlCommands,
                 public IJobHost,
                 public IHistoryFilesHost {
 public:
  // The dialogs outlive the window.
  explicit TVYKForm(IAppDialogs& dialogs, QWidget* parent = nullptr);
  // Stops a run (joining its thread), then frees the driver.
  ~TVYKForm() override;

  // --- Worlds -----------------------------------------------------------------------------------------

  // Stops and joins a running simulation, clears the world and loads the world file into a new driver:
  // an empty history name makes a new history, another replays that history, a start history continues
  // from that history's end. On success the controls are enabled and the caption names world and history.
  // The load's result; an exception shows the log window and goes on to the caller.
  bool LoadWorld(const std::string& world_file, const std::string& history_name,
                 const std::string& start_history_name) override;
  void ClearWorld();
  void EnableControls(bool enable);
  // Aims the camera at the body's solid; hides the pointer.
  void SetCameraTarget(std::int32_t body_index) override;

  // --- Runs ---------------------------------------------------------------------------------------------

  // Starts a run when none is active (asking the run's comment first when the history has none and no
  // jobs run), else stops it and waits for its thread. False when nothing started or stopped.
  bool ToggleSimulation() override;
  // Shows the world's time and energy (the newest frame's while a run is active), the history position
  // and the run state. False while the window closes.
  bool UpdateView();
  // The refresh after a run's end.
  void AfterRun();
  bool SimulationRunning() const override { return simulation_running_; }

  // --- Commands -----------------------------------------------------------------------------------------

  void OpenWorldFile();
  void ReloadWorldFile();
  void TakeSnapshot();
  void RecordAvi();
  void ChangeLargeStep();
  void ChangeSmallStep();
  void ShowHideLogWindow();
  void ShowHideControlTree();
  void ShowAbout();
  // Open Job: the job file's dialog, then OpenJobFile.
  void OpenJobFileCommand();
  void ShowHideJobsWindow() override;
  void ShowHideHistoryFiles();

  // --- Jobs ---------------------------------------------------------------------------------------------

  // Reads the job file and starts its jobs (Open Job, and the program's argument: from_command_line).
  bool OpenJobFile(const std::string& file_name, bool from_command_line = false);
  // Every line the log receives also goes to `echo` (nullptr: none); the echo outlives its use.
  void SetLogEcho(ILogSink* echo);
  TJobScheduler& Jobs() { return *jobs_; }
  TVYKJobsForm& JobsForm() { return *jobs_form_; }
  TVYKHistoryFiles& HistoryFilesForm() { return *history_files_form_; }
  // The scheduler's one-second timer.
  QTimer* TimerOfJobs = nullptr;

  // --- What the tests and the other windows reach -----------------------------------------------------

  TVYKMain* Driver() override { return driver_.get(); }
  TGLStageViewer& Viewer() { return *viewer_; }
  TGLCamera* Camera() const;
  // An object of the window's scene by name ("GLPointer", "GLPointerHelp", ...); nullptr when none.
  TGLBaseSceneObject* SceneObject(const std::string& name) const;
  TVYKLogForm& LogForm() { return *log_form_; }
  TVYKPlotWatches& PlotWindow() { return *plot_window_; }
  TVYKControlForm& ControlForm() { return *control_form_; }
  TMainScene& Scene() { return *scene_; }
  TAVIRecorder& Recorder() { return *recorder_; }
  QSpinBox& FramesPerSecondSpin() { return *frames_per_second_; }
  QSpinBox& HistorySpin() { return *history_spin_; }
  QScrollBar& HistoryBar() { return *history_bar_; }
  QLineEdit& TimeNow() { return *time_now_; }
  QLineEdit& MechanicalEnergyNow() { return *energy_now_; }
  // By the component names: "OpenWorldFileButton", "ControlButton", "AVIRecord", "Photo", ...; the
  // menu items by their captions' object names ("FileOpen", "FileReload", "ViewLogWindow", ...).
  QAction* Action(const std::string& name) const;
  // The image a button shows (kImage...).
  int ButtonImage(const std::string& name) const;
  const TViewFrame& LastFrame() const { return last_frame_; }
  TLoopThread* LoopThread() { return loop_thread_.get(); }

  // Read by the run's thread.
  std::atomic<std::int32_t> FramesPerSecond{10};
  // The paused seconds, the wall-clock limit of each run, whether jobs run and the log's line limit are
  // the job scheduler's (Jobs()).
  bool Closing = false;

  // --- ILoopHost ----------------------------------------------------------------------------------------
  void ShowFrame(const TViewFrame& frame) override;
  void RunEnded() override;

  // --- IControlCommands, over the driver's world and collision detector ---------------------------------
  std::int32_t BodyIndex(const std::string& name) const override;
  void ToggleBoundingBoxTree(std::int32_t body) override;
  void ShowTextures() override;
  void HideTextures() override;
  void ShowWireframeBodies() override;
  void ShowFilledBodies() override;
  void ShowFlatBodies() override;
  void ShowThickBodies() override;
  double Transparency(std::int32_t body) const override;
  void SetTransparency(std::int32_t body, double value) override;
  void ToggleContactWatches(std::int32_t body) override;
  void PlotWatches(std::int32_t body) override;
  void SetBreakAtCollisions(bool value) override;
  void SetShowCollisions(bool value) override;
  void SetShowOverPenetratingPoints(bool value) override;
  void ShowPointer() override;
  void HidePointer() override;
  void IncreasePointerSize() override;
  void DecreasePointerSize() override;
  void MovePointerToOrigin() override;
  void ToggleOrientationBoxSide(const std::string& caption) override;
  void ShowAxes() override;
  void HideAxes() override;
  void SetHistorySaving(bool each_time_step, bool at_collision) override;
  void CreateNextVersion() override;
  bool SetPivotTolerance(long double old_value, long double new_value) override;
  bool SetLexicoZeroTolerance(long double old_value, long double new_value) override;
  void SetTryToSolveByGoingBack(bool value) override;
  void SetLogLCPUnboundedRay(bool value) override;
  void SetLogLCPMaximumIterations(bool value) override;
  void Repaint() override;

  // --- IJobHost (the rest above) ------------------------------------------------------------------------
  bool WorldLoaded() const override;
  std::uint64_t WorldLoadCount() const override { return load_count_; }
  bool DriverExists() const override;
  bool HistoryFilesOpen() const override;
  bool LoadJobWorld(const std::string& world_file, const std::string& history_name) override;
  void SetFramesPerSecond(std::int32_t frames_per_second) override;
  TJobTolerances Tolerances() const override;
  void SetTolerances(const TJobTolerances& tolerances) override;
  // CreateNextVersion: the one of IControlCommands above.
  void EnableJobsCommands(bool enable) override;
  bool JobsWindowVisible() const override;
  void EnableJobTimer(bool enable) override;
  void SetClosing() override;
  void CloseMainWindow() override;
  void LogJobLine(const std::string& line) override;
  void ShowJobMessage(const std::string& text) override;
  bool LastRunFailed() const override { return last_run_failed_; }
  long double HistoryEndTime() const override;
  void HurryJobTimer() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  // Previews the keys of the window and its children, and handles the viewer's mouse.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The world the control tree's commands act on; nullptr without a driver.
  TWorld* CommandWorld() const;
  void CreateActions();
  void CreateStatusLine();
  // The job scheduler, its timer and the jobs and history files windows.
  void CreateJobControl();
  void JobTimerTick();
  QAction* AddAction(const std::string& name, const QString& text);
  void SetButtonImage(const std::string& name, int image);
  // The frame of the world as it is (no run active) or the newest of the run.
  TViewFrame CurrentFrame() const;
  bool UpdateViewFrom(const TViewFrame& frame);
  // Joins the ended or stopped run's thread, closes a recording and refreshes.
  void FinishRun();
  void StopAndJoin();
  void HistoryBarChange(int position);
  void HistorySpinChange(int value);
  void NavigateHistory(std::uint32_t index);
  bool KeyPreview(QKeyEvent* event);
  bool ViewerMouse(QEvent* event);
  void ScaleCameraDistance(float factor);
  void ScaleSceneScale(float factor);
  // The point under the mouse on the drag plane (z = the pointer's z, or y = its y), or zero.
  TVector4f DragPoint(int x, int y) const;
  void AnimatePointerHelp();
  void ToggleWindow(QWidget& window);
  // The View menu's caption of a tool window: "Hide &..." while it is visible, else "Show &...".
  void ShowViewCaption(const QObject* window);
  // Runs a command; an exception reaches the message box instead of the event loop.
  template <class F>
  void Guarded(F&& command);

  IAppDialogs& dialogs_;
  std::unique_ptr<TVYKMain> driver_;
  std::unique_ptr<TLoopThread> loop_thread_;
  TGuiMailbox mailbox_;
  std::atomic<bool> simulation_running_{false};
  bool last_run_failed_ = false;
  // The last load succeeded: only then do the commands that need a world act.
  bool world_loaded_ = false;
  bool history_changing_ = false;
  TViewFrame last_frame_;

  // The scene the viewer shows.
  std::unique_ptr<TMainScene> scene_;
  TGLCamera* camera_ = nullptr;
  TGLBaseSceneObject* camera_carrier_ = nullptr;  // GLDummyCubeForCamera
  TGLBaseSceneObject* pointer_ = nullptr;         // GLPointer
  TGLBaseSceneObject* pointer_help_ = nullptr;    // GLPointerHelp
  TGLStageViewer* viewer_ = nullptr;
  std::unique_ptr<TAVIRecorder> recorder_;

  // Tool windows: top-level, owned here.
  std::unique_ptr<TVYKLogForm> log_form_;
  // The global log's way to the log window (made with the job control).
  std::unique_ptr<TLogWindowFeed> log_feed_;
  std::unique_ptr<TVYKControlForm> control_form_;
  std::unique_ptr<TVYKPlotWatches> plot_window_;
  std::unique_ptr<TVYKAbout> about_;
  std::unique_ptr<TVYKJobsForm> jobs_form_;
  std::unique_ptr<TVYKHistoryFiles> history_files_form_;
  TSystemJobClock job_clock_;
  std::unique_ptr<TJobScheduler> jobs_;
  // Every load counts, so that the scheduler tells its own world from one loaded by hand.
  std::uint64_t load_count_ = 0;

  QSpinBox* frames_per_second_ = nullptr;
  QSpinBox* history_spin_ = nullptr;
  QScrollBar* history_bar_ = nullptr;
  QLineEdit* time_now_ = nullptr;
  QLineEdit* energy_now_ = nullptr;
  QMenu* history_bar_menu_ = nullptr;

  // Mouse state of the viewer.
  int mouse_x_ = 0;
  int mouse_y_ = 0;
  TVector4f last_drag_point_{};
  bool drag_plane_y_ = false;
  TGLBaseSceneObject* picked_ = nullptr;
  bool dragging_pointer_ = false;
};

}  // namespace zentrova
