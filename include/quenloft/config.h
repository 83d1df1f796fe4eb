// Calling convention, export markers and fixed-width types shared by every
// public header. Everything a host includes starts here.
#ifndef QUENLOFT_CONFIG_H
#define QUENLOFT_CONFIG_H

#include <stdint.h>

// Every interface operation and every export uses this calling convention.
// It is part of the binary contract: empty on x86-64 Linux, __stdcall on
// 32-bit Windows, where g++ would otherwise use __thiscall for members.
#if defined(_WIN32) && !defined(_WIN64)
#define QL_CALL __stdcall
#else
#define QL_CALL
#endif

#if defined(_WIN32)
#define QL_EXPORT_SYMBOL
#else
#define QL_EXPORT_SYMBOL __attribute__((visibility("default")))
#endif

#endif  // QUENLOFT_CONFIG_H
