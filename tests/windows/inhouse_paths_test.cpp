// The in-house libraries with Windows paths: drive letters and
// backslashes name real files here, attributes stand in for modes, and no
// tree walk starts at a volume root.
#include <windows.h>

#include <CorvaskUtils/CorvaskUtils.h>
#include <TAVLOR/ByteString.h>
#include <gtest/gtest.h>
#include <pmtkWin32FileServices/FileServices.h>

#include <string>

namespace {

// A fresh folder below the system's temporary folder, spelled the Windows
// way ("C:\...\name\").
class WindowsFolder {
 public:
  WindowsFolder() {
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp) + "ql-win-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~WindowsFolder() { RemoveUniqueTempFolder(path_.c_str()); }
  WindowsFolder(const WindowsFolder&) = delete;
  WindowsFolder& operator=(const WindowsFolder&) = delete;

  std::string operator/(const char* name) const { return path_ + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

TEST(WindowsPaths, DriveLetterPathsNameFiles) {
  WindowsFolder folder;
  ASSERT_EQ(FolderExist(folder.path().c_str()), 1);
  const std::string file = folder / "sub\\deeper\\page.htm";
  ASSERT_EQ(SafeCreateFile(file.c_str()), 1);
  EXPECT_EQ(FolderExist((folder / "sub\\deeper").c_str()), 1);
  EXPECT_EQ(FileExist(file.c_str()), 0);  // nothing left behind

  CByteString bytes("a\0b", 3);
  ASSERT_EQ(bytes.SaveToFile(file.c_str()), 1);
  EXPECT_EQ(FileExist(file.c_str()), 1);
  CByteString loaded;
  ASSERT_EQ(loaded.LoadFromFile(file.c_str()), 1);
  EXPECT_EQ(loaded.GetLength(), 3u);

  const std::string copy = folder / "sub\\copy.htm";
  ASSERT_EQ(pmtkCopyFile(file.c_str(), copy.c_str(), 0), 1);
  ASSERT_EQ(loaded.LoadFromFile(copy.c_str()), 1);
  EXPECT_EQ(std::string(loaded.GetContent(), loaded.GetLength()), std::string("a\0b", 3));
  EXPECT_EQ(pmtkDeleteFile(copy.c_str()), 1);
  EXPECT_EQ(FileExist(copy.c_str()), 0);
  EXPECT_EQ(PrepareFolder((folder / "made\\here\\").c_str()), 1);
  EXPECT_EQ(FolderExist((folder / "made/here").c_str()), 1);
}

TEST(WindowsPaths, SaveReplacesAnExistingFileWhole) {
  WindowsFolder folder;
  const std::string file = folder / "page.htm";
  CByteString first;
  first = "old content that is longer";
  ASSERT_EQ(first.SaveToFile(file.c_str()), 1);
  CByteString second;
  second = "new";
  ASSERT_EQ(second.SaveToFile(file.c_str()), 1);
  CByteString loaded;
  ASSERT_EQ(loaded.LoadFromFile(file.c_str()), 1);
  EXPECT_STREQ(loaded.GetContent(), "new");
  // No temporary file stays beside the target.
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder / "*").c_str(), &entry);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  int files = 0;
  do {
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) ++files;
  } while (FindNextFileA(find, &entry));
  FindClose(find);
  EXPECT_EQ(files, 1);
}

TEST(WindowsPaths, AttributeChangeClearsReadOnlyAndHidden) {
  WindowsFolder folder;
  const std::string file = folder / "locked.htm";
  CByteString bytes;
  bytes = "x";
  ASSERT_EQ(bytes.SaveToFile(file.c_str()), 1);
  ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(ChangeFileAttributeToNormal(file.c_str()), 1);
  const DWORD attributes = GetFileAttributesA(file.c_str());
  EXPECT_EQ(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), 0u);
  EXPECT_EQ(ChangeFileAttributeToNormal((folder / "missing.htm").c_str()), 0);
}

TEST(WindowsPaths, UniqueTempFoldersAndTheirRemoval) {
  const std::string made = CreateUniqueTempFolder("ql_win_", 9);
  ASSERT_FALSE(made.empty());
  EXPECT_EQ(FolderExist(made.c_str()), 1);
  char temp[MAX_PATH + 1] = {};
  GetTempPathA(MAX_PATH, temp);
  EXPECT_TRUE(PathStartsWithNoCase(made.c_str(), temp)) << made << " in " << temp;
  CByteString bytes;
  bytes = "x";
  ASSERT_EQ(bytes.SaveToFile((made + "inner\\file.txt").c_str()), 0);  // no parent yet
  ASSERT_EQ(PrepareFolder((made + "inner").c_str()), 1);
  ASSERT_EQ(bytes.SaveToFile((made + "inner\\file.txt").c_str()), 1);
  SetFileAttributesA((made + "inner\\file.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(RemoveUniqueTempFolder(made.c_str()), 1);
  EXPECT_EQ(FolderExist(made.c_str()), 0);
}

TEST(WindowsPaths, NoRemovalStartsAtAVolumeRoot) {
  for (const char* root : {"C:\\", "C:", "c:/", "\\\\server\\share", "\\\\server\\share\\"})
    EXPECT_EQ(RemoveUniqueTempFolder(root), 0) << root;
  EXPECT_EQ(FolderExist("C:\\"), 1);
}

}  // namespace
