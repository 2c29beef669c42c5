// The model: its settings from the world file (.wld), its bodies and constants.
//
// World file, an INI file. Section "Main" holds the settings and the names of the other model files
// (relative to the working directory; a name equal to "current.<ext>" in any letter case means the world
// file's base name with that extension); section "Bodies" lists the body files as Body1, Body2, ... up to
// the first empty or missing key.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "engine/body.h"
#include "engine/constant_list.h"
#include "engine/dependent_coordinates.h"
#include "engine/generalized_coordinates.h"

namespace zentrova {

class TGLBaseSceneObject;
class TIniFile;

// The three LCP tolerances, read together: the job timer may rewrite them while a run steps.
struct TLCPTolerances {
  long double PivotMin = 0;
  long double PivotMax = 0;
  long double LexicoZero = 0;
};

class TWorld {
 public:
  TWorld();
  TWorld(const TWorld&) = delete;
  TWorld& operator=(const TWorld&) = delete;

  // Reads the world file into the settings, the model file names and the body file names, and sets the
  // time step to maximumTimestep. False when
  // - the file is missing: "[Error] No world file found." is logged, the working directory becomes the
  //   file's folder and nothing else changes (a load goes on with the settings as they are);
  // - a value is refused (a body named "common", an empty decimalSeparator, a negative count or interval,
  //   a workingDirectory on a drive letter): its error line is logged and the keys after it are not read
  //   (the load must stop).
  bool ReadWorldFile(const std::string& path);

  TLCPTolerances LCPTolerances() const;
  void SetLCPPivotToleranceMin(long double value);
  void SetLCPPivotToleranceMax(long double value);
  void SetLCPLexicoZeroTolerance(long double value);

  std::string WorldFilePath;     // the world file read last
  std::string WorkingDirectory;  // folder of the model files, with its trailing separator
  std::string ConstantsFileName;
  std::string GeneralizedCoordinatesFileName;
  std::string DependentCoordinatesFileName;
  std::string MassMatrixFileName;
  std::string HVectorFileName;
  std::string MechanicalEnergyFileName;
  std::string ContactPropertiesFileName;
  std::string WatchesFileName;

  long double TimeStep = 0;               // current step h (s)
  long double ZeroVelocityTolerance = 0;  // m/s
  long double MaximumTimestep = 0;        // s
  long double MinimumTimestep = 0;        // s
  std::int32_t PointsPerBoundingBox = kPointsPerBoundingBox;
  long double MaximumPenetration = 0;  // m
  bool WriteEachTimeStep = false;
  bool WriteAtCollision = false;
  std::uint32_t N = 0;                  // number of generalized coordinates
  std::uint32_t RecordingInterval = 0;  // in multiples of maximumTimestep
  // Changed from the control tree and the job scheduler while a run may read them.
  std::atomic<bool> TryToSolveByGoingBack{false};
  std::atomic<bool> LogUnboundedRay{false};
  std::atomic<bool> LogMaximumIterations{false};
  std::string BreakTimeText;
  long double MaximumDisplacementFactor = 0;

  std::vector<std::string> BodyFileNames;  // the values of section Bodies, in order
  TBodyList Bodies;
  TConstantList Constants;

  // --- Equations of motion ----------------------------------------------------------------------------
  // Compiled expressions read the time and q, q', q'' by address, and body coordinates point into the
  // generalized and dependent coordinates: all of them live as long as the world and never move.
  long double Time = 0;  // time of the working state (s)
  TGeneralizedCoordinates GeneralizedCoordinates{*this};
  TDependentCoordinates DependentCoordinates{*this};
  // ------------------------------------------------------------------------------------------------------

  // The scene root under which bodies place their objects; none for a world without a window.
  TGLBaseSceneObject* SceneRoot = nullptr;

 private:
  bool ReadMain(const TIniFile& ini, const std::string& path);
  bool ReadBodies(const TIniFile& ini);

  mutable std::mutex lcp_mutex_;
  TLCPTolerances lcp_;
};

}  // namespace zentrova
