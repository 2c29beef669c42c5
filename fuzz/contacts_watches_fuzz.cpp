// Fuzzes the contact properties (*.cop) and watches (*.wtc) readers: the input's files replace the
// example's, and a world that loads steps until its first recorded state, so that contacts take
// their properties and the watches write their line.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/step/driver.h"
#include "fuzz_support.h"

namespace {
constexpr std::size_t kMaxInput = 16384;
constexpr int kSteps = 12;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return -1;
  using namespace zentrova::fuzz;
  ResetProcessState();
  const TModelInput input = SplitModelInput({reinterpret_cast<const char*>(data), size}, {".cop", ".wtc"});
  const std::string folder = UnpackModel(input);
  if (folder.empty()) return -1;
  std::string history;
  if (auto driver = LoadWorld(WorldFileOf(input, folder), history, "")) StepAtMost(*driver, kSteps);
  return 0;
}
