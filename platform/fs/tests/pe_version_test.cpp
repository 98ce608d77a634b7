#include "platform/fs/file_system.h"
#include "platform/fs/pe_version.h"
#include "platform/fs/tests/temp_dir.h"

#include <gtest/gtest.h>

#include <sstream>

namespace platform {
namespace {

namespace fs = std::filesystem;
using testing::readFile;

const fs::path kData = fs::path(KIT_SOURCE_DIR) / "platform/fs/tests/data";

std::vector<std::uint8_t> bytesOf(const fs::path& p) {
  std::string s = readFile(p);
  return {s.begin(), s.end()};
}

// The FILEVERSION line of a resource script, packed the way the resource compiler packs it.
FileVersion versionInRc(const fs::path& rc) {
  std::string text = readFile(rc);
  std::size_t at = text.find("\nFILEVERSION");
  std::uint32_t n[4] = {};
  char comma = 0;
  std::istringstream in(at == std::string::npos ? std::string() : text.substr(at + 12));
  if (!(in >> n[0] >> comma >> n[1] >> comma >> n[2] >> comma >> n[3])) {
    ADD_FAILURE() << "no FILEVERSION in " << rc;
    return {};
  }
  return {static_cast<std::int32_t>(n[0] << 16 | n[1]), static_cast<std::int32_t>(n[2] << 16 | n[3])};
}

struct Fixture {
  const char* file;
  const char* rc;  // nullptr: no version resource
};
const std::vector<Fixture> kFixtures = {
    {"ver32.dll", "src/ver32.rc"}, {"ver64.exe", "src/ver64.rc"}, {"nover32.exe", nullptr}};

TEST(PeVersion, FixturesReportWhatTheirResourceScriptSays) {
  for (const auto& f : kFixtures) {
    SCOPED_TRACE(f.file);
    FileVersion expected = f.rc ? versionInRc(kData / f.rc) : FileVersion{};
    EXPECT_EQ(fileVersionOf(readFixedFileInfo(kData / f.file)), expected);
    EXPECT_EQ(fileVersionOf(readFixedFileInfo(bytesOf(kData / f.file))), expected);
  }
  // Spelled out once, so a wrong reading of the script cannot hide a wrong reader.
  EXPECT_EQ(fileVersionOf(readFixedFileInfo(kData / "ver32.dll")), (FileVersion{0x0002000A, 0x012C0FA0}));
  auto v64 = readFixedFileInfo(kData / "ver64.exe");
  ASSERT_TRUE(v64);
  EXPECT_EQ(fileVersionOf(v64), (FileVersion{0x00070000, static_cast<std::int32_t>(0xFFFF0001u)}));
  EXPECT_LT(fileVersionOf(v64).ls, 0);  // compared signed, as the installer does
  EXPECT_EQ(v64->productVersionMS, 0x00070000u);
  EXPECT_EQ(v64->productVersionLS, 0u);
}

TEST(PeVersion, ThroughTheFileSystem) {
  testing::TempDir tmp;
  SystemRoot root = SystemRoot::create(tmp / "root", RootTemplate::modernNt());
  FileSystem files(root);
  for (const auto& f : kFixtures) {
    fs::copy_file(kData / f.file, *files.toHost(std::string("C:\\windows\\system32\\") + f.file));
  }
  testing::writeFile(*files.toHost("C:\\readme.txt"), "MZ but not an image");
  EXPECT_EQ(files.versionInfo("c:\\WINDOWS\\system32\\VER32.DLL"), versionInRc(kData / "src/ver32.rc"));
  EXPECT_EQ(files.versionInfo("C:\\windows\\system32\\ver64.exe"), versionInRc(kData / "src/ver64.rc"));
  EXPECT_EQ(files.versionInfo("C:\\windows\\system32\\nover32.exe"), FileVersion{});
  EXPECT_EQ(files.versionInfo("C:\\readme.txt"), FileVersion{});
  EXPECT_EQ(files.versionInfo("C:\\missing.dll"), FileVersion{});
  EXPECT_EQ(files.versionInfo("C:\\windows"), FileVersion{});
  EXPECT_FALSE(FileVersion{}.known());
}

TEST(PeVersion, NotAnImage) {
  const std::vector<std::string> inputs = {
      "", "M", "MZ", std::string(64, '\0'), "MZ" + std::string(62, '\xff'), readFile(kData / "src/ver32.rc")};
  for (const auto& in : inputs) {
    std::vector<std::uint8_t> b(in.begin(), in.end());
    EXPECT_FALSE(readFixedFileInfo(b));
  }
}

TEST(PeVersion, EveryTruncationIsSafe) {
  for (const auto& f : kFixtures) {
    SCOPED_TRACE(f.file);
    auto image = bytesOf(kData / f.file);
    auto full = readFixedFileInfo(image);
    for (std::size_t n = 0; n < image.size(); ++n) {
      auto cut = readFixedFileInfo(std::span<const std::uint8_t>(image.data(), n));
      // Either the version is still entirely inside, or there is none: never a different one.
      if (cut) {
        ASSERT_TRUE(full);
        EXPECT_EQ(fileVersionOf(cut), fileVersionOf(full)) << n;
      }
    }
  }
}

// Overwrites the 32-bit field at `at` with each hostile value; the reader must stay inside the input.
TEST(PeVersion, HostileHeaderFieldsAreSafe) {
  auto image = bytesOf(kData / "ver32.dll");
  ASSERT_TRUE(readFixedFileInfo(image));
  const std::uint32_t hostile[] = {0, 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFF0,
                                   static_cast<std::uint32_t>(image.size()), 0x80000010};
  std::size_t trials = 0;
  for (std::size_t at = 0; at + 4 <= image.size(); at += 2) {
    for (std::uint32_t v : hostile) {
      auto copy = image;
      for (int k = 0; k < 4; ++k) copy[at + k] = static_cast<std::uint8_t>(v >> (8 * k));
      (void)readFixedFileInfo(copy);
      ++trials;
    }
  }
  EXPECT_GT(trials, image.size());
}

TEST(PeVersion, ResourceDirectoryPointingAtItselfEnds) {
  auto image = bytesOf(kData / "ver32.dll");
  // Find the resource directory through the headers and make its first entry a subdirectory at
  // offset 0, which is the directory itself.
  auto le32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(image[at] | image[at + 1] << 8 | image[at + 2] << 16 | image[at + 3] << 24);
  };
  std::size_t pe = le32(0x3C);
  std::size_t opt = pe + 24;
  std::uint32_t resRva = le32(opt + 96 + 16);
  std::size_t sections = image[pe + 6] | image[pe + 7] << 8;
  std::size_t table = opt + (image[pe + 20] | image[pe + 21] << 8);
  std::size_t resOff = 0;
  for (std::size_t i = 0; i < sections; ++i) {
    std::size_t h = table + i * 40;
    if (le32(h + 12) == resRva) resOff = le32(h + 20);
  }
  ASSERT_NE(resOff, 0u);
  std::size_t entry = resOff + 16;
  image[entry] = 16;  // RT_VERSION, as an id
  image[entry + 1] = image[entry + 2] = image[entry + 3] = 0;
  image[entry + 4] = image[entry + 5] = image[entry + 6] = 0;
  image[entry + 7] = 0x80;  // subdirectory at offset 0
  EXPECT_FALSE(readFixedFileInfo(image));
}

}  // namespace
}  // namespace platform
