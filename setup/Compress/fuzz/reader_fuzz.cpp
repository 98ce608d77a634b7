// The archive reader on arbitrary archive files: list and expand every entry into one target
// file. Only the reader's own exception classes may come out.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <unistd.h>

#include "platform/fs/file_system.h"
#include "setup/Compress/compress.h"
#include "setup/Compress/compress_errors.h"

namespace {

struct World {
  std::filesystem::path dir;
  std::unique_ptr<platform::SystemRoot> root;
  std::unique_ptr<platform::FileSystem> fs;
  World() {
    dir = std::filesystem::temp_directory_path() / ("compress-fuzz-" + std::to_string(getpid()));
    root = std::make_unique<platform::SystemRoot>(platform::SystemRoot::create(dir, platform::RootTemplate::modernNt()));
    fs = std::make_unique<platform::FileSystem>(*root);
  }
  ~World() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
};

World& world() {
  static World w;
  return w;
}

}  // namespace

// Entries that claim a large expanded size would only make the decoders run long on zeros.
bool smallEntries(const std::uint8_t* data, std::size_t size) {
  std::size_t pos = setup::kArchiveHeaderSize;
  while (pos + setup::kEntryHeaderSize <= size) {
    const setup::TEntryHeader e = setup::ParseEntryHeader(data + pos);
    if (e.ExpandedSize > 8192 || e.NameLength < 0) return e.ExpandedSize <= 8192;
    pos += setup::kEntryHeaderSize + static_cast<std::size_t>(e.NameLength) +
           static_cast<std::size_t>(std::max(e.CompressedSize, 0));
  }
  return true;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!smallEntries(data, size)) return 0;
  World& w = world();
  {
    std::ofstream out(*w.fs->toHost("C:\\f.zar"), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  setup::TCompress c(*w.fs);
  c.SetTargetPath("C:\\");
  c.OnRecognize = [](const std::string&, bool& recognized) { recognized = true; };
  int entries = 0;
  c.OnCheckFile = [&entries](std::string& path, setup::TCProcessMode) {
    path = ++entries > 64 ? "*" : "C:\\o.bin";
  };
  c.OnShowProgress = [](int& pct) {
    if (pct < 0 || pct > 100) std::abort();
  };
  try {
    setup::TEntryList list;
    c.ListEntries("C:\\f.zar", list);
    setup::TCompress::ReleaseEntryList(&list);
  } catch (const setup::EInvalidHeader&) {
  } catch (const setup::EInvalidHeaderArchiveType&) {
  }
  try {
    c.ExpandEntries("C:\\f.zar");
  } catch (const setup::EInvalidHeader&) {
  } catch (const setup::EInvalidHeaderArchiveType&) {
  } catch (const setup::EBadChecksum&) {
  } catch (const setup::EInvalidKey&) {
  } catch (const setup::ELZHBadDecodeTable&) {
  } catch (const setup::EReadError&) {
  }
  w.fs->setAttributes("C:\\o.bin", 0);
  return 0;
}
