#include "platform/registry/registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <system_error>

#include "platform/clock/clock.h"
#include "platform/registry/hive.h"
#include "platform/registry/wide_text.h"
#include "platform/text/ansi.h"

namespace platform {

using reghive::Hive;
using reghive::Key;
using reghive::WPath;

// --- root codes and names ------------------------------------------------------------------------

std::optional<RootKey> rootFromCode(int code) {
  switch (code) {
    case 2:
      return RootKey::ClassesRoot;
    case 3:
      return RootKey::CurrentUser;
    case 4:
      return RootKey::LocalMachine;
    case 5:
      return RootKey::Users;
    case 7:
      return RootKey::CurrentConfig;
    case 8:
      return RootKey::DynData;
    default:
      return std::nullopt;
  }
}

int rootCode(RootKey root) {
  switch (root) {
    case RootKey::ClassesRoot:
      return 2;
    case RootKey::CurrentUser:
      return 3;
    case RootKey::LocalMachine:
      return 4;
    case RootKey::Users:
      return 5;
    case RootKey::CurrentConfig:
      return 7;
    case RootKey::DynData:
      return 8;
  }
  return 0;
}

std::string_view rootName(RootKey root) {
  switch (root) {
    case RootKey::ClassesRoot:
      return "HKEY_CLASSES_ROOT";
    case RootKey::CurrentUser:
      return "HKEY_CURRENT_USER";
    case RootKey::LocalMachine:
      return "HKEY_LOCAL_MACHINE";
    case RootKey::Users:
      return "HKEY_USERS";
    case RootKey::CurrentConfig:
      return "HKEY_CURRENT_CONFIG";
    case RootKey::DynData:
      return "HKEY_DYN_DATA";
  }
  return "";
}

std::optional<RootKey> rootFromName(std::string_view name) {
  static const std::pair<std::string_view, RootKey> shortNames[] = {
      {"HKCR", RootKey::ClassesRoot}, {"HKCU", RootKey::CurrentUser},   {"HKLM", RootKey::LocalMachine},
      {"HKU", RootKey::Users},        {"HKCC", RootKey::CurrentConfig}, {"HKDD", RootKey::DynData}};
  for (const auto& [s, r] : shortNames) {
    if (equalsIgnoreCase(name, s) || equalsIgnoreCase(name, rootName(r))) return r;
  }
  return std::nullopt;
}

// --- values --------------------------------------------------------------------------------------

RegistryValue RegistryValue::fromString(std::string_view ansi, std::uint32_t type) {
  return {type, regtext::toLeBytes(regtext::fromAnsi(ansi)) + std::string(2, '\0')};
}

RegistryValue RegistryValue::fromMultiString(const std::vector<std::string>& ansi) {
  std::string data;
  for (const auto& s : ansi) data += regtext::toLeBytes(regtext::fromAnsi(s)) + std::string(2, '\0');
  data += std::string(2, '\0');
  return {regtype::MultiSz, data};
}

RegistryValue RegistryValue::fromDword(std::uint32_t v) {
  return {regtype::Dword, std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                                      static_cast<char>((v >> 16) & 0xFF), static_cast<char>(v >> 24)}};
}

RegistryValue RegistryValue::fromBinary(std::string_view bytes, std::uint32_t type) {
  return {type, std::string(bytes)};
}

std::optional<std::string> RegistryValue::asString() const {
  if (type != regtype::Sz && type != regtype::ExpandSz) return std::nullopt;
  std::u16string w = regtext::fromLeBytes(data);
  // Text ends at the first NUL, as programs reading it see it.
  if (auto nul = w.find(u'\0'); nul != std::u16string::npos) w.resize(nul);
  return regtext::toAnsi(w);
}

std::optional<std::uint32_t> RegistryValue::asDword() const {
  if (type != regtype::Dword || data.size() != 4) return std::nullopt;
  return static_cast<std::uint32_t>(static_cast<unsigned char>(data[0]) |
                                    (static_cast<unsigned char>(data[1]) << 8) |
                                    (static_cast<unsigned char>(data[2]) << 16)) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(data[3])) << 24);
}

std::optional<std::vector<std::string>> RegistryValue::asMultiString() const {
  if (type != regtype::MultiSz) return std::nullopt;
  std::vector<std::string> out;
  std::u16string w = regtext::fromLeBytes(data);
  std::size_t pos = 0;
  while (pos < w.size()) {
    std::size_t end = w.find(u'\0', pos);
    if (end == pos) break;  // the empty string that ends the list
    if (end == std::u16string::npos) end = w.size();
    out.push_back(regtext::toAnsi(std::u16string_view(w).substr(pos, end - pos)));
    pos = end + 1;
  }
  return out;
}

// --- the registry --------------------------------------------------------------------------------

namespace {

constexpr std::u16string_view kDefaultUserSid = u"S-1-5-21-0-0-0-1000";

std::system_error ioError(int err, const std::filesystem::path& file, const char* what) {
  return std::system_error(err, std::generic_category(), std::string(what) + " " + file.string());
}

// Which file a hive was read from or written to: a save by anybody replaces the file (new
// inode) or at least changes its size or time, so an equal identity means nobody wrote since.
struct FileId {
  bool exists = false;
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  std::int64_t mtimeNs = 0;
  bool operator==(const FileId&) const = default;
};

FileId idOf(const struct stat& st) {
  return {true, st.st_dev, st.st_ino, st.st_size,
          static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

FileId currentId(const std::filesystem::path& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return {};
  return idOf(st);
}

std::optional<std::string> readWhole(const std::filesystem::path& file, FileId& id) {
  id = {};
  int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return std::nullopt;
    throw ioError(errno, file, "cannot open");
  }
  struct stat st {};
  if (::fstat(fd, &st) == 0) id = idOf(st);
  std::string text;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int err = errno;
      ::close(fd);
      throw ioError(err, file, "cannot read");
    }
    if (n == 0) break;
    text.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return text;
}

void writeAll(int fd, const std::string& text, const std::filesystem::path& file) {
  std::size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw ioError(n < 0 ? errno : EIO, file, "cannot write");
    done += static_cast<std::size_t>(n);
  }
}

WPath splitApiPath(std::string_view path) {
  WPath out;
  std::size_t pos = 0;
  while (pos <= path.size()) {
    std::size_t end = path.find('\\', pos);
    if (end == std::string_view::npos) end = path.size();
    if (end > pos) out.push_back(regtext::fromAnsi(path.substr(pos, end - pos)));
    pos = end + 1;
  }
  return out;
}

// A change, kept until it reached the file so that it can be applied again to a hive that
// another process saved in the meantime.
struct Change {
  enum Kind { CreateKey, DeleteKey, SetValue, DeleteValue } kind;
  WPath path;
  std::u16string name;
  RegistryValue value;
  std::uint64_t when;
};

void apply(Hive& hive, const Change& c) {
  switch (c.kind) {
    case Change::CreateKey:
      hive.create(c.path, c.when);
      break;
    case Change::DeleteKey:
      hive.remove(c.path, c.when);
      break;
    case Change::SetValue:
      if (Key* k = hive.create(c.path, c.when)) Hive::setValue(*k, c.name, c.value, c.when);
      break;
    case Change::DeleteValue:
      if (Key* k = hive.find(c.path)) Hive::deleteValue(*k, c.name, c.when);
      break;
  }
}

class LockFile {
 public:
  explicit LockFile(const std::filesystem::path& hive) {
    std::filesystem::path p = hive;
    p += ".lock";
    fd_ = ::open(p.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0) throw ioError(errno, p, "cannot open lock");
    while (::flock(fd_, LOCK_EX) != 0) {
      if (errno != EINTR) {
        int err = errno;
        ::close(fd_);
        throw ioError(err, p, "cannot lock");
      }
    }
  }
  ~LockFile() { ::close(fd_); }  // closing releases the lock
  LockFile(const LockFile&) = delete;
  LockFile& operator=(const LockFile&) = delete;

 private:
  int fd_ = -1;
};

struct Slot {
  std::filesystem::path file;  // empty: volatile, never saved
  std::u16string base;
  Hive hive;
  FileId seen;  // the file `hive` was last read from or written to
  std::vector<Change> pending;
};

}  // namespace

struct Registry::Impl {
  std::filesystem::path folder;
  RegistryOptions options;
  Slot machine, user, userDefault, dyn;
  std::u16string userSid{kDefaultUserSid};

  std::uint64_t now() const {
    std::int64_t secs =
        options.clock ? options.clock->wallSeconds() : static_cast<std::int64_t>(std::time(nullptr));
    return reghive::fileTimeFromUnix(secs);
  }

  Hive loadHive(const Slot& s, FileId& id) const {
    id = {};
    if (s.file.empty()) return Hive(Hive::defaultPreamble(s.base));
    auto text = readWhole(s.file, id);
    if (!text) return Hive(Hive::defaultPreamble(s.base));
    return Hive::parse(*text);
  }

  void load(Slot& s) {
    FileId id;
    Hive fresh = loadHive(s, id);
    for (const auto& c : s.pending) apply(fresh, c);
    s.hive = std::move(fresh);
    s.seen = id;
  }

  // Where a root and path live: the hive and the path inside it. Nothing for places no hive
  // holds (HKEY_USERS itself, and users other than .Default and the current one).
  struct Place {
    Slot* slot;
    WPath path;
  };
  std::optional<Place> place(RootKey root, std::string_view path) {
    WPath p = splitApiPath(path);
    auto prefixed = [&](Slot& s, std::initializer_list<std::u16string_view> prefix) {
      WPath full(prefix.begin(), prefix.end());
      full.insert(full.end(), p.begin(), p.end());
      return Place{&s, std::move(full)};
    };
    switch (root) {
      case RootKey::LocalMachine:
        return Place{&machine, p};
      case RootKey::ClassesRoot:
        return prefixed(machine, {u"Software", u"Classes"});
      case RootKey::CurrentConfig:
        return prefixed(machine, {u"System", u"CurrentControlSet", u"Hardware Profiles", u"Current"});
      case RootKey::CurrentUser:
        return Place{&user, p};
      case RootKey::DynData:
        return Place{&dyn, p};
      case RootKey::Users: {
        if (p.empty()) return std::nullopt;
        Slot* s = regtext::equalFolded(p[0], u".Default") ? &userDefault
                  : regtext::equalFolded(p[0], userSid)   ? &user
                                                          : nullptr;
        if (!s) return std::nullopt;
        p.erase(p.begin());
        return Place{s, p};
      }
    }
    return std::nullopt;
  }

  const Key* findKey(RootKey root, std::string_view path) {
    auto pl = place(root, path);
    return pl ? pl->slot->hive.find(pl->path) : nullptr;
  }

  void record(Slot& s, Change c) {
    if (!s.file.empty()) s.pending.push_back(std::move(c));
  }

  void saveSlot(Slot& s) {
    if (s.file.empty() || s.pending.empty()) return;
    LockFile lock(s.file);
    // Start from what is on disk now, other processes' saves included. When nobody wrote since
    // this object read the file, that is its own hive with the changes already applied.
    std::optional<Hive> fresh;
    if (currentId(s.file) != s.seen) {
      FileId ignored;
      fresh = loadHive(s, ignored);
      for (const auto& c : s.pending) apply(*fresh, c);
    }
    Hive& result = fresh ? *fresh : s.hive;
    const std::string text = result.serialize();
    std::filesystem::path tmp = s.file;
    tmp += ".tmp";  // one writer at a time holds the lock, so one name serves
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) throw ioError(errno, tmp, "cannot create");
    struct stat old {};
    if (::stat(s.file.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);  // the hive keeps its mode
    try {
      writeAll(fd, text, tmp);
      if (::fsync(fd) != 0) throw ioError(errno, tmp, "cannot sync");
    } catch (...) {
      ::close(fd);
      ::unlink(tmp.c_str());
      throw;
    }
    struct stat written {};
    FileId writtenId = ::fstat(fd, &written) == 0 ? idOf(written) : FileId{};
    if (::close(fd) != 0) {
      int err = errno;
      ::unlink(tmp.c_str());
      throw ioError(err, tmp, "cannot write");
    }
    if (options.beforeRename) options.beforeRename(s.file, tmp);
    if (::rename(tmp.c_str(), s.file.c_str()) != 0) {
      int err = errno;
      ::unlink(tmp.c_str());
      throw ioError(err, s.file, "cannot replace");
    }
    std::filesystem::path dir = s.file.parent_path();
    int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
      ::fsync(dfd);
      ::close(dfd);
    }
    if (fresh) s.hive = std::move(*fresh);
    s.seen = writtenId;  // rename keeps the inode, size and time of the file written
    s.pending.clear();
  }
};

Registry::Registry(std::filesystem::path rootFolder, RegistryOptions options)
    : impl_(std::make_unique<Impl>()) {
  Impl& m = *impl_;
  m.folder = std::move(rootFolder);
  m.options = std::move(options);
  m.machine.file = m.folder / "system.reg";
  m.machine.base = u"\\Machine";
  m.user.file = m.folder / "user.reg";
  m.userDefault.file = m.folder / "userdef.reg";
  m.userDefault.base = u"\\User\\.Default";
  m.dyn.base = u"\\DynData";
  m.load(m.machine);
  m.load(m.userDefault);
  // The current user's SID is the one user.reg says it is relative to.
  m.user.base = u"\\User\\" + std::u16string(kDefaultUserSid);
  m.load(m.user);
  WPath b = m.user.hive.base();
  if (b.size() == 2 && regtext::equalFolded(b[0], u"User")) m.userSid = b[1];
  m.user.base = u"\\User\\" + m.userSid;
  m.load(m.dyn);
}

Registry::~Registry() {
  if (!modified()) return;
  try {
    save();
  } catch (...) {
    // Nobody is left to tell; the hives on disk are whole either way.
  }
}

const std::filesystem::path& Registry::rootFolder() const {
  return impl_->folder;
}

bool Registry::keyExists(RootKey root, std::string_view path) const {
  if (root == RootKey::Users && splitApiPath(path).empty()) return true;
  return impl_->findKey(root, path) != nullptr;
}

bool Registry::createKey(RootKey root, std::string_view path) {
  auto pl = impl_->place(root, path);
  if (!pl) return false;
  std::uint64_t when = impl_->now();
  if (!pl->slot->hive.create(pl->path, when)) return false;
  impl_->record(*pl->slot, {Change::CreateKey, pl->path, {}, {}, when});
  return true;
}

bool Registry::deleteKey(RootKey root, std::string_view path) {
  auto pl = impl_->place(root, path);
  if (!pl) return false;
  // The roots themselves are not keys of their own to delete (HKCR and HKCC included).
  if (splitApiPath(path).empty()) return false;
  std::uint64_t when = impl_->now();
  if (!pl->slot->hive.remove(pl->path, when)) return false;
  impl_->record(*pl->slot, {Change::DeleteKey, pl->path, {}, {}, when});
  return true;
}

std::vector<std::string> Registry::subkeyNames(RootKey root, std::string_view path) const {
  std::vector<std::string> out;
  if (root == RootKey::Users && splitApiPath(path).empty()) {
    out.push_back(".Default");
    out.push_back(regtext::toAnsi(impl_->userSid));
    return out;
  }
  if (const Key* k = impl_->findKey(root, path)) {
    for (const auto& c : k->children) out.push_back(regtext::toAnsi(c->name));
  }
  return out;
}

std::vector<std::string> Registry::valueNames(RootKey root, std::string_view path) const {
  std::vector<std::string> out;
  if (const Key* k = impl_->findKey(root, path)) {
    for (const auto& e : k->entries) {
      if (e.isValue) out.push_back(regtext::toAnsi(e.value.name));
    }
  }
  return out;
}

std::optional<RegistryValue> Registry::readValue(RootKey root, std::string_view path,
                                                 std::string_view name) const {
  const Key* k = impl_->findKey(root, path);
  if (!k) return std::nullopt;
  const reghive::Value* v = k->findValue(regtext::fromAnsi(name));
  if (!v) return std::nullopt;
  return v->data;
}

std::optional<std::string> Registry::readString(RootKey root, std::string_view path,
                                                std::string_view name) const {
  auto v = readValue(root, path, name);
  return v ? v->asString() : std::nullopt;
}

std::optional<std::uint32_t> Registry::readDword(RootKey root, std::string_view path,
                                                 std::string_view name) const {
  auto v = readValue(root, path, name);
  return v ? v->asDword() : std::nullopt;
}

bool Registry::writeValue(RootKey root, std::string_view path, std::string_view name,
                          const RegistryValue& value) {
  auto pl = impl_->place(root, path);
  if (!pl) return false;
  std::uint64_t when = impl_->now();
  Key* k = pl->slot->hive.create(pl->path, when);
  if (!k) return false;
  std::u16string wname = regtext::fromAnsi(name);
  Hive::setValue(*k, wname, value, when);
  impl_->record(*pl->slot, {Change::SetValue, pl->path, wname, value, when});
  return true;
}

bool Registry::writeString(RootKey root, std::string_view path, std::string_view name,
                           std::string_view ansi) {
  return writeValue(root, path, name, RegistryValue::fromString(ansi));
}

bool Registry::writeDword(RootKey root, std::string_view path, std::string_view name, std::uint32_t value) {
  return writeValue(root, path, name, RegistryValue::fromDword(value));
}

bool Registry::deleteValue(RootKey root, std::string_view path, std::string_view name) {
  auto pl = impl_->place(root, path);
  if (!pl) return false;
  Key* k = pl->slot->hive.find(pl->path);
  std::u16string wname = regtext::fromAnsi(name);
  std::uint64_t when = impl_->now();
  if (!k || !Hive::deleteValue(*k, wname, when)) return false;
  impl_->record(*pl->slot, {Change::DeleteValue, pl->path, wname, {}, when});
  return true;
}

bool Registry::modified() const {
  return !impl_->machine.pending.empty() || !impl_->user.pending.empty() ||
         !impl_->userDefault.pending.empty();
}

void Registry::save() {
  impl_->saveSlot(impl_->machine);
  impl_->saveSlot(impl_->user);
  impl_->saveSlot(impl_->userDefault);
}

void Registry::reload() {
  impl_->load(impl_->machine);
  impl_->load(impl_->user);
  impl_->load(impl_->userDefault);
}

}  // namespace platform
