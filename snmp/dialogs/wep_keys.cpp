#include "snmp/dialogs/wep_keys.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <utility>

#include "snmp/dialogs/md5.h"

namespace manager {
namespace {

constexpr std::string_view kSixteenZeros = "0000000000000000";

void appendHexLower(std::string& out, std::uint8_t byte) {
  char buf[3];
  std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned>(byte));
  out += buf;
}

// substr that yields what exists when the text is shorter than asked for.
std::string head(const std::string& s, std::size_t n) { return s.substr(0, std::min(n, s.size())); }

}  // namespace

bool GenerateWep64Keys(std::string_view passphrase, WepKeyTexts& keys) {
  if (passphrase.empty()) return false;
  std::uint8_t seed[4] = {0, 0, 0, 0};
  for (std::size_t i = 0; i < passphrase.size(); ++i) {
    seed[i % 4] ^= static_cast<std::uint8_t>(passphrase[i]);
  }
  std::uint32_t x = std::uint32_t(seed[0]) | std::uint32_t(seed[1]) << 8 | std::uint32_t(seed[2]) << 16 |
                    std::uint32_t(seed[3]) << 24;
  for (auto& key : keys) {
    std::string text;
    for (int i = 0; i < 5; ++i) {
      x = x * 214013u + 2531011u;  // unsigned arithmetic wraps modulo 2^32
      appendHexLower(text, static_cast<std::uint8_t>((x >> 16) & 0xFF));
    }
    key = std::move(text);
  }
  return true;
}

std::string Wep128KeyFromPassphrase(std::string_view passphrase) {
  if (passphrase.empty()) return {};
  std::string block(64, '\0');
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = passphrase[i % passphrase.size()];
  const Md5Digest digest = md5(block);
  std::string key;
  for (int i = 0; i < 13; ++i) appendHexLower(key, digest[i]);
  return key;
}

bool ApplyWep128Passphrase(std::string_view passphrase, WepKeyTexts& keys) {
  if (passphrase.empty()) return false;
  keys[0] = Wep128KeyFromPassphrase(passphrase);
  if (keys[1].size() == 10) {
    for (int i = 1; i < 4; ++i) keys[i] += kSixteenZeros;
  }
  return true;
}

void ComposeWep128KeyFromManualEntry(WepKeyTexts& keys) {
  if (keys[0].size() == 10) {
    keys[0] = keys[0] + keys[1] + head(keys[2], 6);
    for (int i = 1; i < 4; ++i) keys[i] += kSixteenZeros;
  } else {
    keys[0] = head(keys[0], 10) + head(keys[1], 10) + head(keys[2], 6);
  }
}

}  // namespace manager
