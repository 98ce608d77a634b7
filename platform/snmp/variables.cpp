#include "platform/snmp/variables.h"

#include <string>

#include "platform/snmp/error.h"

namespace platform::snmp {

Variable& Variables::add(const Variable& variable) {
  items_.push_back(variable);
  return items_.back();
}

Variable& Variables::item(int index) {
  return const_cast<Variable&>(static_cast<const Variables&>(*this).item(index));
}

const Variable& Variables::item(int index) const {
  if (index < 1 || index > count())
    throw Error(kVariablesSource,
                "Index " + std::to_string(index) + " out of range (1.." + std::to_string(count()) + ")");
  return items_[static_cast<std::size_t>(index - 1)];
}

}  // namespace platform::snmp
