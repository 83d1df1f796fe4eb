#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "inhouse/scratch_folder.h"
#include "pmtkWin32FileServices/FileServices.h"

namespace {

using inhouse_test::ModeOf;
using inhouse_test::NamesIn;
using inhouse_test::ReadFile;
using inhouse_test::ScratchFolder;
using inhouse_test::WriteFile;
using testing::ElementsAre;

TEST(FileServices, CopyMakesNewFileWithSourcePermissions) {
  ScratchFolder scratch;
  std::string bytes(200 * 1024 + 3, 'q');
  bytes[5] = '\0';
  WriteFile(scratch / "src.bin", bytes);
  ::chmod((scratch / "src.bin").c_str(), 0640);
  ASSERT_EQ(pmtkCopyFile((scratch / "src.bin").c_str(), (scratch.path() + "\\dst.bin").c_str(), 0),
            1);
  EXPECT_EQ(ReadFile(scratch / "dst.bin"), bytes);
  EXPECT_EQ(ModeOf(scratch / "dst.bin"), 0640u);
  EXPECT_THAT(NamesIn(scratch.path()), ElementsAre("dst.bin", "src.bin"));
}

TEST(FileServices, CopyOverwritesKeepingDestinationPermissions) {
  ScratchFolder scratch;
  WriteFile(scratch / "src", "short");
  WriteFile(scratch / "dst", "a much longer destination");
  ::chmod((scratch / "dst").c_str(), 0600);
  ASSERT_EQ(pmtkCopyFile((scratch / "src").c_str(), (scratch / "dst").c_str(), 0), 1);
  EXPECT_EQ(ReadFile(scratch / "dst"), "short");
  EXPECT_EQ(ModeOf(scratch / "dst"), 0600u);

  WriteFile(scratch / "empty", "");
  ASSERT_EQ(pmtkCopyFile((scratch / "empty").c_str(), (scratch / "dst").c_str(), 0), 1);
  EXPECT_EQ(ReadFile(scratch / "dst"), "");
}

TEST(FileServices, FailedCopyLeavesDestinationAndNoTemporaryFile) {
  ScratchFolder scratch;
  WriteFile(scratch / "src", "new");
  WriteFile(scratch / "dst", "old");
  std::filesystem::create_directory(scratch / "folder");
  struct {
    const char* label;
    std::string source;
    std::string destination;
    int flags;
  } const cases[] = {
      {"missing source", scratch / "missing", scratch / "dst", 0},
      {"folder as source", scratch / "folder", scratch / "dst", 0},
      {"folder as destination", scratch / "src", scratch / "folder", 0},
      {"missing destination folder", scratch / "src", scratch / "no/dst", 0},
      {"reserved flags", scratch / "src", scratch / "dst", 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(pmtkCopyFile(c.source.c_str(), c.destination.c_str(), c.flags), 0) << c.label;
    EXPECT_EQ(ReadFile(scratch / "dst"), "old") << c.label;
    EXPECT_THAT(NamesIn(scratch.path()), ElementsAre("dst", "folder", "src")) << c.label;
  }
  EXPECT_EQ(pmtkCopyFile(nullptr, (scratch / "dst").c_str(), 0), 0);
  EXPECT_EQ(pmtkCopyFile((scratch / "src").c_str(), nullptr, 0), 0);
}

TEST(FileServices, DeleteRemovesFilesOnly) {
  ScratchFolder scratch;
  WriteFile(scratch / "a.txt", "x");
  std::filesystem::create_directory(scratch / "folder");
  EXPECT_EQ(pmtkDeleteFile((scratch.path() + "\\a.txt").c_str()), 1);
  EXPECT_FALSE(std::filesystem::exists(scratch / "a.txt"));
  EXPECT_EQ(pmtkDeleteFile((scratch / "a.txt").c_str()), 0);
  EXPECT_EQ(pmtkDeleteFile((scratch / "folder").c_str()), 0);
  EXPECT_TRUE(std::filesystem::is_directory(scratch / "folder"));
  EXPECT_EQ(pmtkDeleteFile(nullptr), 0);
}

}  // namespace
