// The modal dialogs that code below the windows asks for: a file save dialog, a Yes/No question, an
// integer input box and the choice of a video encoder. The windowed program installs the Qt dialogs;
// without windows (tools, tests) the default answers as a user who cancels every dialog.
#pragma once

#include <string>
#include <vector>

namespace zentrova {

struct TSaveDialogRequest {
  // Added to a name typed without an extension, with its dot (".avi").
  std::string DefaultExt;
  // Pairs of a description and its patterns, "|"-separated: "AVI Files (*.avi)|*.avi".
  std::string Filter;
  // The name offered first; may be empty.
  std::string FileName;
  std::string Title;
};

// One video encoder the user may choose.
struct TVideoEncoderChoice {
  std::string Name;      // "msvideo1"
  std::string LongName;  // "Microsoft Video-1"
};

// What the encoder dialog shows and what it gives back: the encoder (an index into Encoders), a key frame
// every KeyFrameInterval frames (0: the encoder's default) and the data rate in kbit/s (0: the encoder's
// default).
struct TVideoEncoderDialogData {
  std::vector<TVideoEncoderChoice> Encoders;
  int Selected = 0;
  int KeyFrameInterval = 0;
  int DataRateKbps = 0;
};

class IDialogs {
 public:
  virtual ~IDialogs() = default;
  // True with the chosen name in file_name; false when cancelled.
  virtual bool SaveFileDialog(const TSaveDialogRequest& request, std::string& file_name) = 0;
  // A confirmation with Yes and No buttons: true for Yes.
  virtual bool AskYesNo(const std::string& text) = 0;
  // True with the entered value (within minimum..maximum); false when cancelled.
  virtual bool InputInteger(const std::string& caption, const std::string& prompt, int minimum, int maximum,
                            int& value) = 0;
  // True with the choices in data; false when cancelled.
  virtual bool ChooseVideoEncoder(TVideoEncoderDialogData& data) = 0;
};

// Installs the dialogs (nullptr restores the default) and returns the previous ones (nullptr for the
// default).
IDialogs* SetDialogs(IDialogs* dialogs);
// The installed dialogs, or the default that cancels.
IDialogs& Dialogs();

}  // namespace zentrova
