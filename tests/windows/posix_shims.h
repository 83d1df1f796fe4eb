// The few POSIX calls the tests use, for the Windows build of the tests
// (included before every test source there). Implemented on the Windows
// services in posix_shims.cpp; nothing here is part of a library.
#ifndef QUENLOFT_TESTS_WINDOWS_POSIX_SHIMS_H
#define QUENLOFT_TESTS_WINDOWS_POSIX_SHIMS_H

#include <direct.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef __cplusplus
extern "C" {
#endif

char* mkdtemp(char* templ);
// TMPDIR is what the tests set to move the temporary folder; on Windows
// that folder comes from TMP, which is set along with it.
int setenv(const char* name, const char* value, int overwrite);
int unsetenv(const char* name);
// Mode bits cannot take access to a folder away on Windows, as for root on
// POSIX: tests that need such a denial see "root" and skip themselves.
unsigned geteuid(void);
int seteuid(unsigned uid);
// Symbolic links need a privilege on Windows: creating one fails.
int symlink(const char* target, const char* link);

#ifdef __cplusplus
}

// std::filesystem paths are wide on Windows.
inline int chmod(const wchar_t* path, int mode) { return _wchmod(path, mode); }
// Folders have no mode bits here.
inline int mkdir(const char* path, int) { return _mkdir(path); }
#endif

#endif  // QUENLOFT_TESTS_WINDOWS_POSIX_SHIMS_H
