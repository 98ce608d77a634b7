// Plain value types of the window model: rectangles in 96-dpi pixels, colours, fonts, keys.
#pragma once

#include <cstdint>
#include <string>

namespace platform::ui {

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
  int width = 0;
  int height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

// Left, top, width, height, as the forms declare their controls.
struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;

  int right() const { return left + width; }
  int bottom() const { return top + height; }
  bool contains(Point p) const { return p.x >= left && p.x < right() && p.y >= top && p.y < bottom(); }
  bool empty() const { return width <= 0 || height <= 0; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// 0x00BBGGRR like a Windows COLORREF, so script colours (r, g, b) map one to one.
struct Color {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;

  static constexpr Color rgb(int r, int g, int b) {
    return Color{static_cast<std::uint8_t>(r & 0xFF), static_cast<std::uint8_t>(g & 0xFF),
                 static_cast<std::uint8_t>(b & 0xFF)};
  }
  std::uint32_t colorRef() const { return r | (g << 8) | (static_cast<std::uint32_t>(b) << 16); }
  friend bool operator==(const Color&, const Color&) = default;
};

// The colours of the classic Windows scheme the forms name.
namespace colors {
inline constexpr Color black = Color::rgb(0, 0, 0);
inline constexpr Color white = Color::rgb(255, 255, 255);
inline constexpr Color navy = Color::rgb(0, 0, 128);
inline constexpr Color silver = Color::rgb(192, 192, 192);
inline constexpr Color yellow = Color::rgb(255, 255, 0);
inline constexpr Color buttonFace = Color::rgb(192, 192, 192);
inline constexpr Color window = Color::rgb(255, 255, 255);
inline constexpr Color windowText = Color::rgb(0, 0, 0);
inline constexpr Color activeCaption = Color::rgb(0, 0, 128);
inline constexpr Color grayText = Color::rgb(128, 128, 128);
}  // namespace colors

struct Font {
  std::string name = "MS Sans Serif";
  int pointSize = 8;      // used when pixelHeight is 0
  int pixelHeight = 0;    // character height in pixels; wins over pointSize when set
  bool bold = false;
  bool italic = false;
  Color color = colors::windowText;

  // Height of a text line in pixels at 96 dpi.
  int lineHeight() const { return pixelHeight > 0 ? pixelHeight : (pointSize * 96 + 36) / 72 + 2; }
  friend bool operator==(const Font&, const Font&) = default;
};

enum class Alignment { Left, Center, Right };

// Virtual-key codes, numbered as Windows numbers them; letters and digits are their ASCII codes.
enum class Key : std::uint16_t {
  None = 0,
  Back = 0x08,
  Tab = 0x09,
  Return = 0x0D,
  Shift = 0x10,
  Control = 0x11,
  Escape = 0x1B,
  Space = 0x20,
  PageUp = 0x21,
  PageDown = 0x22,
  End = 0x23,
  Home = 0x24,
  Left = 0x25,
  Up = 0x26,
  Right = 0x27,
  Down = 0x28,
  Delete = 0x2E,
  F1 = 0x70, F2, F3, F4, F5, F6, F7, F8, F9, F10, F11, F12,
};

inline Key letterKey(char c) { return static_cast<Key>(static_cast<unsigned char>(c)); }

struct ShiftState {
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
  friend bool operator==(const ShiftState&, const ShiftState&) = default;
};

std::string keyName(Key k);

}  // namespace platform::ui
