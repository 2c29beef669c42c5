#include "platform/dialogs.h"

#include <atomic>

namespace zentrova {

namespace {

// No one to ask: every dialog is cancelled, every question answered No.
class TCancellingDialogs : public IDialogs {
 public:
  bool SaveFileDialog(const TSaveDialogRequest&, std::string&) override { return false; }
  bool AskYesNo(const std::string&) override { return false; }
  bool InputInteger(const std::string&, const std::string&, int, int, int&) override { return false; }
  bool ChooseVideoEncoder(TVideoEncoderDialogData&) override { return false; }
};

std::atomic<IDialogs*> g_dialogs{nullptr};

}  // namespace

IDialogs* SetDialogs(IDialogs* dialogs) {
  return g_dialogs.exchange(dialogs);
}

IDialogs& Dialogs() {
  static TCancellingDialogs cancelling;
  IDialogs* dialogs = g_dialogs.load();
  return dialogs != nullptr ? *dialogs : cancelling;
}

}  // namespace zentrova
