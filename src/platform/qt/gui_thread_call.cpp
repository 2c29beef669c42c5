#include "platform/qt/gui_thread_call.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QMetaObject>
#include <QtCore/QThread>

#include <condition_variable>
#include <exception>
#include <mutex>

namespace zentrova {

struct TGuiThreadGate::TState {
  std::mutex mutex;
  std::condition_variable changed;
  bool open = true;
  int waiting = 0;
};

namespace {

// One call in flight. The GUI thread may reach it after its caller gave up: it then skips the work.
struct TPendingCall {
  std::function<void()> work;
  bool running = false;
  bool done = false;
  bool abandoned = false;
  std::exception_ptr error;
};

}  // namespace

TGuiThreadGate::TGuiThreadGate() : state_(std::make_shared<TState>()) {}

TGuiThreadGate::~TGuiThreadGate() {
  Close();
}

bool TGuiThreadGate::OnGuiThread() {
  const QCoreApplication* application = QCoreApplication::instance();
  return application == nullptr || QThread::currentThread() == application->thread();
}

bool TGuiThreadGate::Call(const std::function<void()>& work) {
  if (OnGuiThread()) {
    if (!IsOpen()) return false;
    work();
    return true;
  }
  auto call = std::make_shared<TPendingCall>();
  call->work = work;
  const std::shared_ptr<TState> state = state_;
  {
    const std::lock_guard<std::mutex> lock(state->mutex);
    if (!state->open) return false;
  }
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [state, call] {
        {
          const std::lock_guard<std::mutex> lock(state->mutex);
          if (call->abandoned) return;
          call->running = true;
        }
        try {
          call->work();
        } catch (...) {
          call->error = std::current_exception();
        }
        {
          const std::lock_guard<std::mutex> lock(state->mutex);
          call->done = true;
        }
        state->changed.notify_all();
      },
      Qt::QueuedConnection);
  std::unique_lock<std::mutex> lock(state->mutex);
  ++state->waiting;
  state->changed.wait(lock, [&] { return call->done || (!state->open && !call->running); });
  --state->waiting;
  if (!call->done) {
    call->abandoned = true;
    return false;
  }
  if (call->error) std::rethrow_exception(call->error);
  return true;
}

void TGuiThreadGate::Close() {
  {
    const std::lock_guard<std::mutex> lock(state_->mutex);
    state_->open = false;
  }
  state_->changed.notify_all();
}

void TGuiThreadGate::Open() {
  const std::lock_guard<std::mutex> lock(state_->mutex);
  state_->open = true;
}

int TGuiThreadGate::WaitingCallers() const {
  const std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->waiting;
}

bool TGuiThreadGate::IsOpen() const {
  const std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->open;
}

}  // namespace zentrova
