// Checks against outside tools: PE images made by mingw-w64 and read back by 7-Zip, dates read by
// coreutils, attributes read and written by getfattr/setfattr, free space by stat -f.
#include "platform/fs/file_system.h"
#include "platform/fs/tests/temp_dir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sstream>
#include <sys/xattr.h>

namespace platform {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::TempDir;
using testing::writeFile;

std::string quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs a shell command; its standard output, or nothing when it failed.
std::optional<std::string> run(const std::string& cmd) {
  FILE* p = ::popen((cmd + " 2>/dev/null").c_str(), "r");
  if (!p) return std::nullopt;
  std::string out;
  std::array<char, 4096> buf;
  while (std::size_t n = std::fread(buf.data(), 1, buf.size(), p)) out.append(buf.data(), n);
  int rc = ::pclose(p);
  if (rc != 0) return std::nullopt;
  return out;
}

bool have(const char* tool) { return run(std::string("command -v ") + tool).has_value(); }

// 7-Zip writes the version resource out as a resource script in UTF-16: take its FILEVERSION.
std::optional<FileVersion> versionBy7z(const fs::path& image, const fs::path& work) {
  fs::path out = work / "7z-out";
  fs::remove_all(out);
  if (!run("7z x -y -o" + quote(out.string()) + " " + quote(image.string()) + " .rsrc/version.txt")) {
    return std::nullopt;
  }
  std::string raw = readFile(out / ".rsrc" / "version.txt");
  std::string text;
  for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
    if (raw[i + 1] == 0) text += raw[i];
  }
  std::size_t at = text.find("FILEVERSION");
  if (at == std::string::npos) return std::nullopt;
  std::istringstream in(text.substr(at + 11));
  std::uint32_t a, b, c, d;
  char comma;
  if (!(in >> a >> comma >> b >> comma >> c >> comma >> d)) return std::nullopt;
  return FileVersion{static_cast<std::int32_t>(a << 16 | b), static_cast<std::int32_t>(c << 16 | d)};
}

struct Build {
  const char* arch;  // compiler prefix
  bool dll;
  std::array<std::uint32_t, 4> version;
};

TEST(FsPeer, VersionOfImagesMadeByMingwMatches7Zip) {
  for (const char* tool : {"i686-w64-mingw32-gcc", "x86_64-w64-mingw32-gcc", "i686-w64-mingw32-windres",
                           "x86_64-w64-mingw32-windres", "7z"}) {
    ASSERT_TRUE(have(tool)) << tool << " is needed (./x setup installs it)";
  }
  const std::vector<Build> builds = {
      {"i686-w64-mingw32", true, {1, 0, 0, 0}},
      {"i686-w64-mingw32", false, {0, 0, 0, 1}},
      {"x86_64-w64-mingw32", true, {65535, 65535, 65535, 65535}},
      {"x86_64-w64-mingw32", false, {4, 0, 1381, 1}},
      {"i686-w64-mingw32", true, {32768, 1, 2, 32768}},
  };
  TempDir tmp;
  writeFile(tmp / "entry.c", "int entry(void) { return 0; }\n");
  for (const auto& b : builds) {
    std::string v = std::to_string(b.version[0]) + "," + std::to_string(b.version[1]) + "," +
                    std::to_string(b.version[2]) + "," + std::to_string(b.version[3]);
    SCOPED_TRACE(std::string(b.arch) + (b.dll ? " dll " : " exe ") + v);
    writeFile(tmp / "v.rc", "1 VERSIONINFO\nFILEVERSION " + v + "\nPRODUCTVERSION 9,9,9,9\nBEGIN\nEND\n");
    fs::path image = tmp / (b.dll ? "v.dll" : "v.exe");
    std::string arch = b.arch;
    std::string entry = arch.starts_with("i686") ? "_entry" : "entry";
    ASSERT_TRUE(run(arch + "-windres " + quote((tmp / "v.rc").string()) + " -O coff -o " +
                    quote((tmp / "v.o").string())));
    ASSERT_TRUE(run(arch + "-gcc -s -nostdlib -nostartfiles " + std::string(b.dll ? "-shared " : "") + "-e " +
                    entry + " -o " + quote(image.string()) + " " + quote((tmp / "entry.c").string()) + " " +
                    quote((tmp / "v.o").string())));
    FileVersion expected{static_cast<std::int32_t>(b.version[0] << 16 | b.version[1]),
                         static_cast<std::int32_t>(b.version[2] << 16 | b.version[3])};
    EXPECT_EQ(fileVersionOf(readFixedFileInfo(image)), expected);
    EXPECT_EQ(versionBy7z(image, tmp.path()), expected);
    fs::remove(image);
  }
  // 7-Zip finds no version where we find none.
  fs::path plain = fs::path(KIT_SOURCE_DIR) / "platform/fs/tests/data/nover32.exe";
  EXPECT_EQ(versionBy7z(plain, tmp.path()), std::nullopt);
  EXPECT_EQ(readFixedFileInfo(plain), std::nullopt);
}

TEST(FsPeer, DatesAgreeWithCoreutils) {
  TempDir tmp;
  SystemRoot root = SystemRoot::create(tmp / "root", RootTemplate::nt4());
  FileSystem files(root);
  fs::path host = *files.toHost("C:\\d.txt");
  writeFile(host, "");
  // touch sets a local time; we read it as DOS local time.
  ASSERT_TRUE(run("touch -d '1999-12-31 23:59:59' " + quote(host.string())));
  EXPECT_EQ(files.dosDateTime("C:\\d.txt"), DosDateTime::pack(1999, 12, 31, 23, 59, 58));
  // We set a DOS local time; date prints it back as local time.
  ASSERT_TRUE(files.setDosDateTime("C:\\d.txt", *DosDateTime::pack(2003, 4, 5, 6, 7, 8)));
  EXPECT_EQ(run("date -r " + quote(host.string()) + " '+%Y-%m-%d %H:%M:%S'"), "2003-04-05 06:07:08\n");
}

TEST(FsPeer, DosAttribReadableBySetfattrAndGetfattr) {
  ASSERT_TRUE(have("getfattr") && have("setfattr")) << "package attr is needed";
  TempDir tmp;
  SystemRoot root = SystemRoot::create(tmp / "root", RootTemplate::nt4());
  FileSystem files(root);
  fs::path host = *files.toHost("C:\\a.txt");
  writeFile(host, "");
  if (::setxattr(host.c_str(), "user.probe", "1", 1, 0) != 0) GTEST_SKIP() << "no user xattrs here";
  ASSERT_TRUE(files.setAttributes("C:\\a.txt", kAttrHidden | kAttrSystem | kAttrArchive));
  EXPECT_EQ(run("getfattr --only-values -n user.DOSATTRIB " + quote(host.string())), "0x26");
  // As Wine writes it for a hidden file.
  ASSERT_TRUE(run("setfattr -n user.DOSATTRIB -v '\"0x2\"' " + quote(host.string())));
  EXPECT_EQ(files.attributes("C:\\a.txt"), kAttrHidden);
}

TEST(FsPeer, FreeSpaceAgreesWithStatF) {
  TempDir tmp;
  SystemRoot root = SystemRoot::create(tmp / "root", RootTemplate::nt4());
  FileSystem files(root);
  auto out = run("stat -f -c '%S %b' " + quote((tmp / "root" / "drive_c").string()));
  ASSERT_TRUE(out);
  std::istringstream in(*out);
  std::uint64_t blockSize = 0, blocks = 0;
  ASSERT_TRUE(in >> blockSize >> blocks);
  auto space = files.freeSpace("C:\\");
  ASSERT_TRUE(space);
  EXPECT_EQ(std::uint64_t{space->sectorsPerCluster} * space->bytesPerSector, blockSize);
  EXPECT_EQ(space->totalBytes, blocks * blockSize);
}

}  // namespace
}  // namespace platform
