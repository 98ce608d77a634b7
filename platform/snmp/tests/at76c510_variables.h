// The variables of the AT76C510 MIB module and the identifiers the access points answer to.
#pragma once

#include <string>
#include <vector>

namespace platform::snmp::testing {

struct MibVariable {
  const char* name;
  const char* oid;
};

inline const std::vector<MibVariable>& at76c510Variables() {
  static const std::vector<MibVariable> table = {
      {"sysDescr", "1.3.6.1.2.1.1.1"},
      {"sysReset", "1.3.6.1.4.1.410.1.1.1.2"},
      {"operEthernetAddress", "1.3.6.1.4.1.410.1.1.1.3"},
      {"sysLoadDefaults", "1.3.6.1.4.1.410.1.1.1.4"},
      {"sysDeviceInfo", "1.3.6.1.4.1.410.1.1.1.5"},
      {"sysUpload", "1.3.6.1.4.1.410.1.1.1.6"},
      {"operIPAddress", "1.3.6.1.4.1.410.1.1.2.1"},
      {"operIPMask", "1.3.6.1.4.1.410.1.1.2.2"},
      {"operGateway", "1.3.6.1.4.1.410.1.1.2.3"},
      {"operDHCP", "1.3.6.1.4.1.410.1.1.2.5"},
      {"bridgeOperationalMode", "1.3.6.1.4.1.410.1.1.4.1"},
      {"bridgeRemoteBridgeBSSID", "1.3.6.1.4.1.410.1.1.4.2"},
      {"AuthorizedAdminPass", "1.3.6.1.4.1.410.1.1.9.2"},
      {"AuthorizedManufactPass", "1.3.6.1.4.1.410.1.1.9.3"},
      {"operChannelID", "1.3.6.1.4.1.410.1.2.1.1"},
      {"operESSIDLength", "1.3.6.1.4.1.410.1.2.1.2"},
      {"operESSID", "1.3.6.1.4.1.410.1.2.1.3"},
      {"operRTSThreshold", "1.3.6.1.4.1.410.1.2.1.4"},
      {"operPreambleType", "1.3.6.1.4.1.410.1.2.1.6"},
      {"operAccessPointName", "1.3.6.1.4.1.410.1.2.1.10"},
      {"operSSIDBroadcasting", "1.3.6.1.4.1.410.1.2.1.11"},
      {"defaultWEPKey1", "1.3.6.1.4.1.410.1.2.2.1"},
      {"defaultWEPKey2", "1.3.6.1.4.1.410.1.2.2.2"},
      {"defaultWEPKey3", "1.3.6.1.4.1.410.1.2.2.3"},
      {"defaultWEPKey4", "1.3.6.1.4.1.410.1.2.2.4"},
      {"privacyWEPEnable", "1.3.6.1.4.1.410.1.2.2.5"},
      {"privacyDefaultWEPKeyID", "1.3.6.1.4.1.410.1.2.2.6"},
      {"AssociatedSTAsNum", "1.3.6.1.4.1.410.1.2.5.1"},
      {"AuthorizationMacEnable", "1.3.6.1.4.1.410.1.2.6.1"},
      {"AuthorizedMac", "1.3.6.1.4.1.410.1.2.6.2"},
  };
  return table;
}

inline std::string at76c510MibPath() {
  return std::string(KIT_SOURCE_DIR) + "/snmp/AT76C510.mib";
}

}  // namespace platform::snmp::testing
