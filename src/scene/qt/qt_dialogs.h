// The dialogs service of the windowed program (platform/dialogs.h) on Qt Widgets, with the dialog that
// chooses the video encoder of an AVI recording.
#pragma once

#include <QtWidgets/QDialog>

#include "platform/dialogs.h"

class QListWidget;
class QSpinBox;

namespace zentrova {

// The encoders by name and description, a key frame every n frames and the data rate; the first
// encoder is preselected unless the data names another.
class TVideoEncoderDialog : public QDialog {
 public:
  explicit TVideoEncoderDialog(const TVideoEncoderDialogData& data, QWidget* parent = nullptr);
  // The data given, with the choices made.
  TVideoEncoderDialogData Data() const;

  QListWidget& Encoders() { return *encoders_; }
  QSpinBox& KeyFrameInterval() { return *key_frames_; }
  QSpinBox& DataRate() { return *data_rate_; }

 private:
  TVideoEncoderDialogData data_;
  QListWidget* encoders_;
  QSpinBox* key_frames_;
  QSpinBox* data_rate_;
};

class TQtDialogs : public IDialogs {
 public:
  // The dialogs are modal to the parent (may be nullptr).
  explicit TQtDialogs(QWidget* parent = nullptr) : parent_(parent) {}

  bool SaveFileDialog(const TSaveDialogRequest& request, std::string& file_name) override;
  bool AskYesNo(const std::string& text) override;
  bool InputInteger(const std::string& caption, const std::string& prompt, int minimum, int maximum,
                    int& value) override;
  bool ChooseVideoEncoder(TVideoEncoderDialogData& data) override;

 private:
  QWidget* parent_;
};

// "AVI Files (*.avi)|*.avi|All (*.*)|*.*" as Qt writes filters: "AVI Files (*.avi);;All (*.*)".
QString QtFileFilter(const std::string& filter);

}  // namespace zentrova
