#include "engine/world.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "engine/collisions.h"
#include "engine/log.h"
#include "platform/clock.h"
#include "platform/ini_file.h"
#include "platform/message_sink.h"
#include "platform/number_text.h"
#include "platform/paths.h"
#include "platform/settings.h"
#include "platform/strings.h"
#include "platform/text_file.h"

namespace zentrova {

namespace {

const char* const kMain = "Main";
const char* const kBodies = "Bodies";

// The folder of a file with its trailing separator; a bare file name lies in the current folder (not in
// the root, which a lone separator would name).
std::string FolderOf(const std::string& path) {
  const std::string folder = ExtractFilePath(path);
  return folder.empty() ? std::string("./") : folder;
}

bool HasDriveLetter(const std::string& path) {
  const std::string text = Trim(path);
  return text.size() >= 2 && text[1] == ':' &&
         ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z'));
}

}  // namespace

TWorld::TWorld() = default;

TLCPTolerances TWorld::LCPTolerances() const {
  std::lock_guard<std::mutex> lock(lcp_mutex_);
  return lcp_;
}

void TWorld::SetLCPPivotToleranceMin(long double value) {
  std::lock_guard<std::mutex> lock(lcp_mutex_);
  lcp_.PivotMin = value;
}

void TWorld::SetLCPPivotToleranceMax(long double value) {
  std::lock_guard<std::mutex> lock(lcp_mutex_);
  lcp_.PivotMax = value;
}

void TWorld::SetLCPLexicoZeroTolerance(long double value) {
  std::lock_guard<std::mutex> lock(lcp_mutex_);
  lcp_.LexicoZero = value;
}

bool TWorld::ReadWorldFile(const std::string& path) {
  const std::string given = ToNativeSeparators(path);
  const std::string found = FindFile(given);
  if (found.empty()) {
    LogLine("[Error] No world file found.");
    WorkingDirectory = FolderOf(given);
    return false;
  }
  WorldFilePath = found;
  const TIniFile ini(found);
  if (!ReadMain(ini, found)) return false;
  TimeStep = MaximumTimestep;
  return ReadBodies(ini);
}

bool TWorld::ReadMain(const TIniFile& ini, const std::string& path) {
  // Before any number is read: every float of the file is written with this separator.
  const std::string separator = ini.ReadString(kMain, "decimalSeparator", ".");
  if (separator.empty()) {
    LogLine("[Error] decimalSeparator in wld file is empty.");
    return false;
  }
  SetDecimalSeparator(separator[0]);

  const std::string directory = ini.ReadString(kMain, "workingDirectory", "current");
  if (SameText(directory, "current")) {
    WorkingDirectory = FolderOf(path);
  } else if (HasDriveLetter(directory)) {
    LogLine("[Error] workingDirectory in wld file names a drive: " + directory +
            ". Give a folder of this system or current.");
    return false;
  } else {
    // File names are appended to it: it must end with a separator.
    WorkingDirectory = IncludeTrailingSeparator(ToNativeSeparators(directory));
  }

  const std::int32_t n =
      ini.ReadInteger(kMain, "numberOfGeneralizedCoodinates", kDefaultNumberOfGeneralizedCoordinates);
  if (n < 0) {
    LogLine("[Error] numberOfGeneralizedCoodinates in wld file is negative: " + IntToText(n) + ".");
    return false;
  }
  N = static_cast<std::uint32_t>(n);

  {
    std::lock_guard<std::mutex> lock(lcp_mutex_);
    lcp_.PivotMin = ini.ReadFloat(kMain, "LCPPivotToleranceMin", kDefaultLCPPivotToleranceMin);
    lcp_.PivotMax = ini.ReadFloat(kMain, "LCPPivotToleranceMax", kDefaultLCPPivotToleranceMax);
    lcp_.LexicoZero = ini.ReadFloat(kMain, "LCPLexicoZeroTolerance", kDefaultLCPLexicoZeroTolerance);
  }
  ZeroVelocityTolerance = ini.ReadFloat(kMain, "ZeroVelocityTolerance", kDefaultZeroVelocityTolerance);
  TryToSolveByGoingBack = ini.ReadBool(kMain, "TryToSolveByGoingBack", false);
  MaximumTimestep = ini.ReadFloat(kMain, "maximumTimestep", kDefaultMaximumTimestep);
  MinimumTimestep = ini.ReadFloat(kMain, "minimumTimestep", kDefaultMinimumTimestep);
  MaximumPenetration = ini.ReadFloat(kMain, "maximumPenetration", kDefaultMaximumPenetration);
  MaximumDisplacementFactor =
      ini.ReadFloat(kMain, "maximumDisplacementFactor", kDefaultMaximumDisplacementFactor);

  const std::int32_t interval =
      ini.ReadInteger(kMain, "writeToHistoryMultipleOfMaximumTimestep", kDefaultRecordingInterval);
  if (interval < 0) {
    LogLine("[Error] writeToHistoryMultipleOfMaximumTimestep in wld file is negative: " +
            IntToText(interval) + ".");
    return false;
  }
  RecordingInterval = static_cast<std::uint32_t>(interval);

  WriteEachTimeStep = ini.ReadBool(kMain, "writeToHistoryEachTimeStep", false);
  LogUnboundedRay = ini.ReadBool(kMain, "logLCPUnboundedRay", false);
  LogMaximumIterations = ini.ReadBool(kMain, "logLCPMaxNumberOfIterations", false);
  WriteAtCollision = ini.ReadBool(kMain, "writeToHistoryAtCollision", false);

  const std::string base = ExtractFileBaseName(path);
  auto file_name = [&](const char* key, const std::string& ext) {
    const std::string value = ini.ReadString(kMain, key, "current" + ext);
    return SameText(value, "current" + ext) ? base + ext : ToNativeSeparators(value);
  };
  ConstantsFileName = file_name("constantListFile", ".cns");
  GeneralizedCoordinatesFileName = file_name("generalizedCoordinatesFile", ".gc");
  DependentCoordinatesFileName = file_name("dependentCoordinatesFile", ".dc");
  MassMatrixFileName = file_name("massMatrixFile", ".mmx");
  HVectorFileName = file_name("hVectorFile", ".hv");
  MechanicalEnergyFileName = file_name("mechanicalEnergyFile", ".me");
  ContactPropertiesFileName = file_name("contactPropertiesFile", ".cop");
  WatchesFileName = file_name("watchesFile", ".wtc");
  BreakTimeText = ini.ReadString(kMain, "breakTime", "1");
  PointsPerBoundingBox = kPointsPerBoundingBox;

  // Only an exact 0 is replaced: a missing key already gave the default without a word.
  if (MaximumTimestep == 0) {
    MaximumTimestep = kDefaultMaximumTimestep;
    LogLine("[Alert] maximumTimestep was not found in wld file and was set to: " +
            FloatToText(MaximumTimestep) + "s.");
  }
  if (MinimumTimestep == 0) {
    MinimumTimestep = kDefaultMinimumTimestep;
    LogLine("[Alert] minimumTimestep was not found in wld file and was set to: " +
            FloatToText(MinimumTimestep) + "s.");
  }
  if (MaximumPenetration == 0) {
    MaximumPenetration = kDefaultMaximumPenetration;
    LogLine("[Alert] maximumPenetration was not found in wld file and was set to: " +
            FloatToText(MaximumPenetration) + ".");
  }
  // A negative step would run the time backwards, and a minimum that is not positive would let the
  // halving of a refused step go on for ever.
  if (!(MaximumTimestep > 0) || !std::isfinite(MaximumTimestep)) {
    LogLine("[Error] maximumTimestep in wld file must be a positive number: " + FloatToText(MaximumTimestep) +
            ".");
    return false;
  }
  if (!(MinimumTimestep > 0) || !std::isfinite(MinimumTimestep)) {
    LogLine("[Error] minimumTimestep in wld file must be a positive number: " + FloatToText(MinimumTimestep) +
            ".");
    return false;
  }
  return true;
}

bool TWorld::ReadBodies(const TIniFile& ini) {
  BodyFileNames.clear();
  for (std::int32_t k = 1;; ++k) {
    const std::string value = ini.ReadString(kBodies, "Body" + IntToText(k), "");
    // Only the whole value is refused, in any letter case: "common.bdy" is an ordinary body file.
    if (LowerCase(value) == "common") {
      LogLine("[Error] bodie can not be named 'common.'");
      return false;
    }
    if (value.empty()) return true;
    BodyFileNames.push_back(ToNativeSeparators(value));
  }
}

}  // namespace zentrova

// --- Load ----------------------------------------------------------------------------------------------

namespace zentrova {

namespace {

const char* const kInversionError = "[Error] Error in mass matrix inversion (possibly singular).";

// The number of a numbered history directory, or 0 for any other name.
std::int32_t HistoryNumber(const std::string& short_name) {
  std::int32_t number = 0;
  return TryTextToInt(short_name, number) && number >= 0 ? number : 0;
}

}  // namespace

TWorld::~TWorld() = default;

bool TWorld::Load(const std::string& path, std::string& history_name, const std::string& start_history_name) {
  if (!ReadUserWorldFile(path)) return false;
  const bool continue_history = !history_name.empty() && start_history_name.empty();
  if (!History.SelectDirectory(history_name)) return false;
  if (!ReadWorldFileAndCopyModel(path, history_name, start_history_name)) return false;

  // Without a body there is nothing to move, collide or show; a missing world file ends here too.
  if (BodyFileNames.empty()) {
    LogLine("[Error] No bodies listed in section Bodies of the world file.");
    return false;
  }
  for (const std::string& name : BodyFileNames) {
    if (!CreateBody(name)) return false;
  }
  BodyNames.clear();
  Bodies.AddNames(BodyNames);

  if (!Constants.Load(WorkingDirectory + ConstantsFileName)) return false;
  if (!GeneralizedCoordinates.Load(WorkingDirectory + GeneralizedCoordinatesFileName, N)) return false;
  if (!DependentCoordinates.Load(WorkingDirectory + DependentCoordinatesFileName)) return false;
  if (!LinkVirtualBodies()) return false;
  if (!MassMatrix.Load(WorkingDirectory + MassMatrixFileName, N)) return false;
  MassMatrixVaries = MassMatrix.TimeDependent;
  // A singular matrix does not end the load: the numerics error record it leaves stops the first step.
  InverseMassMatrix.Assign(&MassMatrix);
  if (!InverseMassMatrix.LUDInverse()) LogLine(kInversionError);
  if (!LoadHVector()) return false;
  if (!EvaluateBreakTime()) return false;
  if (!LoadMechanicalEnergy()) return false;
  ContactGeneralizedForces.Dim(N);

  TContactModel model;
  model.BodyNames = BodyNames;
  model.CoordinateNames = GeneralizedCoordinates.Names;
  model.Time = &Time;
  ContactProperties.Load(WorkingDirectory + ContactPropertiesFileName, model);
  if (!Watches.Load(WorkingDirectory + WatchesFileName, Bodies, HistoryNumber(History.ShortName))) {
    return false;
  }
  if (!History.Restart(continue_history)) return false;

  // The bodies' scene objects, the pointer, the orientation box, the axes and the camera follow here
  // once the world is shown in a window; a world without a scene has none of them.
  Update(false, false, false, false);
  return RefreshPlotWatches();
}

bool TWorld::ReadUserWorldFile(const std::string& path) {
  const bool found = !FindFile(ToNativeSeparators(path)).empty();
  const bool read = ReadWorldFile(path);
  UserWorkingDirectory = WorkingDirectory;
  UserWorldFilePath = path;
  return read || !found;
}

bool TWorld::ReadWorldFileAndCopyModel(const std::string& path, const std::string& history_name,
                                       const std::string& start_history_name) {
  if (!start_history_name.empty()) {
    // The model comes from the start history's copy, and so do its last states.
    WorkingDirectory = IncludeTrailingSeparator(UserWorkingDirectory + start_history_name);
    CopyHistoryTail(history_name, start_history_name);
  }
  if (NewHistoryDirectory && !CopyModelFiles(path)) return false;
  const std::string copy = History.Directory + ExtractFileName(ToNativeSeparators(path));
  WorkingDirectory = History.Directory;
  const bool found = !FindFile(copy).empty();
  const bool read = ReadWorldFile(copy);
  // The copy governs the run even when its workingDirectory names another folder.
  WorkingDirectory = History.Directory;
  return read || !found;
}

bool TWorld::CreateBody(const std::string& body_file_name) {
  auto body = std::make_unique<TBody>(*this);
  if (!body->Load(WorkingDirectory + body_file_name)) return false;
  Bodies.Add(std::move(body));
  return true;
}

bool TWorld::CopyModelFiles(const std::string& world_file_path) {
  const std::string destination = History.Directory;
  auto copy = [&](const std::string& source) {
    return CopyFileAndWait(source, destination, kCopyTimeoutMilliseconds);
  };
  auto copy_all = [&] {
    if (!copy(WorkingDirectory + ExtractFileName(ToNativeSeparators(world_file_path)))) return false;
    for (const std::string& body_file : BodyFileNames) {
      if (!copy(WorkingDirectory + body_file)) return false;
      std::string shape;
      if (!ReadShapeFileName(WorkingDirectory + body_file, shape)) return false;
      // A body without a shape names no outline: there is nothing to copy for it.
      if (!shape.empty() && !copy(shape)) return false;
    }
    for (const std::string* name :
         {&ConstantsFileName, &GeneralizedCoordinatesFileName, &DependentCoordinatesFileName,
          &MassMatrixFileName, &HVectorFileName, &MechanicalEnergyFileName, &ContactPropertiesFileName}) {
      if (!copy(WorkingDirectory + *name)) return false;
    }
    // A model may do without watches.
    const std::string watches = FindFile(WorkingDirectory + WatchesFileName);
    return watches.empty() || copy(watches);
  };
  if (copy_all()) return true;
  LogLine("[Error] could not copy model files to result folder.");
  return false;
}

bool TWorld::CopyFileAndWait(const std::string& source, const std::string& destination_directory,
                             std::int64_t timeout_ms) {
  const std::string found = FindFile(source);
  if (found.empty()) {
    const std::string text = "[Error] Could not copy file" + source + " to " + destination_directory + ".";
    ShowMessage(text);
    LogLine(text);
    return false;
  }
  // The copy keeps the name the model files give, whatever the letter case of the file found.
  const std::string target = IncludeTrailingSeparator(destination_directory) + ExtractFileName(source);
  bool copied = CopyFile(found, target, false);
  const std::int64_t start = MonotonicMilliseconds();
  while (copied && !FileExists(target)) {
    if (MonotonicMilliseconds() - start > timeout_ms) {
      copied = false;
      break;
    }
    SleepMilliseconds(kCopyPollMilliseconds);
  }
  if (!copied) {
    LogLine("[Error] Copying file " + source + " to " + destination_directory + " failed.");
    return false;
  }
  return true;
}

void TWorld::CopyHistoryTail(const std::string& history_name, const std::string& start_history_name) {
  const std::string from = IncludeTrailingSeparator(UserWorkingDirectory + start_history_name);
  const std::string to = IncludeTrailingSeparator(UserWorkingDirectory + history_name);
  CopyLastLines(from + "data.txt", to);
  CopyLastLines(from + "watches.txt", to);
}

void TWorld::CopyLastLines(const std::string& source, const std::string& destination_directory) {
  std::vector<std::string> lines;
  if (!FileExists(source) || !ReadTextLines(source, lines)) return;
  std::vector<std::string> last(kHistoryTailLines);
  const std::size_t have = std::min(lines.size(), kHistoryTailLines);
  std::copy(lines.end() - static_cast<std::ptrdiff_t>(have), lines.end(),
            last.end() - static_cast<std::ptrdiff_t>(have));
  const std::string target = IncludeTrailingSeparator(destination_directory) + ExtractFileName(source);
  if (!WriteTextLines(target, last)) LogLine("[Error] Could not write file " + target + ".");
}

bool TWorld::ReadShapeFileName(const std::string& body_file_path, std::string& shape_file_path) {
  const std::string found = FindFile(ToNativeSeparators(body_file_path));
  if (found.empty()) {
    LogLine("[Error] No body file found. Check working directory.");
    return false;
  }
  const TIniFile ini(found);
  const std::string shape = ToNativeSeparators(ini.ReadString(kMain, "shapeFile", ""));
  shape_file_path = shape.empty() ? std::string() : ExtractFilePath(found) + shape;
  return true;
}

bool TWorld::LinkVirtualBodies() {
  static constexpr TCoordinateComponent kLinked[] = {TCoordinateComponent::X, TCoordinateComponent::Y,
                                                     TCoordinateComponent::Rz};
  for (std::int32_t b = 0; b < Bodies.Count(); ++b) {
    TBody& body = Bodies.Items(b);
    if (body.VirtualToBody.empty()) continue;
    std::int32_t target_index = 0;
    if (!Bodies.FindByName(body.VirtualToBody, target_index)) {
      LogLine("[Error] Body " + body.Name + " is virtual to body " + body.VirtualToBody +
              ", which does not exist.");
      return false;
    }
    TBody& target = Bodies.Items(target_index);
    for (TCoordinateComponent c : kLinked) {
      const std::string key = std::string("b`") + target.Name + "`" + CoordinateComponentName(c);
      std::uint32_t k = 0;
      if (GeneralizedCoordinates.IndexOf(key, k)) {
        LinkToGeneralizedCoordinate(body.Kinematics, body.Links, c, GeneralizedCoordinates.Evaluated, k);
      } else {
        // Whatever the target's coordinate reads (its own value or a dependent one), the virtual body
        // reads the same.
        body.Kinematics.Position[c].ValuePtr = target.Kinematics.Position[c].ValuePtr;
      }
    }
  }
  return true;
}

namespace {

// Every line of a model file, and those that are not empty; false when the file is missing.
bool ReadExpressionLines(const std::string& path, std::vector<std::string>& all,
                         std::vector<std::string>& filled) {
  const std::string found = FindFile(ToNativeSeparators(path));
  if (found.empty() || !ReadTextLines(found, all)) return false;
  filled.clear();
  for (const std::string& line : all) {
    if (!line.empty()) filled.push_back(line);
  }
  return true;
}

}  // namespace

bool TWorld::LoadHVector() {
  std::vector<std::string> all;
  std::vector<std::string> filled;
  if (!ReadExpressionLines(WorkingDirectory + HVectorFileName, all, filled)) {
    LogLine("[Error] No hVector file found.");
    return false;
  }
  if (all.size() != N || filled.size() != N) {
    LogLine(
        "[Error] Number of generalizde coordinates does not match the number of generalized forces. Check "
        ".hv file. ");
    return false;
  }
  return HVector.AddExpression(filled);
}

bool TWorld::EvaluateBreakTime() {
  TExpressionList text(*this);
  text.AddExpression({BreakTimeText});
  const long double value = text.Count() > 0 ? text.Value(0) : 0;
  BreakTime = value + static_cast<long double>(RecordingInterval) * TimeStep;
  return true;
}

bool TWorld::LoadMechanicalEnergy() {
  std::vector<std::string> all;
  std::vector<std::string> filled;
  if (!ReadExpressionLines(WorkingDirectory + MechanicalEnergyFileName, all, filled)) {
    LogLine("[Error] No mechanical energy file found.");
    return false;
  }
  if (all.size() != 1 || filled.size() != 1) {
    LogLine("[Error] Mechanical energy should be writen in one line only; see .me file. ");
    return false;
  }
  if (!Energy.AddExpression(filled)) return false;
  MechanicalEnergy = Energy.Value(0);
  SavedMechanicalEnergy = MechanicalEnergy;
  return true;
}

bool TWorld::RefreshPlotWatches() {
  if (PlotWindow == nullptr || !PlotWindow->Visible()) return true;
  const std::int32_t index = PlotWindow->BodyIndex();
  if (index < 0 || index >= Bodies.Count()) {
    LogLine("[Error] The plot window shows body number " + IntToText(index) +
            ", which the model does not have.");
    return false;
  }
  PlotWindow->PlotBodyWatches(Bodies.Items(index));
  return true;
}

// --- Step state ----------------------------------------------------------------------------------------

bool TWorld::PrepareStep() {
  DependentCoordinates.Evaluate();
  Bodies.UpdateLinks();
  if (!InvertMassMatrix()) return false;
  HVector.EvaluateAll(true);
  Energy.EvaluateAll(true);
  if (Energy.Count() > 0) MechanicalEnergy = Energy.Value(0);
  return true;
}

bool TWorld::InvertMassMatrix() {
  if (!MassMatrixVaries) return true;
  MassMatrix.Evaluate();
  InverseMassMatrix.Assign(&MassMatrix);
  if (!InverseMassMatrix.LUDInverse()) {
    LogLine(kInversionError);
    return false;
  }
  return true;
}

namespace {

void CopyCoordinates(const TCoordinateList& from, TCoordinateList& to, std::uint32_t n) {
  std::copy_n(from.Q.Data(), n, to.Q.Data());
  std::copy_n(from.QDot.Data(), n, to.QDot.Data());
  std::copy_n(from.QDDot.Data(), n, to.QDDot.Data());
}

}  // namespace

bool TWorld::Update(bool advance_time, bool write_history, bool impulse_applied, bool at_collision) {
  if (write_history) WriteHistoryPointIfDue();
  // After a roll-back the two times are equal: a repeated attempt is not a new step.
  if (Time != SavedTime) TimeStepManager.CountStep();
  TGeneralizedCoordinates& gc = GeneralizedCoordinates;
  const std::uint32_t n = std::min({gc.Current.Count(), gc.Evaluated.Count(), N});
  CopyCoordinates(gc.Evaluated, gc.Current, n);
  gc.AtCollision = at_collision;
  gc.ImpulseApplied = false;
  if (impulse_applied && Collisions != nullptr) {
    const std::uint32_t m = std::min({n, gc.Values.Count(), Collisions->CoordinateValues.Count()});
    gc.ImpulseApplied = true;
    gc.Values.Zero();
    std::copy_n(Collisions->CoordinateValues.Data(), m, gc.Values.Data());
  }
  SavedMechanicalEnergy = MechanicalEnergy;
  if (advance_time) {
    SavedTime = Time;
    Time = Time + TimeStep;
  }
  return true;
}

bool TWorld::RestoreSavedState(bool restore_time) {
  if (Time == 0) return true;
  TGeneralizedCoordinates& gc = GeneralizedCoordinates;
  const std::uint32_t n = std::min({gc.Current.Count(), gc.Evaluated.Count(), N});
  CopyCoordinates(gc.Current, gc.Evaluated, n);
  // The saved velocities carry the jump of the impact accepted with them; the retry solves it anew.
  if (gc.ImpulseApplied) {
    const std::uint32_t m = std::min(n, gc.Values.Count());
    for (std::uint32_t i = 0; i < m; ++i) gc.Evaluated.QDot.Data()[i] -= gc.Values.Data()[i];
  }
  gc.AtCollision = false;
  gc.ImpulseApplied = false;
  MechanicalEnergy = SavedMechanicalEnergy;
  if (restore_time) Time = SavedTime;
  return true;
}

bool TWorld::WriteHistoryPointIfDue() {
  const long double half = MinimumTimestep / 2;
  if (SavedTime < 0) return false;
  const std::uint32_t points = History.Points.Count();
  const long double last = points > 0 ? History.Points.Items(points - 1).Time : 0;
  if (StoredStateCount > 0 && points > 0 && !WriteEachTimeStep && !WriteAtCollision &&
      SavedTime < last + static_cast<long double>(RecordingInterval) * MaximumTimestep - half) {
    return true;
  }
  if (points > 0) {
    if (WriteAtCollision && !GeneralizedCoordinates.AtCollision) return false;
    if (!(SavedTime > last)) return false;
  }
  auto point = std::make_unique<TGeneralizedCoordinatesHistory>(N);
  const std::uint32_t n = std::min(N, GeneralizedCoordinates.Current.Count());
  CopyCoordinates(GeneralizedCoordinates.Current, point->Coordinates, n);
  point->Time = SavedTime;
  point->MechanicalEnergy = SavedMechanicalEnergy;
  History.WriteStep(std::move(point));
  StoredStateCount = History.Points.Count();
  CurrentState = StoredStateCount - 1;
  return true;
}

bool TWorld::RestoreHistoryPoint(bool update_first, bool reset_time_step) {
  if (update_first) Update(true, false, false, false);
  if (reset_time_step) TimeStepManager.Reset();
  if (CurrentState >= History.Points.Count()) return true;
  const TGeneralizedCoordinatesHistory& point = History.Points.Items(CurrentState);
  const std::uint32_t n = std::min({N, point.Coordinates.Count(), GeneralizedCoordinates.Evaluated.Count()});
  CopyCoordinates(point.Coordinates, GeneralizedCoordinates.Evaluated, n);
  Time = point.Time;
  MechanicalEnergy = point.MechanicalEnergy;
  return true;
}

bool TWorld::MaxStepDisplacement(long double& displacement) const {
  displacement = 0;
  for (std::int32_t b = 0; b < Bodies.Count(); ++b) {
    const TBody& body = Bodies.Items(b);
    if (!body.HasShape) continue;
    const TCoordinates& v = body.Kinematics.Velocity;
    const long double rotational = std::fabs(body.Radius * v.Rz.Get() * TimeStep);
    const long double translational = std::hypot(v.X.Get(), v.Y.Get()) * TimeStep;
    const long double candidate = (std::fabs(translational) + rotational) * body.MaximumDisplacementFactor;
    displacement = std::max(displacement, candidate);
  }
  return true;
}

}  // namespace zentrova
