#include "app/gui_mailbox.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QMetaObject>

#include <utility>

namespace zentrova {

TGuiMailbox::TGuiMailbox() : receiver_(std::make_unique<QObject>()) {
  if (QCoreApplication* app = QCoreApplication::instance()) receiver_->moveToThread(app->thread());
}

TGuiMailbox::~TGuiMailbox() = default;

void TGuiMailbox::Post(std::function<void()> work) {
  bool wake = false;
  {
    std::lock_guard lock(mutex_);
    pending_.push_back(std::move(work));
    if (!wake_queued_) wake_queued_ = wake = true;
  }
  if (wake) Wake();
}

void TGuiMailbox::Wake() {
  QMetaObject::invokeMethod(receiver_.get(), [this] { Drain(); }, Qt::QueuedConnection);
}

void TGuiMailbox::Drain() {
  for (;;) {
    std::vector<std::function<void()>> work;
    {
      std::lock_guard lock(mutex_);
      work.swap(pending_);
      if (work.empty()) {
        wake_queued_ = false;
        return;
      }
    }
    for (const auto& item : work) item();
  }
}

bool TGuiMailbox::Pending() const {
  std::lock_guard lock(mutex_);
  return !pending_.empty();
}

}  // namespace zentrova
