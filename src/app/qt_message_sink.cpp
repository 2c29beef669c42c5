#include "app/qt_message_sink.h"

#include <QtWidgets/QMessageBox>

#include "platform/qt/gui_thread_call.h"

namespace zentrova {

void TQtMessageSink::ShowMessage(const std::string& text) {
  if (TGuiThreadGate::OnGuiThread()) {
    Show(text);
  } else {
    mailbox_.Post([this, text] { Show(text); });
  }
}

void TQtMessageSink::Show(const std::string& text) {
  QMessageBox::information(parent_, "Zentrova", QString::fromStdString(text));
}

}  // namespace zentrova
