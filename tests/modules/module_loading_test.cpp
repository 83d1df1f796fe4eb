// Loading resolver modules beside the library, and letting them go: also
// at the edges of a manager's life (a host that skips Terminate, a set that
// leaves its resolver registered, a module file deleted while loaded).
#include <dlfcn.h>
#include <unistd.h>

#include <CorvaskUtils/CorvaskUtils.h>
#include <gmock/gmock.h>

#include <filesystem>

#include "module_test_support.h"

namespace quenloft::testing {
namespace {

// What a working module records when added with the parameter "p", and
// when its set is let go; `registers`: it has the registration entry points.
Entries Added(const std::string& t, bool registers) {
  Entries e{t + ":load"};
  if (registers) e.push_back(t + ":register");
  for (const char* step :
       {":factory", ":host-param:p", ":host-path:/srv/host", ":manager", ":init:p"}) {
    e.push_back(t + step);
  }
  return e;
}
Entries LetGo(const std::string& t) {
  return {t + ":uninit:p", t + ":resolver-release0", t + ":release0:p"};
}
Entries operator+(Entries a, const Entries& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The C++ and the C module go through the same life; a module without the
// registration entry points is still loaded; every failure lets go of what
// was loaded.
TEST(ModuleLoading, AddReportsTheResultAndTerminateUnloads) {
  const struct {
    const char* module;  // null: no name at all
    int32_t result;
    Entries after_add;
    Entries after_terminate;
  } kCases[] = {
      {"libql-test-module-cpp.so", 0, Added("cpp", true),
       LetGo("cpp") + Entries{"cpp:unregister", "cpp:unload"}},
      {"libql-test-module-c.so", 0, Added("c", true),
       LetGo("c") + Entries{"c:unregister", "c:unload"}},
      {"libql-test-module-bare.so", 0, Added("bare", false),
       LetGo("bare") + Entries{"bare:unload"}},
      {nullptr, 1, {}, {}},
      {"", 1, {}, {}},
      {"libql-test-no-such-module.so", 1, {}, {}},
      {"libql-test-not-a-module.so", 1, {}, {}},
      // Modules are named by file name; a path could reach other folders.
      {"../lib/libql-test-module-cpp.so", 1, {}, {}},
      {"sub/libql-test-module-cpp.so", 1, {}, {}},
      {"libql-test-module-nofactory.so", 1, {"nofactory:load", "nofactory:register"},
       {"nofactory:unregister", "nofactory:unload"}},
      {"libql-test-module-empty.so", 1, {"empty:load", "empty:register", "empty:factory"},
       {"empty:unregister", "empty:unload"}},
      // A set whose Initialize throws takes back what it registered and goes
      // before the failure is reported.
      {"libql-test-module-throwing.so", 1, Added("throwing", true) + LetGo("throwing"),
       {"throwing:unregister", "throwing:unload"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.module != nullptr ? c.module : "(null)");
    HostedManager host;
    EXPECT_EQ(host.Add(c.module, "p"), c.result);
    EXPECT_EQ(Journal(), c.after_add);
    QlJournalReset();
    host.Terminate();
    EXPECT_EQ(Journal(), c.after_terminate);
  }
}

TEST(ModuleLoading, ModuleLoadedByTheProcessIsUsedButNotUnloaded) {
  const std::string path = LibFolder() + "libql-test-module-cpp.so";
  void* own = dlopen(path.c_str(), RTLD_NOW);
  ASSERT_NE(own, nullptr) << dlerror();
  {
    HostedManager host;
    ASSERT_EQ(host.Add("libql-test-module-cpp.so"), 0);
    host.Terminate();
    EXPECT_EQ(Journal({"register", "unregister", "unload"}),
              (Entries{"cpp:register", "cpp:unregister"}));
  }
  void* still = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  EXPECT_EQ(still, own);
  if (still != nullptr) dlclose(still);
  // Our reference was the only one left: the library gave its own back.
  dlclose(own);
  EXPECT_EQ(Journal({"unload"}), Entries{"cpp:unload"});
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
