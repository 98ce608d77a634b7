// The registry with real processes: a writer killed in the middle of a save, and writers in
// several processes at once.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "platform/registry/registry.h"
#include "platform/registry/tests/temp_root.h"

namespace platform {
namespace {

using testing::TempRoot;

// Runs `body` in a child process; returns its pid. The child's exit code is 0 on success.
template <class F>
pid_t spawn(F body) {
  pid_t pid = ::fork();
  if (pid == 0) {
    int rc = 1;
    try {
      rc = body() ? 0 : 1;
    } catch (...) {
      rc = 2;
    }
    ::_exit(rc);
  }
  return pid;
}

int waitExit(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

TEST(RegistryCrash, KilledBeforeRenameLeavesThePreviousHiveWhole) {
  TempRoot root;
  {
    Registry reg(root.path());
    for (int i = 0; i < 20; ++i)
      reg.writeString(RootKey::LocalMachine, "Software\\Before", "v" + std::to_string(i), "old");
    reg.save();
  }
  const std::string before = root.read("system.reg");

  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  pid_t child = spawn([&] {
    ::close(ready[0]);
    RegistryOptions opts;
    opts.beforeRename = [&](const std::filesystem::path&, const std::filesystem::path&) {
      char c = 'r';
      (void)!::write(ready[1], &c, 1);
      for (;;) ::pause();  // the parent kills us here
    };
    Registry reg(root.path(), opts);
    reg.deleteKey(RootKey::LocalMachine, "Software\\Before");
    for (int i = 0; i < 500; ++i)
      reg.writeString(RootKey::LocalMachine, "Software\\After", "v" + std::to_string(i), "new");
    reg.save();
    return true;
  });
  ASSERT_GT(child, 0);
  ::close(ready[1]);
  char c = 0;
  ASSERT_EQ(::read(ready[0], &c, 1), 1) << "the child never reached the rename";
  ::close(ready[0]);
  // The new hive is complete in the temporary file, the old one still in place.
  EXPECT_TRUE(root.exists("system.reg.tmp"));
  ASSERT_EQ(::kill(child, SIGKILL), 0);
  EXPECT_EQ(waitExit(child), -SIGKILL);

  EXPECT_EQ(root.read("system.reg"), before);
  Registry after(root.path());
  EXPECT_EQ(after.readString(RootKey::LocalMachine, "Software\\Before", "v19"), "old");
  EXPECT_FALSE(after.keyExists(RootKey::LocalMachine, "Software\\After"));
  // The dead writer's lock went with it: the next save goes through and replaces its leftovers.
  after.writeString(RootKey::LocalMachine, "Software\\Later", "v", "1");
  after.save();
  EXPECT_FALSE(root.exists("system.reg.tmp"));
  EXPECT_EQ(Registry(root.path()).readString(RootKey::LocalMachine, "Software\\Before", "v0"), "old");
}

TEST(RegistryConcurrency, ProcessesWritingDifferentKeysKeepEachOthersWrites) {
  TempRoot root;
  constexpr int kWriters = 4;
  constexpr int kRounds = 25;
  std::vector<pid_t> pids;
  for (int w = 0; w < kWriters; ++w) {
    pids.push_back(spawn([&, w] {
      // Each round is a separate program run: open, write, save.
      for (int r = 0; r < kRounds; ++r) {
        Registry reg(root.path());
        std::string key = "Software\\Writer" + std::to_string(w);
        reg.writeDword(RootKey::LocalMachine, key, "round" + std::to_string(r),
                       static_cast<std::uint32_t>(r));
        reg.writeString(RootKey::CurrentUser, key, "last", std::to_string(r));
        reg.save();
      }
      return true;
    }));
  }
  for (pid_t p : pids) EXPECT_EQ(waitExit(p), 0);
  Registry reg(root.path());
  for (int w = 0; w < kWriters; ++w) {
    std::string key = "Software\\Writer" + std::to_string(w);
    EXPECT_EQ(reg.valueNames(RootKey::LocalMachine, key).size(), static_cast<std::size_t>(kRounds)) << key;
    for (int r = 0; r < kRounds; ++r) {
      EXPECT_EQ(reg.readDword(RootKey::LocalMachine, key, "round" + std::to_string(r)),
                static_cast<std::uint32_t>(r));
    }
    EXPECT_EQ(reg.readString(RootKey::CurrentUser, key, "last"), std::to_string(kRounds - 1));
  }
}

TEST(RegistryConcurrency, LongLivedObjectsMergeTheirChangesOnSave) {
  // Two programs open at the same time, each saving several times without reloading.
  TempRoot root;
  int go[2];
  ASSERT_EQ(::pipe(go), 0);
  auto writer = [&](const char* name) {
    return spawn([&, name] {
      ::close(go[1]);
      Registry reg(root.path());  // loaded before the other one wrote anything
      char c;
      if (::read(go[0], &c, 1) != 0) return false;  // wait until the parent closes the pipe
      for (int i = 0; i < 10; ++i) {
        reg.writeString(RootKey::LocalMachine, std::string("Software\\") + name, "n" + std::to_string(i),
                        name);
        reg.save();
      }
      return true;
    });
  };
  pid_t a = writer("Alpha");
  pid_t b = writer("Beta");
  ::close(go[0]);
  ::close(go[1]);
  EXPECT_EQ(waitExit(a), 0);
  EXPECT_EQ(waitExit(b), 0);
  Registry reg(root.path());
  EXPECT_EQ(reg.valueNames(RootKey::LocalMachine, "Software\\Alpha").size(), 10u);
  EXPECT_EQ(reg.valueNames(RootKey::LocalMachine, "Software\\Beta").size(), 10u);
}

}  // namespace
}  // namespace platform
