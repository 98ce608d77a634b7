// The drawing surface a painted form gets in its paint handler: filled rectangles, bitmaps and
// a logical palette. Both backends hand the form the same raster canvas, so what a form paints
// can be checked pixel by pixel without a window system.
#pragma once

#include <vector>

#include "platform/ui/bitmap.h"
#include "platform/ui/geometry.h"

namespace platform::ui {

// A logical palette. On the true-colour surfaces of today selecting it changes no pixel; it is
// kept so that forms can build and select it as they always did, and tests can look at it.
struct Palette {
  std::vector<Color> entries;
};

class Canvas {
 public:
  explicit Canvas(Bitmap& target) : target_(target) {}

  int width() const { return target_.width(); }
  int height() const { return target_.height(); }

  Color brushColor() const { return brush_; }
  void setBrushColor(Color c) { brush_ = c; }
  // Fills the rectangle with the brush colour; parts outside the surface are clipped.
  void fillRect(const Rect& r);
  void fillRect(const Rect& r, Color c) {
    setBrushColor(c);
    fillRect(r);
  }
  // Draws the bitmap with its top-left corner at (x, y); clipped like fillRect.
  void draw(int x, int y, const Bitmap& bitmap);

  void selectPalette(const Palette& p) { palette_ = p; }
  const Palette& palette() const { return palette_; }

  Color pixel(int x, int y) const { return target_.pixel(x, y); }
  const Bitmap& surface() const { return target_; }

 private:
  Bitmap& target_;
  Color brush_ = colors::white;
  Palette palette_;
};

}  // namespace platform::ui
