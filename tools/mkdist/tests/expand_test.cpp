// Archives written by the packer, expanded by the installer's reader (TCompress) through
// `mkdist expand`: contents, dates, attributes and the reader's own error messages.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <sstream>

#include "platform/fs/file_system.h"
#include "tools/mkdist/archive_writer.h"
#include "tools/mkdist/cli.h"
#include "tools/mkdist/expand.h"
#include "tools/mkdist/tests/corpus.h"
#include "tools/mkdist/tests/temp_dir.h"

namespace mkdist {
namespace {

namespace fs = std::filesystem;

TEST(ExpandThroughReader, EveryMethodGivesBackEveryFileWithDateAndAttributes) {
  const std::uint32_t date = *platform::DosDateTime::pack(2024, 2, 29, 23, 59, 58);
  for (Method m : {Method::Stored, Method::Rle, Method::Lzh, Method::Lh5}) {
    SCOPED_TRACE(std::string(MethodId(m)));
    test::TempDir tmp;
    std::vector<EntryInput> entries;
    std::vector<test::Sample> corpus = test::Corpus();
    for (std::size_t i = 0; i < corpus.size(); ++i)
      entries.push_back({"file" + std::to_string(i) + ".bin", corpus[i].data, date, static_cast<std::uint16_t>(i % 2 ? 0x21 : 0x20)});
    WrittenArchive a = WriteArchive(entries, MethodChoice{m});
    test::WriteBytes(tmp.path / "test.arc", a.bytes);
    ExpandReport r = ExpandArchive(tmp.path / "test.arc", tmp.path / "out");
    EXPECT_EQ(r.error, "");
    ASSERT_EQ(r.written.size(), corpus.size());
    for (std::size_t i = 0; i < corpus.size(); ++i) {
      SCOPED_TRACE(corpus[i].name);
      fs::path f = tmp.path / "out" / ("file" + std::to_string(i) + ".bin");
      EXPECT_TRUE(test::ReadBytes(f) == corpus[i].data);
      struct stat st {};
      ASSERT_EQ(::stat(f.c_str(), &st), 0);
      EXPECT_EQ(platform::DosDateTime::fromUnix(st.st_mtime), date);
      EXPECT_EQ((st.st_mode & S_IWUSR) == 0, i % 2 == 1) << "read-only attribute";
    }
  }
}

// The packer's own defence against the reader stopping at the total size: an archive of an
// empty file still creates it.
TEST(ExpandThroughReader, EmptyFilesAreCreated) {
  test::TempDir tmp;
  WrittenArchive only = WriteArchive({{"empty.txt", {}, platform::DosDateTime::kMin, 0x20}}, MethodChoice{});
  test::WriteBytes(tmp.path / "a.arc", only.bytes);
  ExpandReport r = ExpandArchive(tmp.path / "a.arc", tmp.path / "out");
  EXPECT_EQ(r.error, "");
  EXPECT_TRUE(fs::exists(tmp.path / "out" / "empty.txt"));

  WrittenArchive mixed = WriteArchive({{"a.txt", {'a'}, platform::DosDateTime::kMin, 0x20},
                                       {"empty.txt", {}, platform::DosDateTime::kMin, 0x20}},
                                      MethodChoice{Method::Lh5});
  test::WriteBytes(tmp.path / "b.arc", mixed.bytes);
  r = ExpandArchive(tmp.path / "b.arc", tmp.path / "out2");
  EXPECT_EQ(r.error, "");
  EXPECT_EQ(r.written.size(), 2u);
  EXPECT_TRUE(fs::exists(tmp.path / "out2" / "empty.txt"));
}

TEST(ExpandThroughReader, ReportsTheReadersMessagesExactly) {
  WrittenArchive good = WriteArchive({{"x.txt", test::TextBytes(5000, 1), platform::DosDateTime::kMin, 0x20}}, MethodChoice{Method::Lh5});
  struct Case {
    const char* what;
    std::function<void(Bytes&)> damage;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"checksum", [](Bytes& b) { b[21 + 17] ^= 1; }, "Bad checksum during expansion -- data may be invalid"},
      {"magic", [](Bytes& b) { b[0] = 'Y'; }, "Can't recognize compressed file header"},
      {"archive type", [](Bytes& b) { b[12] = 0; }, "Archive type must be caMulti"},
      {"method identifier", [](Bytes& b) { b[5] = 'X'; }, "Unrecognized compression method: \"XH5\" in header"},
      {"locked entry", [](Bytes& b) { b[21 + 21] = 1; }, "File locked -- valid key required"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempDir tmp;
    Bytes b = good.bytes;
    c.damage(b);
    test::WriteBytes(tmp.path / "bad.arc", b);
    std::ostringstream out, err;
    EXPECT_EQ(RunCommandLine({"expand", (tmp.path / "bad.arc").string(), (tmp.path / "out").string()}, out, err), 1);
    EXPECT_EQ(err.str(), "mkdist: " + c.message + "\n");
  }
}

}  // namespace
}  // namespace mkdist
