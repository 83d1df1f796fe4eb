// AddUpdateFile: which names reach the update list, seen through the
// update pass (one Progress and one NotifyFile per entry).
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "host_fakes.h"
#include "private_tmpdir.h"
#include "support/manager_session.h"
#include "support/spelling.h"

namespace quenloft::testing {
namespace {

class UpdateFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    result_folder_ = tmp_.path() + "/out/";
    ASSERT_NO_FATAL_FAILURE(s_.Open());
    ASSERT_EQ(s_.manager->SetSystemValue("System.ResultFolderName", result_folder_.c_str()), 0);
  }

  // The destinations the update pass went through, in order.
  std::vector<std::string> Pass() {
    s_.host.Forget();
    EXPECT_EQ(s_.copier->UpdateFilesByHost(), 0);
    const auto n = static_cast<int32_t>(s_.host.notified.size());
    std::vector<std::pair<int32_t, int32_t>> steps;
    for (int32_t i = 0; i < n; ++i) steps.emplace_back(i, n);
    EXPECT_EQ(s_.host.progress, steps);
    return s_.host.notified;
  }
  std::string Destination(const std::string& relative) const {
    return WithBackslashes(result_folder_) + relative;
  }

  PrivateTmpDir tmp_;
  std::string result_folder_;
  ManagerSession s_;
};

TEST_F(UpdateFiles, NamesReachTheListAsTheRuleSays) {
  struct Add {
    std::string path;
    int32_t result;
  };
  const Add adds[] = {
      {"", 0},                                         // nothing registered
      {"a/b.htm", 0},                                  // relative: as given, backslashes
      {"A\\B.HTM", 0},                                 // the same name in another case
      {result_folder_ + "c.htm", 0},                   // inside the result folder
      {UpperCase(result_folder_) + "Sub/D.htm", 0},    // folder compared ignoring case
      {"/elsewhere/e.htm", 1},                         // outside
      {tmp_.path() + "/output/f.htm", 1},              // shares only a name prefix
      {"C:\\out\\g.htm", 1},                           // another drive
  };
  for (const Add& add : adds) {
    EXPECT_EQ(s_.manager->AddUpdateFile(add.path.c_str()), add.result) << add.path;
  }
  EXPECT_EQ(s_.manager->AddUpdateFile(nullptr), 0);

  const std::vector<std::string> expected = {Destination("a\\b.htm"), Destination("c.htm"),
                                             Destination("Sub\\D.htm")};
  EXPECT_EQ(Pass(), expected);
}

TEST_F(UpdateFiles, InitializeAndTerminateEmptyTheList) {
  ASSERT_EQ(s_.manager->AddUpdateFile("before.htm"), 0);
  ASSERT_EQ(s_.copier->Terminate(), 0);
  ASSERT_EQ(s_.copier->Initialize(&s_.host), 0);
  ASSERT_EQ(s_.manager->AddUpdateFile("after.htm"), 0);
  EXPECT_EQ(Pass(), std::vector<std::string>{Destination("after.htm")});
  ASSERT_EQ(s_.copier->Initialize(&s_.host), 0);
  EXPECT_TRUE(Pass().empty());
}

TEST_F(UpdateFiles, ResultFolderIsReadOnceWhenFirstNeeded) {
  ASSERT_EQ(s_.manager->AddUpdateFile((result_folder_ + "a.htm").c_str()), 0);
  // Later changes of the value do not move the result folder.
  ASSERT_EQ(s_.manager->SetSystemValue("System.ResultFolderName", "/moved/"), 0);
  EXPECT_EQ(s_.manager->AddUpdateFile("/moved/b.htm"), 1);
  EXPECT_EQ(Pass(), std::vector<std::string>{Destination("a.htm")});
}

}  // namespace
}  // namespace quenloft::testing
