// Exceptions of the scene library, on the runtime's Exception. Failures without a class of their own
// ("Broken ObjectList archive", "File not found: ...") raise Exception itself; range, overflow,
// conversion and list errors are the runtime's (platform/exception.h).
#pragma once

#include <string>
#include <string_view>

#include "platform/exception.h"

namespace zentrova {

// A broken consistency rule. Its message is the given text (or "Assertion failure") followed by the
// source file and line, "Assertion failure (unit.cpp, line 42)".
class EAssertionFailed : public Exception {
 public:
  EAssertionFailed(const std::string& text, std::string file, int line);
  // The text without the place.
  const std::string& Text() const { return text_; }
  const std::string& File() const { return file_; }
  int Line() const { return line_; }

 private:
  std::string text_;
  std::string file_;
  int line_;
};

class EStreamError : public Exception {
 public:
  using Exception::Exception;
};
class EReadError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EFCreateError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EClassNotFound : public Exception {
 public:
  using Exception::Exception;
};
// An archive the class cannot read: unknown version or inconsistent content.
class EFilerException : public Exception {
 public:
  using Exception::Exception;
};
class EInvalidFileSignature : public Exception {
 public:
  using Exception::Exception;
};

// The runtime's texts for its range and overflow checks.
inline constexpr const char* kRangeCheckError = "Range check error";
inline constexpr const char* kIntOverflowError = "Integer overflow";

// Raises EAssertionFailed with the caller's file and line when the condition is false. The caller's place
// comes from the compilers' __builtin_FILE and __builtin_LINE, evaluated where the default arguments are
// used: clang 14 cannot build the standard library's source_location.
inline void SceneAssert(bool condition, std::string_view text = {}, const char* file = __builtin_FILE(),
                        int line = __builtin_LINE()) {
  if (!condition) {
    throw EAssertionFailed(text.empty() ? std::string("Assertion failure") : std::string(text), file, line);
  }
}

}  // namespace zentrova
