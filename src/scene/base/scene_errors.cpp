#include "scene/base/scene_errors.h"

namespace zentrova {

namespace {
// Only the unit's own name, not the build machine's folders.
std::string UnitName(const std::string& file) {
  const auto slash = file.find_last_of("/\\");
  return slash == std::string::npos ? file : file.substr(slash + 1);
}
}  // namespace

EAssertionFailed::EAssertionFailed(const std::string& text, std::string file, int line)
    : Exception(text + " (" + UnitName(file) + ", line " + std::to_string(line) + ")"),
      text_(text),
      file_(UnitName(file)),
      line_(line) {}

}  // namespace zentrova
