#!/usr/bin/env bash
# Installs what is missing, builds the native (AddressSanitizer + UBSan),
# Windows x64 and Windows x86 programs, and runs every test: natively and,
# for the x64 build, under Wine. Exits non-zero when any test fails.
#
# Each stage prints a line when it starts and its time when it ends. For a
# quicker local run, QUILL_SKIP_WIN32=1 leaves out the x86 build (which is only
# compiled and linked, never run); CI always builds it.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=${JOBS:-2}
started=$SECONDS

stage_start=-1
stage() {  # name: announces a stage and times the one before it
  if [ "$stage_start" -ge 0 ]; then echo "   ($((SECONDS - stage_start)) s)"; fi
  stage_start=$SECONDS
  [ -n "${1:-}" ] && echo "== $1"
  return 0
}

stage "installing what is missing"
scripts/install-deps.sh || exit 1

# A fresh Wine prefix for every run, made in the background while we build.
export QUILL_WINEPREFIX=${QUILL_WINEPREFIX:-$root/build/wine-prefix}
rm -rf "$QUILL_WINEPREFIX" "$QUILL_WINEPREFIX.lock" "$QUILL_WINEPREFIX"-dpi* "$QUILL_WINEPREFIX"-unthemed*
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
stage "building native (with AddressSanitizer and UBSan)"
configure build/native -DCMAKE_BUILD_TYPE=Debug -DQUILL_SANITIZE=ON && build build/native || status=1
stage "building Windows x64"
configure build/win64 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake &&
  build build/win64 || status=1
if [ "${QUILL_SKIP_WIN32:-0}" = 1 ]; then
  stage "Windows x86 left out (QUILL_SKIP_WIN32=1)"
else
  stage "building Windows x86 (compiled and linked only)"
  configure build/win32 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw32.cmake &&
    build build/win32 || status=1
fi
[ $status -eq 0 ] || { echo "build failed"; exit 1; }

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

stage "native tests"
(cd build/native && ctest -j"$jobs" --output-on-failure --timeout 900) 2>&1 | tee build/native-ctest.log
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1

stage "Windows x64 tests under Wine"
(cd build/win64 && ctest -j"$jobs" --output-on-failure --timeout 900) 2>&1 | tee build/win64-ctest.log
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1
cmake/wine-run.sh --stop

stage "summary"
for log in build/native-ctest.log build/win64-ctest.log; do
  printf '%s: %s\n' "$(basename "$log" -ctest.log)" "$(grep -E 'tests passed|tests failed' "$log" | tail -n 1)"
done
if [ "${QUILL_SKIP_WIN32:-0}" = 1 ]; then
  echo "win32: left out (QUILL_SKIP_WIN32=1)"
else
  echo "win32: built and linked (32-bit programs cannot run here)"
fi
[ -f build/win64/button-gallery.png ] && echo "button gallery: build/win64/button-gallery.png"
echo "all stages: $((SECONDS - started)) s"
exit $status
