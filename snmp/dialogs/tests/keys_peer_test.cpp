// Our MD5 against md5sum, and both passphrase methods against an independent statement of the
// algorithms in Python (hashlib for the digest), run as a subprocess.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "snmp/dialogs/md5.h"
#include "snmp/dialogs/tests/run_command.h"
#include "snmp/dialogs/wep_keys.h"

namespace manager {
namespace {

// Our digest of byte strings around the padding boundaries and of binary data, against md5sum.
TEST(Md5Peer, AgreesWithMd5sum) {
  const auto dir = test::TempDir::make("md5peer");
  std::mt19937 rng(1321);
  std::vector<std::string> inputs;
  for (std::size_t len : {0u, 1u, 55u, 56u, 57u, 63u, 64u, 65u, 127u, 128u, 1000u, 70000u}) {
    std::string s(len, '\0');
    for (auto& c : s) c = static_cast<char>(rng() & 0xFF);
    inputs.push_back(std::move(s));
  }
  inputs.push_back(std::string(64, '\0'));
  inputs.push_back("pass phrase with spaces and \xE9 accents");
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    const auto path = dir.path() / ("in" + std::to_string(i));
    std::ofstream(path, std::ios::binary).write(inputs[i].data(), std::streamsize(inputs[i].size()));
    const auto out = test::runCommand("md5sum " + test::shellQuote(path.string()));
    ASSERT_TRUE(out) << "md5sum did not run";
    EXPECT_EQ(out->substr(0, 32), toHex(md5(inputs[i]))) << "input " << i << " of " << inputs[i].size() << " bytes";
  }
}

constexpr const char* kPythonKeys = R"(import sys, hashlib
p = bytes.fromhex(sys.argv[1])
s = [0, 0, 0, 0]
for i, b in enumerate(p):
    s[i % 4] ^= b
x = s[0] | s[1] << 8 | s[2] << 16 | s[3] << 24
out = []
for _ in range(20):
    x = (x * 214013 + 2531011) % (1 << 32)
    out.append((x >> 16) & 255)
print(" ".join(bytes(out[k * 5:k * 5 + 5]).hex() for k in range(4)))
block = bytes(p[i % len(p)] for i in range(64))
print(hashlib.md5(block).hexdigest()[:26])
)";

std::string hexOf(const std::string& s) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string h;
  for (unsigned char c : s) {
    h += kDigits[c >> 4];
    h += kDigits[c & 15];
  }
  return h;
}

TEST(WepKeysPeer, AgreeWithPythonStatementOfTheMethods) {
  const auto dir = test::TempDir::make("wepkeys");
  const auto script = dir.path() / "keys.py";
  std::ofstream(script) << kPythonKeys;

  std::vector<std::string> passphrases = {"a", "abc", "secret", "The quick brown fox", "  spaces  ",
                                          std::string(63, 'z'), std::string(64, 'y'), std::string(65, 'x'),
                                          std::string(200, '#'), "\xE4\xF6\xFC\xDF\xFF\x80"};
  std::mt19937 rng(8);
  for (int n = 0; n < 6; ++n) {
    std::string s(1 + rng() % 90, '\0');
    for (auto& c : s) c = static_cast<char>(rng() & 0xFF);
    passphrases.push_back(s);
  }
  for (const auto& p : passphrases) {
    const auto out = test::runCommand("python3 " + test::shellQuote(script.string()) + " " + hexOf(p));
    ASSERT_TRUE(out) << "python3 did not run";
    std::istringstream lines(*out);
    WepKeyTexts expected64;
    std::string expected128;
    lines >> expected64[0] >> expected64[1] >> expected64[2] >> expected64[3] >> expected128;

    WepKeyTexts keys = {"0000000000", "0000000000", "0000000000", "0000000000"};
    ASSERT_TRUE(GenerateWep64Keys(p, keys));
    EXPECT_EQ(keys, expected64) << "passphrase " << hexOf(p);
    EXPECT_EQ(Wep128KeyFromPassphrase(p), expected128) << "passphrase " << hexOf(p);
  }
}

}  // namespace
}  // namespace manager
