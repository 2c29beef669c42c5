// Fuzzes the world file, body file and outline readers through a whole load: the input's *.wld,
// *.bdy and *.exs files replace or join those of the example it names, and a world that loads takes a
// few steps, which move and collide the bodies just read.
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
  const TModelInput input =
      SplitModelInput({reinterpret_cast<const char*>(data), size}, {".wld", ".bdy", ".exs"});
  const std::string folder = UnpackModel(input);
  if (folder.empty()) return -1;
  std::string history;
  if (auto driver = LoadWorld(WorldFileOf(input, folder), history, "")) StepAtMost(*driver, kSteps);
  return 0;
}
