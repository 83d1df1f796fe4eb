#!/usr/bin/env bash
# Installs a build into a temporary prefix, moves the installed tree (the
# package must not depend on where it was installed), checks the package
# files and the installed headers, then builds each example out of tree with
# find_package and with pkg-config and runs it, with no LD_LIBRARY_PATH.
# Usage: scripts/package-test.sh BUILD_DIR WORK_DIR [CXX [EXTRA_FLAGS]]
# EXTRA_FLAGS go to every compile and link (the sanitizers of the build).
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$1
work=$2
export CXX=${3:-c++}
extra_flags=${4:-}
warnings="-Wall -Wextra -Wpedantic -Werror"
unset LD_LIBRARY_PATH

fail() {
  echo "package-test: $*" >&2
  exit 1
}

rm -rf "$work"
mkdir -p "$work"
cmake --install "$build_dir" --prefix "$work/installed" >/dev/null
mv "$work/installed" "$work/prefix"
prefix=$(realpath "$work/prefix")
pc_file=$(find "$prefix" -name quenloft.pc -path '*/pkgconfig/*')
[[ -n "$pc_file" ]] || fail "no quenloft.pc installed"
export PKG_CONFIG_PATH=${pc_file%/*}
libdir=$(realpath "$(pkg-config --variable=libdir quenloft)")
[[ "$libdir" == "$prefix"/lib* ]] || fail "pkg-config gives libdir $libdir"
[[ "$(realpath "$(pkg-config --variable=includedir quenloft)")" == "$prefix/include" ]] ||
  fail "pkg-config gives includedir $(pkg-config --variable=includedir quenloft)"

# The soname hosts record, and one version in both package files.
readelf -d "$libdir/libquenloft.so.1" | grep -q 'SONAME.*\[libquenloft\.so\.1\]' ||
  fail "libquenloft.so.1 does not carry the soname libquenloft.so.1"
version=$(pkg-config --modversion quenloft)
version_file=$(find "$prefix" -name QuenloftConfigVersion.cmake)
cat >"$work/version-check.cmake" <<EOF
include("$version_file")
if(NOT PACKAGE_VERSION STREQUAL "$version")
  message(FATAL_ERROR "CMake package \${PACKAGE_VERSION}, pkg-config $version")
endif()
if(NOT PACKAGE_VERSION_COMPATIBLE)
  message(FATAL_ERROR "incompatible")
endif()
EOF
package_accepts() {  # MAJOR
  cmake -DPACKAGE_FIND_VERSION="$1" -DPACKAGE_FIND_VERSION_MAJOR="$1" -P "$work/version-check.cmake"
}
package_accepts "${version%%.*}" || fail "the CMake package refuses its own major version"
package_accepts "$((${version%%.*} + 1))" 2>/dev/null && fail "the CMake package accepts the next major version"

# Every installed header compiles on its own, twice over (include guards),
# on the oldest standard hosts may use.
for header in $(cd "$prefix/include" && find . -name '*.h' | sort); do
  printf '#include "%s"\n#include "%s"\n' "${header#./}" "${header#./}" |
    $CXX -std=c++17 $warnings -fsyntax-only -x c++ -I"$prefix/include" - ||
    fail "$header does not compile on its own"
done

# Each example, built both ways; the module is installed beside the library.
# Under AddressSanitizer the interceptor of dlopen counts as its caller, so
# the program's run path is not searched: sanitized runs name the folder.
run_env=()
[[ -z "$extra_flags" ]] || run_env=(env LD_LIBRARY_PATH="$libdir")
expect_hello() {  # PROGRAM
  local out loaded
  readelf -d "$1" | grep -q "RUNPATH.*\[\(.*:\)\?$libdir[]:]" || fail "$1 has no run path to $libdir"
  out=$("${run_env[@]}" "$1") || fail "$1 failed: $out"
  loaded=$(sed -n 's/^Loaded //p' <<<"$out")
  [[ -n "$loaded" && "$(realpath "$loaded")" == "$(realpath "$libdir/libquenloft.so.1")" ]] ||
    fail "$1 did not load the installed library: $out"
  grep -qx 'Concat.* evaluates to "Hello, Quenloft!"' <<<"$out" || fail "$1 printed: $out"
}
expect_module() {  # HOW
  [[ "$("$prefix/bin/quenloft" eval --module libquenloft-example-resolvers.so \
    "Concat(Counter('a'), Counter('a'))")" == 12 ]] || fail "the module built with $1 does not answer"
  rm "$libdir/libquenloft-example-resolvers.so"
}

for example in hello-host resolver-module; do
  cmake -S "$source_dir/examples/$example" -B "$work/cmake/$example" -G Ninja \
    -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER="$CXX" \
    -DCMAKE_CXX_FLAGS="$warnings $extra_flags" -DCMAKE_EXE_LINKER_FLAGS="$extra_flags" \
    -DCMAKE_MODULE_LINKER_FLAGS="$extra_flags" >/dev/null
  cmake --build "$work/cmake/$example" >/dev/null
  mkdir -p "$work/pkg-config/$example"
  make -s -C "$work/pkg-config/$example" -f "$source_dir/examples/$example/Makefile" \
    CXXFLAGS="-O1 $warnings $extra_flags" LDFLAGS="$extra_flags" >/dev/null
done
expect_hello "$work/cmake/hello-host/hello-host"
expect_hello "$work/pkg-config/hello-host/hello-host"
cmake --install "$work/cmake/resolver-module" >/dev/null
expect_module find_package
make -s -C "$work/pkg-config/resolver-module" \
  -f "$source_dir/examples/resolver-module/Makefile" install >/dev/null
expect_module pkg-config

# The sample skin, built by the installed tool.
"$prefix/bin/quenloft" build "$source_dir/examples/skins/default" -o "$work/skin" -q
[[ -s "$work/skin/index.htm" ]] || fail "the installed tool did not build the sample skin"
# Without a skin it finds the stock skin installed beside the library.
"$prefix/bin/quenloft" build -o "$work/stock" --set Title=Installed -q
[[ -s "$work/stock/index.htm" ]] || fail "the installed tool did not build the stock skin"

rm -rf "$work"
echo "package-test: the examples build and run against the installed package"
