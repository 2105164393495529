#!/usr/bin/env bash
# Installs what is missing, builds the native (AddressSanitizer + UBSan),
# Windows x64 and Windows x86 programs, and runs every test: natively and,
# for the x64 build, under Wine. Exits non-zero when any test fails.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=${JOBS:-2}

scripts/install-deps.sh || exit 1

# A fresh Wine prefix for every run, made in the background while we build.
export QUILL_WINEPREFIX=${QUILL_WINEPREFIX:-$root/build/wine-prefix}
rm -rf "$QUILL_WINEPREFIX" "$QUILL_WINEPREFIX.lock" "$QUILL_WINEPREFIX/.quill-ready"
mkdir -p build
(cmake/wine-run.sh --start >build/wine-prepare.log 2>&1 </dev/null &)

configure() {  # dir, extra cmake args...
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DQUILL_WERROR=ON "$@" >"$dir.configure.log" 2>&1 ||
    { cat "$dir.configure.log"; return 1; }
}
build() {
  cmake --build "$1" -j"$jobs" >"$1.build.log" 2>&1 || { tail -n 60 "$1.build.log"; return 1; }
}

status=0
configure build/native -DCMAKE_BUILD_TYPE=Debug -DQUILL_SANITIZE=ON && build build/native || status=1
configure build/win64 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake &&
  build build/win64 || status=1
configure build/win32 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw32.cmake &&
  build build/win32 || status=1
[ $status -eq 0 ] || { echo "build failed"; exit 1; }

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

echo "== native tests"
(cd build/native && ctest -j"$jobs" --output-on-failure --timeout 900) 2>&1 | tee build/native-ctest.log
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1

echo "== Windows x64 tests under Wine"
(cd build/win64 && ctest -j"$jobs" --output-on-failure --timeout 900) 2>&1 | tee build/win64-ctest.log
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1
cmake/wine-run.sh --stop

echo "== summary"
for log in build/native-ctest.log build/win64-ctest.log; do
  printf '%s: %s\n' "$(basename "$log" -ctest.log)" "$(grep -E 'tests passed|tests failed' "$log" | tail -n 1)"
done
echo "win32: built and linked (32-bit programs cannot run here)"
[ -f build/win64/button-gallery.png ] && echo "button gallery: build/win64/button-gallery.png"
exit $status
