#include "fuzz_support.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "engine/step/driver.h"
#include "numerics/numerics_error.h"
#include "platform/exception.h"
#include "platform/ini_file.h"
#include "platform/message_sink.h"
#include "platform/settings.h"
#include "platform/strings.h"

namespace zentrova::fuzz {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kFileMark = "@@@ ";
constexpr std::string_view kDefaultExample = "pendulum";
constexpr std::size_t kMaxFileName = 40;

bool PlainFileName(std::string_view name) {
  if (name.empty() || name.size() > kMaxFileName || name.front() == '.') return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
           c == '_';
  });
}

bool EndsWithAny(std::string_view name, std::initializer_list<std::string_view> extensions) {
  const std::string lower = LowerCase(std::string(name));
  return std::any_of(extensions.begin(), extensions.end(), [&](std::string_view ext) {
    return lower.size() > ext.size() && lower.compare(lower.size() - ext.size(), ext.size(), ext) == 0;
  });
}

std::vector<std::string> Words(std::string_view line) {
  std::vector<std::string> words;
  std::size_t p = 0;
  while (p < line.size()) {
    while (p < line.size() && (line[p] == ' ' || line[p] == '\t' || line[p] == '\r')) ++p;
    std::size_t e = p;
    while (e < line.size() && line[e] != ' ' && line[e] != '\t' && line[e] != '\r') ++e;
    if (e > p) words.emplace_back(line.substr(p, e - p));
    p = e;
  }
  return words;
}

// Drops messages: a message box has no one to answer it here.
class QuietMessages : public IMessageSink {
 public:
  void ShowMessage(const std::string&) override {}
};

std::string& ScratchRoot() {
  static std::string root;
  return root;
}

void RemoveScratchRoot() {
  std::error_code ec;
  if (!ScratchRoot().empty()) fs::remove_all(ScratchRoot(), ec);
}

// With ZENTROVA_FUZZ_VERBOSE set, the log of every load and run goes to stderr: what an input reached.
void ShowLog(TVYKMain& driver, const char* when) {
  static const bool verbose = std::getenv("ZENTROVA_FUZZ_VERBOSE") != nullptr;
  if (!verbose) return;
  std::fprintf(stderr, "-- log %s, time %Lg, %u states:\n", when, driver.World().State.Time,
               driver.World().State.StoredStateCount);
  for (const std::string& line : driver.Log().Lines()) std::fprintf(stderr, "   %s\n", line.c_str());
}

}  // namespace

TModelInput SplitModelInput(std::string_view data, std::initializer_list<std::string_view> extensions) {
  TModelInput input;
  std::size_t line_end = data.find('\n');
  const std::vector<std::string> first = Words(data.substr(0, line_end));
  input.Example = std::string(kDefaultExample);
  if (!first.empty()) {
    for (const char* name : {"pendulum", "double-pendulum", "falling-box"}) {
      if (first.front() == name) input.Example = name;
    }
    input.Options.assign(first.begin() + 1, first.end());
  }
  // The lines that begin with the mark, after the first line.
  std::vector<std::size_t> marks;
  for (std::size_t p = line_end; p < data.size(); p = data.find('\n', p)) {
    ++p;
    if (data.substr(p, kFileMark.size()) == kFileMark) marks.push_back(p);
  }
  for (std::size_t i = 0; i < marks.size(); ++i) {
    const std::size_t name_start = marks[i] + kFileMark.size();
    const std::size_t name_end = std::min(data.find('\n', name_start), data.size());
    const std::size_t text_start = std::min(name_end + 1, data.size());
    const std::size_t text_end = i + 1 < marks.size() ? marks[i + 1] : data.size();
    const std::vector<std::string> name = Words(data.substr(name_start, name_end - name_start));
    if (name.size() == 1 && PlainFileName(name.front()) && EndsWithAny(name.front(), extensions)) {
      input.Files.push_back({name.front(), std::string(data.substr(text_start, text_end - text_start))});
    }
  }
  return input;
}

bool HasOption(const TModelInput& input, std::string_view option) {
  return std::find(input.Options.begin(), input.Options.end(), option) != input.Options.end();
}

void ResetProcessState() {
  static QuietMessages quiet;
  SetMessageSink(&quiet);
  SetDecimalSeparator('.');
  ClearNumericsError();
}

std::string CleanScratchFolder() {
  std::string& root = ScratchRoot();
  if (root.empty()) {
    std::string pattern = (fs::temp_directory_path() / "zentrova-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) Fail("cannot make a scratch folder under " + pattern);
    root = pattern + "/";
    std::atexit(RemoveScratchRoot);
  }
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(root, ec)) fs::remove_all(entry.path(), ec);
  return root;
}

bool WriteModel(const TModelInput& input, const std::string& folder) {
  std::error_code ec;
  const fs::path example = fs::path(ZENTROVA_EXAMPLES_DIR) / input.Example;
  if (!fs::is_directory(example, ec)) return false;
  for (const auto& entry : fs::directory_iterator(example, ec)) {
    if (entry.is_regular_file()) fs::copy_file(entry.path(), fs::path(folder) / entry.path().filename(), ec);
  }
  for (const TModelFile& file : input.Files) {
    std::ofstream out(folder + file.Name, std::ios::binary | std::ios::trunc);
    out << file.Text;
  }
  return true;
}

bool KeepsWorkingDirectory(const std::string& world_file) {
  const TIniFile ini(world_file);
  return SameText(ini.ReadString("Main", "workingDirectory", "current"), "current");
}

std::string WorldFileOf(const TModelInput& input, const std::string& folder) {
  return folder + input.Example + ".wld";
}

std::string UnpackModel(const TModelInput& input) {
  const std::string folder = CleanScratchFolder();
  if (!WriteModel(input, folder)) Fail("no example " + input.Example + " in " + ZENTROVA_EXAMPLES_DIR);
  return KeepsWorkingDirectory(WorldFileOf(input, folder)) ? folder : std::string();
}

std::unique_ptr<TVYKMain> LoadWorld(const std::string& world_file, std::string& history_name,
                                    const std::string& start_history_name) {
  auto driver = std::make_unique<TVYKMain>();
  try {
    // A world that failed to load is not run; its driver is freed as the program frees it.
    if (!driver->LoadWorld(world_file, history_name, start_history_name)) {
      ShowLog(*driver, "of a failed load");
      return nullptr;
    }
  } catch (const Exception& e) {
    // The program reports the message and drops the world.
    ShowLog(*driver, e.what());
    return nullptr;
  }
  return driver;
}

void StepAtMost(TVYKMain& driver, int steps) {
  try {
    for (int i = 0; i < steps && driver.Step(); ++i) {
    }
  } catch (const Exception& e) {
    // The run loop stops on it.
    ShowLog(driver, e.what());
    return;
  }
  ShowLog(driver, "after the steps");
}

}  // namespace zentrova::fuzz
