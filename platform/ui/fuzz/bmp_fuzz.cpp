// The BMP reader takes pictures from the distribution medium (vtu10.bmp, vtu11.bmp, the
// numbered pictures): whatever the bytes, it either gives a picture of the size it claims,
// with every pixel set, or says why not.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/ui/bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string error;
  auto bmp = platform::ui::Bitmap::fromBmp(std::string_view(reinterpret_cast<const char*>(data), size), &error);
  if (!bmp) {
    if (error.empty()) std::abort();
    return 0;
  }
  if (bmp->width() <= 0 || bmp->height() <= 0 ||
      bmp->data().size() != static_cast<std::size_t>(bmp->width()) * bmp->height())
    std::abort();
  // Reading it back from what it writes gives the same pixels.
  auto again = platform::ui::Bitmap::fromBmp(bmp->toBmp());
  if (!again || again->data() != bmp->data()) std::abort();
  return 0;
}
