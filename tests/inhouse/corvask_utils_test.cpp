#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "CorvaskUtils/CorvaskUtils.h"
#include "inhouse/scratch_folder.h"
#include "support/codes.h"

namespace {

using inhouse_test::ModeOf;
using inhouse_test::NamesIn;
using inhouse_test::ReadFile;
using inhouse_test::ScratchFolder;
using inhouse_test::WriteFile;
using quenloft::testing::Codes;

TEST(CorvaskUtilsPaths, SplitPathNameTable) {
  struct {
    const char* path;
    const char* folder;
    const char* name;
    const char* extension;
  } const cases[] = {
      {"/srv/skin/page.tar.gz", "/srv/skin/", "page.tar", ".gz"},
      {"dir/sub\\x.js", "dir/sub\\", "x", ".js"},
      {"dir.d/file", "dir.d/", "file", ""},
      {"dir.d\\file.", "dir.d\\", "file", "."},
      {".hidden", "", "", ".hidden"},
      {"folder/", "folder/", "", ""},
      {"C:file.txt", "C:", "file", ".txt"},
      {"", "", "", ""},
  };
  for (const auto& c : cases) {
    std::string folder = "?", name = "?", extension = "?";
    SplitPathName(c.path, &folder, &name, &extension);
    EXPECT_EQ(folder + "|" + name + "|" + extension,
              std::string(c.folder) + "|" + c.name + "|" + c.extension);
    EXPECT_EQ(GetSplitDirName(c.path) + "|" + GetSplitFileName(c.path) + "|" + GetSplitExtName(c.path),
              folder + "|" + name + "|" + extension);
  }
  std::string extension;
  SplitPathName(nullptr, nullptr, nullptr, &extension);
  EXPECT_EQ(extension, "");
}

TEST(CorvaskUtilsPaths, IsFullPathNameTable) {
  for (const char* full : {"/srv/a", "\\dir\\a", "\\\\server\\share", "c:/a"})
    EXPECT_TRUE(IsFullPathName(full)) << full;
  for (const char* relative : {"C:a", "a/b", "", "1:\\a", "./a"})
    EXPECT_FALSE(IsFullPathName(relative)) << relative;
  EXPECT_FALSE(IsFullPathName(nullptr));
}

TEST(CorvaskUtilsPaths, EqualityAndHashIgnoreCaseAndSeparator) {
  struct {
    const char* a;
    const char* b;
    bool equal;
  } const cases[] = {
      {"C:\\Skin\\Page.HTM", "c:/skin/page.htm", true},
      {"/srv/a", "/srv/a/", false},
      {"\xC3\x89t\xC3\xA9", "\xC3\xA9t\xC3\xA9", false},  // only ASCII letters fold
      {"a", "", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PathEqualNoCase(c.a, c.b), c.equal) << c.a << " vs " << c.b;
    EXPECT_EQ(PathEqualNoCase(c.b, c.a), c.equal) << c.b << " vs " << c.a;
    if (c.equal) {
      EXPECT_EQ(FileNameHashCode(c.a), FileNameHashCode(c.b)) << c.a;
    }
  }
  EXPECT_NE(FileNameHashCode("ab"), FileNameHashCode("ba"));
}

TEST(CorvaskUtilsPaths, PrefixAndExcludeFolderTable) {
  struct {
    const char* path;
    const char* folder;
    bool starts;
    const char* excluded;
  } const cases[] = {
      {"C:\\Out\\sub\\a.htm", "c:/out/", true, "sub\\a.htm"},
      {"/out/sub/a.htm", "/out", true, "sub/a.htm"},
      {"/outer/a.htm", "/out", true, "/outer/a.htm"},  // not a folder boundary
      {"/other/a.htm", "/out/", false, "/other/a.htm"},
      {"/out/", "/out/", true, ""},
      {"/o", "/out/", false, "/o"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PathStartsWithNoCase(c.path, c.folder), c.starts) << c.path << " " << c.folder;
    EXPECT_EQ(ExcludeFolder(c.path, c.folder), c.excluded) << c.path << " " << c.folder;
  }
  EXPECT_EQ(ExcludeFolder("/out/a", nullptr), "/out/a");
  EXPECT_EQ(ExcludeFolder(nullptr, "/out/"), "");
}

TEST(CorvaskUtilsText, DeQuoteTable) {
  struct {
    const char* text;
    const char* opening;
    const char* closing;
    const char* result;
  } const cases[] = {
      {"'abc'", nullptr, nullptr, "abc"},
      {"\"\"", nullptr, nullptr, ""},
      {"\"\"x\"\"", nullptr, nullptr, "\"x\""},  // one pair only
      {"\"abc'", nullptr, nullptr, "\"abc'"},  // unmatched pair
      {"\"", nullptr, nullptr, "\""},          // shorter than the pair
      {"\xFF" "a;b\xFF", "\xFF", "\xFF", "a;b"},
      {"\xFF", "\xFF", "\xFF", "\xFF"},
      {"\"abc\"", "\xFF", "\xFF", "\"abc\""},  // explicit strings only
      {"<<a>>", "<<", ">>", "a"},
      {"<<>", "<<", ">>", "<<>"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(DeQuote(c.text, c.opening, c.closing), c.result) << c.text;
  EXPECT_EQ(DeQuote(nullptr, nullptr, nullptr), "");
}

TEST(CorvaskUtilsText, AsciiCaseFolding) {
  EXPECT_EQ(ToLowerAscii("AbC-\xC3\x89") + "|" + ToLowerAscii(nullptr), "abc-\xC3\x89|");
  EXPECT_EQ(CompareNoCaseAscii("ABC", "abc"), 0);
  EXPECT_GT(CompareNoCaseAscii("abc", "AB"), 0);
  EXPECT_GT(CompareNoCaseAscii("\xC3", "z"), 0);  // bytes compare unsigned
}

TEST(CorvaskUtilsFiles, ExistenceAcceptsBothSeparators) {
  ScratchFolder scratch;
  std::filesystem::create_directory(scratch / "sub");
  WriteFile(scratch / "sub/a.txt", "x");
  const std::string windows_style = scratch.path() + "\\sub\\a.txt";
  EXPECT_EQ(Codes({FileExist(windows_style.c_str()), FolderExist(windows_style.c_str()),
                   FolderExist((scratch.path() + "\\sub\\").c_str()),
                   FileExist((scratch / "sub").c_str()), FileExist("C:\\Windows\\win.ini"),
                   FileExist(nullptr)}),
            "1,0,1,0,0,0");
}

TEST(CorvaskUtilsFiles, PrepareAndSafeCreateMakeFoldersButNoFile) {
  ScratchFolder scratch;
  const std::string folder = scratch.path() + "\\a\\b/c\\";
  EXPECT_EQ(Codes({PrepareFolder(folder.c_str()), PrepareFolder(folder.c_str())}), "1,1");
  EXPECT_TRUE(std::filesystem::is_directory(scratch / "a/b/c"));

  EXPECT_TRUE(SafeCreateFile((scratch / "new/deeper/a.htm").c_str()));
  EXPECT_TRUE(std::filesystem::is_directory(scratch / "new/deeper"));
  EXPECT_THAT(NamesIn(scratch / "new/deeper"), testing::IsEmpty());

  WriteFile(scratch / "old.htm", "keep me");
  EXPECT_TRUE(SafeCreateFile((scratch / "old.htm").c_str()));
  EXPECT_EQ(ReadFile(scratch / "old.htm"), "keep me");

  // Below a file, on a folder, below a file, nothing.
  EXPECT_EQ(Codes({PrepareFolder((scratch / "old.htm/sub").c_str()),
                   SafeCreateFile((scratch / "new").c_str()),
                   SafeCreateFile((scratch / "old.htm/x").c_str()), SafeCreateFile(nullptr)}),
            "0,0,0,0");

  if (inhouse_test::RunningAsRoot()) return;  // root writes anywhere
  std::filesystem::create_directory(scratch / "locked");
  ::chmod((scratch / "locked").c_str(), 0555);
  EXPECT_FALSE(SafeCreateFile((scratch / "locked/a.htm").c_str()));
}

TEST(CorvaskUtilsFiles, ChangeFileAttributeToNormalAddsOwnerWrite) {
  ScratchFolder scratch;
  const std::string path = scratch / "ro.txt";
  WriteFile(path, "x");
  ::chmod(path.c_str(), 0444);
  EXPECT_TRUE(ChangeFileAttributeToNormal(path.c_str()));
  EXPECT_EQ(ModeOf(path), 0644u);
  EXPECT_FALSE(ChangeFileAttributeToNormal((scratch / "missing").c_str()));
}

// What a host may remove after a killed write: names of the writers' form
// only.
TEST(CorvaskUtilsFiles, LeftoverTempFileNamesAreExactlyTheWritersOwn) {
  const std::string stem64(64, 'n');
  for (const std::string& name :
       {std::string(), std::string("a.htm"), std::string(".a.htm.tmpabcdefgh"),
        std::string(".a.htm.quenloft-tmp-ABCDEFGH"), std::string(".a.htm.quenloft-tmp-abcdefg"),
        std::string(".a.htm.quenloft-tmp-abcdefghi"), std::string("a.htm.quenloft-tmp-abcdefgh"),
        std::string("..quenloft-tmp-abcdefgh"), "." + stem64 + "n.quenloft-tmp-abcdefgh",
        std::string(".sub/a.quenloft-tmp-abcdefgh"), std::string(".a.htm.quenloft-tmp-abcd efg")}) {
    EXPECT_FALSE(IsLeftoverTempFileName(name.c_str())) << name;
  }
  EXPECT_TRUE(IsLeftoverTempFileName(("." + stem64 + ".quenloft-tmp-abcdefgh").c_str()));
  EXPECT_FALSE(IsLeftoverTempFileName(nullptr));
}

class TempFolderTest : public testing::Test {
 protected:
  void SetUp() override {
    if (const char* previous = ::getenv("TMPDIR")) previous_ = previous;
    ::setenv("TMPDIR", scratch_.path().c_str(), 1);
  }
  void TearDown() override {
    previous_.empty() ? ::unsetenv("TMPDIR") : ::setenv("TMPDIR", previous_.c_str(), 1);
  }
  ScratchFolder scratch_;
  std::string previous_;
};

TEST_F(TempFolderTest, FoldersAreUniquePrivateAndInTheTemporaryFolder) {
  const std::string first = CreateUniqueTempFolder("ql_unit", 9);
  const std::string second = CreateUniqueTempFolder("ql_unit", 9);
  ASSERT_FALSE(first.empty());
  EXPECT_NE(first, second);
  for (const std::string& folder : {first, second}) {
    EXPECT_EQ(folder.rfind(scratch_.path() + "/ql_unit", 0), 0u) << folder;
    EXPECT_EQ(folder.back(), '/');
    EXPECT_GE(folder.size(), scratch_.path().size() + 1 + 7 + 9 + 1);
    EXPECT_EQ(ModeOf(folder), 0700u);
  }
  EXPECT_EQ(CreateUniqueTempFolder("../escape", 9), "");
}

TEST_F(TempFolderTest, RemovalTakesEverythingButFollowsNoLink) {
  const std::string folder = CreateUniqueTempFolder("ql_unit", 9);
  ASSERT_FALSE(folder.empty());
  std::filesystem::create_directories(folder + "a/b");
  WriteFile(folder + "a/b/f.txt", "x");
  std::filesystem::create_directory(scratch_ / "outside");
  WriteFile(scratch_ / "outside/keep.txt", "keep");
  std::filesystem::create_directory_symlink(scratch_ / "outside", folder + "a/link");

  EXPECT_TRUE(RemoveUniqueTempFolder(folder.c_str()));
  EXPECT_FALSE(std::filesystem::exists(folder));
  EXPECT_EQ(ReadFile(scratch_ / "outside/keep.txt"), "keep");
  EXPECT_EQ(Codes({RemoveUniqueTempFolder(folder.c_str()), RemoveUniqueTempFolder(nullptr)}),
            "0,0");
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

TEST_F(CheckTimeTest, RecordKeepsEveryLineFromManyThreads) {
  CCheckTimeRecorder recorder;
  constexpr int kThreads = 4, kLines = 200;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&recorder] {
      for (int i = 0; i < kLines; ++i) recorder.Record("0123456789");
    });
  for (std::thread& thread : threads) thread.join();
  std::string expected;
  for (int i = 0; i < kThreads * kLines; ++i) expected += "0123456789\n";
  EXPECT_EQ(recorder.GetText(), expected);  // whole lines, none lost
}

}  // namespace
