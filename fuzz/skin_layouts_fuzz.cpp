// Fuzzes the skin layout file. A layout that loads draws every component in an off-screen context, over
// a widget-sized area at scale 1 and again over a small one at scale 3, areas refreshed and then reused.
// Streamed into a form, the layout reads back with the same elements: what the file reader accepts the
// form reader accepts too.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "scene/base/property_stream.h"
#include "scene/base/streams.h"
#include "scene/extras/widgets/gui_layout.h"
#include "scene/materials/render_context_info.h"
#include "scene_fuzz_support.h"

namespace zentrova::fuzz {
namespace {

bool SameElements(const TGLGuiLayout& a, const TGLGuiLayout& b) {
  if (a.GuiComponents().Count() != b.GuiComponents().Count()) return false;
  for (int c = 0; c < a.GuiComponents().Count(); ++c) {
    const TGLGuiComponent& x = a.GuiComponents().Items(c);
    const TGLGuiComponent& y = b.GuiComponents().Items(c);
    if (x.Name != y.Name || x.Elements().Count() != y.Elements().Count()) return false;
    for (int e = 0; e < x.Elements().Count(); ++e) {
      const TGLGuiElement& p = x.Elements().Items(e);
      const TGLGuiElement& q = y.Elements().Items(e);
      if (p.Name != q.Name || p.Align != q.Align || p.TopLeft != q.TopLeft || p.BottomRight != q.BottomRight ||
          p.Scale != q.Scale) {
        return false;
      }
    }
  }
  return true;
}

void FuzzSkinLayout(const std::string& bytes) {
  UseOffscreenContext();
  TGLGuiLayout layout;
  TMemoryStream stream(bytes);
  if (Refused("loading", [&] { layout.LoadFromStream(stream); })) return;

  TRenderContextInfo& rci = FreshRenderContext();
  for (int c = 0; c < layout.GuiComponents().Count(); ++c) {
    const TGLGuiComponent& component = layout.GuiComponents().Items(c);
    TGuiAreaSet areas{};
    Refused("drawing", [&] {
      layout.RenderGuiComponentToArea(rci, component, areas, true, 0, 0, 120, 40);
      layout.RenderGuiComponentToArea(rci, component, areas, false, 0, 0, 120, 40);
      layout.RenderGuiComponentToArea(rci, component, areas, true, 2, 3, 14, 9, 3);
    });
  }

  TMemoryStream form;
  WriteComponent(form, layout);
  form.SetPosition(0);
  std::unique_ptr<TComponent> read;
  if (Refused("reading the form", [&] { read = ReadComponent(form); })) Fail("a loaded layout's form does not read back");
  const auto* read_layout = dynamic_cast<const TGLGuiLayout*>(read.get());
  if (read_layout == nullptr || !SameElements(layout, *read_layout)) Fail("a layout's form reads back other elements");
}

}  // namespace
}  // namespace zentrova::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return zentrova::fuzz::FuzzInput(data, size, 4096, zentrova::fuzz::FuzzSkinLayout);
}
