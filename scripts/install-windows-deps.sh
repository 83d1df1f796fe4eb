#!/usr/bin/env bash
# Installs what the Windows cross build and its tests under Wine need: the
# MinGW-w64 cross compilers (32-bit, and 64-bit for machines that cannot run
# 32-bit code), Wine with its 32-bit and 64-bit loaders, the GoogleTest
# sources (built for Windows as part of the cross build) and the CLI11
# headers of the tool. Does nothing when everything is present.
set -euo pipefail

packages=(cmake ninja-build g++-mingw-w64-i686 g++-mingw-w64-x86-64 googletest libcli11-dev
          wine wine32:i386 wine64)

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
((${#missing[@]} == 0)) && exit 0

sudo=""
if [[ $(id -u) -ne 0 ]]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

# wine32 is an i386 package: the architecture must be known before the
# package lists are read.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi

echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
