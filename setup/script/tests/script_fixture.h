// A fresh system root in a temporary folder, with its file system, its registry and a setup
// context over them, plus helpers to put files into the root by their Windows paths.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "platform/fs/file_system.h"
#include "platform/fs/system_root.h"
#include "platform/registry/registry.h"
#include "setup/script/setup_context.h"

namespace setup::testing {

inline std::filesystem::path makeTempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "setup-script-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

// Joins lines with CR LF, as scripts are written.
inline std::string crlf(std::initializer_list<std::string_view> lines) {
  std::string text;
  for (auto line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

class ScriptFixture : public ::testing::Test {
 protected:
  static constexpr const char* kProgram = "C:\\CD\\SETUP\\SETUP.EXE";

  void SetUp() override { makeRoot(platform::RootTemplate::modernNt()); }
  void TearDown() override {
    context.reset();
    registry.reset();
    fs.reset();
    root.reset();
    std::error_code ec;
    if (!temp.empty()) std::filesystem::remove_all(temp, ec);
  }

  void makeRoot(const platform::RootTemplate& tpl) {
    context.reset();
    registry.reset();
    fs.reset();
    root.reset();
    if (temp.empty()) temp = makeTempFolder();
    root = std::make_unique<platform::SystemRoot>(platform::SystemRoot::create(temp / "root", tpl));
    fs = std::make_unique<platform::FileSystem>(*root);
    registry = std::make_unique<platform::Registry>(root->hostDir());
    freshContext();
  }

  SetupContext& freshContext() {
    context = std::make_unique<SetupContext>(*fs, *registry);
    return *context;
  }

  // Writes bytes to a Windows path of the root, creating its folders.
  void writeFile(std::string_view winPath, std::string_view bytes) {
    auto host = fs->toHost(winPath);
    ASSERT_TRUE(host) << winPath;
    std::filesystem::create_directories(host->parent_path());
    std::ofstream out(*host, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << winPath;
  }

  void writeScript(std::string_view bytes, std::string_view folder = "C:\\CD\\SETUP\\") {
    writeFile(std::string(folder) + "setup.inf", bytes);
  }

  std::filesystem::path temp;
  std::unique_ptr<platform::SystemRoot> root;
  std::unique_ptr<platform::FileSystem> fs;
  std::unique_ptr<platform::Registry> registry;
  std::unique_ptr<SetupContext> context;
};

}  // namespace setup::testing
