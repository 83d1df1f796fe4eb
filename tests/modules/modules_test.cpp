// Resolver modules beside the library: loading them, the names their sets
// register, and letting them go, also at the edges of a manager's life (a
// host that skips Terminate, a set that leaves its resolver registered, a
// module file deleted while loaded). The test modules write what the
// library does to them into a journal that outlives them.
#include <dlfcn.h>
#include <unistd.h>

#include <CorvaskUtils/CorvaskUtils.h>
#include <gmock/gmock.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/manager_session.h"
#include "test_journal.h"

namespace quenloft::testing {
namespace {

using Entries = std::vector<std::string>;

// In the folder of libquenloft.so, where modules are looked for.
constexpr char kModuleC[] = QUENLOFT_LIB_DIR "/libql-test-module-c.so";

// Journal entries whose event (the part after "module:") is one of
// `events`, in the order recorded; every entry when `events` is empty.
Entries Journal(std::initializer_list<std::string> events = {}) {
  Entries found;
  std::istringstream lines(QlJournalText());
  for (std::string line; std::getline(lines, line);) {
    const size_t start = line.find(':') + 1;
    const std::string event = line.substr(start, line.find(':', start) - start);
    if (events.size() == 0 || std::find(events.begin(), events.end(), event) != events.end())
      found.push_back(line);
  }
  return found;
}
Entries operator+(Entries a, const Entries& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// A manager started with no host, as a host would drive it; the journal
// starts empty.
struct Hosted : ManagerRefs {
  Hosted() : ManagerRefs(NewManager()) {
    QlJournalReset();
    if (copier) copier->Initialize(nullptr);
  }
  // 0 when a set was added.
  int32_t Add(const char* module, const char* param = "", const char* host = "/srv/host") {
    return copier->AddResolverModuleByHost(module, host, param);
  }
  // The host lets go of the manager, with or without Terminate first.
  void End(bool terminate) {
    if (terminate) {
      copier->Terminate();
    } else {
      static_cast<ManagerRefs&>(*this) = {};
    }
  }
  std::string Evaluate(const char* text) const {
    const Text out;
    manager->EvaluateExpression(text, out);
    return out.text();
  }
};

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

// Whether the host calls Terminate or only releases the manager, the same
// happens. Without Terminate the sets' Uninitialize calls RemoveResolver
// while the manager is being destroyed, so the registry and manager must
// still be whole then (ASan reports any touch of freed memory). Every
// failure lets go of what was loaded.
TEST(ModuleLoading, AddReportsTheResultAndTheHostsEndLetsGoInOrder) {
  const std::string library = QL_TEST_LIBRARY_FILE_NAME;
  const struct {
    const char* module;  // null: no name at all
    int32_t result;
    const char* name;  // what the set registers, and its value while added
    const char* value;
    Entries after_add;
    Entries after_end;
    Entries after_release = {};  // when it differs from after_end
  } kCases[] = {
      {"libql-test-module-c.so", 0, "HelloC", "hello from C:p", Added("c", true),
       LetGo("c") + Entries{"c:unregister", "c:unload"}},
      // No registration entry points: loaded all the same.
      {"libql-test-module-bare.so", 0, "HelloBare", "hello from C:p", Added("bare", false),
       LetGo("bare") + Entries{"bare:unload"}},
      // Its set leaves its resolver registered: the resolver goes before
      // the code behind it is unloaded.
      {"libql-test-module-careless.so", 0, "HelloCareless", "hello from C:p",
       Added("careless", true),
       {"careless:uninit:p", "careless:resolver-release0", "careless:release0:p",
        "careless:unregister", "careless:unload"},
       {"careless:uninit:p", "careless:release0:p", "careless:resolver-release0",
        "careless:unregister", "careless:unload"}},
      // The library names itself like any module; its set brings the
      // built-in functions.
      {library.c_str(), 0, "Concat('a', 'b')", "ab", {}, {}},
      {nullptr, 1, nullptr, nullptr, {}, {}},
      {"", 1, nullptr, nullptr, {}, {}},
      {"libql-test-no-such-module.so", 1, nullptr, nullptr, {}, {}},
      {"libql-test-not-a-module.so", 1, nullptr, nullptr, {}, {}},
      // Modules are named by file name; a path could reach other folders.
      {"../lib/libql-test-module-c.so", 1, nullptr, nullptr, {}, {}},
      {"sub/libql-test-module-c.so", 1, nullptr, nullptr, {}, {}},
#ifndef _WIN32
      // Another letter case is reused by record; before any, the file must
      // exist under that name.
      {"LIBQL-Test-Module-C.so", 1, nullptr, nullptr, {}, {}},
#endif
      {"libql-test-module-nofactory.so", 1, nullptr, nullptr,
       {"nofactory:load", "nofactory:register"}, {"nofactory:unregister", "nofactory:unload"}},
      {"libql-test-module-empty.so", 1, nullptr, nullptr,
       {"empty:load", "empty:register", "empty:factory"}, {"empty:unregister", "empty:unload"}},
      // A set whose Initialize throws takes back what it registered and goes
      // before the failure is reported.
      {"libql-test-module-throwing.so", 1, "HelloThrowing", "",
       Added("throwing", true) + LetGo("throwing"), {"throwing:unregister", "throwing:unload"}},
  };
  for (const bool terminate : {true, false}) {
    for (const auto& c : kCases) {
      // The built-in set holds the manager until Terminate.
      if (!terminate && c.module == library.c_str()) continue;
      SCOPED_TRACE(std::string(c.module != nullptr ? c.module : "(null)") +
                   (terminate ? ", Terminate" : ", released"));
      Hosted host;
      EXPECT_EQ(host.Add(c.module, "p"), c.result);
      EXPECT_EQ(Journal(), c.after_add);
      if (c.name != nullptr) {
        EXPECT_EQ(host.Evaluate(c.name), c.value);
      }
      QlJournalReset();
      host.End(terminate);
      EXPECT_EQ(Journal(), terminate || c.after_release.empty() ? c.after_end : c.after_release);
      if (c.name != nullptr && terminate) {
        EXPECT_EQ(host.manager->HasResolverFor(c.name), 1);
      }
    }
  }
}

// The same module in another letter case shares one load and gets a set
// of its own.
TEST(ModuleLifetime, TerminateLetsSetsGoNewestFirstBeforeUnloadingModulesNewestFirst) {
  Hosted host;
  ASSERT_EQ(host.Add("libql-test-module-c.so", "1"), 0);
  ASSERT_EQ(host.Add("libql-test-module-bare.so", "2"), 0);
  ASSERT_EQ(host.Add("LIBQL-Test-Module-C.so", "3"), 0);
  ASSERT_EQ(host.Add("libql-test-module-careless.so", "4"), 0);
  host.End(true);
  EXPECT_EQ(Journal({"load", "init", "uninit", "release0", "unregister", "unload"}),
            (Entries{"c:load", "c:init:1", "bare:load", "bare:init:2", "c:init:3", "careless:load",
                     "careless:init:4", "careless:uninit:4", "careless:release0:4", "c:uninit:3",
                     "c:release0:3", "bare:uninit:2", "bare:release0:2", "c:uninit:1",
                     "c:release0:1", "careless:unregister", "careless:unload", "bare:unload",
                     "c:unregister", "c:unload"}));
}

TEST(ModuleLoading, ModuleLoadedByTheProcessIsUsedButNotUnloaded) {
  void* own = dlopen(kModuleC, RTLD_NOW);
  ASSERT_NE(own, nullptr) << dlerror();
  {
    Hosted host;
    ASSERT_EQ(host.Add("libql-test-module-c.so"), 0);
    host.End(true);
    EXPECT_EQ(Journal({"register", "unregister", "unload"}),
              (Entries{"c:register", "c:unregister"}));
  }
  void* still = dlopen(kModuleC, RTLD_NOW | RTLD_NOLOAD);
  EXPECT_EQ(still, own);
  if (still != nullptr) dlclose(still);
  // Our reference was the only one left: the library gave its own back.
  dlclose(own);
  EXPECT_EQ(Journal({"unload"}), Entries{"c:unload"});
}

TEST(ModuleLoading, FileMissingBesideTheLibraryIsNotUsedEvenIfLoadedElsewhere) {
  ScratchFolder folder;
  const std::string elsewhere = folder / "libql-test-module-elsewhere.so";
  std::filesystem::copy_file(kModuleC, elsewhere);
  void* own = dlopen(elsewhere.c_str(), RTLD_NOW);
  ASSERT_NE(own, nullptr) << dlerror();
  {
    Hosted host;
    EXPECT_EQ(host.Add("libql-test-module-elsewhere.so"), 1);
    EXPECT_EQ(Journal(), Entries{});
  }
  dlclose(own);
}

TEST(ModuleLifetime, ModuleWhoseFileWasDeletedIsStillUnregisteredAndUnloaded) {
  const std::string name = "libql-test-module-vanishing-" + std::to_string(getpid()) + ".so";
  const std::string copy = QUENLOFT_LIB_DIR "/" + name;
  std::filesystem::copy_file(kModuleC, copy,
                             std::filesystem::copy_options::overwrite_existing);
  Hosted host;
  const int32_t added = host.Add(name.c_str(), "v");
  std::filesystem::remove(copy);
  ASSERT_EQ(added, 0);
  QlJournalReset();
  host.End(true);
  EXPECT_EQ(Journal({"uninit", "unregister", "unload"}),
            (Entries{"c:uninit:v", "c:unregister", "c:unload"}));
}

TEST(ModuleLoading, LoadingIsTimedUnderTheModuleAndHostFileNames) {
  CCheckTimeRecorder recorder;
  CCheckTimeRecorder* previous = CCheckTimeRecorder::SetCurrentTimeRecorder(&recorder);
  {
    Hosted host;
    host.Add("libql-test-module-c.so", "", "/srv/host/app.bin");
    host.End(true);
  }
  CCheckTimeRecorder::SetCurrentTimeRecorder(previous);
  EXPECT_THAT(recorder.GetText(),
              ::testing::HasSubstr("****CTplManagerImpl::AddResolverModuleByHost(): "
                                   "libql-test-module-c (app): "));
}

#ifdef QL_TEST_HAVE_EXAMPLE
TEST(ExampleModule, Answers) {
  constexpr char kExample[] = "libquenloft-example-resolvers.so";
  setenv("QL_EXAMPLE_VALUE", "from the environment", 1);
  unsetenv("QL_EXAMPLE_UNSET");
  Hosted host;
  ASSERT_EQ(host.Add(kExample), 0);
  const struct {
    const char* statement;
    const char* value;
  } kCases[] = {
      {"Env('QL_EXAMPLE_VALUE')", "from the environment"},
      {"Env('QL_EXAMPLE_UNSET')", ""},
      {"Date('built on a day')", "built on a day"},
      {"Counter('a'); Counter('a'); Counter('b'); Counter('a')", "1213"},
      {"Counter('a')", "4"},  // the set keeps counting across statements
  };
  for (const auto& c : kCases) EXPECT_EQ(host.Evaluate(c.statement), c.value) << c.statement;
  EXPECT_THAT(host.Evaluate("Date('%Y')"), ::testing::MatchesRegex("[0-9]{4}"));
  EXPECT_THAT(host.Evaluate("Date()"), ::testing::MatchesRegex("[0-9]{4}-[0-9]{2}-[0-9]{2}"));
  host.End(true);
  // A new manager gets a new set, which counts from 1 again.
  Hosted other;
  ASSERT_EQ(other.Add(kExample), 0);
  EXPECT_EQ(other.Evaluate("Counter('a')"), "1");
}
#endif

}  // namespace
}  // namespace quenloft::testing
