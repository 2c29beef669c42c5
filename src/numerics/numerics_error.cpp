#include "numerics/numerics_error.h"

#include <atomic>
#include <mutex>

#include "platform/message_sink.h"
#include "platform/number_text.h"

namespace zentrova {

namespace {

struct ErrorState {
  std::mutex mutex;
  TNumericsError record;              // guarded by mutex
  std::atomic<std::int32_t> code{0};  // mirrors record.Code for cheap tests
};

ErrorState& State() {
  static ErrorState state;
  return state;
}

}  // namespace

void RaiseNumericsError(std::int32_t ObjectOrUnitID, std::int32_t Code, const std::string& Message,
                        bool Show) {
  ErrorState& state = State();
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    state.record.ObjectOrUnitID = ObjectOrUnitID;
    state.record.Code = Code;
    state.record.Message = Message;
    state.record.Show = Show;
    state.code.store(Code);
  }
  if (!Show) return;
  // Shown outside the lock: a message box waits for the user, and readers must not wait with it.
  const char cr = '\r';
  std::string text = "Qorv raising error:";
  text.append(3, cr);
  text += ObjectOrUnitID < kFirstUnitID ? " @ Unit: " : " @ Object: ";
  text += IntToText(ObjectOrUnitID);
  text.append(2, cr);
  text += " Code: " + IntToText(Code);
  text.append(2, cr);
  text += " Message: " + Message;
  text += cr;
  ShowMessage(text);
}

void ClearNumericsError() {
  ErrorState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.record = TNumericsError{};
  state.code.store(0);
}

TNumericsError NumericsError() {
  ErrorState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.record;
}

std::int32_t NumericsErrorCode() {
  return State().code.load();
}

}  // namespace zentrova
