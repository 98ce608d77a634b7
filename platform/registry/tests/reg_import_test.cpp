#include "platform/registry/reg_import.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/registry/registry.h"
#include "platform/registry/tests/temp_root.h"

namespace platform {
namespace {

using testing::TempRoot;

std::string utf16le(std::u16string_view s, bool bom) {
  std::string out = bom ? std::string("\xFF\xFE") : std::string();
  for (char16_t c : s) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
  return out;
}

std::string utf16z(std::u16string_view s) {
  return utf16le(s, false) + std::string(2, '\0');
}

// The same content as each version of regedit writes it.
const std::string kRegedit4 =
    "REGEDIT4\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Vantrel\\Demo]\r\n"
    "@=\"Demo \\\"AP\\\" Manager\"\r\n"
    "\"Path\"=\"C:\\\\Program Files\\\\Demo\"\r\n"
    "\"Caf\xe9\"=\"\x80 5\"\r\n"
    "\"Count\"=dword:0000001f\r\n"
    "\"Bin\"=hex:00,01,\\\r\n"
    "  02,ff\r\n"
    "\"Exp\"=hex(2):25,77,69,6e,64,69,72,25,00\r\n"
    "\"Multi\"=hex(7):61,00,62,00,00\r\n"
    "\r\n"
    "[HKEY_CLASSES_ROOT\\.vtu]\r\n"
    "@=\"vtufile\"\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\Vantrel]\r\n"
    "\"User\"=\"me\"\r\n";

const std::u16string kRegedit5 =
    u"Windows Registry Editor Version 5.00\r\n"
    u"\r\n"
    u"[HKEY_LOCAL_MACHINE\\Software\\Vantrel\\Demo]\r\n"
    u"@=\"Demo \\\"AP\\\" Manager\"\r\n"
    u"\"Path\"=\"C:\\\\Program Files\\\\Demo\"\r\n"
    u"\"Caf\u00e9\"=\"\u20ac 5\"\r\n"
    u"\"Count\"=dword:0000001f\r\n"
    u"\"Bin\"=hex:00,01,\\\r\n"
    u"  02,ff\r\n"
    u"\"Exp\"=hex(2):25,00,77,00,69,00,6e,00,64,00,69,00,72,00,25,00,00,00\r\n"
    u"\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
    u"\r\n"
    u"[HKEY_CLASSES_ROOT\\.vtu]\r\n"
    u"@=\"vtufile\"\r\n"
    u"\r\n"
    u"[HKEY_CURRENT_USER\\Software\\Vantrel]\r\n"
    u"\"User\"=\"me\"\r\n";

void expectImported(const Registry& reg) {
  const char* demo = "Software\\Vantrel\\Demo";
  EXPECT_EQ(reg.readString(RootKey::LocalMachine, demo, ""), "Demo \"AP\" Manager");
  EXPECT_EQ(reg.readString(RootKey::LocalMachine, demo, "path"), "C:\\Program Files\\Demo");
  EXPECT_EQ(reg.readString(RootKey::LocalMachine, demo, "caf\xc9"), "\x80 5");
  EXPECT_EQ(reg.readDword(RootKey::LocalMachine, demo, "Count"), 31u);
  EXPECT_EQ(reg.readValue(RootKey::LocalMachine, demo, "Bin"),
            (RegistryValue{regtype::Binary, std::string("\0\1\2\xff", 4)}));
  EXPECT_EQ(reg.readValue(RootKey::LocalMachine, demo, "Exp"),
            (RegistryValue{regtype::ExpandSz, utf16z(u"%windir%")}));
  EXPECT_EQ(reg.readString(RootKey::LocalMachine, demo, "Exp"), "%windir%");
  EXPECT_EQ(reg.readValue(RootKey::LocalMachine, demo, "Multi")->asMultiString(),
            (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(reg.readString(RootKey::LocalMachine, "Software\\Classes\\.vtu", ""), "vtufile");
  EXPECT_EQ(reg.readString(RootKey::CurrentUser, "Software\\Vantrel", "User"), "me");
}

TEST(RegImport, BothVersionsGiveTheSameRegistry) {
  struct Case {
    const char* what;
    std::string bytes;
  };
  std::string utf8;
  for (char16_t c : kRegedit5) {
    if (c == u'\u00e9')
      utf8 += "\xc3\xa9";
    else if (c == u'\u20ac')
      utf8 += "\xe2\x82\xac";
    else
      utf8 += static_cast<char>(c);
  }
  const Case cases[] = {
      {"REGEDIT4, ANSI", kRegedit4},
      {"version 5, UTF-16 with byte-order mark", utf16le(kRegedit5, true)},
      {"version 5, UTF-8 without mark", utf8},
      {"version 5, UTF-8 with mark", "\xEF\xBB\xBF" + utf8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempRoot root;
    Registry reg(root.path());
    RegImportResult r = importRegText(reg, c.bytes);
    EXPECT_TRUE(r.recognised);
    EXPECT_TRUE(r.errors.empty()) << r.errors.front();
    EXPECT_EQ(r.keysOpened, 3);
    EXPECT_EQ(r.valuesWritten, 9);
    expectImported(reg);
    reg.save();
    expectImported(Registry(root.path()));
  }
}

TEST(RegImport, DeletionsOfKeysAndValues) {
  TempRoot root;
  Registry reg(root.path());
  ASSERT_TRUE(importRegText(reg, kRegedit4).errors.empty());
  RegImportResult r = importRegText(reg,
                                    "REGEDIT4\n"
                                    "[-HKEY_CLASSES_ROOT\\.vtu]\n"
                                    "[-HKEY_LOCAL_MACHINE\\Software\\Never\\There]\n"
                                    "[HKEY_LOCAL_MACHINE\\Software\\Vantrel\\Demo]\n"
                                    "\"Path\"=-\n"
                                    "@=-\n"
                                    "\"Missing\"=-\n");
  EXPECT_TRUE(r.errors.empty());
  EXPECT_EQ(r.deletions, 3);
  EXPECT_FALSE(reg.keyExists(RootKey::ClassesRoot, ".vtu"));
  EXPECT_TRUE(reg.keyExists(RootKey::ClassesRoot, ""));
  EXPECT_EQ(reg.readString(RootKey::LocalMachine, "Software\\Vantrel\\Demo", "Path"), std::nullopt);
  EXPECT_EQ(reg.readString(RootKey::LocalMachine, "Software\\Vantrel\\Demo", ""), std::nullopt);
  EXPECT_EQ(reg.readDword(RootKey::LocalMachine, "Software\\Vantrel\\Demo", "Count"), 31u);
}

TEST(RegImport, BadLinesAreReportedAndSkippedTheRestGoesIn) {
  TempRoot root;
  Registry reg(root.path());
  RegImportResult r = importRegText(reg,
                                    "REGEDIT4\n"
                                    "; a comment\n"
                                    "\"early\"=\"value before any key\"\n"
                                    "[HKEY_NOWHERE\\X]\n"
                                    "\"lost\"=\"after a bad key\"\n"
                                    "[HKEY_LOCAL_MACHINE\\Software\\T]\n"
                                    "\"ok1\"=\"1\"\n"
                                    "\"noclose=\"x\"\n"
                                    "\"d\"=dword:123456789\n"
                                    "\"h\"=hex:0g\n"
                                    "\"h2\"=hex:100\n"
                                    "\"t\"=str(2):\"x\"\n"
                                    "\"s\"=\"unterminated\n"
                                    "\"e\"\n"
                                    "what is this\n"
                                    "[HKEY_LOCAL_MACHINE\\Software\\T\n"
                                    "\"cont\"=hex:01,\\\n");
  EXPECT_TRUE(r.recognised);
  EXPECT_EQ(r.valuesWritten, 1);
  EXPECT_EQ(r.errors.size(), 13u);
  for (const auto& e : r.errors) EXPECT_EQ(e.rfind("line ", 0), 0u) << e;
  EXPECT_EQ(reg.valueNames(RootKey::LocalMachine, "Software\\T"), (std::vector<std::string>{"ok1"}));
  EXPECT_FALSE(reg.keyExists(RootKey::LocalMachine, "X"));
}

TEST(RegImport, StringEscapes) {
  struct Case {
    const char* written;
    std::u16string text;
  };
  const Case cases[] = {
      {"C:\\\\Temp", u"C:\\Temp"},
      {"C:\\Temp", u"C:\\Temp"},  // not an escape: the backslash stays
      {"say \\\"hi\\\"", u"say \"hi\""},
      {"a\\nb\\r\\0", std::u16string(u"a\nb\r\0", 5)},
      {"", u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.written);
    TempRoot root;
    Registry reg(root.path());
    RegImportResult r =
        importRegText(reg, std::string("REGEDIT4\n[HKEY_CURRENT_USER\\T]\n\"v\"=\"") + c.written + "\"\n");
    ASSERT_TRUE(r.errors.empty()) << r.errors.front();
    EXPECT_EQ(reg.readValue(RootKey::CurrentUser, "T", "v")->data, utf16z(c.text));
  }
}

TEST(RegImport, NotARegFile) {
  TempRoot root;
  Registry reg(root.path());
  for (const char* text :
       {"", "\n\n", "REGEDIT5\n[HKEY_LOCAL_MACHINE\\A]\n", "[HKEY_LOCAL_MACHINE\\A]\n@=\"x\"\n"}) {
    RegImportResult r = importRegText(reg, text);
    EXPECT_FALSE(r.recognised) << text;
  }
  EXPECT_FALSE(reg.keyExists(RootKey::LocalMachine, "A"));
  EXPECT_FALSE(reg.modified());
  RegImportResult missing = importRegFile(reg, root.path() / "vtu.reg");
  EXPECT_FALSE(missing.recognised);
  EXPECT_EQ(missing.errors.size(), 1u);
}

TEST(RegImport, FromFileAndShortRootNames) {
  TempRoot root;
  root.write(
      "vtu.reg",
      "REGEDIT4\n\n[HKLM\\Software\\Short]\n\"a\"=\"1\"\n[hkey_users\\.DEFAULT\\Env]\n\"b\"=dword:2\n");
  Registry reg(root.path());
  RegImportResult r = importRegFile(reg, root.path() / "vtu.reg");
  EXPECT_TRUE(r.recognised);
  EXPECT_TRUE(r.errors.empty());
  EXPECT_EQ(reg.readString(RootKey::LocalMachine, "Software\\Short", "a"), "1");
  EXPECT_EQ(reg.readDword(RootKey::Users, ".Default\\Env", "b"), 2u);
}

TEST(RegImport, RandomInputNeverCrashes) {
  std::mt19937 rng(99);
  const std::string pieces[] = {"[",      "]",      "[-",   "HKEY_LOCAL_MACHINE\\",
                                "HKCU\\", "\\",     "\"",   "=",
                                "@",      "-",      "hex:", "hex(7):",
                                "hex(",   "dword:", "ff,",  "\n",
                                "\r\n",   ";",      " "};
  TempRoot root;
  Registry reg(root.path());
  for (int round = 0; round < 300; ++round) {
    std::string text = round % 3 == 0   ? ""
                       : round % 3 == 1 ? "REGEDIT4\n"
                                        : "Windows Registry Editor Version 5.00\n";
    int n = static_cast<int>(rng() % 120);
    for (int i = 0; i < n; ++i)
      text += rng() % 5 ? pieces[rng() % std::size(pieces)] : std::string(1, static_cast<char>(rng()));
    RegImportResult r = importRegText(reg, text);
    EXPECT_GE(r.valuesWritten, 0);
  }
}

}  // namespace
}  // namespace platform
