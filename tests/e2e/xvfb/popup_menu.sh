#!/usr/bin/env bash
# The right-click menu over the real window, under an X server (run by xvfb-run) with a
# window manager (openbox; the test is skipped without it). The probe opens the game's
# menu at frame pixel (40, 30) of a red 160 x 120 window:
#  1. at scale 1 the menu's corner is at that point; the mnemonic key "s" chooses
#     "セーブ(&S)", 20;
#  2. at scale 2 the corner is at twice the distance; Escape dismisses the menu, 0;
#  3. full screen: the corner is at the point of the centred frame; Down and Return
#     choose the first item, 17.
# With POPUP_SHOTS set to a folder, a PNG screenshot of each open menu is left there.
#
# usage: popup_menu.sh PROBE
set -uo pipefail
export LC_ALL=C.UTF-8

probe=$1
timeout_s=20
fail() { echo "popup_menu: FAIL: $*" >&2; exit 1; }
note() { echo "popup_menu: $*"; }
command -v xwd >/dev/null || { echo "popup_menu: skipped: no xwd (x11-apps)"; exit 77; }
command -v openbox >/dev/null || { echo "popup_menu: skipped: no openbox"; exit 77; }

work=$(mktemp -d)
pid=
stop() {
    [ -n "$pid" ] || return 0
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    pid=
}
wm=
trap 'stop; [ -n "$wm" ] && kill "$wm" 2>/dev/null; rm -rf "$work"' EXIT
openbox --sm-disable >/dev/null 2>&1 &
wm=$!

await() {
    local deadline=$((SECONDS + timeout_s))
    until "$@"; do
        [ $SECONDS -ge $deadline ] && return 1
        sleep 0.1
    done
}
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
await wm_ready || fail "the window manager did not start"

main_window() {
    window=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -1)
    [ -n "$window" ]
}
# "X Y" of the window's client area on the screen.
origin() {
    xwininfo -id "$window" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
        END {print x, y}'
}
said() { grep -q "^$1\$" "$work/out"; }
# "red" or "other" for screen pixels "X,Y ..." in a fresh screenshot; with a file name in
# SHOT, the screenshot is also written there as a PNG.
colours() {
    xwd -root -silent >"$work/screen.xwd" || return 1
    python3 - "$work/screen.xwd" "${SHOT:-}" "$@" <<'PY'
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
f = struct.unpack(">25I", data[:100])
header, width, height, order, bpp, stride = f[0], f[4], f[5], f[7], f[11], f[12]
masks, ncolours = f[14:17], f[19]
base = header + ncolours * 12
def rgb(x, y):
    at = base + y * stride + x * (bpp // 8)
    value = int.from_bytes(data[at:at + bpp // 8], "little" if order == 0 else "big")
    out = []
    for m in masks:
        shift = (m & -m).bit_length() - 1
        out.append(((value & m) >> shift) * 255 // (m >> shift))
    return tuple(out)
if sys.argv[2]:
    rows = b"".join(b"\0" + bytes(c for x in range(width) for c in rgb(x, y))
                    for y in range(height))
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body)))
    png = (b"\x89PNG\r\n\x1a\n" +
           chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
           chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))
    open(sys.argv[2], "wb").write(png)
out = []
for point in sys.argv[3:]:
    x, y = map(int, point.split(","))
    out.append("red" if rgb(x, y) == (255, 0, 0) else "other")
print(" ".join(out))
PY
}
expect_colours() {
    local want=$1
    shift
    got=$(colours "$@")
    [ "$got" = "$want" ]
}

# run NAME KEYS WANT [PROBE OPTIONS]: opens the menu, checks where it is, presses KEYS,
# expects "chosen WANT". The anchor (the menu's corner on the screen) is computed by
# anchor_of from the window's origin.
run() {
    local name=$1 keys=$2 want=$3
    shift 3
    "$probe" "$@" >"$work/out" 2> >(tee "$work/err" >&2) &
    pid=$!
    await main_window || fail "$name: no window appeared"
    await said ready || { cat "$work/out" "$work/err" >&2; fail "$name: the probe did not get ready"; }
    read -r ox oy <<<"$(origin)"
    read -r ax ay <<<"$(anchor_of "$ox" "$oy")"
    # Left of the corner the frame shows; inside the corner the menu does.
    await expect_colours "red other" "$((ax - 4)),$((ay + 8))" "$((ax + 30)),$((ay + 8))" ||
        fail "$name: no menu at $ax,$ay ($got)"
    if [ -n "${POPUP_SHOTS:-}" ]; then
        SHOT="$POPUP_SHOTS/$name.png" colours >/dev/null || fail "$name: no screenshot"
    fi
    # shellcheck disable=SC2086
    xdotool key $keys || fail "$name: cannot press $keys"
    await said "chosen [0-9]*" || fail "$name: the menu did not close"
    said "chosen $want" || fail "$name: $(cat "$work/out" | tail -1), expected chosen $want"
    wait "$pid"
    pid=
    note "$name: menu at $ax,$ay, $keys gives $want"
}

anchor_of() { echo "$(($1 + 40)) $(($2 + 30))"; }
run scale1 s 20
anchor_of() { echo "$(($1 + 80)) $(($2 + 60))"; }
run scale2 Escape 0 --scale 2
screen=$(xwininfo -root | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w, h}')
read -r sw sh <<<"$screen"
anchor_of() { echo "$(($1 + (sw - 160) / 2 + 40)) $(($2 + (sh - 120) / 2 + 30))"; }
run fullscreen "Down Return" 17 --full-screen
echo "popup_menu: passed"
