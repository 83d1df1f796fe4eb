#!/usr/bin/env bash
# Runs the demo against a build folder (default build/release).
set -euo pipefail
build=${1:-build/release}
if [[ -x "$build/bin/quenloft" ]]; then
  rm -rf out/demo
  "$build/bin/quenloft" build -o out/demo --set System.Title="Quenloft demo"
  echo "Start page: out/demo/index.htm"
else
  "$build/bin/hello-host"
fi
