// The runtime's exception classes: a message text only. The parser and the scene library derive their
// own exceptions from `Exception`; the integer and conversion errors stand in for the checks that the
// runtime makes on every integer conversion and division.
#pragma once

#include <stdexcept>
#include <string>

namespace zentrova {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

// A text that is not the number it should be.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// An index outside a list.
class EListError : public Exception {
 public:
  using Exception::Exception;
};

// Integer arithmetic refused: a zero divisor, a value that does not fit the integer type.
class EIntError : public Exception {
 public:
  using Exception::Exception;
};

class EDivByZero : public EIntError {
 public:
  using EIntError::EIntError;
};

class ERangeError : public EIntError {
 public:
  using EIntError::EIntError;
};

class EIntOverflow : public EIntError {
 public:
  using EIntError::EIntError;
};

// A floating-point error. The floating-point unit runs with every exception masked, so arithmetic
// itself gives NaN or infinity; only code that checks on purpose raises this.
class EMathError : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace zentrova
