// The copy and update passes end to end, through the public interfaces of a
// private copy of the library (so that files below its extension folder go
// through the template file cache and are deferred), with a host's own
// callback, file sources and string objects.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>

#include "cache/library_copy.h"
#include "support/files.h"
#include "support/host_objects.h"
#include "support/texts.h"

namespace quenloft_test {
namespace {

using namespace quenloft::testing;

using Texts = std::vector<std::string>;

const std::string kData = QUENLOFT_TEST_DATA "/copy-flow/";

std::string Failed(const std::string& name) {
  return "\r\nError: Fail to update Template file " + name + "\r\n";
}

class CopyFlowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(library_.Loaded() && manager_) << library_.Error();
    copier_ = manager_.query<ITplFileCopier>();
    ASSERT_EQ(copier_->Initialize(&host_), 0);
    manager_->SetSystemValue("System.ResultFolderName", result_.c_str());
    manager_->SetSystemValue("System.Title", "Quenloft sample");
    SetGlobal("greeting$$", "Hello");
    SetGlobal("color$$", "red");
  }
  void TearDown() override {
    if (copier_) copier_->Terminate();
    copier_.reset();
    manager_.reset();
    EXPECT_EQ(host_.count(), 1) << "the manager kept a reference to the host";
    for (const auto& source : sources_) EXPECT_EQ(source->count(), 1);
  }

  void SetGlobal(const char* name, const std::string& value) {
    manager_.query<ITplVariables>()->SetVariable(name, value.c_str());
  }
  // The fixture skin copied below `folder` (unless `copy` is false),
  // registered under `names`.
  HostSource& AddSkin(const std::string& folder, Texts names, bool copy = true) {
    EXPECT_TRUE(!copy || CopyTree(kData + "skin", folder));
    sources_.push_back(std::make_unique<HostSource>(std::move(names), folder));
    EXPECT_EQ(manager_->AddFileSource(sources_.back().get()), 0);
    return *sources_.back();
  }
  std::string OutsideSkin() const { return library_.OutsideFolder() + "skin/"; }
  std::string CachedSkin() const { return library_.ExtensionFolder() + "template_skin/"; }
  // A destination as the host hears of it.
  std::string Result(const std::string& name) const {
    return WithBackslashes(result_ + name);
  }

  LibraryCopy library_;
  RecordingHost host_;
  std::vector<std::unique_ptr<HostSource>> sources_;
  ManagerPtr manager_ = library_.CreateManager();
  quenloft::ComPtr<ITplFileCopier> copier_;
  std::string result_ = library_.Folder() + "/result/";
};

TEST_F(CopyFlowTest, SkinProducesTheGoldenFolder) {
  const std::string skin = OutsideSkin();
  AddSkin(skin, {"index.htm", "sub/page.htm", "sub\\deeper\\style.css", "img/logo.png",
                 skin + "notes.txt"});
  ASSERT_EQ(copier_->CopyFilesByHost(), 0);
  // The copy pass notifies each written file and asks nothing else.
  EXPECT_EQ(host_.notified.size(), 5u);
  EXPECT_TRUE(host_.outputs.empty() && host_.progress.empty() && host_.continue_questions == 0);

  for (const std::string& name : {std::string("index.htm"), result_ + "sub/page.htm",
                                  std::string("sub\\deeper\\style.css"), std::string("img/logo.png")})
    EXPECT_EQ(manager_->AddUpdateFile(name.c_str()), 0) << name;
  host_.Forget();
  ASSERT_EQ(copier_->UpdateFilesByHost(), 0);

  EXPECT_EQ(ReadTree(result_), ReadTree(kData + "expected"));
  const std::string dots(25, '.');
  EXPECT_EQ(host_.outputs,
            (Texts{"Template Error: can not resolve macro: Missing.Name in " + Result("index.htm") +
                       "\r\n",
                   dots, dots, dots, "\r\n"}));
  EXPECT_EQ(host_.progress,
            (std::vector<std::pair<int32_t, int32_t>>{{0, 4}, {1, 4}, {2, 4}, {3, 4}}));
  EXPECT_EQ(host_.notified, (Texts{Result("index.htm"), Result("sub/page.htm"),
                                   Result("sub/deeper/style.css"), Result("img/logo.png")}));
}

// A source that vanished is skipped and counts as copied; a destination that
// cannot be updated is reported relative to the result folder.
TEST_F(CopyFlowTest, MissingFilesAreSkippedOrReported) {
  AddSkin(OutsideSkin(), {"gone.htm", "index.htm"});
  ASSERT_EQ(copier_->CopyFilesByHost(), 0);
  EXPECT_EQ(host_.notified, Texts{Result("index.htm")});
  HostString out;
  EXPECT_EQ(copier_->CopyTemplateFile("gone.htm", &out), 1);
  EXPECT_EQ(out.text(), "");

  host_.Forget();
  manager_->AddUpdateFile("sub/missing.htm");
  ASSERT_EQ(copier_->UpdateFilesByHost(), 0);
  EXPECT_EQ(copier_->UpdateTemplateFile((result_ + "other.htm").c_str()), 0);
  EXPECT_EQ(host_.outputs, (Texts{Failed("sub\\missing.htm"), "\r\n", Failed("other.htm")}));
  EXPECT_EQ(host_.notified, (Texts{Result("sub/missing.htm"), result_ + "other.htm"}));
}

TEST_F(CopyFlowTest, UnwritableResultFolderFailsEveryUpdateAndWritesNothing) {
  const std::string blocker = library_.Folder() + "/blocker";
  ASSERT_TRUE(WriteFile(blocker, "a file where a folder should be"));
  manager_->SetSystemValue("System.ResultFolderName", (blocker + "/out/").c_str());
  AddSkin(OutsideSkin(), {"index.htm"});
  ASSERT_EQ(copier_->CopyFilesByHost(), 0);
  EXPECT_TRUE(host_.notified.empty());
  manager_->AddUpdateFile("index.htm");
  ASSERT_EQ(copier_->UpdateFilesByHost(), 0);
  EXPECT_EQ(host_.outputs, (Texts{Failed("index.htm"), "\r\n"}));
  EXPECT_EQ(ReadFile(blocker), "a file where a folder should be");
}

// Without a result folder, a template registered by a full path is copied
// to that path (and not by its bare name into the working folder).
TEST_F(CopyFlowTest, WithoutResultFolderAFullPathIsItsOwnDestination) {
  const std::string skin = OutsideSkin();
  ASSERT_TRUE(CopyTree(kData + "skin", skin));
  const std::string target = library_.Folder() + "/elsewhere/sub/index.htm";
  HostSource source({target}, skin);
  source.sources[target] = "index.htm";
  const ManagerPtr manager = library_.CreateManager();  // no System.ResultFolderName
  const auto copier = manager.query<ITplFileCopier>();
  ASSERT_EQ(manager->AddFileSource(&source), 0);
  HostString out;
  EXPECT_EQ(copier->CopyTemplateFile(target.c_str(), &out), 0);
  EXPECT_EQ(out.text(), WithBackslashes(target));
  EXPECT_EQ(ReadFile(target), ReadFile(skin + "index.htm"));
  EXPECT_EQ(manager->RemoveFileSource(&source), 0);
}

// A source that registers more files when the copy pass first asks it for
// a source path: the list of template files grows under the pass, which
// must not read a moved entry.
TEST_F(CopyFlowTest, FilesRegisteredDuringTheCopyPassDoNotDisturbIt) {
  const std::string skin = OutsideSkin();
  const auto services = manager_.query<ITplMacroServices>();
  HostSource& source = AddSkin(skin, {"index.htm"});
  source.when_asked = [&] {
    for (int i = 0; i < 200; ++i)
      services->AddTemplateFile(("extra/" + std::to_string(i) + ".htm").c_str(), &source);
  };
  ASSERT_EQ(copier_->CopyFilesByHost(), 0);
  EXPECT_EQ(ReadFile(result_ + "index.htm"), ReadFile(skin + "index.htm"));
  // The added files have no source on disk; each was asked for once.
  EXPECT_EQ(host_.notified, Texts{Result("index.htm")});
  EXPECT_EQ(source.source_path_questions, 201);
  EXPECT_EQ(manager_->RemoveFileSource(&source), 0);
  EXPECT_EQ(source.count(), 1);
}

// A file-size limit stands in for a full disk. Every file the passes fail
// to write is reported, whichever way it was to be written (patched in
// place, patched from the cache, flushed from the cache, or copied and then
// flushed from disk); an old file stays whole and no temporary file is left.
TEST_F(CopyFlowTest, EveryFailedWriteIsReported) {
  const std::string big(8 * 1024, 'b');
  const std::string grows = "<!--%big$$%-->";  // small, patched big
  const std::string outside = OutsideSkin();
  const std::string cached = CachedSkin();
  const Tree skin = {{outside + "patched.htm", grows},
                     {outside + "small.htm", "<!--%System.Title%-->"},
                     {outside + "copied.png", big},
                     {cached + "deferred.htm", grows},
                     {cached + "flushed.png", big}};
  for (const auto& [path, bytes] : skin) ASSERT_TRUE(WriteFile(path, bytes));
  SetGlobal("big$$", big);
  AddSkin(outside, {"patched.htm", "small.htm", "copied.png"}, false);
  AddSkin(cached, {"deferred.htm", "flushed.png"}, false);
  for (const char* name : {"patched.htm", "small.htm", "deferred.htm"})
    manager_->AddUpdateFile(name);
  {
    const FileSizeLimit limit(4 * 1024);
    if (!limit.active()) GTEST_SKIP() << "no file size limits here";
    ASSERT_EQ(copier_->CopyFilesByHost(), 0);
    ASSERT_EQ(copier_->UpdateFilesByHost(), 0);
  }
  const std::string dots(33, '.');
  Texts outputs = host_.outputs;
  ASSERT_EQ(outputs.size(), 7u) << host_.AllOutput();
  // The flush walks the deferred files in no particular order.
  std::sort(outputs.begin() + 5, outputs.end());
  EXPECT_EQ(outputs, (Texts{Failed("patched.htm"), dots, dots, Failed("deferred.htm"), "\r\n",
                            Failed("copied.png"), Failed("flushed.png")}));
  EXPECT_EQ(ReadTree(result_), (Tree{{"patched.htm", grows}, {"small.htm", "Quenloft sample"}}));
  // Written once there is room.
  EXPECT_EQ(manager_->WriteDeferredFile((result_ + "copied.png").c_str()), 0);
  EXPECT_EQ(ReadFile(result_ + "copied.png"), big);
}

// The cache holds them, so the copy pass writes nothing yet. The update
// writes from the cached bytes with markers replaced, and the deferred entry
// goes; the flush writes the others unpatched (zero bytes kept), under the
// destination's own spelling, and leaves their entries.
TEST_F(CopyFlowTest, CachedFilesAreDeferredThenUpdatedOrFlushed) {
  const std::string skin = CachedSkin();
  AddSkin(skin, {"index.htm", "sub/page.htm", "img/logo.png", "notes.txt", "Mixed/Case.HTM"});
  ASSERT_TRUE(WriteFile(skin + "Mixed/Case.HTM", "<p>mixed</p>"));
  ASSERT_EQ(copier_->CopyFilesByHost(), 0);
  EXPECT_TRUE(ReadTree(result_).empty());
  EXPECT_TRUE(host_.notified.empty());
  manager_->AddUpdateFile("index.htm");
  manager_->AddUpdateFile("img/logo.png");
  ASSERT_EQ(copier_->UpdateFilesByHost(), 0);
  Tree expected = {{"index.htm", ReadFile(kData + "expected/index.htm")}};
  for (const char* name : {"img/logo.png", "sub/page.htm", "notes.txt", "Mixed/Case.HTM"})
    expected[name] = ReadFile(skin + name);
  EXPECT_EQ(ReadTree(result_), expected);
  EXPECT_EQ(manager_->WriteDeferredFile((result_ + "index.htm").c_str()), 1);
  EXPECT_EQ(manager_->WriteDeferredFile((result_ + "sub/page.htm").c_str()), 0);
}

TEST_F(CopyFlowTest, HostThatStopsSkipsTheFlush) {
  AddSkin(CachedSkin(), {"index.htm", "sub/page.htm"});
  ASSERT_EQ(copier_->CopyFilesByHost(), 0);
  manager_->AddUpdateFile("index.htm");
  host_.keep_going = false;
  ASSERT_EQ(copier_->UpdateFilesByHost(), 0);
  EXPECT_EQ(ReadTree(result_), (Tree{{"index.htm", ReadFile(kData + "expected/index.htm")}}));
}

TEST_F(CopyFlowTest, CopyTemplateFileFindsNamesIgnoringCaseAndSlashes) {
  const std::string skin = OutsideSkin();
  AddSkin(skin, {"index.htm", "sub/page.htm"});
  HostString out;
  EXPECT_EQ(copier_->CopyTemplateFile("SUB\\PAGE.HTM", &out), 0);
  EXPECT_EQ(out.text(), Result("sub/page.htm"));
  EXPECT_EQ(ReadFile(result_ + "sub/page.htm"), ReadFile(skin + "sub/page.htm"));

  // The copy pass does not copy it again.
  host_.Forget();
  ASSERT_EQ(copier_->CopyFilesByHost(), 0);
  EXPECT_EQ(host_.notified, Texts{Result("index.htm")});

  // Already copied: the search goes on, asking the host after each entry.
  out.Empty();
  host_.Forget();
  EXPECT_EQ(copier_->CopyTemplateFile("sub/page.htm", &out), 1);
  EXPECT_EQ(out.text(), "");
  EXPECT_EQ(host_.continue_questions, 2);

  // An explicit destination copies again and leaves `out` and the host alone.
  const std::string elsewhere = library_.Folder() + "/elsewhere/copy.htm";
  out.SetText(elsewhere.c_str());
  host_.Forget();
  EXPECT_EQ(copier_->CopyTemplateFile("sub/page.htm", &out), 0);
  EXPECT_EQ(ReadFile(elsewhere), ReadFile(skin + "sub/page.htm"));
  EXPECT_EQ(out.text(), elsewhere);
  EXPECT_TRUE(host_.notified.empty());

  // A host that says stop ends the search with 0.
  out.Empty();
  host_.keep_going = false;
  EXPECT_EQ(copier_->CopyTemplateFile("sub/page.htm", &out), 0);
  EXPECT_EQ(copier_->CopyTemplateFile("unknown.htm", &out), 1);
}

// A skin written to write outside the output folder: names that climb out
// of their folder and links in the output. A victim folder beside the
// output must come out unchanged.
class HostileSkin : public CopyFlowTest {
 protected:
  void SetUp() override {
    CopyFlowTest::SetUp();
    if (HasFatalFailure()) return;
    manager_->SetSystemValue("System.Title", "patched");
    for (const char* name : {"index.htm", "L/page.htm", "sub/page.htm"})
      ASSERT_TRUE(WriteFile(skin_ + name, "<p><!--%System.Title%--></p>"));
    ASSERT_TRUE(WriteFile(victim_ + "secret.txt", "secret"));
    std::filesystem::create_directories(result_);
    victim_before_ = ReadTree(victim_);
  }
  void TearDown() override {
    EXPECT_EQ(ReadTree(victim_), victim_before_) << "the skin reached the victim";
    CopyFlowTest::TearDown();
  }
  // The host's messages without the progress dots.
  Texts Messages() const {
    Texts messages;
    for (const std::string& text : host_.outputs)
      if (text.find_first_not_of('.') != std::string::npos) messages.push_back(text);
    return messages;
  }

  const std::string skin_ = OutsideSkin();
  const std::string victim_ = library_.Folder() + "/victim/";
  Tree victim_before_;
};

// The messages name paths as the manager formed them, or as the host gave
// them.
std::string Outside(const std::string& destination) {
  return "\r\nError: Template file outside the result folder: " + destination + "\r\n";
}
// Links need a privilege on Windows; tests that need one skip without it.
bool MakeLink(const std::string& target, const std::string& link) {
  std::error_code error;
  std::filesystem::create_symlink(target, link, error);
  return !error;
}

// "\" is a separator: "L\..\..\victim\pwned.htm" climbs out of the output.
TEST_F(HostileSkin, NamesThatClimbOutAreRefusedWhenRegistered) {
  const std::pair<const char*, int32_t> kNames[] = {  // AddTemplateFile's answer, as AddUpdateFile's
      {"L\\..\\..\\victim\\pwned.htm", 1}, {"../victim/pwned.htm", 1}, {"sub/../../x.htm", 1},
      {"..", 1}, {"sub\\..", 1}, {"a..b.htm", 0}, {"..hidden", 0}, {"sub\\page..htm", 0},
  };
  const auto services = manager_.query<ITplMacroServices>();
  HostSource other({}, skin_);
  for (const auto& [name, registered] : kNames) {
    EXPECT_EQ(services->AddTemplateFile(name, &other), registered) << name;
    EXPECT_EQ(manager_->AddUpdateFile(name), registered) << name;
  }
  for (const auto& [name, registered] : kNames) services->RemoveTemplateFile(name, &other);

  AddSkin(skin_, {"index.htm", "L\\..\\..\\victim\\pwned.htm", "sub/../../victim/pwned.htm"}, false);
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
  AddSkin(skin_, {"index.htm", "L/page.htm"}, false);
  ASSERT_EQ(copier_->CopyFilesByHost(), 0);
  EXPECT_EQ(Messages(), Texts{Outside(Result("L/page.htm"))});
  EXPECT_FALSE(std::filesystem::is_symlink(result_ + "index.htm"));

  host_.Forget();
  for (const char* name : {"index.htm", "linked.htm", "L/page.htm"}) manager_->AddUpdateFile(name);
  ASSERT_EQ(copier_->UpdateFilesByHost(), 0);
  EXPECT_EQ(Messages(), (Texts{Outside(Result("linked.htm")), Failed("linked.htm"),
                               Failed("L\\page.htm"), "\r\n"}));
  EXPECT_EQ(ReadFile(result_ + "index.htm"), "<p>patched</p>");
  EXPECT_TRUE(std::filesystem::is_symlink(result_ + "linked.htm"));
}

// A file the cache holds is written at the end of the update pass, but
// only where the copy pass found its destination inside the output.
TEST_F(HostileSkin, DeferredFilesAreCheckedBeforeTheyAreRemembered) {
  if (!MakeLink(victim_, result_ + "sub")) GTEST_SKIP() << "no symbolic links here";
  ASSERT_TRUE(WriteFile(CachedSkin() + "sub/page.htm", "stock"));
  ASSERT_TRUE(WriteFile(CachedSkin() + "top.htm", "stock"));
  AddSkin(CachedSkin(), {"sub/page.htm", "top.htm"}, false);
  ASSERT_EQ(copier_->CopyFilesByHost(), 0);
  ASSERT_EQ(copier_->UpdateFilesByHost(), 0);
  EXPECT_EQ(Messages(), (Texts{Outside(Result("sub/page.htm")), "\r\n"}));
  EXPECT_EQ(ReadFile(result_ + "top.htm"), "stock");
}

// The update step of a host's own path stays in the output too (a
// destination the host gives CopyTemplateFile is its own choice: see
// CopyTemplateFileFindsNamesIgnoringCaseAndSlashes).
TEST_F(HostileSkin, HostPathOutsideTheOutputIsNotUpdated) {
  const std::string secret = victim_ + "secret.txt";
  EXPECT_EQ(copier_->UpdateTemplateFile(secret.c_str()), 0);
  EXPECT_EQ(Messages(), (Texts{Outside(secret), Failed(secret)}));
}

}  // namespace
}  // namespace quenloft_test
