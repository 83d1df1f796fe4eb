// PatchFile: one file patched in place, outside the update pass.
#include <CorvaskUtils/CorvaskUtils.h>

#include "manager/manager_impl.h"

namespace quenloft {

int32_t CTplManagerImpl::PatchFile(const char* path) {
  return Guarded(1, [&] {
    if (path == nullptr || FileExist(path) == 0) return 1;
    ComPtr<ITplPatchedFile> file;
    CreatePatchedFile(file.put());
    if (!file) return 1;
    file->LoadFromFile(path);
    file->SaveToFile(path);
    return 0;
  });
}

}  // namespace quenloft
