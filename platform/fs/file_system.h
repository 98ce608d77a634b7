// Windows-style files over a system root. Every path given to or returned by this class is a
// Windows path in ANSI (code page 1252): "C:\windows\system32\x.dll", "\\SERVER\SHARE\a.txt",
// "D:\setup.inf". Host names are UTF-8.
//
// Path mapping:
// - "X:" goes through ROOT/dosdevices/x: (letter case does not matter), "\\SERVER\SHARE" through
//   ROOT/dosdevices/unc/SERVER/SHARE (matched without regard to case); "\\?\X:\..." is taken as "X:\...".
// - "/" is a separator too; "." and ".." are resolved lexically and never climb above the drive root.
// - Each component is matched against what exists without regard to case, an exact match first;
//   components that do not exist are kept as given (a file or folder about to be created).
// - A path without a drive is taken relative to the current folder ("C:\" unless changed), "\x" is
//   on the current drive, "C:x" relative to the current folder when that is on C:.
// - Trailing dots and spaces of a name are dropped, as Windows drops them ("a.txt." is "a.txt").
// - Rejected (no host path): unknown drives, "\\.\" device paths, device names as a component
//   (CON, PRN, AUX, NUL, COM1-9, LPT1-9, CONIN$, CONOUT$, with or without an extension), embedded
//   NUL, the characters < > " | ? * : and control characters inside names, components longer than
//   255 bytes (in UTF-8), names of dots or spaces only, and paths longer than 32767 characters.
// Symlinks that exist inside a drive are followed by the host, as Wine does; nothing in this class
// creates one, except the drive links of mapMedium.
//
// Failures are reported by the return value (false, nothing, an empty string); nothing throws.
#pragma once

#include "platform/fs/file.h"
#include "platform/fs/pe_version.h"
#include "platform/fs/system_root.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Windows attribute bits.
enum FileAttribute : std::uint32_t {
  kAttrReadOnly = 0x01,
  kAttrHidden = 0x02,
  kAttrSystem = 0x04,
  kAttrDirectory = 0x10,
  kAttrArchive = 0x20,
};

struct DirEntry {
  std::string name;              // ANSI
  std::uint32_t attributes = 0;  // FileAttribute bits
  std::int64_t size = 0;         // 0 for folders
  std::uint32_t dosDateTime = 0;
};

// Free space in the shape GetDiskFreeSpace reports it. Counts above 32 bits are capped.
struct DiskFreeSpace {
  std::uint32_t sectorsPerCluster = 0;
  std::uint32_t bytesPerSector = 0;
  std::uint32_t freeClusters = 0;
  std::uint32_t totalClusters = 0;
  std::uint64_t freeBytes = 0;   // exact figures, not capped
  std::uint64_t totalBytes = 0;
};

// DOS packed date and time (date << 16 | time), local time, two-second resolution.
struct DosDateTime {
  static constexpr std::uint32_t kMin = (0u << 25 | 1u << 21 | 1u << 16);  // 1980-01-01 00:00:00
  // Packs the fields; nothing when a field is out of range (year 1980..2107).
  static std::optional<std::uint32_t> pack(int year, int month, int day, int hour, int minute, int second);
  // Host time (seconds since 1970, UTC) to DOS local time; times before 1980 give kMin, times after
  // 2107 the last representable second.
  static std::uint32_t fromUnix(std::int64_t seconds);
  // DOS local time to host time; nothing when the packed value is not a valid date and time.
  static std::optional<std::int64_t> toUnix(std::uint32_t dos);
};

class ShareTable;

class FileSystem {
 public:
  explicit FileSystem(SystemRoot& root);
  ~FileSystem();
  FileSystem(const FileSystem&) = delete;
  FileSystem& operator=(const FileSystem&) = delete;

  SystemRoot& root() { return root_; }

  // ---- paths ----
  // The host path of a Windows path, or nothing when the path is rejected (see above).
  std::optional<std::filesystem::path> toHost(std::string_view winPath) const;
  // The Windows path of a host path: the drive whose target holds it (the longest target wins),
  // or nothing when no drive does.
  std::optional<std::string> toWindows(const std::filesystem::path& hostPath) const;
  // The Windows path with "." and ".." resolved, "/" turned into "\", the drive letter upper-cased
  // and existing components spelled as they are on disk; nothing when rejected.
  std::optional<std::string> normalize(std::string_view winPath) const;
  // Maps a host folder as a drive of its own (the first free letter from D: on) unless a drive
  // already holds it; returns its Windows path ("D:\" for a new drive), empty when the folder does
  // not exist or no letter is free. The drive link stays in the root; a letter whose folder has
  // gone counts as free.
  std::string mapMedium(const std::filesystem::path& hostDir);
  // The drive letters present (upper-case, sorted).
  std::vector<char> drives() const;
  bool hasDrive(char letter) const;
  // The volume label of a drive as Wine keeps it (the first line of ".windows-label" in the drive's
  // root folder); empty when there is none or no such drive.
  std::string volumeLabel(char letter) const;

  // The current folder, for paths without a drive.
  const std::string& currentDirectory() const { return currentDir_; }
  bool setCurrentDirectory(std::string_view winPath);

  // ---- queries ----
  bool exists(std::string_view winPath) const;
  bool isFile(std::string_view winPath) const;
  bool isDirectory(std::string_view winPath) const;
  std::optional<std::int64_t> fileSize(std::string_view winPath) const;
  // The entries of a folder (no "." and ".."), sorted by name without regard to case. Host names
  // that no Windows path can reach are left out (characters outside the code page or forbidden in
  // Windows names, device names, a trailing dot or space).
  std::optional<std::vector<DirEntry>> listDirectory(std::string_view winPath) const;
  // The entries of a folder whose names match the wildcards of the last component, as FindFirstFile
  // matches them: "*" any run, "?" one character, without regard to case; "*.*" matches every
  // name and "name.*" also matches "name" without an extension. Nothing when the folder is missing.
  std::optional<std::vector<DirEntry>> findFiles(std::string_view pattern) const;
  // The wildcard test findFiles uses.
  static bool matchesWildcard(std::string_view pattern, std::string_view name);

  // ---- folders and files ----
  bool createDirectory(std::string_view winPath);
  // Creates the folder and every missing parent; true when it exists afterwards.
  bool forceDirectories(std::string_view winPath);
  bool removeDirectory(std::string_view winPath);  // only an empty folder
  // Fails for a folder, a read-only file, a file another process locks and a file open in this
  // process (no open here shares deletion).
  bool deleteFile(std::string_view winPath);
  // Moves a file or folder; fails when the target exists or the source file is locked or open. A
  // change of case only is allowed. Between host file systems a file is copied and then removed.
  bool rename(std::string_view from, std::string_view to);
  // Copies contents, attributes and modification time. With failIfExists an existing target is an
  // error; otherwise it is replaced unless it is read-only or in use.
  bool copyFile(std::string_view from, std::string_view to, bool failIfExists);

  // Opens a file. Fails (closed File) for a rejected path, a folder, a sharing conflict with an open
  // held in this process, a write open of a read-only file or of a file in use.
  File open(std::string_view winPath, Access access, Share share, Disposition disposition);
  File openRead(std::string_view winPath, Share share = Share::Read) {
    return open(winPath, Access::Read, share, Disposition::OpenExisting);
  }
  File create(std::string_view winPath, Share share = Share::Read) {
    return open(winPath, Access::Write, share, Disposition::CreateAlways);
  }

  // ---- attributes and dates ----
  // Read-only is the host's owner write permission; hidden, system and archive are kept in the
  // user.DOSATTRIB extended attribute as Wine and Samba write it ("0x22"). Without that attribute a
  // file reports archive and a folder nothing more than the directory bit.
  std::optional<std::uint32_t> attributes(std::string_view winPath) const;
  // Sets read-only (files only; a folder keeps its permissions), hidden, system and archive. Where the
  // host file system has no extended attributes, only read-only takes effect, without an error.
  bool setAttributes(std::string_view winPath, std::uint32_t attrs);
  // The modification time as DOS local date and time.
  std::optional<std::uint32_t> dosDateTime(std::string_view winPath) const;
  bool setDosDateTime(std::string_view winPath, std::uint32_t dos);

  // ---- the rest the installer asks ----
  // Free space of the drive a path is on ("C:\", "C:\dir", "\\SERVER\SHARE\"), from statvfs.
  std::optional<DiskFreeSpace> freeSpace(std::string_view winPath) const;
  // True when another process holds a POSIX lock (fcntl, OFD or flock) on the file, when a program
  // runs from it (the host says "text busy"), or when this process holds it open without shared
  // write. A missing file or a folder is not in use.
  bool isInUse(std::string_view winPath) const;
  // The file version of a PE image; -1/-1 when there is none or the file cannot be read.
  FileVersion versionInfo(std::string_view winPath) const;
  // The short (8.3) form: the host has none, so the path comes back unchanged.
  std::string shortName(std::string_view winPath) const { return std::string(winPath); }

 private:
  struct Resolved;
  std::optional<Resolved> resolve(std::string_view winPath) const;
  std::optional<std::filesystem::path> driveTarget(char letter) const;
  std::optional<std::filesystem::path> uncTarget(std::string_view server, std::string_view share) const;

  SystemRoot& root_;
  std::shared_ptr<ShareTable> shares_;
  std::string currentDir_ = "C:\\";
};

}  // namespace platform
