// Our MIB reader against net-snmp's snmptranslate on the same module.
#include <gtest/gtest.h>

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

  std::vector<std::string> argv = {testing::toolPath("snmptranslate"), "-M", std::string(KIT_SOURCE_DIR) + "/snmp",
                                   "-m", "AT76C510-MIB", "-On"};
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
    auto forward = runTool({testing::toolPath("snmptranslate"), "-M", std::string(KIT_SOURCE_DIR) + "/snmp", "-m",
                            "AT76C510-MIB", "-On", std::string("AT76C510-MIB::") + v.name + ".0"},
                           testing::netSnmpEnvironment(dir.path()));
    EXPECT_EQ(forward.output, "." + mib.translate(std::string(v.name) + ".0") + "\n") << v.name;
    auto back = runTool({testing::toolPath("snmptranslate"), "-M", std::string(KIT_SOURCE_DIR) + "/snmp", "-m",
                         "AT76C510-MIB", "-Os", "." + mib.translate(v.name)},
                        testing::netSnmpEnvironment(dir.path()));
    EXPECT_EQ(back.output, std::string(v.name) + "\n");
  }
}

}  // namespace
}  // namespace platform::snmp
