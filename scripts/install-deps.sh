#!/usr/bin/env bash
# Installs what the build and the tests need, by name, from Debian's registry.
# Safe to run again: it installs only what is missing.
set -euo pipefail

full=1
want=(cmake ninja-build g++ libgtest-dev googletest libcli11-dev libsqlite3-dev libutf8proc-dev
      g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
      dpkg-dev xz-utils tcl
      wine64 fonts-wine
      clang libclang-rt-14-dev
      pff-tools pst-utils python3-pypff python3)
if [ "${1:-}" = "--run-only" ]; then
  full=0
  want=(cmake ninja-build g++ libgtest-dev libcli11-dev libsqlite3-dev libutf8proc-dev pff-tools)
fi

# The Windows programs carry SQLite built from Debian's source package, which
# apt-get source fetches only with a deb-src entry beside the deb one.
need_update=0
sources=/etc/apt/sources.list.d/debian.sources
if [ $full -eq 1 ] && [ -f "$sources" ] && ! grep -q '^Types:.*deb-src' "$sources"; then
  sed -i 's/^Types: deb$/Types: deb deb-src/' "$sources"
  need_update=1
fi
if [ $full -eq 1 ] && [ -f /etc/apt/sources.list ] && ! grep -q '^deb-src ' /etc/apt/sources.list; then
  sed -n 's/^deb \(.*\)$/deb-src \1/p' /etc/apt/sources.list >>/etc/apt/sources.list
  need_update=1
fi

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# Node and npm for the third PST reader: Debian's packages, unless the machine has them already
# (a Node that brings its own npm cannot take Debian's beside it).
if [ $full -eq 1 ]; then
  command -v node >/dev/null || missing+=(nodejs)
  command -v npm >/dev/null || missing+=(npm)
fi
if [ ${#missing[@]} -gt 0 ] || [ $need_update -eq 1 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
if [ $full -eq 1 ]; then
  "$(dirname "$0")/fetch-sqlite.sh"
fi

# The third PST reader of the end-to-end tests: pst-extractor from the npm registry, by name at
# a pinned version, into build/npm (plain JavaScript, nothing built or downloaded beside it).
pst_extractor_version=1.12.0
npm_dir="$(cd "$(dirname "$0")/.." && pwd)/build/npm"
if [ $full -eq 1 ] && ! grep -qs "\"version\": \"$pst_extractor_version\"" \
    "$npm_dir/node_modules/pst-extractor/package.json"; then
  mkdir -p "$npm_dir"
  echo "installing: pst-extractor@$pst_extractor_version (npm)"
  npm install --prefix "$npm_dir" --no-save --no-package-lock --ignore-scripts --no-audit --no-fund \
    "pst-extractor@$pst_extractor_version" >/dev/null
fi
