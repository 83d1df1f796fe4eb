#include "platform/module.h"

#include <dlfcn.h>
#include <limits.h>
#include <sched.h>
#include <stdlib.h>

namespace quenloft::platform {

namespace {
// Any address inside this library identifies its file.
void AnchorInThisLibrary() {}
}  // namespace

std::string OwnModulePath() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&AnchorInThisLibrary), &info) == 0 ||
      info.dli_fname == nullptr) {
    return {};
  }
  // dli_fname is the name the library was loaded by, which may be relative
  // to a working directory that the host changes later.
  char resolved[PATH_MAX];
  if (realpath(info.dli_fname, resolved) != nullptr) return resolved;
  return info.dli_fname;
}

ModuleHandle FindLoadedModule(const std::string& name) {
  ModuleHandle handle = dlopen(name.c_str(), RTLD_NOW | RTLD_NOLOAD);
  // RTLD_NOLOAD still takes a reference; give it back so the module's first
  // owner alone decides when it goes. The handle stays valid while loaded.
  if (handle != nullptr) dlclose(handle);
  return handle;
}

ModuleHandle LoadModule(const std::string& full_path) {
  return dlopen(full_path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void ReleaseModule(ModuleHandle handle) {
  if (handle != nullptr) dlclose(handle);
}

void* FindEntryPoint(ModuleHandle handle, const char* name) {
  if (handle == nullptr || name == nullptr) return nullptr;
  return dlsym(handle, name);
}

void YieldThread() { sched_yield(); }

}  // namespace quenloft::platform
