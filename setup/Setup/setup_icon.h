// The installer's icon, drawn in code: a monitor with an arrow going onto it.
#pragma once

#include "platform/ui/bitmap.h"

namespace setup {

platform::ui::Bitmap MakeSetupIcon();

}  // namespace setup
