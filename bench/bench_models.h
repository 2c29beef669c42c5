// Model folders for the engine benchmarks: a fresh temporary folder per benchmark, removed with everything
// in it at the end, filled with a bundled example or with written files, and loaded by a new driver.
#pragma once

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <unistd.h>

#include "engine/step/driver.h"
#include "engine/world/model.h"

namespace zentrova::bench {

class ModelFolder {
 public:
  explicit ModelFolder(const std::string& name) {
    folder_ = std::filesystem::temp_directory_path() /
              ("zentrova-bench-" + name + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
  }
  ModelFolder(const ModelFolder&) = delete;
  ModelFolder& operator=(const ModelFolder&) = delete;
  ~ModelFolder() {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }

  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(folder_ / name, std::ios::binary) << text;
  }
  // Every file of examples/<model>.
  void CopyExample(const std::string& model) const {
    const std::filesystem::path source = std::filesystem::path(ZENTROVA_SOURCE_DIR) / "examples" / model;
    for (const auto& entry : std::filesystem::directory_iterator(source)) {
      if (entry.is_regular_file()) std::filesystem::copy_file(entry.path(), folder_ / entry.path().filename());
    }
  }
  // The history folders of the loads stay out of the next one's way: the previous driver (passed in) is
  // freed first and its history removed, so a folder never runs out of numbers.
  void Forget(std::unique_ptr<TVYKMain> previous) const {
    if (!previous) return;
    const std::string history = previous->World().Model().History.ShortName;
    previous.reset();
    std::filesystem::remove_all(folder_ / history);
  }
  // A driver with the world loaded into a new history directory; nullptr when the load fails.
  std::unique_ptr<TVYKMain> Load(const std::string& world, std::unique_ptr<TVYKMain> previous = nullptr) const {
    Forget(std::move(previous));
    auto main = std::make_unique<TVYKMain>();
    std::string history;
    if (!main->LoadWorld((folder_ / world).string(), history, "")) return nullptr;
    return main;
  }

 private:
  std::filesystem::path folder_;
};

}  // namespace zentrova::bench
