// What a host registers with a manager: resolvers (the rules of their
// names are rows of the statement table), template files keyed by
// lower-case names with backslashes (AddTemplateFile, RemoveTemplateFile)
// and the file sources that register them (AddFileSource,
// RemoveFileSource), the files as scripts against two fakes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host_fakes.h"
#include "support/codes.h"
#include "support/manager_session.h"

namespace quenloft::testing {
namespace {

int32_t AddFile(const ManagerRefs& m, const char* name, FakeSource* s) {
  return m.services->AddTemplateFile(name, s);
}
int32_t RemoveFile(const ManagerRefs& m, const char* name, FakeSource* s) {
  return m.services->RemoveTemplateFile(name, s);
}

// Null and empty arguments are refused and take no reference; AddResolver
// initialises its resolver and RemoveResolver uninitialises it. How names
// are held is tabled in the statement table (registry.txt).
TEST(Registry, RefusesNullArgumentsAndInitialisesWhatItAdds) {
  FakeResolver a({"Greeting"});
  {
    ManagerRefs m = NewManager();
    ASSERT_TRUE(m.manager && m.services);
    EXPECT_EQ(Codes({m.services->RegisterName(nullptr, &a), m.services->RegisterName("", &a),
                     m.services->RegisterName("Output", nullptr),
                     m.services->UnregisterName(nullptr, &a), m.services->UnregisterName("", &a),
                     m.services->UnregisterName("Output", nullptr),
                     m.manager->AddResolver(nullptr), m.manager->RemoveResolver(nullptr),
                     a.count(), m.manager->AddResolver(&a), m.manager->RemoveResolver(&a)}),
              "1,1,1,1,1,1,1,1,1,0,0");
  }
  EXPECT_EQ((Counts{a.initialized, a.uninitialized, a.count()}), (Counts{1, 1, 1}));
}

// A resolver whose Release throws does not keep the other entries registered.
TEST(Registry, ClearGoesOnAfterAThrowingRelease) {
  FakeResolver thrower({"One", "Two"}), good({"Three"});
  ManagerSession s;
  ASSERT_NO_FATAL_FAILURE(s.Open());
  ASSERT_EQ(s.manager->AddResolver(&thrower), 0);
  ASSERT_EQ(s.manager->AddResolver(&good), 0);
  thrower.throw_on_release = true;
  EXPECT_EQ(s.copier->Terminate(), 0);
  EXPECT_EQ((Counts{thrower.count(), good.count(), s.manager->HasResolverFor("One"),
                    s.manager->HasResolverFor("Three")}),
            (Counts{1, 1, 1, 1}));
}

TEST(TemplateFiles, KeepTheFirstSourceOfEachFile) {
  const struct {
    const char* name;
    std::vector<Step> steps;
  } scripts[] = {
      {"SameFileOtherSpellingOrSource",
       {{AddFile, "Sub/Page.HTM", kA, 0, 2, 1}, {AddFile, "sub\\page.htm", kA, 0, 2, 1},
        {AddFile, "b.htm", kA, 0, 3, 1}, {AddFile, "sub\\page.htm", kB, 1, 3, 1},
        {AddFile, "SUB/PAGE.HTM", kB, 1, 3, 1}}},
      {"RemoveUsesTheExactKey",
       {{AddFile, "Sub/Page.HTM", kA, 0, 2, 1}, {RemoveFile, "Sub/Page.HTM", kA, 0, 2, 1},
        {RemoveFile, "sub/page.htm", kA, 0, 2, 1}, {RemoveFile, "Sub\\Page.HTM", kA, 0, 2, 1},
        {RemoveFile, "sub\\page.htm", kA, 0, 1, 1}}},
      {"RemoveByTheHolderOnly",
       {{AddFile, "a.htm", kA, 0, 2, 1}, {RemoveFile, "a.htm", kB, 0, 2, 1},
        {AddFile, "a.htm", kB, 1, 2, 1}, {RemoveFile, "a.htm", kA, 0, 1, 1},
        {AddFile, "A.htm", kB, 0, 1, 2}, {RemoveFile, "a.htm", kB, 0, 1, 1},
        {AddFile, "a.HTM", kA, 0, 2, 1}}},  // a key let go twice is held again
      {"BadArguments",
       {{AddFile, nullptr, kA, 1, 1, 1}, {AddFile, "", kA, 1, 1, 1},
        {AddFile, "a.htm", kNone, 1, 1, 1}, {AddFile, "a.htm", kA, 0, 2, 1},
        {RemoveFile, nullptr, kA, 1, 2, 1}, {RemoveFile, "", kA, 1, 2, 1},
        {RemoveFile, "a.htm", kNone, 1, 2, 1}, {RemoveFile, "missing.htm", kA, 0, 2, 1}}},
  };
  for (const auto& s : scripts) {
    SCOPED_TRACE(s.name);
    PlaySteps(s.steps);
  }
}

TEST(FileSource, RegistersEveryNameUntilTheFirstEmptyOne) {
  const struct {
    std::vector<std::string> names;
    int32_t references;  // taken on the source
    const char* calls;   // until the listing ended
  } listings[] = {
      {{}, 0, "first "},
      {{"index.htm", "a/b.htm", "c.css"}, 3, "first next next next "},
      {{"a/b.htm", "A\\B.HTM"}, 1, "first next next "},
      {{"a.htm", "", "b.htm"}, 1, "first next "},
  };
  for (const auto& listing : listings) {
    SCOPED_TRACE(::testing::PrintToString(listing.names));
    FakeSource source(listing.names);
    {
      ManagerRefs m = NewManager();
      ASSERT_TRUE(m.manager);
      EXPECT_EQ(m.manager->AddFileSource(&source), 0);
      ASSERT_EQ(source.folders.size(), 1u);
      EXPECT_FALSE(source.folders[0].empty());
      EXPECT_EQ(source.calls, listing.calls);  // "!": a bad position or a string not emptied
      EXPECT_EQ(source.count(), 1 + listing.references);
    }
    EXPECT_EQ(source.count(), 1);
  }
}

TEST(FileSource, RemoveFileSourceGivesBackOnlyThatSourcesFiles) {
  FakeSource a({"a.htm", "shared.htm", "a2.htm"}), b({"b.htm", "shared.htm"});
  ManagerRefs m = NewManager();
  ASSERT_TRUE(m.manager && m.services);
  EXPECT_EQ((Counts{m.manager->AddFileSource(nullptr), m.manager->RemoveFileSource(nullptr)}),
            (Counts{1, 1}));
  ASSERT_EQ(m.manager->AddFileSource(&a), 0);
  ASSERT_EQ(m.manager->AddFileSource(&b), 0);
  EXPECT_EQ((Counts{a.count(), b.count()}), (Counts{4, 2}));  // shared.htm stays with a
  EXPECT_EQ(m.manager->RemoveFileSource(&a), 0);
  EXPECT_EQ((Counts{a.uninitialized, b.uninitialized, a.count(), b.count()}), (Counts{1, 0, 1, 2}));
  EXPECT_EQ(m.services->AddTemplateFile("shared.htm", &b), 0) << "the name is free again";
  EXPECT_EQ(b.count(), 3);
  // A source that holds nothing (any more) is still told it was removed.
  EXPECT_EQ(m.manager->RemoveFileSource(&a), 0);
  EXPECT_EQ(a.uninitialized, 2);
}

}  // namespace
}  // namespace quenloft::testing
