// Modal messages of the engine and the windows as message boxes on the GUI thread; a message from
// another thread waits in a mailbox for the GUI thread.
#pragma once

#include <string>

#include "app/gui_mailbox.h"
#include "platform/message_sink.h"

class QWidget;

namespace zentrova {

class TStderrLines;

class TQtMessageSink : public IMessageSink {
 public:
  explicit TQtMessageSink(QWidget* parent = nullptr) : parent_(parent) {}
  void ShowMessage(const std::string& text) override;

  // While the program runs the job file of its command line: every text also goes to `echo`, and a box
  // never waits for a click, so that no box holds up the jobs; without a display (`show_boxes` false)
  // none is shown. The echo outlives the sink.
  void SetBatch(TStderrLines* echo, bool show_boxes);

 private:
  void Show(const std::string& text);

  QWidget* parent_;
  TGuiMailbox mailbox_;
  bool batch_ = false;
  TStderrLines* echo_ = nullptr;
  bool show_boxes_ = true;
};

}  // namespace zentrova
