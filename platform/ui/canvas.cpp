#include "platform/ui/canvas.h"

#include <algorithm>

namespace platform::ui {

void Canvas::fillRect(const Rect& r) {
  const int x0 = std::max(r.left, 0), y0 = std::max(r.top, 0);
  const int x1 = std::min(r.right(), width()), y1 = std::min(r.bottom(), height());
  const std::uint32_t v = Bitmap::pack(brush_);
  auto& px = target_.data();
  for (int y = y0; y < y1; ++y)
    std::fill(px.begin() + static_cast<std::ptrdiff_t>(y) * width() + x0,
              px.begin() + static_cast<std::ptrdiff_t>(y) * width() + x1, v);
}

void Canvas::draw(int x, int y, const Bitmap& bitmap) {
  const int x0 = std::max(x, 0), y0 = std::max(y, 0);
  const int x1 = std::min(x + bitmap.width(), width()), y1 = std::min(y + bitmap.height(), height());
  auto& px = target_.data();
  for (int ty = y0; ty < y1; ++ty)
    for (int tx = x0; tx < x1; ++tx)
      px[static_cast<std::size_t>(ty) * width() + tx] = bitmap.argb(tx - x, ty - y);
}

}  // namespace platform::ui
