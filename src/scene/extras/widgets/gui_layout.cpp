#include "scene/extras/widgets/gui_layout.h"
#include "scene/base/class_registration.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "scene/base/persistent_classes.h"
#include "scene/base/scene_errors.h"
#include "scene/base/streams.h"
#include "scene/extras/text/bitmap_font.h"
#include "scene/gl/opengl_binding.h"
#include "scene/gl/texture_coordinates.h"
#include "scene/materials/material.h"
#include "scene/materials/texture.h"
#include "scene/materials/texture_image.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLGuiLayout);

TGLGuiElement& TGLGuiElementList::Add() {
  items_.push_back(std::make_unique<TGLGuiElement>());
  return *items_.back();
}

void TGLGuiElementList::Assign(const TGLGuiElementList& source) {
  const int count = source.Count();  // the source may be this list
  for (int i = 0; i < count; ++i) Add().Assign(source.Items(i));
}

TGLGuiComponent& TGLGuiComponentList::Add() {
  items_.push_back(std::make_unique<TGLGuiComponent>());
  return *items_.back();
}

TGLGuiComponent* TGLGuiComponentList::FindByName(const std::string& name) const {
  if (name.empty()) return nullptr;
  for (const auto& item : items_) {
    if (item->Name == name) return item.get();
  }
  return nullptr;
}

namespace {

// Refuses an element read from a file or a form whose texel spans or scales make no sense to draw.
void CheckGuiElement(const TGLGuiElement& element) {
  // The texel spans a cell repeats (a border's middle pieces are its rectangle less both borders) and
  // the factors that divide them. Zero repeats nothing; a span closer to zero than this repeats more
  // often than any screen has pixels, for ever once a float no longer counts the tiles down.
  constexpr float kMinSpan = 1.0f / 1024;
  const TAffineVector& tl = element.TopLeft;
  const TAffineVector& br = element.BottomRight;
  const TAffineVector& scale = element.Scale;
  const bool border = element.Align == GLAlBorder;
  const float spans[] = {br[0] - tl[0], br[1] - tl[1], scale[0], scale[1],
                         border ? br[0] - tl[0] - 2 * scale[0] : 0, border ? br[1] - tl[1] - 2 * scale[1] : 0};
  const auto degenerate = [](float span) { return !std::isfinite(span) || (span != 0 && std::fabs(span) < kMinSpan); };
  // The values no drawing reads (the z of the corners, a cell's scale z) must be numbers all the same.
  const auto not_finite = [](float value) { return !std::isfinite(value); };
  if (std::any_of(std::begin(spans), std::end(spans), degenerate) || std::any_of(tl.begin(), tl.end(), not_finite) ||
      std::any_of(br.begin(), br.end(), not_finite) || std::any_of(scale.begin(), scale.end(), not_finite)) {
    throw EReadError("Skin element \"" + element.Name + "\" has a degenerate span or scale");
  }
}

}  // namespace

// ---- Layout

TGLGuiLayout::TGLGuiLayout() : material_(std::make_unique<TGLMaterial>(this)) {}

TGLGuiLayout::~TGLGuiLayout() {
  Clear();
  // Widgets still bound drop their pointer through the free notification that follows.
  widgets_.clear();
}

void TGLGuiLayout::SetBitmapFont(TGLCustomBitmapFont* value) {
  if (value == bitmap_font_) return;
  if (bitmap_font_ != nullptr) RemoveFreeNotification(*bitmap_font_);
  bitmap_font_ = value;
  if (bitmap_font_ != nullptr) FreeNotification(*bitmap_font_);
  NotifyChange(this);
}

void TGLGuiLayout::SetMaterial(const TGLMaterial& value) { material_->Assign(&value); }

void TGLGuiLayout::SetFileName(const std::string& name) {
  if (name == file_name_) return;
  file_name_ = name;
  std::error_code error;
  if (!std::filesystem::is_regular_file(name, error)) return;
  Clear();
  LoadFromFile(name);
}

void TGLGuiLayout::LoadFromFile(const std::string& name) {
  std::ifstream file(name, std::ios::binary);
  if (!file) throw Exception("Cannot open file \"" + name + "\"");
  TMemoryStream stream(std::string(std::istreambuf_iterator<char>(file), {}));
  LoadFromStream(stream);
}

void TGLGuiLayout::LoadFromStream(TStream& stream) {
  TBinaryReader reader(stream);
  if (reader.ReadInteger() != 1) return;
  const int component_count = reader.ReadInteger();
  for (int c = 0; c < component_count; ++c) {
    std::string name = reader.ReadString();
    TGLGuiComponent& component = components_.Add();
    component.Name = std::move(name);
    const int element_count = reader.ReadInteger();
    for (int e = 0; e < element_count; ++e) {
      // Appended once read whole and found sound: a refused element is never drawn.
      TGLGuiElement element;
      element.Name = reader.ReadString();
      float values[9];
      for (float& value : values) value = static_cast<float>(reader.ReadFloat());
      element.TopLeft = {values[0], values[1], values[2]};
      element.BottomRight = {values[3], values[4], values[5]};
      element.Scale = {values[6], values[7], values[8]};
      const int alignment_count = reader.ReadInteger();
      for (int a = 0; a < alignment_count; ++a) {
        const int align = reader.ReadInteger();
        // The value must name an alignment: anything else is as broken as a wrong tag.
        if (align < GLAlTopLeft || align > GLAlBorder) {
          throw EReadError("TBinaryReader, invalid alignment " + std::to_string(align));
        }
        element.Align = static_cast<TGUIAlignments>(align);
      }
      CheckGuiElement(element);
      component.Elements().Add().Assign(element);
    }
  }
  NotifyChange(this);
}

void TGLGuiLayout::Clear() {
  for (int i = components_.Count() - 1; i >= 0; --i) components_.Delete(i);
  NotifyChange(this);
}

void TGLGuiLayout::RegisterWidget(TGLUpdateAbleComponent* widget) {
  FreeNotification(*widget);
  widgets_.push_back(widget);
}

void TGLGuiLayout::UnregisterWidget(TGLUpdateAbleComponent* widget) {
  std::erase(widgets_, widget);
  RemoveFreeNotification(*widget);
}

void TGLGuiLayout::NotifyChange(TPersistent* sender) {
  TGLUpdateAbleComponent::NotifyChange(sender);
  const std::vector<TGLUpdateAbleComponent*> widgets = widgets_;
  for (auto it = widgets.rbegin(); it != widgets.rend(); ++it) (*it)->NotifyChange(this);
}

void TGLGuiLayout::Notification(TComponent& component, TOperation operation) {
  if (operation == TOperation::Remove) {
    if (&component == bitmap_font_) bitmap_font_ = nullptr;
    // A widget that goes without unregistering must not be told anything any more.
    std::erase(widgets_, dynamic_cast<TGLUpdateAbleComponent*>(&component));
  }
  TGLUpdateAbleComponent::Notification(component, operation);
  NotifyChange(this);
}

// ---- Drawing

void TGLGuiLayout::ComputeAreas(const TGLGuiComponent& component, TGuiAreaSet& areas, float x1, float y1,
                                float x2, float y2, float s) {
  auto set = [&areas](TGUIAlignments a, float ax1, float ay1, float ax2, float ay2) {
    areas[a].X1 = ax1;
    areas[a].Y1 = ay1;
    areas[a].X2 = ax2;
    areas[a].Y2 = ay2;
  };
  set(GLAlTopLeft, x1, y1, x1, y1);
  set(GLAlTopRight, x2, y1, x2, y1);
  set(GLAlBottomLeft, x1, y2, x1, y2);
  set(GLAlBottomRight, x2, y2, x2, y2);
  const TGLGuiElementList& elements = component.Elements();
  for (int i = 0; i < elements.Count(); ++i) {
    const TGLGuiElement& e = elements.Items(i);
    const float w = std::fabs(e.TopLeft[0] - e.BottomRight[0]) * e.Scale[0] * s;
    const float h = std::fabs(e.TopLeft[1] - e.BottomRight[1]) * e.Scale[1] * s;
    switch (e.Align) {
      case GLAlBorder: {
        const float bx = e.Scale[0] * s * e.Scale[2], by = e.Scale[1] * s * e.Scale[2];
        set(GLAlTopLeft, x1, y1, x1 + bx, y1 + by);
        set(GLAlTop, x1 + bx, y1, x2 - bx, y1 + by);
        set(GLAlTopRight, x2 - bx, y1, x2, y1 + by);
        set(GLAlLeft, x1, y1 + by, x1 + bx, y2 - by);
        set(GLAlCenter, x1 + bx, y1 + by, x2 - bx, y2 - by);
        set(GLAlRight, x2 - bx, y1 + by, x2, y2 - by);
        set(GLAlBottomLeft, x1, y2 - by, x1 + bx, y2);
        set(GLAlBottom, x1 + bx, y2 - by, x2 - bx, y2);
        set(GLAlBottomRight, x2 - bx, y2 - by, x2, y2);
        break;
      }
      case GLAlTopLeft: set(GLAlTopLeft, x1, y1, x1 + w, y1 + h); break;
      case GLAlTopRight: set(GLAlTopRight, x2 - w, y1, x2, y1 + h); break;
      case GLAlBottomLeft: set(GLAlBottomLeft, x1, y2 - h, x1 + w, y2); break;
      case GLAlBottomRight: set(GLAlBottomRight, x2 - w, y2 - h, x2, y2); break;
      default: break;
    }
  }
  const TGuiArea tl = areas[GLAlTopLeft], tr = areas[GLAlTopRight];
  const TGuiArea bl = areas[GLAlBottomLeft], br = areas[GLAlBottomRight];
  set(GLAlTop, tl.X2, tr.Y1, tr.X1, tl.Y2);
  set(GLAlBottom, bl.X2, bl.Y1, br.X1, br.Y2);
  set(GLAlLeft, tl.X1, tl.Y2, bl.X2, bl.Y1);
  set(GLAlRight, tr.X1, tr.Y2, br.X2, br.Y1);
  for (int i = 0; i < elements.Count(); ++i) {
    const TGLGuiElement& e = elements.Items(i);
    const float w = std::fabs(e.TopLeft[0] - e.BottomRight[0]) * e.Scale[0] * s;
    const float h = std::fabs(e.TopLeft[1] - e.BottomRight[1]) * e.Scale[1] * s;
    switch (e.Align) {
      case GLAlTop: areas[GLAlTop].Y1 = y1, areas[GLAlTop].Y2 = y1 + h; break;
      case GLAlBottom: areas[GLAlBottom].Y1 = y2 - h, areas[GLAlBottom].Y2 = y2; break;
      case GLAlLeft: areas[GLAlLeft].X1 = x1, areas[GLAlLeft].X2 = x1 + w; break;
      case GLAlRight: areas[GLAlRight].X1 = x2 - w, areas[GLAlRight].X2 = x2; break;
      default: break;
    }
  }
  set(GLAlCenter, areas[GLAlLeft].X2, areas[GLAlTop].Y2, areas[GLAlRight].X1, areas[GLAlBottom].Y1);
}

namespace {

float Frac(float v) { return v - std::trunc(v); }

// How often a texel span repeats over an area span.
float Tiles(float area_span, float texel_span, float factor) { return area_span / texel_span / factor; }

}  // namespace

void RenderGuiElementQuads(const TGuiArea& area, const TAffineVector& tl, const TAffineVector& br, float tw,
                           float th) {
  const auto s = [tw](float x) { return x / tw; };
  const auto t = [th](float y) { return -y / th; };
  const auto quad = [](float x1, float y1, float x2, float y2, float s1, float t1, float s2, float t2) {
    RoutedTexCoord2f(s1, t1);
    gl.Vertex2f(x1, -y1);
    RoutedTexCoord2f(s1, t2);
    gl.Vertex2f(x1, -y2);
    RoutedTexCoord2f(s2, t2);
    gl.Vertex2f(x2, -y2);
    RoutedTexCoord2f(s2, t1);
    gl.Vertex2f(x2, -y1);
  };
  if (area.XTiles == 1 && area.YTiles == 1) {
    quad(area.X1, area.Y1, area.X2, area.Y2, s(tl[0]), t(tl[1]), s(br[0]), t(br[1]));
    return;
  }
  // A texel span of zero gives no finite count: such an element has nothing to repeat.
  if (!std::isfinite(area.XTiles) || !std::isfinite(area.YTiles) || area.XTiles <= 0 || area.YTiles <= 0) return;
  // However small its texels or large its area, a cell draws no more tiles than this: past it the tiles
  // stretch. A float would stop counting down millions of them.
  constexpr float kMaxTilesPerCell = 65536;
  const float x_tiles = std::min(area.XTiles, kMaxTilesPerCell);
  const float y_tiles = std::min(area.YTiles, std::max(1.0f, std::floor(kMaxTilesPerCell / std::ceil(x_tiles))));
  const float tile_w = (area.X2 - area.X1) / x_tiles, tile_h = (area.Y2 - area.Y1) / y_tiles;
  float x = area.X1;
  for (float xs = x_tiles; xs > 0; xs -= 1) {
    const bool full_x = xs >= 1;
    const float next_x = full_x ? x + tile_w : area.X2;
    const float right = full_x ? s(br[0]) : s(tl[0] + Frac(x_tiles) * (br[0] - tl[0]));
    float y = area.Y1;
    for (float ys = y_tiles; ys > 0; ys -= 1) {
      const bool full_y = ys >= 1;
      const float next_y = full_y ? y + tile_h : area.Y2;
      const float bottom = full_y ? t(br[1]) : t(tl[1] + Frac(y_tiles) * (br[1] - tl[1]));
      quad(x, y, next_x, next_y, s(tl[0]), t(tl[1]), right, bottom);
      y = next_y;
    }
    x = next_x;
  }
}

void TGLGuiLayout::RenderGuiComponentToArea(TRenderContextInfo& rci, const TGLGuiComponent& component,
                                            TGuiAreaSet& areas, bool refresh, float x1, float y1, float x2,
                                            float y2, float s) const {
  (void)rci;
  if (refresh) ComputeAreas(component, areas, x1, y1, x2, y2, s);
  TGLTexture& texture = material_->EffectiveTexture();
  float tw = static_cast<float>(texture.TexWidth()), th = static_cast<float>(texture.TexHeight());
  if (tw == 0) tw = static_cast<float>(texture.Image().Width());
  if (th == 0) th = static_cast<float>(texture.Image().Height());
  const TGLGuiElementList& elements = component.Elements();
  gl.Begin(GL_QUADS);
  for (int i = 0; i < elements.Count(); ++i) {
    const TGLGuiElement& e = elements.Items(i);
    if (e.Align != GLAlBorder) {
      TGuiArea& area = areas[e.Align];
      if (refresh) {
        area.XTiles = Tiles(area.X2 - area.X1, e.BottomRight[0] - e.TopLeft[0], e.Scale[0]);
        area.YTiles = Tiles(area.Y2 - area.Y1, e.BottomRight[1] - e.TopLeft[1], e.Scale[1]);
      }
      RenderGuiElementQuads(area, e.TopLeft, e.BottomRight, tw, th);
      continue;
    }
    const TAffineVector& tl = e.TopLeft;
    const TAffineVector& br = e.BottomRight;
    const float bx = e.Scale[0], by = e.Scale[1];
    struct Piece {
      TGUIAlignments cell;
      float x1, y1, x2, y2;
    };
    const Piece pieces[] = {
        {GLAlTopLeft, tl[0], tl[1], tl[0] + bx, tl[1] + by},
        {GLAlTop, tl[0] + bx, tl[1], br[0] - bx, tl[1] + by},
        {GLAlTopRight, br[0] - bx, tl[1], br[0], tl[1] + by},
        {GLAlRight, br[0] - bx, tl[1] + by, br[0], br[1] - by},
        {GLAlBottomRight, br[0] - bx, br[1] - by, br[0], br[1]},
        {GLAlBottom, tl[0] + bx, br[1] - by, br[0] - bx, br[1]},
        {GLAlBottomLeft, tl[0], br[1] - by, tl[0] + bx, br[1]},
        {GLAlLeft, tl[0], tl[1] + by, tl[0] + bx, br[1] - by},
        {GLAlCenter, tl[0] + bx, tl[1] + by, br[0] - bx, br[1] - by},
    };
    for (const Piece& piece : pieces) {
      TGuiArea& area = areas[piece.cell];
      // Each piece repeats by its own texel size over its area, as a cell of its own would.
      if (refresh) {
        area.XTiles = Tiles(area.X2 - area.X1, piece.x2 - piece.x1, 1);
        area.YTiles = Tiles(area.Y2 - area.Y1, piece.y2 - piece.y1, 1);
      }
      RenderGuiElementQuads(area, {piece.x1, piece.y1, 0}, {piece.x2, piece.y2, 0}, tw, th);
    }
  }
  gl.End();
}

// ---- Form streaming

namespace {

constexpr TIdentNames<10> kAlignNames{"GLAlTopLeft",    "GLAlTop",    "GLAlTopRight",    "GLAlLeft",
                                      "GLAlCenter",     "GLAlRight",  "GLAlBottomLeft",  "GLAlBottom",
                                      "GLAlBottomRight", "GLAlBorder"};

// A texel vector as coordinates: four little-endian singles, w 1 for points and 0 for vectors.
void WriteVector(TPropertyWriter& w, const char* name, const TAffineVector& v, float w_value) {
  w.Binary(std::string(name) + ".Coordinates", [&v, w_value](TStream& stream) {
    const float values[4] = {v[0], v[1], v[2], w_value};
    stream.WriteBuffer(values, sizeof(values));
  });
}

TAffineVector ReadVector(const TPropertyValue& value) {
  TMemoryStream stream = AsBinary(value, 16);
  float values[4];
  stream.ReadBuffer(values, sizeof(values));
  return {values[0], values[1], values[2]};
}

void ReadElement(TGLGuiElement& element, const TPropertyList& properties) {
  for (const TProperty& p : properties) {
    if (p.name == "TopLeft.Coordinates") {
      element.TopLeft = ReadVector(p.value);
    } else if (p.name == "BottomRight.Coordinates") {
      element.BottomRight = ReadVector(p.value);
    } else if (p.name == "Scale.Coordinates") {
      element.Scale = ReadVector(p.value);
    } else if (p.name == "Align") {
      element.Align = AsEnum<TGUIAlignments>(kAlignNames, p.value);
    } else if (p.name == "Name") {
      element.Name = AsString(p.value);
    } else {
      RaiseNoProperty(p.name);
    }
  }
}

void ReadGuiComponent(TGLGuiComponent& component, const TPropertyList& properties) {
  for (const TProperty& p : properties) {
    if (p.name == "Elements") {
      if (p.value.tag != vaCollection) RaiseInvalidPropertyValue();
      for (const TPropertyList& item : p.value.items) {
        TGLGuiElement element;
        ReadElement(element, item);
        CheckGuiElement(element);
        component.Elements().Add().Assign(element);
      }
    } else if (p.name == "Name") {
      component.Name = AsString(p.value);
    } else {
      RaiseNoProperty(p.name);
    }
  }
}

}  // namespace

// Every coordinate is written: the elements are read back whole, as a layout file gives them.
void TGLGuiLayout::WriteProperties(TPropertyWriter& w) const {
  TGLUpdateAbleComponent::WriteProperties(w);
  w.Reference("BitmapFont", bitmap_font_);
  w.Nested("Material", *material_);
  if (components_.Count() > 0) {
    w.BeginCollection("GuiComponents");
    for (int c = 0; c < components_.Count(); ++c) {
      const TGLGuiComponent& component = components_.Items(c);
      w.BeginItem();
      w.BeginCollection("Elements");
      for (int e = 0; e < component.Elements().Count(); ++e) {
        const TGLGuiElement& element = component.Elements().Items(e);
        w.BeginItem();
        WriteVector(w, "TopLeft", element.TopLeft, 1);
        WriteVector(w, "BottomRight", element.BottomRight, 1);
        WriteVector(w, "Scale", element.Scale, 0);
        if (element.Align != GLAlTopLeft) w.Enum("Align", kAlignNames, element.Align);
        if (!element.Name.empty()) w.String("Name", element.Name);
        w.EndItem();
      }
      w.EndCollection();
      if (!component.Name.empty()) w.String("Name", component.Name);
      w.EndItem();
    }
    w.EndCollection();
  }
  if (!file_name_.empty()) w.String("FileName", file_name_);
}

bool TGLGuiLayout::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (ReadNested("Material", *material_, name, v)) return true;
  if (name == "BitmapFont") {
    ReadReference<TGLCustomBitmapFont>(v, [this](TGLCustomBitmapFont* font) { SetBitmapFont(font); });
  } else if (name == "GuiComponents") {
    if (v.tag != vaCollection) RaiseInvalidPropertyValue();
    // The collection replaces the components; the widgets then look theirs up again.
    Clear();
    for (const TPropertyList& item : v.items) ReadGuiComponent(components_.Add(), item);
    NotifyChange(this);
  } else if (name == "FileName") {
    SetFileName(AsString(v));
  } else {
    return TGLUpdateAbleComponent::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
