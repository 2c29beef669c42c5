// What the scene harnesses share: a small off-screen OpenGL context current for the whole run, a render
// context record on a state cache, and the rule that a damaged file is refused by an exception of the
// library's, never by an assertion failure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_fail.h"
#include "platform/exception.h"
#include "scene/base/scene_errors.h"

namespace zentrova {
struct TRenderContextInfo;
}

namespace zentrova::fuzz {

// Makes a 16 × 16 off-screen context of EGL's surfaceless platform current, made on the first call and
// kept to the end of the process; texture coordinates go to the main unit.
void UseOffscreenContext();

// A render context record on a state cache that lives as long as the process, reset for every input.
TRenderContextInfo& FreshRenderContext();

// Runs f: true when it raised one of the library's exceptions (the input is refused), false when it
// returned. An assertion failure aborts: the reader of a damaged file must refuse it, and what a reader
// accepted must draw.
template <typename F>
bool Refused(const char* what, F&& f) {
  try {
    f();
    return false;
  } catch (const EAssertionFailed& e) {
    Fail(std::string(what) + " failed an assertion: " + e.Message());
  } catch (const Exception&) {
    return true;
  }
}

// Hands libFuzzer's input to `fuzz` as a string of bytes; -1 (the input is not kept) when it is
// longer than `max`.
template <typename F>
int FuzzInput(const std::uint8_t* data, std::size_t size, std::size_t max, F&& fuzz) {
  if (size > max) return -1;
  fuzz(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}

}  // namespace zentrova::fuzz
