// Reading one string value of the registry by the script's numeric root codes:
// 2 HKEY_CLASSES_ROOT, 3 HKEY_CURRENT_USER, 4 HKEY_LOCAL_MACHINE, 5 HKEY_USERS,
// 7 HKEY_CURRENT_CONFIG, 8 HKEY_DYN_DATA.
#pragma once

#include <string>
#include <string_view>

#include "platform/registry/registry.h"

namespace setup {

class SetupContext;

// The string value `name` of the key `keyPath` (relative to the root, a leading backslash
// allowed), read only; `def` when the key or the value does not exist. Never creates a key.
// A code that names no root, and a value that is not a string (REG_SZ or REG_EXPAND_SZ,
// the latter unexpanded), also give `def`: the script can only mean a text there.
std::string ReadRegistryString(const platform::Registry& registry, int rootCode, std::string_view keyPath,
                               std::string_view name, std::string_view def);
// The same on the context's registry.
std::string ReadRegistryString(const SetupContext& context, int rootCode, std::string_view keyPath,
                               std::string_view name, std::string_view def);

}  // namespace setup
