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

# The DLL exports exactly its three entry points, undecorated. The DLLs and
# the tool import only system DLLs, the in-house DLLs and the compiler's
# runtime DLLs named here, which lie beside them; quenloft.dll imports the
# shared unwinder, without which a host's exception cannot reach its catch on
# 32-bit.
check_dlls() {  # bin folder, objdump, libgcc DLL
  local bin=$1 objdump=$2 libgcc=$3 exports imports file
  local runtime=("$libgcc" libstdc++-6.dll libwinpthread-1.dll)
  local ours=(quenloft.dll CorvaskObjs.dll CorvaskUtils.dll TAVLOR.dll pmtkWin32FileServices.dll)
  local allowed=(kernel32.dll msvcrt.dll ole32.dll oleaut32.dll "${ours[@]}" "${runtime[@]}")
  exports=$("$objdump" -p "$bin/quenloft.dll" |
    sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '/\]/{print $NF}' | sed 1d)
  if [[ $exports != $'CreateTemplateManagerInstance\nCreateTemplateResolversInstance\nInitTemplateFilesToCache' ]]; then
    echo "quenloft.dll exports: $exports" >&2
    return 1
  fi
  for file in "${ours[@]}" quenloft.exe "${runtime[@]}"; do
    if [[ ! -f $bin/$file ]]; then
      echo "$bin/$file is missing" >&2
      return 1
    fi
    imports=$("$objdump" -p "$bin/$file" | awk '/DLL Name:/{print tolower($3)}')
    if [[ $file == quenloft.dll ]] && ! grep -q -x -F "$libgcc" <<<"$imports"; then
      echo "quenloft.dll does not import $libgcc" >&2
      return 1
    fi
    imports=$(grep -v -x -F -f <(printf '%s\n' "${allowed[@]}" | tr '[:upper:]' '[:lower:]') \
              <<<"$imports" || true)
    if [[ -n $imports ]]; then
      echo "$file imports: $imports" >&2
      return 1
    fi
  done
  echo "$bin: quenloft.dll with three exports; system, in-house and runtime imports only" \
       "(${runtime[*]})"
}

# The same check on an installed copy: what a host ships.
check_install() {  # build folder, objdump, libgcc DLL
  local prefix status=0
  prefix=$(mktemp -d "${TMPDIR:-/tmp}/quenloft-install.XXXXXX")
  cmake --install "$1" --prefix "$prefix" >/dev/null
  check_dlls "$prefix/bin" "$2" "$3" || status=$?
  rm -rf "$prefix"
  return $status
}

build build/windows i686
check_dlls build/windows/bin i686-w64-mingw32-objdump libgcc_s_dw2-1.dll
check_install build/windows i686-w64-mingw32-objdump libgcc_s_dw2-1.dll

if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  run_tests build/windows
else
  echo "This machine cannot run 32-bit programs: the tests run on the 64-bit build."
  build build/windows-x64 x86_64
  check_dlls build/windows-x64/bin x86_64-w64-mingw32-objdump libgcc_s_seh-1.dll
  check_install build/windows-x64 x86_64-w64-mingw32-objdump libgcc_s_seh-1.dll
  run_tests build/windows-x64
fi
