// Facts about the machine for the environment line of a new manager.
#ifndef QUENLOFT_PLATFORM_ENVIRONMENT_H
#define QUENLOFT_PLATFORM_ENVIRONMENT_H

#include <cstdint>
#include <optional>
#include <string>

namespace quenloft::platform {

// The system's temporary folder with a trailing separator; empty when it
// cannot be found.
std::string TempFolderPath();

struct EnvironmentInfo {
  std::string system_name;  // "Linux"
  int major = 0;
  int minor = 0;
  std::string file_system_name;  // "ext4", "tmpfs", or the magic in hex
  uint32_t file_system_flags = 0;
};

// The system and the file system holding `path`; nothing when the path is
// not one the line is recorded for or the volume cannot be queried.
std::optional<EnvironmentInfo> QueryEnvironment(const std::string& path);

}  // namespace quenloft::platform

#endif  // QUENLOFT_PLATFORM_ENVIRONMENT_H
