#include "app/log_window.h"

#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QVBoxLayout>

#include "platform/qt/gui_thread_call.h"

namespace zentrova {

TVYKLogForm::TVYKLogForm(QWidget* parent) : QWidget(parent, Qt::Window), log_view_(new QPlainTextEdit(this)) {
  setWindowTitle("Log");
  log_view_->setObjectName("LogView");
  log_view_->setReadOnly(true);
  log_view_->setLineWrapMode(QPlainTextEdit::NoWrap);
  log_view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  log_view_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(log_view_);
  resize(600, 300);
}

void TVYKLogForm::AddLine(const std::string& line) {
  if (TGuiThreadGate::OnGuiThread()) {
    mailbox_.Drain();
    Append(line);
  } else {
    mailbox_.Post([this, line] { Append(line); });
  }
}

void TVYKLogForm::Append(const std::string& line) { log_view_->appendPlainText(QString::fromStdString(line)); }

void TVYKLogForm::Clear() {
  mailbox_.Drain();
  log_view_->clear();
}

std::string TVYKLogForm::Text() {
  mailbox_.Drain();
  return log_view_->toPlainText().toStdString();
}

void TLogWindowFeed::AddLine(const std::string& line) {
  window_.AddLine(line);
  if (ILogSink* echo = echo_.load()) echo->AddLine(line);
}

}  // namespace zentrova
