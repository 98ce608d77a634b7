// Our MIB reader against net-snmp's snmptranslate on the same module.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/snmp/mib.h"
#include "platform/snmp/tests/at76c510_variables.h"
#include "platform/snmp/tests/peer_process.h"

namespace platform::snmp {
namespace {

using testing::runTool;
using testing::TempDir;

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) out.push_back(line);  // snmptranslate separates its answers by blank lines
  return out;
}

TEST(MibPeer, SnmptranslateGivesOurIdentifierForEveryName) {
  if (!testing::toolAvailable("snmptranslate")) GTEST_SKIP() << "snmptranslate not installed";
  TempDir dir;
  Mib mib;
  mib.load(testing::at76c510MibPath());
  // Every name the module defines, the access point's variables among them.
  std::vector<std::string> names = mib.names();
  for (const auto& v : testing::at76c510Variables())
    EXPECT_NE(std::find(names.begin(), names.end(), v.name), names.end()) << v.name;

  std::vector<std::string> argv = {testing::toolPath("snmptranslate"),
                                   "-M",
                                   std::string(KIT_SOURCE_DIR) + "/snmp",
                                   "-m",
                                   "AT76C510-MIB",
                                   "-On"};
  for (const auto& n : names) argv.push_back("AT76C510-MIB::" + n);
  auto result = runTool(argv, testing::netSnmpEnvironment(dir.path()));
  ASSERT_EQ(result.exitCode, 0) << result.output;
  // No warnings: exactly one line per name.
  auto got = lines(result.output);
  ASSERT_EQ(got.size(), names.size()) << result.output;
  for (std::size_t i = 0; i < names.size(); ++i) EXPECT_EQ(got[i], "." + mib.translate(names[i])) << names[i];
}

TEST(MibPeer, SnmptranslateAgreesOnInstancesAndTheReverseDirection) {
  if (!testing::toolAvailable("snmptranslate")) GTEST_SKIP() << "snmptranslate not installed";
  TempDir dir;
  Mib mib;
  mib.load(testing::at76c510MibPath());
  for (const auto& v : testing::at76c510Variables()) {
    auto forward = runTool({testing::toolPath("snmptranslate"), "-M", std::string(KIT_SOURCE_DIR) + "/snmp",
                            "-m", "AT76C510-MIB", "-On", std::string("AT76C510-MIB::") + v.name + ".0"},
                           testing::netSnmpEnvironment(dir.path()));
    EXPECT_EQ(forward.output, "." + mib.translate(std::string(v.name) + ".0") + "\n") << v.name;
    auto back = runTool({testing::toolPath("snmptranslate"), "-M", std::string(KIT_SOURCE_DIR) + "/snmp",
                         "-m", "AT76C510-MIB", "-Os", "." + mib.translate(v.name)},
                        testing::netSnmpEnvironment(dir.path()));
    EXPECT_EQ(back.output, std::string(v.name) + "\n");
  }
}

// The roots of RFC 2578's SNMPv2-SMI, which Debian's net-snmp does not ship: enough for both
// readers to place the modules that net-snmp does ship.
constexpr const char* kSmiRoots = R"(SNMPv2-SMI DEFINITIONS ::= BEGIN
org            OBJECT IDENTIFIER ::= { iso 3 }
dod            OBJECT IDENTIFIER ::= { org 6 }
internet       OBJECT IDENTIFIER ::= { dod 1 }
directory      OBJECT IDENTIFIER ::= { internet 1 }
mgmt           OBJECT IDENTIFIER ::= { internet 2 }
mib-2          OBJECT IDENTIFIER ::= { mgmt 1 }
transmission   OBJECT IDENTIFIER ::= { mib-2 10 }
experimental   OBJECT IDENTIFIER ::= { internet 3 }
private        OBJECT IDENTIFIER ::= { internet 4 }
enterprises    OBJECT IDENTIFIER ::= { private 1 }
security       OBJECT IDENTIFIER ::= { internet 5 }
snmpV2         OBJECT IDENTIFIER ::= { internet 6 }
snmpDomains    OBJECT IDENTIFIER ::= { snmpV2 1 }
snmpProxys     OBJECT IDENTIFIER ::= { snmpV2 2 }
snmpModules    OBJECT IDENTIFIER ::= { snmpV2 3 }
END
)";

TEST(MibPeer, NetSnmpsOwnModulesResolveAsSnmptranslateResolvesThem) {
  const std::string shipped = "/usr/share/snmp/mibs";
  if (!testing::toolAvailable("snmptranslate") || !std::filesystem::exists(shipped + "/NET-SNMP-MIB.txt"))
    GTEST_SKIP() << "snmptranslate or its MIB modules not installed";
  TempDir dir;
  { std::ofstream(dir.path() + "/SNMPv2-SMI.txt") << kSmiRoots; }

  // Real SMIv2 modules: MODULE-IDENTITY, TEXTUAL-CONVENTION, tables, notifications, groups.
  Mib mib;
  mib.load(dir.path() + "/SNMPv2-SMI.txt");
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(shipped))
    if (entry.path().extension() == ".txt") files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  for (const auto& f : files) EXPECT_NO_THROW(mib.load(f)) << f;

  // snmptranslate's whole tree as "name(arc)" paths; it warns about the base modules it
  // lacks, which only drops the nodes below them.
  auto result =
      runTool({testing::toolPath("snmptranslate"), "-M", dir.path() + ":" + shipped, "-m", "ALL", "-Tl"},
              testing::netSnmpEnvironment(dir.path()));
  ASSERT_EQ(result.exitCode, 0) << result.output;
  std::map<std::string, std::set<std::string>> peer;
  for (const auto& line : lines(result.output)) {
    if (line.rfind(".iso(1)", 0) != 0) continue;
    std::string oid;
    std::string name;
    std::istringstream parts(line.substr(1));
    for (std::string part; std::getline(parts, part, '.');) {
      auto open = part.find('(');
      ASSERT_NE(open, std::string::npos) << line;
      name = part.substr(0, open);
      oid += (oid.empty() ? "" : ".") + part.substr(open + 1, part.size() - open - 2);
    }
    peer[name].insert(oid);
  }
  std::set<std::string> ours(mib.names().begin(), mib.names().end());
  int compared = 0;
  for (const auto& [name, oids] : peer) {
    if (oids.size() != 1 || !ours.count(name)) continue;  // ambiguous, or a root of its own
    EXPECT_EQ(mib.translate(name), *oids.begin()) << name;
    ++compared;
  }
  EXPECT_GT(compared, 300) << "snmptranslate listed too little to compare:\n"
                           << result.output.substr(0, 2000);
}

}  // namespace
}  // namespace platform::snmp
