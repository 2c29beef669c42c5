#include "engine/model/world_settings.h"

#include <algorithm>

#include "engine/model/model_text.h"
#include "platform/ini_file.h"
#include "platform/number_text.h"
#include "platform/paths.h"
#include "platform/settings.h"
#include "platform/strings.h"

namespace zentrova {

namespace {

const char* const kMain = "Main";

bool HasDriveLetter(const std::string& path) {
  const std::string text = Trim(path);
  return text.size() >= 2 && text[1] == ':' &&
         ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z'));
}

}  // namespace

std::size_t TWorldSettings::LineOf(const std::string& key) const {
  const auto found = key_lines_.find(LowerCase(key));
  return found == key_lines_.end() ? 0 : found->second;
}

std::string FolderOf(const std::string& path) {
  const std::string folder = ExtractFilePath(path);
  return folder.empty() ? std::string("./") : folder;
}

bool TWorldSettings::Read(const TIniFile& ini, const std::string& path, ILogSink& log,
                          std::set<std::string>* said) {
  FilePath = path;
  key_lines_.clear();
  for (const char* section : {kMain, "Bodies"}) {
    for (const std::string& key : ini.ReadSection(section)) key_lines_[LowerCase(key)] = ini.LineOf(section, key);
  }
  const std::size_t n_line = LineOf("numberOfGeneralizedCoodinates");
  CoordinateCountSource = n_line == 0 ? "the default of " + PlaceOf(path) : PlaceOf(path, n_line);

  // Before any number is read: every float of the file is written with this separator.
  const std::string separator = ini.ReadString(kMain, "decimalSeparator", ".");
  if (separator.empty()) {
    log.AddLine("[Error] decimalSeparator in wld file " + ExtractFileName(path) + " line " +
                IntToText(static_cast<std::int64_t>(LineOf("decimalSeparator"))) + " is empty.");
    return false;
  }
  SetDecimalSeparator(separator[0]);
  const std::size_t separator_line = LineOf("decimalSeparator");
  SetDecimalSeparatorSource(separator_line == 0 ? std::string() : PlaceOf(path, separator_line));

  const std::string directory = ini.ReadString(kMain, "workingDirectory", "current");
  if (SameText(directory, "current")) {
    WorkingDirectory = FolderOf(path);
  } else if (HasDriveLetter(directory)) {
    log.AddLine("[Error] workingDirectory in wld file " + ExtractFileName(path) + " line " +
                IntToText(static_cast<std::int64_t>(LineOf("workingDirectory"))) + " names a drive: " + directory +
                ". Give a folder of this system or current.");
    return false;
  } else {
    // File names are appended to it: it must end with a separator.
    WorkingDirectory = IncludeTrailingSeparator(ToNativeSeparators(directory));
  }

  TSettingsReader r(ini, "wld", path, log, said);
  const std::int32_t n =
      r.Integer(kMain, "numberOfGeneralizedCoodinates", kDefaultNumberOfGeneralizedCoordinates);
  r.Check(kMain, "numberOfGeneralizedCoodinates", n, TValueRule::NotNegative);
  N = static_cast<std::uint32_t>(std::max(n, 0));

  // Tolerances of 0 are strict comparisons; below 0 or NaN no pivot, contact or velocity would pass.
  LCP.PivotToleranceMin = r.Float(kMain, "LCPPivotToleranceMin", kDefaultLCPPivotToleranceMin);
  r.Check(kMain, "LCPPivotToleranceMin", LCP.PivotToleranceMin, TValueRule::NotNegative);
  LCP.PivotToleranceMax = r.Float(kMain, "LCPPivotToleranceMax", kDefaultLCPPivotToleranceMax);
  r.Check(kMain, "LCPPivotToleranceMax", LCP.PivotToleranceMax, TValueRule::NotNegative);
  LCP.LexicoZeroTolerance = r.Float(kMain, "LCPLexicoZeroTolerance", kDefaultLCPLexicoZeroTolerance);
  r.Check(kMain, "LCPLexicoZeroTolerance", LCP.LexicoZeroTolerance, TValueRule::NotNegative);
  ZeroVelocityTolerance = r.Float(kMain, "ZeroVelocityTolerance", kDefaultZeroVelocityTolerance);
  r.Check(kMain, "ZeroVelocityTolerance", ZeroVelocityTolerance, TValueRule::NotNegative);
  TryToSolveByGoingBack = r.Bool(kMain, "TryToSolveByGoingBack", false);
  MaximumTimestep = r.Float(kMain, "maximumTimestep", kDefaultMaximumTimestep);
  MinimumTimestep = r.Float(kMain, "minimumTimestep", kDefaultMinimumTimestep);
  MaximumPenetration = r.Float(kMain, "maximumPenetration", kDefaultMaximumPenetration);
  MaximumDisplacementFactor = r.Float(kMain, "maximumDisplacementFactor", kDefaultMaximumDisplacementFactor);
  r.Check(kMain, "maximumDisplacementFactor", MaximumDisplacementFactor, TValueRule::NotNegative);

  const std::int32_t interval =
      r.Integer(kMain, "writeToHistoryMultipleOfMaximumTimestep", kDefaultRecordingInterval);
  r.Check(kMain, "writeToHistoryMultipleOfMaximumTimestep", interval, TValueRule::NotNegative);
  RecordingInterval = static_cast<std::uint32_t>(std::max(interval, 0));

  WriteEachTimeStep = r.Bool(kMain, "writeToHistoryEachTimeStep", false);
  LCP.LogUnboundedRay = r.Bool(kMain, "logLCPUnboundedRay", false);
  LCP.LogMaximumIterations = r.Bool(kMain, "logLCPMaxNumberOfIterations", false);
  WriteAtCollision = r.Bool(kMain, "writeToHistoryAtCollision", false);

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
  BreakTimeLine = ini.LineOf(kMain, "breakTime");
  PointsPerBoundingBox = kPointsPerBoundingBox;

  // Only an exact 0 is replaced: a missing key already gave the default without a word.
  if (MaximumTimestep == 0) {
    MaximumTimestep = kDefaultMaximumTimestep;
    r.Alert(WithPlace("[Alert] maximumTimestep was not found in wld file and was set to: " +
                          FloatToText(MaximumTimestep) + "s.",
                      path, LineOf("maximumTimestep")));
  }
  if (MinimumTimestep == 0) {
    MinimumTimestep = kDefaultMinimumTimestep;
    r.Alert(WithPlace("[Alert] minimumTimestep was not found in wld file and was set to: " +
                          FloatToText(MinimumTimestep) + "s.",
                      path, LineOf("minimumTimestep")));
  }
  if (MaximumPenetration == 0) {
    MaximumPenetration = kDefaultMaximumPenetration;
    r.Alert(WithPlace("[Alert] maximumPenetration was not found in wld file and was set to: " +
                          FloatToText(MaximumPenetration) + ".",
                      path, LineOf("maximumPenetration")));
  }
  // A negative step would run the time backwards, and a minimum that is not positive would let the
  // halving of a refused step go on for ever; a penetration that is not positive refuses every step.
  r.Check(kMain, "maximumTimestep", MaximumTimestep, TValueRule::Positive);
  r.Check(kMain, "minimumTimestep", MinimumTimestep, TValueRule::Positive);
  r.Check(kMain, "maximumPenetration", MaximumPenetration, TValueRule::Positive);
  // Halving a refused step from the maximum could never reach a minimum above it.
  if (MaximumTimestep > 0 && MinimumTimestep > MaximumTimestep) {
    r.Refuse(kMain, "minimumTimestep", "at most maximumTimestep (" + FloatToText(MaximumTimestep) + "s)",
             FloatToText(MinimumTimestep));
  }
  return r.Ok();
}

}  // namespace zentrova
