// Distributions as the installer reads them: vtulst.dat records, archives taken off the disk
// files the installer's way, the rewritten setup.inf, and the errors of the packer.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/xattr.h>

#include <sstream>

#include "platform/fs/file_system.h"
#include "setup/Compress/decoders.h"
#include "tools/mkdist/archive_listing.h"
#include "tools/mkdist/cli.h"
#include "tools/mkdist/disk_layout.h"
#include "tools/mkdist/distribution.h"
#include "tools/mkdist/file_list.h"
#include "tools/mkdist/host_file.h"
#include "tools/mkdist/tests/corpus.h"
#include "tools/mkdist/tests/installer_copy.h"
#include "tools/mkdist/tests/temp_dir.h"

namespace mkdist {
namespace {

namespace fs = std::filesystem;

struct VtuRecord {
  std::int32_t dir, offset, disk, length;
};

std::vector<VtuRecord> ReadVtulst(const fs::path& p) {
  Bytes b = test::ReadBytes(p);
  EXPECT_EQ(b.size() % 16, 0u);
  std::vector<VtuRecord> r;
  for (std::size_t i = 0; i + 16 <= b.size(); i += 16)
    r.push_back({static_cast<std::int32_t>(GetLe32(&b[i])), static_cast<std::int32_t>(GetLe32(&b[i + 4])),
                 static_cast<std::int32_t>(GetLe32(&b[i + 8])), static_cast<std::int32_t>(GetLe32(&b[i + 12]))});
  return r;
}

Bytes ExpandEntry(ByteView archive, const ListedEntry& e) {
  ByteView stored(archive.data() + e.dataOffset, static_cast<std::size_t>(e.storedSize));
  switch (e.method) {
    case 0: return Bytes(stored.begin(), stored.end());
    case 1: return setup::ExpandRleBuffer(stored);
    case 2: return setup::ExpandLzhBuffer(stored, e.expandedSize);
    case 4: return setup::ExpandLh5Buffer(stored, e.expandedSize);
  }
  return {};
}

int Mkdist(std::vector<std::string> args, std::string* out = nullptr, std::string* err = nullptr) {
  std::ostringstream o, e;
  int rc = RunCommandLine(args, o, e);
  if (out) *out = o.str();
  if (err) *err = e.str();
  return rc;
}

// A product folder and a setup.inf listing its files in two options.
struct Product {
  test::TempDir tmp;
  fs::path product = tmp.path / "product";
  fs::path inf = tmp.path / "setup.inf";
  fs::path out = tmp.path / "dist";
  std::map<std::string, Bytes> files;  // path below product -> contents

  void Add(const std::string& rel, Bytes data) {
    test::WriteBytes(product / rel, data);
    files[rel] = std::move(data);
  }
};

// Every record of the distribution, copied off the disks as the installer does, is a complete
// archive whose only entry expands to the listed product file.
struct Listed {
  std::string path;       // below the product folder
  std::string entryName;  // as the script spells it
  std::int32_t dir;
};

void CheckEveryFile(const Product& p, const std::vector<Listed>& listed, std::int64_t diskSize,
                    int expectDisks, int* spanning) {
  std::vector<VtuRecord> records = ReadVtulst(p.out / "vtulst.dat");
  ASSERT_EQ(records.size(), listed.size());
  int disks = 0;
  for (const auto& e : fs::directory_iterator(p.out))
    if (e.path().extension() == ".dsk") ++disks;
  EXPECT_EQ(disks, expectDisks);
  *spanning = 0;
  for (std::size_t i = 0; i < records.size(); ++i) {
    const auto& [rel, entryName, dir] = listed[i];
    SCOPED_TRACE(rel);
    const VtuRecord& r = records[i];
    EXPECT_EQ(r.dir, dir);
    EXPECT_GE(r.disk, 1);
    EXPECT_LE(r.disk, expectDisks);
    if (diskSize > 0) {
      EXPECT_LT(r.offset, diskSize);
    }
    auto copied = test::CopyLikeInstaller(p.out, r.disk, r.offset, r.length);
    ASSERT_TRUE(copied) << "a disk the archive needs is missing";
    if (copied->disksUsed > 1) ++*spanning;
    Listing l = ListArchive(copied->bytes);
    ASSERT_EQ(l.entries.size(), 1u);
    EXPECT_FALSE(l.truncated);
    const ListedEntry& entry = l.entries[0];
    EXPECT_EQ(entry.dataOffset + static_cast<std::size_t>(entry.storedSize), copied->bytes.size());
    EXPECT_EQ(entry.name, entryName);
    EXPECT_TRUE(ExpandEntry(copied->bytes, entry) == p.files.at(rel));
    EXPECT_EQ(entry.checksum, setup::ByteSum(p.files.at(rel)));
  }
}

const char* kInf =
    "[software]\r\nname_display=Test\r\n\r\n"
    "[Option_1]\r\nf1=big.bin\r\nd1=2\r\nf2=Text.TXT\r\nl2=999\r\n\r\n"
    "[Option_2]\r\nf1=table.dat\r\nq1=data\\sub\r\nd1=0x1\r\nf2=empty.dat\r\n\r\n"
    "[language]\r\nl1=Loading\r\n";

TEST(Distribution, PacksOntoOneTwoAndThreeDisks) {
  Product p;
  p.Add("big.bin", test::RandomBytes(10000, 1));
  p.Add("text.txt", test::TextBytes(6000, 2));  // found although the script spells it Text.TXT
  p.Add("data/sub/table.dat", test::RandomBytes(2000, 3));
  p.Add("empty.dat", {});
  test::WriteText(p.inf, kInf);
  const std::vector<Listed> listed = {
      {"big.bin", "big.bin", 2}, {"text.txt", "Text.TXT", 0}, {"data/sub/table.dat", "table.dat", 1}, {"empty.dat", "empty.dat", 0}};

  // Stored, the archives are 10053, 6054, 2055 and 55 bytes long.
  //   9700: big runs from disk 1 onto disk 2, the rest follows it there.
  //   7100: big spans disks 1-2, text spans 2-3 from offset 2953, and the last two files go
  //         into the room in front of that offset on disk 3.
  struct Case {
    std::string diskSize;
    std::int64_t bytes;
    int disks;
    int spanning;
  };
  for (const Case& c : {Case{"", 0, 1, 0}, Case{"9700", 9700, 2, 1}, Case{"7100", 7100, 3, 2}}) {
    SCOPED_TRACE("disk size " + c.diskSize);
    std::vector<std::string> args = {"pack", "--product", p.product.string(), "--inf", p.inf.string(), "--out", p.out.string(),
                                     "--method", "NON"};
    if (!c.diskSize.empty()) args.insert(args.end(), {"--disk-size", c.diskSize});
    std::string out, err;
    ASSERT_EQ(Mkdist(args, &out, &err), 0) << err;
    int spanning = 0;
    CheckEveryFile(p, listed, c.bytes, c.disks, &spanning);
    EXPECT_EQ(spanning, c.spanning);
  }
  // The same product compressed: every method's archives still come off the disks whole.
  for (const char* method : {"RLE", "LZH", "LH5", "best"}) {
    SCOPED_TRACE(method);
    ASSERT_EQ(Mkdist({"pack", "--product", p.product.string(), "--inf", p.inf.string(), "--out", p.out.string(), "--method", method,
                      "--disk-size", "3000"}),
              0);
    int spanning = 0;
    std::size_t disks = 0;
    for (const auto& e : fs::directory_iterator(p.out)) disks += e.path().extension() == ".dsk";
    CheckEveryFile(p, listed, 3000, static_cast<int>(disks), &spanning);
    EXPECT_GT(spanning, 0);
  }
}

TEST(Distribution, SpanContinuesAtTheSameOffsetAndTheRoomInFrontIsUsed) {
  // small (1,0); big does not fit behind it and runs on at the same offset on disk 2; the room
  // in front of that offset on disk 2 takes the next file.
  test::TempDir tmp;
  fs::path product = tmp.path / "product";
  test::WriteBytes(product / "small.bin", test::RandomBytes(1000, 1));
  test::WriteBytes(product / "big.bin", test::RandomBytes(9000, 2));
  test::WriteBytes(product / "tiny.bin", test::RandomBytes(500, 3));
  std::vector<DistFile> files;
  for (const char* n : {"small.bin", "big.bin", "tiny.bin"}) files.push_back({1, static_cast<int>(files.size()) + 1, n, {n}, 0, n});
  DistOptions o{product, tmp.path / "dist", 6000, MethodChoice{Method::Stored}, {}};
  DistResult r = BuildDistribution(files, o);
  ASSERT_EQ(r.records.size(), 3u);
  const Placement& small = r.records[0].placement;
  const Placement& big = r.records[1].placement;
  const Placement& tiny = r.records[2].placement;
  EXPECT_EQ(small.disk, 1);
  EXPECT_EQ(small.offset, 0u);
  EXPECT_EQ(big.disk, 1);
  EXPECT_EQ(big.offset, r.records[0].length);
  EXPECT_EQ(big.lastDisk, 2);
  EXPECT_EQ(tiny.disk, 2);
  EXPECT_EQ(tiny.offset, 0u);
  ASSERT_EQ(r.diskSizes.size(), 2u);
  EXPECT_EQ(r.diskSizes[0], 6000u) << "the first part of a spanning archive must end with its disk file";
  for (const DistRecord& rec : r.records) {
    auto copied = test::CopyLikeInstaller(o.outDir, rec.placement.disk, static_cast<std::int64_t>(rec.placement.offset),
                                          static_cast<std::int64_t>(rec.length));
    ASSERT_TRUE(copied);
    Listing l = ListArchive(copied->bytes);
    ASSERT_EQ(l.entries.size(), 1u);
    EXPECT_TRUE(ExpandEntry(copied->bytes, l.entries[0]) == test::ReadBytes(product / rec.file.name));
  }
}

TEST(DiskLayout, StartsOnAFreshDiskWhenThatEndsTheSetEarlier) {
  // 5500 free bytes would be split into pieces of 500: starting on disk 2 is shorter.
  DiskLayout l = LayoutDisks({5500, 4000}, 6000);
  ASSERT_EQ(l.placements.size(), 2u);
  EXPECT_EQ(l.placements[1].disk, 2);
  EXPECT_EQ(l.placements[1].offset, 0u);
  EXPECT_EQ(l.diskSizes, (std::vector<std::uint64_t>{5500, 4000}));
  // A disk that is exactly full is left for the next one.
  DiskLayout full = LayoutDisks({6000, 10}, 6000);
  EXPECT_EQ(full.placements[1].disk, 2);
  EXPECT_EQ(full.placements[1].offset, 0u);
  // Without a disk size everything follows on one disk.
  DiskLayout one = LayoutDisks({6000, 10, 7}, 0);
  EXPECT_EQ(one.diskSizes, (std::vector<std::uint64_t>{6017}));
  EXPECT_EQ(one.placements[2].offset, 6010u);
}

TEST(Distribution, ListingReadsEveryRecordOffTheDisks) {
  Product p;
  p.Add("big.bin", test::RandomBytes(10000, 1));
  p.Add("text.txt", test::TextBytes(6000, 2));
  p.Add("data/sub/table.dat", test::RandomBytes(2000, 3));
  p.Add("empty.dat", {});
  test::WriteText(p.inf, kInf);
  ASSERT_EQ(Mkdist({"pack", "--product", p.product.string(), "--inf", p.inf.string(), "--out", p.out.string(), "--method", "NON",
                    "--disk-size", "7100"}),
            0);
  std::string out, err;
  ASSERT_EQ(Mkdist({"list", p.out.string()}, &out, &err), 0) << err;
  EXPECT_NE(out.find(": 4 files\n"), std::string::npos) << out;
  // big.bin from disk 1 onto disk 2, Text.TXT from disk 2 onto 3 at offset 2953.
  EXPECT_NE(out.find("     0     2   1-2          0      10053      10000 NON"), std::string::npos) << out;
  EXPECT_NE(out.find("     4     0   2-3       2953       6054       6000 NON"), std::string::npos) << out;
  EXPECT_NE(out.find("Text.TXT"), std::string::npos);

  fs::remove(p.out / "zdata3.dsk");
  ASSERT_EQ(Mkdist({"list", p.out.string()}, &out, &err), 1);
  EXPECT_NE(out.find("disk data file zdata3.dsk is missing"), std::string::npos) << out;
  EXPECT_NE(err.find("some records of the distribution cannot be read"), std::string::npos);
}

TEST(Distribution, WritesTheLIndexesIntoTheScriptAndKeepsEverythingElse) {
  Product p;
  p.Add("big.bin", {1, 2, 3});
  p.Add("text.txt", {4});
  p.Add("data/sub/table.dat", {5});
  p.Add("empty.dat", {});
  test::WriteText(p.inf, kInf);
  std::string out, err;
  ASSERT_EQ(Mkdist({"pack", "--product", p.product.string(), "--inf", p.inf.string(), "--out", p.out.string()}, &out, &err), 0) << err;
  EXPECT_NE(out.find("note: [software] Opt1_space is \"0\", the option's files expand to 4 bytes"), std::string::npos) << out;
  Bytes written = test::ReadBytes(p.out / "setup.inf");
  EXPECT_EQ(std::string(written.begin(), written.end()),
            "[software]\r\nname_display=Test\r\n\r\n"
            "[Option_1]\r\nf1=big.bin\r\nl1=0\r\nd1=2\r\nf2=Text.TXT\r\nl2=4\r\n\r\n"
            "[Option_2]\r\nf1=table.dat\r\nl1=8\r\nq1=data\\sub\r\nd1=0x1\r\nf2=empty.dat\r\nl2=12\r\n\r\n"
            "[language]\r\nl1=Loading\r\n");
}

TEST(Distribution, ManifestListsFilesAndWritesTheOptionSections) {
  Product p;
  p.Add("prog.exe", test::TextBytes(500, 1));
  p.Add("docs/read me.txt", test::TextBytes(300, 2));
  fs::path manifest = p.tmp.path / "files.txt";
  test::WriteText(manifest, "# demo\n2 0 docs/read me.txt\n\n1 3 prog.exe\n");
  std::string err;
  ASSERT_EQ(Mkdist({"pack", "--product", p.product.string(), "--manifest", manifest.string(), "--out", p.out.string()}, nullptr, &err), 0)
      << err;
  Bytes sections = test::ReadBytes(p.out / "options.inf");
  EXPECT_EQ(std::string(sections.begin(), sections.end()),
            "[Option_1]\r\nf1=prog.exe\r\nl1=0\r\n\r\n[Option_2]\r\nf1=read me.txt\r\nl1=4\r\n");
  std::vector<VtuRecord> r = ReadVtulst(p.out / "vtulst.dat");
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0].dir, 3);
  EXPECT_EQ(r[1].dir, 0);
}

TEST(Distribution, OptDatHoldsTheGivenFiles) {
  Product p;
  p.Add("a.txt", {'a'});
  test::WriteText(p.inf, "[Option_1]\r\nf1=a.txt\r\n");
  fs::path readme = p.tmp.path / "vtu.txt";
  test::WriteText(readme, "Read me first.\r\n");
  ASSERT_EQ(Mkdist({"pack", "--product", p.product.string(), "--inf", p.inf.string(), "--out", p.out.string(), "--opt", readme.string()}), 0);
  Bytes opt = test::ReadBytes(p.out / "opt.dat");
  Listing l = ListArchive(opt);
  ASSERT_EQ(l.entries.size(), 1u);
  EXPECT_EQ(l.entries[0].name, "vtu.txt");
  Bytes text = ExpandEntry(opt, l.entries[0]);
  EXPECT_EQ(std::string(text.begin(), text.end()), "Read me first.\r\n");
}

TEST(Distribution, ErrorsNameTheProblemAndWriteNothing) {
  struct Case {
    const char* what;
    std::string inf;
    std::vector<std::string> extra;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"missing file", "[Option_1]\r\nf1=a.txt\r\nf2=gone.txt\r\n", {},
       "Option_1 / f2: the file \"gone.txt\" is missing from the product folder"},
      {"disk size too small", "[Option_1]\r\nf1=a.txt\r\n", {"--disk-size", "10"},
       "the disk size 10 is too small: the files need"},
      {"disk size zero", "[Option_1]\r\nf1=a.txt\r\n", {"--disk-size", "0"}, "the disk size 0 is too small"},
      {"disk size beyond 32 bits", "[Option_1]\r\nf1=a.txt\r\n", {"--disk-size", "4096M"}, "is too large"},
      {"name with a wildcard", "[Option_1]\r\nf1=a?.txt\r\n", {}, "Option_1 / f1: the file name \"a?.txt\" cannot be used"},
      {"name with a folder", "[Option_1]\r\nf1=sub\\a.txt\r\n", {}, "folder separator"},
      {"line the installer would cut", "[Option_1]\r\nf1=" + std::string(260, 'n') + "\r\n", {},
       "line 2 is longer than 255 characters"},
      {"two sections of one option", "[Option_1]\r\nf1=a.txt\r\n[option_1]\r\nf1=a.txt\r\n", {},
       "more than one [Option_1] section"},
      {"directory index not a number", "[Option_1]\r\nf1=a.txt\r\nd1=two\r\n", {}, "the directory index d1=\"two\" is not a number"},
      {"subfolder climbing out", "[Option_1]\r\nf1=a.txt\r\nq1=..\\..\r\n", {}, "leaves the product folder"},
      {"nothing listed", "[Option_1]\r\nf1=\r\n", {}, "no files to pack"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Product p;
    p.Add("a.txt", test::RandomBytes(20000, 1));
    test::WriteText(p.inf, c.inf);
    std::vector<std::string> args = {"pack", "--product", p.product.string(), "--inf", p.inf.string(), "--out", p.out.string()};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    std::string err;
    EXPECT_EQ(Mkdist(args, nullptr, &err), 1);
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(p.out / "vtulst.dat"));
  }
}

TEST(HostFile, DateAndAttributesComeFromTheHost) {
  test::TempDir tmp;
  fs::path f = tmp.path / "x.bin";
  test::WriteBytes(f, Bytes{1, 2, 3});
  struct stat st {};
  ASSERT_EQ(::stat(f.c_str(), &st), 0);
  EntryInput plain = LoadHostFile(f, "x.bin");
  EXPECT_EQ(plain.attributes, 0x20);
  EXPECT_EQ(plain.data, (Bytes{1, 2, 3}));
  EXPECT_EQ(plain.dosDateTime, platform::DosDateTime::fromUnix(st.st_mtime));
  bool xattrs = ::setxattr(f.c_str(), "user.DOSATTRIB", "0x22", 4, 0) == 0;
  ::chmod(f.c_str(), 0444);
  EntryInput marked = LoadHostFile(f, "x.bin");
  EXPECT_EQ(marked.attributes, xattrs ? 0x23 : 0x21);
}

TEST(CommandLine, HelpUsageAndList) {
  std::string out, err;
  EXPECT_EQ(Mkdist({"--help"}, &out), 0);
  EXPECT_NE(out.find("mkdist pack --product DIR"), std::string::npos);
  EXPECT_EQ(Mkdist({}, nullptr, &err), 2);
  EXPECT_EQ(Mkdist({"frobnicate"}, nullptr, &err), 2);
  EXPECT_NE(err.find("unknown command \"frobnicate\""), std::string::npos);
  EXPECT_EQ(Mkdist({"pack", "--product", "x", "--inf", "x.inf", "--out", "y", "--method", "ZIP"}, nullptr, &err), 2);
  EXPECT_NE(err.find("unknown method \"ZIP\""), std::string::npos);

  test::TempDir tmp;
  test::WriteText(tmp.path / "hello.txt", "hello hello hello hello");
  fs::path arc = tmp.path / "a.arc";
  ASSERT_EQ(Mkdist({"archive", arc.string(), (tmp.path / "hello.txt").string(), "--method", "LZH"}, nullptr, &err), 0) << err;
  ASSERT_EQ(Mkdist({"list", arc.string()}, &out, &err), 0) << err;
  EXPECT_NE(out.find("method LZH, total size 23, 1 entry"), std::string::npos) << out;
  EXPECT_NE(out.find("LZH"), std::string::npos);
  EXPECT_NE(out.find("---A 0x000008B0  hello.txt"), std::string::npos) << out;
  EXPECT_EQ(Mkdist({"list", (tmp.path / "hello.txt").string()}, nullptr, &err), 1);
  EXPECT_NE(err.find("does not start with an archive header"), std::string::npos);
}

}  // namespace
}  // namespace mkdist
