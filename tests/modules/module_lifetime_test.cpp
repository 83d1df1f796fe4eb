// Modules and sets at the edges of a manager's life: a host that skips
// Terminate, a module file deleted while loaded.
#include <unistd.h>

#include <filesystem>

#include "module_test_support.h"

namespace quenloft::testing {
namespace {

using Entries = std::vector<std::string>;

class ReleasedWithoutTerminateTest : public ::testing::TestWithParam<const char*> {};

// The sets' Uninitialize calls RemoveResolver on the manager while the
// manager is being destroyed; the registry and manager must still be whole
// (ASan reports any touch of freed memory).
TEST_P(ReleasedWithoutTerminateTest, SetsAreUninitialisedWhileTheManagerIsWhole) {
  const std::string module = std::string("libql-test-module-") + GetParam() + ".so";
  const std::string t = GetParam();
  HostedManager host;
  ASSERT_EQ(host.Add(module.c_str(), "k"), 0);
  QlJournalReset();
  host.Release();
  EXPECT_EQ(Journal(), (Entries{t + ":uninit:k", t + ":resolver-release0", t + ":release0:k",
                                t + ":unregister", t + ":unload"}));
}

INSTANTIATE_TEST_SUITE_P(Modules, ReleasedWithoutTerminateTest, ::testing::Values("cpp", "c"),
                         [](const auto& info) { return std::string(info.param); });

// A set that leaves its resolver in the registry: Terminate clears the
// registry before the module's code is unloaded.
TEST(ModuleLifetime, ResolverLeftRegisteredGoesBeforeItsModule) {
  HostedManager host;
  ASSERT_EQ(host.Add("libql-test-module-careless.so", "r"), 0);
  host.Terminate();
  EXPECT_EQ(Journal({"uninit", "resolver-release0", "unload"}),
            (Entries{"careless:uninit:r", "careless:resolver-release0", "careless:unload"}));
}

// The same without Terminate: the manager's teardown releases the resolver
// before it unloads the code behind it.
TEST(ModuleLifetime, ResolverLeftRegisteredGoesBeforeItsModuleWithoutTerminate) {
  HostedManager host;
  ASSERT_EQ(host.Add("libql-test-module-careless.so", "r"), 0);
  host.Release();
  EXPECT_EQ(Journal({"uninit", "resolver-release0", "unload"}),
            (Entries{"careless:uninit:r", "careless:resolver-release0", "careless:unload"}));
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
