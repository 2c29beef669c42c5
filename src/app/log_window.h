// The log window: a read-only, unwrapped text view that mirrors the global log. Lines arrive on any
// thread (the log calls its sink under its own lock) and are shown on the GUI thread in their order.
#pragma once

#include <QtWidgets/QWidget>

#include <atomic>
#include <string>

#include "app/gui_mailbox.h"
#include "engine/record/history.h"

class QPlainTextEdit;

namespace zentrova {

class TVYKLogForm : public QWidget, public ILogWindow {
 public:
  explicit TVYKLogForm(QWidget* parent = nullptr);

  // Any thread; on the GUI thread the line shows at once, after the lines other threads sent before it.
  void AddLine(const std::string& line) override;
  // Empties the view, dropping lines that were sent but not shown yet.
  void Clear();
  // A history read back replaces the text with its own log.
  void ClearText() override { Clear(); }
  // The text shown, lines separated by "\n" (lines not yet shown included on the GUI thread).
  std::string Text();

  QPlainTextEdit& LogView() { return *log_view_; }

 private:
  void Append(const std::string& line);

  QPlainTextEdit* log_view_;
  TGuiMailbox mailbox_;
};

// What the global log sends to its window: the window's lines, also written to an echo while one is set
// (the program's stderr while it runs the job file of its command line). The lines a history reads back go
// to the window alone: the log does not receive them again.
class TLogWindowFeed : public ILogSink {
 public:
  // The window outlives the feed.
  explicit TLogWindowFeed(TVYKLogForm& window) : window_(window) {}
  // Any thread; nullptr: no echo. The echo outlives its use.
  void SetEcho(ILogSink* echo) { echo_ = echo; }
  void AddLine(const std::string& line) override;

 private:
  TVYKLogForm& window_;
  std::atomic<ILogSink*> echo_{nullptr};
};

}  // namespace zentrova
