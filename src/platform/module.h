// Modules (shared libraries) and the library's own file.
#ifndef QUENLOFT_PLATFORM_MODULE_H
#define QUENLOFT_PLATFORM_MODULE_H

#include <string>

namespace quenloft::platform {

using ModuleHandle = void*;

// Full path of this library's own file (the file that holds this code).
std::string OwnModulePath();

// A module the process has loaded already, found by its file name; null
// when there is none. The handle must be given back with ReleaseModule
// (the lookup takes a reference that the module's first owner must not
// lose); the module stays loaded by its first owner.
ModuleHandle FindLoadedModule(const std::string& name);
// Loads the module at a full path; null on failure.
ModuleHandle LoadModule(const std::string& full_path);
// Gives back one reference taken by FindLoadedModule or LoadModule.
void ReleaseModule(ModuleHandle handle);
// An exported entry point, or null.
void* FindEntryPoint(ModuleHandle handle, const char* name);

// Gives the rest of the time slice to other threads.
void YieldThread();

}  // namespace quenloft::platform

#endif  // QUENLOFT_PLATFORM_MODULE_H
