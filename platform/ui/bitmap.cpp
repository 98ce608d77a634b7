#include "platform/ui/bitmap.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>

namespace platform::ui {

Bitmap::Bitmap(int width, int height, Color fill)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * height_, pack(fill)) {}

Color Bitmap::pixel(int x, int y) const { return unpack(argb(x, y)); }

void Bitmap::setPixel(int x, int y, Color c) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  pixels_[static_cast<std::size_t>(y) * width_ + x] = pack(c);
}

namespace {

constexpr int kMaxSide = 16384;
// A few bytes of RLE codes can describe a picture of any size (the rest is black), so the area is
// bounded too: 16 M pixels (64 MB) is far beyond any screen such pictures were made for.
constexpr long long kMaxPixels = 16LL * 1024 * 1024;

std::uint32_t u16(std::string_view b, std::size_t at) {
  return static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8);
}
std::uint32_t u32(std::string_view b, std::size_t at) {
  return u16(b, at) | (u16(b, at + 2) << 16);
}

bool fail(std::string* error, const char* why) {
  if (error) *error = why;
  return false;
}

// Expands a channel of `bits` width (from a bit-field mask) to 8 bits.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  int bits = 0;
  explicit Channel(std::uint32_t m) : mask(m) {
    if (!m) return;
    while (!((m >> shift) & 1)) ++shift;
    while (shift + bits < 32 && ((m >> (shift + bits)) & 1)) ++bits;
  }
  std::uint8_t operator()(std::uint32_t v) const {
    if (!bits) return 0;
    std::uint32_t x = (v & mask) >> shift;
    std::uint32_t max = bits >= 32 ? 0xFFFFFFFFu : ((1u << bits) - 1);
    return static_cast<std::uint8_t>((x * 255 + max / 2) / max);
  }
};

struct Header {
  int width = 0;
  int height = 0;  // always positive here
  bool topDown = false;
  int bpp = 0;
  std::uint32_t compression = 0;
  std::uint32_t masks[3] = {0, 0, 0};
  std::vector<Color> palette;
};

bool decodeRle(std::string_view data, const Header& h, bool four, Bitmap& out, std::string* error) {
  std::size_t p = 0;
  int x = 0;
  int row = 0;  // counted from the bottom
  auto put = [&](int index) {
    if (x < h.width && row < h.height) {
      Color c = index < static_cast<int>(h.palette.size()) ? h.palette[index] : colors::black;
      out.setPixel(x, h.height - 1 - row, c);
    }
    ++x;
  };
  while (p + 1 < data.size()) {
    int count = static_cast<unsigned char>(data[p]);
    int value = static_cast<unsigned char>(data[p + 1]);
    p += 2;
    if (count > 0) {
      for (int i = 0; i < count; ++i) put(four ? ((i & 1) ? (value & 0x0F) : (value >> 4)) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++row;
    } else if (value == 1) {  // end of bitmap
      return true;
    } else if (value == 2) {  // delta
      if (p + 1 >= data.size()) return fail(error, "truncated RLE delta");
      x += static_cast<unsigned char>(data[p]);
      row += static_cast<unsigned char>(data[p + 1]);
      p += 2;
    } else {  // absolute run of `value` pixels
      std::size_t bytes = four ? (static_cast<std::size_t>(value) + 1) / 2 : static_cast<std::size_t>(value);
      if (p + bytes > data.size()) return fail(error, "truncated RLE run");
      for (int i = 0; i < value; ++i) {
        int byte = static_cast<unsigned char>(data[p + (four ? i / 2 : i)]);
        put(four ? ((i & 1) ? (byte & 0x0F) : (byte >> 4)) : byte);
      }
      p += (bytes + 1) & ~std::size_t{1};  // runs are padded to a word
    }
    if (row >= h.height) return true;
  }
  return true;  // a missing end marker leaves the rest black, as Windows draws it
}

}  // namespace

std::optional<Bitmap> Bitmap::fromBmp(std::string_view b, std::string* error) {
  if (b.size() < 14 + 12 || b[0] != 'B' || b[1] != 'M') {
    fail(error, "not a BMP file");
    return std::nullopt;
  }
  const std::uint32_t offBits = u32(b, 10);
  const std::uint32_t infoSize = u32(b, 14);
  Header h;
  std::size_t paletteAt = 0;
  int paletteEntrySize = 4;
  std::uint32_t colorsUsed = 0;
  if (infoSize == 12) {  // OS/2 core header
    h.width = static_cast<std::int16_t>(u16(b, 18));
    h.height = static_cast<std::int16_t>(u16(b, 20));
    h.bpp = static_cast<int>(u16(b, 24));
    paletteAt = 14 + 12;
    paletteEntrySize = 3;
  } else if (infoSize >= 40 && b.size() >= 14 + 40) {
    h.width = static_cast<std::int32_t>(u32(b, 18));
    h.height = static_cast<std::int32_t>(u32(b, 22));
    h.bpp = static_cast<int>(u16(b, 28));
    h.compression = u32(b, 30);
    colorsUsed = u32(b, 46);
    paletteAt = 14 + infoSize;
    if (h.compression == 3) {
      if (infoSize >= 52 && b.size() >= 14 + 52) {
        for (int i = 0; i < 3; ++i) h.masks[i] = u32(b, 54 + 4 * i);
      } else if (b.size() >= 14 + 40 + 12) {  // masks follow a plain info header
        for (int i = 0; i < 3; ++i) h.masks[i] = u32(b, 54 + 4 * i);
        paletteAt += 12;
      } else {
        fail(error, "truncated bit-field masks");
        return std::nullopt;
      }
    }
  } else {
    fail(error, "unknown BMP header");
    return std::nullopt;
  }
  if (h.height < 0) {
    if (h.height == INT32_MIN) {
      fail(error, "bad height");
      return std::nullopt;
    }
    h.height = -h.height;
    h.topDown = true;
  }
  if (h.width <= 0 || h.height <= 0 || h.width > kMaxSide || h.height > kMaxSide ||
      static_cast<long long>(h.width) * h.height > kMaxPixels) {
    fail(error, "unsupported picture size");
    return std::nullopt;
  }
  const bool bitfields = h.compression == 3;
  const bool rle8 = h.compression == 1 && h.bpp == 8;
  const bool rle4 = h.compression == 2 && h.bpp == 4;
  if (!(h.compression == 0 || bitfields || rle8 || rle4) || (bitfields && h.bpp != 16 && h.bpp != 32) ||
      !(h.bpp == 1 || h.bpp == 4 || h.bpp == 8 || h.bpp == 16 || h.bpp == 24 || h.bpp == 32)) {
    fail(error, "unsupported BMP encoding");
    return std::nullopt;
  }
  if ((rle4 || rle8) && h.topDown) {
    fail(error, "top-down RLE pictures do not exist");
    return std::nullopt;
  }
  if (h.bpp <= 8) {
    std::uint32_t n = colorsUsed ? colorsUsed : (1u << h.bpp);
    n = std::min<std::uint32_t>(n, 1u << h.bpp);
    for (std::uint32_t i = 0; i < n; ++i) {
      std::size_t at = paletteAt + static_cast<std::size_t>(i) * paletteEntrySize;
      if (at + 3 > b.size()) break;
      h.palette.push_back(Color{static_cast<std::uint8_t>(b[at + 2]), static_cast<std::uint8_t>(b[at + 1]),
                                static_cast<std::uint8_t>(b[at])});
    }
  }
  if (offBits >= b.size()) {
    fail(error, "no pixel data");
    return std::nullopt;
  }
  std::string_view data = b.substr(offBits);
  Bitmap out(h.width, h.height, colors::black);
  if (rle4 || rle8) {
    if (!decodeRle(data, h, rle4, out, error)) return std::nullopt;
    return out;
  }
  const std::size_t stride = ((static_cast<std::size_t>(h.width) * h.bpp + 31) / 32) * 4;
  if (data.size() < stride * h.height) {
    // The last row may lack its padding; anything shorter than the pixels themselves is torn.
    std::size_t needed = stride * (h.height - 1) + (static_cast<std::size_t>(h.width) * h.bpp + 7) / 8;
    if (data.size() < needed) {
      fail(error, "truncated pixel data");
      return std::nullopt;
    }
  }
  std::uint32_t m0 = h.masks[0], m1 = h.masks[1], m2 = h.masks[2];
  if (!bitfields) {
    if (h.bpp == 16) m0 = 0x7C00, m1 = 0x03E0, m2 = 0x001F;
    if (h.bpp == 32) m0 = 0xFF0000, m1 = 0xFF00, m2 = 0xFF;
  }
  const Channel cr(m0), cg(m1), cb(m2);
  for (int row = 0; row < h.height; ++row) {
    const std::size_t base = stride * row;
    const int y = h.topDown ? row : h.height - 1 - row;
    for (int x = 0; x < h.width; ++x) {
      Color c;
      switch (h.bpp) {
        case 1:
        case 4:
        case 8: {
          std::size_t bit = static_cast<std::size_t>(x) * h.bpp;
          int byte = static_cast<unsigned char>(data[base + bit / 8]);
          int index = (byte >> (8 - h.bpp - static_cast<int>(bit % 8))) & ((1 << h.bpp) - 1);
          c = index < static_cast<int>(h.palette.size()) ? h.palette[index] : colors::black;
          break;
        }
        case 16: {
          std::uint32_t v = u16(data, base + 2 * static_cast<std::size_t>(x));
          c = Color{cr(v), cg(v), cb(v)};
          break;
        }
        case 24: {
          std::size_t at = base + 3 * static_cast<std::size_t>(x);
          c = Color{static_cast<std::uint8_t>(data[at + 2]), static_cast<std::uint8_t>(data[at + 1]),
                    static_cast<std::uint8_t>(data[at])};
          break;
        }
        default: {
          std::uint32_t v = u32(data, base + 4 * static_cast<std::size_t>(x));
          c = Color{cr(v), cg(v), cb(v)};
          break;
        }
      }
      out.setPixel(x, y, c);
    }
  }
  return out;
}

std::optional<Bitmap> Bitmap::loadFile(const std::string& hostPath, std::string* error) {
  std::ifstream in(hostPath, std::ios::binary);
  if (!in) {
    fail(error, "cannot open file");
    return std::nullopt;
  }
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return fromBmp(bytes, error);
}

std::string Bitmap::toBmp() const {
  const std::size_t stride = ((static_cast<std::size_t>(width_) * 24 + 31) / 32) * 4;
  const std::size_t imageSize = stride * height_;
  std::string out;
  auto put16 = [&](std::uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
  };
  auto put32 = [&](std::uint32_t v) {
    put16(v & 0xFFFF);
    put16(v >> 16);
  };
  out += "BM";
  put32(static_cast<std::uint32_t>(14 + 40 + imageSize));
  put32(0);
  put32(14 + 40);
  put32(40);
  put32(static_cast<std::uint32_t>(width_));
  put32(static_cast<std::uint32_t>(height_));
  put16(1);
  put16(24);
  put32(0);
  put32(static_cast<std::uint32_t>(imageSize));
  put32(3780);
  put32(3780);
  put32(0);
  put32(0);
  for (int row = height_ - 1; row >= 0; --row) {
    std::size_t start = out.size();
    for (int x = 0; x < width_; ++x) {
      Color c = pixel(x, row);
      out.push_back(static_cast<char>(c.b));
      out.push_back(static_cast<char>(c.g));
      out.push_back(static_cast<char>(c.r));
    }
    while (out.size() - start < stride) out.push_back('\0');
  }
  return out;
}

}  // namespace platform::ui
