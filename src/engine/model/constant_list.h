// A model's named constants (lengths, masses, spring rates) from its constants file (.cns). The
// expression lists replace every constant name in every expression text by the constant's value before
// compiling.
//
// Constants file: one "name = value" per line. Every blank is removed first (1 000 reads as 1000); tabs
// stay. Empty lines are skipped. The name is the text before the first "=", the value the whole text
// after it, a real with the process-wide decimal separator. No comments, sections or quoting.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/log_sink.h"

namespace zentrova {

// The expression language has a constant word of the same name (its built-in "pi"); a model constant
// is a different thing, kept apart so that both can be used in one place.
namespace model {
struct TConstant {
  long double Value = 0;
  std::string Name;
};
}  // namespace model

class TConstantList {
 public:
  // The list logs to `log` and shows its message box through `messages` (the program's when nullptr);
  // both outlive it.
  explicit TConstantList(ILogSink& log = ProgramLog(), IMessageSink* messages = nullptr)
      : log_(&log), messages_(messages) {}

  // Appends a constant; duplicate names are allowed (the first one is what expressions receive).
  bool AddConstant(const std::string& name, long double value);

  // Reads the file, adding each constant in order. A missing file logs "[Error] No constant list file
  // found."; a line that is not "name = value" with a real value, or a line holding a NUL byte, logs an
  // error naming the line and the file and ends the reading (the constants before it stay). False then.
  bool ReadConstantFile(const std::string& path);
  // ReadConstantFile; on failure also the message box "[Error] Cannot read constant file.".
  bool Load(const std::string& path);

  std::int32_t Count() const { return static_cast<std::int32_t>(items_.size()); }
  const model::TConstant& Items(std::int32_t index) const { return items_.at(static_cast<std::size_t>(index)); }
  std::vector<model::TConstant>::const_iterator begin() const { return items_.begin(); }
  std::vector<model::TConstant>::const_iterator end() const { return items_.end(); }
  void Clear() { items_.clear(); }

 private:
  std::vector<model::TConstant> items_;
  ILogSink* log_;
  IMessageSink* messages_;
};

}  // namespace zentrova
