# Cross build for 32-bit Windows with the MinGW-w64 compiler of the posix
# thread model (the win32 model has no std::mutex or std::thread).
#   cmake -S . -B build/windows -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw32.cmake
# QUENLOFT_MINGW_ARCH=x86_64 selects the 64-bit compiler instead (used to
# run the tests where the machine cannot execute 32-bit code).
set(CMAKE_SYSTEM_NAME Windows)
if(NOT QUENLOFT_MINGW_ARCH)
  set(QUENLOFT_MINGW_ARCH i686)
endif()
set(CMAKE_SYSTEM_PROCESSOR ${QUENLOFT_MINGW_ARCH})
set(_ql_triple ${QUENLOFT_MINGW_ARCH}-w64-mingw32)
# try_compile projects read this file again and need the same choice.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUENLOFT_MINGW_ARCH)

set(CMAKE_C_COMPILER ${_ql_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_ql_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_ql_triple}-windres)
set(CMAKE_DLLTOOL ${_ql_triple}-dlltool)

set(CMAKE_FIND_ROOT_PATH /usr/${_ql_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every test runs under Wine (scripts/windows-test.sh prepares it). Debian
# keeps the 64-bit loader out of the PATH.
if(QUENLOFT_MINGW_ARCH STREQUAL "i686")
  set(CMAKE_CROSSCOMPILING_EMULATOR wine)
else()
  find_program(QUENLOFT_WINE64 wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUENLOFT_WINE64})
endif()

# Every module uses the compiler's runtime as DLLs (libgcc_s, libstdc++,
# winpthread; cmake/QuenloftMingwRuntime.cmake puts them beside ours): one
# unwinder and one C++ runtime for the whole process. A copy of libgcc in
# each module would give each its own registry of 32-bit DWARF unwind
# tables, and an exception a host throws through quenloft.dll would end in
# terminate instead of in the DLL's catch. A copy of libstdc++ in each would
# give each its own exception bookkeeping and library state, while
# std::string and exceptions pass between our DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-shared-libgcc")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-shared-libgcc")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-shared-libgcc")
# Release builds ship without symbol tables (they would double the size).
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_RELEASE_INIT "-s")
endforeach()
