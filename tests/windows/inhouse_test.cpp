// The in-house libraries where Windows differs: drive letters and
// backslashes name real files, attributes stand in for modes and no tree
// walk starts at a volume root. (What holds on every system runs here too,
// from tests/inhouse, with the HTML decoder's rows of
// tests/data/inhouse/windows.)
#include <windows.h>

#include <CorvaskUtils/CorvaskUtils.h>
#include <TAVLOR/ByteString.h>
#include <gtest/gtest.h>
#include <pmtkWin32FileServices/FileServices.h>

#include <string>

#include "posix_shims.h"  // for the shared fixtures, as in every other test folder
#include "support/files.h"
#include "support/texts.h"

namespace quenloft::testing {
namespace {

TEST(WindowsPaths, DriveLetterPathsNameFilesAndAttributesChange) {
  ScratchFolder scratch;
  const std::string folder = WithBackslashes(scratch.path()) + "\\";  // "C:\...\name\"
  ASSERT_EQ(FolderExist(folder.c_str()), 1);
  const std::string file = folder + "sub\\deeper\\page.htm", copy = folder + "sub\\copy.htm";
  ASSERT_EQ(SafeCreateFile(file.c_str()), 1);
  EXPECT_EQ(FolderExist((folder + "sub\\deeper").c_str()), 1);
  EXPECT_EQ(FileExist(file.c_str()), 0);  // nothing left behind
  ASSERT_EQ(CByteString("a\0b", 3).SaveToFile(file.c_str()), 1);
  ASSERT_EQ(pmtkCopyFile(file.c_str(), copy.c_str(), 0), 1);
  CByteString copied;
  EXPECT_EQ(copied.LoadFromFile(copy.c_str()), 1);
  EXPECT_EQ(std::string(copied.GetContent(), copied.GetLength()), std::string("a\0b", 3));
  EXPECT_EQ(pmtkDeleteFile(copy.c_str()), 1);
  EXPECT_EQ(FileExist(copy.c_str()), 0);
  EXPECT_EQ(PrepareFolder((folder + "made\\here\\").c_str()), 1);
  EXPECT_EQ(FolderExist((folder + "made/here").c_str()), 1);

  const DWORD kLocked = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
  ASSERT_TRUE(SetFileAttributesA(file.c_str(), kLocked));
  EXPECT_EQ(ChangeFileAttributeToNormal(file.c_str()), 1);
  EXPECT_EQ(GetFileAttributesA(file.c_str()) & kLocked, 0u);
  EXPECT_EQ(ChangeFileAttributeToNormal((folder + "missing.htm").c_str()), 0);
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
  for (const char* root : {"C:\\", "C:", "c:/", "\\\\server\\share", "\\\\server\\share\\"})
    EXPECT_EQ(RemoveUniqueTempFolder(root), 0) << root;
  EXPECT_EQ(FolderExist("C:\\"), 1);
}

}  // namespace
}  // namespace quenloft::testing
