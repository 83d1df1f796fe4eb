// Loading resolver modules beside the library, and letting them go.
#include <dlfcn.h>
#include <unistd.h>

#include <CorvaskUtils/CorvaskUtils.h>
#include <gmock/gmock.h>

#include <filesystem>

#include "module_test_support.h"

namespace quenloft::testing {
namespace {

using Entries = std::vector<std::string>;

struct WorkingModule {
  const char* file;
  const char* tag;
};
// Names the case in test names and failure messages.
inline void PrintTo(const WorkingModule& c, std::ostream* os) { *os << c.tag; }


class WorkingModuleTest : public ::testing::TestWithParam<WorkingModule> {};

// The C++ module and the C module go through the same life.
TEST_P(WorkingModuleTest, FirstLoadRegistersOnceAndTerminateUnregistersAndUnloads) {
  const std::string t = GetParam().tag;
  HostedManager host;
  ASSERT_EQ(host.Add(GetParam().file, "p1", "/srv/host/app"), 0);
  EXPECT_EQ(Journal(), (Entries{t + ":load", t + ":register", t + ":factory",
                                t + ":host-param:p1", t + ":host-path:/srv/host/app",
                                t + ":manager", t + ":init:p1"}));
  QlJournalReset();
  host.Terminate();
  EXPECT_EQ(Journal(), (Entries{t + ":uninit:p1", t + ":resolver-release0", t + ":release0:p1",
                                t + ":unregister", t + ":unload"}));
}

INSTANTIATE_TEST_SUITE_P(Modules, WorkingModuleTest,
                         ::testing::Values(WorkingModule{"libql-test-module-cpp.so", "cpp"},
                                           WorkingModule{"libql-test-module-c.so", "c"}),
                         [](const auto& info) { return std::string(info.param.tag); });

TEST(ModuleLoading, ModuleLoadedByTheProcessIsUsedButNotUnloaded) {
  const std::string path = LibFolder() + "libql-test-module-cpp.so";
  void* own = dlopen(path.c_str(), RTLD_NOW);
  ASSERT_NE(own, nullptr) << dlerror();
  auto counters = reinterpret_cast<int32_t (*)(const char*)>(dlsym(own, "QlTestModuleCounters"));
  ASSERT_NE(counters, nullptr);
  {
    HostedManager host;
    ASSERT_EQ(host.Add("libql-test-module-cpp.so"), 0);
    EXPECT_EQ(counters("register"), 1);
    host.Terminate();
    EXPECT_EQ(counters("unregister"), 1);
    EXPECT_EQ(counters("unload"), 0);
  }
  void* still = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  EXPECT_EQ(still, own);
  if (still != nullptr) dlclose(still);
  // Our reference was the only one left: the library gave its own back.
  dlclose(own);
  EXPECT_EQ(QlJournalCount("cpp", "unload"), 1);
}

TEST(ModuleLoading, SameModuleInAnotherLetterCaseSharesOneLoadAndGetsTwoSets) {
  HostedManager host;
  ASSERT_EQ(host.Add("libql-test-module-cpp.so", "a"), 0);
  ASSERT_EQ(host.Add("LIBQL-Test-Module-CPP.so", "b"), 0);
  EXPECT_EQ(Journal({"load", "register", "factory", "init"}),
            (Entries{"cpp:load", "cpp:register", "cpp:factory", "cpp:init:a", "cpp:factory",
                     "cpp:init:b"}));
  QlJournalReset();
  host.Terminate();
  EXPECT_EQ(Journal({"uninit", "unregister", "unload"}),
            (Entries{"cpp:uninit:b", "cpp:uninit:a", "cpp:unregister", "cpp:unload"}));
}

TEST(ModuleLoading, NameInAnotherLetterCaseNeedsAnEarlierRecord) {
  // Reuse is by record; before any, the file must exist under that name.
  HostedManager host;
  EXPECT_EQ(host.Add("LIBQL-Test-Module-CPP.so"), 1);
  EXPECT_EQ(Journal(), Entries{});
}

TEST(ModuleLoading, ModuleWithoutRegistrationEntryPointsLoadsAndUnloads) {
  HostedManager host;
  ASSERT_EQ(host.Add("libql-test-module-bare.so", "x"), 0);
  EXPECT_EQ(Journal({"load", "register", "factory", "init"}),
            (Entries{"bare:load", "bare:factory", "bare:init:x"}));
  QlJournalReset();
  host.Terminate();
  EXPECT_EQ(Journal({"uninit", "release0", "unregister", "unload"}),
            (Entries{"bare:uninit:x", "bare:release0:x", "bare:unload"}));
}

struct FailedAdd {
  const char* label;
  const char* module;  // null: no name at all
  Entries after_add;
  Entries after_terminate;
};
// Names the case in test names and failure messages.
inline void PrintTo(const FailedAdd& c, std::ostream* os) { *os << c.label; }


class FailedAddTest : public ::testing::TestWithParam<FailedAdd> {};

TEST_P(FailedAddTest, ReportsFailureAndLetsGoOfWhatItLoaded) {
  HostedManager host;
  EXPECT_EQ(host.Add(GetParam().module), 1);
  EXPECT_EQ(Journal(), GetParam().after_add);
  QlJournalReset();
  host.Terminate();
  EXPECT_EQ(Journal(), GetParam().after_terminate);
}

INSTANTIATE_TEST_SUITE_P(
    Modules, FailedAddTest,
    ::testing::Values(
        FailedAdd{"NoName", nullptr, {}, {}}, FailedAdd{"EmptyName", "", {}, {}},
        FailedAdd{"MissingFile", "libql-test-no-such-module.so", {}, {}},
        FailedAdd{"NotLoadable", "libql-test-not-a-module.so", {}, {}},
        // Modules are named by file name; a path could reach other folders.
        FailedAdd{"RelativePath", "../lib/libql-test-module-cpp.so", {}, {}},
        FailedAdd{"SubfolderPath", "sub/libql-test-module-cpp.so", {}, {}},
        FailedAdd{"NoFactory",
                  "libql-test-module-nofactory.so",
                  {"nofactory:load", "nofactory:register"},
                  {"nofactory:unregister", "nofactory:unload"}},
        FailedAdd{"FactoryHandsOutNothing",
                  "libql-test-module-empty.so",
                  {"empty:load", "empty:register", "empty:factory"},
                  {"empty:unregister", "empty:unload"}},
        // A set whose Initialize throws takes back what it registered and
        // goes before the failure is reported.
        FailedAdd{"InitializeThrows",
                  "libql-test-module-throwing.so",
                  {"throwing:load", "throwing:register", "throwing:factory",
                   "throwing:host-param", "throwing:host-path:/srv/host", "throwing:manager",
                   "throwing:init", "throwing:uninit", "throwing:resolver-release0",
                   "throwing:release0"},
                  {"throwing:unregister", "throwing:unload"}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(ModuleLoading, LoadingIsTimedUnderTheModuleAndHostFileNames) {
  CCheckTimeRecorder recorder;
  CCheckTimeRecorder* previous = CCheckTimeRecorder::SetCurrentTimeRecorder(&recorder);
  {
    HostedManager host;
    host.Add("libql-test-module-cpp.so", "", "/srv/host/app.bin");
    host.Terminate();
  }
  CCheckTimeRecorder::SetCurrentTimeRecorder(previous);
  EXPECT_THAT(recorder.GetText(),
              ::testing::HasSubstr("****CTplManagerImpl::AddResolverModuleByHost(): "
                                   "libql-test-module-cpp (app): "));
}

TEST(ModuleLoading, FileMissingBesideTheLibraryIsNotUsedEvenIfLoadedElsewhere) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / ("ql-modules-" + std::to_string(getpid()));
  fs::create_directories(folder);
  const fs::path elsewhere = folder / "libql-test-module-elsewhere.so";
  fs::copy_file(LibFolder() + "libql-test-module-cpp.so", elsewhere);
  void* own = dlopen(elsewhere.c_str(), RTLD_NOW);
  ASSERT_NE(own, nullptr) << dlerror();
  {
    HostedManager host;
    EXPECT_EQ(host.Add("libql-test-module-elsewhere.so"), 1);
    EXPECT_EQ(Journal(), Entries{});
  }
  dlclose(own);
  fs::remove_all(folder);
}

TEST(ModuleLoading, TerminateLetsSetsGoNewestFirstBeforeUnloadingModulesNewestFirst) {
  HostedManager host;
  ASSERT_EQ(host.Add("libql-test-module-cpp.so", "1"), 0);
  ASSERT_EQ(host.Add("libql-test-module-c.so", "2"), 0);
  ASSERT_EQ(host.Add("libql-test-module-cpp.so", "3"), 0);
  ASSERT_EQ(host.Add("libql-test-module-bare.so", "4"), 0);
  QlJournalReset();
  host.Terminate();
  EXPECT_EQ(Journal({"uninit", "release0", "unregister", "unload"}),
            (Entries{"bare:uninit:4", "bare:release0:4", "cpp:uninit:3", "cpp:release0:3",
                     "c:uninit:2", "c:release0:2", "cpp:uninit:1", "cpp:release0:1",
                     "bare:unload", "c:unregister", "c:unload", "cpp:unregister",
                     "cpp:unload"}));
}

}  // namespace
}  // namespace quenloft::testing
