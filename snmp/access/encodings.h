// How the access point's values travel as text and bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace manager {

// Bytes from hexadecimal text: characters 2i and 2i+1 give byte i, for i below length / 2 (an odd
// last character is dropped). Each pair is read as a hexadecimal number up to its first character
// that is not a hexadecimal digit, so "1g" gives 0x01 and "g1" gives 0.
std::vector<std::uint8_t> BytesFromHexText(std::string_view hex);

// Each byte as two uppercase hexadecimal digits, run together or joined with ":".
std::string HexTextFromBytes(const std::vector<std::uint8_t>& bytes, bool joinWithColons);

// An integer value text read as an unsigned decimal number: leading white space and digits up to
// the first other character; no digits give 0, more than 32 bits keep the low 32.
std::uint32_t ReadUnsignedText(std::string_view text);

// The firmware version inside a sysDescr text: after the first "(" (which must not be the first
// character) come two words; the version is the second, cut before its first ")".
// "AP (Version 1.04e3)" gives "1.04e3".
std::string FirmwareVersionFrom(std::string_view sysDescr);

// Whether every character is 0-9, a-f or A-F.
bool IsHexText(std::string_view text);

}  // namespace manager
