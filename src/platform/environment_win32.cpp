// The environment line's facts from the Windows services: the temporary
// path, the packed version word and the volume of a lettered drive.
#include <windows.h>

#include <CorvaskUtils/CorvaskUtils.h>

#include "platform/environment.h"

namespace quenloft::platform {

namespace {

// Bit 31 of the version word marks the Windows 9x family and Win32s.
const char* SystemNameOf(DWORD version) {
  if ((version & 0x80000000u) == 0) return "Windows NT";
  return LOBYTE(LOWORD(version)) < 4 ? "Win 32s " : "Windows 9x";
}

}  // namespace

std::string TempFolderPath() {
  char buffer[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathA(MAX_PATH, buffer);
  if (length == 0 || length > MAX_PATH) return {};
  return std::string(buffer, length);
}

std::optional<EnvironmentInfo> QueryEnvironment(const std::string& path) {
  // Only a drive root such as "c:\" names a volume to ask about.
  if (path.size() < 3) return std::nullopt;
  const std::string root = ToLowerAscii(path.substr(0, 3).c_str());
  if (root[1] != ':' || root[2] != '\\') return std::nullopt;

  DWORD flags = 0;
  char file_system[255] = {};
  if (!GetVolumeInformationA(root.c_str(), nullptr, 0, nullptr, nullptr, &flags, file_system,
                             sizeof file_system)) {
    return std::nullopt;
  }
  const DWORD version = GetVersion();

  EnvironmentInfo info;
  info.system_name = SystemNameOf(version);
  info.major = LOBYTE(LOWORD(version));
  info.minor = HIBYTE(LOWORD(version));
  info.file_system_name = file_system;
  info.file_system_flags = flags;
  return info;
}

}  // namespace quenloft::platform
