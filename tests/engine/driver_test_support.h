// Fixtures of the load, step, driver and physics tests: a model folder from tests/data/engine/models
// copied into a fresh temporary folder (where its history directories are made), loaded by a driver;
// and zentrova-run run as its own process.
#pragma once

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/step/driver.h"
#include "engine/world/model.h"
#include "engine_test_support.h"
#include "platform/text_file.h"

namespace zentrova::test {

// What a run of zentrova-run printed and returned.
struct ToolResult {
  int status = -1;               // its exit status; -1 when it could not be started or did not exit
  std::vector<std::string> out;  // the lines of its standard output
  std::string err;               // its standard error
};

// Runs zentrova-run with `arguments` (shell words), its standard error kept in the file `err_file`.
inline ToolResult RunZentrovaRun(const std::string& arguments, const std::string& err_file) {
  ToolResult result;
  FILE* pipe =
      popen((std::string(ZENTROVA_BIN_DIR) + "/zentrova-run " + arguments + " 2>" + err_file).c_str(), "r");
  if (pipe == nullptr) return result;
  std::string out;
  std::array<char, 256> buffer{};
  while (std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) out += buffer.data();
  const int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) result.out.push_back(line);
  result.err = ReadBytes(err_file);
  return result;
}

class ModelTest : public EngineTest {
 protected:
  void TearDown() override {
    main_.reset();
    EngineTest::TearDown();
  }

  // Copies the fixture folder `name` (or the folder `source`) into the temporary folder, the model's folder.
  std::string CopyModel(const std::string& name) { return CopyFolder(Data("models/" + name)); }
  std::string CopyFolder(const std::string& source) {
    for (const auto& entry : std::filesystem::directory_iterator(source)) {
      if (entry.is_regular_file()) {
        std::filesystem::copy_file(entry.path(), std::filesystem::path(dir_.Path()) / entry.path().filename(),
                                   std::filesystem::copy_options::overwrite_existing);
      }
    }
    return dir_.Path();
  }
  // Replaces (or adds) a file of the copied model.
  void WriteModelFile(const std::string& name, const std::string& text) { WriteBytes(dir_.File(name), text); }

  // A new driver (its log the global one) loading the copied world file; `history_name` receives the name
  // of a new history directory.
  bool Load(const std::string& world_file, std::string& history_name, const std::string& start = "") {
    main_ = std::make_unique<TVYKMain>();
    return main_->LoadWorld(dir_.File(world_file), history_name, start);
  }
  bool Load(const std::string& world_file) {
    std::string history_name;
    return Load(world_file, history_name);
  }
  TWorld& World() { return main_->World(); }
  std::vector<std::string> Lines() const { return main_->Log().Lines(); }
  bool Logged(const std::string& line) const {
    const std::vector<std::string> lines = Lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  // The lines of a file of the temporary folder.
  std::vector<std::string> FileLines(const std::string& relative) const {
    std::vector<std::string> lines;
    ReadTextLines(dir_.File(relative), lines);
    return lines;
  }
  // Steps the driver n times; false at the first step it gave up.
  bool Steps(int n) {
    for (int i = 0; i < n; ++i) {
      if (!main_->Step()) return false;
    }
    return true;
  }
  long double Q(std::uint32_t i) { return World().State.Evaluated.Q.At(i); }
  long double QDot(std::uint32_t i) { return World().State.Evaluated.QDot.At(i); }

  TempDir dir_;
  std::unique_ptr<TVYKMain> main_;
};

}  // namespace zentrova::test
