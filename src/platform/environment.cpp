#include "platform/environment.h"

#include <sys/statfs.h>
#include <sys/utsname.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace quenloft::platform {

namespace {

struct FileSystemName {
  uint32_t magic;
  const char* name;
};

// Magic numbers of the file systems a temporary folder commonly lives on.
constexpr FileSystemName kFileSystems[] = {
    {0xEF53, "ext4"},          {0x58465342, "xfs"},     {0x9123683E, "btrfs"},
    {0x01021994, "tmpfs"},     {0x794C7630, "overlay"}, {0x6969, "nfs"},
    {0xFF534D42, "cifs"},      {0xFE534D42, "smb2"},    {0x2FC12FC1, "zfs"},
    {0x65735546, "fuse"},      {0xF2F52010, "f2fs"},    {0x4D44, "vfat"},
    {0x5346544E, "ntfs"},      {0x3153464A, "jfs"},     {0x52654973, "reiserfs"},
    {0x73717368, "squashfs"},  {0x858458F6, "ramfs"},   {0x9FA0, "proc"},
    {0x01161970, "gfs2"},      {0x00C36400, "ceph"},    {0x2011BAB0, "exfat"},
};

std::string FileSystemNameOf(uint32_t magic) {
  for (const FileSystemName& fs : kFileSystems) {
    if (fs.magic == magic) return fs.name;
  }
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%x", magic);
  return hex;
}

}  // namespace

std::string TempFolderPath() {
  std::error_code error;
  std::filesystem::path path = std::filesystem::temp_directory_path(error);
  if (error) return {};
  std::string text = path.string();
  if (!text.empty() && text.back() != '/') text.push_back('/');
  return text;
}

std::optional<EnvironmentInfo> QueryEnvironment(const std::string& path) {
  // The line is recorded for an absolute temporary path only.
  if (path.empty() || path.front() != '/') return std::nullopt;

  struct statfs volume {};
  if (statfs(path.c_str(), &volume) != 0) return std::nullopt;
  struct utsname system {};
  if (uname(&system) != 0) return std::nullopt;

  EnvironmentInfo info;
  info.system_name = system.sysname;
  std::sscanf(system.release, "%d.%d", &info.major, &info.minor);
  info.file_system_name = FileSystemNameOf(static_cast<uint32_t>(volume.f_type));
  info.file_system_flags = static_cast<uint32_t>(volume.f_flags);
  return info;
}

}  // namespace quenloft::platform
