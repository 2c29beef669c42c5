#include "scene/extras/widgets/edit.h"
#include "scene/base/class_registration.h"

#include <algorithm>
#include <cmath>

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLEdit);

void TGLEdit::SetSelStart(int value) {
  sel_start_ = value;
  RequestRedraw(true);
}

void TGLEdit::SetEditChar(const std::string& value) {
  edit_char_ = value;
  RequestRedraw(true);
}

int TGLEdit::ClampedSelStart() const {
  return std::clamp(sel_start_, 1, static_cast<int>(Caption().size()) + 1);
}

void TGLEdit::SetFocused(bool value) {
  if (value && !Focused()) sel_start_ = static_cast<int>(Caption().size()) + 1;
  TGLFocusControl::SetFocused(value);
}

void TGLEdit::InternalMouseDown(TGLMouseButton button, TShiftState shift, int x, int y) {
  SetFocus();
  TGLFocusControl::InternalMouseDown(button, shift, x, y);
}

void TGLEdit::InternalKeyPress(char& key) {
  TGLFocusControl::InternalKeyPress(key);
  std::string text = Caption();
  int sel = ClampedSelStart();
  const auto code = static_cast<std::uint8_t>(key);
  if (code == 8) {
    if (sel < 2) return;
    text.erase(static_cast<std::size_t>(sel - 2), 1);
    --sel;
  } else if (code >= 32) {
    text.insert(static_cast<std::size_t>(sel - 1), 1, key);
    ++sel;
  } else {
    return;
  }
  sel_start_ = sel;
  SetCaption(text);
  if (OnChange) OnChange(*this);
}

void TGLEdit::InternalKeyDown(std::uint16_t& key, TShiftState shift) {
  TGLFocusControl::InternalKeyDown(key, shift);
  const int length = static_cast<int>(Caption().size());
  const int sel = ClampedSelStart();
  switch (key) {
    case VK_END:
      if (sel < length + 1) SetSelStart(length + 1);
      break;
    case VK_HOME:
      if (sel >= 2) SetSelStart(1);
      break;
    case VK_LEFT:
      if (sel >= 2) SetSelStart(sel - 1);
      break;
    case VK_RIGHT:
      if (sel < length + 1) SetSelStart(sel + 1);
      break;
    case VK_DELETE:
      if (length >= sel) {
        std::string text = Caption();
        text.erase(static_cast<std::size_t>(sel - 1), 1);
        sel_start_ = sel;
        SetCaption(text);
        if (OnChange) OnChange(*this);
      }
      break;
    default:
      break;
  }
}

std::string TGLEdit::DisplayText(float avail) {
  std::string s = Caption();
  TGLCustomBitmapFont* font = OwnBitmapFont();
  if (font == nullptr) return s;
  const auto width = [font](const std::string& text) { return static_cast<float>(font->CalcStringWidth(text)); };
  if (Focused()) {
    const int sel = ClampedSelStart();
    s.insert(static_cast<std::size_t>(sel - 1), edit_char_);
    const float w = width(s);
    if (w > avail) {
      const int length = static_cast<int>(s.size());
      const int n = std::max(0, static_cast<int>(std::trunc(avail / w * length)) - 1);
      if (sel >= length - 1 || length <= sel + n) {
        s = s.substr(static_cast<std::size_t>(length - std::min(n, length)));
      } else {
        s = s.substr(static_cast<std::size_t>(sel - 1), static_cast<std::size_t>(n));
      }
    }
  } else {
    // Each cut keeps fewer characters, down to none.
    while (!s.empty() && width(s) > avail) {
      const int keep = static_cast<int>(std::trunc(avail / width(s) * static_cast<float>(s.size())));
      s.resize(static_cast<std::size_t>(std::clamp(keep, 0, static_cast<int>(s.size()) - 1)));
    }
  }
  return s;
}

void TGLEdit::InternalRender(TRenderContextInfo& rci) {
  if (GuiComponent() != nullptr) RenderComponent(rci, *GuiComponent(), Areas(), RefreshAreas(), 0, 0, Width(), Height());
  if (OwnBitmapFont() == nullptr) return;
  const std::string s = DisplayText(Width() - 2);
  const TGuiArea& c = Areas()[GLAlCenter];
  WriteTextCentered(rci, Areas()[GLAlLeft].X1, c.Y1, c.X2, c.Y2, s,
                    Focused() ? FocusedColorVector() : DefaultColorVector());
}

void TGLEdit::WriteProperties(TPropertyWriter& w) const {
  TGLFocusControl::WriteProperties(w);
  if (sel_start_ != 0) w.Integer("SelStart", sel_start_);
  if (edit_char_ != "*") w.String("EditChar", edit_char_);
}

bool TGLEdit::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "SelStart") {
    SetSelStart(AsInteger(v));
  } else if (name == "EditChar") {
    SetEditChar(AsString(v));
  } else {
    return TGLFocusControl::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
