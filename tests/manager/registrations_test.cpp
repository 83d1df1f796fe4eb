// What a host registers with a manager: resolvers and names (AddResolver,
// RemoveResolver, RegisterName, UnregisterName), template files keyed by
// lower-case names with backslashes (AddTemplateFile, RemoveTemplateFile)
// and the file sources that register them (AddFileSource,
// RemoveFileSource). Most of it as scripts against two fakes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host_fakes.h"
#include "support/manager_session.h"

namespace quenloft::testing {
namespace {

int32_t Register(const ManagerRefs& m, const char* name, FakeResolver* r) {
  return m.services->RegisterName(name, r);
}
int32_t Unregister(const ManagerRefs& m, const char* name, FakeResolver* r) {
  return m.services->UnregisterName(name, r);
}
int32_t AddAll(const ManagerRefs& m, const char*, FakeResolver* r) {
  return m.manager->AddResolver(r);
}
int32_t RemoveAll(const ManagerRefs& m, const char*, FakeResolver* r) {
  return m.manager->RemoveResolver(r);
}
int32_t AddFile(const ManagerRefs& m, const char* name, FakeSource* s) {
  return m.services->AddTemplateFile(name, s);
}
int32_t RemoveFile(const ManagerRefs& m, const char* name, FakeSource* s) {
  return m.services->RemoveTemplateFile(name, s);
}

TEST(Registry, KeepsOneReferencePerNameAndTheFirstHolder) {
  const struct {
    const char* name;
    std::vector<std::string> names_a, names_b;  // what A and B list for AddResolver
    std::vector<Step<FakeResolver>> steps;
    std::vector<std::string> conflicts_a;  // OnNameConflict calls A received
  } scripts[] = {
      {"FirstHolderKeepsTheName", {}, {},
       {{Register, "Output", kA, 0, 2, 1}, {Register, "Output", kB, 0, 2, 1},
        {Unregister, "Output", kB, 0, 2, 1},  // by another: changes nothing
        {Register, "Output", kB, 0, 2, 1}},
       {"Output", "Output"}},
      {"OneReferencePerName", {}, {},
       {{Register, "One", kA, 0, 2, 1}, {Register, "One", kA, 0, 2, 1},
        {Register, "Two", kA, 0, 3, 1}, {Unregister, "One", kA, 0, 2, 1},
        {Unregister, "One", kA, 0, 2, 1}},
       {}},
      {"NamesAreCaseSensitive", {}, {},
       {{Register, "Output", kA, 0, 2, 1}, {Register, "output", kB, 0, 2, 2},
        {Register, "OUTPUT", kA, 0, 3, 2}},
       {}},
      {"BadArguments", {}, {},
       {{Register, nullptr, kA, 1, 1, 1}, {Register, "", kA, 1, 1, 1},
        {Register, "Output", kNone, 1, 1, 1}, {Unregister, nullptr, kA, 1, 1, 1},
        {Unregister, "", kA, 1, 1, 1}, {Unregister, "Output", kNone, 1, 1, 1},
        {AddAll, nullptr, kNone, 1, 1, 1}, {RemoveAll, nullptr, kNone, 1, 1, 1}},
       {}},
      {"AddResolverRegistersEveryListedName", {"Concat", "Replace", "Concat"}, {"Replace", "Trim"},
       {{AddAll, nullptr, kA, 0, 3, 1}, {AddAll, nullptr, kB, 0, 3, 2}},
       {"Replace"}},
      {"RemoveResolverLeavesOthersNames", {"Concat", "Replace"}, {"Trim"},
       {{AddAll, nullptr, kA, 0, 3, 1}, {AddAll, nullptr, kB, 0, 3, 2},
        {Register, "Extra", kA, 0, 4, 2}, {RemoveAll, nullptr, kA, 0, 1, 2},
        {Register, "Concat", kB, 0, 1, 3}},
       {}},
  };
  for (const auto& s : scripts) {
    SCOPED_TRACE(s.name);
    FakeResolver a(s.names_a), b(s.names_b);
    PlaySteps(a, b, s.steps);
    EXPECT_EQ(a.conflicts, s.conflicts_a);
    EXPECT_TRUE(b.conflicts.empty());
  }
}

TEST(Registry, TheHolderOfANameAnswersIt) {
  FakeResolver a({"Greeting"}), b({"Greeting"});
  a.answer = "from A";
  ManagerSession s;
  ASSERT_NO_FATAL_FAILURE(s.Open());
  ASSERT_EQ(s.manager->AddResolver(&a), 0);
  ASSERT_EQ(s.manager->AddResolver(&b), 0);
  Ref<ICvoString> out = NewText();
  EXPECT_EQ(s.manager->ResolveMacroText("Greeting", out.get()), 0);
  EXPECT_EQ(TextOf(out.get()), "from A");
  EXPECT_EQ(b.resolved, 0);
  EXPECT_EQ(s.manager->HasResolverFor("greeting"), 1);
  ASSERT_EQ(s.manager->RemoveResolver(&a), 0);
  EXPECT_EQ(s.manager->HasResolverFor("Greeting"), 1) << "b never held the name";
  EXPECT_EQ((Counts{a.initialized, a.uninitialized}), (Counts{1, 1}));
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
    std::vector<Step<FakeSource>> steps;
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
    FakeSource a, b;
    PlaySteps(a, b, s.steps);
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
