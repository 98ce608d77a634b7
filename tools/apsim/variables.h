// The variables a simulated access point serves: their MIB names, value types and whether a
// manager may write them. Identifiers are never written here: they come from the MIB file.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/snmp/ber.h"
#include "platform/snmp/mib.h"

namespace apsim {

namespace ber = platform::snmp::ber;

enum class Access { ReadOnly, ReadWrite, WriteOnly };

struct VariableSpec {
  std::string name;  // MIB name, without the instance suffix
  ber::Tag tag;      // type of the value on the wire
  Access access;
};

// Every variable of the access point, in MIB order.
const std::vector<VariableSpec>& variableSpecs();

// Names resolved to instance identifiers (name + ".0") through a loaded MIB.
class VariableTable {
 public:
  // Throws platform::snmp::Error when the MIB lacks one of the variables.
  explicit VariableTable(const platform::snmp::Mib& mib);

  // The variable with this instance identifier, or nullptr.
  const VariableSpec* find(const ber::Oid& instance) const;
  // The instance identifier of a variable; throws std::out_of_range for an unknown name.
  const ber::Oid& instanceOf(const std::string& name) const;

 private:
  std::map<ber::Oid, const VariableSpec*> byOid_;
  std::map<std::string, ber::Oid> byName_;
};

}  // namespace apsim
