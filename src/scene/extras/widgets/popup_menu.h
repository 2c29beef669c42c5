// A list of text items, one per font line inside the skin's centre area. The menu fits its height to
// its items, highlights the item under the mouse, reports a click with the item's index and text, and
// hides itself when it loses the focus or an item is chosen.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "scene/base/class_name.h"
#include "scene/base/property_stream.h"
#include "scene/extras/widgets/gui_controls.h"

namespace zentrova {

class TGLPopupMenu;
using TGLPopupMenuClick = std::function<void(TGLPopupMenu& menu, int index, const std::string& text)>;

class TGLPopupMenu : public TGLFocusControl {
 public:
  ZENTROVA_CLASS_NEW(TGLPopupMenu)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  TGLPopupMenuClick OnClick;
  const std::vector<std::string>& MenuItems() const { return items_; }
  void SetMenuItems(const std::vector<std::string>& value);
  int SelIndex() const { return sel_index_; }
  void SetSelIndex(int value);
  float MarginSize() const { return margin_size_; }
  void SetMarginSize(float value);

  // The line under a point (parent pixels), or nothing outside the centre area or without a font.
  bool LineAt(int x, int y, int& index);

  bool MouseDown(TGLMouseButton button, TShiftState shift, int x, int y) override;
  void SetFocused(bool value) override;

 protected:
  void InternalMouseDown(TGLMouseButton button, TShiftState shift, int x, int y) override;
  void InternalMouseMove(TShiftState shift, int x, int y) override;
  void InternalRender(TRenderContextInfo& rci) override;
  void AfterRender() override;

 private:
  void ItemsChanged();
  void DrawOnce(TRenderContextInfo& rci, bool refresh);
  std::vector<std::string> items_;
  int sel_index_ = 0;
  float margin_size_ = 0;
  float pending_height_ = -1;
};

}  // namespace zentrova
