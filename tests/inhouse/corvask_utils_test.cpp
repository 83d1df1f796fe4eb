#include <gmock/gmock.h>

#include <filesystem>
#include <string>

#include "CorvaskUtils/CorvaskUtils.h"
#include "inhouse/scratch_folder.h"
#include "support/texts.h"

namespace inhouse_test {
namespace {

using quenloft::testing::Codes;

TEST(CorvaskUtilsPaths, SplitPathNameTable) {
  struct { const char *path, *parts; } const cases[] = {  // folder|name|extension
      {"/srv/skin/page.tar.gz", "/srv/skin/|page.tar|.gz"}, {"dir/sub\\x.js", "dir/sub\\|x|.js"},
      {"dir.d/file", "dir.d/|file|"}, {"dir.d\\file.", "dir.d\\|file|."},
      {".hidden", "||.hidden"}, {"folder/", "folder/||"}, {"C:file.txt", "C:|file|.txt"},
      {"", "||"}, {nullptr, "||"}};
  for (const auto& c : cases) {
    std::string folder = "?", name = "?", extension = "?";
    SplitPathName(c.path, &folder, &name, &extension);
    EXPECT_EQ(folder + "|" + name + "|" + extension, c.parts);
    EXPECT_EQ(GetSplitDirName(c.path) + "|" + GetSplitFileName(c.path) + "|" + GetSplitExtName(c.path),
              c.parts);
  }
}

TEST(CorvaskUtilsPaths, IsFullPathNameTable) {
  for (const char* full : {"/srv/a", "\\dir\\a", "\\\\server\\share", "c:/a"})
    EXPECT_TRUE(IsFullPathName(full)) << full;
  for (const char* relative : {"C:a", "a/b", "", "1:\\a", "./a", static_cast<const char*>(nullptr)})
    EXPECT_FALSE(IsFullPathName(relative)) << (relative ? relative : "null");
}

TEST(CorvaskUtilsPaths, EqualityAndHashIgnoreCaseAndSeparator) {
  struct { const char *a, *b; bool equal; } const cases[] = {
      {"C:\\Skin\\Page.HTM", "c:/skin/page.htm", true}, {"/srv/a", "/srv/a/", false},
      {"\xC3\x89t\xC3\xA9", "\xC3\xA9t\xC3\xA9", false},  // only ASCII letters fold
      {"a", "", false}, {"", nullptr, true}};
  for (const auto& c : cases) {
    EXPECT_EQ(PathEqualNoCase(c.a, c.b), c.equal) << c.a;
    EXPECT_EQ(PathEqualNoCase(c.b, c.a), c.equal) << c.a;
    EXPECT_EQ(FileNameHashCode(c.a) == FileNameHashCode(c.b), c.equal) << c.a;
  }
  EXPECT_NE(FileNameHashCode("ab"), FileNameHashCode("ba"));
}

TEST(CorvaskUtilsPaths, PrefixAndExcludeFolderTable) {
  struct { const char *path, *folder; bool starts; const char* excluded; } const cases[] = {
      {"C:\\Out\\sub\\a.htm", "c:/out/", true, "sub\\a.htm"},
      {"/out/sub/a.htm", "/out", true, "sub/a.htm"},
      {"/outer/a.htm", "/out", true, "/outer/a.htm"},  // not a folder boundary
      {"/other/a.htm", "/out/", false, "/other/a.htm"}, {"/out/", "/out/", true, ""},
      {"/o", "/out/", false, "/o"}, {"/out/a", nullptr, true, "/out/a"}};
  for (const auto& c : cases) {
    EXPECT_EQ(PathStartsWithNoCase(c.path, c.folder), c.starts) << c.path;
    EXPECT_EQ(ExcludeFolder(c.path, c.folder), c.excluded) << c.path;
  }
  EXPECT_EQ(ExcludeFolder(nullptr, "/out/"), "");
}

TEST(CorvaskUtilsText, DeQuoteTable) {
  struct { const char *text, *opening, *closing, *result; } const cases[] = {
      {"'abc'", nullptr, nullptr, "abc"}, {"\"\"", nullptr, nullptr, ""},
      {"\"\"x\"\"", nullptr, nullptr, "\"x\""},  // one pair only
      {"\"abc'", nullptr, nullptr, "\"abc'"},    // unmatched pair
      {"\"", nullptr, nullptr, "\""},            // shorter than the pair
      {"\xFF" "a;b\xFF", "\xFF", "\xFF", "a;b"}, {"\xFF", "\xFF", "\xFF", "\xFF"},
      {"\"abc\"", "\xFF", "\xFF", "\"abc\""},    // explicit strings only
      {"<<a>>", "<<", ">>", "a"}, {"<<>", "<<", ">>", "<<>"}};
  for (const auto& c : cases) EXPECT_EQ(DeQuote(c.text, c.opening, c.closing), c.result) << c.text;
  EXPECT_EQ(DeQuote(nullptr, nullptr, nullptr), "");
}

TEST(CorvaskUtilsText, AsciiCaseFolding) {
  EXPECT_EQ(ToLowerAscii("AbC-\xC3\x89") + "|" + ToLowerAscii(nullptr), "abc-\xC3\x89|");
  EXPECT_EQ(CompareNoCaseAscii("ABC", "abc"), 0);
  EXPECT_GT(CompareNoCaseAscii("abc", "AB"), 0);
  EXPECT_GT(CompareNoCaseAscii("\xC3", "z"), 0);  // bytes compare unsigned
}

// What a host may remove after a killed write (the writers' own names are
// checked where such a write is staged): nothing of another form.
TEST(CorvaskUtilsText, LeftoverTempFileNamesAreExactlyTheWritersOwn) {
  const std::string stem64(64, 'n');
  EXPECT_TRUE(IsLeftoverTempFileName(("." + stem64 + ".quenloft-tmp-0123wxyz").c_str()));
  for (const std::string name :
       {"", "a.htm", ".a.htm.tmpabcdefgh", ".a.htm.quenloft-tmp-ABCDEFGH",
        ".a.htm.quenloft-tmp-abcdefg", ".a.htm.quenloft-tmp-abcdefghi", "a.htm.quenloft-tmp-abcdefgh",
        "..quenloft-tmp-abcdefgh", ".sub/a.quenloft-tmp-abcdefgh", ".a.htm.quenloft-tmp-abcd efg"})
    EXPECT_FALSE(IsLeftoverTempFileName(name.c_str())) << name;
  EXPECT_FALSE(IsLeftoverTempFileName(("." + stem64 + "n.quenloft-tmp-abcdefgh").c_str()));
  EXPECT_FALSE(IsLeftoverTempFileName(nullptr));
}

TEST(CorvaskUtilsFiles, ExistenceAcceptsBothSeparators) {
  ScratchFolder scratch;
  std::filesystem::create_directory(scratch / "sub");
  WriteFile(scratch / "sub/a.txt", "x");
  const std::string file = scratch.path() + "\\sub\\a.txt";
  EXPECT_EQ(Codes({FileExist(file.c_str()), FolderExist(file.c_str()),
                   FolderExist((scratch.path() + "\\sub\\").c_str()),
                   FileExist((scratch / "sub").c_str()), FileExist("C:\\Windows\\win.ini"),
                   FileExist(nullptr)}),
            "1,0,1,0,0,0");
}

TEST(CorvaskUtilsFiles, PrepareAndSafeCreateMakeFoldersButNoFile) {
  ScratchFolder scratch;
  const std::string folder = scratch.path() + "\\a\\b/c\\";
  EXPECT_EQ(Codes({PrepareFolder(folder.c_str()), PrepareFolder(folder.c_str()),
                   SafeCreateFile((scratch / "new/deeper/a.htm").c_str())}),
            "1,1,1");
  EXPECT_TRUE(std::filesystem::is_directory(scratch / "a/b/c"));
  EXPECT_THAT(NamesIn(scratch / "new/deeper"), testing::IsEmpty());
  WriteFile(scratch / "old.htm", "keep me");
  EXPECT_TRUE(SafeCreateFile((scratch / "old.htm").c_str()));
  EXPECT_EQ(ReadFile(scratch / "old.htm"), "keep me");
  // Below a file, on a folder, below a file, nothing.
  EXPECT_EQ(Codes({PrepareFolder((scratch / "old.htm/sub").c_str()),
                   SafeCreateFile((scratch / "new").c_str()),
                   SafeCreateFile((scratch / "old.htm/x").c_str()), SafeCreateFile(nullptr)}),
            "0,0,0,0");
  if (RunningAsRoot()) return;
  std::filesystem::create_directory(scratch / "locked");
  ::chmod((scratch / "locked").c_str(), 0555);
  EXPECT_FALSE(SafeCreateFile((scratch / "locked/a.htm").c_str()));
}

TEST(CorvaskUtilsFiles, ChangeFileAttributeToNormalAddsOwnerWrite) {
  ScratchFolder scratch;
  WriteFile(scratch / "ro.txt", "x");
  ::chmod((scratch / "ro.txt").c_str(), 0444);
  EXPECT_TRUE(ChangeFileAttributeToNormal((scratch / "ro.txt").c_str()));
  EXPECT_EQ(ModeOf(scratch / "ro.txt"), 0644u);
  EXPECT_FALSE(ChangeFileAttributeToNormal((scratch / "missing").c_str()));
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
  std::filesystem::create_directory(scratch / "outside");
  WriteFile(scratch / "outside/keep.txt", "keep");
  std::filesystem::create_directory_symlink(scratch / "outside", folder + "link");
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
  { CCheckTimeRecorder inner; CCheckTimeRecorder::SetCurrentTimeRecorder(&inner); }
  EXPECT_EQ(CCheckTimeRecorder::GetCurrentTimeRecorder(), nullptr);
  { CCheckTime timer("after"); }  // must not touch the destroyed recorder
}

}  // namespace
}  // namespace inhouse_test
