#include "platform/snmp/mib.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/snmp/error.h"
#include "platform/snmp/tests/at76c510_variables.h"

namespace platform::snmp {
namespace {

TEST(MibFile, TranslatesEveryVariableOfTheAccessPoint) {
  Mib mib;
  mib.load(testing::at76c510MibPath());
  for (const auto& v : testing::at76c510Variables()) {
    EXPECT_EQ(mib.translate(v.name), v.oid) << v.name;
    EXPECT_EQ(mib.translate(std::string(v.name) + ".0"), std::string(v.oid) + ".0") << v.name;
    EXPECT_EQ(mib.translate(std::string("AT76C510-MIB::") + v.name), v.oid) << v.name;
  }
  EXPECT_EQ(mib.modules(), std::vector<std::string>{"AT76C510-MIB"});
}

TEST(MibFile, MissingFileIsAnError) {
  Mib mib;
  try {
    mib.load("/nonexistent/AT76C510.mib");
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.source(), kMibSource);
    EXPECT_NE(e.description().find("/nonexistent/AT76C510.mib"), std::string::npos);
  }
}

TEST(MibReader, BuiltInRootsWithoutAnyFile) {
  Mib mib;
  EXPECT_EQ(mib.translate("iso"), "1");
  EXPECT_EQ(mib.translate("internet"), "1.3.6.1");
  EXPECT_EQ(mib.translate("mib-2"), "1.3.6.1.2.1");
  EXPECT_EQ(mib.translate("system"), "1.3.6.1.2.1.1");
  EXPECT_EQ(mib.translate("enterprises"), "1.3.6.1.4.1");
  EXPECT_EQ(mib.translate("1.3.6.1"), "1.3.6.1");
  EXPECT_EQ(mib.translate(".1.3.6.1.4"), "1.3.6.1.4");
  EXPECT_TRUE(mib.names().empty());
}

constexpr const char* kModule = R"(
-- A module in the style of the SMIv1 MIBs, with the constructs they use.
TEST-MIB DEFINITIONS ::= BEGIN
  IMPORTS
      enterprises, IpAddress, Counter   FROM RFC1155-SMI
      DisplayString, mib-2              FROM RFC1213-MIB
      OBJECT-TYPE                       FROM RFC-1212;

  OwnString ::= OCTET STRING (SIZE (0..16))
  TestEntry ::= SEQUENCE { testIndex INTEGER, testName DisplayString }

  vendor      OBJECT IDENTIFIER ::= { enterprises 9999 }   -- trailing comment ::= { x 1 }
  vendorGroup OBJECT IDENTIFIER ::= { vendor 1 2 }
  -- commentedOut OBJECT IDENTIFIER ::= { vendor 77 }
  absolute    OBJECT IDENTIFIER ::= { 1 3 6 1 4 1 8888 }
  named       OBJECT IDENTIFIER ::= { iso org(3) dod(6) internet(1) private(4) 5 }

  testScalar OBJECT-TYPE
      SYNTAX  INTEGER { on(1), off(2) }
      ACCESS  read-write
      STATUS  mandatory
      DESCRIPTION
              "A description that mentions ::= { vendor 99 } and -- is not a comment."
      DEFVAL  { on }
      ::= { vendorGroup 3 }

  testTable OBJECT-TYPE
      SYNTAX  SEQUENCE OF TestEntry
      ACCESS  not-accessible
      STATUS  mandatory
      ::= { vendor 4 }

  testEntry OBJECT-TYPE
      SYNTAX  TestEntry
      ACCESS  not-accessible
      STATUS  mandatory
      INDEX   { testIndex }
      ::= { testTable 1 }

  testIndex OBJECT-TYPE SYNTAX INTEGER ACCESS read-only STATUS mandatory ::= { testEntry 1 }

  testTrap TRAP-TYPE
      ENTERPRISE vendor
      VARIABLES { testScalar }
      ::= 6

  UpperCaseScalar OBJECT-TYPE SYNTAX IpAddress ACCESS read-only STATUS mandatory ::= { mib-2 999 }
END
)";

TEST(MibReader, ReadsAssignmentsOfAnSmiModule) {
  Mib mib;
  mib.loadText(kModule, "test");
  struct {
    const char* name;
    const char* oid;
  } expected[] = {
      {"vendor", "1.3.6.1.4.1.9999"},           {"vendorGroup", "1.3.6.1.4.1.9999.1.2"},
      {"absolute", "1.3.6.1.4.1.8888"},         {"named", "1.3.6.1.4.5"},
      {"testScalar", "1.3.6.1.4.1.9999.1.2.3"}, {"testTable", "1.3.6.1.4.1.9999.4"},
      {"testEntry", "1.3.6.1.4.1.9999.4.1"},    {"testIndex", "1.3.6.1.4.1.9999.4.1.1"},
      {"UpperCaseScalar", "1.3.6.1.2.1.999"},   {"testIndex.7.1", "1.3.6.1.4.1.9999.4.1.1.7.1"},
  };
  for (const auto& e : expected) EXPECT_EQ(mib.translate(e.name), e.oid) << e.name;
  for (const char* absent : {"commentedOut", "testTrap", "OwnString", "TestEntry", "on"}) {
    EXPECT_THROW(mib.translate(absent), Error) << absent;
  }
}

TEST(MibReader, TranslateErrorsNameTheProblem) {
  Mib mib;
  mib.loadText(R"(
M DEFINITIONS ::= BEGIN
  orphan OBJECT IDENTIFIER ::= { nowhere 1 }
  loopA OBJECT IDENTIFIER ::= { loopB 1 }
  loopB OBJECT IDENTIFIER ::= { loopA 1 }
  fine OBJECT IDENTIFIER ::= { enterprises 1 }
END)");
  struct {
    const char* name;
    const char* mentions;
  } cases[] = {
      {"unknownName", "unknownName"},
      {"orphan", "nowhere"},
      {"loopA", "cycle"},
      {"fine.x", "fine.x"},
      {"fine.", "fine."},
      {"OTHER-MIB::fine", "OTHER-MIB"},
      {"", "Empty"},
      {"1.3.x", "1.3.x"},
  };
  for (const auto& c : cases) {
    try {
      mib.translate(c.name);
      ADD_FAILURE() << c.name;
    } catch (const Error& e) {
      EXPECT_EQ(e.source(), kMibSource);
      EXPECT_NE(e.description().find(c.mentions), std::string::npos) << c.name << ": " << e.description();
    }
  }
  EXPECT_EQ(mib.translate("M::fine"), "1.3.6.1.4.1.1");
}

TEST(MibReader, ParseErrorsGiveTheLineAndAddNothing) {
  struct {
    const char* name;
    const char* text;
    int line;
  } cases[] = {
      {"no module", "", 1},
      {"no BEGIN", "M DEFINITIONS ::= \n x OBJECT IDENTIFIER ::= { iso 1 }\nEND", 2},
      {"no END", "M DEFINITIONS ::= BEGIN\n x OBJECT IDENTIFIER ::= { iso 1 }\n", 3},
      {"unterminated text", "M DEFINITIONS ::= BEGIN\n x OBJECT-TYPE DESCRIPTION \"abc\n", 2},
      {"empty value", "M DEFINITIONS ::= BEGIN\n\n x OBJECT IDENTIFIER ::= { }\nEND", 3},
      {"no value", "M DEFINITIONS ::= BEGIN\n x OBJECT IDENTIFIER ::= 5\nEND", 2},
      {"arc too big", "M DEFINITIONS ::= BEGIN\n x OBJECT IDENTIFIER ::= { iso 4294967296 }\nEND", 2},
      {"negative arc", "M DEFINITIONS ::= BEGIN\n x OBJECT IDENTIFIER ::= { iso -1 }\nEND", 2},
      {"bare name inside", "M DEFINITIONS ::= BEGIN\n x OBJECT IDENTIFIER ::= { iso org 1 }\nEND", 2},
      {"unclosed value", "M DEFINITIONS ::= BEGIN\n x OBJECT IDENTIFIER ::= { iso 1\nEND", 3},
      {"object-type without value", "M DEFINITIONS ::= BEGIN\n x OBJECT-TYPE SYNTAX INTEGER\nEND", 3},
      {"imports without semicolon", "M DEFINITIONS ::= BEGIN\n IMPORTS a FROM B\nEND", 3},
      {"self parent", "M DEFINITIONS ::= BEGIN\n x OBJECT IDENTIFIER ::= { x 1 }\nEND", 2},
      {"stray character", "M DEFINITIONS ::= BEGIN\n x OBJECT IDENTIFIER ::= { iso 1 } #\nEND", 2},
  };
  for (const auto& c : cases) {
    Mib mib;
    mib.loadText("GOOD DEFINITIONS ::= BEGIN good OBJECT IDENTIFIER ::= { iso 9 } END", "first");
    try {
      mib.loadText(c.text, "bad.mib");
      ADD_FAILURE() << c.name;
    } catch (const Error& e) {
      EXPECT_EQ(e.source(), kMibSource);
      EXPECT_NE(e.description().find("bad.mib line " + std::to_string(c.line) + ":"), std::string::npos)
          << c.name << ": " << e.description();
    }
    EXPECT_THROW(mib.translate("x"), Error) << c.name;
    EXPECT_EQ(mib.translate("good"), "1.9");
    EXPECT_EQ(mib.modules().size(), 1u) << c.name;
  }
}

TEST(MibReader, LaterModulesSeeEarlierOnes) {
  Mib mib;
  mib.loadText("A DEFINITIONS ::= BEGIN base OBJECT IDENTIFIER ::= { enterprises 5 } END");
  mib.loadText(
      "B DEFINITIONS ::= BEGIN IMPORTS base FROM A; leaf OBJECT IDENTIFIER ::= { base 1 } END "
      "C DEFINITIONS ::= BEGIN other OBJECT IDENTIFIER ::= { leaf 2 } END");
  EXPECT_EQ(mib.translate("other"), "1.3.6.1.4.1.5.1.2");
  EXPECT_EQ(mib.modules(), (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(mib.names(), (std::vector<std::string>{"base", "leaf", "other"}));
}

}  // namespace
}  // namespace platform::snmp
