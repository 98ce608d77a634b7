#include "setup/Compress/compress.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "platform/text/ansi.h"
#include "setup/Compress/compress_errors.h"
#include "setup/Compress/decoders.h"

namespace setup {
namespace {

constexpr std::size_t kBlock = 8192;
constexpr std::int64_t kNoLimit = 2147483647;

std::int32_t addWrapping(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

// Skips an entry's stored data. A negative stored size counts as 0: seeking backwards would
// let a damaged archive send the scan round in a loop.
void skipData(platform::File& archive, std::int64_t dataStart, std::int32_t compressedSize) {
  archive.seek(dataStart + std::max<std::int32_t>(compressedSize, 0));
}

std::string directoryPart(const std::string& path) {
  const auto slash = path.find_last_of("\\:");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The stored bytes of one entry in blocks of up to 8192 bytes, with the progress report after
// each block read.
class ArchiveSource final : public ByteSource {
 public:
  ArchiveSource(platform::File& archive, std::int32_t compressedSize, const TShowProgressEvent& progress,
                const std::function<void()>& yield)
      : archive_(archive), remaining_(std::max<std::int32_t>(compressedSize, 0)), total_(compressedSize),
        progress_(progress), yield_(yield), buffer_(new std::uint8_t[kBlock]) {}

 protected:
  Refill refill(const std::uint8_t*& begin, const std::uint8_t*& end) override {
    if (remaining_ <= 0) return Refill::End;
    // The request only ever shrinks: min(8192, what is left).
    request_ = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(request_), remaining_));
    const std::size_t n = archive_.read(buffer_.get(), request_);
    if (n == 0) {
      // The archive ends inside the stored data: the rest reads as zeros without asking again.
      remaining_ = 0;
      return Refill::End;
    }
    remaining_ -= static_cast<std::int64_t>(n);
    read_ += static_cast<std::int64_t>(n);
    begin = buffer_.get();
    end = begin + n;
    if (progress_) {
      const std::int64_t t = total_;
      int percentage = static_cast<int>(t < 100001 ? read_ * 100 / t : read_ / (t / 100));
      progress_(percentage);
      if (percentage == -1) return Refill::Hold;
    }
    yield_();
    return Refill::Block;
  }

 private:
  platform::File& archive_;
  std::int64_t remaining_;
  std::int64_t total_;
  std::int64_t read_ = 0;
  std::size_t request_ = kBlock;
  const TShowProgressEvent& progress_;
  const std::function<void()>& yield_;
  std::unique_ptr<std::uint8_t[]> buffer_;
};

// The target file behind an 8192-byte buffer; a full buffer yields the processor first.
class TargetSink final : public ByteSink {
 public:
  TargetSink(platform::File& target, const std::function<void()>& yield)
      : target_(target), yield_(yield), buffer_(new std::uint8_t[kBlock]) {
    setBuffer(buffer_.get(), kBlock);
  }

 protected:
  void drain(const std::uint8_t* data, std::size_t size, bool full) override {
    if (full) yield_();
    if (size != 0 && target_.write(data, size) != size) throw EWriteError();
  }

 private:
  platform::File& target_;
  const std::function<void()>& yield_;
  std::unique_ptr<std::uint8_t[]> buffer_;
};

}  // namespace

TCompress::TCompress(platform::FileSystem& fs, platform::MessagePump* pump) : fs_(fs), pump_(pump) {}

void TCompress::SetTargetPath(const std::string& value) {
  targetPath_ = value;
  if (!targetPath_.empty() && targetPath_.back() != '\\') targetPath_ += '\\';
}

void TCompress::yieldProcessor() {
  if (pump_) pump_->processMessages();
}

platform::File TCompress::openArchive(const std::string& path) {
  platform::File f = fs_.open(path, platform::Access::Read, platform::Share::None, platform::Disposition::OpenExisting);
  if (!f) throw EFOpenError(path);
  return f;
}

std::uint8_t TCompress::MethodIndexOf(const std::string& id) {
  for (std::uint8_t i = 0; i < 5; ++i) {
    if (id == kMethodIds[i]) return i;
  }
  if (OnRecognize) {
    bool recognized = false;
    OnRecognize(id, recognized);
    if (recognized) return kMethodCustom;
  }
  throw EUnrecognizedCompressionMethod(id);
}

TArchiveHeader TCompress::ReadArchiveHeader(platform::File& archive) {
  const std::int64_t size = archive.size();
  const std::int64_t pos = archive.position();
  if (size < 0 || size - pos < static_cast<std::int64_t>(kArchiveHeaderSize)) {
    // Too short to be an archive: it expands nothing. The identifier is never looked at.
    TArchiveHeader h;
    h.Magic.assign(kArchiveMagic, 5);
    h.CompressID = kMethodIds[kMethodStored];
    compressId_ = h.CompressID;
    return h;
  }
  std::uint8_t b[kArchiveHeaderSize];
  if (archive.read(b, sizeof b) != sizeof b) throw EReadError();
  TArchiveHeader h = ParseArchiveHeader(b);
  if (std::memcmp(b, kArchiveMagic, 5) != 0) throw EInvalidHeader();
  if (h.ArchiveType != kArchiveTypeMulti) throw EInvalidHeaderArchiveType();
  MethodIndexOf(h.CompressID);
  compressId_ = h.CompressID;
  return h;
}

bool TCompress::ReadEntryHeader(platform::File& archive, TEntryHeader& entry) {
  std::uint8_t b[kEntryHeaderSize];
  if (archive.read(b, sizeof b) != sizeof b) return false;
  entry = ParseEntryHeader(b);
  // A negative name length cannot be read; it ends the scan like a short read.
  if (entry.NameLength < 0) return false;
  entry.Name.assign(static_cast<std::size_t>(entry.NameLength), '\0');
  if (entry.NameLength > 0 &&
      archive.read(entry.Name.data(), entry.Name.size()) != entry.Name.size()) {
    return false;
  }
  return true;
}

void TCompress::ListEntries(const std::string& archivePath, TEntryList& list) {
  platform::File archive = openArchive(archivePath);
  const std::int64_t size = archive.size();
  if (size < static_cast<std::int64_t>(kArchiveHeaderSize + kEntryHeaderSize)) return;
  ReadArchiveHeader(archive);
  TEntryHeader e;
  while (ReadEntryHeader(archive, e)) {
    const std::int64_t dataStart = archive.position();
    auto info = std::make_unique<TCompressedFileInfo>();
    info->FileDate = e.DateTime;
    info->Attributes = e.Attributes;
    info->ExpandedSize = e.ExpandedSize;
    info->CompressedSize = e.CompressedSize;
    info->Method = e.MethodIndex;
    info->Checksum = e.Checksum;
    info->HeaderOffset = static_cast<std::int32_t>(dataStart - static_cast<std::int64_t>(kEntryHeaderSize) - e.NameLength);
    info->Locked = e.Lock > 0;
    list.push_back(TEntryListItem{e.Name, std::move(info)});
    skipData(archive, dataStart, e.CompressedSize);
  }
}

void TCompress::ReleaseEntryList(TEntryList* list) {
  if (list) list->clear();
}

void TCompress::ExpandEntries(const std::string& archivePath, std::vector<std::string>* names) {
  platform::File archive = openArchive(archivePath);
  std::vector<std::string> written;
  const TArchiveHeader header = ReadArchiveHeader(archive);
  std::int32_t runningTotal = 0;
  TEntryHeader e;
  while (ReadEntryHeader(archive, e)) {
    if (!(runningTotal < header.TotalSize)) break;
    const std::int64_t dataStart = archive.position();

    if (names && std::none_of(names->begin(), names->end(),
                              [&](const std::string& n) { return platform::equalsIgnoreCase(n, e.Name); })) {
      skipData(archive, dataStart, e.CompressedSize);
      runningTotal = addWrapping(runningTotal, e.ExpandedSize);
      continue;
    }

    std::string target = !e.Name.empty() && e.Name[0] == '\\' ? e.Name : targetPath_ + e.Name;
    if (OnCheckFile) {
      OnCheckFile(target, TCProcessMode::Expand);
      if (target.empty()) {
        skipData(archive, dataStart, e.CompressedSize);
        continue;
      }
      if (target == "*") break;
    }

    if (FreeSpaceFor(target) < e.ExpandedSize) throw EInsufficientDiskSpace(target);
    if (MakeDirectories) ForceDirectoryPath(directoryPart(target));

    platform::File out = fs_.open(target, platform::Access::Write, platform::Share::None,
                                  platform::Disposition::CreateAlways);
    if (!out) {
      if (ExceptionOnFileError) throw EFCreateError(target);
      skipData(archive, dataStart, e.CompressedSize);
      continue;
    }

    try {
      ExpandEntryData(out, archive, e);
    } catch (const EInvalidKey&) {
      out.close();
      fs_.deleteFile(target);
      throw;
    } catch (...) {
      // The partly written file stays, with the entry's attributes.
      out.close();
      fs_.setAttributes(target, static_cast<std::uint16_t>(e.Attributes));
      throw;
    }
    const bool closed = out.close();
    // The date is the entry's (an invalid packed date leaves the file's own).
    fs_.setDosDateTime(target, static_cast<std::uint32_t>(e.DateTime));
    written.push_back(target);
    fs_.setAttributes(target, static_cast<std::uint16_t>(e.Attributes));
    if (!closed) throw EWriteError();

    // The decoder may stop before the last stored byte; the next entry starts after all of them.
    skipData(archive, dataStart, e.CompressedSize);
    runningTotal = addWrapping(runningTotal, e.ExpandedSize);
  }
  if (names) *names = std::move(written);
}

void TCompress::ExpandEntry(std::string& name, const std::string& archivePath) {
  std::vector<std::string> names{name};
  ExpandEntries(archivePath, &names);
  name = names.empty() ? std::string() : names.front();
}

void TCompress::ExpandEntryData(platform::File& target, platform::File& archive, const TEntryHeader& entry) {
  if (entry.MethodIndex != kMethodStored && entry.Lock > 0) throw EInvalidKey();
  std::uint32_t sum = 0;
  switch (entry.MethodIndex) {
    case kMethodStored: {
      std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[kBlock]);
      for (std::int64_t left = entry.CompressedSize; left > 0;) {
        const auto n = static_cast<std::size_t>(std::min<std::int64_t>(left, static_cast<std::int64_t>(kBlock)));
        if (archive.read(buffer.get(), n) != n) throw EReadError();
        if (target.write(buffer.get(), n) != n) throw EWriteError();
        left -= static_cast<std::int64_t>(n);
      }
      return;  // stored entries have no checksum test
    }
    case kMethodRle:
    case kMethodLzh:
    case kMethodLh5:
      sum = RunDecoder(target, archive, entry.MethodIndex, entry.ExpandedSize, entry.CompressedSize);
      break;
    case kMethodCustom:
      if (OnExpand) {
        std::int32_t checksum = 0;
        OnExpand(target, archive, entry.CompressedSize, entry.ExpandedSize, compressId_, checksum);
        sum = static_cast<std::uint32_t>(checksum);
      }
      break;
    default:
      break;  // unknown methods write nothing
  }
  if (sum != static_cast<std::uint32_t>(entry.Checksum)) throw EBadChecksum();
}

std::uint32_t TCompress::RunDecoder(platform::File& target, platform::File& archive, std::uint8_t method,
                                    std::int32_t expandedSize, std::int32_t compressedSize) {
  const std::function<void()> yield = [this] { yieldProcessor(); };
  ArchiveSource source(archive, compressedSize, OnShowProgress, yield);
  TargetSink sink(target, yield);
  switch (method) {
    case kMethodRle: ExpandRle(source, sink); break;
    case kMethodLzh: ExpandLzh(expandedSize, source, sink); break;
    case kMethodLh5: ExpandLh5(expandedSize, source, sink); break;
    default: break;
  }
  sink.finish();
  return sink.checksum();
}

std::int64_t TCompress::FreeSpaceFor(const std::string& targetPath) {
  if (!CheckSpaceBeforeExpand) return kNoLimit;
  const std::string upper = platform::toUpperAnsi(targetPath);
  const int drive = upper.size() >= 2 && upper[1] == ':' ? static_cast<unsigned char>(upper[0]) - 64 : 0;
  std::int64_t free = DiskFree(drive);
  // More free space than 32 bits hold is no limit either.
  if (free > kNoLimit) free = kNoLimit;
  if (free < 0) free = kNoLimit;
  if (free == kNoLimit) return free;
  const auto existing = fs_.isFile(targetPath) ? fs_.fileSize(targetPath) : std::nullopt;
  if (!existing) return free;
  return free + *existing;
}

std::int64_t TCompress::DiskFree(int drive) {
  std::string root;
  if (drive >= 1 && drive <= 26) {
    root = std::string(1, static_cast<char>('A' + drive - 1)) + ":\\";
  } else if (drive == 0) {
    root = fs_.currentDirectory();
  } else {
    return -1;
  }
  const auto space = fs_.freeSpace(root);
  if (!space) return -1;
  return static_cast<std::int64_t>(std::min<std::uint64_t>(space->freeBytes, std::uint64_t{1} << 62));
}

void TCompress::ForceDirectoryPath(const std::string& directory) {
  std::string dir = directory;
  if (!dir.empty() && dir.back() == '\\') dir.pop_back();
  if (dir.size() > 2 && !fs_.isDirectory(dir)) {
    ForceDirectoryPath(directoryPart(dir));
    if (!fs_.createDirectory(dir)) throw EInOutError(errno != 0 ? errno : EIO, "cannot create " + dir);
  }
}

}  // namespace setup
