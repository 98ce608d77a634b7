// Fuzzes the loading work with arbitrary scripts: the input up to its first NUL byte is the
// command-line argument, the rest is setup.inf. One system root serves every run; it lives in a
// temporary folder that is removed when the fuzzer exits.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

#include "platform/fs/file_system.h"
#include "platform/fs/system_root.h"
#include "platform/registry/registry.h"
#include "setup/script/loading_work.h"
#include "setup/script/macros.h"

namespace {

struct World {
  std::filesystem::path temp;
  std::unique_ptr<platform::SystemRoot> root;
  std::unique_ptr<platform::FileSystem> fs;
  std::unique_ptr<platform::Registry> registry;
  std::filesystem::path script;

  World() {
    std::string pattern = (std::filesystem::temp_directory_path() / "setup-loading-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    temp = pattern;
    root = std::make_unique<platform::SystemRoot>(
        platform::SystemRoot::create(temp / "root", platform::RootTemplate::nt4()));
    fs = std::make_unique<platform::FileSystem>(*root);
    registry = std::make_unique<platform::Registry>(root->hostDir());
    registry->writeString(platform::RootKey::LocalMachine, "Software\\Vq", "Path", "C:\\vq%ini-01%");
    registry->save();
    script = *fs->toHost("C:\\CD\\SETUP\\setup.inf");
    std::filesystem::create_directories(script.parent_path());
  }
  ~World() {
    registry.reset();
    fs.reset();
    root.reset();
    std::error_code ec;
    std::filesystem::remove_all(temp, ec);
  }
};

World& world() {
  static World w;
  return w;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  World& w = world();
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::size_t cut = input.find('\0');
  std::string_view argument = cut == std::string_view::npos ? std::string_view() : input.substr(0, cut);
  std::string_view script = cut == std::string_view::npos ? input : input.substr(cut + 1);
  {
    std::ofstream out(w.script, std::ios::binary | std::ios::trunc);
    out.write(script.data(), static_cast<std::streamsize>(script.size()));
  }

  setup::SetupContext context(*w.fs, *w.registry);
  setup::LoadingOutcome outcome = setup::RunLoadingWork(context, "C:\\CD\\SETUP\\SETUP.EXE", argument);
  if (!outcome.scriptFound) std::abort();
  const setup::SetupState& s = context.state;
  if (s.exeDir != "C:\\CD\\SETUP\\" || s.phase != -1) std::abort();
  if (!s.sourceDir.empty() && s.sourceDir.back() != '\\') std::abort();
  auto bounded = [](const std::string& t) { return t.size() <= setup::kMacroMaxLength; };
  if (!bounded(s.winVerText) || !bounded(s.softwareName) || !bounded(s.setupVerText) || !bounded(outcome.label)) {
    std::abort();
  }
  for (const auto& v : s.regVars)
    if (!bounded(v)) std::abort();
  for (const auto& v : s.iniVars)
    if (!bounded(v)) std::abort();
  if (w.registry->modified()) std::abort();  // reading never writes
  return 0;
}
