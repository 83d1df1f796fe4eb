#include "os/replace_file.h"

#include <cerrno>

#include "os/clock_and_random.h"
#include "os/file.h"
#include "os/system_calls.h"
#include "os/temporary_name.h"

namespace inhouse::os {
namespace {

constexpr int kNameAttempts = 100;

// A new temporary file beside target, named in *temporary.
File CreateTemporaryBeside(const std::string& target, std::string* temporary) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    *temporary = TemporaryPathBeside(target, RandomBits());
    File file(CreateExclusive(*temporary));
    if (file.is_open() || errno != EEXIST) return file;
  }
  return File();
}

// Running out of memory while filling is one more failed write.
bool Filled(const FillFile& fill, int fd) {
  try {
    return fill(fd);
  } catch (...) {
    return false;
  }
}

}  // namespace

bool ReplaceFile(const std::string& target_path, const FillFile& fill,
                 std::optional<uint32_t> new_file_permissions, uint32_t added_permissions) {
  if (target_path.empty() || target_path.back() == '/') return false;
  const std::string& target = target_path;

  std::string temporary;
  File file = CreateTemporaryBeside(target, &temporary);
  if (!file.is_open()) return false;
  // A link at the target is replaced, never written through: it may lead
  // anywhere, and the permissions of what it names are not ours to copy.
  const EntryStatus existing = StatusOfEntry(target);
  std::optional<uint32_t> permissions = new_file_permissions;
  if (existing.kind == EntryKind::kFile) permissions = existing.permissions;
  if (permissions) *permissions |= added_permissions;
  // The permissions go on before any byte is written, so content meant for
  // a private file is never readable by others.
  bool ok = !permissions || SetFilePermissions(file.get(), *permissions);
  ok = ok && Filled(fill, file.get());
  ok = file.Close() && ok;
  ok = ok && RenameOver(temporary, target);
  if (!ok) RemoveFile(temporary);
  return ok;
}

}  // namespace inhouse::os
