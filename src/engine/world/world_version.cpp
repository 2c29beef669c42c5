// The next version of a model: a new history directory holding a copy of the model whose constants the
// contact watches have updated and whose outlines they have reshaped.
#include <algorithm>
#include <cmath>

#include "engine/model/value_statistics.h"
#include "engine/record/log.h"
#include "engine/world/model.h"
#include "engine/world/world.h"
#include "platform/clock.h"
#include "platform/directory_lock.h"
#include "platform/exponent_text.h"
#include "platform/number_text.h"
#include "platform/paths.h"
#include "platform/strings.h"
#include "platform/text_file.h"

namespace zentrova {

namespace {

// A constants line's value is read from at most this many characters after its "=".
constexpr std::size_t kConstantValueLength = 100;
constexpr int kConstantDigits = 18;

std::string WithoutBlanks(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c != ' ' && c != '\t') out += c;
  }
  return out;
}

}  // namespace

bool TWorld::WatchStatistics(std::int32_t body, TFloatList& values) const {
  TIntList points;
  TFloatList normal, tangential, work;
  long double span = 0;
  if (!BodyWatchValues(body, points, normal, tangential, work, span)) return false;
  values.Assign(&work);
  return true;
}

bool TWorld::RewriteConstants(const std::string& path, const std::vector<std::string>& names,
                              const TFloatList& changes) {
  const std::string found = FindFile(path);
  std::vector<std::string> lines;
  if (found.empty() || !ReadTextLines(found, lines)) {
    log_.AddLine("[Alert] No constants file found at updating constants.");
    return false;
  }
  for (std::string& line : lines) {
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    // The whole name counts: "k" must not rewrite "kd".
    const std::string name = WithoutBlanks(std::string_view(line).substr(0, equals));
    const auto match = std::find_if(names.begin(), names.end(),
                                    [&](const std::string& n) { return SameText(n, name); });
    if (match == names.end()) continue;
    const auto j = static_cast<std::uint32_t>(match - names.begin());
    long double value = 0;
    const std::string text = Trim(std::string_view(line).substr(equals + 1, kConstantValueLength));
    if (!TryTextToFloat(text, value)) {
      log_.AddLine("[Alert] Constant " + *match + " holds no number in " + found + "; it was not updated.");
      continue;
    }
    const long double change = j < changes.Count() ? changes.At(j) : 0;
    line = *match + " = " + FloatToTextExponent(value + change, kConstantDigits, 0);
  }
  if (!WriteTextLines(found, lines)) {
    log_.AddLine("[Error] Could not write the constants file " + found + ".");
    return false;
  }
  return true;
}

bool TWorld::UpdateConstantsFromWork(const std::string& directory) {
  TConstantsUpdate& update = model_->Watches.ConstantsUpdate;
  if (!update.Active) return true;
  const TReshapeWindow& window = model_->Watches.ReshapeWindow;
  // Every version starts from its own run: the values of an earlier call go.
  update.FirstValues.Clear();
  for (const std::string& name : update.Bodies) {
    TFloatList values;
    std::int32_t index = -1;
    if (model_->Bodies.FindByName(name, index)) WatchStatistics(index, values);
    TStatistics st;
    Statistics(values, true, window.CutHiLowValues, st);
    update.FirstValues.Add(std::fabs(st.Sum));
  }
  long double largest = 0;
  for (std::uint32_t i = 0; i < update.FirstValues.Count(); ++i) largest = std::max(largest, update.FirstValues.At(i));
  update.SecondValues.Dim(update.FirstValues.Count());
  update.SecondValues.Zero();
  if (largest > 0) {
    for (std::uint32_t i = 0; i < update.FirstValues.Count(); ++i) {
      update.SecondValues.SetAt(i, update.FirstValues.At(i) / largest * update.MaxChange);
    }
  }
  return RewriteConstants(IncludeTrailingSeparator(directory) + Settings.ConstantsFileName, update.Constants,
                          update.SecondValues);
}

bool TWorld::UpdateConstantsByChanges(const std::string& directory) {
  const TChangeConstants& change = model_->Watches.ChangeConstants;
  if (!change.Active) return true;
  return RewriteConstants(IncludeTrailingSeparator(directory) + Settings.ConstantsFileName, change.Constants,
                          change.Changes);
}

bool TWorld::BodyBalancedStatistics() {
  TBodyBalancedUpdate& update = model_->Watches.BodyBalancedUpdate;
  if (!update.Active) return true;
  TFloatList joined;
  for (const std::string& name : update.Bodies) {
    TFloatList values;
    std::int32_t index = -1;
    if (model_->Bodies.FindByName(name, index) && WatchStatistics(index, values)) joined.AddList(values);
  }
  const TReshapeWindow& window = model_->Watches.ReshapeWindow;
  TStatistics st;
  Statistics(joined, true, window.Active ? window.CutHiLowValues : 0, st);
  static_cast<TStatistics&>(update.Statistics) = st;
  return true;
}

bool TWorld::CreateNextVersion() {
  THistory& history = model_->History;
  history.SaveLog();
  const std::string remembered = WorkingDirectory;

  // The new directory is numbered among the user's histories and belongs to the user; the current
  // history stays the one this run records into. The new one is held until its model is whole: it keeps
  // its incomplete-copy mark until the constants and outlines are rewritten too.
  std::string new_directory;
  TDirectoryLock lock;
  if (!history.CreateVersionDirectory(new_directory, lock)) return false;
  if (!CopyModelFiles(WorldFilePath, new_directory)) return false;

  if (UpdateConstantsFromWork(new_directory)) UpdateConstantsByChanges(new_directory);
  BodyBalancedStatistics();
  log_.AddLine("At: " + DateTimeToText(Now()) + " new version was created to directory " + new_directory);

  const TBodyList& bodies = model_->Bodies;
  for (std::int32_t i = 0; i < bodies.Count(); ++i) {
    const TBody& body = bodies.Items(i);
    if (!body.HasShape || static_cast<std::size_t>(i) >= model_->BodyFileNames.size()) continue;
    std::string shape;
    if (!ReadShapeFileName(remembered + model_->BodyFileNames[static_cast<std::size_t>(i)], shape) ||
        shape.empty()) {
      continue;
    }
    // The outline keeps its place relative to the model's folder.
    const std::string relative = shape.compare(0, remembered.size(), remembered) == 0
                                     ? shape.substr(remembered.size())
                                     : ExtractFileName(shape);
    TFloatList values;
    WatchStatistics(i, values);
    body.WriteReshapedOutline(IncludeTrailingSeparator(new_directory) + relative, values, model_->Watches);
  }
  return THistory::MarkModelCopied(new_directory, log_);
}

}  // namespace zentrova
