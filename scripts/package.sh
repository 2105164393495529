#!/usr/bin/env bash
# Builds the release zips for Windows: dist/Quillmere-<version>-x64.zip and
# dist/Quillmere-<version>-x86.zip, each one folder holding the window program (Quillmere.exe),
# the console converter (quillmere-cli.exe) and the user's guide. Both programs are linked
# statically: nothing else needs to be beside them.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-2}

scripts/install-deps.sh
version=$(sed -n 's/^project(Quillmere VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
# The files in the zips carry the time of the commit they were built from.
stamp=$(git log -1 --format=%ct 2>/dev/null || date +%s)
mkdir -p dist

for arch in x64 x86; do
  case $arch in
    x64) toolchain=cmake/toolchain-mingw64.cmake; strip=x86_64-w64-mingw32-strip ;;
    x86) toolchain=cmake/toolchain-mingw32.cmake; strip=i686-w64-mingw32-strip ;;
  esac
  build=build/package-$arch
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILL_TESTS=OFF -DQUILL_WERROR=ON \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" >"$build.configure.log" 2>&1 || { cat "$build.configure.log"; exit 1; }
  cmake --build "$build" --target quillmere_window quillmere -j"$jobs" >"$build.build.log" 2>&1 ||
    { tail -n 40 "$build.build.log"; exit 1; }

  name=Quillmere-$version-$arch
  stage=$build/stage/$name
  rm -rf "$build/stage"
  mkdir -p "$stage"
  "$strip" -o "$stage/Quillmere.exe" "$build/app/Quillmere.exe"
  "$strip" -o "$stage/quillmere-cli.exe" "$build/cli/quillmere-cli.exe"
  # Notepad on older Windows wants CR LF.
  sed 's/$/\r/' docs/user-guide.txt >"$stage/User's Guide.txt"

  rm -f "dist/$name.zip"
  python3 - "$build/stage" "$name" "dist/$name.zip" "$stamp" <<'PY'
import sys, time, zipfile
from pathlib import Path
root, name, target, stamp = Path(sys.argv[1]), sys.argv[2], sys.argv[3], int(sys.argv[4])
when = time.gmtime(max(stamp, 315532800))[:6]  # zip times start in 1980
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
    for path in sorted((root / name).iterdir()):
        info = zipfile.ZipInfo(f"{name}/{path.name}", date_time=when)
        info.compress_type = zipfile.ZIP_DEFLATED
        info.external_attr = 0o644 << 16
        z.writestr(info, path.read_bytes())
PY
  echo "dist/$name.zip: $(python3 -c 'import sys,zipfile; print(", ".join(zipfile.ZipFile(sys.argv[1]).namelist()))' "dist/$name.zip")"
done
