#include "engine/model/generalized_coordinates.h"

#include "engine/model/body.h"
#include "engine/model/constant_list.h"
#include "engine/model/expression_names.h"
#include "engine/model/key.h"
#include "engine/model/model_binding.h"
#include "engine/model/model_text.h"
#include "engine/model/step_state.h"
#include "platform/number_text.h"
#include "platform/paths.h"
#include "platform/strings.h"
#include "platform/text_file.h"

namespace zentrova {

void TGeneralizedCoordinates::SetCount(std::uint32_t n) {
  Count = n;
  binding_.State->SetCount(n);
}

bool TGeneralizedCoordinates::Load(const std::string& FileName, std::uint32_t n) {
  const std::string path = FindFile(ToNativeSeparators(FileName));
  std::vector<std::string> lines;
  if (path.empty() || !ReadTextLines(path, lines)) {
    binding_.Log->AddLine(WithPlace("[Error] No generalized coordinates file found.", FileName));
    return false;
  }
  if (!AcceptNulFreeText(FirstLineWithNul(lines), path, *binding_.Log)) return false;
  // Blank lines after the last name change no index: they are no lines of the file's list.
  while (!lines.empty() && ReplaceAll(ReplaceAll(lines.back(), " ", ""), "\t", "").empty()) lines.pop_back();
  Names.clear();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string name = ReplaceAll(ReplaceAll(lines[i], " ", ""), "\t", "");
    // Line i names q_(i+1): a blank line would give every later name the index of the one before it.
    if (name.empty()) {
      binding_.Log->AddLine("[Error] Line " + IntToText(static_cast<std::int64_t>(i) + 1) +
                            " of generalized coordinates file " + ExtractFileName(path) +
                            " is blank: each line names one generalized coordinate.");
      return false;
    }
    Names.push_back(ReplaceAll(name, "[t]", "", true));
  }
  // A name given twice would bind two q's to one body coordinate; the expressions that read the second
  // one would then fail far from the cause.
  for (std::size_t i = 0; i < Names.size(); ++i) {
    for (std::size_t j = i + 1; j < Names.size(); ++j) {
      if (Names[i] != Names[j]) continue;
      binding_.Log->AddLine("[Error] Generalized coordinate " + Names[i] +
                            " is named twice in generalized coordinates file " + ExtractFileName(path) +
                            ": lines " + IntToText(static_cast<std::int64_t>(i) + 1) + " and " +
                            IntToText(static_cast<std::int64_t>(j) + 1) + ".");
      return false;
    }
  }
  if (lines.size() != n) {
    binding_.Log->AddLine(AppendSentence(
        "[Error] Number of generalized coordinates defined in world file does not match the generalized "
        "coordinates file. ",
        CountMismatch(path, lines.size(), "line", n, binding_.CountSource())));
    return false;
  }
  // Only now: the file's lines bound n, whatever number the world file gives.
  SetCount(n);

  // Body links first, then the start values, each pass over all names. A key that names nothing is
  // an error: the body would stand still while its coordinate moves.
  auto key_of = [&](std::size_t i, TKey& key) {
    key.SetKeyText(Names[i]);
    key.SetPlace("generalized coordinates file " + ExtractFileName(path) + " line " +
                 IntToText(static_cast<std::int64_t>(i) + 1));
  };
  for (std::size_t i = 0; i < Names.size(); ++i) {
    TKey key(binding_);
    key_of(i, key);
    if (key.Part(0) != "b") continue;
    if (!key.LinkBodyCoordinates(static_cast<std::uint32_t>(i))) return false;
  }
  for (std::size_t i = 0; i < Names.size(); ++i) {
    TKey key(binding_);
    key_of(i, key);
    if (key.Part(0) != "b") continue;
    if (!key.CopyStartValues(static_cast<std::uint32_t>(i))) return false;
  }
  return true;
}

bool TGeneralizedCoordinates::IndexOf(const std::string& name, std::uint32_t& index) const {
  for (std::size_t i = 0; i < Names.size(); ++i) {
    if (Names[i] == name) {
      index = static_cast<std::uint32_t>(i);
      return true;
    }
  }
  return false;
}

}  // namespace zentrova
