// The world: a model's settings (section Main of its world file), the loaded model (bodies, equations,
// contact properties, watches, history) and the dynamic state a run moves between, each its own object;
// and the load sequence that turns a world file and its model files into a ready model recording into
// its own history directory.
//
// World file, an INI file. Section "Main" holds the settings and the names of the other model files;
// section "Bodies" lists the body files as Body1, Body2, ... up to the first empty or missing key.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "engine/control_tree.h"
#include "engine/log_sink.h"
#include "engine/model/step_state.h"
#include "engine/model/world_settings.h"
#include "engine/plot_window.h"
#include "engine/record/history_world.h"
#include "engine/world_view.h"

namespace zentrova {

class TBody;
class TFloatList;
class TIntList;
class TIniFile;
struct TModel;

// The world's nodes in the control tree, which the control-tree window compares a clicked node with.
struct TWorldTreeNode {
  TTreeNode World = kNoTreeNode;
  TTreeNode LCPSolver = kNoTreeNode;
  TTreeNode PivotTolerance = kNoTreeNode;
  TTreeNode PivotMinimum = kNoTreeNode;
  TTreeNode PivotMaximum = kNoTreeNode;
  TTreeNode LexicoZeroTolerance = kNoTreeNode;
  TTreeNode CreateNextVersion = kNoTreeNode;
  TTreeNode LexicoValue = kNoTreeNode;
  TTreeNode TryToSolveByGoingBack = kNoTreeNode;
  TTreeNode GoingBackValue = kNoTreeNode;
};

// The driver's collision display and break flags as the control tree shows them at a load.
struct TCollisionFlags {
  bool BreakAtCollisions = false;
  bool ShowCollisions = false;
  bool ShowOverPenetratingPoints = false;
};

class TWorld : public IHistoryWorld {
 public:
  // The world and every part it composes log to `log` and show their message boxes through `messages`
  // (the program's message sink when nullptr); both outlive the world.
  explicit TWorld(ILogSink& log = ProgramLog(), IMessageSink* messages = nullptr);
  ~TWorld() override;
  TWorld(const TWorld&) = delete;
  TWorld& operator=(const TWorld&) = delete;

  // --- Load ------------------------------------------------------------------------------------------

  // The whole load: the user's world file, the history directory (a new numbered one when
  // `history_name` is empty, whose name is handed back; else the existing one it names), the model
  // copied into a new history directory and read from there, the bodies, constants, coordinates,
  // equations, contact properties and watches, and what the history already holds. `start_history_name`,
  // when not empty, names a history whose model and last states a new history starts from. A history
  // that another run records into, or whose model copy is incomplete, is refused before anything is
  // written to it. False after the failing step's error lines; what was loaded stays.
  bool Load(const std::string& path, std::string& history_name, const std::string& start_history_name);
  // Reads the world file at the user's path and keeps its working directory and the path. False only
  // when a value of the file is refused: a missing file has been reported and the load goes on.
  bool ReadUserWorldFile(const std::string& path);
  // The model copied into a new history directory (from the start history when one is named) and the
  // world file read again from the copy, which then governs the run.
  bool ReadWorldFileAndCopyModel(const std::string& path, const std::string& history_name,
                                 const std::string& start_history_name);
  // Loads a body from working directory + name and appends it; false (not appended) when it fails.
  bool CreateBody(const std::string& body_file_name);
  // Copies every model file from the working directory into `destination`, each under its name
  // relative to the working directory (subfolders included): the world file, each body file and its
  // outline, the constants, coordinates, mass matrix, generalized forces, energy and contact properties
  // files, and the watches file when there is one. False after "[Error] could not copy model files to
  // result folder." at the first file that could not be copied; the line names where the model names a
  // file that is missing, not a file that is there but could not be copied.
  bool CopyModelFiles(const std::string& world_file_path, const std::string& destination);
  // "[Error] The model copy in history directory <dir> is incomplete; <consequence>." in a message box
  // and the log.
  void RefuseIncompleteCopy(const std::string& directory, const std::string& consequence);
  // Copies one file into a folder, under `target_name` (relative to the folder, its subfolders made as
  // needed) or else under the source's name, and waits until the copy can be seen there. False, after
  // "[Error] Could not copy file<source> to <folder>." in a message box and the log, when the source is
  // missing; false after "[Error] Copying file<source> to <folder> failed: <reason>." when the copy could
  // not be made (no reason when it has not appeared within the time-out).
  bool CopyFileAndWait(const std::string& source, const std::string& destination_directory,
                       std::int64_t timeout_ms, const std::string& target_name = "");
  // The last records of the start history's data.txt, and the watches.txt records at their times, become
  // those of this load's history. False after the error line when the start history's records are out of
  // time order.
  bool CopyHistoryTail(const std::string& history_name, const std::string& start_history_name);
  // Writes the last kHistoryTailLines of the lines, oldest first and missing ones empty, as the whole
  // content of the target file.
  void WriteLastLines(const std::vector<std::string>& lines, const std::string& target);
  // The outline file a body file names (its shapeFile in the body file's folder); "" when it names none.
  // False after "[Error] No body file found. Check working directory." when the body file is missing.
  // `line`, when given, receives the line of the body file that gives shapeFile (0: none does).
  bool ReadShapeFileName(const std::string& body_file_path, std::string& shape_file_path,
                         std::size_t* line = nullptr);
  // Ties the x, y and Rz of every body that is virtual to another to that body's coordinates. False
  // after an error line when the other body does not exist.
  bool LinkVirtualBodies();
  // The generalized forces h, one expression per line; n lines, blank ones counted.
  bool LoadHVector();
  // breakTime := the breakTime expression plus one recording interval. False after the error line when
  // the expression does not compile, its value is no finite number above 0, maximumTimestep exceeds it,
  // or one recording interval is longer than it.
  bool EvaluateBreakTime();
  // The mechanical energy, one expression line.
  bool LoadMechanicalEnergy();
  // Re-plots the watches of the body the plot window shows; a body the model does not have is not
  // re-plotted.
  bool RefreshPlotWatches();
  // The per-point values of a body's watched outline points (Sums of the run's watch history for its
  // distinct watch numbers, ascending, the work smoothed along the outline when the watches file asks
  // for it) with the first outline point of each watch number and the time span they cover. False, the
  // lists empty, for a body without watched points.
  bool BodyWatchValues(std::int32_t body, TIntList& points, TFloatList& normal, TFloatList& tangential,
                       TFloatList& work, long double& span) const;
  // Shows a body's watch values in the plot window with their totals: the work total divided by the
  // span, the impulse totals multiplied by it when the watches convert impulses to forces, else divided.
  // False for a body the model does not have; nothing is shown without a plot window.
  bool ShowPlotWatches(std::int32_t body);

  // --- View ---------------------------------------------------------------------------------------------
  // The commands below run on the GUI thread and do nothing without a view (resp. a control tree).

  // What the view shows of the working state; built on the stepping thread after an accepted step.
  TViewFrame MakeViewFrame() const;
  // Every body with a shape moves its solid to its position; nothing while a run steps (the view then
  // shows the run's frames only).
  void RefreshBodies();
  void ShowTextures();
  void HideTextures();
  // Every body's faces as lines (filled), and the pointer's front faces with them.
  void ShowWireframeBodies();
  void ShowFilledBodies();
  void ShowThickBodies();
  void ShowFlatBodies();
  // At a load: the pointer's radius a tenth of the smallest bounding radius of the bodies with a shape
  // (the scene's radius stays without one), the pointer hidden, and its control-tree group.
  void CreatePointer();
  // Doubles (halves) the pointer's radius in five equal steps, each one drawn.
  void IncreasePointerSize();
  void DecreasePointerSize();
  // A hidden pointer shows, the camera aims at it, and it pulses: eight steps up by 1.15, eight down.
  void ShowPointer();
  void HidePointer();
  void MovePointerToOrigin();
  // At a load: the six planes 2R wide at +-R, R the largest display radius of a body; the group of
  // toggles (the floor shown, the other sides hidden).
  void CreateOrientationBox();
  // `caption` is the clicked toggle ("Hide left"): its side is shown (for "Hide") or hidden, and the
  // toggle's caption names the new state.
  void ToggleOrientationBoxSide(const std::string& caption);
  void CreateAxesNodes();
  void ShowAxes();
  void HideAxes();
  // At a load: the camera at (10s, 10s, 10s) and the three lights around the model, s the model's size;
  // the camera's depth covers the orientation box and every body.
  void PlaceCameraAndLights();
  // R, the largest display radius of a body: the half width of the orientation box.
  long double OrientationBoxRadius() const;
  // (x^2 + y^2 + z^2)^(1/3) + Radius of a body at its position: the program's measure of how far the
  // model reaches.
  long double BodyDisplayRadius(std::int32_t body) const;
  // The minimum or maximum pivot tolerance whose value is within 1e-20 of `old_value` becomes
  // `new_value` (the minimum first); false when neither is.
  bool SetPivotTolerance(long double old_value, long double new_value);
  bool SetLexicoZeroTolerance(long double value);
  // The control tree's body commands, for a body index of the model (others are ignored).
  void ShowBoundingBoxTree(std::int32_t body);
  void ToggleContactWatches(std::int32_t body);

  // --- Control tree -------------------------------------------------------------------------------------

  // The groups World, Bodies, Collisions, History and Log.
  void BuildControlTree();
  void AddWorldNodes();
  void AddBodiesNodes();
  void AddCollisionsNodes();
  void AddHistoryNodes();
  void AddLogNodes();

  // --- Next version -------------------------------------------------------------------------------------

  // A new numbered history directory with a copy of the model, its constants rewritten from the watches
  // and every outline reshaped; the current history stays the current one. False when the directory or
  // the copy could not be made.
  bool CreateNextVersion();
  // The constants named in the watches' constants update change in proportion to the (negative) work of
  // their bodies, the largest by MaxChange. False after "[Alert] No constants file found at updating
  // constants." when the new directory has no constants file; true when the update is off.
  bool UpdateConstantsFromWork(const std::string& directory);
  // The constants of the watches' fixed changes change by them.
  bool UpdateConstantsByChanges(const std::string& directory);
  // The joined work values of the body-balanced update's bodies, summarised into its statistics.
  bool BodyBalancedStatistics();
  // Rewrites the constants file: a line whose name (the text before its first "=", blanks removed)
  // equals one of `names` without regard to letter case becomes that name + " = " + its value plus the
  // change, in exponent form with 18 digits. False after the alert when the file is missing.
  bool RewriteConstants(const std::string& path, const std::vector<std::string>& names,
                        const TFloatList& changes);
  // The per-point work values of a body (see BodyWatchValues) into `values`; false, `values` unchanged,
  // without watched points.
  bool WatchStatistics(std::int32_t body, TFloatList& values) const;

  // --- Step state ------------------------------------------------------------------------------------

  // Evaluates the model at the working state: dependent coordinates, the bodies' links, the inverse
  // mass matrix when it varies, the generalized forces and the energy. False when the inversion failed.
  bool PrepareStep();
  // After a value of a run turned NaN or infinite, never while it steps: which line of which model file
  // made it, as " Line <n> of file <name> gives <value> at t=<t>s.", found by evaluating the model's
  // expressions (dependent coordinates, mass matrix, generalized forces, energy, in this order) at the
  // last recorded state that is finite, or "" when every one is finite there. The working state is
  // left as it was.
  std::string NotFiniteSource();
  // The same after the numerics error stopped a run; when the last inversion of M failed: " The mass
  // matrix of file <name> could not be inverted at t=<t>s."
  std::string NumericsErrorSource();
  // Re-evaluates and re-inverts M when it varies. False after "[Error] Error in mass matrix inversion
  // (possibly singular)." when it is singular.
  bool InvertMassMatrix();
  // M^-1 := the inverse of M as it stands, and its pattern of non-zeros. False when M is singular.
  bool InvertEvaluatedMassMatrix();
  // The start of a step is accepted: the history may record the saved state, the saved state takes the
  // working one (with the impact's velocity jump, when one was applied, kept to be taken off again at a
  // roll-back) and with `save_time` the saved time the working time. The time itself is step control's
  // to move. Always true.
  bool Update(bool save_time, bool write_history, const TFloatList* velocity_jump, bool at_collision);
  // Back to the saved state, the velocity jump of an impact at it taken off again; the time is step
  // control's to restore. Nothing happens at time 0. Always true.
  bool RestoreSavedState();
  // Records the saved state as a history point when it is due, or with `whatever_the_interval` when it is
  // later than the last whatever the recording interval and the collision mode (the state a run was
  // asked to end at). False when no point was due for a reason other than the recording interval
  // (negative time, not at a collision, not later than the last).
  bool WriteHistoryPointIfDue(bool whatever_the_interval = false);
  // The coordinates and the energy of the history point at CurrentState become the working state's;
  // `time` := the point's time, for step control to move the working time to. False, nothing changed,
  // when there is no such point.
  bool RestoreRecordedState(long double& time);
  // The largest displacement of a body with a shape within one time step, each scaled by the body's
  // displacement factor (m). Always true.
  bool MaxStepDisplacement(long double& displacement) const;

  // --- Settings ---------------------------------------------------------------------------------------

  // Reads the world file into the settings and the body file names. False when
  // - the file is missing: "[Error] No world file found." is logged, the working directory becomes the
  //   file's folder and nothing else changes (a load goes on with the settings as they are);
  // - a value is refused (see TWorldSettings::Read, and a body named "common"): its error line is logged
  //   and the keys after it are not read (the load must stop).
  bool ReadWorldFile(const std::string& path);

  // The values the control tree and the job timer may change while a run steps; the run reads them
  // through these, never from Settings directly.
  TLCPSettings LCPSettings() const;
  void SetLCPPivotToleranceMin(long double value);
  void SetLCPPivotToleranceMax(long double value);
  void SetLCPLexicoZeroTolerance(long double value);
  void SetLogLCPUnboundedRay(bool value);
  void SetLogLCPMaximumIterations(bool value);
  bool TryToSolveByGoingBack() const;
  void SetTryToSolveByGoingBack(bool value);
  // writeToHistoryEachTimeStep and writeToHistoryAtCollision, changed together while a run may record.
  void SetHistorySaving(bool each_time_step, bool at_collision);

  // --- IHistoryWorld ------------------------------------------------------------------------------------

  std::string HistoryBaseDirectory() const override { return WorkingDirectory; }
  std::string KeptHistoryBaseDirectory() const override { return UserWorkingDirectory; }
  void MarkNewHistoryDirectory() override { NewHistoryDirectory = true; }
  std::uint32_t GeneralizedCoordinateCount() const override { return Settings.N; }
  std::vector<std::string> GeneralizedCoordinateNames() const override;
  std::uint32_t StoredStates() const override { return State.StoredStateCount; }
  void SetStoredStates(std::uint32_t count) override { State.StoredStateCount = count; }
  void SetCurrentState(std::uint32_t index) override { State.CurrentState = index; }
  // A history read back starts at the state the history selected; step control moves the time there
  // once the load is done.
  void RestoreHistoryPoint() override {
    long double time = 0;
    RestoreRecordedState(time);
  }
  TContactWatches* ContactWatches() override;

  // ------------------------------------------------------------------------------------------------------

  ILogSink& LogSink() const { return log_; }
  IMessageSink* MessageSink() const { return messages_; }

  TModel& Model() { return *model_; }
  const TModel& Model() const { return *model_; }

  // Written by loads only (no run steps meanwhile), except the values with setters above.
  TWorldSettings Settings;
  TStepState State;

  std::string WorldFilePath;         // the world file read last (after the copy: the copy)
  std::string UserWorldFilePath;     // the path the user or the job gave
  std::string UserWorkingDirectory;  // the working directory of the user's world file: holds the histories
  // The folder the model files are read from now: the world file's working directory, a start history's
  // folder while its tail is copied, then the history directory. The load's state, apart from the
  // settings: Settings.WorkingDirectory stays what the world file read last says.
  std::string WorkingDirectory;
  // This load created its history directory: the driver removes it again when nothing was recorded.
  bool NewHistoryDirectory = false;
  IPlotWindow* PlotWindow = nullptr;
  // The program's scene and control tree; none without windows (the scene and tree steps are skipped).
  // Set before a load; they outlive the world.
  IWorldView* View = nullptr;
  IControlTree* ControlTree = nullptr;
  // The contact points detection draws; written on the stepping thread, copied into frames.
  TContactPointList ContactPointList;
  // A run steps this world: the GUI thread leaves the live coordinates alone (set by the run loop).
  std::atomic<bool> Stepping{false};
  // What the driver's flags are when it loads the world (the Collisions group shows them).
  TCollisionFlags CollisionFlags;
  TWorldTreeNode WorldTreeNode;
  TTreeNode BodiesNode = kNoTreeNode;
  TTreeNode CollisionsNode = kNoTreeNode;
  TTreeNode HistoryNode = kNoTreeNode;
  TTreeNode LogNode = kNoTreeNode;
  TTreeNode PointerNode = kNoTreeNode;
  TTreeNode OrientationBoxNode = kNoTreeNode;
  TTreeNode AxesNode = kNoTreeNode;

 private:
  bool ReadBodies(const TIniFile& ini);

  ILogSink& log_;
  IMessageSink* messages_;
  mutable std::mutex settings_mutex_;
  // The alerts the readings of the world file have logged in this load: the copy repeats none of them.
  std::set<std::string> load_alerts_;
  // Created last: its equations bind to the state above.
  std::unique_ptr<TModel> model_;
};

}  // namespace zentrova
