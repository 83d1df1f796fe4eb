#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, if missing,
# and the browser test's driver, playwright-core, into .cache/browser-test.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake ninja-build pkg-config clang
  libgtest-dev libgmock-dev libbenchmark-dev
  libxml2-dev libxslt1-dev libcli11-dev
  chromium
)
# Node may come from elsewhere than Debian (with its own npm): only what
# is not on the PATH is installed.
command -v node >/dev/null || packages+=(nodejs)
command -v npm >/dev/null || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} > 0)); then
  echo "Installing: ${missing[*]}"
  sudo=""
  if [[ $(id -u) -ne 0 ]]; then sudo="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# A pinned version that runs on Debian 12's Node 18 and drives its Chromium;
# it never downloads a browser of its own.
playwright=playwright-core@1.61.1
prefix=.cache/browser-test
installed=$(cat "$prefix/node_modules/playwright-core/package.json" 2>/dev/null || true)
if [[ $installed != *"\"version\": \"${playwright#*@}\""* ]]; then
  echo "Installing: $playwright (npm, into $prefix)"
  mkdir -p "$prefix"
  npm install --prefix "$prefix" --no-save --no-audit --no-fund --loglevel=error "$playwright"
fi
