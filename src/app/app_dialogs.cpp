#include "app/app_dialogs.h"

#include <QtWidgets/QFileDialog>
#include <QtWidgets/QInputDialog>

#include "scene/qt/qt_dialogs.h"

namespace zentrova {

bool TQtAppDialogs::OpenFile(const std::string& title, const std::string& filter, std::string& file_name) {
  const QString chosen = QFileDialog::getOpenFileName(parent_, QString::fromStdString(title),
                                                      QString::fromStdString(file_name), QtFileFilter(filter));
  if (chosen.isEmpty()) return false;
  file_name = chosen.toStdString();
  return true;
}

bool TQtAppDialogs::InputText(const std::string& caption, const std::string& prompt, std::string& text) {
  bool ok = false;
  const QString answer = QInputDialog::getText(parent_, QString::fromStdString(caption),
                                               QString::fromStdString(prompt), QLineEdit::Normal,
                                               QString::fromStdString(text), &ok);
  if (!ok) return false;
  text = answer.toStdString();
  return true;
}

bool TQtAppDialogs::InputFloat(const std::string& caption, const std::string& prompt, double minimum,
                               double maximum, int decimals, double& value) {
  bool ok = false;
  const double answer = QInputDialog::getDouble(parent_, QString::fromStdString(caption),
                                                QString::fromStdString(prompt), value, minimum, maximum,
                                                decimals, &ok);
  if (!ok) return false;
  value = answer;
  return true;
}

}  // namespace zentrova
