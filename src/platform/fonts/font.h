// A font description as a canvas or a text object holds it: family name, height, styles and colour, with a
// change event for the objects that build glyph lists or atlases from it. Nothing here loads a face;
// font_face.h resolves the description to one.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace zentrova {

enum class TFontStyle : std::uint8_t { Bold, Italic, Underline, StrikeOut };

// A set of font styles.
class TFontStyles {
 public:
  TFontStyles() = default;
  TFontStyles(std::initializer_list<TFontStyle> styles) {
    for (TFontStyle style : styles) Include(style);
  }
  bool Contains(TFontStyle style) const { return (bits_ & Bit(style)) != 0; }
  bool Empty() const { return bits_ == 0; }
  void Include(TFontStyle style) { bits_ |= Bit(style); }
  void Exclude(TFontStyle style) { bits_ &= static_cast<std::uint8_t>(~Bit(style)); }
  // Bit i stands for the style of ordinal i (Bold = bit 0), the order in which streams write the set.
  std::uint8_t Bits() const { return bits_; }
  static TFontStyles FromBits(std::uint8_t bits) {
    TFontStyles styles;
    styles.bits_ = bits & 0x0F;
    return styles;
  }
  friend bool operator==(TFontStyles a, TFontStyles b) { return a.bits_ == b.bits_; }

 private:
  static std::uint8_t Bit(TFontStyle style) {
    return static_cast<std::uint8_t>(1u << static_cast<unsigned>(style));
  }
  std::uint8_t bits_ = 0;
};

// Screen resolution that converts point sizes to pixel heights.
inline constexpr int kScreenPixelsPerInch = 96;

// Height and Size are one value seen in two units. A negative Height is the em height in pixels (what a
// point size gives); a positive Height is the cell height, ascent + descent, in pixels; 0 asks for the
// default size. Size = -round(Height * 72 / 96) points and Height = -round(Size * 96 / 72), rounding
// halves away from zero, so a positive Height reads as a negative Size.
class TFont {
 public:
  using TChangeHandler = std::function<void(TFont&)>;

  // The colour value of the window text system colour: the colour of a new font.
  static constexpr std::int32_t kWindowTextColor = static_cast<std::int32_t>(0xFF000008u);

  TFont() = default;
  TFont(const TFont&) = delete;
  TFont& operator=(const TFont&) = delete;

  const std::string& Name() const { return name_; }
  int Height() const { return height_; }
  int Size() const;
  TFontStyles Style() const { return style_; }
  // A colour value: 0x00BBGGRR, or a system colour with the top byte 0xFF.
  std::int32_t Color() const { return color_; }

  // Each setter fires the change event when the value differs.
  void SetName(const std::string& name);
  void SetHeight(int height);
  void SetSize(int points);
  void SetStyle(TFontStyles style);
  void SetColor(std::int32_t color);
  // Copies name, height, style and colour, firing the change event once if anything differs; the
  // handlers stay those of this font.
  void Assign(const TFont& source);

  // Handlers run in the order connected; one may disconnect itself or others while running.
  int Connect(TChangeHandler handler);
  void Disconnect(int connection);

 private:
  void Changed();

  std::string name_ = "MS Sans Serif";
  int height_ = -11;  // 8 points
  TFontStyles style_;
  std::int32_t color_ = kWindowTextColor;
  std::vector<std::pair<int, TChangeHandler>> handlers_;
  int next_connection_ = 1;
};

}  // namespace zentrova
