// The template file bookkeeping: AddTemplateFile and RemoveTemplateFile
// keyed by lower-case names with backslashes, and the file sources that
// register their files through AddFileSource.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host_fakes.h"

namespace quenloft::testing {
namespace {

enum class Op { kAdd, kRemove };

const struct Script {
  const char* name;
  std::vector<Step<Op>> steps;
} kScripts[] = {
    {"SameFileOtherSpellingOrSource",
     {{Op::kAdd, "Sub/Page.HTM", Who::kA, 0, 2, 1},
      {Op::kAdd, "sub\\page.htm", Who::kA, 0, 2, 1},
      {Op::kAdd, "b.htm", Who::kA, 0, 3, 1},
      {Op::kAdd, "sub\\page.htm", Who::kB, 1, 3, 1},
      {Op::kAdd, "SUB/PAGE.HTM", Who::kB, 1, 3, 1}}},
    {"RemoveUsesTheExactKey",
     {{Op::kAdd, "Sub/Page.HTM", Who::kA, 0, 2, 1},
      {Op::kRemove, "Sub/Page.HTM", Who::kA, 0, 2, 1},
      {Op::kRemove, "sub/page.htm", Who::kA, 0, 2, 1},
      {Op::kRemove, "Sub\\Page.HTM", Who::kA, 0, 2, 1},
      {Op::kRemove, "sub\\page.htm", Who::kA, 0, 1, 1}}},
    {"RemoveByTheHolderOnly",
     {{Op::kAdd, "a.htm", Who::kA, 0, 2, 1},
      {Op::kRemove, "a.htm", Who::kB, 0, 2, 1},
      {Op::kAdd, "a.htm", Who::kB, 1, 2, 1},
      {Op::kRemove, "a.htm", Who::kA, 0, 1, 1},
      {Op::kAdd, "A.htm", Who::kB, 0, 1, 2}}},
    {"BadArguments",
     {{Op::kAdd, nullptr, Who::kA, 1, 1, 1},
      {Op::kAdd, "", Who::kA, 1, 1, 1},
      {Op::kAdd, "a.htm", Who::kNone, 1, 1, 1},
      {Op::kAdd, "a.htm", Who::kA, 0, 2, 1},
      {Op::kRemove, nullptr, Who::kA, 1, 2, 1},
      {Op::kRemove, "", Who::kA, 1, 2, 1},
      {Op::kRemove, "a.htm", Who::kNone, 1, 2, 1},
      {Op::kRemove, "missing.htm", Who::kA, 0, 2, 1}}},
};

TEST(TemplateFiles, KeepTheFirstSourceOfEachFile) {
  for (const Script& script : kScripts) {
    SCOPED_TRACE(script.name);
    FakeSource a, b;
    PlaySteps(a, b, script.steps, [](const ManagerRefs& m, const Step<Op>& step, ITplFileSource* f) {
      return step.op == Op::kAdd ? m.services->AddTemplateFile(step.name, f)
                                 : m.services->RemoveTemplateFile(step.name, f);
    });
  }
}

TEST(FileSource, RegistersEveryNameUntilTheFirstEmptyOne) {
  const struct {
    std::vector<std::string> names;
    int32_t references;  // taken on the source
    const char* calls;   // until the listing ended
  } kListings[] = {
      {{}, 0, "first "},
      {{"index.htm", "a/b.htm", "c.css"}, 3, "first next next next "},
      {{"a/b.htm", "A\\B.HTM"}, 1, "first next next "},
      {{"a.htm", "", "b.htm"}, 1, "first next "},
  };
  for (const auto& listing : kListings) {
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
  FakeSource a({"a.htm", "shared.htm", "a2.htm"});
  FakeSource b({"b.htm", "shared.htm"});
  ManagerRefs m = NewManager();
  ASSERT_TRUE(m.manager && m.services);
  EXPECT_EQ(m.manager->AddFileSource(nullptr), 1);
  EXPECT_EQ(m.manager->RemoveFileSource(nullptr), 1);
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
