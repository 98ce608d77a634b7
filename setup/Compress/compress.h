// TCompress: the archive reader component. It lists the entries of an archive file and expands
// all or named entries into files, checking each entry's checksum and reporting progress through
// its events. Each call opens and closes its own archive stream; nothing is kept between calls.
//
// Paths are Windows paths (ANSI) resolved through platform::FileSystem. Errors are raised as the
// exception classes of compress_errors.h.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/fs/file_system.h"
#include "platform/ui/message_box.h"
#include "setup/Compress/archive_format.h"

namespace setup {

enum class TCProcessMode : int { Compress = 0, Expand = 1 };

struct TCompressedFileInfo {
  std::int32_t FileDate = 0;
  std::int16_t Attributes = 0;
  std::int32_t ExpandedSize = 0;
  std::int32_t CompressedSize = 0;
  std::uint8_t Method = 0;
  std::int32_t Checksum = 0;
  std::int32_t HeaderOffset = 0;  // stream offset of the entry header
  bool Locked = false;
};

// An entry list: entry names with their info objects attached, in archive order. The caller
// owns it; ReleaseEntryList frees the objects and clears it.
struct TEntryListItem {
  std::string Name;
  std::unique_ptr<TCompressedFileInfo> Info;
};
using TEntryList = std::vector<TEntryListItem>;

using TFilenameCheckEvent = std::function<void(std::string& filepath, TCProcessMode mode)>;
using TShowProgressEvent = std::function<void(int& PercentageDone)>;
// Expands a method-3 entry: write Destsize bytes to dest from Sourcesize stored bytes of source
// (positioned at the entry data) and store the byte sum of what was written in checksum.
using TExpandEvent = std::function<void(platform::File& dest, platform::File& source, std::int32_t Sourcesize,
                                        std::int32_t Destsize, const std::string& CompressID,
                                        std::int32_t& checksum)>;
using TRecognizeEvent = std::function<void(const std::string& CompressID, bool& recognized)>;
// Writer side; the reader never calls it.
using TCompressEvent = std::function<void(platform::File& dest, platform::File& source, std::string& CompressID,
                                          std::int32_t& Outputsize, std::int32_t& checksum)>;

class TCompress {
 public:
  // `pump` is the message queue the expansion yields to once per input and output block; none
  // means nothing to yield to.
  explicit TCompress(platform::FileSystem& fs, platform::MessagePump* pump = nullptr);

  // ---- published properties and events ----
  TCompressEvent OnCompress;
  TExpandEvent OnExpand;
  TFilenameCheckEvent OnCheckFile;
  TRecognizeEvent OnRecognize;
  TShowProgressEvent OnShowProgress;
  const std::string& TargetPath() const { return targetPath_; }
  // Appends a backslash to a non-empty value that does not end with one.
  void SetTargetPath(const std::string& value);
  bool MakeDirectories = false;
  bool ExceptionOnFileError = false;
  std::int32_t Key = 0;
  bool CheckSpaceBeforeExpand = false;

  // ---- operations ----
  // Appends one item per entry to `list` (not cleared first).
  void ListEntries(const std::string& archivePath, TEntryList& list);
  static void ReleaseEntryList(TEntryList* list);
  // Expands the entries named in `names` (case-insensitive), or all when `names` is null. On
  // normal return `names` holds the full paths of the written files, in archive order.
  void ExpandEntries(const std::string& archivePath, std::vector<std::string>* names = nullptr);
  // Expands one entry; `name` becomes the written path, or empty when nothing was written.
  void ExpandEntry(std::string& name, const std::string& archivePath);

  // ---- steps of the operations ----
  TArchiveHeader ReadArchiveHeader(platform::File& archive);
  std::uint8_t MethodIndexOf(const std::string& id);
  // False when the header or the name cannot be read in full (the scan ends there).
  bool ReadEntryHeader(platform::File& archive, TEntryHeader& entry);
  void ExpandEntryData(platform::File& target, platform::File& archive, const TEntryHeader& entry);
  // Runs decoder 1, 2 or 4 between the archive's stored bytes and the target; returns the byte
  // sum of everything written.
  std::uint32_t RunDecoder(platform::File& target, platform::File& archive, std::uint8_t method,
                           std::int32_t expandedSize, std::int32_t compressedSize);
  std::int64_t FreeSpaceFor(const std::string& targetPath);
  void ForceDirectoryPath(const std::string& directory);

  virtual ~TCompress() = default;

 protected:
  // Free bytes on drive 1 = A:, 2 = B:, ... or 0 = the current drive; negative when unknown.
  virtual std::int64_t DiskFree(int drive);

 private:
  platform::File openArchive(const std::string& path);
  void yieldProcessor();

  platform::FileSystem& fs_;
  platform::MessagePump* pump_;
  std::string targetPath_;
  std::string compressId_;  // identifier of the archive being read
};

}  // namespace setup
