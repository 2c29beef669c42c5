// The about window: who made the program and where to reach them, shown modally in the screen's centre.
#pragma once

#include <QtWidgets/QDialog>

namespace zentrova {

class TVYKAbout : public QDialog {
 public:
  explicit TVYKAbout(QWidget* parent = nullptr);
  // Centres the window on the screen, then shows it modally.
  int exec() override;
};

}  // namespace zentrova
