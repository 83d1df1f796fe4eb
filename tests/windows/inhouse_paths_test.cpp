// The in-house libraries with Windows paths: drive letters and
// backslashes name real files here, attributes stand in for modes, and no
// tree walk starts at a volume root.
// (What holds on every system runs here too, from tests/inhouse.)
#include <windows.h>

#include <CorvaskUtils/CorvaskUtils.h>
#include <TAVLOR/ByteString.h>
#include <gtest/gtest.h>
#include <pmtkWin32FileServices/FileServices.h>

#include <string>

namespace {

// A fresh folder below the system's temporary folder, spelled the Windows
// way ("C:\...\name\").
class WindowsPaths : public testing::Test {
 protected:
  WindowsPaths() {
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH, temp);
    folder_ = std::string(temp) + "ql-win-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(folder_.c_str(), nullptr);
  }
  ~WindowsPaths() override { RemoveUniqueTempFolder(folder_.c_str()); }
  std::string folder_;
};

std::string Content(const char* path) {
  CByteString loaded;
  return loaded.LoadFromFile(path) ? std::string(loaded.GetContent(), loaded.GetLength()) : "?";
}

TEST_F(WindowsPaths, DriveLetterPathsNameFiles) {
  ASSERT_EQ(FolderExist(folder_.c_str()), 1);
  const std::string file = folder_ + "sub\\deeper\\page.htm", copy = folder_ + "sub\\copy.htm";
  ASSERT_EQ(SafeCreateFile(file.c_str()), 1);
  EXPECT_EQ(FolderExist((folder_ + "sub\\deeper").c_str()), 1);
  EXPECT_EQ(FileExist(file.c_str()), 0);  // nothing left behind
  ASSERT_EQ(CByteString("a\0b", 3).SaveToFile(file.c_str()), 1);
  ASSERT_EQ(pmtkCopyFile(file.c_str(), copy.c_str(), 0), 1);
  EXPECT_EQ(Content(copy.c_str()), std::string("a\0b", 3));
  EXPECT_EQ(pmtkDeleteFile(copy.c_str()), 1);
  EXPECT_EQ(FileExist(copy.c_str()), 0);
  EXPECT_EQ(PrepareFolder((folder_ + "made\\here\\").c_str()), 1);
  EXPECT_EQ(FolderExist((folder_ + "made/here").c_str()), 1);
}

TEST_F(WindowsPaths, AttributeChangeClearsReadOnlyAndHidden) {
  const std::string file = folder_ + "locked.htm";
  ASSERT_EQ(CByteString("x", 1).SaveToFile(file.c_str()), 1);
  ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(ChangeFileAttributeToNormal(file.c_str()), 1);
  EXPECT_EQ(GetFileAttributesA(file.c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), 0u);
  EXPECT_EQ(ChangeFileAttributeToNormal((folder_ + "missing.htm").c_str()), 0);
}

TEST(WindowsTempFolders, InTheSystemsFolderWithBackslashesAndRemovedWhole) {
  const std::string made = CreateUniqueTempFolder("ql_win_", 9);
  ASSERT_FALSE(made.empty());
  char temp[MAX_PATH + 1] = {};
  GetTempPathA(MAX_PATH, temp);
  EXPECT_TRUE(PathStartsWithNoCase(made.c_str(), temp)) << made << " in " << temp;
  EXPECT_EQ(made.back(), '\\');
  ASSERT_EQ(PrepareFolder((made + "inner").c_str()), 1);
  ASSERT_EQ(CByteString("x", 1).SaveToFile((made + "inner\\file.txt").c_str()), 1);
  SetFileAttributesA((made + "inner\\file.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(RemoveUniqueTempFolder(made.c_str()), 1);
  EXPECT_EQ(FolderExist(made.c_str()), 0);
}

TEST(WindowsTempFolders, NoRemovalStartsAtAVolumeRoot) {
  for (const char* root : {"C:\\", "C:", "c:/", "\\\\server\\share", "\\\\server\\share\\"})
    EXPECT_EQ(RemoveUniqueTempFolder(root), 0) << root;
  EXPECT_EQ(FolderExist("C:\\"), 1);
}

}  // namespace
