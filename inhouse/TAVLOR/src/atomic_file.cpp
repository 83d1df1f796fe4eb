#include "atomic_file.h"

#include <cerrno>
#include <cstdint>

#include "system_calls.h"
#include "temporary_name.h"

namespace tavlor {
namespace {

constexpr int kNameAttempts = 100;

}  // namespace

bool ToNativePath(const char* path, std::string* native) {
  if (path == nullptr || *path == '\0') return false;
#ifndef _WIN32
  const bool drive = ((path[0] >= 'a' && path[0] <= 'z') || (path[0] >= 'A' && path[0] <= 'Z')) &&
                     path[1] == ':';
  if (drive) return false;  // names no file here
#endif
  native->assign(path);
  for (char& c : *native)
    if (c == '\\') c = '/';
  return true;
}

bool ReplaceFileContent(const std::string& target_path, const char* bytes, size_t count) {
  if (target_path.empty() || target_path.back() == '/') return false;
  std::string target = target_path;
  std::string resolved;
  if (sys::ResolveLink(target, &resolved)) target = resolved;

  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < kNameAttempts && fd < 0; ++attempt) {
    temporary = inhouse::TemporaryPathBeside(target, sys::RandomBits());
    fd = sys::CreateExclusive(temporary);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;

  uint32_t mode = 0;
  bool ok = true;
  // The permissions go on before any byte is written, so content meant for
  // a private file is never readable by others.
  if (sys::RegularFileMode(target, &mode)) ok = sys::SetFileMode(fd, mode);
  ok = ok && sys::WriteAll(fd, bytes, count);
  ok = sys::CloseFile(fd) && ok;
  ok = ok && sys::RenameFile(temporary, target);
  if (!ok) sys::RemoveFile(temporary);
  return ok;
}

}  // namespace tavlor
