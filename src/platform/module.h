// Modules (shared libraries) and the library's own file.
#ifndef QUENLOFT_PLATFORM_MODULE_H
#define QUENLOFT_PLATFORM_MODULE_H

#include <string>

namespace quenloft::platform {

using ModuleHandle = void*;

// Full path of this library's own file (the file that holds this code).
std::string OwnModulePath();

// A module the process has loaded already, found by its file name; null
// when there is none. The handle is borrowed: the lookup takes no lasting
// reference, so the module's first owner alone decides when it goes.
ModuleHandle FindLoadedModule(const std::string& name);
// Loads the module at a full path; null on failure.
ModuleHandle LoadModule(const std::string& full_path);
// Gives back the reference taken by LoadModule.
void ReleaseModule(ModuleHandle handle);
// An exported entry point, or null.
void* FindEntryPoint(ModuleHandle handle, const char* name);

// Gives the rest of the time slice to other threads.
void YieldThread();

}  // namespace quenloft::platform

#endif  // QUENLOFT_PLATFORM_MODULE_H
