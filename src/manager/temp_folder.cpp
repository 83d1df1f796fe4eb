// The manager's own temporary folder and the environment line recorded
// right before it is made.
#include <CorvaskUtils/CorvaskUtils.h>

#include <cstdio>

#include "manager/manager_impl.h"
#include "platform/environment.h"

namespace quenloft {

namespace {

constexpr char kTempFolderPrefix[] = "pelion5_quenloft";

void RecordEnvironmentLine(const std::string& temp_path) {
  CCheckTimeRecorder* recorder = CCheckTimeRecorder::GetCurrentTimeRecorder();
  if (recorder == nullptr) return;
  const std::optional<platform::EnvironmentInfo> info = platform::QueryEnvironment(temp_path);
  if (!info) return;
  char line[512];
  std::snprintf(line, sizeof line,
                "Template Temp Folder Info: OS: %s %d.%d and File System : %s (0x%x)",
                info->system_name.c_str(), info->major, info->minor,
                info->file_system_name.c_str(), info->file_system_flags);
  recorder->Record(line);
}

}  // namespace

void CTplManagerImpl::CreateTempFolder() {
  RecordEnvironmentLine(platform::TempFolderPath());
  temp_folder_ = ::CreateUniqueTempFolder(kTempFolderPrefix, 9);
}

void CTplManagerImpl::RemoveTempFolder() {
  // Someone else may have removed it first; that is not an error.
  if (!temp_folder_.empty() && FolderExist(temp_folder_.c_str()) != 0) {
    RemoveUniqueTempFolder(temp_folder_.c_str());
  }
  temp_folder_.clear();
}

}  // namespace quenloft
