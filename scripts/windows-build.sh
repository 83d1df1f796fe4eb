#!/usr/bin/env bash
# make windows: cross-builds the 32-bit Windows DLLs, quenloft.exe and the
# tests into build/windows, checks what the DLLs and the tool export and
# import, and runs the test suite under Wine. A machine whose kernel cannot run 32-bit programs (and
# so no 32-bit Wine) runs the suite on a 64-bit build of the same sources
# in build/windows-x64 instead, and says so.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-$(nproc)}
toolchain=cmake/toolchain-mingw32.cmake

build() {  # folder, architecture
  local start=$SECONDS
  if [[ ! -f $1/build.ninja ]]; then
    cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE=$toolchain -DQUENLOFT_MINGW_ARCH="$2"
  fi
  cmake --build "$1" -j "$jobs"
  echo "$1 built in $((SECONDS - start)) s"
}

run_tests() {  # folder
  local start=$SECONDS
  scripts/windows-test.sh "$1" -j "$jobs"
  echo "$1 tested in $((SECONDS - start)) s"
}

# The DLL exports exactly its three entry points, undecorated; it and the
# tool import only system DLLs and the in-house DLLs.
check_dlls() {  # folder, objdump
  local bin=$1/bin objdump=$2 exports imports
  exports=$("$objdump" -p "$bin/quenloft.dll" |
    sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '/\]/{print $NF}' | sed 1d)
  if [[ $exports != $'CreateTemplateManagerInstance\nCreateTemplateResolversInstance\nInitTemplateFilesToCache' ]]; then
    echo "quenloft.dll exports: $exports" >&2
    return 1
  fi
  for file in quenloft.dll CorvaskObjs.dll CorvaskUtils.dll TAVLOR.dll \
              pmtkWin32FileServices.dll quenloft.exe; do
    imports=$("$objdump" -p "$bin/$file" | awk '/DLL Name:/{print tolower($3)}' |
      grep -v -x -E 'kernel32.dll|msvcrt.dll|ole32.dll|oleaut32.dll|quenloft.dll|corvaskobjs.dll|corvaskutils.dll|tavlor.dll|pmtkwin32fileservices.dll' || true)
    if [[ -n $imports ]]; then
      echo "$file imports: $imports" >&2
      return 1
    fi
  done
  echo "DLLs and quenloft.exe in $bin: three exports, system and in-house imports only"
}

build build/windows i686
check_dlls build/windows i686-w64-mingw32-objdump

if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  run_tests build/windows
else
  echo "This machine cannot run 32-bit programs: the tests run on the 64-bit build."
  build build/windows-x64 x86_64
  check_dlls build/windows-x64 x86_64-w64-mingw32-objdump
  run_tests build/windows-x64
fi
