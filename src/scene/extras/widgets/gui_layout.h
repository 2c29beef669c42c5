// The skin of the in-scene widgets: one material whose texture holds all the widget artwork, an optional
// bitmap font, and named components. A component is a list of elements; each cuts a rectangle (in
// texels) out of the skin texture and says where on a widget it goes (one of nine cells, or all nine as
// a border) and how it repeats. Layouts are read from a binary layout file in the tagged archive format.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene/base/class_name.h"
#include "scene/base/property_stream.h"
#include "scene/base/update_able.h"
#include "scene/base/vector_types.h"

namespace zentrova {

class TGLCustomBitmapFont;
class TGLMaterial;
class TStream;
struct TRenderContextInfo;

enum TGUIAlignments : std::uint8_t {
  GLAlTopLeft,
  GLAlTop,
  GLAlTopRight,
  GLAlLeft,
  GLAlCenter,
  GLAlRight,
  GLAlBottomLeft,
  GLAlBottom,
  GLAlBottomRight,
  GLAlBorder,
};

// A rectangle in widget pixels (y down) and how often the element's texture repeats across and down it.
struct TGuiArea {
  float X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
  float XTiles = 0, YTiles = 0;
};
// One area per alignment; the GLAlBorder entry is not used.
using TGuiAreaSet = std::array<TGuiArea, 10>;

class TGLGuiElement {
 public:
  TAffineVector TopLeft{};      // texels (z unused)
  TAffineVector BottomRight{};  // texels (z unused)
  // x, y: repetition size factors; for a border, the border widths in texels, z scaling the border
  // drawn on the widget.
  TAffineVector Scale{1, 1, 0};
  TGUIAlignments Align = GLAlTopLeft;
  std::string Name;

  void Assign(const TGLGuiElement& source) { *this = source; }
};

class TGLGuiElementList {
 public:
  TGLGuiElement& Add();
  int Count() const { return static_cast<int>(items_.size()); }
  TGLGuiElement& Items(int index) const { return *items_.at(index); }
  // Appends copies of the other list's elements (this list is not cleared first).
  void Assign(const TGLGuiElementList& source);

 private:
  std::vector<std::unique_ptr<TGLGuiElement>> items_;
};

class TGLGuiComponent {
 public:
  TGLGuiElementList& Elements() { return elements_; }
  const TGLGuiElementList& Elements() const { return elements_; }
  std::string Name;
  // The other component's elements, appended; the name stays.
  void Assign(const TGLGuiComponent& source) { elements_.Assign(source.elements_); }

 private:
  TGLGuiElementList elements_;
};

class TGLGuiComponentList {
 public:
  TGLGuiComponent& Add();
  int Count() const { return static_cast<int>(items_.size()); }
  TGLGuiComponent& Items(int index) const { return *items_.at(index); }
  void Delete(int index) { items_.erase(items_.begin() + index); }
  // The first component of exactly that name; nullptr for an empty name or none.
  TGLGuiComponent* FindByName(const std::string& name) const;

 private:
  std::vector<std::unique_ptr<TGLGuiComponent>> items_;
};

class TGLGuiLayout : public TGLUpdateAbleComponent {
 public:
  TGLGuiLayout();
  // Clears the components (the widgets hear of it) before the rest goes.
  ~TGLGuiLayout() override;
  ZENTROVA_CLASS(TGLGuiLayout)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  TGLCustomBitmapFont* BitmapFont() const { return bitmap_font_; }
  void SetBitmapFont(TGLCustomBitmapFont* value);
  TGLMaterial& Material() { return *material_; }
  const TGLMaterial& Material() const { return *material_; }
  void SetMaterial(const TGLMaterial& value);
  TGLGuiComponentList& GuiComponents() { return components_; }
  const TGLGuiComponentList& GuiComponents() const { return components_; }
  const std::string& FileName() const { return file_name_; }
  // Stores the name; when a file of that name exists, clears the components and loads it.
  void SetFileName(const std::string& name);

  // The whole file through LoadFromStream; existing components stay.
  void LoadFromFile(const std::string& name);
  // Appends the components of a layout file, then notifies. A version other than 1 ends the load at
  // once, silently. A malformed stream raises the reader's error and keeps what was read before it; so
  // does an element whose texel span or repetition factor is not finite, or nonzero within 1/1024 of
  // zero (EReadError), which a form's elements are refused for too.
  void LoadFromStream(TStream& stream);
  // Every component, last to first, then a notice.
  void Clear();

  // Widgets drawing with this layout hear of every change (NotifyChange with the layout as sender),
  // last registered first.
  void RegisterWidget(TGLUpdateAbleComponent* widget);
  void UnregisterWidget(TGLUpdateAbleComponent* widget);
  int WidgetCount() const { return static_cast<int>(widgets_.size()); }
  void NotifyChange(TPersistent* sender) override;

  // Draws the component over (x1, y1)-(x2, y2) in widget pixels, vertex y negated. With refresh the
  // areas (and each cell's tile counts) are computed first; s scales the fixed sizes.
  void RenderGuiComponentToArea(TRenderContextInfo& rci, const TGLGuiComponent& component,
                                TGuiAreaSet& areas, bool refresh, float x1, float y1, float x2,
                                float y2, float s = 1) const;
  // The areas alone, as a refresh computes them.
  static void ComputeAreas(const TGLGuiComponent& component, TGuiAreaSet& areas, float x1, float y1,
                           float x2, float y2, float s);

 protected:
  void Notification(TComponent& component, TOperation operation) override;

 private:
  TGLCustomBitmapFont* bitmap_font_ = nullptr;
  std::unique_ptr<TGLMaterial> material_;
  TGLGuiComponentList components_;
  std::string file_name_;
  std::vector<TGLUpdateAbleComponent*> widgets_;
};

// One skin cell: the texel rectangle (tl, br) over the area, tiled by its counts. A count of zero,
// below zero or not finite draws nothing; past 65,536 tiles a cell draws that many, stretched. tw, th:
// texture size in texels.
void RenderGuiElementQuads(const TGuiArea& area, const TAffineVector& tl, const TAffineVector& br, float tw,
                           float th);

}  // namespace zentrova
