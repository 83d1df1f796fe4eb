// Modules on Windows: module handles of the loader.
#include <windows.h>

#include "platform/module.h"

namespace quenloft::platform {

namespace {
// Any address inside this library identifies its file.
void AnchorInThisLibrary() {}
}  // namespace

std::string OwnModulePath() {
  HMODULE self = nullptr;
  // UNCHANGED_REFCOUNT: the lookup must not keep this library loaded.
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCSTR>(&AnchorInThisLibrary), &self)) {
    return {};
  }
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
  // A full buffer means the path was cut short: no usable path then.
  if (length == 0 || length >= MAX_PATH) return {};
  return std::string(path, length);
}

ModuleHandle FindLoadedModule(const std::string& name) {
  // GetModuleHandleA takes no reference, as the contract asks.
  return GetModuleHandleA(name.c_str());
}

ModuleHandle LoadModule(const std::string& full_path) {
  // A file that is no module must fail quietly, not with a dialog box; the
  // altered search path finds the module's own dependencies beside it.
  DWORD previous_mode = 0;
  const BOOL mode_set =
      SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous_mode);
  HMODULE module = LoadLibraryExA(full_path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (mode_set) SetThreadErrorMode(previous_mode, nullptr);
  return module;
}

void ReleaseModule(ModuleHandle handle) {
  if (handle != nullptr) FreeLibrary(static_cast<HMODULE>(handle));
}

void* FindEntryPoint(ModuleHandle handle, const char* name) {
  if (handle == nullptr || name == nullptr) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

void YieldThread() { Sleep(0); }

}  // namespace quenloft::platform
