// AddUpdateFile: which names reach the update list, seen through the
// update pass (one Progress and one NotifyFile per entry).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host_fakes.h"
#include "private_tmpdir.h"
#include "support/spelling.h"

namespace quenloft::testing {
namespace {

class UpdateFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    result_folder_ = tmp_.path() + "/out/";
    m_ = NewManager();
    ASSERT_TRUE(m_.manager && m_.copier);
    ASSERT_EQ(m_.copier->Initialize(&host_), 0);
    ASSERT_EQ(m_.manager->SetSystemValue("System.ResultFolderName", result_folder_.c_str()), 0);
  }
  void TearDown() override {
    if (m_.copier) {
      EXPECT_EQ(m_.copier->Terminate(), 0);
    }
    m_ = ManagerRefs{};
    EXPECT_EQ(host_.count(), 1);
  }

  // The destinations the update pass went through, in order.
  std::vector<std::string> Pass() {
    host_.progress.clear();
    host_.notified.clear();
    EXPECT_EQ(m_.copier->UpdateFilesByHost(), 0);
    for (size_t i = 0; i < host_.progress.size(); ++i) {
      EXPECT_EQ(host_.progress[i].first, static_cast<int32_t>(i));
      EXPECT_EQ(host_.progress[i].second, static_cast<int32_t>(host_.progress.size()));
    }
    EXPECT_EQ(host_.progress.size(), host_.notified.size());
    return host_.notified;
  }
  std::string Destination(const std::string& relative) const {
    return WithBackslashes(result_folder_) + relative;
  }

  PrivateTmpDir tmp_;
  std::string result_folder_;
  RecordingHost host_;
  ManagerRefs m_;
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
    EXPECT_EQ(m_.manager->AddUpdateFile(add.path.c_str()), add.result) << add.path;
  }
  EXPECT_EQ(m_.manager->AddUpdateFile(nullptr), 0);

  const std::vector<std::string> expected = {Destination("a\\b.htm"), Destination("c.htm"),
                                             Destination("Sub\\D.htm")};
  EXPECT_EQ(Pass(), expected);
}

TEST_F(UpdateFiles, InitializeAndTerminateEmptyTheList) {
  ASSERT_EQ(m_.manager->AddUpdateFile("before.htm"), 0);
  ASSERT_EQ(m_.copier->Terminate(), 0);
  ASSERT_EQ(m_.copier->Initialize(&host_), 0);
  ASSERT_EQ(m_.manager->AddUpdateFile("after.htm"), 0);
  EXPECT_EQ(Pass(), std::vector<std::string>{Destination("after.htm")});
  ASSERT_EQ(m_.copier->Initialize(&host_), 0);
  EXPECT_TRUE(Pass().empty());
}

TEST_F(UpdateFiles, ResultFolderIsReadOnceWhenFirstNeeded) {
  ASSERT_EQ(m_.manager->AddUpdateFile((result_folder_ + "a.htm").c_str()), 0);
  // Later changes of the value do not move the result folder.
  ASSERT_EQ(m_.manager->SetSystemValue("System.ResultFolderName", "/moved/"), 0);
  EXPECT_EQ(m_.manager->AddUpdateFile("/moved/b.htm"), 1);
  EXPECT_EQ(Pass(), std::vector<std::string>{Destination("a.htm")});
}

}  // namespace
}  // namespace quenloft::testing
