/* The run-time loading calls that the tests use, on the Windows loader
 * (tests/windows/posix_shims.cpp). Paths may use "/" or "\". */
#ifndef QUENLOFT_TESTS_WINDOWS_DLFCN_H
#define QUENLOFT_TESTS_WINDOWS_DLFCN_H

#define RTLD_LAZY 0x1
#define RTLD_NOW 0x2
#define RTLD_LOCAL 0x0
#define RTLD_GLOBAL 0x100
#define RTLD_NOLOAD 0x4

#ifdef __cplusplus
extern "C" {
#endif

/* RTLD_NOLOAD finds a loaded module and, like dlopen, takes a reference. */
void* dlopen(const char* file, int flags);
void* dlsym(void* module, const char* name);
int dlclose(void* module);
const char* dlerror(void);

#ifdef __cplusplus
}
#endif

#endif /* QUENLOFT_TESTS_WINDOWS_DLFCN_H */
