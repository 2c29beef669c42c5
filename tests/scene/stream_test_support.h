// What the scene's streaming tests share: a component's form-stream bytes, a component read back from
// them, a property name as the stream writes it, and the table-driven round trip of one class per case.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "scene/base/property_stream.h"
#include "scene/base/streams.h"

namespace zentrova::test {

inline std::string Bytes(const TComponent& component) {
  TMemoryStream stream;
  WriteComponent(stream, component);
  return stream.DataString();
}

inline std::unique_ptr<TComponent> ReadBack(const std::string& bytes) {
  TMemoryStream stream(bytes);
  return ReadComponent(stream);
}

// A property name as the stream writes it: a length byte and the name.
inline std::string Named(const std::string& name) { return static_cast<char>(name.size()) + name; }

template <class T>
const T& As(const TComponent& c) {
  return dynamic_cast<const T&>(c);
}

struct TStreamCase {
  const char* class_name;
  std::function<std::unique_ptr<TComponent>()> make;
  // Sets every published property of the class off its default.
  std::function<void(TComponent&)> set;
  // The set values, as read back.
  std::function<void(const TComponent&)> expect;
  std::vector<std::string> names;  // the properties the class itself writes
};

// Each case: a fresh object writes none of its names; set off their defaults it writes every one, reads
// back as the same class with the same values, and writes the same bytes again.
inline void ExpectRoundTrips(const std::vector<TStreamCase>& cases) {
  for (const TStreamCase& c : cases) {
    SCOPED_TRACE(c.class_name);
    const std::unique_ptr<TComponent> fresh = c.make();
    const std::string fresh_bytes = Bytes(*fresh);
    for (const std::string& name : c.names) EXPECT_EQ(fresh_bytes.find(Named(name)), std::string::npos) << name;

    const std::unique_ptr<TComponent> object = c.make();
    c.set(*object);
    const std::string bytes = Bytes(*object);
    for (const std::string& name : c.names) EXPECT_NE(bytes.find(Named(name)), std::string::npos) << name;
    const std::unique_ptr<TComponent> read = ReadBack(bytes);
    ASSERT_STREQ(read->ClassName(), c.class_name);
    c.expect(*read);
    EXPECT_EQ(Bytes(*read), bytes);
  }
}

}  // namespace zentrova::test
