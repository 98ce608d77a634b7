#include "platform/registry/registry.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/clock/clock.h"
#include "platform/registry/hive.h"
#include "platform/registry/tests/temp_root.h"

namespace platform {
namespace {

using testing::TempRoot;

std::string utf16z(std::u16string_view s) {
  std::string out;
  for (char16_t c : s) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
  return out + std::string(2, '\0');
}

std::string repeatBytes(int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += static_cast<char>(i);
  return out;
}

// A hive as Wine lays it out, typed by hand: header, base, architecture, key stamps, the value
// forms, escapes, a wrapped hex value, a class and a link, and lines no hive should contain.
const std::string kSystemReg =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to \\\\Machine\n"
    "\n"
    "#arch=win32\n"
    "\n"
    "[Software\\\\Classes\\\\.txt] 1600000000\n"
    "#time=1d689c921a68000\n"
    "@=\"txtfile\"\n"
    "\"Content Type\"=\"text/plain\"\n"
    "\n"
    "[Software\\\\Vantrel\\\\Demo] 1600000000\n"
    "#time=1d689c921a68000\n"
    "#class=\"DemoClass\"\n"
    "\"Bin\"=hex:00,01,02,ff\n"
    "\"Count\"=dword:0000001f\n"
    "\"Empty\"=\"\"\n"
    "\"Expand\"=str(2):\"%SystemRoot%\\\\system32\"\n"
    "\"ExpandHex\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,00,25,00,\\\n"
    "  5c,00,61,00,00,00\n"
    "\"Long\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\n"
    "  16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,\\\n"
    "  2f,30,31,32,33,34,35,36,37,38,39,3a,3b\n"
    "\"Multi\"=str(7):\"one\\0two\\0\"\n"
    "\"Nothing\"=hex(0):\n"
    "\"Path\"=\"C:\\\\Program Files\\\\Demo\"\n"
    "\"Qword\"=hex(b):01,00,00,00,00,00,00,00\n"
    "\"Quote\"=\"say \\\"hi\\\"\\n\\ttab\"\n"
    "\"Unicode\"=\"caf\\xe9 \\x20ac5 \\x3a9\"\n"
    "this line is garbage\n"
    "\"Broken\"=hex:zz\n"
    ";; a comment\n"
    "\n"
    "[System\\\\ControlSet001\\\\Hardware Profiles\\\\Current\\\\Software] 1600000000\n"
    "#time=1d689c921a68000\n"
    "\"Fonts\"=\"96\"\n"
    "\n"
    "[System\\\\CurrentControlSet] 1600000000\n"
    "#time=1d689c921a68000\n"
    "#link\n"
    "\"SymbolicLinkValue\"=hex(6):5c,00,52,00,65,00,67,00,69,00,73,00,74,00,72,00,79,00,5c,00,4d,00,\\\n"
    "  61,00,63,00,68,00,69,00,6e,00,65,00,5c,00,53,00,79,00,73,00,74,00,65,00,6d,\\\n"
    "  00,5c,00,43,00,6f,00,6e,00,74,00,72,00,6f,00,6c,00,53,00,65,00,74,00,30,00,\\\n"
    "  30,00,31,00\n";

TEST(Hive, TypedWineHiveSavesBackByteForByte) {
  auto hive = reghive::Hive::parse(kSystemReg);
  EXPECT_EQ(hive.serialize(), kSystemReg);
  // CR LF files read the same; the rewrite uses Wine's LF.
  std::string crlf;
  for (char c : kSystemReg) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  EXPECT_EQ(reghive::Hive::parse(crlf).serialize(), kSystemReg);
}

TEST(Hive, EveryValueOfTheTypedHiveReadsAsWineMeansIt) {
  TempRoot root;
  root.write("system.reg", kSystemReg);
  Registry reg(root.path());
  const char* demo = "Software\\Vantrel\\Demo";
  struct Case {
    const char* name;
    RegistryValue expected;
  };
  const Case cases[] = {
      {"Bin", {regtype::Binary, std::string("\x00\x01\x02\xff", 4)}},
      {"Count", RegistryValue::fromDword(31)},
      {"Empty", {regtype::Sz, std::string(2, '\0')}},
      {"Expand", {regtype::ExpandSz, utf16z(u"%SystemRoot%\\system32")}},
      {"ExpandHex", {regtype::ExpandSz, utf16z(u"%SystemRoot%\\a")}},
      {"Long", {regtype::Binary, repeatBytes(60)}},
      {"Multi", {regtype::MultiSz, utf16z(std::u16string(u"one\0two\0", 8))}},
      {"Nothing", {regtype::None, ""}},
      {"Path", {regtype::Sz, utf16z(u"C:\\Program Files\\Demo")}},
      {"Qword", {regtype::Qword, std::string("\x01\0\0\0\0\0\0\0", 8)}},
      {"Quote", {regtype::Sz, utf16z(u"say \"hi\"\n\ttab")}},
      {"Unicode", {regtype::Sz, utf16z(u"caf\u00e9 \u20ac5 \u03a9")}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto v = reg.readValue(RootKey::LocalMachine, demo, c.name);
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(v->type, c.expected.type);
    EXPECT_EQ(v->data, c.expected.data);
  }
  EXPECT_FALSE(reg.readValue(RootKey::LocalMachine, demo, "Broken").has_value());
  EXPECT_EQ(reg.readString(RootKey::LocalMachine, demo, "unicode"),
            "caf\xe9 \x80"
            "5 ?");
  EXPECT_EQ(reg.readString(RootKey::LocalMachine, demo, "Expand"), "%SystemRoot%\\system32");
  EXPECT_EQ(reg.readString(RootKey::LocalMachine, demo, "Count"), std::nullopt);  // not a string
  EXPECT_EQ(reg.readDword(RootKey::LocalMachine, demo, "count"), 31u);
  EXPECT_EQ(reg.readValue(RootKey::LocalMachine, demo, "Multi")->asMultiString(),
            (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(reg.readString(RootKey::ClassesRoot, ".TXT", ""), "txtfile");
  EXPECT_EQ(reg.valueNames(RootKey::ClassesRoot, ".txt"), (std::vector<std::string>{"", "Content Type"}));
  EXPECT_EQ(reg.subkeyNames(RootKey::LocalMachine, "software"),
            (std::vector<std::string>{"Classes", "Vantrel"}));
  // HKCC goes through Wine's CurrentControlSet link to ControlSet001.
  EXPECT_EQ(reg.readString(RootKey::CurrentConfig, "Software", "Fonts"), "96");
}

TEST(Hive, ChangingOneValueRewritesOnlyItsKeyInWineForm) {
  TempRoot root;
  root.write("system.reg", kSystemReg);
  VirtualClock clock(0, 946684800);
  {
    Registry reg(root.path(), {&clock, {}});
    ASSERT_TRUE(reg.writeString(RootKey::ClassesRoot, ".txt", "Content Type", "text/x \"q\" \\ \xe9"));
    ASSERT_TRUE(reg.writeDword(RootKey::ClassesRoot, ".txt", "Added", 0x1f));
    reg.save();
  }
  std::string expected = kSystemReg;
  const std::string before =
      "[Software\\\\Classes\\\\.txt] 1600000000\n"
      "#time=1d689c921a68000\n"
      "@=\"txtfile\"\n"
      "\"Content Type\"=\"text/plain\"\n";
  const std::string after =
      "[Software\\\\Classes\\\\.txt] 946684800\n"
      "#time=1bf53eb256d4000\n"
      "@=\"txtfile\"\n"
      "\"Added\"=dword:0000001f\n"
      "\"Content Type\"=\"text/x \\\"q\\\" \\\\ \\xe9\"\n";
  expected.replace(expected.find(before), before.size(), after);
  EXPECT_EQ(root.read("system.reg"), expected);
}

TEST(Hive, NewValuesAreWrittenInWineForm) {
  reghive::Hive h(reghive::Hive::defaultPreamble(u"\\Machine"));
  const std::uint64_t t = reghive::fileTimeFromUnix(1600000000);
  reghive::Key* k = h.create({u"A", u"B[1]"}, t);
  ASSERT_NE(k, nullptr);
  reghive::Hive::setValue(*k, u"", RegistryValue::fromString("d"), t);
  reghive::Hive::setValue(*k, u"long", RegistryValue::fromBinary(repeatBytes(60)), t);
  reghive::Hive::setValue(*k, u"ctl",
                          {regtype::Sz, utf16z(std::u16string(u"\x01\x07"
                                                              u"7\x1b\x7f",
                                                              5))},
                          t);
  reghive::Hive::setValue(*k, u"multi", RegistryValue::fromMultiString({"a", "b"}), t);
  reghive::Hive::setValue(*k, u"odd", {regtype::Sz, std::string("a", 1)}, t);  // not whole UTF-16
  reghive::Hive::setValue(*k, u"big", {regtype::Dword, std::string("\x01\x02", 2)}, t);
  reghive::Hive::setValue(*k, u"x", {0x20000, "\x05"}, t);
  EXPECT_EQ(h.serialize(),
            "WINE REGISTRY Version 2\n"
            ";; All keys relative to \\\\Machine\n"
            "\n"
            "#arch=win32\n"
            "\n"
            "[A\\\\B\\[1\\]] 1600000000\n"
            "#time=1d689c921a68000\n"
            "@=\"d\"\n"
            "\"big\"=hex(4):01,02\n"
            "\"ctl\"=\"\\1\\a7\\e\x7f\"\n"
            "\"long\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\n"
            "  16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,\\\n"
            "  2f,30,31,32,33,34,35,36,37,38,39,3a,3b\n"
            "\"multi\"=str(7):\"a\\0b\\0\"\n"
            "\"odd\"=hex(1):61\n"
            "\"x\"=hex(20000):05\n");
  // And what was written reads back the same.
  auto again = reghive::Hive::parse(h.serialize());
  EXPECT_EQ(again.serialize(), h.serialize());
  EXPECT_EQ(again.find({u"a", u"b[1]"})->findValue(u"CTL")->data.data, utf16z(std::u16string(u"\x01\x07"
                                                                                             u"7\x1b\x7f",
                                                                                             5)));
}

TEST(Hive, EscapesAsWineWritesThem) {
  struct Case {
    std::u16string text;
    const char* written;
  };
  const Case cases[] = {
      {u"plain", "plain"},
      {u"back\\slash", "back\\\\slash"},
      {u"\"q\"", "\\\"q\\\""},
      {u"\u00e9a", "\\x00e9a"},  // next is a hex digit: four digits keep it apart
      {u"\u00e9z", "\\xe9z"},
      {u"\u00e9", "\\xe9"},
      {u"\u00e9"
       u"1",
       "\\x00e91"},
      {std::u16string(u"\0"
                      u"1",
                      2),
       "\\0001"},
      {std::u16string(u"\0z", 2), "\\0z"},
      {u"\t\n\r", "\\t\\n\\r"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.written);
    EXPECT_EQ(reghive::dumpEscaped(c.text, '"', '"'), c.written);
    auto back = reghive::parseEscaped(std::string(c.written) + "\"", '"');
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->first, c.text);
  }
  // Hand-typed forms: raw UTF-8, "\x" without digits, an unknown escape, a missing end.
  EXPECT_EQ(reghive::parseEscaped("caf\xc3\xa9\"", '"')->first, u"caf\u00e9");
  EXPECT_EQ(reghive::parseEscaped("\\xg\"", '"')->first, u"xg");
  EXPECT_EQ(reghive::parseEscaped("\\q\"", '"')->first, u"q");
  EXPECT_FALSE(reghive::parseEscaped("no end", '"').has_value());
  EXPECT_FALSE(reghive::parseEscaped("ends in \\", '"').has_value());
}

// --- roots ----------------------------------------------------------------------------------------

TEST(RegistryRoots, CodesAndNames) {
  const std::pair<int, std::optional<RootKey>> codes[] = {
      {0, std::nullopt},          {1, std::nullopt},   {2, RootKey::ClassesRoot}, {3, RootKey::CurrentUser},
      {4, RootKey::LocalMachine}, {5, RootKey::Users}, {6, std::nullopt},         {7, RootKey::CurrentConfig},
      {8, RootKey::DynData},      {9, std::nullopt},   {-100, std::nullopt},
  };
  for (const auto& [code, root] : codes) {
    SCOPED_TRACE(code);
    EXPECT_EQ(rootFromCode(code), root);
    if (root) {
      EXPECT_EQ(rootCode(*root), code);
      EXPECT_EQ(rootFromName(rootName(*root)), root);
    }
  }
  EXPECT_EQ(rootFromName("hklm"), RootKey::LocalMachine);
  EXPECT_EQ(rootFromName("HKEY_Current_User"), RootKey::CurrentUser);
  EXPECT_EQ(rootFromName("HKEY_NOWHERE"), std::nullopt);
}

TEST(RegistryRoots, EveryRootWritesWhereWindowsKeepsIt) {
  struct Case {
    int code;
    const char* path;
    const char* file;     // nullptr: no file at all
    const char* keyLine;  // the key's line in that file
  };
  const Case cases[] = {
      {2, "\\.vtu\\shell", "system.reg", "[Software\\\\Classes\\\\.vtu\\\\shell] "},
      {3, "Software\\Vantrel", "user.reg", "[Software\\\\Vantrel] "},
      {4, "Software\\Vantrel", "system.reg", "[Software\\\\Vantrel] "},
      {5, ".DEFAULT\\Software\\Vantrel", "userdef.reg", "[Software\\\\Vantrel] "},
      {5, "S-1-5-21-0-0-0-1000\\Software\\Mine", "user.reg", "[Software\\\\Mine] "},
      {7, "Software\\Fonts", "system.reg",
       "[System\\\\CurrentControlSet\\\\Hardware Profiles\\\\Current\\\\Software\\\\Fonts] "},
      {8, "PerfStats", nullptr, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    TempRoot root;
    auto r = rootFromCode(c.code);
    ASSERT_TRUE(r.has_value());
    {
      Registry reg(root.path());
      ASSERT_TRUE(reg.writeString(*r, c.path, "Value", "data"));
      EXPECT_EQ(reg.readString(*r, c.path, "value"), "data");
      reg.save();
    }
    for (const char* f : {"system.reg", "user.reg", "userdef.reg"}) {
      bool here = c.file && std::string(f) == c.file;
      EXPECT_EQ(root.exists(f), here) << f;
      if (here) {
        std::string text = root.read(f);
        EXPECT_NE(text.find(c.keyLine), std::string::npos) << text;
        EXPECT_NE(text.find("\"Value\"=\"data\"\n"), std::string::npos) << text;
        EXPECT_EQ(text.rfind("WINE REGISTRY Version 2\n", 0), 0u);
      }
    }
    Registry again(root.path());
    EXPECT_EQ(again.readString(*r, c.path, "Value").has_value(), c.file != nullptr);
  }
}

TEST(RegistryRoots, ViewsShareTheirKeysWithMachine) {
  TempRoot root;
  Registry reg(root.path());
  ASSERT_TRUE(reg.writeString(RootKey::ClassesRoot, ".vtu", "", "vtufile"));
  EXPECT_EQ(reg.readString(RootKey::LocalMachine, "Software\\Classes\\.vtu", ""), "vtufile");
  ASSERT_TRUE(reg.writeDword(RootKey::LocalMachine,
                             "System\\CurrentControlSet\\Hardware Profiles\\Current\\X", "n", 5));
  EXPECT_EQ(reg.readDword(RootKey::CurrentConfig, "x", "N"), 5u);
  EXPECT_EQ(reg.readString(RootKey::CurrentUser, "Software\\Classes\\.vtu", ""), std::nullopt);
}

TEST(RegistryRoots, TheUsersSidComesFromUserRegInEitherWineForm) {
  for (const char* base : {"\\\\User\\\\S-1-5-21-7-8-9-1001", "REGISTRY\\\\User\\\\S-1-5-21-7-8-9-1001"}) {
    SCOPED_TRACE(base);
    TempRoot root;
    root.write("user.reg", std::string("WINE REGISTRY Version 2\n;; All keys relative to ") + base + "\n");
    Registry reg(root.path());
    EXPECT_EQ(reg.subkeyNames(RootKey::Users, ""),
              (std::vector<std::string>{".Default", "S-1-5-21-7-8-9-1001"}));
  }
  TempRoot none;
  EXPECT_EQ(Registry(none.path()).subkeyNames(RootKey::Users, ""),
            (std::vector<std::string>{".Default", "S-1-5-21-0-0-0-1000"}));
}

TEST(RegistryRoots, LinksResolveUnderWine8sBaseLine) {
  TempRoot root;
  std::string text = kSystemReg;
  const std::string oldBase = ";; All keys relative to \\\\Machine\n";
  text.replace(text.find(oldBase), oldBase.size(), ";; All keys relative to REGISTRY\\\\Machine\n");
  root.write("system.reg", text);
  Registry reg(root.path());
  EXPECT_EQ(reg.readString(RootKey::CurrentConfig, "Software", "Fonts"), "96");
}

TEST(RegistryRoots, UsersHoldsDefaultAndTheCurrentUserOnly) {
  TempRoot root;
  root.write("user.reg",
             "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-7-8-9-1001\n");
  Registry reg(root.path());
  EXPECT_TRUE(reg.keyExists(RootKey::Users, ""));
  EXPECT_EQ(reg.subkeyNames(RootKey::Users, "\\"),
            (std::vector<std::string>{".Default", "S-1-5-21-7-8-9-1001"}));
  EXPECT_TRUE(reg.writeString(RootKey::Users, "S-1-5-21-7-8-9-1001\\Env", "a", "1"));
  EXPECT_EQ(reg.readString(RootKey::CurrentUser, "env", "A"), "1");
  EXPECT_FALSE(reg.writeString(RootKey::Users, "S-1-5-21-0-0-0-1000\\Env", "a", "1"));
  EXPECT_FALSE(reg.createKey(RootKey::Users, ""));
  EXPECT_FALSE(reg.writeString(RootKey::Users, "", "a", "1"));
  EXPECT_FALSE(reg.deleteKey(RootKey::Users, ".Default"));
  EXPECT_FALSE(reg.deleteKey(RootKey::ClassesRoot, ""));
  EXPECT_TRUE(reg.keyExists(RootKey::Users, ".default"));
}

// --- keys and values ------------------------------------------------------------------------------

TEST(RegistryKeys, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
  TempRoot root;
  Registry reg(root.path());
  ASSERT_TRUE(reg.writeString(RootKey::LocalMachine, "\\Software\\Vantrel\\Demo\\", "Path", "a"));
  ASSERT_TRUE(reg.writeString(RootKey::LocalMachine, "SOFTWARE\\VANTREL\\DEMO", "PATH", "b"));
  ASSERT_TRUE(reg.writeString(RootKey::LocalMachine, "software\\vantrel\\\xc9t\xe9", "\xc4", "c"));
  EXPECT_EQ(reg.subkeyNames(RootKey::LocalMachine, "software\\VANTREL"),
            (std::vector<std::string>{"Demo", "\xc9t\xe9"}));
  EXPECT_EQ(reg.valueNames(RootKey::LocalMachine, "Software\\Vantrel\\Demo"),
            (std::vector<std::string>{"Path"}));
  EXPECT_EQ(reg.readString(RootKey::LocalMachine, "software\\vantrel\\demo", "path"), "b");
  EXPECT_EQ(reg.readString(RootKey::LocalMachine, "software\\vantrel\\\xe9T\xc9", "\xe4"), "c");
  reg.save();
  Registry again(root.path());
  EXPECT_EQ(again.subkeyNames(RootKey::LocalMachine, "Software"), (std::vector<std::string>{"Vantrel"}));
  EXPECT_EQ(again.readString(RootKey::LocalMachine, "Software\\Vantrel\\Demo", "Path"), "b");
}

TEST(RegistryKeys, OpenCreateDeleteAndEnumerate) {
  TempRoot root;
  Registry reg(root.path());
  EXPECT_FALSE(reg.keyExists(RootKey::LocalMachine, "Software\\A"));
  EXPECT_EQ(reg.readString(RootKey::LocalMachine, "Software\\A", "x"),
            std::nullopt);  // reading creates nothing
  EXPECT_FALSE(reg.keyExists(RootKey::LocalMachine, "Software\\A"));
  EXPECT_TRUE(reg.createKey(RootKey::LocalMachine, "Software\\A\\B\\C"));
  EXPECT_TRUE(reg.keyExists(RootKey::LocalMachine, "software\\a\\b"));
  // New keys sort among their siblings as Wine keeps them.
  for (const char* k : {"Software\\Zed", "Software\\A_", "Software\\ab", "Software\\AA"})
    reg.createKey(RootKey::LocalMachine, k);
  EXPECT_EQ(reg.subkeyNames(RootKey::LocalMachine, "Software"),
            (std::vector<std::string>{"A", "A_", "AA", "ab", "Zed"}));
  reg.writeString(RootKey::LocalMachine, "Software\\A\\B", "v", "1");
  EXPECT_TRUE(reg.deleteValue(RootKey::LocalMachine, "Software\\A\\B", "V"));
  EXPECT_FALSE(reg.deleteValue(RootKey::LocalMachine, "Software\\A\\B", "V"));
  EXPECT_TRUE(reg.deleteKey(RootKey::LocalMachine, "SOFTWARE\\A"));
  EXPECT_FALSE(reg.keyExists(RootKey::LocalMachine, "Software\\A\\B\\C"));
  EXPECT_FALSE(reg.deleteKey(RootKey::LocalMachine, "Software\\A"));
  reg.save();
  // A key with no values and no subkeys is still written, so it survives.
  Registry again(root.path());
  EXPECT_TRUE(again.keyExists(RootKey::LocalMachine, "Software\\Zed"));
  EXPECT_FALSE(again.keyExists(RootKey::LocalMachine, "Software\\A"));
}

TEST(RegistryKeys, DeletingALinkDeletesTheLinkNotItsTarget) {
  TempRoot root;
  root.write("system.reg", kSystemReg);
  Registry reg(root.path());
  ASSERT_TRUE(reg.deleteKey(RootKey::LocalMachine, "System\\CurrentControlSet"));
  EXPECT_TRUE(
      reg.keyExists(RootKey::LocalMachine, "System\\ControlSet001\\Hardware Profiles\\Current\\Software"));
  EXPECT_FALSE(reg.keyExists(RootKey::CurrentConfig, "Software"));
}

TEST(RegistryKeys, LinkLoopsEndInsteadOfRecursing) {
  TempRoot root;
  // \Registry\Machine\Loop -> \Registry\Machine\Loop
  std::string target;
  for (char c : std::string("\\Registry\\Machine\\Loop")) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02x,00,", static_cast<unsigned char>(c));
    target += buf;
  }
  target.pop_back();
  root.write("system.reg",
             "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n[Loop] 1\n#link\n"
             "\"SymbolicLinkValue\"=hex(6):" +
                 target + "\n");
  Registry reg(root.path());
  EXPECT_FALSE(reg.keyExists(RootKey::LocalMachine, "Loop\\X"));
  EXPECT_FALSE(reg.writeString(RootKey::LocalMachine, "Loop\\X", "a", "b"));
}

TEST(RegistryValues, StringsDwordsAndKeptTypes) {
  TempRoot root;
  Registry reg(root.path());
  const char* k = "Software\\SharedDLLs";
  ASSERT_TRUE(reg.writeDword(RootKey::LocalMachine, k, "C:\\Windows\\a.dll", 2));
  EXPECT_EQ(reg.readDword(RootKey::LocalMachine, k, "c:\\windows\\A.DLL"), 2u);
  ASSERT_TRUE(reg.writeDword(RootKey::LocalMachine, k, "C:\\WINDOWS\\A.dll", 0xFFFFFFFF));
  ASSERT_TRUE(reg.writeString(RootKey::LocalMachine, k, "", "default"));
  ASSERT_TRUE(
      reg.writeValue(RootKey::LocalMachine, k, "bin", RegistryValue::fromBinary(std::string("\0\1", 2))));
  ASSERT_TRUE(reg.writeValue(RootKey::LocalMachine, k, "exp",
                             RegistryValue::fromString("%windir%", regtype::ExpandSz)));
  reg.save();
  Registry again(root.path());
  EXPECT_EQ(again.readDword(RootKey::LocalMachine, k, "C:\\Windows\\a.dll"), 0xFFFFFFFFu);
  EXPECT_EQ(again.valueNames(RootKey::LocalMachine, k),
            (std::vector<std::string>{"", "bin", "C:\\Windows\\a.dll", "exp"}));
  EXPECT_EQ(again.readString(RootKey::LocalMachine, k, ""), "default");
  EXPECT_EQ(again.readString(RootKey::LocalMachine, k, "exp"), "%windir%");
  EXPECT_EQ(again.readValue(RootKey::LocalMachine, k, "exp")->type, regtype::ExpandSz);
  EXPECT_EQ(again.readValue(RootKey::LocalMachine, k, "bin")->data, std::string("\0\1", 2));
  EXPECT_EQ(again.readString(RootKey::LocalMachine, k, "bin"), std::nullopt);
  std::string text = root.read("system.reg");
  EXPECT_NE(text.find("\"C:\\\\Windows\\\\a.dll\"=dword:ffffffff\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\"exp\"=str(2):\"%windir%\"\n"), std::string::npos) << text;
}

TEST(RegistryValues, AnsiTextSurvivesTheUtf16Hive) {
  TempRoot root;
  std::string all;
  for (int c = 1; c < 256; ++c) {
    if (c != 0x81 && c != 0x8D && c != 0x8F && c != 0x90 && c != 0x9D) all += static_cast<char>(c);
  }
  {
    Registry reg(root.path());
    reg.writeString(RootKey::CurrentUser, "T", "all", all);
    reg.save();
  }
  Registry again(root.path());
  EXPECT_EQ(again.readString(RootKey::CurrentUser, "T", "all"), all);
  EXPECT_NE(root.read("user.reg").find("\\x20ac"), std::string::npos);  // the euro sign as Unicode
}

// --- tolerance -------------------------------------------------------------------------------------

TEST(RegistryLoad, GarbageNeverCrashesAndIsKept) {
  const std::string garbage =
      "not a registry at all\n"
      "[unterminated\n"
      "\"value before any key\"=\"x\"\n"
      "[Good] 12\n"
      "\"ok\"=\"1\"\n"
      "\"bad\"=dword:\n"
      "\"cont\"=hex:01,\\\n"
      "[Next]\n"
      "@=hex(zz):00\n"
      "\"x\"=\"no end\n"
      "   \t\n"
      "[Good\\\\Sub]\n"
      "\"y\"=\"2\"\n";
  TempRoot root;
  root.write("system.reg", garbage);
  {
    Registry reg(root.path());
    EXPECT_EQ(reg.readString(RootKey::LocalMachine, "Good", "ok"), "1");
    EXPECT_EQ(reg.readString(RootKey::LocalMachine, "Good\\Sub", "y"), "2");
    EXPECT_FALSE(reg.readValue(RootKey::LocalMachine, "Good", "bad").has_value());
    reg.writeString(RootKey::LocalMachine, "Other", "z", "3");
    reg.save();
  }
  std::string text = root.read("system.reg");
  for (const char* kept :
       {"not a registry at all\n", "[unterminated\n", "\"value before any key\"=\"x\"\n", "\"bad\"=dword:\n",
        "\"cont\"=hex:01,\\\n", "@=hex(zz):00\n", "\"x\"=\"no end\n"}) {
    EXPECT_NE(text.find(kept), std::string::npos) << kept;
  }
  EXPECT_EQ(text.rfind("WINE REGISTRY Version 2\n", 0), 0u);
  Registry again(root.path());
  EXPECT_EQ(again.readString(RootKey::LocalMachine, "Other", "z"), "3");
  EXPECT_EQ(again.readString(RootKey::LocalMachine, "Good\\Sub", "y"), "2");
}

TEST(RegistryLoad, HexContinuationNeedsTheBackslashLastAndDataBelow) {
  struct Case {
    const char* what;
    std::string body;
    bool isValue;
  };
  const Case cases[] = {
      {"continued", "\"h\"=hex:01,\\\n  02\n", true},
      {"backslash then blanks", "\"h\"=hex:01,\\  \n  02\n", true},
      {"text after the backslash", "\"h\"=hex:01,\\.txt] 1\n  02\n", false},
      {"blank line below", "\"h\"=hex:01,\\\n\n", false},
      {"backslash on the last line", "\"h\"=hex:01,\\", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string text = "WINE REGISTRY Version 2\n\n[K] 1\n" + c.body;
    auto h = reghive::Hive::parse(text);
    const reghive::Key* k = h.find({u"K"});
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(k->findValue(u"h") != nullptr, c.isValue);
    const std::string once = h.serialize();
    EXPECT_EQ(reghive::Hive::parse(once).serialize(), once);
  }
}

TEST(RegistryLoad, RandomBytesNeverCrash) {
  std::mt19937 rng(7);
  const std::string pieces[] = {"[",     "]",    "\\\\",    "\"",     "=",         "@",  "#time=",
                                "#link", "hex:", "hex(2):", "dword:", "str(7):\"", "\\", "\n",
                                ",",     "ff",   "\\x",     "\\0",    " "};
  for (int round = 0; round < 400; ++round) {
    std::string text = round % 2 ? "WINE REGISTRY Version 2\n" : "";
    int n = static_cast<int>(rng() % 200);
    for (int i = 0; i < n; ++i) {
      if (rng() % 4 == 0) {
        text += static_cast<char>(rng());
      } else {
        text += pieces[rng() % std::size(pieces)];
      }
    }
    auto h = reghive::Hive::parse(text);
    std::string once = h.serialize();
    // Whatever was read is written so that it reads back to the same.
    EXPECT_EQ(reghive::Hive::parse(once).serialize(), once);
  }
}

TEST(RegistryPersistence, ReloadSeesOtherWritersAndKeepsOwnChanges) {
  TempRoot root;
  Registry a(root.path());
  Registry b(root.path());
  a.writeString(RootKey::LocalMachine, "A", "v", "from a");
  a.save();
  b.writeString(RootKey::LocalMachine, "B", "v", "from b");
  EXPECT_FALSE(b.keyExists(RootKey::LocalMachine, "A"));
  b.reload();
  EXPECT_EQ(b.readString(RootKey::LocalMachine, "A", "v"), "from a");
  EXPECT_EQ(b.readString(RootKey::LocalMachine, "B", "v"), "from b");
  EXPECT_TRUE(b.modified());
  b.save();
  EXPECT_FALSE(b.modified());
  // b saved after a without reloading first: a's key is still there, merged in.
  a.writeString(RootKey::LocalMachine, "A", "w", "2");
  a.save();
  Registry c(root.path());
  EXPECT_EQ(c.readString(RootKey::LocalMachine, "A", "v"), "from a");
  EXPECT_EQ(c.readString(RootKey::LocalMachine, "A", "w"), "2");
  EXPECT_EQ(c.readString(RootKey::LocalMachine, "B", "v"), "from b");
}

TEST(RegistryPersistence, MergeAppliesDeletionsToTheCurrentHive) {
  TempRoot root;
  {
    Registry setup(root.path());
    setup.writeString(RootKey::LocalMachine, "Gone\\Deep", "x", "1");
    setup.writeString(RootKey::LocalMachine, "Kept", "x", "1");
    setup.writeString(RootKey::LocalMachine, "Kept", "y", "1");
  }  // saved when destroyed
  Registry a(root.path());
  Registry b(root.path());
  a.deleteKey(RootKey::LocalMachine, "Gone");
  a.deleteValue(RootKey::LocalMachine, "Kept", "y");
  b.writeString(RootKey::LocalMachine, "Kept", "z", "b");
  b.save();
  a.save();
  Registry c(root.path());
  EXPECT_FALSE(c.keyExists(RootKey::LocalMachine, "Gone"));
  EXPECT_EQ(c.valueNames(RootKey::LocalMachine, "Kept"), (std::vector<std::string>{"x", "z"}));
}

TEST(RegistryPersistence, VolatileDataNeverReachesAFile) {
  TempRoot root;
  {
    Registry reg(root.path());
    ASSERT_TRUE(reg.writeString(RootKey::DynData, "Config Manager\\Enum", "a", "b"));
    EXPECT_EQ(reg.readString(RootKey::DynData, "config manager\\enum", "A"), "b");
    EXPECT_FALSE(reg.modified());
    reg.save();
  }
  EXPECT_TRUE(std::filesystem::is_empty(root.path()));
  Registry again(root.path());
  EXPECT_FALSE(again.keyExists(RootKey::DynData, "Config Manager"));
}

TEST(RegistryPersistence, UnreadableHiveThrowsAndUnwritableSaveKeepsChanges) {
  TempRoot root;
  std::filesystem::create_directory(root / "system.reg");
  EXPECT_THROW(Registry{root.path()}, std::system_error);
  std::filesystem::remove(root / "system.reg");
  auto missing = root.path() / "not yet";
  Registry reg(missing);
  reg.writeString(RootKey::LocalMachine, "K", "v", "1");
  EXPECT_THROW(reg.save(), std::system_error);
  EXPECT_TRUE(reg.modified());
  std::filesystem::create_directory(missing);
  reg.save();
  EXPECT_EQ(Registry(missing).readString(RootKey::LocalMachine, "K", "v"), "1");
}

}  // namespace
}  // namespace platform
