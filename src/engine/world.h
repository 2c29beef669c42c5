// The model: its settings from the world file (.wld), its bodies, constants and equations of motion,
// its contact properties and watches, and its history; the load sequence that turns a world file and its
// model files into a ready model recording into its own history directory; and the two copies of the
// dynamic state that a step moves between.
//
// World file, an INI file. Section "Main" holds the settings and the names of the other model files
// (relative to the working directory; a name equal to "current.<ext>" in any letter case means the world
// file's base name with that extension); section "Bodies" lists the body files as Body1, Body2, ... up to
// the first empty or missing key.
//
// State: the working state (q, q', q'' of GeneralizedCoordinates.Evaluated, Time, MechanicalEnergy) is
// what a step computes into and what the model is evaluated at; the saved state (GeneralizedCoordinates.
// Current, SavedTime, SavedMechanicalEnergy) is the start of the current step, to which a refused step
// rolls back. A history point recorded in a step is the saved state before that step, i.e. the start of
// the previous accepted step.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "engine/body.h"
#include "engine/constant_list.h"
#include "engine/contact_properties.h"
#include "engine/contact_watches.h"
#include "engine/dependent_coordinates.h"
#include "engine/engine_constants.h"
#include "engine/expression_list.h"
#include "engine/generalized_coordinates.h"
#include "engine/history.h"
#include "engine/mass_matrix.h"
#include "engine/time_step.h"
#include "numerics/float_list.h"
#include "numerics/matrix.h"

namespace zentrova {

class TCollisions;
class TGLBaseSceneObject;
class TIniFile;

// The three LCP tolerances, read together: the job timer may rewrite them while a run steps.
struct TLCPTolerances {
  long double PivotMin = 0;
  long double PivotMax = 0;
  long double LexicoZero = 0;
};

// The plot window of the contact watches as a load refreshes it; the program implements it.
class IPlotWindow {
 public:
  virtual ~IPlotWindow() = default;
  virtual bool Visible() const = 0;
  // The index of the body whose watches the window shows (it may be left from an earlier model).
  virtual std::int32_t BodyIndex() const = 0;
  virtual void PlotBodyWatches(TBody& body) = 0;
};

class TWorld : public IHistoryWorld {
 public:
  TWorld();
  ~TWorld() override;
  TWorld(const TWorld&) = delete;
  TWorld& operator=(const TWorld&) = delete;

  // --- Load ------------------------------------------------------------------------------------------

  // The whole load: the user's world file, the history directory (a new numbered one when
  // `history_name` is empty, whose name is handed back; else the existing one it names), the model
  // copied into a new history directory and read from there, the bodies, constants, coordinates,
  // equations, contact properties and watches, and what the history already holds. `start_history_name`,
  // when not empty, names a history whose model and last states a new history starts from. False after
  // the failing step's error line; what was loaded stays. An expression that does not compile raises
  // the parser's exception.
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
  // Copies every model file from the working directory into the history directory: the world file, each
  // body file and its outline, the constants, coordinates, mass matrix, generalized forces, energy and
  // contact properties files, and the watches file when there is one. False after "[Error] could not
  // copy model files to result folder." at the first file that could not be copied.
  bool CopyModelFiles(const std::string& world_file_path);
  // Copies one file into a folder under the same name and waits until the copy can be seen there. False,
  // after "[Error] Could not copy file<source> to <folder>." in a message box and the log, when the
  // source is missing; false after "[Error] Copying file<source> to <folder> failed." when the copy could
  // not be made or has not appeared within the time-out.
  bool CopyFileAndWait(const std::string& source, const std::string& destination_directory,
                       std::int64_t timeout_ms);
  // The last lines of the start history's data.txt and watches.txt become those of this load's history.
  void CopyHistoryTail(const std::string& history_name, const std::string& start_history_name);
  // Writes the last kHistoryTailLines lines of a file, oldest first and missing ones empty, as the whole
  // content of a file of the same name in the folder. A missing source writes nothing.
  void CopyLastLines(const std::string& source, const std::string& destination_directory);
  // The outline file a body file names (its shapeFile in the body file's folder); "" when it names none.
  // False after "[Error] No body file found. Check working directory." when the body file is missing.
  bool ReadShapeFileName(const std::string& body_file_path, std::string& shape_file_path);
  // Ties the x, y and Rz of every body that is virtual to another to that body's coordinates. False
  // after an error line when the other body does not exist.
  bool LinkVirtualBodies();
  // The generalized forces h, one expression per line; n lines, blank ones counted.
  bool LoadHVector();
  // breakTime := the breakTime expression plus one recording interval. Always true.
  bool EvaluateBreakTime();
  // The mechanical energy, one expression line.
  bool LoadMechanicalEnergy();
  // Re-plots the watches of the body the plot window shows. False after an error line when the window
  // shows a body the model does not have.
  bool RefreshPlotWatches();

  // --- Step state ------------------------------------------------------------------------------------

  // Evaluates the model at the working state: dependent coordinates, the bodies' links, the inverse
  // mass matrix when it varies, the generalized forces and the energy. False when the inversion failed.
  bool PrepareStep();
  // Re-evaluates and re-inverts M when it varies. False after "[Error] Error in mass matrix inversion
  // (possibly singular)." when it is singular.
  bool InvertMassMatrix();
  // The start of a step is accepted: the history may record the saved state, the saved state takes the
  // working one (with the impact's velocity jump when `impulse_applied`), and with `advance_time` the
  // time moves on by one time step. Always true.
  bool Update(bool advance_time, bool write_history, bool impulse_applied, bool at_collision);
  // Back to the saved state, the velocity jump of an impact at it taken off again. Nothing happens at
  // time 0. Always true.
  bool RestoreSavedState(bool restore_time);
  // Records the saved state as a history point when it is due. False when no point was due for a reason
  // other than the recording interval (negative time, not at a collision, not later than the last).
  bool WriteHistoryPointIfDue();
  // The history point at CurrentState becomes the working state, after an Update when `update_first`;
  // with `reset_time_step` the time step goes back to maximumTimestep. Always true.
  bool RestoreHistoryPoint(bool update_first, bool reset_time_step);
  // The largest displacement of a body with a shape within one time step, each scaled by the body's
  // displacement factor (m). Always true.
  bool MaxStepDisplacement(long double& displacement) const;

  // --- Settings ---------------------------------------------------------------------------------------

  // Reads the world file into the settings, the model file names and the body file names, and sets the
  // time step to maximumTimestep. False when
  // - the file is missing: "[Error] No world file found." is logged, the working directory becomes the
  //   file's folder and nothing else changes (a load goes on with the settings as they are);
  // - a value is refused (a body named "common", an empty decimalSeparator, a negative count or interval,
  //   a negative minimumTimestep or maximumTimestep, a workingDirectory on a drive letter): its error
  //   line is logged and the keys after it are not read (the load must stop).
  bool ReadWorldFile(const std::string& path);

  TLCPTolerances LCPTolerances() const;
  void SetLCPPivotToleranceMin(long double value);
  void SetLCPPivotToleranceMax(long double value);
  void SetLCPLexicoZeroTolerance(long double value);

  // --- IHistoryWorld ------------------------------------------------------------------------------------

  std::string HistoryBaseDirectory() const override { return WorkingDirectory; }
  std::string KeptHistoryBaseDirectory() const override { return UserWorkingDirectory; }
  void MarkNewHistoryDirectory() override { NewHistoryDirectory = true; }
  std::uint32_t GeneralizedCoordinateCount() const override { return N; }
  std::vector<std::string> GeneralizedCoordinateNames() const override {
    return GeneralizedCoordinates.Names;
  }
  std::uint32_t StoredStates() const override { return StoredStateCount; }
  void SetStoredStates(std::uint32_t count) override { StoredStateCount = count; }
  void SetCurrentState(std::uint32_t index) override { CurrentState = index; }
  // A history read back starts at the state the history selected.
  void RestoreHistoryPoint() override { RestoreHistoryPoint(false, false); }
  TContactWatches* ContactWatches() override { return &Watches; }

  std::string WorldFilePath;         // the world file read last (after the copy: the copy)
  std::string UserWorldFilePath;     // the path the user or the job gave
  std::string UserWorkingDirectory;  // the working directory of the user's world file: holds the histories
  std::string WorkingDirectory;      // folder of the model files, with its trailing separator
  std::string ConstantsFileName;
  std::string GeneralizedCoordinatesFileName;
  std::string DependentCoordinatesFileName;
  std::string MassMatrixFileName;
  std::string HVectorFileName;
  std::string MechanicalEnergyFileName;
  std::string ContactPropertiesFileName;
  std::string WatchesFileName;

  // Compiled expressions read the time by address: it lives as long as the world and never moves.
  long double Time = 0;                   // time of the working state (s)
  long double SavedTime = 0;              // time of the saved state (s)
  long double TimeStep = 0;               // current step h (s)
  long double MechanicalEnergy = 0;       // of the working state (J)
  long double SavedMechanicalEnergy = 0;  // of the saved state (J)
  long double ZeroVelocityTolerance = 0;  // m/s
  long double MaximumTimestep = 0;        // s
  long double MinimumTimestep = 0;        // s
  std::int32_t PointsPerBoundingBox = kPointsPerBoundingBox;
  long double MaximumPenetration = 0;  // m
  bool WriteEachTimeStep = false;
  bool WriteAtCollision = false;
  std::uint32_t StoredStateCount = 0;   // states in the history
  std::uint32_t CurrentState = 0;       // index of the state shown or continued from
  std::uint32_t N = 0;                  // number of generalized coordinates
  std::uint32_t RecordingInterval = 0;  // in multiples of maximumTimestep
  // This load created its history directory: the driver removes it again when nothing was recorded.
  bool NewHistoryDirectory = false;
  // Changed from the control tree and the job scheduler while a run may read them.
  std::atomic<bool> TryToSolveByGoingBack{false};
  std::atomic<bool> LogUnboundedRay{false};
  std::atomic<bool> LogMaximumIterations{false};
  long double BreakTime = 0;  // the breakTime expression plus one recording interval (s)
  std::string BreakTimeText;
  long double MaximumDisplacementFactor = 0;
  long double WatchTextScale = kDefaultWatchTextScale;

  std::vector<std::string> BodyFileNames;  // the values of section Bodies, in order
  std::vector<std::string> BodyNames;      // the bodies' names in body order, once they are loaded
  TBodyList Bodies;
  TConstantList Constants;

  // --- Equations of motion ----------------------------------------------------------------------------
  // Compiled expressions read q, q', q'' by address, and body coordinates point into the generalized
  // and dependent coordinates: all of them live as long as the world and never move.
  TGeneralizedCoordinates GeneralizedCoordinates{*this};
  TDependentCoordinates DependentCoordinates{*this};
  TMassMatrix MassMatrix{*this};
  TSqrMatrix InverseMassMatrix;
  // M depends on time or state: it is re-evaluated and re-inverted before every step.
  bool MassMatrixVaries = false;
  TExpressionList HVector{*this};       // the generalized forces h, n values
  TExpressionList Energy{*this};        // the mechanical energy, one value
  TFloatList ContactGeneralizedForces;  // n values, zeroed before each contact step
  // ------------------------------------------------------------------------------------------------------

  TContactProperties ContactProperties;
  TContactWatches Watches;
  THistory History{*this};
  TTimeStepManaging TimeStepManager{*this};

  // The driver's collision handler, whose velocity jump an accepted impact state keeps; none in a world
  // that never meets a contact.
  TCollisions* Collisions = nullptr;
  // The scene root under which bodies place their objects; none for a world without a window.
  TGLBaseSceneObject* SceneRoot = nullptr;
  IPlotWindow* PlotWindow = nullptr;

 private:
  bool ReadMain(const TIniFile& ini, const std::string& path);
  bool ReadBodies(const TIniFile& ini);

  mutable std::mutex lcp_mutex_;
  TLCPTolerances lcp_;
};

}  // namespace zentrova
