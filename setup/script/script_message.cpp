#include "setup/script/script_message.h"

#include "setup/script/macros.h"

namespace setup {

std::string ScriptMessage(const SetupContext& context, int n) {
  return ExpandMacros(context, context.scriptString("language", "l" + std::to_string(n), ""));
}

}  // namespace setup
