#include "engine/model/dependent_coordinates.h"

#include <algorithm>

#include "engine/model/body.h"
#include "engine/model/constant_list.h"
#include "engine/model/expression_names.h"
#include "engine/model/generalized_coordinates.h"
#include "engine/model/key.h"
#include "engine/model/model_binding.h"
#include "engine/model/model_text.h"
#include "engine/model/step_state.h"
#include "platform/number_text.h"
#include "platform/paths.h"
#include "platform/strings.h"
#include "platform/text_file.h"

namespace zentrova {

namespace {

const char* const kNew = "%%%new%%%";
const char* const kDefinition = "%%definition";
const char* const kJacobianVector = "%%J";
const char* const kJacobianScalar = "%%j";
constexpr std::size_t kDefinitionLines = 3;  // position, velocity, acceleration

bool Blank(const std::string& line) {
  return Trim(line).empty();
}

// What stands on line `k` (from 0) of the file, for a message that names the line: the text, or that
// the file has ended before it.
std::string Standing(const std::vector<std::string>& file, std::size_t k) {
  return k < file.size() ? (file[k].empty() ? std::string("a blank line") : file[k]) : "the file ends";
}

// The number (from 1) of line `k` (from 0), or of the last line when the file ends before it.
std::size_t LineAt(const std::vector<std::string>& file, std::size_t k) {
  return std::min(k + 1, file.size());
}

// The marker expected on line `k` (from 0) is missing.
void LogNoDefinition(ILogSink& log, const std::string& name, const std::string& file_name,
                     const std::vector<std::string>& file, std::size_t k) {
  log.AddLine(WithPlace("[Error] Cannot find definition of " + name + " in dependent coordinate file.", file_name,
                        LineAt(file, k), Standing(file, k)));
}

}  // namespace

bool TDependentCoordinates::Load(const std::string& FileName) {
  const std::string path = FindFile(ToNativeSeparators(FileName));
  std::vector<std::string> file;
  bool read = true;
  if (path.empty() || !ReadTextLines(path, file)) {
    binding_.Log->AddLine(WithPlace("[Error] No dependent coordinate file found.", FileName));
    read = false;
  }
  file_name_ = ExtractFileName(path);
  std::vector<TDefinitionLine> definitions;
  if (!read || !AcceptNulFreeText(FirstLineWithNul(file), path, *binding_.Log) ||
      !ReadDefinitions(file, definitions)) {
    binding_.Log->AddLine(WithPlace("[Error] Cannot read dependent coordinate file.", FileName));
    return false;
  }
  // A file without records is a model without dependent coordinates. Text in it that is not even
  // marked as a record may be a wrong file, so it is named, but the load goes on.
  const bool marked = std::any_of(file.begin(), file.end(), [](const std::string& line) { return line == kNew; });
  if (!marked && std::any_of(file.begin(), file.end(), [](const std::string& line) { return !Blank(line); })) {
    binding_.Log->AddLine("[Alert] Dependent coordinate file " + file_name_ + " holds text but no " + kNew +
                          " line: the model has no dependent coordinates.");
  }
  if (Names.empty()) return true;
  // A coordinate left unlinked or without its Jacobian would read short later: both end the load.
  if (!LinkBodies(definitions)) return false;
  return ReadJacobians(file);
}

void TDependentCoordinates::Evaluate() {
  Definitions.EvaluateAll(true);
}

bool TDependentCoordinates::ReadDefinitions(const std::vector<std::string>& file,
                                            std::vector<TDefinitionLine>& definitions) {
  Names.clear();
  std::string previous;
  std::size_t i = 0;
  while (i < file.size()) {
    const std::string& line = file[i];
    if (previous != kNew || line.empty()) {
      previous = line;
      ++i;
      continue;
    }
    const std::string name = ReplaceAll(line, "[t]", "", true);
    if (i + 1 >= file.size() || file[i + 1] != kDefinition) {
      LogNoDefinition(*binding_.Log, name, file_name_, file, i + 1);
      return false;
    }
    // Every value sits at a fixed place (3k, 3k+1, 3k+2): a missing line would shift all that follow.
    // A marker where an expression belongs is the next part of the record: a line is missing.
    const auto missing = [&](std::size_t k) { return Blank(file[k]) || file[k].rfind("%%", 0) == 0; };
    if (i + 1 + kDefinitionLines >= file.size() || missing(i + 2) || missing(i + 3) || missing(i + 4)) {
      std::size_t k = i + 2;
      while (k < i + 2 + kDefinitionLines && k < file.size() && !missing(k)) ++k;
      binding_.Log->AddLine(WithPlace(
          "[Error] Cannot read definition of " + EchoedText(name) +
              " in dependent coordinate file: position, velocity and acceleration take one line each.",
          file_name_, LineAt(file, k), Standing(file, k)));
      return false;
    }
    std::size_t k = Names.size();
    for (std::size_t j = 0; j < Names.size(); ++j) {
      if (Names[j] == name) k = j;
    }
    if (k == Names.size()) {
      Names.push_back(name);
      definitions.resize(definitions.size() + kDefinitionLines);
    }
    // A later record for the same coordinate replaces the earlier one in place.
    for (std::size_t d = 0; d < kDefinitionLines; ++d) {
      definitions[kDefinitionLines * k + d] = TDefinitionLine{file[i + 2 + d], i + 3 + d};
    }
    previous = file[i + 1 + kDefinitionLines];
    i += 2 + kDefinitionLines;
  }
  return true;
}

bool TDependentCoordinates::LinkBodies(const std::vector<TDefinitionLine>& definitions) {
  std::vector<std::string> texts;
  TLineSource source{file_name_, {}};
  for (const TDefinitionLine& line : definitions) {
    texts.push_back(line.Text);
    source.Lines.push_back(line.Number);
  }
  if (!Definitions.AddExpression(texts, source)) return false;
  if (Definitions.Count() != kDefinitionLines * Names.size()) {
    binding_.Log->AddLine(WithPlace("[Error] Cannot read dependent coordinate file.", file_name_));
    return false;
  }
  for (std::size_t k = 0; k < Names.size(); ++k) {
    const std::string& name = Names[k];
    // The name stands two lines above its position's definition.
    const std::size_t name_line = definitions[kDefinitionLines * k].Number - 2;
    TKey key(binding_);
    key.SetKeyText(name);
    key.SetPlace("dependent coordinates file " + file_name_ + " line " + IntToText(static_cast<std::int64_t>(name_line)));
    bool is_key = false;
    TBody* const found = key.FindBody(is_key);
    if (found == nullptr) {
      binding_.Log->AddLine(WithPlace("[Error] No dependent body coordinate " + name + " found. Check body names.",
                                      file_name_, name_line));
      return false;
    }
    TBody& body = *found;
    const auto component = key.CoordinateComponent();
    if (!component) return false;
    LinkToDependentCoordinate(body.Kinematics, body.Links, *component, Definitions.Values,
                              static_cast<std::uint32_t>(k));
    if (*component != TCoordinateComponent::Rz) continue;

    // A rotation that is one generalized rotation keeps that coordinate's index for the contacts; any
    // other function of the coordinates (written with [t]) cannot be handled there.
    const std::string& position = definitions[kDefinitionLines * k].Text;
    std::uint32_t q = 0;
    if (binding_.Coordinates->IndexOf(ReplaceAll(position, "[t]", "", true), q)) {
      body.Links.Rz.Index = static_cast<std::int32_t>(q);
    } else if (FindText(position, "[t]") != std::string::npos) {
      binding_.Log->AddLine(WithPlace("[Error] Dependent rotation Rz of body " + body.Name +
                                          " can be equal to one generalized rotation or " + " dependent only on time.",
                                      file_name_, definitions[kDefinitionLines * k].Number, position));
      return false;
    }
  }
  return true;
}

bool TDependentCoordinates::ReadJacobians(const std::vector<std::string>& file) {
  const std::size_t n = *binding_.CoordinateCount;
  bool ok = true;
  for (const std::string& name : Names) {
    const std::string name_line = name + "[t]";
    std::vector<std::string> vector;
    std::string scalar;
    std::size_t vector_line = 0;  // where the vector's first row and the scalar stand (from 1)
    std::size_t scalar_line = 0;
    bool found = false;
    bool failed = false;
    // The last record of the name counts, as for the definitions.
    for (std::size_t i = 1; i < file.size(); ++i) {
      if (file[i - 1] != kNew || file[i] != name_line) continue;
      if (i + 1 >= file.size() || file[i + 1] != kDefinition) {
        LogNoDefinition(*binding_.Log, name, file_name_, file, i + 1);
        failed = true;
        continue;
      }
      std::size_t j = i + 2 + kDefinitionLines;
      if (j >= file.size() || file[j] != kJacobianVector) {
        binding_.Log->AddLine(WithPlace("[Error] Cannot find Jacobian vector of " + name +
                                            " in dependent coordinate file.",
                                        file_name_, LineAt(file, j),
                                        Standing(file, j)));
        failed = true;
        continue;
      }
      std::vector<std::string> rows;
      for (++j; rows.size() < n && j < file.size() && file[j] != kJacobianScalar && !Blank(file[j]); ++j) {
        rows.push_back(file[j]);
      }
      if (rows.size() < n) {
        binding_.Log->AddLine(WithPlace("[Error] Jacobian vector of " + name + " in dependent coordinate file has " +
                                            IntToText(static_cast<std::int64_t>(rows.size())) + " rows; the world has " +
                                            IntToText(static_cast<std::int64_t>(n)) + " generalized coordinates.",
                                        file_name_, LineAt(file, j),
                                        Standing(file, j)));
        failed = true;
        continue;
      }
      if (j >= file.size() || file[j] != kJacobianScalar || j + 1 >= file.size() || Blank(file[j + 1])) {
        const std::size_t at = j < file.size() && file[j] == kJacobianScalar ? j + 1 : j;
        binding_.Log->AddLine(WithPlace("[Error] Cannot find Jacobian scalar of " + name +
                                            " in dependent coordinate file.",
                                        file_name_, LineAt(file, at),
                                        Standing(file, at)));
        failed = true;
        continue;
      }
      vector_line = j + 1 - rows.size();
      vector = std::move(rows);
      scalar = file[j + 1];
      scalar_line = j + 2;
      found = true;
    }
    if (!found && !failed) {
      // No record of the name carries the [t] mark that the Jacobians are found by.
      binding_.Log->AddLine(WithPlace("[Error] Cannot find Jacobian vector of " + name +
                                          " in dependent coordinate file.",
                                      file_name_, 0, "no record is named " + name_line));
    }
    if (!found || failed) {
      ok = false;
      continue;
    }
    TKey key(binding_);
    key.SetKeyText(name);
    bool is_key = false;
    TBody* const body = key.FindBody(is_key);
    if (body == nullptr) continue;
    if (!body->Links.SetJacobians(key, vector, scalar,
                                  TLineSource::Consecutive(file_name_, vector_line, vector.size()),
                                  TLineSource::SameLine(file_name_, scalar_line, 1))) {
      ok = false;
    }
  }
  return ok;
}

}  // namespace zentrova
