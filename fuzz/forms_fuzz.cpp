// Fuzzes the form stream: any registered scene class, its published properties, collections and child
// components. A form that reads writes itself back; what it wrote reads again and writes as many bytes:
// the same properties, though values that setting another moves (Up turns Direction square to it) may
// differ in their last bit.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "scene/base/property_stream.h"
#include "scene/base/streams.h"
#include "scene_fuzz_support.h"

namespace zentrova::fuzz {
namespace {

std::string Written(const TComponent& component) {
  TMemoryStream stream;
  WriteComponent(stream, component);
  return stream.DataString();
}

void FuzzForm(const std::string& bytes) {
  // Some objects touch their display lists or textures when they go.
  UseOffscreenContext();
  std::unique_ptr<TComponent> component;
  TMemoryStream stream(bytes);
  // A value out of a setter's range fails that setter's assertion, which the reader passes on as the
  // form's refusal: only what follows a form that read must not fail one.
  try {
    component = ReadComponent(stream);
  } catch (const Exception&) {
    return;
  }

  std::string written;
  if (Refused("writing", [&] { written = Written(*component); })) Fail("a form that read does not write");
  component.reset();
  TMemoryStream again(written);
  if (Refused("reading what was written", [&] { component = ReadComponent(again); })) {
    Fail("a written form does not read back");
  }
  if (Written(*component).size() != written.size()) Fail("a form read back writes other properties");
}

}  // namespace
}  // namespace zentrova::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return zentrova::fuzz::FuzzInput(data, size, 16384, zentrova::fuzz::FuzzForm);
}
