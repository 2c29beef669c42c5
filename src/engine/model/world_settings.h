// The settings of a model: section "Main" of its world file (.wld), an INI file, with each key's default.
// A value type: the world holds one, the readers of the model and the solvers take what they use of it.
//
// Model files named here are relative to the working directory; a name equal to "current.<ext>" in any
// letter case means the world file's base name with that extension.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "engine/engine_constants.h"
#include "engine/log_sink.h"

namespace zentrova {

class TIniFile;

// The folder of a file with its trailing separator; a bare file name lies in the current folder (not in
// the root, which a lone separator would name).
std::string FolderOf(const std::string& path);

// What the LCP solver takes of the settings. The job timer and the control tree may change these while a
// run steps: the world hands out copies under its lock.
struct TLCPSettings {
  long double PivotToleranceMin = kDefaultLCPPivotToleranceMin;    // "LCPPivotToleranceMin"
  long double PivotToleranceMax = kDefaultLCPPivotToleranceMax;    // "LCPPivotToleranceMax"
  long double LexicoZeroTolerance = kDefaultLCPLexicoZeroTolerance;  // "LCPLexicoZeroTolerance"
  bool LogUnboundedRay = false;                                    // "logLCPUnboundedRay"
  bool LogMaximumIterations = false;                               // "logLCPMaxNumberOfIterations"
  ILogSink* Log = &ProgramLog();  // where a solve logs its errors and alerts: the world's sink
};

struct TWorldSettings {
  // Reads section Main of the file at `path` (already opened as `ini`). The decimal separator becomes
  // the process's at once, before any number is read. A number key whose text is no number keeps its
  // default after an alert. False after the error lines of the refused values: an empty
  // decimalSeparator or a workingDirectory on a drive letter (the keys after it are not read then); a
  // count, interval, tolerance or displacement factor that is negative or no finite number; a time step
  // or maximumPenetration that is not a finite number above 0; an integer beyond 32 bits.
  // `said`: the alerts an earlier reading of the same load has logged (see TSettingsReader).
  bool Read(const TIniFile& ini, const std::string& path, ILogSink& log,
            std::set<std::string>* said = nullptr);

  // Folder of the model files, with its trailing separator ("workingDirectory"; "current": the world
  // file's folder). A load moves it to the history directory once the model has been copied there.
  std::string WorkingDirectory;
  std::uint32_t N = kDefaultNumberOfGeneralizedCoordinates;  // "numberOfGeneralizedCoodinates"
  TLCPSettings LCP;
  long double ZeroVelocityTolerance = kDefaultZeroVelocityTolerance;  // m/s
  bool TryToSolveByGoingBack = false;
  long double MaximumTimestep = kDefaultMaximumTimestep;  // s
  long double MinimumTimestep = kDefaultMinimumTimestep;  // s
  long double MaximumPenetration = kDefaultMaximumPenetration;  // m
  long double MaximumDisplacementFactor = kDefaultMaximumDisplacementFactor;
  // "writeToHistoryMultipleOfMaximumTimestep": states are recorded this many maximum steps apart.
  std::uint32_t RecordingInterval = kDefaultRecordingInterval;
  bool WriteEachTimeStep = false;  // "writeToHistoryEachTimeStep"
  bool WriteAtCollision = false;   // "writeToHistoryAtCollision"
  std::string BreakTimeText = "1";  // "breakTime", an expression (s)
  std::size_t BreakTimeLine = 0;    // the line of the world file that gives it, 0 when none does
  // Not a key: set at creation and at every read.
  std::int32_t PointsPerBoundingBox = kPointsPerBoundingBox;
  long double WatchTextScale = kDefaultWatchTextScale;

  // For messages that name where a setting comes from: the world file read, and where it gives n
  // ("line 2 of file a.wld", or "the default of file a.wld" when it does not).
  std::string FilePath;
  std::string CoordinateCountSource;
  // The line of the world file that gives `key` (of section Main or Bodies, any letter case), 0 when
  // none does.
  std::size_t LineOf(const std::string& key) const;

  std::string ConstantsFileName;               // "constantListFile"
  std::string GeneralizedCoordinatesFileName;  // "generalizedCoordinatesFile"
  std::string DependentCoordinatesFileName;    // "dependentCoordinatesFile"
  std::string MassMatrixFileName;              // "massMatrixFile"
  std::string HVectorFileName;                 // "hVectorFile"
  std::string MechanicalEnergyFileName;        // "mechanicalEnergyFile"
  std::string ContactPropertiesFileName;       // "contactPropertiesFile"
  std::string WatchesFileName;                 // "watchesFile"

 private:
  std::map<std::string, std::size_t> key_lines_;  // lower-cased key -> line
};

}  // namespace zentrova
