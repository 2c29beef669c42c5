// What the fuzz harnesses share: the model folder an input is unpacked into, the split of an input
// into model files, and a quiet, clean process state for every input.
//
// A model input names the example it starts from on its first line, then replaces or adds files:
//   pendulum
//   @@@ pendulum.wld
//   [Main]
//   ...
//   @@@ bar.exs
//   ...
// Each file runs from the line after its "@@@ NAME" line up to the next such line. A harness takes
// only the files of the kinds it fuzzes; the example's own files make up the rest of the model.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_fail.h"

namespace zentrova {
class TVYKMain;
}

namespace zentrova::fuzz {

struct TModelFile {
  std::string Name;  // a plain file name: letters, digits, '.', '-' and '_'
  std::string Text;
};

struct TModelInput {
  std::string Example;  // the examples/ folder the model starts from
  std::vector<std::string> Options;  // the words after the example's name on the first line
  std::vector<TModelFile> Files;
};

// The example named on the first line (pendulum when it names none of them) and the files of the
// input whose names end in one of `extensions` (letter case ignored); files with other names or
// names that are no plain file names are dropped.
TModelInput SplitModelInput(std::string_view data, std::initializer_list<std::string_view> extensions);

bool HasOption(const TModelInput& input, std::string_view option);

// The process-wide state every input starts from: "." as decimal separator, no numerics error, no
// message box (messages are dropped). Called at the start of every input.
void ResetProcessState();

// The folder of this process that inputs are unpacked in, emptied: created on first use in the
// system's temporary folder and removed at exit. With a trailing "/".
std::string CleanScratchFolder();

// Copies the example's files into `folder` and writes the input's files over them. False when the
// example is missing (the harness is then misconfigured, which aborts).
bool WriteModel(const TModelInput& input, const std::string& folder);

// True when the world file keeps the model in its own folder. A world file may name any folder as
// its working directory, where a load makes history directories: a fuzzed one must not reach outside
// the scratch folder.
bool KeepsWorkingDirectory(const std::string& world_file);

// The example's world file in `folder`: examples name it after their folder.
std::string WorldFileOf(const TModelInput& input, const std::string& folder);

// Unpacks the model into the clean scratch folder: the model's folder, or "" when the input is one
// no harness loads (its world file names another working directory).
std::string UnpackModel(const TModelInput& input);

// Loads the world file with a new driver, as the program does: the driver of a world that loaded, or
// nullptr when the load failed or raised an expression's exception.
std::unique_ptr<TVYKMain> LoadWorld(const std::string& world_file, std::string& history_name,
                                    const std::string& start_history_name);

// Steps the driver at most `steps` times, until a step is given up or raises.
void StepAtMost(TVYKMain& driver, int steps);

}  // namespace zentrova::fuzz
