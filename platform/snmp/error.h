// The error every failing call of the SNMP control raises: a source (which object failed)
// and a description (what went wrong), as COM errors carry them.
#pragma once

#include <stdexcept>
#include <string>

namespace platform::snmp {

class Error : public std::runtime_error {
 public:
  // Source texts end with ": " so that source immediately followed by description, as the
  // access layer shows them, reads as one sentence: "SnmpManager: No remote host set".
  Error(std::string source, std::string description)
      : std::runtime_error(source + description),
        source_(std::move(source)),
        description_(std::move(description)) {}

  const std::string& source() const { return source_; }
  const std::string& description() const { return description_; }

 private:
  std::string source_;
  std::string description_;
};

inline constexpr const char* kManagerSource = "SnmpManager: ";
inline constexpr const char* kMibSource = "SnmpMib: ";
inline constexpr const char* kMessageSource = "SnmpMessage: ";
inline constexpr const char* kVariablesSource = "SnmpVariables: ";
inline constexpr const char* kVariableSource = "SnmpVariable: ";

}  // namespace platform::snmp
