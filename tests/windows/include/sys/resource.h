/* File-size limits do not exist on Windows: the calls fail, and the tests
 * that need them skip themselves. */
#ifndef QUENLOFT_TESTS_WINDOWS_SYS_RESOURCE_H
#define QUENLOFT_TESTS_WINDOWS_SYS_RESOURCE_H

typedef unsigned long long rlim_t;
struct rlimit {
  rlim_t rlim_cur;
  rlim_t rlim_max;
};
#define RLIMIT_FSIZE 1

#ifdef __cplusplus
extern "C" {
#endif
int getrlimit(int resource, struct rlimit* limit);
int setrlimit(int resource, const struct rlimit* limit);
#ifdef __cplusplus
}
#endif

#endif /* QUENLOFT_TESTS_WINDOWS_SYS_RESOURCE_H */
