#include "tools/apctl/apctl.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <functional>
#include <map>

#include "platform/net/datagram.h"
#include "platform/text/ansi.h"
#include "snmp/access/encodings.h"
#include "snmp/dialogs/wep_keys.h"
#include "tools/apctl/mac_text.h"

namespace apctl {

using manager::ApConfiguration;
using manager::ApPrivacySettings;
using manager::CAccessPoint;
using manager::MacEntryBlock;

const char* const kUsage =
    "usage: apctl [options] COMMAND [arguments]\n"
    "Manages AT76C510 access points over SNMP.\n"
    "\n"
    "Commands:\n"
    "  discover                      list the access points that answer a broadcast\n"
    "  status                        name, ESSID, stations, regulatory domain, firmware, WEP\n"
    "  show                          the configuration, as FIELD: VALUE lines\n"
    "  set FIELD=VALUE ...           change name, essid, channel, rts, ip, mask, gateway or\n"
    "                                dhcp (on/off), then restart the access point\n"
    "  wep [show]                    WEP mode, default key and keys\n"
    "  wep off                       disable WEP\n"
    "  wep 64 [KEY1 [KEY2 [KEY3 [KEY4]]]]   64-bit WEP with keys of 10 hexadecimal digits\n"
    "  wep 64 --passphrase TEXT      64-bit WEP with the four keys made from a passphrase\n"
    "  wep 128 KEY                   128-bit WEP with a key of 26 hexadecimal digits\n"
    "  wep 128 --passphrase TEXT     128-bit WEP with the key made from a passphrase\n"
    "                                (wep changes restart the access point and wait for it)\n"
    "  mac [list]                    MAC filter state and table\n"
    "  mac add ADDRESS ...           add stations (12 hex digits, or 00-0A-1B-2C-3D-4E)\n"
    "  mac import FILE               add the stations of a text file (12 hex digits each)\n"
    "  mac clear                     empty the table\n"
    "  mac enable | mac disable      switch the filter on or off\n"
    "                                (mac changes restart the access point)\n"
    "  bridge [show]                 bridge operation mode and remote bridge\n"
    "  bridge ap | bridge p2mp       access point, or bridge point to multipoint\n"
    "  bridge p2p REMOTE             bridge point to point with the remote bridge's MAC address\n"
    "  password NEW                  change the password (the SNMP community)\n"
    "  restart                       restart the access point\n"
    "  defaults                      restore the factory settings\n"
    "\n"
    "Options:\n"
    "  -a, --address ADDR            the access point (every command but discover)\n"
    "  -p, --password TEXT           its password (default public)\n"
    "      --port P                  UDP port of the access points (default 161, or\n"
    "                                $APKIT_SNMP_PORT)\n"
    "      --broadcast ADDR          discovery broadcast address (default 255.255.255.255,\n"
    "                                or $APKIT_SNMP_BROADCAST)\n"
    "      --rounds N                discovery broadcasts, one second each (default 4)\n"
    "      --passphrase TEXT         for wep 64 and wep 128\n"
    "      --key-id N                default WEP key 1 to 4 (wep off, wep 64)\n"
    "      --mib FILE                the AT76C510 MIB (default ./AT76C510.mib, $APKIT_MIB,\n"
    "                                or the one installed beside apctl)\n"
    "      --loopback-only           send nothing outside 127.0.0.0/8\n"
    "  -h, --help                    this text\n"
    "\n"
    "Exit codes: 0 done, 1 the access point refused or failed, 2 wrong command line,\n"
    "3 no connection (no answer or wrong password).\n";

namespace {

int parseInt(const std::string& text, int lo, int hi, const std::string& what) {
  if (text.empty() || text.size() > 9 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    throw UsageError(what + " takes a number from " + std::to_string(lo) + " to " + std::to_string(hi));
  const int v = std::stoi(text);
  if (v < lo || v > hi)
    throw UsageError(what + " takes a number from " + std::to_string(lo) + " to " + std::to_string(hi));
  return v;
}

}  // namespace

Invocation ParseCommandLine(const std::vector<std::string>& args) {
  Invocation inv;
  bool optionsDone = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (optionsDone || a.empty() || a[0] != '-' || a == "-") {
      inv.words.push_back(a);
      continue;
    }
    auto value = [&]() -> std::string {
      if (i + 1 >= args.size()) throw UsageError(a + " needs a value");
      return args[++i];
    };
    if (a == "--") {
      optionsDone = true;
    } else if (a == "-h" || a == "--help") {
      inv.help = true;
    } else if (a == "-a" || a == "--address") {
      inv.address = value();
      if (!platform::parseIpv4(inv.address)) throw UsageError("--address takes a dotted IPv4 address");
    } else if (a == "-p" || a == "--password") {
      inv.password = platform::utf8ToAnsi(value());
    } else if (a == "--port") {
      inv.port = static_cast<std::uint16_t>(parseInt(value(), 1, 65535, "--port"));
    } else if (a == "--broadcast") {
      inv.broadcast = value();
      if (!platform::parseIpv4(*inv.broadcast)) throw UsageError("--broadcast takes a dotted IPv4 address");
    } else if (a == "--rounds") {
      inv.rounds = parseInt(value(), 1, 60, "--rounds");
    } else if (a == "--passphrase") {
      inv.passphrase = platform::utf8ToAnsi(value());
    } else if (a == "--key-id") {
      inv.keyId = parseInt(value(), 1, 4, "--key-id");
    } else if (a == "--mib") {
      inv.mibPath = value();
    } else if (a == "--loopback-only") {
      inv.loopbackOnly = true;
    } else {
      throw UsageError("unknown option " + a + " (see --help)");
    }
  }
  return inv;
}

namespace {

const char* domainName(int code) {
  switch (code) {
    case 0x10: return "FCC";
    case 0x20: return "DOC";
    case 0x30: return "ETSI";
    case 0x31: return "SPAIN";
    case 0x32: return "FRANCE";
    case 0x41: return "MKK1";
    default: return nullptr;
  }
}

std::string wepName(int mode) {
  switch (mode) {
    case manager::kWep64: return "64 Bits";
    case manager::kWepDisabled: return "Disable";
    case manager::kWep128: return "128 Bits";
    default: return "unknown (" + std::to_string(mode) + ")";
  }
}

std::string bridgeName(int mode) {
  switch (mode) {
    case manager::kBridgePointToMultipoint: return "bridge point to multipoint (p2mp)";
    case manager::kBridgeAccessPoint: return "access point (ap)";
    case manager::kBridgePointToPoint: return "bridge point to point (p2p)";
    default: return "unknown (" + std::to_string(mode) + ")";
  }
}

std::string u8(const std::string& ansi) { return platform::ansiToUtf8(ansi); }

bool isHexOfLength(const std::string& s, std::size_t n) { return s.size() == n && manager::IsHexText(s); }

// A dotted address the access point can store: four parts 0..255.
bool isDotted(const std::string& s) { return platform::parseIpv4(s).has_value(); }

constexpr std::size_t kMacTableLimit = 64;    // stations an administrator may list
constexpr std::size_t kMacReadLimit = 2000;   // entries read back from an access point

class Session {
 public:
  Session(const Invocation& inv, CAccessPoint& ap, platform::Clock& clock, std::ostream& out, std::ostream& err)
      : inv_(inv), ap_(ap), clock_(clock), out_(out), err_(err) {}

  int run() {
    if (ap_.connectionState() == CAccessPoint::kUnusable) return fail("the SNMP control could not be set up");
    const std::string& cmd = inv_.words.front();
    const std::map<std::string, int (Session::*)()> commands = {
        {"discover", &Session::discover}, {"status", &Session::status},     {"show", &Session::show},
        {"set", &Session::set},           {"wep", &Session::wep},           {"mac", &Session::mac},
        {"bridge", &Session::bridge},     {"password", &Session::password}, {"restart", &Session::restart},
        {"defaults", &Session::defaults},
    };
    const auto it = commands.find(cmd);
    if (it == commands.end()) throw UsageError("unknown command " + cmd + " (see --help)");
    if (cmd != "discover") {
      if (inv_.address.empty()) throw UsageError(cmd + " needs --address");
      checkArguments();
      if (!ap_.Connect(inv_.address, inv_.password)) {
        err_ << "apctl: cannot connect to " << inv_.address
             << (ap_.errorCode() == CAccessPoint::kPasswordRejected ? " (password rejected)" : "") << '\n';
        return kExitNoConnection;
      }
    } else if (inv_.words.size() != 1) {
      throw UsageError("discover takes no arguments");
    }
    return (this->*(it->second))();
  }

 private:
  const std::string& word(std::size_t i) const { return inv_.words.at(i); }
  std::size_t nwords() const { return inv_.words.size(); }

  int fail(const std::string& message, int code = kExitFailed) {
    err_ << "apctl: " << message << '\n';
    return code;
  }

  // Usage errors are found before anything is sent.
  void checkArguments() {
    const std::string& cmd = word(0);
    auto argc = [&](std::size_t lo, std::size_t hi) {
      if (nwords() - 1 < lo || nwords() - 1 > hi) throw UsageError("wrong number of arguments for " + cmd);
    };
    if (cmd == "status" || cmd == "show" || cmd == "restart" || cmd == "defaults") argc(0, 0);
    if (cmd == "set") {
      argc(1, 64);
      ApConfiguration scratch;
      scratch.essid = "x";
      for (std::size_t i = 1; i < nwords(); ++i) applyField(scratch, word(i));
    }
    if (cmd == "password") {
      argc(1, 1);
      if (word(1).empty()) throw UsageError("the password cannot be empty");
    }
    if (cmd == "wep") {
      const std::string sub = nwords() > 1 ? word(1) : "show";
      if (sub == "show" || sub == "off") {
        argc(0, 1);
      } else if (sub == "64") {
        argc(1, 5);
        if (inv_.passphrase && nwords() > 2) throw UsageError("wep 64 takes keys or --passphrase, not both");
        if (!inv_.passphrase && nwords() == 2) throw UsageError("wep 64 needs keys or --passphrase");
        if (inv_.passphrase && inv_.passphrase->empty()) throw UsageError("the passphrase cannot be empty");
        for (std::size_t i = 2; i < nwords(); ++i)
          if (!isHexOfLength(word(i), 10)) throw UsageError("a 64-bit key is 10 hexadecimal digits: " + word(i));
      } else if (sub == "128") {
        argc(1, 2);
        if (inv_.passphrase ? nwords() != 2 : nwords() != 3)
          throw UsageError("wep 128 takes one key or --passphrase");
        if (inv_.passphrase && inv_.passphrase->empty()) throw UsageError("the passphrase cannot be empty");
        if (!inv_.passphrase && !isHexOfLength(word(2), 26))
          throw UsageError("a 128-bit key is 26 hexadecimal digits: " + word(2));
      } else {
        throw UsageError("unknown wep command " + sub);
      }
    }
    if (cmd == "mac") {
      const std::string sub = nwords() > 1 ? word(1) : "list";
      if (sub == "list" || sub == "clear" || sub == "enable" || sub == "disable") {
        argc(0, 1);
      } else if (sub == "add") {
        argc(2, 1 + kMacTableLimit);
        for (std::size_t i = 2; i < nwords(); ++i)
          if (!ParseMac(word(i))) throw UsageError("not a MAC address: " + word(i));
      } else if (sub == "import") {
        argc(2, 2);
      } else {
        throw UsageError("unknown mac command " + sub);
      }
    }
    if (cmd == "bridge") {
      const std::string sub = nwords() > 1 ? word(1) : "show";
      if (sub == "show" || sub == "ap" || sub == "p2mp") {
        argc(0, 1);
      } else if (sub == "p2p") {
        argc(2, 2);
        if (!ParseMac(word(2))) throw UsageError("not a MAC address: " + word(2));
      } else {
        throw UsageError("unknown bridge command " + sub);
      }
    }
  }

  // ------------------------------------------------------------------------------------------

  int discover() {
    std::array<manager::ApListEntry, CAccessPoint::kMaxListed> list;
    int count = 0;
    for (int round = 0; round < inv_.rounds; ++round) {
      if (!ap_.FindAccessPoints(count, list)) return fail("the discovery broadcast could not be sent");
    }
    if (count == 0) {
      err_ << "apctl: no access point answered\n";
      return kExitOk;
    }
    char line[256];
    std::snprintf(line, sizeof line, "%-20s %-17s %s\n", "Name", "BSSID", "IP Address");
    out_ << line;
    for (int i = 0; i < count; ++i) {
      std::snprintf(line, sizeof line, "%-20s %-17s %s\n", u8(list[i].name).c_str(), list[i].bssid.c_str(),
                    list[i].ipAddress.c_str());
      out_ << line;
    }
    return kExitOk;
  }

  bool readConfiguration(ApConfiguration& c) {
    if (ap_.GetConfiguration(c)) return true;
    err_ << "apctl: reading the configuration failed\n";
    return false;
  }

  int status() {
    ApConfiguration c;
    if (!readConfiguration(c)) return kExitFailed;
    const char* domain = domainName(c.regulatoryDomain);
    out_ << "Name: " << u8(c.apName) << '\n'
         << "ESSID: " << u8(c.essid) << '\n'
         << "Associated Stations: " << c.associatedStations << '\n'
         << "Regulation Domain: " << (domain ? domain : "unknown (" + std::to_string(c.regulatoryDomain) + ")") << '\n'
         << "Firmware Version: " << u8(c.firmwareVersion) << '\n'
         << "WEP: " << wepName(c.wepState) << '\n';
    return kExitOk;
  }

  int show() {
    ApConfiguration c;
    if (!readConfiguration(c)) return kExitFailed;
    const char* domain = domainName(c.regulatoryDomain);
    out_ << "name: " << u8(c.apName) << '\n'
         << "essid: " << u8(c.essid) << '\n'
         << "channel: " << c.channel << '\n'
         << "rts: " << c.rtsThreshold << '\n'
         << "ip: " << c.ipAddress << '\n'
         << "mask: " << c.subnetMask << '\n'
         << "gateway: " << c.gateway << '\n'
         << "dhcp: " << (c.dhcp ? "on" : "off") << '\n'
         << "mac: " << c.macAddress << '\n'
         << "domain: " << (domain ? domain : "unknown") << " (" << c.regulatoryDomain << ")\n"
         << "stations: " << c.associatedStations << '\n'
         << "wep: " << wepName(c.wepState) << '\n'
         << "accept-any-ssid: " << (c.acceptAnySsid ? "on" : "off") << '\n'
         << "firmware: " << u8(c.firmwareVersion) << '\n';
    return kExitOk;
  }

  // One FIELD=VALUE of `set`; throws UsageError.
  static void applyField(ApConfiguration& c, const std::string& assignment) {
    const auto eq = assignment.find('=');
    if (eq == std::string::npos) throw UsageError("set takes FIELD=VALUE, not " + assignment);
    const std::string field = assignment.substr(0, eq);
    const std::string value = assignment.substr(eq + 1);
    if (field == "name") {
      c.apName = platform::utf8ToAnsi(value);
    } else if (field == "essid") {
      const std::string essid = platform::utf8ToAnsi(value);
      if (essid.empty() || essid.size() > 31) throw UsageError("the ESSID takes 1 to 31 characters");
      c.essid = essid;
    } else if (field == "channel") {
      c.channel = parseInt(value, 1, 14, "channel");
    } else if (field == "rts") {
      c.rtsThreshold = parseInt(value, 0, 9999, "rts");
    } else if (field == "ip" || field == "mask" || field == "gateway") {
      if (!isDotted(value)) throw UsageError(field + " takes a dotted IPv4 address");
      if (field == "ip") {
        const auto first = *platform::parseIpv4(value) >> 24;
        if (first == 0 || first > 223) throw UsageError("the IP address must start with 1 to 223");
        c.ipAddress = value;
      } else if (field == "mask") {
        c.subnetMask = value;
      } else {
        c.gateway = value;
      }
    } else if (field == "dhcp") {
      if (value != "on" && value != "off") throw UsageError("dhcp takes on or off");
      c.dhcp = value == "on";
    } else {
      throw UsageError("unknown field " + field + " (name, essid, channel, rts, ip, mask, gateway, dhcp)");
    }
  }

  int set() {
    ApConfiguration c;
    if (!readConfiguration(c)) return kExitFailed;
    for (std::size_t i = 1; i < nwords(); ++i) applyField(c, word(i));
    // The access point may report no gateway: it is written as 0.0.0.0, as the dialog does.
    if (c.gateway.empty()) c.gateway = "0.0.0.0";
    if (c.subnetMask.empty()) c.subnetMask = "0.0.0.0";
    if (c.essid.empty()) return fail("the access point has no ESSID; give one with essid=...", kExitUsage);
    if (!ap_.SetConfiguration(c)) return fail("writing the configuration failed");
    if (!ap_.RestartAccessPoint()) return fail("the configuration was written, but the restart failed");
    out_ << "configuration written; the access point restarts\n";
    return kExitOk;
  }

  // ------------------------------------------------------------------------------------------

  int wep() {
    const std::string sub = nwords() > 1 ? word(1) : "show";
    ApPrivacySettings current;
    if (!ap_.GetPrivacySettings(current)) return fail("reading the WEP settings failed");
    if (sub == "show") {
      out_ << "mode: " << wepName(current.wepMode) << '\n' << "default key: " << current.defaultKeyId << '\n';
      for (int k = 0; k < 4; ++k) out_ << "key" << k + 1 << ": " << current.keys[k] << '\n';
      return kExitOk;
    }
    ApPrivacySettings s;
    s.keys = {"0000000000", "0000000000", "0000000000", "0000000000"};
    // The default key as the access point has it, 0 taken as 1.
    s.defaultKeyId = inv_.keyId.value_or(current.defaultKeyId == 0 ? 1 : current.defaultKeyId);
    if (sub == "off") {
      s.wepMode = manager::kWepDisabled;
    } else if (sub == "64") {
      s.wepMode = manager::kWep64;
      if (inv_.passphrase) {
        manager::GenerateWep64Keys(*inv_.passphrase, s.keys);
      } else {
        for (std::size_t i = 2; i < nwords(); ++i) s.keys[i - 2] = word(i);
      }
    } else {
      // 128-bit: one key, default key 1.
      s.wepMode = manager::kWep128;
      s.defaultKeyId = 1;
      if (inv_.passphrase) {
        manager::ApplyWep128Passphrase(*inv_.passphrase, s.keys);
      } else {
        const std::string& key = word(2);
        s.keys = {key.substr(0, 10), key.substr(10, 10), key.substr(20, 6) + "0000", "0000000000"};
        manager::ComposeWep128KeyFromManualEntry(s.keys);
      }
    }
    if (!ap_.SetPrivacySettings(s)) return fail("writing the WEP settings failed");
    if (!ap_.RestartAccessPoint()) return fail("the WEP settings were written, but the restart failed");
    // Poll every three seconds, at most ten times, until the access point answers again.
    for (int poll = 0; poll < 10; ++poll) {
      if (poll > 0) clock_.sleepFor(3000);
      ApPrivacySettings scratch;
      if (ap_.GetPrivacySettings(scratch)) {
        out_ << "WEP set to " << wepName(s.wepMode) << "; the access point answers again\n";
        for (int k = 0; k < (s.wepMode == manager::kWep128 ? 1 : 4); ++k)
          if (s.wepMode != manager::kWepDisabled) out_ << "key" << k + 1 << ": " << s.keys[k] << '\n';
        return kExitOk;
      }
    }
    return fail("the access point did not answer after the restart");
  }

  // ------------------------------------------------------------------------------------------

  // The table as the access point holds it; nothing when a read failed.
  std::optional<std::vector<Mac>> readMacTable() {
    std::vector<Mac> table;
    ap_.MacEntryRequest = {MacEntryBlock::kRead, 0, 1, {}};
    if (!ap_.TransferMacEntry(MacEntryBlock::kRead)) return std::nullopt;
    const std::size_t count = ap_.MacEntryRequest.entryCount;
    if (count == 0 || count == 0xFFFF) return table;
    table.push_back(ap_.MacEntryRequest.address);
    const std::size_t n = std::min(count, kMacReadLimit);
    for (std::size_t i = 2; i <= n; ++i) {
      ap_.MacEntryRequest = {MacEntryBlock::kRead, 0, static_cast<std::uint16_t>(i), {}};
      if (!ap_.TransferMacEntry(MacEntryBlock::kRead)) return std::nullopt;
      table.push_back(ap_.MacEntryRequest.address);
    }
    if (count > n) err_ << "apctl: the access point lists " << count << " entries; the first " << n << " are shown\n";
    return table;
  }

  // Writes the whole table: each entry with the table's size; an empty table clears it.
  bool writeMacTable(const std::vector<Mac>& table) {
    if (table.empty()) {
      ap_.MacEntryRequest = {MacEntryBlock::kWrite, 0, 0, {}};
      if (ap_.TransferMacEntry(MacEntryBlock::kWrite)) return true;
      err_ << "apctl: clearing the MAC table failed\n";
      return false;
    }
    bool ok = true;
    for (std::size_t i = 0; i < table.size(); ++i) {
      ap_.MacEntryRequest = {MacEntryBlock::kWrite, static_cast<std::uint16_t>(table.size()),
                             static_cast<std::uint16_t>(i + 1), table[i]};
      if (!ap_.TransferMacEntry(MacEntryBlock::kWrite)) {
        err_ << "apctl: writing entry " << i + 1 << " (" << FormatMac(table[i]) << ") failed\n";
        ok = false;
      }
    }
    return ok;
  }

  int restartAfter(bool written, const char* what) {
    if (!ap_.RestartAccessPoint()) return fail(std::string(what) + ", but the restart failed");
    out_ << what << (written ? "" : " with errors") << "; the access point restarts\n";
    return written ? kExitOk : kExitFailed;
  }

  int mac() {
    const std::string sub = nwords() > 1 ? word(1) : "list";
    if (sub == "enable" || sub == "disable") {
      ap_.MacFilterState = sub == "enable" ? manager::kMacFilterOn : manager::kMacFilterOff;
      if (!ap_.SetMacFilterState()) return fail("writing the MAC filter state failed");
      return restartAfter(true, sub == "enable" ? "MAC filter enabled" : "MAC filter disabled");
    }
    if (sub == "clear") {
      const bool ok = writeMacTable({});
      return restartAfter(ok, "MAC table cleared");
    }
    auto table = readMacTable();
    if (!table) return fail("reading the MAC table failed");
    if (sub == "list") {
      if (!ap_.GetMacFilterState()) return fail("reading the MAC filter state failed");
      const int st = ap_.MacFilterState;
      out_ << "filter: "
           << (st == manager::kMacFilterOn ? "enabled" : st == manager::kMacFilterOff ? "disabled" : "unknown")
           << " (" << st << ")\n";
      for (std::size_t i = 0; i < table->size(); ++i) out_ << i + 1 << "  " << FormatMac((*table)[i]) << '\n';
      return kExitOk;
    }
    std::vector<Mac> incoming;
    if (sub == "add") {
      for (std::size_t i = 2; i < nwords(); ++i) incoming.push_back(*ParseMac(word(i)));
      if (table->size() >= kMacTableLimit) return fail("the MAC table is full (64 entries)");
      if (table->size() + incoming.size() > kMacTableLimit)
        return fail("the MAC table holds 64 entries; " + std::to_string(kMacTableLimit - table->size()) +
                    " more can be added");
    } else {
      std::ifstream file(word(2));
      if (!file) return fail("cannot open " + word(2), kExitUsage);
      MacListResult list = ReadMacList(file);
      if (!list.error.empty()) return fail(word(2) + ": " + list.error + "; nothing added", kExitUsage);
      if (table->size() >= kMacTableLimit) return fail("the MAC table is full (64 entries)");
      incoming = std::move(list.addresses);
    }
    const std::size_t before = table->size();
    if (sub == "add") {
      for (const Mac& m : incoming)
        if (std::find(table->begin(), table->end(), m) == table->end()) table->push_back(m);
    } else {
      MergeMacList(*table, incoming, kMacTableLimit);
    }
    if (table->size() == before) {
      out_ << "nothing new to add\n";
      return kExitOk;
    }
    const bool ok = writeMacTable(*table);
    out_ << table->size() - before << " added, " << table->size() << " in the table\n";
    return restartAfter(ok, "MAC table written");
  }

  // ------------------------------------------------------------------------------------------

  int bridge() {
    const std::string sub = nwords() > 1 ? word(1) : "show";
    if (sub == "show") {
      if (!ap_.GetBridgeSettings()) return fail("reading the bridge settings failed");
      out_ << "mode: " << bridgeName(ap_.BridgeMode) << '\n' << "remote: " << ap_.RemoteBridgeBssid << '\n';
      return kExitOk;
    }
    if (sub == "ap" || sub == "p2mp") {
      // The remote bridge address stays as the access point has it (digits only), so that a
      // later switch back to point to point finds it again; unread, it is sent empty.
      std::string remote;
      if (ap_.GetBridgeSettings()) {
        for (char c : ap_.RemoteBridgeBssid)
          if (c != ':') remote += c;
      }
      ap_.BridgeMode = sub == "ap" ? manager::kBridgeAccessPoint : manager::kBridgePointToMultipoint;
      ap_.RemoteBridgeBssid = remote;
    } else {
      const Mac remote = *ParseMac(word(2));
      ap_.BridgeMode = manager::kBridgePointToPoint;
      ap_.RemoteBridgeBssid = manager::HexTextFromBytes(std::vector<std::uint8_t>(remote.begin(), remote.end()), false);
    }
    if (!ap_.SetBridgeSettings()) return fail("writing the bridge settings failed");
    out_ << "bridge mode set to " << bridgeName(ap_.BridgeMode) << '\n';
    return kExitOk;
  }

  int password() {
    if (!ap_.SetPassword(platform::utf8ToAnsi(word(1)))) return fail("changing the password failed");
    out_ << "password changed\n";
    return kExitOk;
  }

  int restart() {
    if (!ap_.RestartAccessPoint()) return fail("the restart failed");
    out_ << "the access point restarts\n";
    return kExitOk;
  }

  int defaults() {
    if (!ap_.LoadDefaults()) return fail("restoring the factory settings failed");
    out_ << "factory settings restored; the access point restarts\n";
    return kExitOk;
  }

  const Invocation& inv_;
  CAccessPoint& ap_;
  platform::Clock& clock_;
  std::ostream& out_;
  std::ostream& err_;
};

}  // namespace

int RunCommand(const Invocation& invocation, CAccessPoint& ap, platform::Clock& clock, std::ostream& out,
               std::ostream& err) {
  if (invocation.help) {
    out << kUsage;
    return kExitOk;
  }
  if (invocation.words.empty()) {
    err << "apctl: no command given (see --help)\n";
    return kExitUsage;
  }
  try {
    return Session(invocation, ap, clock, out, err).run();
  } catch (const UsageError& e) {
    err << "apctl: " << e.what() << '\n';
    return kExitUsage;
  }
}

}  // namespace apctl
