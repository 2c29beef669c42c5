#include "scene/objects/space_text.h"

#include <algorithm>
#include <cmath>

#include "platform/code_page_1252.h"
#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"
#include "scene/base/property_stream.h"
#include "scene/base/scene_errors.h"
#include "scene/gl/gl_state_scope.h"
#include "scene/gl/opengl_binding.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLSpaceText);

void TGLTextAdjust::SetHorz(TGLTextHorzAdjust value) {
  if (value == horz_) return;
  horz_ = value;
  if (OnChange) OnChange();
}

void TGLTextAdjust::SetVert(TGLTextVertAdjust value) {
  if (value == vert_) return;
  vert_ = value;
  if (OnChange) OnChange();
}

void TGLTextAdjust::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLTextAdjust*>(source)) {
    horz_ = other->horz_;
    vert_ = other->vert_;
    if (OnChange) OnChange();
    return;
  }
  TPersistent::Assign(source);
}

TGLSpaceText::TGLSpaceText() : font_(std::make_unique<TFont>()) {
  font_->SetName("Arial");
  font_connection_ = font_->Connect([this](TFont&) { OnFontChange(); });
  adjust_.OnChange = [this] { OnFontChange(); };
}

TGLSpaceText::~TGLSpaceText() {
  adjust_.OnChange = nullptr;
  font_->Disconnect(font_connection_);
  if (font_entry_ != nullptr) {
    try {
      GetFontManager().Release(font_entry_, this);
    } catch (...) {
      // Deleting the lists failed with the context: they went with it.
    }
  }
}

void TGLSpaceText::OnFontChange() {
  font_changed_ = true;
  MarkStructureDirty();
}

void TGLSpaceText::FontLost() {
  font_entry_ = nullptr;
  font_changed_ = true;
}

void TGLSpaceText::SetText(const std::string& value) {
  SetProperty(properties_.text, value, StructureChangeOf(this));
}

void TGLSpaceText::SetExtrusion(float value) {
  SceneAssert(value >= 0, "Extrusion must be >=0");
  if (value == properties_.extrusion) return;
  properties_.extrusion = value;
  OnFontChange();
}

void TGLSpaceText::SetAllowedDeviation(float value) {
  SetProperty(properties_.allowed_deviation, value > 0 ? value : 0, [this] { OnFontChange(); });
}

void TGLSpaceText::SetCharacterRange(TSpaceTextCharRange value) {
  SetProperty(properties_.character_range, value, [this] { OnFontChange(); });
}

void TGLSpaceText::SetAdjust(const TGLTextAdjust& value) {
  adjust_.Assign(&value);
  MarkStructureDirty();
}

void TGLSpaceText::SetAspectRatio(float value) {
  SetProperty(properties_.aspect_ratio, value, StructureChangeOf(this));
}

void TGLSpaceText::SetOblique(float value) { SetProperty(properties_.oblique, value, StructureChangeOf(this)); }

void TGLSpaceText::SetTextHeight(float value) {
  SetProperty(properties_.text_height, value, StructureChangeOf(this));
}

int TGLSpaceText::FirstChar() const {
  return properties_.character_range == stcrAlphaNum ? 32 : properties_.character_range == stcrNumbers ? 48 : 0;
}

int TGLSpaceText::LastChar() const {
  return properties_.character_range == stcrAlphaNum ? 127 : properties_.character_range == stcrNumbers ? 57 : 255;
}

std::string TGLSpaceText::DrawnCodes() const {
  // Mended: a code outside the range would index the metrics out of bounds and call another object's
  // list; such characters, and those without a code, are left out.
  std::string codes = Utf8ToCp1252(properties_.text).codes;
  const int first = FirstChar(), last = LastChar();
  std::erase_if(codes, [first, last](char c) {
    const int code = static_cast<unsigned char>(c);
    return code < first || code > last;
  });
  return codes;
}

void TGLSpaceText::TextMetrics(const std::string& text, float& width, float& descent, float& ascent) const {
  width = 0;
  descent = 0;
  ascent = 0;
  if (font_entry_ == nullptr || text.empty()) return;
  const std::string codes = Utf8ToCp1252(text).codes;
  for (char c : codes) {
    const int index = static_cast<unsigned char>(c) - font_entry_->FirstChar;
    if (index < 0 || static_cast<unsigned char>(c) > font_entry_->LastChar) continue;
    const TGlyphMetricsFloat& m = font_entry_->GlyphsMetrics[static_cast<std::size_t>(index)];
    width += m.gmfCellIncX;
    ascent = std::max(ascent, m.gmfptGlyphOriginY);
    descent = std::min(descent, m.gmfptGlyphOriginY - m.gmfBlackBoxY);
  }
}

void TGLSpaceText::DoRender(TRenderContextInfo& rci, bool render_self, bool render_children) {
  if (!properties_.text.empty() && (font_changed_ || (font_entry_ != nullptr && font_entry_->ListHandle.Handle() == 0))) {
    TFontManager& manager = GetFontManager();
    manager.Release(std::exchange(font_entry_, nullptr), this);
    font_entry_ = &manager.GetFontBase(font_->Name(), font_->Style(), this, LastChar(), FirstChar(),
                                       properties_.allowed_deviation, properties_.extrusion);
    font_changed_ = false;
    // The own list calls the glyph lists by name: lists made anew (the entry was freed under this text,
    // or its context lost them) need it compiled again.
    if (font_entry_->ListHandle.Handle() != compiled_base_) MarkStructureDirty();
  }
  TGLStageObject::DoRender(rci, render_self, render_children);
}

void TGLSpaceText::BuildList(TRenderContextInfo& rci) {
  if (properties_.text.empty() || font_entry_ == nullptr) return;
  const std::string codes = DrawnCodes();
  const TGLMatrixScope matrix;
  if (properties_.aspect_ratio != 0) gl.Scalef(properties_.aspect_ratio, 1, 1);
  if (properties_.oblique != 0) gl.Rotatef(properties_.oblique, 0, 0, 1);
  if (!(adjust_.Horz() == haLeft && adjust_.Vert() == vaBaseLine && properties_.text_height == 0)) {
    float width = 0, descent = 0, ascent = 0;
    TextMetrics(width, descent, ascent);
    // Mended: a text of blanks only has no ascent, and scaling by TextHeight / 0 would be infinite.
    if (properties_.text_height != 0 && ascent > 0) {
      const float s = properties_.text_height / ascent;
      gl.Scalef(s, s, 1);
    }
    switch (adjust_.Horz()) {
      case haCenter:
        gl.Translatef(-width * 0.5f, 0, 0);
        break;
      case haRight:
        gl.Translatef(-width, 0, 0);
        break;
      default:
        break;
    }
    switch (adjust_.Vert()) {
      case vaTop:
        gl.Translatef(0, -ascent, 0);
        break;
      case vaCenter:
        gl.Translatef(0, std::fabs(descent) * 0.5f - ascent * 0.5f, 0);
        break;
      case vaBottom:
        gl.Translatef(0, std::fabs(descent), 0);
        break;
      default:
        break;
    }
  }
  const TGLAttribScope polygon_bits(rci.GLStates, GL_POLYGON_BIT);
  if (rci.drawState == TDrawState::Picking) {
    // Mesa's selection mode mishandles compiled lists: the same glyphs, drawn directly.
    for (char c : codes) {
      const auto index = static_cast<std::size_t>(static_cast<unsigned char>(c) - font_entry_->FirstChar);
      DrawGlyphMesh(font_entry_->Glyphs.at(index));
    }
  } else {
    compiled_base_ = font_entry_->ListHandle.Handle();
    // The base is shifted so that a code calls its own list, in unsigned arithmetic.
    gl.ListBase(font_entry_->ListHandle.Handle() - static_cast<GLuint>(FirstChar()));
    gl.CallLists(static_cast<GLsizei>(codes.size()), GL_UNSIGNED_BYTE, codes.data());
  }
}

void TGLSpaceText::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLSpaceText*>(source)) {
    font_->Assign(*other->font_);
    properties_ = other->properties_;
    adjust_.Assign(&other->adjust_);
    OnFontChange();
  }
  TGLStageObject::Assign(source);
}

namespace {

constexpr TIdentNames<6> kHorzAdjust{"haLeft", "haCenter", "haRight", "haAligned", "haCentrically", "haFitIn"};
constexpr TIdentNames<4> kVertAdjust{"vaTop", "vaCenter", "vaBottom", "vaBaseLine"};
constexpr TIdentNames<3> kCharRange{"stcrAlphaNum", "stcrNumbers", "stcrAll"};
constexpr TIdentNames<4> kFontStyles{"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};

}  // namespace

void TGLSpaceText::WriteProperties(TPropertyWriter& w) const {
  TGLStageObject::WriteProperties(w);
  if (Extrusion() != 0) w.Single("Extrusion", Extrusion());
  w.String("Font.Name", Font().Name());
  w.Integer("Font.Height", Font().Height());
  if (!Font().Style().Empty()) w.SetOf("Font.Style", kFontStyles, Font().Style().Bits());
  if (!Text().empty()) w.String("Text", Text());
  if (AllowedDeviation() != 0) w.Single("AllowedDeviation", AllowedDeviation());
  if (CharacterRange() != stcrAll) w.Enum("CharacterRange", kCharRange, CharacterRange());
  if (AspectRatio() != 0) w.Single("AspectRatio", AspectRatio());
  if (TextHeight() != 0) w.Single("TextHeight", TextHeight());
  if (Oblique() != 0) w.Single("Oblique", Oblique());
  if (Adjust().Horz() != haLeft) w.Enum("Adjust.Horz", kHorzAdjust, Adjust().Horz());
  if (Adjust().Vert() != vaBaseLine) w.Enum("Adjust.Vert", kVertAdjust, Adjust().Vert());
}

bool TGLSpaceText::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "Extrusion") {
    SetExtrusion(AsSingle(v));
  } else if (name == "Font.Name") {
    Font().SetName(AsString(v));
  } else if (name == "Font.Height") {
    Font().SetHeight(AsInteger(v));
  } else if (name == "Font.Style") {
    Font().SetStyle(TFontStyles::FromBits(static_cast<std::uint8_t>(SetBits(kFontStyles, v))));
  } else if (name == "Text") {
    SetText(AsString(v));
  } else if (name == "AllowedDeviation") {
    SetAllowedDeviation(AsSingle(v));
  } else if (name == "CharacterRange") {
    SetCharacterRange(AsEnum<TSpaceTextCharRange>(kCharRange, v));
  } else if (name == "AspectRatio") {
    SetAspectRatio(AsSingle(v));
  } else if (name == "TextHeight") {
    SetTextHeight(AsSingle(v));
  } else if (name == "Oblique") {
    SetOblique(AsSingle(v));
  } else if (name == "Adjust.Horz") {
    Adjust().SetHorz(AsEnum<TGLTextHorzAdjust>(kHorzAdjust, v));
  } else if (name == "Adjust.Vert") {
    Adjust().SetVert(AsEnum<TGLTextVertAdjust>(kVertAdjust, v));
  } else {
    return TGLStageObject::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
