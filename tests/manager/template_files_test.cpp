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
enum class Who { kA, kB, kNone };

struct Step {
  Op op;
  const char* name;
  Who source;
  int32_t result;
  int32_t count_a;  // counts after the step
  int32_t count_b;
};

const struct Script {
  const char* name;
  std::vector<Step> steps;
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
    {
      ManagerRefs m = NewManager();
      ASSERT_TRUE(m.services);
      int index = 0;
      for (const Step& step : script.steps) {
        SCOPED_TRACE(::testing::Message() << "step " << index++);
        ITplFileSource* source = step.source == Who::kA ? &a : step.source == Who::kB ? &b : nullptr;
        EXPECT_EQ(step.op == Op::kAdd ? m.services->AddTemplateFile(step.name, source)
                                      : m.services->RemoveTemplateFile(step.name, source),
                  step.result);
        EXPECT_EQ(a.count(), step.count_a);
        EXPECT_EQ(b.count(), step.count_b);
      }
    }
    EXPECT_EQ(a.count(), 1);
    EXPECT_EQ(b.count(), 1);
  }
}

TEST(FileSource, RegistersEveryNameUntilTheFirstEmptyOne) {
  const struct {
    std::vector<std::string> names;
    int32_t references;  // taken on the source
    int next_calls;      // GetNextName calls until the listing ended
  } kListings[] = {
      {{}, 0, 0},
      {{"index.htm", "a/b.htm", "c.css"}, 3, 3},
      {{"a/b.htm", "A\\B.HTM"}, 1, 2},
      {{"a.htm", "", "b.htm"}, 1, 1},
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
      EXPECT_EQ(source.first_calls, 1);
      EXPECT_EQ(source.bad_positions, 0);
      EXPECT_EQ(source.next_calls, listing.next_calls);
      EXPECT_EQ(source.not_emptied, 0);
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
  EXPECT_EQ(a.count(), 4);
  EXPECT_EQ(b.count(), 2);  // shared.htm stays with a

  EXPECT_EQ(m.manager->RemoveFileSource(&a), 0);
  EXPECT_EQ(a.uninitialized, 1);
  EXPECT_EQ(b.uninitialized, 0);
  EXPECT_EQ(a.count(), 1);
  EXPECT_EQ(b.count(), 2);
  EXPECT_EQ(m.services->AddTemplateFile("shared.htm", &b), 0) << "the name is free again";
  EXPECT_EQ(b.count(), 3);
  // A source that holds nothing (any more) is still told it was removed.
  EXPECT_EQ(m.manager->RemoveFileSource(&a), 0);
  EXPECT_EQ(a.uninitialized, 2);
}

}  // namespace
}  // namespace quenloft::testing
