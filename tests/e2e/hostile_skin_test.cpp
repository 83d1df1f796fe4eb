// A skin written to write outside the output folder, through the copy and
// update passes: names that climb out of their folder and links in the
// output. A victim folder beside the output must come out unchanged.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cache/library_copy.h"
#include "e2e/copy_flow_support.h"
#include "support/files.h"
#include "support/host_objects.h"
#include "support/texts.h"

namespace quenloft_test {
namespace {

using quenloft::testing::ReadFile;
using quenloft::testing::ReadTree;
using quenloft::testing::Tree;
using quenloft::testing::WriteFile;
using quenloft::testing::WithBackslashes;
using Texts = std::vector<std::string>;

// The messages name paths as the manager formed them, or as the host gave
// them.
std::string Failed(const std::string& name) {
  return "\r\nError: Fail to update Template file " + name + "\r\n";
}
std::string Outside(const std::string& destination) {
  return "\r\nError: Template file outside the result folder: " + destination + "\r\n";
}

// Links need a privilege on Windows; tests that need one skip without it.
bool MakeLink(const std::string& target, const std::string& link) {
  std::error_code error;
  std::filesystem::create_symlink(target, link, error);
  return !error;
}

class HostileSkin : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(library_.Loaded()) << library_.Error();
    ASSERT_EQ(manager_->QueryInterface(IID_ITplFileCopier, reinterpret_cast<void**>(&copier_)), 0);
    ASSERT_EQ(manager_->QueryInterface(IID_ITplMacroServices, reinterpret_cast<void**>(&services_)),
              0);
    ASSERT_EQ(copier_->Initialize(&host_), 0);
    manager_->SetSystemValue("System.ResultFolderName", result_.c_str());
    manager_->SetSystemValue("System.Title", "patched");
    for (const char* name : {"index.htm", "L/page.htm", "sub/page.htm"})
      ASSERT_TRUE(WriteFile(skin_ + name, "<p><!--%System.Title%--></p>"));
    ASSERT_TRUE(WriteFile(victim_ + "secret.txt", "secret"));
    std::filesystem::create_directories(result_);
    victim_before_ = ReadTree(victim_);
  }
  void TearDown() override {
    EXPECT_EQ(ReadTree(victim_), victim_before_) << "the skin reached the victim";
    if (source_ != nullptr) {
      EXPECT_EQ(manager_->RemoveFileSource(source_.get()), 0);
    }
    services_->Release();
    copier_->Terminate();
    copier_->Release();
  }
  void AddSkin(const std::string& folder, Texts names) {
    source_ = std::make_unique<ListSource>(folder, std::move(names));
    ASSERT_EQ(manager_->AddFileSource(source_.get()), 0);
  }
  // The host's messages without the progress dots.
  Texts Messages() const {
    Texts messages;
    for (const std::string& text : host_.outputs)
      if (text.find_first_not_of('.') != std::string::npos) messages.push_back(text);
    return messages;
  }

  LibraryCopy library_;
  quenloft::testing::RecordingHost host_;
  ManagerPtr manager_ = library_.CreateManager();
  ITplFileCopier* copier_ = nullptr;
  ITplMacroServices* services_ = nullptr;
  std::unique_ptr<ListSource> source_;
  const std::string skin_ = library_.OutsideFolder() + "skin/";
  const std::string result_ = library_.Folder() + "/result/";
  const std::string victim_ = library_.Folder() + "/victim/";
  Tree victim_before_;
};

// "\" is a separator: "L\..\..\victim\pwned.htm" climbs out of the output.
TEST_F(HostileSkin, NamesThatClimbOutAreRefusedWhenRegistered) {
  const struct {
    const char* name;
    int32_t registered;  // AddTemplateFile's answer; AddUpdateFile gives the same
  } cases[] = {
      {"L\\..\\..\\victim\\pwned.htm", 1}, {"../victim/pwned.htm", 1}, {"sub/../../x.htm", 1},
      {"..", 1}, {"sub\\..", 1}, {"a..b.htm", 0}, {"..hidden", 0}, {"sub\\page..htm", 0},
  };
  ListSource other(skin_, {});
  for (const auto& c : cases) {
    EXPECT_EQ(services_->AddTemplateFile(c.name, &other), c.registered) << c.name;
    EXPECT_EQ(manager_->AddUpdateFile(c.name), c.registered) << c.name;
  }
  for (const auto& c : cases) services_->RemoveTemplateFile(c.name, &other);

  AddSkin(skin_, {"index.htm", "L\\..\\..\\victim\\pwned.htm", "sub/../../victim/pwned.htm"});
  ASSERT_EQ(copier_->CopyFilesByHost(), 0);
  ASSERT_EQ(copier_->UpdateFilesByHost(), 0);
  EXPECT_EQ(ReadTree(result_), (Tree{{"index.htm", "<p><!--%System.Title%--></p>"}}));
  EXPECT_EQ(other.count(), 1);
}

// A link in the output leads nowhere: a folder link refuses the files
// below it, a file link at a destination is replaced when the copy pass
// writes it and refused when the update step would read through it.
TEST_F(HostileSkin, LinksInTheOutputAreNotFollowed) {
  if (!MakeLink(victim_, result_ + "L")) GTEST_SKIP() << "no symbolic links here";
  ASSERT_TRUE(MakeLink(victim_ + "secret.txt", result_ + "index.htm"));
  ASSERT_TRUE(MakeLink(victim_ + "secret.txt", result_ + "linked.htm"));
  AddSkin(skin_, {"index.htm", "L/page.htm"});
  ASSERT_EQ(copier_->CopyFilesByHost(), 0);
  EXPECT_EQ(Messages(), Texts{Outside(WithBackslashes(result_ + "L/page.htm"))});
  EXPECT_FALSE(std::filesystem::is_symlink(result_ + "index.htm"));

  host_.Forget();
  for (const char* name : {"index.htm", "linked.htm", "L/page.htm"}) manager_->AddUpdateFile(name);
  ASSERT_EQ(copier_->UpdateFilesByHost(), 0);
  EXPECT_EQ(Messages(), (Texts{Outside(WithBackslashes(result_ + "linked.htm")),
                               Failed("linked.htm"), Failed("L\\page.htm"), "\r\n"}));
  EXPECT_EQ(ReadFile(result_ + "index.htm"), "<p>patched</p>");
  EXPECT_TRUE(std::filesystem::is_symlink(result_ + "linked.htm"));
}

// A file the cache holds is written at the end of the update pass, but
// only where the copy pass found its destination inside the output.
TEST_F(HostileSkin, DeferredFilesAreCheckedBeforeTheyAreRemembered) {
  if (!MakeLink(victim_, result_ + "sub")) GTEST_SKIP() << "no symbolic links here";
  const std::string cached = library_.ExtensionFolder() + "template_skin/";
  ASSERT_TRUE(WriteFile(cached + "sub/page.htm", "stock"));
  ASSERT_TRUE(WriteFile(cached + "top.htm", "stock"));
  AddSkin(cached, {"sub/page.htm", "top.htm"});
  ASSERT_EQ(copier_->CopyFilesByHost(), 0);
  ASSERT_EQ(copier_->UpdateFilesByHost(), 0);
  EXPECT_EQ(Messages(), (Texts{Outside(WithBackslashes(result_ + "sub/page.htm")), "\r\n"}));
  EXPECT_EQ(ReadFile(result_ + "top.htm"), "stock");
}

// The update step of a host's own path stays in the output too; a
// destination the host gives CopyTemplateFile is its own choice.
TEST_F(HostileSkin, HostPathsOutsideTheOutput) {
  AddSkin(skin_, {"index.htm"});
  const std::string secret = victim_ + "secret.txt";
  EXPECT_EQ(copier_->UpdateTemplateFile(secret.c_str()), 0);
  EXPECT_EQ(Messages(), (Texts{Outside(secret), Failed(secret)}));

  const std::string elsewhere = library_.Folder() + "/elsewhere/index.htm";
  quenloft::testing::HostString out;
  out.SetText(elsewhere.c_str());
  EXPECT_EQ(copier_->CopyTemplateFile("index.htm", &out), 0);
  EXPECT_EQ(ReadFile(elsewhere), ReadFile(skin_ + "index.htm"));
}

}  // namespace
}  // namespace quenloft_test
