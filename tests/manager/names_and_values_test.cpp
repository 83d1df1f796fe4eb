// The names a host gives a manager: MapFileName with and without a host,
// and which names AddUpdateFile puts on the update list, seen through the
// update pass (one Progress and one NotifyFile per entry).
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "host_fakes.h"
#include "inhouse/scratch_folder.h"
#include "support/codes.h"
#include "support/manager_session.h"
#include "support/spelling.h"

namespace quenloft::testing {
namespace {

using Names = std::vector<std::string>;

// The host is asked first, once, and never for a null path or string; the
// manager's own mapping, which a host that declines also gets, is tabled in
// the statement table (map rows).
TEST(MapFileName, TheHostIsAskedFirst) {
  RecordingHost host;
  host.map_to = "host.htm";
  {
    ManagerRefs m = NewManager();
    ASSERT_TRUE(m.manager && m.copier);
    Ref<ICvoString> out = NewText();
    EXPECT_EQ(m.manager->MapFileName(out.get(), "a/b.htm"), 0);  // no host yet
    EXPECT_EQ(TextOf(out.get()), "a\\b.htm");
    ASSERT_EQ(m.copier->Initialize(&host), 0);
    EXPECT_EQ(Codes({m.manager->MapFileName(nullptr, "a/b.htm"),
                     m.manager->MapFileName(out.get(), nullptr),
                     m.manager->MapFileName(out.get(), "C:/a/b/c.htm")}),
              "1,1,0");
    EXPECT_EQ(TextOf(out.get()), "host.htm");
    EXPECT_EQ(host.mapped, Names{"C:/a/b/c.htm"});
  }
  EXPECT_EQ(host.count(), 1);
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
