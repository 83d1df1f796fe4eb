// The environment line a new manager records in the current time
// recorder, and only there.
#include <CorvaskUtils/CorvaskUtils.h>
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "private_tmpdir.h"
#include "support/refs.h"

namespace quenloft::testing {
namespace {

#ifdef _WIN32
// The system name from the packed version word, the drive's volume.
const std::regex kLine(
    R"(^Template Temp Folder Info: OS: (Windows NT|Windows 9x|Win 32s ) \d+\.\d+ )"
    R"(and File System : \S+ \(0x[0-9a-f]+\)$)");
#else
const std::regex kLine(
    R"(^Template Temp Folder Info: OS: \S+ \d+\.\d+ and File System : \S+ \(0x[0-9a-f]+\)$)");
#endif

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

TEST(EnvironmentLine, EveryNewManagerRecordsOneLine) {
  const auto lines = LinesRecordedMaking(2);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(std::regex_match(lines[0], kLine)) << lines[0];
  EXPECT_EQ(lines[0], lines[1]);
}

TEST(EnvironmentLine, TemporaryFolderThatCannotBeExaminedRecordsNothing) {
  PrivateTmpDir tmp;
#ifdef _WIN32
  // Only a lettered drive's root is examined: a network path is not.
  setenv("TMPDIR", "\\\\quenloft-no-such-server\\share\\", 1);
#else
  setenv("TMPDIR", (tmp.path() + "/missing").c_str(), 1);
#endif
  EXPECT_TRUE(LinesRecordedMaking(1).empty());
}

}  // namespace
}  // namespace quenloft::testing
