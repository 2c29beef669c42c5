// Exceptions of the scene library. Every failure of the library is one of these, so that the
// application can catch them at its event boundary and show the text.
#pragma once

#include <source_location>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zentrova {

// Base of the scene library's exceptions; also raised directly where a failure has no class of its
// own ("Broken ObjectList archive", "File not found: ...").
class ESceneError : public std::runtime_error {
 public:
  explicit ESceneError(const std::string& message) : std::runtime_error(message), message_(message) {}
  // The text without any decoration (what() may add the place for assertions).
  const std::string& Message() const { return message_; }

 private:
  std::string message_;
};

// A broken consistency rule: the given text (or "Assertion failure") with the source file and line.
class EAssertionFailed : public ESceneError {
 public:
  EAssertionFailed(const std::string& message, std::string file, int line);
  const std::string& File() const { return file_; }
  int Line() const { return line_; }
  const char* what() const noexcept override { return full_.c_str(); }

 private:
  std::string file_;
  int line_;
  std::string full_;
};

// An index or value outside the range that a typed view or a conversion allows.
class ERangeError : public ESceneError {
 public:
  ERangeError() : ESceneError("Range check error") {}
};

// Count times item size beyond what a block can address.
class EIntOverflow : public ESceneError {
 public:
  EIntOverflow() : ESceneError("Integer overflow") {}
};

class EStreamError : public ESceneError {
  using ESceneError::ESceneError;
};
class EReadError : public EStreamError {
  using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
  using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
  using EStreamError::EStreamError;
};
class EFCreateError : public EStreamError {
  using EStreamError::EStreamError;
};
class EListError : public ESceneError {
  using ESceneError::ESceneError;
};
class EClassNotFound : public ESceneError {
  using ESceneError::ESceneError;
};
class EConvertError : public ESceneError {
  using ESceneError::ESceneError;
};
// An archive the class cannot read: unknown version or inconsistent content.
class EFilerException : public ESceneError {
  using ESceneError::ESceneError;
};
class EInvalidFileSignature : public ESceneError {
  using ESceneError::ESceneError;
};

// Raises EAssertionFailed with the caller's file and line when the condition is false.
inline void SceneAssert(bool condition, std::string_view message = {},
                        std::source_location where = std::source_location::current()) {
  if (!condition) {
    throw EAssertionFailed(message.empty() ? std::string("Assertion failure") : std::string(message),
                           where.file_name(), static_cast<int>(where.line()));
  }
}

}  // namespace zentrova
