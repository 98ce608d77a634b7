// The script's message table: every text the installer shows is message n of section language.
#pragma once

#include <string>

#include "setup/script/setup_context.h"

namespace setup {

// Section language, key "l" + n in decimal, macro-expanded; empty when the script lacks it.
std::string ScriptMessage(const SetupContext& context, int n);

}  // namespace setup
