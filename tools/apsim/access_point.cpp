#include "tools/apsim/access_point.h"

#include <cstdio>

namespace apsim {
namespace {

constexpr std::int32_t kNoSuchName = 2;
constexpr std::int32_t kBadValue = 3;
constexpr std::int32_t kReadOnly = 4;
constexpr std::int32_t kAuthorization = 16;

std::vector<std::uint8_t> macBytes(const Mac& mac) { return {mac.begin(), mac.end()}; }

void putLe(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v, int width) {
  for (int i = 0; i < width; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t getLe(const std::vector<std::uint8_t>& in, std::size_t at, int width) {
  std::uint32_t v = 0;
  for (int i = 0; i < width; ++i) v |= static_cast<std::uint32_t>(in[at + i]) << (8 * i);
  return v;
}

std::uint32_t ipOf(const ber::Value& v) {
  return static_cast<std::uint32_t>(v.bytes[0]) << 24 | static_cast<std::uint32_t>(v.bytes[1]) << 16 |
         static_cast<std::uint32_t>(v.bytes[2]) << 8 | v.bytes[3];
}

std::string textOf(const ber::Value& v) { return std::string(v.bytes.begin(), v.bytes.end()); }

ber::Value text(const std::string& s) { return ber::Value::octets({s.begin(), s.end()}); }

bool inRange(const ber::Value& v, std::int64_t lo, std::int64_t hi) { return v.number >= lo && v.number <= hi; }

}  // namespace

std::string formatMac(const Mac& mac, char separator) {
  std::string out;
  char buf[4];
  for (std::size_t i = 0; i < mac.size(); ++i) {
    if (i) out += separator;
    std::snprintf(buf, sizeof buf, "%02X", mac[i]);
    out += buf;
  }
  return out;
}

SimulatedAccessPoint::SimulatedAccessPoint(const VariableTable& variables, ApSettings factory,
                                           platform::Millis restartMillis)
    : variables_(variables), factory_(factory), settings_(std::move(factory)), restartMillis_(restartMillis) {}

bool SimulatedAccessPoint::acceptsCommunity(const ber::Message& request) const {
  if (request.community == settings_.password || request.community == settings_.manufacturerPassword) return true;
  if (request.pdu.type != ber::PduType::GetRequest || request.pdu.varbinds.empty()) return false;
  for (const ber::VarBind& bind : request.pdu.varbinds) {
    const VariableSpec* var = variables_.find(bind.name);
    if (!var) return false;
    if (var->name != "sysDescr" && var->name != "operEthernetAddress" && var->name != "operAccessPointName")
      return false;
  }
  return true;
}

std::optional<ber::Value> SimulatedAccessPoint::read(const VariableSpec& var, const ApSettings& s) const {
  const std::string& n = var.name;
  if (n == "sysDescr") return text(s.description());
  if (n == "sysReset" || n == "sysUpload" || n == "sysLoadDefaults") return ber::Value::integer(0);
  if (n == "operEthernetAddress") return ber::Value::octets(macBytes(s.mac));
  if (n == "sysDeviceInfo") {
    std::vector<std::uint8_t> info(16, 0);
    putLe(info, 0, s.structureVersion, 4);
    for (std::size_t i = 0; i < 6; ++i) info[4 + i] = s.mac[i];
    info[11] = s.regulatoryDomain;
    putLe(info, 12, s.productType, 4);
    return ber::Value::octets(std::move(info));
  }
  if (n == "operIPAddress") return ber::Value::ipAddress(s.ipAddress);
  if (n == "operIPMask") return ber::Value::ipAddress(s.ipMask);
  if (n == "operGateway") return ber::Value::ipAddress(s.gateway);
  if (n == "operDHCP") return ber::Value::integer(s.dhcp);
  if (n == "bridgeOperationalMode") return ber::Value::integer(s.bridgeMode);
  if (n == "bridgeRemoteBridgeBSSID") return ber::Value::octets(macBytes(s.remoteBridge));
  if (n == "AuthorizedAdminPass") return text(s.password);
  if (n == "AuthorizedManufactPass") return text(s.manufacturerPassword);
  if (n == "operChannelID") return ber::Value::integer(s.channel);
  if (n == "operESSIDLength") return ber::Value::integer(static_cast<std::int32_t>(s.essid.size()));
  if (n == "operESSID") return text(s.essid);
  if (n == "operRTSThreshold") return ber::Value::integer(s.rtsThreshold);
  if (n == "operPreambleType") return ber::Value::integer(s.preambleType);
  if (n == "operAccessPointName") return text(s.name);
  if (n == "operSSIDBroadcasting") return ber::Value::integer(s.ssidBroadcasting);
  if (n.rfind("defaultWEPKey", 0) == 0) return ber::Value::octets(s.wepKeys[n.back() - '1']);
  if (n == "privacyWEPEnable") return ber::Value::integer(s.wepMode);
  if (n == "privacyDefaultWEPKeyID") return ber::Value::integer(s.defaultKeyId);
  if (n == "AssociatedSTAsNum") return ber::Value::integer(s.associatedStations);
  if (n == "AuthorizationMacEnable") return ber::Value::integer(s.macFilter);
  if (n == "AuthorizedMac") return ber::Value::octets(lastMacBlock_);
  return std::nullopt;
}

std::int32_t SimulatedAccessPoint::write(const VariableSpec& var, const ber::Value& v, ApSettings& s) {
  const std::string& n = var.name;
  // The length of the access point's name may be sent ahead of it under the name's own
  // identifier (as operESSIDLength precedes operESSID); the name itself carries its length.
  if (n == "operAccessPointName" && v.tag == ber::Tag::Integer) return inRange(v, 0, 32) ? 0 : kBadValue;
  if (v.tag != var.tag) return kBadValue;
  if (var.tag == ber::Tag::IpAddress && v.bytes.size() != 4) return kBadValue;

  auto integer = [&](std::int32_t& field, std::int64_t lo, std::int64_t hi) {
    if (!inRange(v, lo, hi)) return kBadValue;
    field = static_cast<std::int32_t>(v.number);
    return 0;
  };
  auto string = [&](std::string& field, std::size_t minLen, std::size_t maxLen) {
    if (v.bytes.size() < minLen || v.bytes.size() > maxLen) return kBadValue;
    field = textOf(v);
    return 0;
  };
  auto mac = [&](Mac& field) {
    if (v.bytes.size() != 6) return kBadValue;
    for (std::size_t i = 0; i < 6; ++i) field[i] = v.bytes[i];
    return 0;
  };

  if (n == "sysReset" || n == "sysUpload") {
    if (!inRange(v, 0, 1)) return kBadValue;
    if (v.number == 1) pendingRestart_ = true;
    return 0;
  }
  if (n == "sysLoadDefaults") {
    if (!inRange(v, 0, 1)) return kBadValue;
    if (v.number == 1) pendingDefaults_ = true;
    return 0;
  }
  if (n == "operIPAddress") return s.ipAddress = ipOf(v), 0;
  if (n == "operIPMask") return s.ipMask = ipOf(v), 0;
  if (n == "operGateway") return s.gateway = ipOf(v), 0;
  if (n == "operDHCP") return integer(s.dhcp, 1, 2);
  if (n == "bridgeOperationalMode") {
    if (v.number != 1 && v.number != 2 && v.number != 4) return kBadValue;
    s.bridgeMode = static_cast<std::int32_t>(v.number);
    return 0;
  }
  if (n == "bridgeRemoteBridgeBSSID") {
    // Managers write an empty address when no remote bridge is meant (access-point operation).
    if (v.bytes.empty()) return s.remoteBridge = Mac{}, 0;
    return mac(s.remoteBridge);
  }
  if (n == "AuthorizedAdminPass") return string(s.password, 1, 32);
  if (n == "AuthorizedManufactPass") return string(s.manufacturerPassword, 1, 32);
  if (n == "operChannelID") return integer(s.channel, 1, 14);
  if (n == "operESSIDLength") return inRange(v, 0, 32) ? 0 : kBadValue;
  if (n == "operESSID") return string(s.essid, 0, 32);
  if (n == "operRTSThreshold") return integer(s.rtsThreshold, 0, 2347);
  if (n == "operPreambleType") return integer(s.preambleType, 1, 2);
  if (n == "operAccessPointName") return string(s.name, 0, 32);
  if (n == "operSSIDBroadcasting") return integer(s.ssidBroadcasting, 1, 2);
  if (n.rfind("defaultWEPKey", 0) == 0) {
    // An empty key leaves the stored key as it is (managers send empty keys with WEP off).
    if (v.bytes.empty()) return 0;
    if (v.bytes.size() != 5 && v.bytes.size() != 13) return kBadValue;
    s.wepKeys[n.back() - '1'] = v.bytes;
    return 0;
  }
  if (n == "privacyWEPEnable") return integer(s.wepMode, 1, 3);
  if (n == "privacyDefaultWEPKeyID") return integer(s.defaultKeyId, 0, 4);
  if (n == "AuthorizationMacEnable") return integer(s.macFilter, 1, 2);
  if (n == "AuthorizedMac") {
    if (v.bytes.size() != 12) return kBadValue;
    std::uint32_t action = getLe(v.bytes, 0, 2);
    std::uint32_t count = getLe(v.bytes, 2, 2);
    std::uint32_t index = getLe(v.bytes, 4, 2);
    if (action == 1) {
      if (count == 0 && index == 0) {
        s.macTable.clear();
      } else {
        if (index < 1 || index > count || count > kMacTableCapacity) return kBadValue;
        s.macTable.resize(count, Mac{});
        for (std::size_t i = 0; i < 6; ++i) s.macTable[index - 1][i] = v.bytes[6 + i];
      }
      lastMacBlock_ = v.bytes;
      return 0;
    }
    if (action == 2) {
      std::vector<std::uint8_t> block(12, 0);
      putLe(block, 0, 2, 2);
      putLe(block, 2, static_cast<std::uint32_t>(s.macTable.size()), 2);
      putLe(block, 4, index, 2);
      if (index >= 1 && index <= s.macTable.size())
        for (std::size_t i = 0; i < 6; ++i) block[6 + i] = s.macTable[index - 1][i];
      lastMacBlock_ = std::move(block);
      return 0;
    }
    return kBadValue;
  }
  return kNoSuchName;
}

SimulatedAccessPoint::Outcome SimulatedAccessPoint::applySet(const std::vector<ber::VarBind>& binds,
                                                             std::vector<ber::VarBind>& echo) {
  ApSettings next = settings_;
  std::vector<std::uint8_t> macBlockBefore = lastMacBlock_;
  pendingRestart_ = pendingDefaults_ = false;
  for (std::size_t i = 0; i < binds.size(); ++i) {
    const VariableSpec* var = variables_.find(binds[i].name);
    std::int32_t status = !var                             ? kNoSuchName
                          : var->access == Access::ReadOnly ? kReadOnly
                                                             : write(*var, binds[i].value, next);
    if (status != 0) {
      lastMacBlock_ = std::move(macBlockBefore);
      pendingRestart_ = pendingDefaults_ = false;
      return {status, static_cast<std::int32_t>(i + 1)};
    }
  }
  settings_ = std::move(next);
  echo.clear();
  for (const ber::VarBind& bind : binds) {
    const VariableSpec* var = variables_.find(bind.name);
    if (var->name == "AuthorizedMac") {
      echo.push_back({bind.name, ber::Value::octets(lastMacBlock_)});
    } else if (bind.value.tag == ber::Tag::Integer && var->tag != ber::Tag::Integer) {
      echo.push_back(bind);  // the name-length form above
    } else if (var->name == "sysReset" || var->name == "sysUpload" || var->name == "sysLoadDefaults") {
      echo.push_back(bind);  // these read back as 0 but answer with the value written
    } else {
      echo.push_back({bind.name, *read(*var, settings_)});
    }
  }
  return {};
}

std::optional<ber::Message> SimulatedAccessPoint::handle(const ber::Message& request, platform::Millis now) {
  if (restarting(now) || request.version != 0) return std::nullopt;
  const ber::PduType type = request.pdu.type;
  if (type != ber::PduType::GetRequest && type != ber::PduType::SetRequest && type != ber::PduType::GetNextRequest)
    return std::nullopt;

  ber::Message answer;
  answer.version = 0;
  answer.community = request.community;
  answer.pdu.type = ber::PduType::GetResponse;
  answer.pdu.requestId = request.pdu.requestId;
  answer.pdu.varbinds = request.pdu.varbinds;
  ++answered_;

  if (!acceptsCommunity(request)) {
    answer.pdu.errorStatus = kAuthorization;
    return answer;
  }
  if (type == ber::PduType::GetNextRequest) {
    answer.pdu.errorStatus = kNoSuchName;  // the devices serve scalars only
    answer.pdu.errorIndex = 1;
    return answer;
  }
  if (type == ber::PduType::GetRequest) {
    for (std::size_t i = 0; i < request.pdu.varbinds.size(); ++i) {
      const VariableSpec* var = variables_.find(request.pdu.varbinds[i].name);
      std::optional<ber::Value> value;
      if (var && var->access != Access::WriteOnly) value = read(*var, settings_);
      if (!value) {
        answer.pdu.varbinds = request.pdu.varbinds;
        answer.pdu.errorStatus = kNoSuchName;
        answer.pdu.errorIndex = static_cast<std::int32_t>(i + 1);
        return answer;
      }
      answer.pdu.varbinds[i].value = std::move(*value);
    }
    return answer;
  }
  std::vector<ber::VarBind> echo;
  Outcome outcome = applySet(request.pdu.varbinds, echo);
  if (outcome.status != 0) {
    answer.pdu.errorStatus = outcome.status;
    answer.pdu.errorIndex = outcome.index;
    return answer;
  }
  answer.pdu.varbinds = std::move(echo);
  if (pendingDefaults_) {
    settings_ = factory_;
    lastMacBlock_.assign(12, 0);
    ++defaultsLoaded_;
    pendingRestart_ = true;
  }
  if (pendingRestart_) {
    silentUntil_ = now + restartMillis_;
    ++restarts_;
  }
  pendingRestart_ = pendingDefaults_ = false;
  return answer;
}

}  // namespace apsim
