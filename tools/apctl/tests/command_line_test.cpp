#include <gtest/gtest.h>

#include "tools/apctl/apctl.h"

namespace apctl {
namespace {

TEST(CommandLine, OptionsAnywhereAndWordsInOrder) {
  const Invocation inv = ParseCommandLine({"-a", "127.0.0.2", "wep", "64", "--passphrase", "secret words",
                                           "--key-id", "3", "-p", "pw", "--port", "16161", "--broadcast",
                                           "127.255.255.255", "--rounds", "2", "--loopback-only", "--mib", "x.mib"});
  EXPECT_EQ(inv.address, "127.0.0.2");
  EXPECT_EQ(inv.password, "pw");
  EXPECT_EQ(inv.words, (std::vector<std::string>{"wep", "64"}));
  EXPECT_EQ(inv.passphrase, "secret words");
  EXPECT_EQ(inv.keyId, 3);
  EXPECT_EQ(inv.port, 16161);
  EXPECT_EQ(inv.broadcast, "127.255.255.255");
  EXPECT_EQ(inv.rounds, 2);
  EXPECT_TRUE(inv.loopbackOnly);
  EXPECT_EQ(inv.mibPath, "x.mib");

  const Invocation defaults = ParseCommandLine({"discover"});
  EXPECT_EQ(defaults.password, "public");
  EXPECT_FALSE(defaults.port);
  EXPECT_FALSE(defaults.broadcast);
  EXPECT_EQ(defaults.rounds, 4);

  const Invocation dashes = ParseCommandLine({"-a", "10.0.0.1", "password", "--", "--not-an-option"});
  EXPECT_EQ(dashes.words, (std::vector<std::string>{"password", "--not-an-option"}));
  EXPECT_TRUE(ParseCommandLine({"--help"}).help);
}

TEST(CommandLine, Rejects) {
  const std::vector<std::vector<std::string>> bad = {
      {"--port", "0"},          {"--port", "65536"},  {"--port", "16x"},      {"--port"},
      {"--address", "1.2.3"},   {"--broadcast", "x"}, {"--key-id", "5"},      {"--rounds", "0"},
      {"--frobnicate"},         {"-a"},               {"--port", "-1"},
  };
  for (const auto& args : bad) {
    EXPECT_THROW(ParseCommandLine(args), UsageError) << args.front() << (args.size() > 1 ? " " + args[1] : "");
  }
}

}  // namespace
}  // namespace apctl
