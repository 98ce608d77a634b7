// The BMP reader against hand-made files of every depth, and the canvas.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/ui/bitmap.h"
#include "platform/ui/canvas.h"

using namespace platform::ui;

namespace {

struct BmpWriter {
  std::string s;
  void u16(std::uint32_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
  }
  void u32(std::uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  }
};

// A file with a 40-byte info header; `palette` BGRX entries, then `pixels` as given.
std::string makeBmp(int w, int h, int bpp, std::uint32_t compression, const std::vector<std::uint32_t>& palette,
                    const std::string& pixels, const std::vector<std::uint32_t>& masks = {}) {
  BmpWriter b;
  std::uint32_t off = 14 + 40 + static_cast<std::uint32_t>(masks.size() * 4 + palette.size() * 4);
  b.s += "BM";
  b.u32(off + static_cast<std::uint32_t>(pixels.size()));
  b.u32(0);
  b.u32(off);
  b.u32(40);
  b.u32(static_cast<std::uint32_t>(w));
  b.u32(static_cast<std::uint32_t>(h));
  b.u16(1);
  b.u16(static_cast<std::uint32_t>(bpp));
  b.u32(compression);
  b.u32(static_cast<std::uint32_t>(pixels.size()));
  b.u32(0);
  b.u32(0);
  b.u32(static_cast<std::uint32_t>(palette.size()));
  b.u32(0);
  for (auto m : masks) b.u32(m);
  for (auto p : palette) b.u32(p);
  return b.s + pixels;
}

std::string bytes(std::initializer_list<int> v) {
  std::string s;
  for (int x : v) s.push_back(static_cast<char>(x));
  return s;
}

const Color red = Color::rgb(255, 0, 0), green = Color::rgb(0, 255, 0), blue = Color::rgb(0, 0, 255);

TEST(Bitmap, ReadsEveryDepthBottomUpAndTopDown) {
  // 2 x 2 pictures: top row red, green; bottom row blue, white.
  const std::vector<std::uint32_t> pal = {0x00FF0000 /*red as BGRX: r in the third byte*/, 0x0000FF00, 0x000000FF,
                                          0x00FFFFFF};
  struct Case {
    const char* what;
    std::string file;
  } cases[] = {
      {"24 bits", makeBmp(2, 2, 24, 0, {}, bytes({255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0}))},
      {"24 bits top-down",
       makeBmp(2, -2, 24, 0, {}, bytes({0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0}))},
      {"32 bits", makeBmp(2, 2, 32, 0, {}, bytes({255, 0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 0, 0, 255, 0, 0}))},
      {"8 bits", makeBmp(2, 2, 8, 0, pal, bytes({2, 3, 0, 0, 0, 1, 0, 0}))},
      {"4 bits", makeBmp(2, 2, 4, 0, pal, bytes({0x23, 0, 0, 0, 0x01, 0, 0, 0}))},
      {"1 bit", makeBmp(2, 2, 1, 0, {0x00FF0000, 0x0000FF00}, bytes({0x40, 0, 0, 0, 0x40, 0, 0, 0}))},
      {"16 bits 5-5-5", makeBmp(2, 2, 16, 0, {}, bytes({0x1F, 0x00, 0xFF, 0x7F, 0x00, 0x7C, 0xE0, 0x03}))},
      {"16 bits 5-6-5 fields",
       makeBmp(2, 2, 16, 3, {}, bytes({0x1F, 0x00, 0xFF, 0xFF, 0x00, 0xF8, 0xE0, 0x07}), {0xF800, 0x07E0, 0x001F})},
      {"RLE8", makeBmp(2, 2, 8, 1, pal, bytes({1, 2, 1, 3, 0, 0, 1, 0, 1, 1, 0, 1}))},
      {"RLE8 absolute run", makeBmp(3, 2, 8, 1, pal, bytes({0, 3, 2, 3, 3, 0, 0, 0, 0, 3, 0, 1, 1, 0, 0, 1}))},
  };
  for (const auto& c : cases) {
    std::string err;
    auto bmp = Bitmap::fromBmp(c.file, &err);
    ASSERT_TRUE(bmp) << c.what << ": " << err;
    ASSERT_GE(bmp->width(), 2);
    ASSERT_EQ(bmp->height(), 2);
    bool oneBit = std::string(c.what) == "1 bit";
    EXPECT_EQ(bmp->pixel(0, 0), red) << c.what;
    EXPECT_EQ(bmp->pixel(1, 0), green) << c.what;
    if (!oneBit) {
      EXPECT_EQ(bmp->pixel(0, 1), blue) << c.what;
      EXPECT_EQ(bmp->pixel(1, 1), colors::white) << c.what;
    }
  }
}

TEST(Bitmap, RefusesWhatIsNotAPictureItCanRead) {
  std::string good = makeBmp(2, 2, 24, 0, {}, std::string(16, '\0'));
  struct Case {
    const char* what;
    std::string file;
  } cases[] = {
      {"empty", ""},
      {"not BM", "XM" + good.substr(2)},
      {"header cut", good.substr(0, 30)},
      {"pixels cut", good.substr(0, good.size() - 6)},
      {"no pixels", good.substr(0, 54)},
      {"zero width", makeBmp(0, 2, 24, 0, {}, std::string(16, '\0'))},
      {"huge", makeBmp(100000, 100000, 24, 0, {}, std::string(16, '\0'))},
      // A few bytes of RLE could otherwise make the reader allocate a gigabyte.
      {"huge area in a tiny RLE file", makeBmp(16384, 16384, 8, 1, {0}, bytes({0, 1}))},
      {"unknown depth", makeBmp(2, 2, 7, 0, {}, std::string(16, '\0'))},
      {"unknown compression", makeBmp(2, 2, 24, 9, {}, std::string(16, '\0'))},
  };
  for (const auto& c : cases) {
    std::string err;
    EXPECT_FALSE(Bitmap::fromBmp(c.file, &err)) << c.what;
    EXPECT_FALSE(err.empty()) << c.what;
  }
}

TEST(Bitmap, WritesWhatItReads) {
  Bitmap b(3, 5, colors::navy);
  b.setPixel(2, 4, Color::rgb(1, 2, 3));
  b.setPixel(0, 0, colors::yellow);
  auto back = Bitmap::fromBmp(b.toBmp());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->data(), b.data());
}

TEST(Canvas, FillsAndDrawsClippedToTheSurface) {
  Bitmap surface(10, 10, colors::white);
  Canvas c(surface);
  c.fillRect({-5, 8, 100, 10}, blue);  // bottom two rows, partly outside
  EXPECT_EQ(c.pixel(0, 8), blue);
  EXPECT_EQ(c.pixel(9, 9), blue);
  EXPECT_EQ(c.pixel(0, 7), colors::white);
  Bitmap pic(4, 4, red);
  c.draw(8, -2, pic);  // top-right corner, mostly outside
  EXPECT_EQ(c.pixel(9, 0), red);
  EXPECT_EQ(c.pixel(8, 1), red);
  EXPECT_EQ(c.pixel(7, 0), colors::white);
  EXPECT_EQ(c.pixel(8, 2), colors::white);
  Palette p;
  for (int i = 0; i < 64; ++i) p.entries.push_back(Color::rgb(0, 0, 255 - 4 * i));
  c.selectPalette(p);
  EXPECT_EQ(c.palette().entries.size(), 64u);
}

}  // namespace
