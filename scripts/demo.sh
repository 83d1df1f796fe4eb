#!/usr/bin/env bash
# Builds the stock sample skin with the quenloft tool into out/demo/ (or
# OUT) and says where the start page is; the browser test builds it so too.
# Usage: scripts/demo.sh [BUILD_FOLDER [OUT]]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
out=${2:-out/demo}
tool="$build/bin/quenloft"
if [[ ! -x "$tool" ]]; then
  echo "demo: $tool is missing; run 'make build' first" >&2
  exit 1
fi

rm -rf "$out"
"$tool" build -o "$out" \
  --set Title="Quenloft demo" \
  --set Accent=teal \
  --set TopicCount=3 \
  --set Edition=2nd-ed \
  --set ShowIndex=yes \
  --var 'company$$=Made by the Quenloft demo'

echo
echo "Start page: $(realpath "$out")/index.htm"
echo "Open it in a browser, e.g.: xdg-open $out/index.htm"
