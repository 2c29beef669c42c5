// Helpers shared by the tests of pictures, textures and materials.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "scene/base/scene_errors.h"
#include "test_support.h"

namespace zentrova::test {

// Expects `f` to fail the assertion with exactly this text (the place is not compared).
template <typename F>
void ExpectAssertion(F&& f, const std::string& text) {
  try {
    f();
    ADD_FAILURE() << "no assertion failure, expected: " << text;
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Text(), text);
  }
}

inline std::string Golden(const std::string& name) {
  return ReadBytes(DataPath("scene/core/" + name));
}

}  // namespace zentrova::test
