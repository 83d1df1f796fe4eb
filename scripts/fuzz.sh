#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, ASan and UBSan, the library
# instrumented too) into build/fuzz and runs each for a bounded time from
# its seed corpus in fuzz/corpus/<target>/. New inputs go to
# build/fuzz/corpus/<target>/, findings to build/fuzz/findings/. Skips,
# successfully, when clang's libFuzzer is not there.
#
# Usage: scripts/fuzz.sh [TARGET...]      (default: every target)
# Environment: FUZZ_SECONDS (per target, default 60), JOBS (build, default 2).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
build=build/fuzz

probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' \
  > "$probe/probe.cpp"
if ! command -v clang++ >/dev/null ||
   ! clang++ -fsanitize=fuzzer,address "$probe/probe.cpp" -o "$probe/probe" 2>/dev/null; then
  echo "fuzz: skipped, clang with libFuzzer is not available"
  exit 0
fi

instrument=-fsanitize=fuzzer-no-link
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUENLOFT_SANITIZE=address -DQUENLOFT_BUILD_FUZZERS=ON \
  -DQUENLOFT_BUILD_TESTS=OFF -DQUENLOFT_BUILD_BENCHMARKS=OFF \
  -DQUENLOFT_BUILD_TOOLS=OFF -DQUENLOFT_BUILD_EXAMPLES=OFF \
  -DCMAKE_C_FLAGS="$instrument" -DCMAKE_CXX_FLAGS="$instrument" >/dev/null
cmake --build "$build" --target fuzzers -j "${JOBS:-2}"

if (($# > 0)); then
  targets=("$@")
else
  targets=()
  for corpus in fuzz/corpus/*/; do targets+=("$(basename "$corpus")"); done
fi

# The targets' scratch folders and the library's temporary folders stay in
# the build folder.
export TMPDIR="$PWD/$build/tmp"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1
mkdir -p "$TMPDIR" "$build/findings"
failed=()
for target in "${targets[@]}"; do
  binary="$build/bin/fuzz_$target"
  if [[ ! -x "$binary" ]]; then
    echo "fuzz: no target $target" >&2
    failed+=("$target")
    continue
  fi
  work="$build/corpus/$target"
  mkdir -p "$work"
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
           -artifact_prefix="$build/findings/$target-")
  if [[ -f "fuzz/dictionaries/$target.dict" ]]; then
    options+=(-dict="fuzz/dictionaries/$target.dict")
  fi
  echo "fuzz: $target for ${seconds}s"
  if ! "$binary" "${options[@]}" "$work" "fuzz/corpus/$target" >"$build/$target.log" 2>&1; then
    tail -n 40 "$build/$target.log" >&2
    failed+=("$target")
  else
    grep -E '^stat::(number_of_executed_units|new_units_added)' "$build/$target.log" || true
  fi
done

if ((${#failed[@]} > 0)); then
  echo "fuzz: failed: ${failed[*]} (inputs in $build/findings/, logs in $build/)" >&2
  exit 1
fi
echo "fuzz: ${#targets[@]} targets ran ${seconds}s each without a finding"
