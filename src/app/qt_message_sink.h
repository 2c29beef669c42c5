// Modal messages of the engine and the windows as message boxes on the GUI thread; a message from
// another thread waits in a mailbox for the GUI thread.
#pragma once

#include <string>

#include "app/gui_mailbox.h"
#include "platform/message_sink.h"

class QWidget;

namespace zentrova {

class TQtMessageSink : public IMessageSink {
 public:
  explicit TQtMessageSink(QWidget* parent = nullptr) : parent_(parent) {}
  void ShowMessage(const std::string& text) override;

 private:
  void Show(const std::string& text);

  QWidget* parent_;
  TGuiMailbox mailbox_;
};

}  // namespace zentrova
