#include "engine/world/world.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>

#include "engine/model/model_text.h"
#include "engine/record/log.h"
#include "engine/world/model.h"
#include "numerics/expression_words.h"
#include "platform/clock.h"
#include "platform/exponent_text.h"
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

// The name a model file takes in the history directory: its name relative to the working directory.
// A name that is absolute or climbs out of the working directory is read from where it is even after
// the copy; its copy lies in the history directory itself, as a record of the run.
std::string CopyName(const std::string& name) {
  const std::filesystem::path path(name);
  const bool climbs = std::any_of(path.begin(), path.end(), [](const auto& part) { return part == ".."; });
  return path.is_absolute() || climbs ? ExtractFileName(name) : name;
}

// The number of a numbered history directory, or 0 for any other name.
std::int32_t HistoryNumber(const std::string& short_name) {
  std::int32_t number = 0;
  return TryTextToInt(short_name, number) && number >= 0 ? number : 0;
}

}  // namespace

TModel::TModel(IHistoryWorld& world, TStepState& state, const std::uint32_t& coordinate_count, ILogSink& log,
               IMessageSink* messages)
    : Constants(log, messages),
      ExpressionNames(Binding),
      GeneralizedCoordinates(Binding),
      DependentCoordinates(Binding),
      MassMatrix(Binding),
      HVector(Binding),
      Energy(Binding),
      Watches(log),
      History(world, log) {
  Binding.Bodies = &Bodies;
  Binding.BodyFileNames = &BodyFileNames;
  Binding.Constants = &Constants;
  Binding.Coordinates = &GeneralizedCoordinates;
  Binding.Names = &ExpressionNames;
  Binding.State = &state;
  Binding.CoordinateCount = &coordinate_count;
  Binding.Log = &log;
  Binding.Messages = messages;
}

TWorld::TWorld(ILogSink& log, IMessageSink* messages)
    : log_(log),
      messages_(messages),
      model_(std::make_unique<TModel>(*this, State, Settings.N, log, messages)) {
  model_->Binding.CoordinateCountSource = &Settings.CoordinateCountSource;
}

TWorld::~TWorld() = default;

TLCPSettings TWorld::LCPSettings() const {
  std::lock_guard<std::mutex> lock(settings_mutex_);
  TLCPSettings settings = Settings.LCP;
  settings.Log = &log_;
  return settings;
}

void TWorld::SetLCPPivotToleranceMin(long double value) {
  std::lock_guard<std::mutex> lock(settings_mutex_);
  Settings.LCP.PivotToleranceMin = value;
}

void TWorld::SetLCPPivotToleranceMax(long double value) {
  std::lock_guard<std::mutex> lock(settings_mutex_);
  Settings.LCP.PivotToleranceMax = value;
}

void TWorld::SetLCPLexicoZeroTolerance(long double value) {
  std::lock_guard<std::mutex> lock(settings_mutex_);
  Settings.LCP.LexicoZeroTolerance = value;
}

void TWorld::SetLogLCPUnboundedRay(bool value) {
  std::lock_guard<std::mutex> lock(settings_mutex_);
  Settings.LCP.LogUnboundedRay = value;
}

void TWorld::SetLogLCPMaximumIterations(bool value) {
  std::lock_guard<std::mutex> lock(settings_mutex_);
  Settings.LCP.LogMaximumIterations = value;
}

void TWorld::SetHistorySaving(bool each_time_step, bool at_collision) {
  std::lock_guard<std::mutex> lock(settings_mutex_);
  Settings.WriteEachTimeStep = each_time_step;
  Settings.WriteAtCollision = at_collision;
}

bool TWorld::TryToSolveByGoingBack() const {
  std::lock_guard<std::mutex> lock(settings_mutex_);
  return Settings.TryToSolveByGoingBack;
}

void TWorld::SetTryToSolveByGoingBack(bool value) {
  std::lock_guard<std::mutex> lock(settings_mutex_);
  Settings.TryToSolveByGoingBack = value;
}

std::vector<std::string> TWorld::GeneralizedCoordinateNames() const {
  return model_->GeneralizedCoordinates.Names;
}

TContactWatches* TWorld::ContactWatches() {
  return &model_->Watches;
}

bool TWorld::ReadWorldFile(const std::string& path) {
  const std::string given = ToNativeSeparators(path);
  const std::string found = FindFile(given);
  if (found.empty()) {
    log_.AddLine(WithPlace("[Error] No world file found.", given));
    WorkingDirectory = FolderOf(given);
    return false;
  }
  WorldFilePath = found;
  const TIniFile ini(found);
  if (!AcceptNulFreeText(ini.FirstLineWithNul(), found, log_)) return false;
  {
    // The run-time values among the settings are written under the lock that their readers take.
    std::lock_guard<std::mutex> lock(settings_mutex_);
    const bool read = Settings.Read(ini, found, log_, &load_alerts_);
    WorkingDirectory = Settings.WorkingDirectory;
    if (!read) return false;
  }
  return ReadBodies(ini);
}

bool TWorld::ReadBodies(const TIniFile& ini) {
  std::vector<std::string>& names = model_->BodyFileNames;
  names.clear();
  for (std::int32_t k = 1;; ++k) {
    const std::string key = "Body" + IntToText(k);
    const std::string value = ini.ReadString(kBodies, key, "");
    // Only the whole value is refused, in any letter case: "common.bdy" is an ordinary body file.
    if (LowerCase(value) == "common") {
      log_.AddLine(WithPlace("[Error] bodie can not be named 'common.'", ini.FileName(), ini.LineOf(kBodies, key),
                             key + "=" + value));
      return false;
    }
    if (value.empty()) return true;
    names.push_back(ToNativeSeparators(value));
  }
}

// --- Load ----------------------------------------------------------------------------------------------

bool TWorld::Load(const std::string& path, std::string& history_name, const std::string& start_history_name) {
  TModel& m = *model_;
  if (!ReadUserWorldFile(path)) return false;
  const bool continue_history = !history_name.empty() && start_history_name.empty();
  if (!m.History.SelectDirectory(history_name)) {
    // The user must hear why the history chosen cannot be recorded into, not only the log.
    if (!m.History.RefusedLine.empty()) ShowMessageVia(messages_, m.History.RefusedLine);
    return false;
  }
  // A run killed while it copied the model left part of it: continued, the history would run another
  // model than the one it recorded (a contact properties file of 0 bytes has no contact pairs).
  if (continue_history && !THistory::ModelCopyComplete(m.History.Directory)) {
    RefuseIncompleteCopy(m.History.Directory, "the history cannot be continued");
    return false;
  }
  if (!ReadWorldFileAndCopyModel(path, history_name, start_history_name)) return false;
  BuildControlTree();

  // Without a body there is nothing to move, collide or show; a missing world file ends here too.
  if (m.BodyFileNames.empty()) {
    // A missing world file has been named already.
    log_.AddLine(WorldFilePath.empty() ? std::string("[Error] No bodies listed in section Bodies of the world file.")
                                       : "[Error] No bodies listed in section Bodies of world file " +
                                             ExtractFileName(WorldFilePath) + ".");
    return false;
  }
  for (const std::string& name : m.BodyFileNames) {
    if (!CreateBody(name)) return false;
  }
  m.BodyNames.clear();
  m.Bodies.AddNames(m.BodyNames);

  const TWorldSettings& s = Settings;
  const std::string& dir = WorkingDirectory;
  if (!m.Constants.Load(dir + s.ConstantsFileName)) return false;
  if (!m.GeneralizedCoordinates.Load(dir + s.GeneralizedCoordinatesFileName, s.N)) return false;
  if (!m.DependentCoordinates.Load(dir + s.DependentCoordinatesFileName)) return false;
  if (!LinkVirtualBodies()) return false;
  if (!m.MassMatrix.Load(dir + s.MassMatrixFileName, s.N)) return false;
  m.MassMatrixVaries = m.MassMatrix.TimeDependent;
  // A singular matrix does not end the load: the numerics error record it leaves stops the first step.
  if (!InvertEvaluatedMassMatrix()) log_.AddLine(WithPlace(kMassMatrixInversionError, s.MassMatrixFileName));
  if (!LoadHVector()) return false;
  if (!EvaluateBreakTime()) return false;
  if (!LoadMechanicalEnergy()) return false;

  TContactModel contact_model;
  contact_model.Log = &log_;
  contact_model.BodyNames = m.BodyNames;
  contact_model.CoordinateNames = m.GeneralizedCoordinates.Names;
  contact_model.Time = &State.Time;
  try {
    if (!m.ContactProperties.Load(dir + s.ContactPropertiesFileName, contact_model)) return false;
  } catch (const EParserException& e) {
    // A coefficient that does not compile: its message names its line of the file.
    log_.AddLine("[Error] " + e.Message());
    return false;
  }
  if (!m.Watches.Load(dir + s.WatchesFileName, m.Bodies, HistoryNumber(m.History.ShortName))) return false;
  if (!m.History.Restart(continue_history)) return false;

  RefreshBodies();
  CreatePointer();
  CreateOrientationBox();
  CreateAxesNodes();
  PlaceCameraAndLights();
  Update(false, false, nullptr, false);
  return RefreshPlotWatches();
}

bool TWorld::ReadUserWorldFile(const std::string& path) {
  load_alerts_.clear();
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
    if (DirectoryExists(WorkingDirectory) && !THistory::ModelCopyComplete(WorkingDirectory)) {
      RefuseIncompleteCopy(WorkingDirectory, "no history can start from it");
      return false;
    }
    if (!CopyHistoryTail(history_name, start_history_name)) return false;
  }
  THistory& history = model_->History;
  if (NewHistoryDirectory && (!CopyModelFiles(path, history.Directory) || !history.ModelCopied())) {
    return false;
  }
  const std::string copy = model_->History.Directory + ExtractFileName(ToNativeSeparators(path));
  WorkingDirectory = model_->History.Directory;
  const bool found = !FindFile(copy).empty();
  const bool read = ReadWorldFile(copy);
  // The copy governs the run even when its workingDirectory names another folder.
  WorkingDirectory = model_->History.Directory;
  return read || !found;
}

bool TWorld::CreateBody(const std::string& body_file_name) {
  auto body = std::make_unique<TBody>(Settings, log_);
  if (!body->Load(WorkingDirectory + body_file_name)) return false;
  TBodyList& bodies = model_->Bodies;
  const std::int32_t index = bodies.Count();
  if (View != nullptr) body->BuildSceneObjects(*View, index);
  if (ControlTree != nullptr) body->AddTreeNodes(*ControlTree, BodiesNode);
  bodies.Add(std::move(body));
  return true;
}

void TWorld::RefuseIncompleteCopy(const std::string& directory, const std::string& consequence) {
  const std::string line =
      "[Error] The model copy in history directory " + directory + " is incomplete; " + consequence + ".";
  // The log first: a box that repeats its last line is not logged a second time where boxes become lines.
  log_.AddLine(line);
  ShowMessageVia(messages_, line);
}

bool TWorld::CopyModelFiles(const std::string& world_file_path, const std::string& destination) {
  const std::string& from = WorkingDirectory;
  // Each file keeps its name relative to the working directory, so that the copy is read under the
  // name the model gives it.
  const TWorldSettings& s = Settings;
  // Where the file that could not be copied is named, for the error line: the key of the world or body
  // file that gives its name.
  std::string named_in;
  std::size_t named_line = 0;
  std::string named_key;
  auto named = [&](const std::string& file, const std::string& key, std::size_t line) {
    named_in = file;
    named_key = key;
    named_line = line;
  };
  // A file that is there but could not be copied (a full disk) has said why: where it is named is no matter.
  bool copy_failed = false;
  auto copy_file = [&](const std::string& source, const std::string& target_name) {
    const bool copied = CopyFileAndWait(source, destination, kCopyTimeoutMilliseconds, target_name);
    copy_failed = !copied && !FindFile(source).empty();
    return copied;
  };
  auto copy = [&](const std::string& name) { return copy_file(from + name, CopyName(name)); };
  auto copy_path = [&](const std::string& path) {
    if (path.compare(0, from.size(), from) == 0) return copy(path.substr(from.size()));
    return copy_file(path, "");
  };
  auto copy_all = [&] {
    if (!copy(ExtractFileName(ToNativeSeparators(world_file_path)))) return false;
    for (std::size_t k = 0; k < model_->BodyFileNames.size(); ++k) {
      const std::string& body_file = model_->BodyFileNames[k];
      const std::string key = "Body" + IntToText(static_cast<std::int64_t>(k) + 1);
      named(s.FilePath, key, s.LineOf(key));
      if (!copy(body_file)) return false;
      std::string shape;
      std::size_t shape_line = 0;
      if (!ReadShapeFileName(from + body_file, shape, &shape_line)) return false;
      named(from + body_file, "shapeFile", shape_line);
      // A body without a shape names no outline: there is nothing to copy for it.
      if (!shape.empty() && !copy_path(shape)) return false;
    }
    const std::pair<const std::string*, const char*> files[] = {
        {&s.ConstantsFileName, "constantListFile"},
        {&s.GeneralizedCoordinatesFileName, "generalizedCoordinatesFile"},
        {&s.DependentCoordinatesFileName, "dependentCoordinatesFile"},
        {&s.MassMatrixFileName, "massMatrixFile"},
        {&s.HVectorFileName, "hVectorFile"},
        {&s.MechanicalEnergyFileName, "mechanicalEnergyFile"},
        {&s.ContactPropertiesFileName, "contactPropertiesFile"}};
    for (const auto& [name, key] : files) {
      named(s.FilePath, key, s.LineOf(key));
      if (!copy(*name)) return false;
    }
    named(s.FilePath, "watchesFile", s.LineOf("watchesFile"));
    // A model may do without watches.
    return FindFile(from + s.WatchesFileName).empty() || copy(s.WatchesFileName);
  };
  if (copy_all()) return true;
  std::string line = "[Error] could not copy model files to result folder.";
  if (!named_in.empty() && !copy_failed) {
    // A name the file does not give is the default one: the world file's base name with the extension.
    line = named_line != 0 ? WithPlace(line, named_in, named_line, "the file named by " + named_key)
                           : WithPlace(line, named_in, 0, named_key + " is not given, so its default is read");
  }
  log_.AddLine(line);
  return false;
}

bool TWorld::CopyFileAndWait(const std::string& source, const std::string& destination_directory,
                             std::int64_t timeout_ms, const std::string& target_name) {
  const std::string found = FindFile(source);
  if (found.empty()) {
    const std::string text =
        "[Error] Could not copy file" + EchoedText(source) + " to " + destination_directory + ".";
    log_.AddLine(text);
    ShowMessageVia(messages_, text);
    return false;
  }
  // The copy keeps the name the model files give, whatever the letter case of the file found.
  const std::string target = IncludeTrailingSeparator(destination_directory) +
                             (target_name.empty() ? ExtractFileName(source) : target_name);
  const std::string folder = ExtractFilePath(target);
  int error = 0;
  bool copied = (folder.empty() || ForceDirectories(folder)) && CopyFile(found, target, false, &error);
  const std::int64_t start = MonotonicMilliseconds();
  while (copied && !FileExists(target)) {
    if (MonotonicMilliseconds() - start > timeout_ms) {
      copied = false;
      break;
    }
    SleepMilliseconds(kCopyPollMilliseconds);
  }
  if (!copied) {
    log_.AddLine("[Error] Copying file " + source + " to " + destination_directory + " failed" +
                 ReasonText(error) + ".");
    return false;
  }
  return true;
}

bool TWorld::CopyHistoryTail(const std::string& history_name, const std::string& start_history_name) {
  const std::string from = IncludeTrailingSeparator(UserWorkingDirectory + start_history_name);
  const std::string to = IncludeTrailingSeparator(UserWorkingDirectory + history_name);
  // Only whole records, matched by their times: the start history may have been killed while recording,
  // or another run may be recording into it now.
  std::vector<std::string> data;
  std::vector<std::string> watches;
  if (!THistory::ReadRecordLines(from, data, watches, log_)) return false;
  if (FileExists(from + "data.txt")) WriteLastLines(data, to + "data.txt");
  if (FileExists(from + "watches.txt")) WriteLastLines(watches, to + "watches.txt");
  return true;
}

void TWorld::WriteLastLines(const std::vector<std::string>& lines, const std::string& target) {
  std::vector<std::string> last(kHistoryTailLines);
  const std::size_t have = std::min(lines.size(), kHistoryTailLines);
  std::copy(lines.end() - static_cast<std::ptrdiff_t>(have), lines.end(),
            last.end() - static_cast<std::ptrdiff_t>(have));
  if (!WriteTextLines(target, last)) log_.AddLine("[Error] Could not write file " + target + ".");
}

bool TWorld::ReadShapeFileName(const std::string& body_file_path, std::string& shape_file_path,
                               std::size_t* line) {
  const std::string found = FindFile(ToNativeSeparators(body_file_path));
  if (found.empty()) {
    log_.AddLine(WithPlace("[Error] No body file found. Check working directory.", body_file_path));
    return false;
  }
  const TIniFile ini(found);
  if (!AcceptNulFreeText(ini.FirstLineWithNul(), found, log_)) return false;
  if (line != nullptr) *line = ini.LineOf(kMain, "shapeFile");
  const std::string shape = ToNativeSeparators(ini.ReadString(kMain, "shapeFile", ""));
  shape_file_path = shape.empty() ? std::string() : ExtractFilePath(found) + shape;
  return true;
}

bool TWorld::LinkVirtualBodies() {
  static constexpr TCoordinateComponent kLinked[] = {TCoordinateComponent::X, TCoordinateComponent::Y,
                                                     TCoordinateComponent::Rz};
  TBodyList& bodies = model_->Bodies;
  for (std::int32_t b = 0; b < bodies.Count(); ++b) {
    TBody& body = bodies.Items(b);
    if (body.VirtualToBody.empty()) continue;
    std::int32_t target_index = 0;
    if (!bodies.FindByName(body.VirtualToBody, target_index)) {
      // Bodies are listed in the order of their files: this one's file is the b-th.
      const auto k = static_cast<std::size_t>(b);
      const std::string file =
          k < model_->BodyFileNames.size() ? WorkingDirectory + model_->BodyFileNames[k] : std::string();
      const std::string line = "[Error] Body " + body.Name + " is virtual to body " + body.VirtualToBody +
                               ", which does not exist.";
      log_.AddLine(file.empty() ? line
                                : WithPlace(line, file, TIniFile(FindFile(file)).LineOf(kMain, "virtualToBody")));
      return false;
    }
    TBody& target = bodies.Items(target_index);
    for (TCoordinateComponent c : kLinked) {
      const std::string key = std::string("b`") + target.Name + "`" + CoordinateComponentName(c);
      std::uint32_t k = 0;
      if (model_->GeneralizedCoordinates.IndexOf(key, k)) {
        LinkToGeneralizedCoordinate(body.Kinematics, body.Links, c, State.Evaluated, k);
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

enum class TLinesRead : std::uint8_t { Read, Missing, Refused };

// Every line of a model file, and those that are not empty. Missing when the file is missing, Refused
// after the error line when a line holds a NUL byte.
TLinesRead ReadExpressionLines(const std::string& path, std::vector<std::string>& all,
                               std::vector<std::string>& filled, ILogSink& log) {
  const std::string found = FindFile(ToNativeSeparators(path));
  if (found.empty() || !ReadTextLines(found, all)) return TLinesRead::Missing;
  if (!AcceptNulFreeText(FirstLineWithNul(all), found, log)) return TLinesRead::Refused;
  filled.clear();
  for (const std::string& line : all) {
    if (!line.empty()) filled.push_back(line);
  }
  return TLinesRead::Read;
}

}  // namespace

bool TWorld::LoadHVector() {
  std::vector<std::string> all;
  std::vector<std::string> filled;
  const TLinesRead read =
      ReadExpressionLines(WorkingDirectory + Settings.HVectorFileName, all, filled, log_);
  const std::string path = WorkingDirectory + Settings.HVectorFileName;
  if (read == TLinesRead::Missing) log_.AddLine(WithPlace("[Error] No hVector file found.", path));
  if (read != TLinesRead::Read) return false;
  if (all.size() != Settings.N || filled.size() != Settings.N) {
    const std::string line =
        "[Error] Number of generalizde coordinates does not match the number of generalized forces. Check "
        ".hv file. ";
    // The count of lines, or with the right count the blank line that holds no force.
    if (all.size() != Settings.N) {
      log_.AddLine(
          AppendSentence(line, CountMismatch(path, all.size(), "line", Settings.N, Settings.CoordinateCountSource)));
    } else {
      const auto blank = std::find(all.begin(), all.end(), std::string());
      log_.AddLine(WithPlace(line, path, static_cast<std::size_t>(blank - all.begin()) + 1, "a blank line"));
    }
    return false;
  }
  // Every line counted and none blank: force i stands on line i + 1.
  return model_->HVector.AddExpression(filled,
                                       TLineSource::Consecutive(Settings.HVectorFileName, 1, filled.size()));
}

bool TWorld::EvaluateBreakTime() {
  const TWorldSettings& s = Settings;
  const std::string world_file = ExtractFileName(WorldFilePath);
  TExpressionList text(model_->Binding);
  if (!text.AddExpression({s.BreakTimeText}, TLineSource::SameLine(world_file, s.BreakTimeLine, 1)))
    return false;
  const long double value = text.Count() > 0 ? text.Value(0) : 0;
  auto label = [&](const char* key) {
    const std::size_t line = s.LineOf(key);
    return " in wld file " + world_file + (line == 0 ? "" : " line " + IntToText(static_cast<std::int64_t>(line))) + " ";
  };
  // A break time that is no number above 0 is never passed (NaN) or ends the run before it begins.
  if (!(value > 0) || !std::isfinite(value)) {
    log_.AddLine("[Error] breakTime" + label("breakTime") + "must be a finite number above 0: " + EchoedText(s.BreakTimeText) + " gives " +
            FloatToText(value) + ".");
    return false;
  }
  // A first step beyond the break time, or a recording interval longer than the run, leaves a run of
  // one step or one recorded state that goes on for as long as the step or interval says.
  if (s.MaximumTimestep > value) {
    log_.AddLine("[Error] maximumTimestep" + label("maximumTimestep") + "must be at most breakTime (" + FloatToText(value) +
            "s): " + FloatToText(s.MaximumTimestep) + "s.");
    return false;
  }
  const long double interval = static_cast<long double>(s.RecordingInterval) * s.MaximumTimestep;
  if (interval > value) {
    log_.AddLine("[Error] writeToHistoryMultipleOfMaximumTimestep" + label("writeToHistoryMultipleOfMaximumTimestep") +
            "must record at least once within "
            "breakTime (" +
            FloatToText(value) + "s): " + IntToText(s.RecordingInterval) + " maximum time steps are " +
            FloatToText(interval) + "s.");
    return false;
  }
  // Not wrong, but a run that no one will wait for: say how long it is before it starts.
  const long double steps = std::round(value / s.MaximumTimestep);
  if (steps > kManyStepsToBreakTime) {
    log_.AddLine("[Alert] maximumTimestep" + label("maximumTimestep") + "needs about " + FloatToTextExponent(steps, 3, 0) +
            " steps to reach breakTime (" + FloatToText(value) + "s): " + FloatToText(s.MaximumTimestep) + "s.");
  }
  model_->BreakTime = value + interval;
  return true;
}

bool TWorld::LoadMechanicalEnergy() {
  std::vector<std::string> all;
  std::vector<std::string> filled;
  const TLinesRead read =
      ReadExpressionLines(WorkingDirectory + Settings.MechanicalEnergyFileName, all, filled, log_);
  const std::string path = WorkingDirectory + Settings.MechanicalEnergyFileName;
  if (read == TLinesRead::Missing) log_.AddLine(WithPlace("[Error] No mechanical energy file found.", path));
  if (read != TLinesRead::Read) return false;
  if (all.size() != 1 || filled.size() != 1) {
    const std::string line = "[Error] Mechanical energy should be writen in one line only; see .me file. ";
    log_.AddLine(all.size() == 1 ? WithPlace(line, path, 1, "a blank line")
                                 : AppendSentence(line, "File " + ExtractFileName(path) + " has " +
                                                            IntToText(static_cast<std::int64_t>(all.size())) +
                                                            " lines."));
    return false;
  }
  if (!model_->Energy.AddExpression(filled, TLineSource::SameLine(Settings.MechanicalEnergyFileName, 1, 1))) {
    return false;
  }
  State.MechanicalEnergy = model_->Energy.Value(0);
  State.SavedMechanicalEnergy = State.MechanicalEnergy;
  return true;
}

bool TWorld::RefreshPlotWatches() {
  if (PlotWindow == nullptr || !PlotWindow->Visible()) return true;
  const std::int32_t index = PlotWindow->BodyIndex();
  // A window left from an earlier model may show a body this one lacks: it keeps its plot, and the
  // load goes on.
  if (index < 0 || index >= model_->Bodies.Count()) return true;
  return ShowPlotWatches(index);
}

}  // namespace zentrova
