#include "engine/model/constant_list.h"

#include <cmath>

#include "engine/model/model_text.h"
#include "platform/message_sink.h"
#include "platform/number_text.h"
#include "platform/paths.h"
#include "platform/text_file.h"

namespace zentrova {

bool TConstantList::AddConstant(const std::string& name, long double value) {
  items_.push_back(model::TConstant{value, name});
  return true;
}

bool TConstantList::ReadConstantFile(const std::string& path) {
  const std::string found = FindFile(ToNativeSeparators(path));
  std::vector<std::string> lines;
  if (found.empty() || !ReadTextLines(found, lines)) {
    log_->AddLine(WithPlace("[Error] No constant list file found.", path));
    return false;
  }
  if (!AcceptNulFreeText(FirstLineWithNul(lines), found, *log_)) return false;
  const std::string file = ExtractFileName(found);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string line;
    for (char c : lines[i]) {
      if (c != ' ') line.push_back(c);
    }
    if (line.empty()) continue;
    auto refuse = [&](const std::string& why) {
      std::string message = "[Error] Line ";
      message += IntToText(static_cast<std::int64_t>(i) + 1);
      message += " of constant file ";
      message += file;
      message += " ";
      message += why;
      log_->AddLine(message);
      return false;
    };
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos || eq == 0) {
      // An empty name would match everywhere once expressions are rewritten.
      return refuse("is not of the form name = value: " + EchoedText(line));
    }
    // The whole value text: a value cut short could lose its exponent and still read as a number.
    const std::string name = line.substr(0, eq);
    const std::string text = line.substr(eq + 1);
    long double value = 0;
    if (!TryTextToFloat(text, value) || !std::isfinite(value)) {
      const std::string hint = DecimalSeparatorHint(text);
      return refuse("gives " + EchoedText(name) + " a value that is not a number: " + EchoedText(text) +
                    (hint.empty() ? "" : "." + hint));
    }
    AddConstant(name, value);
  }
  return true;
}

bool TConstantList::Load(const std::string& path) {
  if (ReadConstantFile(path)) return true;
  ShowMessageVia(messages_, WithPlace("[Error] Cannot read constant file.", path));
  return false;
}

}  // namespace zentrova
