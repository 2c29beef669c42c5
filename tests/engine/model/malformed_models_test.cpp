// The corpus of malformed models under tests/data/engine/malformed, each run through zentrova-run as a
// user would. A case folder holds the files that replace or join those of a bundled example (subfolders
// included) and expected.txt:
//   # what is wrong with the model
//   model <example>      the example the case starts from
//   remove <file>        a file of the example that the case deletes
//   exit <status>        zentrova-run's exit status
//   out <line>           a line its standard output must hold
//   [Error] ...          its standard error, line by line and whole; {dir} stands for the model's folder
// A case that fails its run must stop before its break time, with no NaN or infinity among the states it
// computed, and no case may run longer than kCaseSeconds. A refusal names a file of the model: a case
// refused by its load one of the files the case replaces, adds or removes.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine_test_support.h"
#include "platform/ini_file.h"
#include "platform/number_text.h"
#include "platform/strings.h"

namespace zentrova {
namespace {

namespace fs = std::filesystem;

// Far beyond what a load or a failing run takes even with the sanitizers: only a run that never ends
// reaches it.
constexpr int kCaseSeconds = 120;
constexpr unsigned kWorkers = 4;
constexpr std::size_t kMinimumMalformed = 100;

struct Case {
  std::string name;
  std::string model;
  std::vector<std::string> removed;
  int exit = -1;
  std::vector<std::string> out;
  std::string err;  // the expected standard error, {dir} resolved
  std::vector<std::string> own;  // the names of the files the case replaces, adds or removes
  // What the run gave.
  int status = -1;
  std::string got_out;
  std::string got_err;
  std::string problem;  // set when the case could not be prepared or its run broke a rule
};

bool ReadCase(const fs::path& folder, const std::string& dir, Case& c) {
  c.name = folder.filename().string();
  std::istringstream lines(test::ReadBytes((folder / "expected.txt").string()));
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      c.err += ReplaceAll(line, "{dir}", dir) + "\n";
      continue;
    }
    const std::size_t blank = line.find(' ');
    const std::string key = line.substr(0, blank);
    const std::string value = blank == std::string::npos ? "" : line.substr(blank + 1);
    if (key == "model") {
      c.model = value;
    } else if (key == "remove") {
      c.removed.push_back(value);
    } else if (key == "exit") {
      c.exit = std::atoi(value.c_str());
    } else if (key == "out") {
      c.out.push_back(value);
    } else {
      return false;
    }
  }
  return !c.model.empty() && c.exit >= 0;
}

// The example, then the case's files over it, then the removals.
void PrepareModel(const fs::path& examples, const fs::path& folder, const fs::path& model, const Case& c) {
  const auto options = fs::copy_options::overwrite_existing;
  fs::create_directories(model);
  // The model's own files only: a history folder that a run recorded beside the example is no part of it.
  for (const auto& entry : fs::directory_iterator(examples / c.model)) {
    if (entry.is_regular_file()) fs::copy(entry.path(), model / entry.path().filename(), options);
  }
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().filename() != "expected.txt")
      fs::copy(entry.path(), model / entry.path().filename(), options | fs::copy_options::recursive);
  }
  for (const std::string& file : c.removed) fs::remove(model / file);
}

// The value of the output line "<key>: <value>"; false when there is none.
bool OutputValue(const std::string& out, const std::string& key, long double& value) {
  const std::size_t at = out.find(key + ": ");
  if (at == std::string::npos) return false;
  const std::size_t from = at + key.size() + 2;
  return TryTextToFloatDot(out.substr(from, out.find('\n', from) - from), value);
}

void RunCase(const fs::path& model, Case& c) {
  const std::string world_file = (model / (c.model + ".wld")).string();
  const std::string out_file = (model.parent_path() / "out.txt").string();
  const std::string err_file = (model.parent_path() / "err.txt").string();
  const std::string command = "timeout " + std::to_string(kCaseSeconds) + " " + ZENTROVA_BIN_DIR +
                              "/zentrova-run '" + world_file + "' >'" + out_file + "' 2>'" + err_file + "'";
  const int status = std::system(command.c_str());
  c.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  c.got_out = test::ReadBytes(out_file);
  c.got_err = test::ReadBytes(err_file);
  if (c.status != 3) return;
  // A failed run stops where it fails: before the break time, with no NaN or infinity recorded.
  long double break_time = 0;
  long double time = 0;
  if (TryTextToFloatDot(TIniFile(world_file).ReadString("Main", "breakTime", "1"), break_time) &&
      !(OutputValue(c.got_out, "time", time) && time < break_time)) {
    c.problem = "the failed run did not stop before its break time:\n" + c.got_out;
  }
  // The start state is the model as loaded; what the run computed after it must be finite.
  const std::string data = test::ReadBytes((model / "000" / "data.txt").string());
  const std::size_t computed = std::min(data.find('\n'), data.size());
  if (data.find("Nan", computed) != std::string::npos || data.find("Inf", computed) != std::string::npos) {
    c.problem = "NaN or infinity recorded by the run:\n" + data;
  }
}

TEST(MalformedModels, EachFailsWithItsCauseAndNoneRunsOn) {
  const fs::path corpus = fs::path(ZENTROVA_TEST_DATA) / "engine" / "malformed";
  std::vector<fs::path> folders;
  for (const auto& entry : fs::directory_iterator(corpus)) {
    if (entry.is_directory()) folders.push_back(entry.path());
  }
  std::sort(folders.begin(), folders.end());
  test::TempDir temp;
  // The examples as a user has them after the run command: each with a recorded history beside it.
  const fs::path examples = fs::path(temp.Path()) / "examples";
  for (const auto& example : fs::directory_iterator(fs::path(ZENTROVA_SOURCE_DIR) / "examples")) {
    if (!example.is_directory()) continue;
    const fs::path copy = examples / example.path().filename();
    fs::create_directories(copy / "000");
    for (const auto& entry : fs::directory_iterator(example.path())) {
      if (entry.is_regular_file()) fs::copy(entry.path(), copy / entry.path().filename());
    }
    test::WriteBytes((copy / "000" / "data.txt").string(), "a recorded state\r\n");
  }
  std::vector<Case> cases(folders.size());
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    for (std::size_t i = next++; i < folders.size(); i = next++) {
      Case& c = cases[i];
      const fs::path model = fs::path(temp.Path()) / folders[i].filename() / "model";
      if (!ReadCase(folders[i], model.string() + "/", c)) {
        c.problem = "expected.txt cannot be read";
        continue;
      }
      c.own = c.removed;
      for (const auto& entry : fs::recursive_directory_iterator(folders[i])) {
        if (entry.is_regular_file() && entry.path().filename() != "expected.txt")
          c.own.push_back(entry.path().filename().string());
      }
      try {
        PrepareModel(examples, folders[i], model, c);
        RunCase(model, c);
      } catch (const std::exception& e) {
        c.problem = e.what();
      }
    }
  };
  std::vector<std::thread> workers;
  for (unsigned w = 0; w < kWorkers; ++w) workers.emplace_back(work);
  for (std::thread& w : workers) w.join();

  std::size_t malformed = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.problem, "");
    EXPECT_EQ(c.status, c.exit) << c.got_err;
    EXPECT_EQ(c.got_err, c.err);
    if (c.exit != 0) {
      ++malformed;
      // The load's refusal names the file at fault; a run's, a file of the model.
      std::vector<std::string> names = c.own;
      if (c.exit != 2) {
        for (const auto& entry : fs::directory_iterator(fs::path(ZENTROVA_SOURCE_DIR) / "examples" / c.model))
          names.push_back(entry.path().filename().string());
      }
      const bool named = std::any_of(names.begin(), names.end(), [&c](const std::string& name) {
        // After a blank, or after the folder of a path.
        return c.got_err.find(" " + name) != std::string::npos || c.got_err.find("/" + name) != std::string::npos;
      });
      EXPECT_TRUE(named) << c.got_err;
    }
    for (const std::string& line : c.out) EXPECT_NE(c.got_out.find(line + "\n"), std::string::npos) << line;
  }
  EXPECT_GE(malformed, kMinimumMalformed);
}

}  // namespace
}  // namespace zentrova
