#define _CRT_RAND_S  // rand_s is declared only on request
#include <stdlib.h>
#include <windows.h>
#include <direct.h>
#include <dlfcn.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "posix_shims.h"

extern "C" {

char* mkdtemp(char* templ) {
  static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  const size_t length = std::strlen(templ);
  if (length < 6 || std::strcmp(templ + length - 6, "XXXXXX") != 0) {
    errno = EINVAL;
    return nullptr;
  }
  for (int attempt = 0; attempt < 100; ++attempt) {
    for (size_t i = length - 6; i < length; ++i) {
      unsigned int bits = 0;
      rand_s(&bits);
      templ[i] = kAlphabet[bits % (sizeof kAlphabet - 1)];
    }
    if (_mkdir(templ) == 0) return templ;
    if (errno != EEXIST) return nullptr;
  }
  return nullptr;
}

int setenv(const char* name, const char* value, int overwrite) {
  if (!overwrite && getenv(name) != nullptr) return 0;
  if (_putenv_s(name, value) != 0) return -1;
  if (std::strcmp(name, "TMPDIR") == 0) {
    _putenv_s("TMP", value);
    SetEnvironmentVariableA("TMP", value);
  }
  return 0;
}

int unsetenv(const char* name) {
  _putenv_s(name, "");
  if (std::strcmp(name, "TMPDIR") == 0) {
    _putenv_s("TMP", "");
    SetEnvironmentVariableA("TMP", nullptr);
  }
  return 0;
}

int symlink(const char*, const char*) {
  errno = EPERM;
  return -1;
}

unsigned geteuid(void) { return 0; }
int seteuid(unsigned) { return -1; }

void* dlopen(const char* file, int flags) {
  if (file == nullptr) return GetModuleHandleA(nullptr);
  if ((flags & RTLD_NOLOAD) != 0) {
    HMODULE module = nullptr;
    return GetModuleHandleExA(0, file, &module) ? module : nullptr;
  }
  return LoadLibraryExA(file, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void* dlsym(void* module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

int dlclose(void* module) { return FreeLibrary(static_cast<HMODULE>(module)) ? 0 : -1; }

const char* dlerror(void) { return "the module could not be loaded or has no such entry"; }

}  // extern "C"
