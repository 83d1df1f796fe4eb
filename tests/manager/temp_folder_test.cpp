// Each manager's own temporary folder: made in the system's temporary
// folder when the manager is made, told to every file source, removed when
// the manager ends.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "host_fakes.h"
#include "private_tmpdir.h"

namespace quenloft::testing {
namespace {

namespace fs = std::filesystem;

constexpr char kPrefix[] = "pelion5_quenloft";

// The folder a manager tells its file sources.
std::string FolderOf(const ManagerRefs& m) {
  FakeSource probe;
  m.manager->AddFileSource(&probe);
  return probe.folders.empty() ? std::string() : probe.folders.front();
}

TEST(TempFolder, EachManagerHasItsOwnFolderUntilItEnds) {
  PrivateTmpDir tmp;
  ASSERT_FALSE(tmp.path().empty());
  ManagerRefs first = NewManager();
  ManagerRefs second = NewManager();
  ASSERT_TRUE(first.manager && second.manager);
  const auto entries = tmp.Entries();
  ASSERT_EQ(entries.size(), 2u);
  for (const std::string& name : entries) {
    EXPECT_EQ(name.rfind(kPrefix, 0), 0u) << name;
    EXPECT_GT(name.size(), sizeof kPrefix - 1) << "a unique suffix follows the prefix";
  }

  const std::string first_folder = FolderOf(first);
  EXPECT_EQ(FolderOf(first), first_folder) << "every source is told the same folder";
  const std::string second_folder = FolderOf(second);
  EXPECT_NE(first_folder, second_folder);
  for (const std::string& folder : {first_folder, second_folder}) {
    EXPECT_TRUE(fs::is_directory(folder)) << folder;
    EXPECT_EQ(fs::path(folder).parent_path().parent_path(), fs::path(tmp.path()))
        << folder << " is not directly inside TMPDIR";
    EXPECT_EQ(fs::path(folder).parent_path().filename().string().rfind(kPrefix, 0), 0u);
  }

  // Whatever a file source left there goes with the folder; one removed by
  // others is no error.
  fs::create_directories(fs::path(first_folder) / "sub");
  std::ofstream(fs::path(first_folder) / "sub" / "file.txt") << "left by a file source";
  first = ManagerRefs{};
  EXPECT_FALSE(fs::exists(first_folder));
  ASSERT_TRUE(fs::remove_all(second_folder) > 0);
  second = ManagerRefs{};
  EXPECT_TRUE(tmp.Entries().empty());
}

TEST(TempFolder, ManagerWorksWithoutAUsableTemporaryFolder) {
  PrivateTmpDir tmp;
  setenv("TMPDIR", (tmp.path() + "/missing").c_str(), 1);
  RecordingHost host;
  {
    ManagerRefs m = NewManager();
    ASSERT_TRUE(m.manager && m.copier);
    EXPECT_EQ(m.copier->Initialize(&host), 0);
    FakeSource source({"a.htm"});
    EXPECT_EQ(m.manager->AddFileSource(&source), 0);
    EXPECT_EQ(source.count(), 2);
    EXPECT_EQ(m.manager->RemoveFileSource(&source), 0);
    EXPECT_EQ(source.count(), 1);
  }
  EXPECT_EQ(host.count(), 1);
  EXPECT_TRUE(tmp.Entries().empty());
}

}  // namespace
}  // namespace quenloft::testing
