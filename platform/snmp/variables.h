// The ordered variable list of a message.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/snmp/variable.h"

namespace platform::snmp {

class Variables {
 public:
  // Appends a copy of `variable`; returns the stored one.
  Variable& add(const Variable& variable);
  // 1-based, as the control numbers them. Throws Error outside 1..count().
  Variable& item(int index);
  const Variable& item(int index) const;
  int count() const { return static_cast<int>(items_.size()); }
  void clear() { items_.clear(); }

 private:
  std::vector<Variable> items_;
};

}  // namespace platform::snmp
