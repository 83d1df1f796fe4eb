// The names and values a host gives a manager: MapFileName with and
// without a host, the system values, and which names AddUpdateFile puts on
// the update list, seen through the update pass (one Progress and one
// NotifyFile per entry).
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "host_fakes.h"
#include "inhouse/scratch_folder.h"
#include "support/manager_session.h"
#include "support/texts.h"

namespace quenloft::testing {
namespace {

using Names = std::vector<std::string>;

enum class HostKind { kNone, kAnswers, kDeclines };

TEST(MapFileName, MapsAsTheRuleSays) {
  const struct {
    HostKind host;
    const char* path;
    int32_t result;
    const char* text;  // of the out string, which starts as "before"
  } cases[] = {
      {HostKind::kNone, "C:/a/b/c.htm", 0, "c.htm"},
      {HostKind::kNone, "/srv/skins/index.htm", 0, "index.htm"},
      {HostKind::kNone, "Sub/Page.HTM", 0, "Sub\\Page.HTM"},  // relative: backslashes
      {HostKind::kNone, "", 1, "before"}, {HostKind::kNone, nullptr, 1, "before"},
      {HostKind::kAnswers, nullptr, 1, "before"},  // refused before the host is asked
      {HostKind::kAnswers, "C:/a/b/c.htm", 0, "host.htm"},
      {HostKind::kDeclines, "a/b.htm", 0, "a\\b.htm"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << (c.path != nullptr ? c.path : "(null)") << ", host "
                                      << static_cast<int>(c.host));
    RecordingHost host;
    if (c.host == HostKind::kAnswers) host.map_to = "host.htm";
    {
      ManagerRefs m = NewManager();
      ASSERT_TRUE(m.manager && m.copier);
      EXPECT_EQ(c.host != HostKind::kNone ? m.copier->Initialize(&host) : 0, 0);
      Ref<ICvoString> out = NewText();
      out->SetText("before");
      EXPECT_EQ(m.manager->MapFileName(nullptr, "a/b.htm"), 1);
      EXPECT_EQ(m.manager->MapFileName(out.get(), c.path), c.result);
      EXPECT_EQ(TextOf(out.get()), c.text);
      // The host is asked first, once, and never for a null path or out string.
      const bool asked = c.host != HostKind::kNone && c.path != nullptr;
      EXPECT_EQ(host.mapped, asked ? std::vector<std::string>{c.path} : std::vector<std::string>{});
    }
    EXPECT_EQ(host.count(), 1);
  }
}

TEST(SystemValues, ResolveToTheLastStoredValue) {
  const struct {
    const char *name, *value;  // stored
    const char* title;         // what System.Title resolves to afterwards
  } steps[] = {
      {"System.Title", "First", "First"}, {"System.Title", "Second", "Second"},
      {"System.Title", nullptr, "Second"},  // a null value stores nothing
      {nullptr, "Ignored", "Second"},       {nullptr, nullptr, "Second"},
      {"System.TITLE", "Other", "Second"},  // names are case-sensitive
      {"System.Title", "", ""},             // empty is a value
  };
  ManagerSession s;
  ASSERT_NO_FATAL_FAILURE(s.Open());
  for (const auto& step : steps) {
    SCOPED_TRACE(::testing::Message() << (step.name ? step.name : "(null)") << " = "
                                      << (step.value ? step.value : "(null)"));
    EXPECT_EQ(s.manager->SetSystemValue(step.name, step.value), 0);
    Ref<ICvoString> out = NewText();
    s.manager->ResolveMacroText("System.Title", out.get());
    EXPECT_EQ(TextOf(out.get()), step.title);
  }
}

class UpdateFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(s_.Open());
    ASSERT_EQ(s_.manager->SetSystemValue("System.ResultFolderName", result_.c_str()), 0);
  }
  // The destinations the update pass went through, in order.
  Names Pass() {
    s_.host.Forget();
    EXPECT_EQ(s_.copier->UpdateFilesByHost(), 0);
    const auto n = static_cast<int32_t>(s_.host.notified.size());
    std::vector<std::pair<int32_t, int32_t>> steps;
    for (int32_t i = 0; i < n; ++i) steps.emplace_back(i, n);
    EXPECT_EQ(s_.host.progress, steps);
    return s_.host.notified;
  }
  std::string In(const std::string& relative) const { return WithBackslashes(result_) + relative; }
  int32_t Add(const std::string& path) { return s_.manager->AddUpdateFile(path.c_str()); }

  inhouse_test::ScratchFolder tmp_;
  const std::string result_ = tmp_ / "out/";
  ManagerSession s_;
};

TEST_F(UpdateFiles, NamesReachTheListAsTheRuleSays) {
  const std::pair<std::string, int32_t> adds[] = {
      {"", 0},                                       // nothing registered
      {"a/b.htm", 0},                                // relative: as given, backslashes
      {"A\\B.HTM", 0},                               // the same name in another case
      {result_ + "c.htm", 0},                        // inside the result folder
      {UpperCase(result_) + "Sub/D.htm", 0},         // folder compared ignoring case
      {"/elsewhere/e.htm", 1},                       // outside
      {tmp_ / "output/f.htm", 1},                    // shares only a name prefix
      {"C:\\out\\g.htm", 1},                         // another drive
  };
  for (const auto& [path, result] : adds) EXPECT_EQ(Add(path), result) << path;
  EXPECT_EQ(s_.manager->AddUpdateFile(nullptr), 0);
  EXPECT_EQ(Pass(), (Names{In("a\\b.htm"), In("c.htm"), In("Sub\\D.htm")}));
  // A second pass goes through the list again and updates nothing again.
  s_.host.Forget();
  EXPECT_EQ(s_.copier->UpdateFilesByHost(), 0);
  EXPECT_EQ((Counts{static_cast<int32_t>(s_.host.progress.size()),
                    static_cast<int32_t>(s_.host.notified.size())}),
            (Counts{3, 0}));
}

TEST_F(UpdateFiles, InitializeAndTerminateEmptyTheList) {
  ASSERT_EQ(Add("before.htm"), 0);
  ASSERT_EQ(s_.copier->Terminate(), 0);
  ASSERT_EQ(s_.copier->Initialize(&s_.host), 0);
  ASSERT_EQ(Add("after.htm"), 0);
  EXPECT_EQ(Pass(), Names{In("after.htm")});
  ASSERT_EQ(s_.copier->Initialize(&s_.host), 0);
  EXPECT_TRUE(Pass().empty());
}

TEST_F(UpdateFiles, ResultFolderIsReadOnceWhenFirstNeeded) {
  ASSERT_EQ(Add(result_ + "a.htm"), 0);
  // Later changes of the value do not move the result folder.
  ASSERT_EQ(s_.manager->SetSystemValue("System.ResultFolderName", "/moved/"), 0);
  EXPECT_EQ(Add("/moved/b.htm"), 1);
  EXPECT_EQ(Pass(), Names{In("a.htm")});
}

}  // namespace
}  // namespace quenloft::testing
