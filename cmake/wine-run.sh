#!/usr/bin/env bash
# Runs a Windows program under Wine's 64-bit loader, headless (null graphics
# driver). Makes the prefix on first use; a lock keeps parallel tests from
# making it twice.
#   wine-run.sh PROGRAM [ARGS...]     run a program
#   wine-run.sh --start | --stop      warm up / shut down the wineserver
# With QUILL_WINE_DPI=N set, all of this happens in a prefix of its own beside
# the usual one, whose screen has N dots per inch (LogPixels). With
# QUILL_WINE_THEME=off it happens in a copy of that prefix with visual styles
# switched off (for the unthemed code paths), with a wineserver of its own.
set -u
: "${WINEPREFIX:=${QUILL_WINEPREFIX:-/tmp/quillmere-wine}}"
dpi=${QUILL_WINE_DPI:-}
if [ -n "$dpi" ]; then
  WINEPREFIX=$WINEPREFIX-dpi$dpi
fi
base_prefix=$WINEPREFIX
unthemed_prefix=$base_prefix-unthemed
[ "${QUILL_WINE_THEME:-on}" = off ] && WINEPREFIX=$unthemed_prefix
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
loader=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver

make_base_prefix() {
  local WINEPREFIX=$base_prefix
  mkdir -p "$WINEPREFIX"
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [ ! -f "$WINEPREFIX/.quill-ready" ]; then
    rm -rf "$WINEPREFIX" "$unthemed_prefix"; mkdir -p "$WINEPREFIX"
    # The graphics driver is fixed when the session's explorer starts, so it
    # must be in user.reg before the first boot.
    cat > "$WINEPREFIX/user.reg" <<'REG'
WINE REGISTRY Version 2
;; All keys relative to \\User\\S-1-5-21-0-0-0-1000

#arch=win64

[Software\\Wine\\Drivers]
"Graphics"="null"

[Software\\Wine\\WineDbg]
"ShowCrashDialog"=dword:00000000

[Software\\Wine\\X11 Driver]
"Managed"="N"
REG
    if [ -n "$dpi" ]; then
      printf '\n[Control Panel\\\\Desktop]\n"LogPixels"=dword:%08x\n' "$dpi" >> "$WINEPREFIX/user.reg"
    fi
    "$loader" wineboot -i >/dev/null 2>&1 </dev/null
    "$server" -w
    fonts="$WINEPREFIX/drive_c/windows/Fonts"
    mkdir -p "$fonts"
    for f in /usr/share/wine/fonts/*.ttf; do ln -sf "$f" "$fonts/"; done
    touch "$WINEPREFIX/.quill-ready"
  fi
  flock -u 9
}

# A copy of the ready first prefix (hard links: the wineserver replaces the
# registry files it saves rather than writing into them), its theme switched
# off in the saved user registry.
make_unthemed_prefix() {
  exec 8>"$unthemed_prefix.lock"
  flock 8
  if [ ! -f "$unthemed_prefix/.quill-ready" ]; then
    rm -rf "$unthemed_prefix"
    cp -al "$base_prefix" "$unthemed_prefix"
    rm -f "$unthemed_prefix/.quill-ready"
    sed -i 's/^"ThemeActive"="1"$/"ThemeActive"="0"/' "$unthemed_prefix/user.reg"
    grep -q '^"ThemeActive"="0"$' "$unthemed_prefix/user.reg" || { echo "cannot switch the theme off" >&2; exit 1; }
    touch "$unthemed_prefix/.quill-ready"
  fi
  flock -u 8
}

make_prefix() {
  make_base_prefix
  [ "$WINEPREFIX" = "$unthemed_prefix" ] && make_unthemed_prefix
}

case "${1:-}" in
  --start)
    make_prefix
    "$server" -k 2>/dev/null; "$server" -w
    # The daemon keeps the stderr it was given; under ctest that is the test's
    # pipe, and ctest waits for it to close.
    "$server" -p </dev/null >/dev/null 2>&1
    # Detached, so the services it spawns don't hold the caller's pipes open.
    # Waiting for it means the session is up before the first test starts its
    # own first window.
    setsid "$loader" wineboot </dev/null >/dev/null 2>&1 &
    wait $!
    exit 0 ;;
  --stop)
    "$server" -k 2>/dev/null
    exit 0 ;;
esac
make_prefix
exec "$loader" "$@"
