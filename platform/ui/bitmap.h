// An in-memory true-colour picture, and the reader of Windows BMP files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/geometry.h"

namespace platform::ui {

class Bitmap {
 public:
  Bitmap() = default;
  Bitmap(int width, int height, Color fill = colors::black);

  int width() const { return width_; }
  int height() const { return height_; }
  bool empty() const { return width_ <= 0 || height_ <= 0; }

  // Pixels are 0xFFRRGGBB, rows top to bottom.
  std::uint32_t argb(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
  Color pixel(int x, int y) const;
  void setPixel(int x, int y, Color c);
  const std::vector<std::uint32_t>& data() const { return pixels_; }
  std::vector<std::uint32_t>& data() { return pixels_; }

  // Reads a BMP file image (1, 4, 8, 16, 24 and 32 bits per pixel; uncompressed, RLE4, RLE8 and
  // bit fields; bottom-up and top-down). Returns nothing and says why in `error` when the bytes
  // are not a picture it can read. Pictures larger than 16384 pixels a side or 16 M pixels in all
  // are refused.
  static std::optional<Bitmap> fromBmp(std::string_view bytes, std::string* error = nullptr);
  // Reads a BMP file from a host path.
  static std::optional<Bitmap> loadFile(const std::string& hostPath, std::string* error = nullptr);
  // Writes an uncompressed 24-bit BMP image (used by tests and tools to make fixtures).
  std::string toBmp() const;

  static constexpr std::uint32_t pack(Color c) {
    return 0xFF000000u | (static_cast<std::uint32_t>(c.r) << 16) | (static_cast<std::uint32_t>(c.g) << 8) | c.b;
  }
  static constexpr Color unpack(std::uint32_t v) {
    return Color{static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
  }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint32_t> pixels_;
};

}  // namespace platform::ui
