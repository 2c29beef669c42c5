// The one process-wide error record of the numerics. Numerics operations never throw to their caller:
// a refused operation records its object's ID, a code and a message here and returns normally, and
// callers that care test the code afterwards (the simulation thread after every step).
#pragma once

#include <cstdint>
#include <string>

namespace zentrova {

struct TNumericsError {
  std::int32_t ObjectOrUnitID = 0;  // below -10000 a unit rather than an object
  std::int32_t Code = 0;            // 0 = no error
  std::string Message;
  bool Show = false;
};

// IDs below this one name a unit rather than an object in the message box.
inline constexpr std::int32_t kFirstUnitID = -10000;

// Overwrites all four fields. With Show the text also goes to a modal message box (the platform's
// ShowMessage) before returning.
void RaiseNumericsError(std::int32_t ObjectOrUnitID, std::int32_t Code, const std::string& Message,
                        bool Show);
void ClearNumericsError();

// The record may be written by the simulation thread while the main thread reads it: NumericsError
// returns a consistent copy, NumericsErrorCode the code alone without taking the lock.
TNumericsError NumericsError();
std::int32_t NumericsErrorCode();

}  // namespace zentrova
