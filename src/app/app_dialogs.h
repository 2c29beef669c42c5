// The dialogs of the program's own windows besides the shared ones (platform/dialogs.h): opening a file
// and the one-line text and number boxes. The program shows them with Qt; tests answer them.
#pragma once

#include <string>

class QWidget;

namespace zentrova {

class IAppDialogs {
 public:
  virtual ~IAppDialogs() = default;
  // `filter`: pairs of a description and its patterns, "|"-separated. True with the chosen file.
  virtual bool OpenFile(const std::string& title, const std::string& filter, std::string& file_name) = 0;
  // True with the answer in `text` (which holds the initial text); false when cancelled.
  virtual bool InputText(const std::string& caption, const std::string& prompt, std::string& text) = 0;
  // True with the answer in `value` (which holds the initial value), within minimum..maximum, shown with
  // `decimals` decimals; false when cancelled.
  virtual bool InputFloat(const std::string& caption, const std::string& prompt, double minimum,
                          double maximum, int decimals, double& value) = 0;
};

class TQtAppDialogs : public IAppDialogs {
 public:
  explicit TQtAppDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  bool OpenFile(const std::string& title, const std::string& filter, std::string& file_name) override;
  bool InputText(const std::string& caption, const std::string& prompt, std::string& text) override;
  bool InputFloat(const std::string& caption, const std::string& prompt, double minimum, double maximum,
                  int decimals, double& value) override;

 private:
  QWidget* parent_;
};

}  // namespace zentrova
