#!/usr/bin/env bash
# Screenshots of the main window as a user sees it, at 96 and at 144 DPI: builds Quillmere.exe
# (x64), starts it under Wine's X11 driver on an Xvfb screen, with a generated sample store that
# the registry of a Wine prefix of its own describes, and writes
#   docs/screenshot-96.png  docs/screenshot-144.png
# Installs Debian's xvfb package when it is missing (only this script needs it).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=${JOBS:-2}

scripts/install-deps.sh
if ! dpkg-query -W -f='${Status}' xvfb 2>/dev/null | grep -q 'install ok installed'; then
  echo "installing: xvfb"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends xvfb >/dev/null
fi

build=build/screenshot-win64
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILL_TESTS=OFF \
  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake >/dev/null
cmake --build "$build" --target quillmere_window quill_genstore -j"$jobs" >/dev/null

# A prefix made for the X11 driver: one made for the null driver cannot be reused under X11.
export WINEPREFIX=$root/build/wine-x11 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
loader=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver
frames=$(mktemp -d)
display=:${SCREENSHOT_DISPLAY:-73}
Xvfb "$display" -screen 0 1600x1000x24 -fbdir "$frames" -br -nocursor -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
app=
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null
  "$server" -k 2>/dev/null
  kill "$xvfb" 2>/dev/null
  rm -rf "$frames"
}
trap cleanup EXIT
export DISPLAY=$display
sleep 1

if [ ! -f "$WINEPREFIX/.quill-ready" ]; then
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  # Without a window manager each show or hide costs seconds, unless Wine draws the frames itself.
  cat > "$WINEPREFIX/user.reg" <<'REG'
WINE REGISTRY Version 2
;; All keys relative to \\User\\S-1-5-21-0-0-0-1000

#arch=win64

[Software\\Wine\\WineDbg]
"ShowCrashDialog"=dword:00000000

[Software\\Wine\\X11 Driver]
"Managed"="N"
REG
  "$loader" wineboot -i >/dev/null 2>&1 </dev/null
  "$server" -w
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  for f in /usr/share/wine/fonts/*.ttf; do ln -sf "$f" "$WINEPREFIX/drive_c/windows/Fonts/"; done
  touch "$WINEPREFIX/.quill-ready"
fi

# The store the window finds by itself.
identity='{6F1C2A90-4D3B-4E5F-9A7B-1C2D3E4F5A6B}'
store="C:\\IM\\Identities\\$identity\\Message Store"
rm -rf "$WINEPREFIX/drive_c/IM"
"$loader" "$build/tools/quill-genstore.exe" --seed 5 --messages 12 --containers 4 --out "$store" >/dev/null
"$loader" reg add 'HKCU\Software\IncrediMail' /v ApplicationPath /d 'C:\IM' /f >/dev/null 2>&1
"$loader" reg add 'HKCU\Software\IncrediMail\Identities' /ve /d "$identity" /f >/dev/null 2>&1

mkdir -p docs
for dpi in 96 144; do
  "$loader" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  # The DPI is read when the session starts.
  "$server" -k 2>/dev/null || true
  "$server" -w
  "$loader" "$build/app/Quillmere.exe" >/dev/null 2>&1 </dev/null &
  app=$!
  python3 - "$frames/Xvfb_screen0" "docs/screenshot-$dpi.png" <<'PY'
# Waits until the screen holds a window whose place has stayed the same for three seconds (its
# content may not: the caret blinks), then writes the smallest rectangle around everything drawn
# (the root window is black) as a PNG.
import struct, sys, time, zlib

def grab(path):
    data = open(path, "rb").read()
    f = struct.unpack(">25I", data[:100])
    header, width, height, bpp, stride, ncolors = f[0], f[4], f[5], f[11], f[12], f[19]
    assert bpp == 32, "a 24-bit screen is kept in 32-bit pixels"
    start = header + 12 * ncolors
    rows = [data[start + y * stride:start + y * stride + width * 4] for y in range(height)]
    return width, height, rows

def bounds(width, rows):
    blank = bytes(width * 4)
    used = [y for y, row in enumerate(rows) if row != blank]
    if not used:
        return None
    left, right = width, 0
    for y in used:
        row = rows[y]
        stripped = row.lstrip(b"\0")
        left = min(left, (len(row) - len(stripped)) // 4)
        right = max(right, (len(row.rstrip(b"\0")) + 3) // 4)
    return left, used[0], right, used[-1] + 1

def png(width, height, rgb_rows):
    raw = b"".join(b"\0" + r for r in rgb_rows)
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))

source, target = sys.argv[1], sys.argv[2]
last, same_since, deadline = None, None, time.time() + 90
while time.time() < deadline:
    time.sleep(0.5)
    width, height, rows = grab(source)
    box = bounds(width, rows)
    if box is None or box[2] - box[0] < 400:
        continue
    if box != last:
        last, same_since = box, time.time()
    elif time.time() - same_since >= 3:
        break
else:
    sys.exit("no window appeared on the screen")
left, top, right, bottom = box
out = []
for row in rows[top:bottom]:
    px = row[left * 4:right * 4]
    rgb = bytearray(len(px) // 4 * 3)
    rgb[0::3], rgb[1::3], rgb[2::3] = px[2::4], px[1::4], px[0::4]
    out.append(bytes(rgb))
open(target, "wb").write(png(right - left, bottom - top, out))
print(f"{target}: {right - left} x {bottom - top}")
PY
  kill "$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
  app=
done
