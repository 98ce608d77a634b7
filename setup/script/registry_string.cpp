#include "setup/script/registry_string.h"

#include "setup/script/setup_context.h"

namespace setup {

std::string ReadRegistryString(const platform::Registry& registry, int rootCode, std::string_view keyPath,
                               std::string_view name, std::string_view def) {
  std::optional<platform::RootKey> root = platform::rootFromCode(rootCode);
  if (!root) return std::string(def);
  std::optional<std::string> value = registry.readString(*root, keyPath, name);
  return value ? *value : std::string(def);
}

std::string ReadRegistryString(const SetupContext& context, int rootCode, std::string_view keyPath,
                               std::string_view name, std::string_view def) {
  return ReadRegistryString(context.registry(), rootCode, keyPath, name, def);
}

}  // namespace setup
