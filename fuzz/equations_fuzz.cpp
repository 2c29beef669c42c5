// Fuzzes the equation readers over the bodies of an example: the input's constants (*.cns),
// generalized coordinates (*.gc), dependent coordinates (*.dc), mass matrix (*.mmx), generalized
// forces (*.hv) and energy (*.me) replace the example's, and a world that loads takes a few steps,
// which evaluate every equation read.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/step/driver.h"
#include "fuzz_support.h"

namespace {
constexpr std::size_t kMaxInput = 16384;
constexpr int kSteps = 3;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return -1;
  using namespace zentrova::fuzz;
  ResetProcessState();
  const TModelInput input = SplitModelInput({reinterpret_cast<const char*>(data), size},
                                            {".cns", ".gc", ".dc", ".mmx", ".hv", ".me"});
  const std::string folder = UnpackModel(input);
  if (folder.empty()) return -1;
  std::string history;
  if (auto driver = LoadWorld(WorldFileOf(input, folder), history, "")) StepAtMost(*driver, kSteps);
  return 0;
}
