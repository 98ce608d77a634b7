// Our raw LZ streams inside an LHA archive, checked and expanded by lhasa.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tools/mkdist/lh5_encoder.h"
#include "tools/mkdist/lzh_encoder.h"
#include "tools/mkdist/tests/corpus.h"
#include "tools/mkdist/tests/lha_wrap.h"

namespace mkdist {
namespace {

namespace fs = std::filesystem;

struct TempDir {
  fs::path path;
  TempDir() {
    std::string templ = (fs::temp_directory_path() / "mkdist-lha-XXXXXX").string();
    path = mkdtemp(templ.data());
  }
  ~TempDir() { fs::remove_all(path); }
};

// Runs a command and returns its exit status and standard output.
std::pair<int, std::string> RunCommand(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return {-1, out};
  char buf[65536];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  int status = pclose(p);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

struct Method {
  const char* id;
  Bytes (*encode)(ByteView);
};

class LhasaPeer : public ::testing::TestWithParam<Method> {};

TEST_P(LhasaPeer, TestsAndExpandsEveryCorpusSample) {
  if (RunCommand("command -v lhasa >/dev/null 2>&1").first != 0) GTEST_SKIP() << "lhasa is not installed";
  TempDir dir;
  for (const test::Sample& s : test::Corpus()) {
    SCOPED_TRACE(s.name);
    Bytes stream = GetParam().encode(s.data);
    Bytes lzh = test::WrapLha(GetParam().id, "sample.bin", stream, s.data);
    fs::path file = dir.path / "sample.lzh";
    {
      std::ofstream f(file, std::ios::binary | std::ios::trunc);
      f.write(reinterpret_cast<const char*>(lzh.data()), static_cast<std::streamsize>(lzh.size()));
    }
    auto [testStatus, testOut] = RunCommand("lhasa -t '" + file.string() + "' 2>&1");
    EXPECT_EQ(testStatus, 0) << testOut;
    auto [pStatus, pOut] = RunCommand("lhasa -pq '" + file.string() + "' 2>/dev/null");
    EXPECT_EQ(pStatus, 0);
    ASSERT_EQ(pOut.size(), s.data.size());
    EXPECT_TRUE(std::equal(s.data.begin(), s.data.end(),
                           reinterpret_cast<const std::uint8_t*>(pOut.data())));
  }
}

INSTANTIATE_TEST_SUITE_P(Methods, LhasaPeer,
                         ::testing::Values(Method{"-lh5-", &EncodeLh5}, Method{"-lh1-", &EncodeLzh}),
                         [](const ::testing::TestParamInfo<Method>& p) {
                           return std::string(p.param.id[3] == '5' ? "lh5" : "lh1");
                         });

}  // namespace
}  // namespace mkdist

namespace mkdist {
namespace {

// Our lh5 coding compresses about as well as jlha's on the same text and binary data.
TEST(JlhaPeer, Lh5SizeIsCloseToJlhas) {
  if (RunCommand("command -v jlha >/dev/null 2>&1").first != 0) GTEST_SKIP() << "jlha is not installed";
  TempDir dir;
  Bytes data = test::TextBytes(300000, 5);
  Bytes bin = test::RandomBytes(20000, 6);
  for (std::size_t i = 0; i < 5; ++i) data.insert(data.end(), bin.begin(), bin.end());
  {
    std::ofstream f(dir.path / "data.bin", std::ios::binary);
    f.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  }
  ASSERT_EQ(RunCommand("cd '" + dir.path.string() + "' && jlha ao5q data.lzh data.bin >/dev/null 2>&1").first, 0);
  std::ifstream in(dir.path / "data.lzh", std::ios::binary);
  Bytes lzh((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto member = test::FirstMember(lzh, "-lh5-");
  ASSERT_TRUE(member);
  ASSERT_EQ(member->second, data.size());
  std::size_t ours = EncodeLh5(data).size();
  EXPECT_LT(static_cast<double>(ours), 1.03 * static_cast<double>(member->first.size()))
      << "ours " << ours << ", jlha " << member->first.size();
}

}  // namespace
}  // namespace mkdist
