#!/usr/bin/env bash
# SQLite's single-file source (sqlite3.c, sqlite3.h) for the Windows programs,
# built from Debian's source package of sqlite3 with Debian's own patches.
# Upstream's tarball inside it is pinned by version and SHA-256; Debian's
# patch set comes from apt, which checks it against Debian's signed index.
# The native build links Debian's libsqlite3 instead.
#
# Result: build/deps/sqlite-<version>/ (kept; delete it to rebuild).
set -euo pipefail
cd "$(dirname "$0")/.."

version=3.40.1
orig_sha256=aaa776260ab4dc976db34aa7891819484c8676b5b2783123ebc6301e2ca5d655
dest=build/deps/sqlite-$version

if [ -f "$dest/sqlite3.c" ] && [ -f "$dest/sqlite3.h" ]; then
  exit 0
fi
mkdir -p build/deps
work=$(mktemp -d "$PWD/build/deps/sqlite-src.XXXXXX")
trap 'rm -rf "$work"' EXIT

echo "fetching Debian's source package of sqlite3"
(cd "$work" && apt-get source --download-only -qq sqlite3 >/dev/null 2>"$work/apt.log") ||
  { cat "$work/apt.log"; echo "apt-get source sqlite3 failed (is there a deb-src entry?)" >&2; exit 1; }
orig="$work/sqlite3_$version.orig.tar.xz"
if [ ! -f "$orig" ]; then
  echo "Debian's sqlite3 source is no longer version $version: $(ls "$work")" >&2
  exit 1
fi
got=$(sha256sum "$orig" | cut -d' ' -f1)
if [ "$got" != "$orig_sha256" ]; then
  echo "sqlite3_$version.orig.tar.xz has SHA-256 $got, expected $orig_sha256" >&2
  exit 1
fi
dsc=$(ls "$work"/sqlite3_"$version"-*.dsc)
dpkg-source -x "$dsc" "$work/src" >/dev/null 2>"$work/dpkg-source.log" ||
  { cat "$work/dpkg-source.log"; exit 1; }

mkdir "$work/src/bld"
(cd "$work/src/bld" && ../configure --disable-tcl >configure.log 2>&1 && make sqlite3.c >make.log 2>&1) ||
  { tail -n 40 "$work/src/bld/"*.log; exit 1; }
mkdir -p "$dest.tmp"
cp "$work/src/bld/sqlite3.c" "$work/src/bld/sqlite3.h" "$dest.tmp/"
basename "$dsc" .dsc >"$dest.tmp/SOURCE"
rm -rf "$dest"
mv "$dest.tmp" "$dest"
echo "SQLite $version from $(cat "$dest/SOURCE") in $dest"
