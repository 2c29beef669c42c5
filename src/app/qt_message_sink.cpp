#include "app/qt_message_sink.h"

#include <QtWidgets/QMessageBox>

#include "app/batch_output.h"
#include "platform/qt/gui_thread_call.h"

namespace zentrova {

void TQtMessageSink::ShowMessage(const std::string& text) {
  if (TGuiThreadGate::OnGuiThread()) {
    Show(text);
  } else {
    mailbox_.Post([this, text] { Show(text); });
  }
}

void TQtMessageSink::SetBatch(TStderrLines* echo, bool show_boxes) {
  batch_ = true;
  echo_ = echo;
  show_boxes_ = show_boxes;
}

void TQtMessageSink::Show(const std::string& text) {
  if (echo_ != nullptr) echo_->AddMessage(text);
  if (!batch_) {
    QMessageBox::information(parent_, "Zentrova", QString::fromStdString(text));
    return;
  }
  if (!show_boxes_) return;
  auto* box = new QMessageBox(QMessageBox::Information, "Zentrova", QString::fromStdString(text),
                              QMessageBox::Ok, parent_);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setModal(false);
  box->show();
}

}  // namespace zentrova
