// zentrova-run: loads a world as the program does (into a new numbered history directory beside the
// model, or with --history NNN into the history NNN, which it continues) and runs it without a window
// until its break time, or until the time given with --until (whose state is recorded), then prints four
// lines:
//   history: <the history directory>, nothing after the blank when a new history recorded nothing and
//            its directory went again (a full disk at its first record)
//   steps: <driver steps taken>
//   time: <the world's time>, or the time of the history's last record when no step was taken (a
//         continuation that could not be opened or is past its break time)
//   energy: <the mechanical energy of that state>
// The load's alerts and warnings go to stderr.
// A history that already ends past the break time runs nothing: an alert on stderr says so, and the exit
// status is 0.
// Exit status: 0 after a run that reached its end, 1 for a wrong command line (also a time for --until
// that is NaN, infinite or negative), 2 when the load fails, also when another run records into the
// history or its model copy is incomplete (every error line of the load on stderr, first to last), 3 when
// the run stops on an error (the error on stderr), a history file that could not be written among them
// (a full disk: the line names the file and the reason; the history keeps its whole records up to there).
// A file-size limit (ulimit -f) is a failed write like a full disk: it does not kill the run.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <initializer_list>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/step/driver.h"
#include "engine/step/run_loop.h"
#include "engine/world/model.h"
#include "platform/line_file.h"
#include "platform/message_sink.h"
#include "platform/number_text.h"
#include "platform/paths.h"

namespace {

constexpr int kExitUsage = 1;
constexpr int kExitLoadFailed = 2;
constexpr int kExitRunFailed = 3;

int Usage() {
  std::fprintf(stderr, "usage: zentrova-run WORLD.wld [--history NNN] [--until T]\n");
  return kExitUsage;
}

// The last error line of the log, or its last line when none is tagged as an error.
std::string ErrorLine(const zentrova::TLog& log) {
  const std::vector<std::string> lines = log.Lines();
  // Reverse iterators rather than a reversed view: clang 14 cannot compile libstdc++'s range views.
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
    if (line->rfind("[Error] ", 0) == 0) return *line;
  }
  return lines.empty() ? std::string("[Error] The world could not be loaded.") : lines.back();
}

// Without a window a message box is a line of the log: it reaches stderr in its place among the others.
class TLogMessages : public zentrova::IMessageSink {
 public:
  explicit TLogMessages(zentrova::TLog& log) : log_(log), previous_(zentrova::SetMessageSink(this)) {}
  TLogMessages(const TLogMessages&) = delete;
  TLogMessages& operator=(const TLogMessages&) = delete;
  ~TLogMessages() override { zentrova::SetMessageSink(previous_); }
  void ShowMessage(const std::string& text) override { log_.Add(text); }

 private:
  zentrova::TLog& log_;
  zentrova::IMessageSink* previous_;
};

// The log's lines that start with one of the tags, first to last; a line that repeats the one before it
// (a message box that is also logged) is printed once.
std::string TaggedLines(const zentrova::TLog& log, std::initializer_list<std::string_view> tags) {
  const std::vector<std::string> lines = log.Lines();
  std::string text;
  const std::string* previous = nullptr;
  for (const std::string& line : lines) {
    const bool tagged = std::any_of(tags.begin(), tags.end(), [&line](std::string_view tag) {
      return std::string_view(line).substr(0, tag.size()) == tag;
    });
    if (tagged && (previous == nullptr || *previous != line)) text += line + "\n";
    previous = &line;
  }
  return text;
}

// Every error line: a reader's own line comes before the lines of the readers that failed because of
// it. The log's last line when none is tagged as an error.
std::string ErrorLines(const zentrova::TLog& log) {
  const std::string text = TaggedLines(log, {"[Error] "});
  if (!text.empty()) return text;
  const std::vector<std::string> lines = log.Lines();
  return (lines.empty() ? std::string("[Error] The world could not be loaded.") : lines.back()) + "\n";
}

// The load's alerts and warnings: a value the load replaced by its default is worth knowing before the
// run's numbers are read.
std::string AlertLines(const zentrova::TLog& log) { return TaggedLines(log, {"[Alert] ", "[Warning] "}); }

std::string WithoutTrailingSeparator(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  zentrova::LetFileSizeLimitFailWrites();
  std::string world_file;
  std::string history_name;
  long double until = std::numeric_limits<long double>::infinity();
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--until") {
      if (i + 1 >= argc || !zentrova::TryTextToFloatDot(argv[i + 1], until)) return Usage();
      // A run can only go forward from 0, and it must end: NaN would never compare as reached.
      if (!std::isfinite(until) || until < 0) {
        std::fprintf(stderr, "zentrova-run: --until needs a finite time of 0 s or more, not %s\n", argv[i + 1]);
        return kExitUsage;
      }
      ++i;
    } else if (arg == "--history") {
      if (i + 1 >= argc || !history_name.empty() || argv[i + 1][0] == '\0') return Usage();
      history_name = argv[++i];
    } else if (world_file.empty() && arg.rfind("--", 0) != 0) {
      world_file = arg;
    } else {
      return Usage();
    }
  }
  if (world_file.empty()) return Usage();

  // Freed before the history's line is printed: closing it removes a new directory that recorded nothing.
  auto driver = std::make_unique<zentrova::TVYKMain>();
  zentrova::TVYKMain& main = *driver;
  auto messages = std::make_unique<TLogMessages>(main.Log());
  try {
    if (!main.LoadWorld(world_file, history_name, "")) {
      std::fputs(ErrorLines(main.Log()).c_str(), stderr);
      return kExitLoadFailed;
    }
    std::fputs(AlertLines(main.Log()).c_str(), stderr);
  } catch (const std::exception& e) {
    main.Log().Add(std::string("[Error] ") + e.what());
    std::fputs(ErrorLines(main.Log()).c_str(), stderr);
    return kExitLoadFailed;
  }

  zentrova::TRunLoop run(main);
  const zentrova::TRunStop stop = run.Run(until);
  zentrova::TWorld& world = main.World();
  zentrova::THistory& history = world.Model().History;
  // The loop has written the run's times into log.txt: a log that could not take them failed the run.
  const bool failed = zentrova::RunFailed(stop);
  if (failed) {
    const std::string reason = history.WriteFailed() ? history.WriteFailure() : ErrorLine(main.Log());
    std::fprintf(stderr, "%s\n", reason.c_str());
  }
  // Nothing ran, and a script must hear why its run stopped at once.
  if (stop == zentrova::TRunStop::PastBreakTime) std::fprintf(stderr, "%s\n", run.StopReason.c_str());
  // The energy of the state the run ended in, not of the last stage of its last step.
  if (!failed) world.PrepareStep();
  long double time = world.State.Time;
  long double energy = world.State.MechanicalEnergy;
  // Without a step the world stands at the history's first record, where a continuation begins.
  const zentrova::TGeneralizedCoordinatesHistory* last = history.Points.Last();
  if (run.Steps == 0 && last != nullptr) {
    time = last->Time;
    energy = last->MechanicalEnergy;
  }
  const std::string directory = history.Directory;
  const std::uint64_t steps = run.Steps;
  messages.reset();
  driver.reset();
  std::printf("history: %s\n",
              zentrova::DirectoryExists(directory) ? WithoutTrailingSeparator(directory).c_str() : "");
  std::printf("steps: %llu\n", static_cast<unsigned long long>(steps));
  std::printf("time: %s\n", zentrova::FloatToText(time).c_str());
  std::printf("energy: %s\n", zentrova::FloatToText(energy).c_str());
  return failed ? kExitRunFailed : 0;
}
