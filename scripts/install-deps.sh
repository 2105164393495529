#!/usr/bin/env bash
# Installs what the build and the tests need, by name, from Debian's registry.
# Safe to run again: it installs only what is missing.
set -euo pipefail

want=(cmake ninja-build g++ libgtest-dev googletest libcli11-dev
      g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
      wine64 fonts-wine
      clang libclang-rt-14-dev
      pff-tools pst-utils python3-pypff python3)
if [ "${1:-}" = "--run-only" ]; then
  want=(cmake ninja-build g++ libgtest-dev libcli11-dev pff-tools)
fi

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
