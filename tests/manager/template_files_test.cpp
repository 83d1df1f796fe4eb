// The template file bookkeeping: AddTemplateFile and RemoveTemplateFile
// keyed by lower-case names with backslashes, and the file sources that
// register their files through AddFileSource.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "host_fakes.h"
#include "support/refs.h"

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

struct Script {
  const char* name;
  std::vector<Step> steps;
};
void PrintTo(const Script& s, std::ostream* os) { *os << s.name; }

const Script kScripts[] = {
    {"SameFileOtherSpellingSameSource",
     {{Op::kAdd, "Sub/Page.HTM", Who::kA, 0, 2, 1},
      {Op::kAdd, "sub\\page.htm", Who::kA, 0, 2, 1}}},
    {"SameFileOtherSource",
     {{Op::kAdd, "Sub/Page.HTM", Who::kA, 0, 2, 1},
      {Op::kAdd, "sub\\page.htm", Who::kB, 1, 2, 1},
      {Op::kAdd, "SUB/PAGE.HTM", Who::kB, 1, 2, 1}}},
    {"RemoveUsesTheExactKey",
     {{Op::kAdd, "Sub/Page.HTM", Who::kA, 0, 2, 1},
      {Op::kRemove, "Sub/Page.HTM", Who::kA, 0, 2, 1},
      {Op::kRemove, "sub/page.htm", Who::kA, 0, 2, 1},
      {Op::kRemove, "Sub\\Page.HTM", Who::kA, 0, 2, 1},
      {Op::kRemove, "sub\\page.htm", Who::kA, 0, 1, 1}}},
    {"RemoveByAnotherSourceKeepsTheEntry",
     {{Op::kAdd, "a.htm", Who::kA, 0, 2, 1},
      {Op::kRemove, "a.htm", Who::kB, 0, 2, 1},
      {Op::kAdd, "a.htm", Who::kB, 1, 2, 1}}},
    {"RemovedNameIsFreeForAnotherSource",
     {{Op::kAdd, "a.htm", Who::kA, 0, 2, 1},
      {Op::kRemove, "a.htm", Who::kA, 0, 1, 1},
      {Op::kAdd, "A.htm", Who::kB, 0, 1, 2}}},
    {"OneReferencePerFile",
     {{Op::kAdd, "a.htm", Who::kA, 0, 2, 1},
      {Op::kAdd, "b.htm", Who::kA, 0, 3, 1},
      {Op::kAdd, "c/d.htm", Who::kA, 0, 4, 1},
      {Op::kRemove, "b.htm", Who::kA, 0, 3, 1}}},
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

class TemplateFileScript : public ::testing::TestWithParam<Script> {};

TEST_P(TemplateFileScript, KeepsTheFirstSourceOfEachFile) {
  FakeSource a, b;
  {
    ManagerRefs m = NewManager();
    ASSERT_TRUE(m.services);
    int index = 0;
    for (const Step& step : GetParam().steps) {
      SCOPED_TRACE(::testing::Message() << "step " << index++ << " "
                                        << (step.name != nullptr ? step.name : "(null)"));
      ITplFileSource* source = step.source == Who::kA   ? &a
                               : step.source == Who::kB ? &b
                                                        : nullptr;
      const int32_t result = step.op == Op::kAdd
                                 ? m.services->AddTemplateFile(step.name, source)
                                 : m.services->RemoveTemplateFile(step.name, source);
      EXPECT_EQ(result, step.result);
      EXPECT_EQ(a.count(), step.count_a);
      EXPECT_EQ(b.count(), step.count_b);
    }
  }
  EXPECT_EQ(a.count(), 1);
  EXPECT_EQ(b.count(), 1);
}

INSTANTIATE_TEST_SUITE_P(Table, TemplateFileScript, ::testing::ValuesIn(kScripts),
                         [](const auto& info) { return std::string(info.param.name); });

struct Listing {
  const char* name;
  std::vector<std::string> names;
  int32_t references;  // taken on the source
  int next_calls;      // GetNextName calls until the listing ended
};
void PrintTo(const Listing& l, std::ostream* os) { *os << l.name; }

const Listing kListings[] = {
    {"NoNames", {}, 0, 0},
    {"ThreeNames", {"index.htm", "a/b.htm", "c.css"}, 3, 3},
    {"SameFileTwice", {"a/b.htm", "A\\B.HTM"}, 1, 2},
    {"EmptyNameEndsTheListing", {"a.htm", "", "b.htm"}, 1, 1},
};

class FileSourceListing : public ::testing::TestWithParam<Listing> {};

TEST_P(FileSourceListing, RegistersEveryNameUntilTheFirstEmptyOne) {
  const Listing& c = GetParam();
  FakeSource source(c.names);
  {
    ManagerRefs m = NewManager();
    ASSERT_TRUE(m.manager);
    EXPECT_EQ(m.manager->AddFileSource(&source), 0);
    ASSERT_EQ(source.folders.size(), 1u);
    EXPECT_FALSE(source.folders[0].empty());
    EXPECT_EQ(source.first_calls, 1);
    EXPECT_EQ(source.bad_positions, 0);
    EXPECT_EQ(source.next_calls, c.next_calls);
    EXPECT_EQ(source.not_emptied, 0);
    EXPECT_EQ(source.count(), 1 + c.references);
  }
  EXPECT_EQ(source.count(), 1);
}

INSTANTIATE_TEST_SUITE_P(Table, FileSourceListing, ::testing::ValuesIn(kListings),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FileSource, RemoveFileSourceGivesBackOnlyThatSourcesFiles) {
  FakeSource a({"a.htm", "shared.htm", "a2.htm"});
  FakeSource b({"b.htm", "shared.htm"});
  ManagerRefs m = NewManager();
  ASSERT_TRUE(m.manager && m.services);
  ASSERT_EQ(m.manager->AddFileSource(&a), 0);
  ASSERT_EQ(m.manager->AddFileSource(&b), 0);
  EXPECT_EQ(a.count(), 4);
  EXPECT_EQ(b.count(), 2);  // shared.htm stays with a

  EXPECT_EQ(m.manager->RemoveFileSource(&a), 0);
  EXPECT_EQ(a.uninitialized, 1);
  EXPECT_EQ(b.uninitialized, 0);
  EXPECT_EQ(a.count(), 1);
  EXPECT_EQ(b.count(), 2);
  // The name is free again.
  EXPECT_EQ(m.services->AddTemplateFile("shared.htm", &b), 0);
  EXPECT_EQ(b.count(), 3);

  // A source that holds nothing (any more) is still told it was removed.
  EXPECT_EQ(m.manager->RemoveFileSource(&a), 0);
  EXPECT_EQ(a.uninitialized, 2);
}

TEST(FileSource, NullSourcesAreRefused) {
  ManagerRefs m = NewManager();
  ASSERT_TRUE(m.manager);
  EXPECT_EQ(m.manager->AddFileSource(nullptr), 1);
  EXPECT_EQ(m.manager->RemoveFileSource(nullptr), 1);
}

}  // namespace
}  // namespace quenloft::testing
