#include "snmp/dialogs/md5.h"

#include <gtest/gtest.h>

#include <string>

namespace manager {
namespace {

struct Vector {
  const char* input;
  const char* digest;
};

// The test suite of RFC 1321, appendix A.5.
constexpr Vector kRfc1321[] = {
    {"", "d41d8cd98f00b204e9800998ecf8427e"},
    {"a", "0cc175b9c0f1b6a831c399e269772661"},
    {"abc", "900150983cd24fb0d6963f7d28e17f72"},
    {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
    {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
    {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
     "57edf4a22be3c955ac49da2e2107b67a"},
};

TEST(Md5, Rfc1321TestSuite) {
  for (const auto& v : kRfc1321) {
    EXPECT_EQ(toHex(md5(v.input)), v.digest) << '"' << v.input << '"';
  }
}

TEST(Md5, PiecewiseUpdatesGiveTheSameDigestAsOneCall) {
  std::string data;
  for (int i = 0; i < 300; ++i) data += static_cast<char>((i * 37 + 11) & 0xFF);
  for (std::size_t len : {0u, 1u, 55u, 56u, 63u, 64u, 65u, 119u, 120u, 128u, 300u}) {
    const std::string part = data.substr(0, len);
    const Md5Digest whole = md5(part);
    for (std::size_t chunk : {1u, 3u, 63u, 64u, 65u}) {
      Md5 h;
      for (std::size_t off = 0; off < part.size(); off += chunk) h.update(std::string_view(part).substr(off, chunk));
      EXPECT_EQ(h.finish(), whole) << "length " << len << " in chunks of " << chunk;
    }
  }
}

TEST(Md5, ResetStartsAnew) {
  Md5 h;
  h.update("garbage");
  (void)h.finish();
  h.reset();
  h.update("abc");
  EXPECT_EQ(toHex(h.finish()), "900150983cd24fb0d6963f7d28e17f72");
}

}  // namespace
}  // namespace manager
