// A blocking queued call: a worker thread has a piece of work run whole on the GUI thread (the thread
// of the application object), between two of its events, and waits until it has run. A gate lets the
// GUI thread refuse such calls: before it joins a worker that may be waiting on it, it closes the gate,
// which releases the waiting caller, and the worker's later calls return at once.
#pragma once

#include <functional>
#include <memory>

namespace zentrova {

class TGuiThreadGate {
 public:
  TGuiThreadGate();
  // Closes the gate: no caller stays waiting on a gate that is gone.
  ~TGuiThreadGate();
  TGuiThreadGate(const TGuiThreadGate&) = delete;
  TGuiThreadGate& operator=(const TGuiThreadGate&) = delete;

  // Runs the work on the GUI thread and returns once it has run: at once on the GUI thread itself and in
  // a process without an application object. Returns false without running it when the gate is closed
  // or closes while the caller waits. An exception of the work is raised again in the caller.
  bool Call(const std::function<void()>& work);
  void Close();
  void Open();
  bool IsOpen() const;
  // Callers on other threads that wait for the GUI thread now.
  int WaitingCallers() const;

  // The caller is the GUI thread, or the process has no application object.
  static bool OnGuiThread();

 private:
  struct TState;
  std::shared_ptr<TState> state_;
};

}  // namespace zentrova
