// CorvaskUtils with files and clocks (its text functions are rows of
// tests/data/inhouse/corvask_utils.txt).
#include <gmock/gmock.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "CorvaskUtils/CorvaskUtils.h"
#include "support/files.h"
#include "support/texts.h"

namespace inhouse_test {
namespace {

namespace fs = std::filesystem;
using quenloft::testing::ReadFile, quenloft::testing::ScratchFolder, quenloft::testing::WriteFile, quenloft::testing::Codes;

unsigned ModeOf(const std::string& path) {
  return static_cast<unsigned>(fs::status(path).permissions() & fs::perms::mask);
}

// A read-only file made normal gets its owner's write permission back.
TEST(CorvaskUtilsFiles, ExistenceAcceptsBothSeparatorsAndSoDoAttributes) {
  ScratchFolder scratch;
  WriteFile(scratch / "sub/a.txt", "x");
  ::chmod((scratch / "sub/a.txt").c_str(), 0444);
  const std::string file = scratch.path() + "\\sub\\a.txt";
  EXPECT_EQ(Codes({FileExist(file.c_str()), FolderExist(file.c_str()),
                   FolderExist((scratch.path() + "\\sub\\").c_str()),
                   FileExist((scratch / "sub").c_str()), FileExist("C:\\Windows\\win.ini"),
                   FileExist(nullptr), ChangeFileAttributeToNormal(file.c_str()),
                   ChangeFileAttributeToNormal((scratch / "missing").c_str())}),
            "1,0,1,0,0,0,1,0");
  EXPECT_EQ(ModeOf(scratch / "sub/a.txt"), 0644u);
}

TEST(CorvaskUtilsFiles, PrepareAndSafeCreateMakeFoldersButNoFile) {
  ScratchFolder scratch;
  const std::string folder = scratch.path() + "\\a\\b/c\\";
  EXPECT_EQ(Codes({PrepareFolder(folder.c_str()), PrepareFolder(folder.c_str()),
                   SafeCreateFile((scratch / "new/deeper/a.htm").c_str())}),
            "1,1,1");
  EXPECT_TRUE(fs::is_directory(scratch / "a/b/c"));
  EXPECT_TRUE(fs::is_empty(scratch / "new/deeper"));
  WriteFile(scratch / "old.htm", "keep me");
  EXPECT_TRUE(SafeCreateFile((scratch / "old.htm").c_str()));
  EXPECT_EQ(ReadFile(scratch / "old.htm"), "keep me");
  // Below a file, on a folder, below a file, nothing.
  EXPECT_EQ(Codes({PrepareFolder((scratch / "old.htm/sub").c_str()),
                   SafeCreateFile((scratch / "new").c_str()),
                   SafeCreateFile((scratch / "old.htm/x").c_str()), SafeCreateFile(nullptr)}),
            "0,0,0,0");
  if (::geteuid() == 0) return;  // root writes into any folder
  fs::create_directory(scratch / "locked");
  ::chmod((scratch / "locked").c_str(), 0555);
  EXPECT_FALSE(SafeCreateFile((scratch / "locked/a.htm").c_str()));
}

// Beyond what the manager's own temporary folders show: private, no way
// out through the prefix, no link followed on removal.
TEST(CorvaskUtilsFiles, UniqueTempFoldersArePrivateAndRemovedWithoutFollowingLinks) {
  ScratchFolder scratch;
  const std::string previous = ::getenv("TMPDIR") ? ::getenv("TMPDIR") : "";
  ::setenv("TMPDIR", scratch.path().c_str(), 1);
  const std::string folder = CreateUniqueTempFolder("ql_unit", 9);
  const std::string escaped = CreateUniqueTempFolder("../escape", 9);
  previous.empty() ? ::unsetenv("TMPDIR") : ::setenv("TMPDIR", previous.c_str(), 1);
  ASSERT_EQ(folder.rfind(scratch.path() + "/ql_unit", 0), 0u) << folder;
  EXPECT_EQ(folder.size(), scratch.path().size() + 1 + 7 + 9 + 1);  // with its "/"
  EXPECT_EQ(ModeOf(folder), 0700u);
  EXPECT_EQ(escaped, "");
  WriteFile(scratch / "outside/keep.txt", "keep");
  fs::create_directory_symlink(scratch / "outside", folder + "link");
  EXPECT_EQ(Codes({RemoveUniqueTempFolder(folder.c_str()), RemoveUniqueTempFolder(folder.c_str()),
                   RemoveUniqueTempFolder(nullptr)}),
            "1,0,0");
  EXPECT_EQ(ReadFile(scratch / "outside/keep.txt"), "keep");
}

class CheckTimeTest : public testing::Test {
 protected:
  void TearDown() override { CCheckTimeRecorder::SetCurrentTimeRecorder(nullptr); }
};

TEST_F(CheckTimeTest, TimerRecordsInTheCurrentRecorderOnly) {
  { CCheckTime unrecorded("nobody listens"); }
  CCheckTimeRecorder recorder;
  EXPECT_EQ(CCheckTimeRecorder::SetCurrentTimeRecorder(&recorder), nullptr);
  { CCheckTime timer("****Step(): a.htm"); }
  EXPECT_THAT(recorder.GetText(),
              testing::MatchesRegex("\\*\\*\\*\\*Step\\(\\): a\\.htm: [0-9]+\\.[0-9]{3} ms\n"));
  recorder.Clear();
  recorder.RecordTime("x", 1.5);
  recorder.Record("line");
  recorder.Record("ends\n");
  EXPECT_EQ(recorder.GetText(), "x: 1.500 ms\nline\nends\n");
}

TEST_F(CheckTimeTest, DestroyedRecorderStopsBeingCurrent) {
  {
    CCheckTimeRecorder inner;
    CCheckTimeRecorder::SetCurrentTimeRecorder(&inner);
  }
  EXPECT_EQ(CCheckTimeRecorder::GetCurrentTimeRecorder(), nullptr);
  { CCheckTime timer("after"); }  // must not touch the destroyed recorder
}

}  // namespace
}  // namespace inhouse_test
