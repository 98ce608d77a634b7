#include "setup/script/setup_context.h"

namespace setup {

std::string SetupContext::scriptString(std::string_view section, std::string_view key,
                                       std::string_view def) const {
  if (!state.script) return std::string(def);
  return state.script->readString(section, key, def);
}

std::int32_t SetupContext::scriptInteger(std::string_view section, std::string_view key,
                                         std::int32_t def) const {
  if (!state.script) return def;
  return state.script->readInteger(section, key, def);
}

bool SetupContext::scriptBool(std::string_view section, std::string_view key, bool def) const {
  if (!state.script) return def;
  return state.script->readBool(section, key, def);
}

std::string SetupContext::iniVar(int index) const {
  if (index < 1 || index > kVariableCount) return {};
  return state.iniVars[static_cast<std::size_t>(index - 1)];
}

std::string SetupContext::regVar(int index) const {
  if (index < 1 || index > kVariableCount) return {};
  return state.regVars[static_cast<std::size_t>(index - 1)];
}

}  // namespace setup
