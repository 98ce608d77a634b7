// MD5 message digest (RFC 1321), used by the 128-bit WEP passphrase method.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace manager {

using Md5Digest = std::array<std::uint8_t, 16>;

// Incremental digest: update() any number of times, then finish() once.
class Md5 {
 public:
  Md5();
  void update(const void* data, std::size_t size);
  void update(std::string_view bytes) { update(bytes.data(), bytes.size()); }
  // Pads, appends the bit length and returns the digest. The object is spent afterwards
  // until reset() is called.
  Md5Digest finish();
  void reset();

 private:
  void transform(const std::uint8_t* block);

  std::array<std::uint32_t, 4> state_{};
  std::uint64_t bytes_ = 0;  // message length so far
  std::array<std::uint8_t, 64> buffer_{};
  std::size_t buffered_ = 0;
};

Md5Digest md5(std::string_view bytes);
// Lowercase hexadecimal text of a digest, 32 characters.
std::string toHex(const Md5Digest& digest);

}  // namespace manager
