// A reader for SMIv1 MIB modules: collects the object identifier assignments
//   name OBJECT IDENTIFIER ::= { parent 3 }
//   name OBJECT-TYPE SYNTAX ... ::= { parent 3 }       (and the other SMI macros)
// of every module loaded and translates names into dotted identifiers. The roots iso, org,
// dod, internet, directory, mgmt, mib-2, system, experimental, private, enterprises are built
// in, so modules may import them from the standard modules without those files.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace platform::snmp {

class Mib {
 public:
  Mib();

  // Reads a MIB file and adds its definitions. Throws Error when the file cannot be read or
  // does not parse; then nothing of it is added.
  void load(const std::string& path);
  // The same from text (`origin` names it in error descriptions).
  void loadText(std::string_view text, const std::string& origin = "MIB text");

  // "sysDescr" -> "1.3.6.1.2.1.1.1". Also accepts "MODULE::name" and a name followed by
  // numeric arcs ("sysDescr.0" -> "1.3.6.1.2.1.1.1.0"). Throws Error for an unknown name or
  // one whose chain of parents does not reach a root.
  std::string translate(const std::string& name) const;

  // Names defined by loaded modules (not the built-in roots), in the order they were read.
  const std::vector<std::string>& names() const { return order_; }
  // Modules loaded, in order.
  const std::vector<std::string>& modules() const { return modules_; }

 private:
  struct Node {
    std::string parent;               // empty for a root
    std::vector<std::uint32_t> arcs;  // below the parent
    std::string module;
  };
  std::vector<std::uint32_t> resolve(const std::string& name) const;

  std::map<std::string, Node> nodes_;
  std::vector<std::string> order_;
  std::vector<std::string> modules_;
};

}  // namespace platform::snmp
