// PatchFile: one file patched in place, outside the update pass.
#include <CorvaskUtils/CorvaskUtils.h>

#include "manager/manager_impl.h"
#include "patching/patched_file_impl.h"

namespace quenloft {

int32_t CTplManagerImpl::PatchFile(const char* path) {
  return Guarded(1, [&] {
    if (path == nullptr || FileExist(path) == 0) return 1;
    const ComPtr<CTplPatchedFileImpl> file = MakeOwnPatchedFile(OwnMaker());
    if (!file) return 1;
    file->LoadFromFile(path);
    // A file that could not be read or written is not reported as patched.
    return file->Save(path) ? 0 : 1;
  });
}

}  // namespace quenloft
