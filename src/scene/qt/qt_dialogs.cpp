#include "scene/qt/qt_dialogs.h"

#include <QtCore/QFileInfo>
#include <QtWidgets/QApplication>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QFormLayout>
#include <QtWidgets/QInputDialog>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QSpinBox>
#include <QtWidgets/QVBoxLayout>

namespace zentrova {

namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

TVideoEncoderDialog::TVideoEncoderDialog(const TVideoEncoderDialogData& data, QWidget* parent)
    : QDialog(parent),
      data_(data),
      encoders_(new QListWidget(this)),
      key_frames_(new QSpinBox(this)),
      data_rate_(new QSpinBox(this)) {
  setWindowTitle(tr("Video Compression"));
  for (const TVideoEncoderChoice& encoder : data.Encoders) {
    encoders_->addItem(Q(encoder.Name) + QStringLiteral(" \u2013 ") + Q(encoder.LongName));
  }
  if (!data.Encoders.empty()) {
    encoders_->setCurrentRow(
        data.Selected >= 0 && data.Selected < static_cast<int>(data.Encoders.size()) ? data.Selected : 0);
  }
  // 0 leaves the choice to the encoder.
  key_frames_->setRange(0, 10000);
  key_frames_->setSpecialValueText(tr("Encoder default"));
  key_frames_->setSuffix(tr(" frames"));
  key_frames_->setValue(data.KeyFrameInterval);
  data_rate_->setRange(0, 1000000);
  data_rate_->setSpecialValueText(tr("Encoder default"));
  data_rate_->setSuffix(tr(" kbit/s"));
  data_rate_->setValue(data.DataRateKbps);

  auto* fields = new QFormLayout;
  fields->addRow(tr("Key frame every"), key_frames_);
  fields->addRow(tr("Data rate"), data_rate_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(encoders_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(encoders_);
  layout->addLayout(fields);
  layout->addWidget(buttons);
}

TVideoEncoderDialogData TVideoEncoderDialog::Data() const {
  TVideoEncoderDialogData data = data_;
  data.Selected = encoders_->currentRow();
  data.KeyFrameInterval = key_frames_->value();
  data.DataRateKbps = data_rate_->value();
  return data;
}

QString QtFileFilter(const std::string& filter) {
  const QStringList parts = Q(filter).split(QLatin1Char('|'));
  QStringList descriptions;
  // Every other part is a description; the patterns that follow it are already named inside it.
  for (qsizetype i = 0; i < parts.size(); i += 2) descriptions << parts[i];
  return descriptions.join(QStringLiteral(";;"));
}

bool TQtDialogs::SaveFileDialog(const TSaveDialogRequest& request, std::string& file_name) {
  // The caller asks before it overwrites.
  QString chosen =
      QFileDialog::getSaveFileName(parent_, Q(request.Title), Q(request.FileName),
                                   QtFileFilter(request.Filter), nullptr, QFileDialog::DontConfirmOverwrite);
  if (chosen.isEmpty()) return false;
  if (!request.DefaultExt.empty() && QFileInfo(chosen).suffix().isEmpty()) chosen += Q(request.DefaultExt);
  file_name = chosen.toStdString();
  return true;
}

bool TQtDialogs::AskYesNo(const std::string& text) {
  return QMessageBox::question(parent_, QApplication::applicationDisplayName(), Q(text),
                               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

bool TQtDialogs::InputInteger(const std::string& caption, const std::string& prompt, int minimum, int maximum,
                              int& value) {
  bool ok = false;
  const int entered = QInputDialog::getInt(parent_, Q(caption), Q(prompt), value, minimum, maximum, 1, &ok);
  if (ok) value = entered;
  return ok;
}

bool TQtDialogs::ChooseVideoEncoder(TVideoEncoderDialogData& data) {
  TVideoEncoderDialog dialog(data, parent_);
  if (dialog.exec() != QDialog::Accepted || dialog.Data().Selected < 0) return false;
  data = dialog.Data();
  return true;
}

}  // namespace zentrova
