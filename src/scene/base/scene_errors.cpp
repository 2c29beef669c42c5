#include "scene/base/scene_errors.h"

namespace zentrova {

EAssertionFailed::EAssertionFailed(const std::string& message, std::string file, int line)
    : ESceneError(message), file_(std::move(file)), line_(line) {
  // Only the unit's own name, not the build machine's folders.
  const auto slash = file_.find_last_of("/\\");
  if (slash != std::string::npos) file_.erase(0, slash + 1);
  full_ = message + " (" + file_ + ", line " + std::to_string(line_) + ")";
}

}  // namespace zentrova
