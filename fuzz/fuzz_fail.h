// How every harness reports a fault of the program that no sanitizer sees.
#pragma once

#include <string>

namespace zentrova::fuzz {

// Aborts with the text on stderr: libFuzzer then keeps the input as a crash.
[[noreturn]] void Fail(const std::string& text);

}  // namespace zentrova::fuzz
