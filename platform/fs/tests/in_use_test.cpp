// Locks held by another process, as a running program or an open editor holds them.
#include "platform/fs/file_system.h"
#include "platform/fs/tests/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

enum class LockKind { FcntlWrite, FcntlRead, FcntlRange, OfdWrite, FlockExclusive, FlockShared };

// A child process that takes a lock on a file, reports it and releases it when told to.
class LockHolder {
 public:
  LockHolder(const fs::path& file, LockKind kind) {
    int up[2], down[2];
    if (::pipe(up) != 0 || ::pipe(down) != 0) throw std::runtime_error("pipe");
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork");
    if (pid_ == 0) {
      ::close(up[0]);
      ::close(down[1]);
      char c = lockAndReport(file, kind) ? 'L' : 'E';
      ::write(up[1], &c, 1);
      ::read(down[0], &c, 1);  // "release"
      unlock(kind);
      c = 'U';
      ::write(up[1], &c, 1);
      ::read(down[0], &c, 1);  // "exit", or the parent went away
      ::_exit(0);
    }
    ::close(up[1]);
    ::close(down[0]);
    from_ = up[0];
    to_ = down[1];
  }
  ~LockHolder() {
    ::close(to_);  // the child's last read ends, so it exits by itself
    ::close(from_);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }

  char awaitReport() {
    char c = 0;
    return ::read(from_, &c, 1) == 1 ? c : 0;
  }
  char release() {
    char c = 'r';
    ::write(to_, &c, 1);
    return awaitReport();
  }

 private:
  bool lockAndReport(const fs::path& file, LockKind kind) {
    bool readOnly = kind == LockKind::FcntlRead || kind == LockKind::FlockShared;
    fd_ = ::open(file.c_str(), readOnly ? O_RDONLY : O_RDWR);
    if (fd_ < 0) return false;
    struct flock fl {};
    fl.l_whence = SEEK_SET;
    switch (kind) {
      case LockKind::FcntlWrite:
        fl.l_type = F_WRLCK;
        return ::fcntl(fd_, F_SETLK, &fl) == 0;
      case LockKind::FcntlRead:
        fl.l_type = F_RDLCK;
        return ::fcntl(fd_, F_SETLK, &fl) == 0;
      case LockKind::FcntlRange:  // a few bytes in the middle only
        fl.l_type = F_WRLCK;
        fl.l_start = 100;
        fl.l_len = 10;
        return ::fcntl(fd_, F_SETLK, &fl) == 0;
      case LockKind::OfdWrite:
        fl.l_type = F_WRLCK;
        return ::fcntl(fd_, F_OFD_SETLK, &fl) == 0;
      case LockKind::FlockExclusive:
        return ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
      case LockKind::FlockShared:
        return ::flock(fd_, LOCK_SH | LOCK_NB) == 0;
    }
    return false;
  }
  void unlock(LockKind kind) {
    struct flock fl {};
    fl.l_type = F_UNLCK;
    fl.l_whence = SEEK_SET;
    if (kind == LockKind::FlockExclusive || kind == LockKind::FlockShared) {
      ::flock(fd_, LOCK_UN);
    } else {
      ::fcntl(fd_, kind == LockKind::OfdWrite ? F_OFD_SETLK : F_SETLK, &fl);
    }
    // The descriptor stays open: an open file without a lock is not in use.
  }

  pid_t pid_ = -1;
  int from_ = -1, to_ = -1;
  int fd_ = -1;
};

TEST(InUse, LockOfAnotherProcessMakesTheFileInUseUntilReleased) {
  const std::vector<std::pair<LockKind, const char*>> kinds = {
      {LockKind::FcntlWrite, "fcntl write lock"}, {LockKind::FcntlRead, "fcntl read lock"},
      {LockKind::FcntlRange, "fcntl lock on a range"}, {LockKind::OfdWrite, "OFD lock"},
      {LockKind::FlockExclusive, "exclusive flock"}, {LockKind::FlockShared, "shared flock"},
  };
  for (const auto& [kind, label] : kinds) {
    SCOPED_TRACE(label);
    TempDir tmp;
    SystemRoot root = SystemRoot::create(tmp / "root", RootTemplate::nt4());
    FileSystem files(root);
    testing::writeFile(*files.toHost("C:\\windows\\system32\\shared.dll"), std::string(200, 'x'));
    const char* path = "C:\\WINDOWS\\System32\\SHARED.DLL";
    ASSERT_FALSE(files.isInUse(path));

    LockHolder holder(*files.toHost(path), kind);
    ASSERT_EQ(holder.awaitReport(), 'L');
    EXPECT_TRUE(files.isInUse(path));
    // What the installer does to find out: an open for writing fails.
    EXPECT_FALSE(files.open(path, Access::Write, Share::ReadWrite, Disposition::OpenExisting));
    EXPECT_FALSE(files.deleteFile(path));
    // Reading stays possible, and the check itself leaves the other process's lock alone.
    EXPECT_TRUE(files.openRead(path, Share::ReadWrite));
    EXPECT_TRUE(files.isInUse(path));

    ASSERT_EQ(holder.release(), 'U');
    EXPECT_FALSE(files.isInUse(path));
    File w = files.open(path, Access::Write, Share::ReadWrite, Disposition::OpenExisting);
    EXPECT_TRUE(w);
  }
}

TEST(InUse, RunningProgramIsInUse) {
  TempDir tmp;
  SystemRoot root = SystemRoot::create(tmp / "root", RootTemplate::nt4());
  FileSystem files(root);
  fs::path exe = *files.toHost("C:\\windows\\sleeper");
  fs::copy_file("/bin/sleep", exe);
  fs::permissions(exe, fs::perms::owner_all);
  int ready[2];
  ASSERT_EQ(::pipe2(ready, O_CLOEXEC), 0);
  pid_t pid = ::fork();
  if (pid == 0) {
    ::execl(exe.c_str(), "sleeper", "60", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(ready[1]);
  // The write end closes on exec: once read() returns, the program runs from the file.
  char c;
  ASSERT_EQ(::read(ready[0], &c, 1), 0);
  ::close(ready[0]);
  EXPECT_TRUE(files.isInUse("C:\\windows\\SLEEPER"));
  EXPECT_FALSE(files.open("C:\\windows\\sleeper", Access::Write, Share::ReadWrite, Disposition::OpenExisting));
  ::kill(pid, SIGKILL);
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_FALSE(files.isInUse("C:\\windows\\sleeper"));
}

TEST(InUse, DenyWriteOpenIsSeenByAnotherProcess) {
  TempDir tmp;
  SystemRoot root = SystemRoot::create(tmp / "root", RootTemplate::nt4());
  FileSystem files(root);
  testing::writeFile(*files.toHost("C:\\held.exe"), "MZ");
  File held = files.openRead("C:\\held.exe", Share::Read);
  ASSERT_TRUE(held);

  // A second program over the same root, with no knowledge of our opens, sees the file in use.
  auto askChild = [&] {
    pid_t pid = ::fork();
    if (pid == 0) {
      SystemRoot other = SystemRoot::open(tmp / "root");
      FileSystem otherFiles(other);
      ::_exit(otherFiles.isInUse("C:\\held.exe") ? 1 : 0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 1;
  };
  EXPECT_TRUE(askChild());
  held.close();
  EXPECT_FALSE(askChild());
}

}  // namespace
}  // namespace platform
