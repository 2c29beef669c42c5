// Fuzzes the read-back of a history: the input's data.txt, watches.txt and log.txt make up history
// 000 of an example, beside the copy of its model that the history was recorded with. The load then
// continues that history, or with the option "start" on the first line begins a new history from
// it, and the driver replays and steps on from what was read.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

#include "engine/step/driver.h"
#include "fuzz_support.h"

namespace {
constexpr std::size_t kMaxInput = 16384;
constexpr int kSteps = 12;
const char* const kHistory = "000";
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return -1;
  using namespace zentrova::fuzz;
  namespace fs = std::filesystem;
  ResetProcessState();
  TModelInput input = SplitModelInput({reinterpret_cast<const char*>(data), size}, {".txt"});
  TModelInput model = input;
  model.Files.clear();
  const std::string folder = UnpackModel(model);
  // The history holds the model as the load that made it copied it, and the files of the input.
  const std::string history_folder = folder + kHistory + "/";
  std::error_code ec;
  fs::create_directory(history_folder, ec);
  if (!WriteModel(input, history_folder)) Fail("cannot write history " + history_folder);

  const std::string world_file = WorldFileOf(input, folder);
  std::string history = HasOption(input, "start") ? std::string() : std::string(kHistory);
  const std::string start = HasOption(input, "start") ? std::string(kHistory) : std::string();
  if (auto driver = LoadWorld(world_file, history, start)) StepAtMost(*driver, kSteps);
  return 0;
}
