#include "app/about_window.h"

#include <QtGui/QGuiApplication>
#include <QtGui/QScreen>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QVBoxLayout>

namespace zentrova {

TVYKAbout::TVYKAbout(QWidget* parent) : QDialog(parent) {
  setWindowTitle("About");
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  for (const char* line : {"Zentrova: planar rigid bodies with contacts, 2024-2026.",
                           "Questions and reports: the Zentrova developers <dev@zentrova.example>",
                           "https://zentrova.example/"}) {
    auto* label = new QLabel(line, this);
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
}

int TVYKAbout::exec() {
  adjustSize();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = geometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
  return QDialog::exec();
}

}  // namespace zentrova
