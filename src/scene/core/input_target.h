// Mouse and keyboard input as the in-scene widgets take it, with no toolkit type in sight: a host (the
// Qt adapter, a test) turns its events into calls on an input target.
#pragma once

#include <cstdint>

namespace zentrova {

enum TGLMouseButton : std::uint8_t { mbLeft, mbRight, mbMiddle };

// Bits of a TShiftState.
enum TShiftStateBit : std::uint8_t {
  ssShift = 1u << 0,
  ssAlt = 1u << 1,
  ssCtrl = 1u << 2,
  ssLeft = 1u << 3,
  ssRight = 1u << 4,
  ssMiddle = 1u << 5,
  ssDouble = 1u << 6,
};

// The modifier keys and mouse buttons held during an event, and whether it is a double click.
class TShiftState {
 public:
  constexpr TShiftState() = default;
  constexpr TShiftState(std::uint8_t bits) : bits_(bits) {}  // NOLINT: a set of bits reads as one
  constexpr bool Contains(TShiftStateBit bit) const { return (bits_ & bit) != 0; }
  constexpr std::uint8_t Bits() const { return bits_; }
  friend constexpr bool operator==(TShiftState a, TShiftState b) = default;

 private:
  std::uint8_t bits_ = 0;
};

// Key codes of KeyDown and KeyUp. Letters and digits are their upper-case ASCII codes.
enum TGLKeyCode : std::uint16_t {
  VK_BACK = 8,
  VK_TAB = 9,
  VK_RETURN = 13,
  VK_SPACE = 32,
  VK_END = 35,
  VK_HOME = 36,
  VK_LEFT = 37,
  VK_UP = 38,
  VK_RIGHT = 39,
  VK_DOWN = 40,
  VK_DELETE = 46,
};

// What receives the input. Coordinates are pixels of the viewport from its top-left corner, y down.
// Mouse calls return whether the target took the event. KeyPress takes one character as a code page
// 1252 byte; keys and characters go by reference so that a handler can change or swallow them.
class IGLInputTarget {
 public:
  virtual ~IGLInputTarget() = default;
  virtual bool MouseDown(TGLMouseButton button, TShiftState shift, int x, int y) = 0;
  virtual bool MouseUp(TGLMouseButton button, TShiftState shift, int x, int y) = 0;
  virtual bool MouseMove(TShiftState shift, int x, int y) = 0;
  virtual void KeyDown(std::uint16_t& key, TShiftState shift) = 0;
  virtual void KeyUp(std::uint16_t& key, TShiftState shift) = 0;
  virtual void KeyPress(char& key) = 0;
};

}  // namespace zentrova
