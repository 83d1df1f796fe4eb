// Each manager's own temporary folder, made in the system's temporary
// folder when the manager is made, told to every file source and removed
// when the manager ends; and the environment line recorded meanwhile.
#include <CorvaskUtils/CorvaskUtils.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/manager_session.h"

namespace quenloft::testing {
namespace {

namespace fs = std::filesystem;

constexpr char kPrefix[] = "pelion5_quenloft";

// TMPDIR pointed at a scratch folder of the test's own while it lives.
class TempFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* old = getenv("TMPDIR")) previous_ = old;
    setenv("TMPDIR", tmp_.path().c_str(), 1);
  }
  void TearDown() override {
    previous_.empty() ? unsetenv("TMPDIR") : setenv("TMPDIR", previous_.c_str(), 1);
  }
  // The names of the entries in the folder, sorted.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(tmp_.path())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  ScratchFolder tmp_;
  std::string previous_;
};

// The folder a manager tells its file sources.
std::string FolderOf(const ManagerRefs& m) {
  HostSource probe;
  m.manager->AddFileSource(&probe);
  return probe.folders.empty() ? std::string() : probe.folders.front();
}

// The lines recorded while `managers` managers were made.
std::vector<std::string> LinesRecordedMaking(int managers) {
  CCheckTimeRecorder recorder;
  CCheckTimeRecorder* previous = CCheckTimeRecorder::SetCurrentTimeRecorder(&recorder);
  for (int i = 0; i < managers; ++i) EXPECT_TRUE(NewManager().manager);
  CCheckTimeRecorder::SetCurrentTimeRecorder(previous);
  std::vector<std::string> lines;
  std::istringstream in(recorder.GetText());
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST_F(TempFolder, EachManagerHasItsOwnFolderUntilItEnds) {
  ManagerRefs first = NewManager();
  ManagerRefs second = NewManager();
  ASSERT_TRUE(first.manager && second.manager);
  const std::string first_folder = FolderOf(first);
  EXPECT_EQ(FolderOf(first), first_folder) << "every source is told the same folder";
  const std::string second_folder = FolderOf(second);
  EXPECT_NE(first_folder, second_folder);
  EXPECT_EQ(Entries().size(), 2u);
  for (const std::string& folder : {first_folder, second_folder}) {
    EXPECT_TRUE(fs::is_directory(folder)) << folder;
    const fs::path made = fs::path(folder).parent_path();
    EXPECT_EQ(made.parent_path(), fs::path(tmp_.path())) << folder << " is not inside TMPDIR";
    EXPECT_EQ(made.filename().string().rfind(kPrefix, 0), 0u) << folder;
    EXPECT_GT(made.filename().string().size(), sizeof kPrefix - 1) << "no unique suffix";
  }
  // Whatever a file source left there goes with the folder; one removed by
  // others is no error.
  fs::create_directories(fs::path(first_folder) / "sub");
  std::ofstream(fs::path(first_folder) / "sub" / "file.txt") << "left by a file source";
  first = ManagerRefs{};
  EXPECT_FALSE(fs::exists(first_folder));
  ASSERT_TRUE(fs::remove_all(second_folder) > 0);
  second = ManagerRefs{};
  EXPECT_TRUE(Entries().empty());
}

TEST_F(TempFolder, EveryNewManagerRecordsOneEnvironmentLine) {
#ifdef _WIN32
  // The system name from the packed version word, the drive's volume.
  const std::regex line(
      R"(^Template Temp Folder Info: OS: (Windows NT|Windows 9x|Win 32s ) \d+\.\d+ )"
      R"(and File System : \S+ \(0x[0-9a-f]+\)$)");
#else
  const std::regex line(
      R"(^Template Temp Folder Info: OS: \S+ \d+\.\d+ and File System : \S+ \(0x[0-9a-f]+\)$)");
#endif
  const auto lines = LinesRecordedMaking(2);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(std::regex_match(lines[0], line)) << lines[0];
  EXPECT_EQ(lines[0], lines[1]);
}

// A temporary folder that cannot be examined or made: no environment line,
// and the manager works all the same.
TEST_F(TempFolder, ManagerWorksWithoutAUsableTemporaryFolder) {
  const std::string missing = tmp_.path() + "/missing";
#ifdef _WIN32
  // Only a lettered drive's root is examined: a network path is not.
  setenv("TMPDIR", "\\\\quenloft-no-such-server\\share\\", 1);
#else
  setenv("TMPDIR", missing.c_str(), 1);
#endif
  EXPECT_TRUE(LinesRecordedMaking(1).empty());
  setenv("TMPDIR", missing.c_str(), 1);
  RecordingHost host;
  {
    ManagerRefs m = NewManager();
    ASSERT_TRUE(m.manager && m.copier);
    EXPECT_EQ(m.copier->Initialize(&host), 0);
    HostSource source({"a.htm"});
    EXPECT_EQ(m.manager->AddFileSource(&source), 0);
    EXPECT_EQ(source.count(), 2);
    EXPECT_EQ(m.manager->RemoveFileSource(&source), 0);
    EXPECT_EQ(source.count(), 1);
  }
  EXPECT_EQ(host.count(), 1);
  EXPECT_TRUE(Entries().empty());
}

}  // namespace
}  // namespace quenloft::testing
