#include "engine/model/world_settings.h"

#include <cmath>

#include "engine/record/log.h"
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

std::string FolderOf(const std::string& path) {
  const std::string folder = ExtractFilePath(path);
  return folder.empty() ? std::string("./") : folder;
}

bool TWorldSettings::Read(const TIniFile& ini, const std::string& path) {
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

  LCP.PivotToleranceMin = ini.ReadFloat(kMain, "LCPPivotToleranceMin", kDefaultLCPPivotToleranceMin);
  LCP.PivotToleranceMax = ini.ReadFloat(kMain, "LCPPivotToleranceMax", kDefaultLCPPivotToleranceMax);
  LCP.LexicoZeroTolerance = ini.ReadFloat(kMain, "LCPLexicoZeroTolerance", kDefaultLCPLexicoZeroTolerance);
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
  LCP.LogUnboundedRay = ini.ReadBool(kMain, "logLCPUnboundedRay", false);
  LCP.LogMaximumIterations = ini.ReadBool(kMain, "logLCPMaxNumberOfIterations", false);
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

}  // namespace zentrova
