// Modules and sets at the edges of a manager's life: a host that skips
// Terminate, a set that leaves its resolver registered, a module file
// deleted while loaded.
#include <unistd.h>

#include <filesystem>

#include "module_test_support.h"

namespace quenloft::testing {
namespace {

// The sets' Uninitialize calls RemoveResolver on the manager while the
// manager is being destroyed; the registry and manager must still be whole
// (ASan reports any touch of freed memory).
TEST(ModuleLifetime, ReleasedWithoutTerminateSetsAreUninitialisedWhileTheManagerIsWhole) {
  for (const std::string t : {"cpp", "c"}) {
    SCOPED_TRACE(t);
    HostedManager host;
    ASSERT_EQ(host.Add(("libql-test-module-" + t + ".so").c_str(), "k"), 0);
    QlJournalReset();
    host.Release();
    EXPECT_EQ(Journal(), (Entries{t + ":uninit:k", t + ":resolver-release0", t + ":release0:k",
                                  t + ":unregister", t + ":unload"}));
  }
}

// A set that leaves its resolver in the registry: Terminate, or the
// manager's teardown without it, releases the resolver before the code
// behind it is unloaded.
TEST(ModuleLifetime, ResolverLeftRegisteredGoesBeforeItsModule) {
  for (const bool terminate : {true, false}) {
    SCOPED_TRACE(terminate ? "Terminate" : "release only");
    HostedManager host;
    ASSERT_EQ(host.Add("libql-test-module-careless.so", "r"), 0);
    if (terminate) {
      host.Terminate();
    } else {
      host.Release();
    }
    EXPECT_EQ(Journal({"uninit", "resolver-release0", "unload"}),
              (Entries{"careless:uninit:r", "careless:resolver-release0", "careless:unload"}));
  }
}

TEST(ModuleLifetime, ModuleWhoseFileWasDeletedIsStillUnregisteredAndUnloaded) {
  namespace fs = std::filesystem;
  const std::string name = "libql-test-module-vanishing-" + std::to_string(getpid()) + ".so";
  const fs::path copy = LibFolder() + name;
  fs::copy_file(LibFolder() + "libql-test-module-cpp.so", copy, fs::copy_options::overwrite_existing);
  HostedManager host;
  const int32_t added = host.Add(name.c_str(), "v");
  fs::remove(copy);
  ASSERT_EQ(added, 0);
  QlJournalReset();
  host.Terminate();
  EXPECT_EQ(Journal({"uninit", "unregister", "unload"}),
            (Entries{"cpp:uninit:v", "cpp:unregister", "cpp:unload"}));
}

}  // namespace
}  // namespace quenloft::testing
