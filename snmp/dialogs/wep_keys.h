// WEP key texts made from a passphrase or from the digits typed into the key fields.
// A key text is a string of hexadecimal digits: 10 for a 64-bit key, 26 for a 128-bit key.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace manager {

using WepKeyTexts = std::array<std::string, 4>;

// 64-bit method: the passphrase bytes are folded into four seed bytes by XOR (byte i into seed
// i mod 4), the seed starts a linear congruential generator (x = x * 214013 + 2531011 mod 2^32)
// and bits 16..23 of its first 20 states give the bytes of keys 1 to 4, five each, written as
// lowercase hexadecimal digits. An empty passphrase leaves `keys` as they are; returns whether
// the keys were generated.
bool GenerateWep64Keys(std::string_view passphrase, WepKeyTexts& keys);

// The 26 lowercase hexadecimal digits of the 128-bit passphrase key: the first 13 bytes of the
// MD5 digest of a 64-byte block filled with the passphrase repeated (and cut at 64 bytes).
// An empty passphrase has no key: returns an empty text.
std::string Wep128KeyFromPassphrase(std::string_view passphrase);

// The 128-bit passphrase step of Apply: key 1 becomes the passphrase key, and keys 2 to 4 are
// padded with sixteen zeros when they still hold 10 digits. An empty passphrase changes nothing;
// returns whether the keys were changed.
bool ApplyWep128Passphrase(std::string_view passphrase, WepKeyTexts& keys);

// The 128-bit key from manual entry: row 1, row 2 and the first three fields of row 3 make the
// 26 digits of key 1. When key 1 still held 10 digits, keys 2 to 4 are padded with sixteen zeros;
// otherwise only the first 10, 10 and 6 digits of keys 1, 2 and 3 are taken.
void ComposeWep128KeyFromManualEntry(WepKeyTexts& keys);

}  // namespace manager
