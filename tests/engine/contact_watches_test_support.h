// Fixtures of the contact-watch tests: bodies with an outline and nothing else.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/model/body.h"
#include "engine/model/model.h"
#include "engine/model/world.h"

namespace zentrova::test {

// A body that has a name and an outline and nothing else: what the watches read of it.
inline std::unique_ptr<TBody> OutlineBody(const TWorld& world, const std::string& name,
                                          const std::string& outline_file) {
  auto body = std::make_unique<TBody>(world.Settings);
  body->Name = name;
  EXPECT_TRUE(body->Solid.Shape.Load(outline_file)) << outline_file;
  return body;
}

}  // namespace zentrova::test
