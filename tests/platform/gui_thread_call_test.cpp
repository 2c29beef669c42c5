// Blocking queued calls from a worker thread to the GUI thread, and the gate that releases them.
#include "platform/gui_thread_call.h"

#include <gtest/gtest.h>

#include <QtCore/QThread>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "qt_test_application.h"
#include "test_support.h"

namespace zentrova {
namespace {

TEST(GuiThreadGate, AWorkersCallRunsOnTheGuiThread) {
  test::TestCoreApplication();
  TGuiThreadGate gate;
  std::atomic<bool> finished{false};
  QThread* ran_on = nullptr;
  bool answer = false;
  std::thread worker([&] {
    answer = gate.Call([&] { ran_on = QThread::currentThread(); });
    finished = true;
  });
  EXPECT_TRUE(test::PumpEventsUntil([&] { return finished.load(); }));
  worker.join();
  EXPECT_TRUE(answer);
  EXPECT_EQ(ran_on, QCoreApplication::instance()->thread());

  std::thread failing([&] {
    EXPECT_THROW(gate.Call([] { throw std::runtime_error("no frame"); }), std::runtime_error);
    finished = false;
  });
  EXPECT_TRUE(test::PumpEventsUntil([&] { return !finished.load(); }));
  failing.join();
}

TEST(GuiThreadGate, ClosingReleasesAWaitingWorkerAndRefusesLaterCalls) {
  test::TestCoreApplication();
  TGuiThreadGate gate;
  std::atomic<int> runs{0};
  bool first = true;
  bool second = true;
  std::thread worker([&] {
    first = gate.Call([&] { ++runs; });
    second = gate.Call([&] { ++runs; });
  });
  // The GUI thread handles no event: the worker waits until the gate closes.
  while (gate.WaitingCallers() == 0) std::this_thread::yield();
  const auto start = std::chrono::steady_clock::now();
  gate.Close();
  worker.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_FALSE(first);
  EXPECT_FALSE(second);
  QCoreApplication::processEvents();  // the abandoned call reaches the GUI thread and is skipped
  EXPECT_EQ(runs.load(), 0);
  EXPECT_FALSE(gate.Call([&] { ++runs; }));  // the GUI thread too, until the gate opens
  gate.Open();
  EXPECT_TRUE(gate.Call([&] { ++runs; }));
  EXPECT_EQ(runs.load(), 1);
}

}  // namespace
}  // namespace zentrova
