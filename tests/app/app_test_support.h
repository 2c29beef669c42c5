// Dialogs that answer as a test tells them.
#pragma once

#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace zentrova::test {

// Installed for its lifetime; records every question and gives the prepared answers.
class ScriptedDialogs : public IDialogs {
 public:
  ScriptedDialogs() : previous_(SetDialogs(this)) {}
  ScriptedDialogs(const ScriptedDialogs&) = delete;
  ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;
  ~ScriptedDialogs() override { SetDialogs(previous_); }

  bool SaveFileDialog(const TSaveDialogRequest& request, std::string& file_name) override {
    asked.push_back("save");
    file_name = save_name;
    return !save_name.empty();
  }
  bool AskYesNo(const std::string& text) override {
    asked.push_back(text);
    return yes;
  }
  bool InputInteger(const std::string& caption, const std::string& prompt, int minimum, int maximum,
                    int& value) override {
    asked.push_back(caption + "|" + prompt + "|" + std::to_string(minimum) + "|" + std::to_string(maximum) +
                    "|" + std::to_string(value));
    if (!integer_ok) return false;
    value = integer;
    return true;
  }
  bool ChooseVideoEncoder(TVideoEncoderDialogData&) override { return false; }

  std::string save_name;
  bool yes = true;
  bool integer_ok = true;
  int integer = 0;
  std::vector<std::string> asked;

 private:
  IDialogs* previous_;
};

}  // namespace zentrova::test
