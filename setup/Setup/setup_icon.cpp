#include "setup/Setup/setup_icon.h"

namespace setup {

using platform::ui::Bitmap;
using platform::ui::Color;

Bitmap MakeSetupIcon() {
  // 32 x 32 on the button-face grey the loading screen has, so it needs no transparency.
  Bitmap b(32, 32, Color::rgb(192, 192, 192));
  auto fill = [&](int x0, int y0, int x1, int y1, Color c) {
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) b.setPixel(x, y, c);
  };
  const Color dark = Color::rgb(64, 64, 64), light = Color::rgb(224, 224, 224), screen = Color::rgb(0, 128, 128),
              arrow = Color::rgb(255, 255, 0);
  fill(3, 4, 29, 24, dark);      // monitor case
  fill(4, 5, 28, 23, light);
  fill(6, 7, 26, 21, screen);    // the screen
  fill(13, 24, 19, 27, dark);    // stand
  fill(8, 27, 24, 29, dark);
  // An arrow pointing down into the screen: the shaft, then the head.
  fill(14, 8, 18, 14, arrow);
  for (int row = 0; row < 5; ++row) fill(11 + row, 14 + row, 21 - row, 15 + row, arrow);
  return b;
}

}  // namespace setup
