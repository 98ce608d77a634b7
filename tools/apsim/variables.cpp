#include "tools/apsim/variables.h"

#include <stdexcept>

#include "platform/snmp/error.h"

namespace apsim {

const std::vector<VariableSpec>& variableSpecs() {
  using ber::Tag;
  static const std::vector<VariableSpec> table = {
      {"sysDescr", Tag::OctetString, Access::ReadOnly},
      {"sysReset", Tag::Integer, Access::ReadWrite},
      {"operEthernetAddress", Tag::OctetString, Access::ReadOnly},
      {"sysLoadDefaults", Tag::Integer, Access::ReadWrite},
      {"sysDeviceInfo", Tag::OctetString, Access::ReadOnly},
      {"sysUpload", Tag::Integer, Access::ReadWrite},
      {"operIPAddress", Tag::IpAddress, Access::ReadWrite},
      {"operIPMask", Tag::IpAddress, Access::ReadWrite},
      {"operGateway", Tag::IpAddress, Access::ReadWrite},
      {"operDHCP", Tag::Integer, Access::ReadWrite},
      {"bridgeOperationalMode", Tag::Integer, Access::ReadWrite},
      {"bridgeRemoteBridgeBSSID", Tag::OctetString, Access::ReadWrite},
      {"AuthorizedAdminPass", Tag::OctetString, Access::WriteOnly},
      {"AuthorizedManufactPass", Tag::OctetString, Access::WriteOnly},
      {"operChannelID", Tag::Integer, Access::ReadWrite},
      {"operESSIDLength", Tag::Integer, Access::ReadWrite},
      {"operESSID", Tag::OctetString, Access::ReadWrite},
      {"operRTSThreshold", Tag::Integer, Access::ReadWrite},
      {"operPreambleType", Tag::Integer, Access::ReadWrite},
      {"operAccessPointName", Tag::OctetString, Access::ReadWrite},
      {"operSSIDBroadcasting", Tag::Integer, Access::ReadWrite},
      {"defaultWEPKey1", Tag::OctetString, Access::ReadWrite},
      {"defaultWEPKey2", Tag::OctetString, Access::ReadWrite},
      {"defaultWEPKey3", Tag::OctetString, Access::ReadWrite},
      {"defaultWEPKey4", Tag::OctetString, Access::ReadWrite},
      {"privacyWEPEnable", Tag::Integer, Access::ReadWrite},
      {"privacyDefaultWEPKeyID", Tag::Integer, Access::ReadWrite},
      {"AssociatedSTAsNum", Tag::Integer, Access::ReadOnly},
      {"AuthorizationMacEnable", Tag::Integer, Access::ReadWrite},
      {"AuthorizedMac", Tag::OctetString, Access::ReadWrite},
  };
  return table;
}

VariableTable::VariableTable(const platform::snmp::Mib& mib) {
  for (const VariableSpec& var : variableSpecs()) {
    auto oid = ber::parseOid(mib.translate(var.name) + ".0");
    if (!oid) throw platform::snmp::Error("apsim: ", "bad identifier for " + var.name);
    byOid_[*oid] = &var;
    byName_[var.name] = *oid;
  }
}

const VariableSpec* VariableTable::find(const ber::Oid& instance) const {
  auto it = byOid_.find(instance);
  return it == byOid_.end() ? nullptr : it->second;
}

const ber::Oid& VariableTable::instanceOf(const std::string& name) const {
  auto it = byName_.find(name);
  if (it == byName_.end()) throw std::out_of_range("apsim: unknown variable " + name);
  return it->second;
}

}  // namespace apsim
