// UTF-8, the host's encoding of names and the hives' encoding of text.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace platform {

void appendUtf8(std::string& out, char32_t codePoint);

// The code point of the UTF-8 sequence that starts at `at` and the number of bytes it takes, or
// nothing when the bytes there are not well-formed UTF-8 (truncated, a bad continuation byte,
// an overlong form, beyond U+10FFFF). `at` must be inside `s`.
std::optional<std::pair<char32_t, std::size_t>> decodeUtf8At(std::string_view s, std::size_t at);

}  // namespace platform
