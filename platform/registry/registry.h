// The registry of a system root, kept in Wine's text hive format so that Wine can read what we
// write and a Wine prefix can serve as a root:
//   ROOT/system.reg   HKEY_LOCAL_MACHINE
//   ROOT/user.reg     HKEY_CURRENT_USER (also HKEY_USERS\<the user's SID>)
//   ROOT/userdef.reg  HKEY_USERS\.Default
// HKEY_CLASSES_ROOT is HKLM\Software\Classes, HKEY_CURRENT_CONFIG is
// HKLM\System\CurrentControlSet\Hardware Profiles\Current, HKEY_DYN_DATA lives in memory only.
//
// Key and value names compare without regard to case; a name keeps the spelling it was first
// written with. Wine's symbolic-link keys ("#link" with a SymbolicLinkValue, as Wine keeps
// Software\Classes\Wow6432Node) are followed within a hive. Paths use "\" and may begin with
// one. Text crosses this interface as ANSI (code page 1252; a character without an ANSI form reads
// as '?'); the hives hold UTF-16 as Windows does, so values of types this class only keeps, and
// text that has no ANSI form, survive a load and save unchanged.
//
// Changes stay in memory until save() (the destructor saves what is left, swallowing errors, so
// a caller that must learn of a failure calls save() itself). save() is atomic per hive
// (temporary file beside, fsync, rename) and runs under an flock on "<hive>.lock"; it re-reads
// the hive under the lock and applies this object's changes to what it finds, so two processes
// writing different keys never lose each other's writes (for the same value the later save wins).
// There is no 32-bit/64-bit redirection: HKLM\Software is the one Software key of the hive.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class Clock;

enum class RootKey { ClassesRoot, CurrentUser, LocalMachine, Users, CurrentConfig, DynData };

// The installer's numeric root codes: 2 HKCR, 3 HKCU, 4 HKLM, 5 HKU, 7 HKCC, 8 HKEY_DYN_DATA;
// every other code names no root.
std::optional<RootKey> rootFromCode(int code);
int rootCode(RootKey root);
// "HKEY_LOCAL_MACHINE" and so on.
std::string_view rootName(RootKey root);
// Accepts the long names and the short forms HKCR, HKCU, HKLM, HKU, HKCC, HKDD (any case).
std::optional<RootKey> rootFromName(std::string_view name);

// Value types as Windows numbers them.
namespace regtype {
inline constexpr std::uint32_t None = 0;
inline constexpr std::uint32_t Sz = 1;
inline constexpr std::uint32_t ExpandSz = 2;
inline constexpr std::uint32_t Binary = 3;
inline constexpr std::uint32_t Dword = 4;
inline constexpr std::uint32_t DwordBigEndian = 5;
inline constexpr std::uint32_t Link = 6;
inline constexpr std::uint32_t MultiSz = 7;
inline constexpr std::uint32_t Qword = 11;
}  // namespace regtype

// A value as Windows stores it: the type and the raw data bytes (strings as UTF-16LE with their
// terminating NUL, a DWORD as 4 little-endian bytes).
struct RegistryValue {
  std::uint32_t type = regtype::None;
  std::string data;

  static RegistryValue fromString(std::string_view ansi, std::uint32_t type = regtype::Sz);
  static RegistryValue fromMultiString(const std::vector<std::string>& ansi);
  static RegistryValue fromDword(std::uint32_t v);
  static RegistryValue fromBinary(std::string_view bytes, std::uint32_t type = regtype::Binary);

  // REG_SZ / REG_EXPAND_SZ (unexpanded) as ANSI, nothing for other types.
  std::optional<std::string> asString() const;
  // REG_DWORD (4 bytes) as a number, nothing for other types.
  std::optional<std::uint32_t> asDword() const;
  // REG_MULTI_SZ as its ANSI strings.
  std::optional<std::vector<std::string>> asMultiString() const;
  bool operator==(const RegistryValue&) const = default;
};

struct RegistryOptions {
  // Calendar time for key modification stamps; nullptr uses the host's clock.
  const Clock* clock = nullptr;
  // Test hook: called during save() after the temporary file is written and synced, right
  // before it is renamed over the hive. Receives the hive and the temporary file.
  std::function<void(const std::filesystem::path& hive, const std::filesystem::path& temp)> beforeRename;
};

class Registry {
 public:
  // Loads the hives found in `rootFolder`; missing hives start empty (save() creates them).
  // Unreadable hives throw std::system_error; malformed lines never do (they are kept as they are).
  explicit Registry(std::filesystem::path rootFolder, RegistryOptions options = {});
  ~Registry();
  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;

  const std::filesystem::path& rootFolder() const;

  // --- keys ------------------------------------------------------------------------------
  bool keyExists(RootKey root, std::string_view path) const;
  // Creates the key and its missing parents; false where the root cannot hold it (for example
  // HKEY_USERS\<an unknown user>, or an empty path under HKEY_USERS).
  bool createKey(RootKey root, std::string_view path);
  // Deletes the key with all its subkeys and values; false when it did not exist or is a root.
  bool deleteKey(RootKey root, std::string_view path);
  // Names of the subkeys and of the values of a key (in stored order); empty when it is missing.
  std::vector<std::string> subkeyNames(RootKey root, std::string_view path) const;
  // The default value has the empty name.
  std::vector<std::string> valueNames(RootKey root, std::string_view path) const;

  // --- values (empty name = the key's default value) -----------------------------------------
  std::optional<RegistryValue> readValue(RootKey root, std::string_view path, std::string_view name) const;
  // REG_SZ and REG_EXPAND_SZ as ANSI; nothing when the key or value is missing or of another type.
  std::optional<std::string> readString(RootKey root, std::string_view path, std::string_view name) const;
  std::optional<std::uint32_t> readDword(RootKey root, std::string_view path, std::string_view name) const;
  // Create the key when needed and store the value; false where createKey() would fail.
  bool writeValue(RootKey root, std::string_view path, std::string_view name, const RegistryValue& value);
  bool writeString(RootKey root, std::string_view path, std::string_view name, std::string_view ansi);
  bool writeDword(RootKey root, std::string_view path, std::string_view name, std::uint32_t value);
  // False when the key or the value did not exist.
  bool deleteValue(RootKey root, std::string_view path, std::string_view name);

  // --- persistence ---------------------------------------------------------------------------
  // Whether there are changes not yet saved.
  bool modified() const;
  // Writes every hive this object changed (see the file comment). Throws std::system_error.
  void save();
  // Re-reads the hives from disk, keeping this object's unsaved changes on top.
  void reload();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform
