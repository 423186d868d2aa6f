#!/usr/bin/env bash
# Display modes of the real window under an X server (run by xvfb-run) with a window
# manager that knows full-screen windows (openbox; the test is skipped without it), on a
# tiny game of 160 x 120 whose splash is red left and blue right:
#  1. Alt+Return enters full screen: the window covers the screen and the frame sits
#     unscaled in its middle on black; Alt+Return again gives the 160 x 120 window back;
#  2. --scale 2 makes a 320 x 240 window showing the frame twice as large;
#  3. the sample game (SAMPLE_DIR: the build folder holding data/system.dat and the
#     gathered sample_game/) shows its first background, the slope, in its window.
# Pixels are read from a screenshot of the whole screen (xwd).
#
# usage: display.sh VELMIRA VELMIRA_TOOL SAMPLE_DIR
set -uo pipefail
export LC_ALL=C.UTF-8

velmira=$1 tool=$2 sample=$3
timeout_s=20
fail() { echo "display: FAIL: $*" >&2; exit 1; }
note() { echo "display: $*"; }
command -v xwd >/dev/null || { echo "display: skipped: no xwd (x11-apps)"; exit 77; }
command -v openbox >/dev/null || { echo "display: skipped: no openbox"; exit 77; }

source "$(dirname "$0")/tiny_game.sh"
source "$(dirname "$0")/x11_lib.sh"
work=$(mktemp -d)
chmod 700 "$work"
export XDG_RUNTIME_DIR=$work
make_tiny_game "$work/game" "Display" "velmira.test.display" || fail "cannot pack the game"

pid=
trap cleanup EXIT
start_wm || fail "the window manager did not start"

has_geometry() { [ "$(geometry)" = "$1" ]; }
has_size() { [ "$(geometry | cut -d' ' -f3-)" = "$1" ]; }
expect_pixels() {
    local want=$1
    shift
    got=$(pixels "$@")
    [ "$got" = "$want" ]
}
start() {
    "$velmira" --save-dir "$work/save" "$@" "${game:-$work/game}" &
    pid=$!
    await main_window || fail "no window appeared"
}

read -r sw sh <<<"$(screen_size)"

# 1. Full screen and back.
start
await has_size "160 120" || fail "window at $(geometry), expected 160 x 120"
read -r x y _ _ <<<"$(geometry)"
await expect_pixels "red blue" "$((x + 40)),$((y + 60))" "$((x + 120)),$((y + 60))" ||
    fail "the splash is not shown: $got"
xdotool windowactivate --sync "$window" && xdotool key --window "$window" alt+Return ||
    fail "cannot press alt+Return"
await has_geometry "0 0 $sw $sh" || fail "full screen: window at $(geometry), expected 0 0 $sw $sh"
cx=$((sw / 2)) cy=$((sh / 2))
await expect_pixels "black red blue black" "5,5" "$((cx - 40)),$cy" "$((cx + 40)),$cy" \
    "$((cx + 85)),$cy" || fail "full screen does not show the frame unscaled in the middle: $got"
note "alt+Return: full screen ${sw}x${sh}, frame centred on black"
xdotool key --window "$window" alt+Return || fail "cannot press alt+Return"
await has_geometry "$x $y 160 120" || fail "back from full screen: window at $(geometry)"
await expect_pixels "red blue" "$((x + 40)),$((y + 60))" "$((x + 120)),$((y + 60))" ||
    fail "window mode after full screen shows $got"
note "alt+Return again: window mode 160x120 at $x,$y"
stop

# 2. --scale 2.
start --scale 2
await has_size "320 240" || fail "--scale 2: window at $(geometry), expected 320 x 240"
read -r x y _ _ <<<"$(geometry)"
# Frame pixels 75 and 85 of the middle row, at twice the distance.
await expect_pixels "red blue" "$((x + 150)),$((y + 120))" "$((x + 170)),$((y + 120))" ||
    fail "--scale 2 shows $got"
note "--scale 2: 320x240, frame doubled"
stop

# 3. The sample game's first background, read from the picture the build drew for it
#    ("r.g.b" names as pixels() gives them, at points the cat does not cover).
slope_pixels() {
    python3 - "$sample/sample_game/data/img/bg_slope.png" "$@" <<'PY'
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
at, idat = 8, b""
while at < len(data):
    n, kind = struct.unpack(">I4s", data[at:at + 8])
    if kind == b"IHDR":
        width = struct.unpack(">I", data[at + 8:at + 12])[0]
    elif kind == b"IDAT":
        idat += data[at + 8:at + 8 + n]
    at += 12 + n
raw, stride, rows, prev = zlib.decompress(idat), width * 3, [], bytearray(width * 3)
for y in range(len(raw) // (stride + 1)):
    f, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
    for i in range(stride):
        a, b = line[i - 3] if i >= 3 else 0, prev[i]
        c = prev[i - 3] if i >= 3 else 0
        p = a + b - c
        pred = [0, a, b, (a + b) // 2,
                a if abs(p - a) <= abs(p - b) and abs(p - a) <= abs(p - c) else
                (b if abs(p - b) <= abs(p - c) else c)][f]
        line[i] = (line[i] + pred) & 255
    rows.append(line)
    prev = line
names = {(255, 0, 0): "red", (0, 0, 255): "blue", (0, 0, 0): "black"}
out = []
for point in sys.argv[2:]:
    x, y = map(int, point.split(","))
    rgb = tuple(rows[y][x * 3:x * 3 + 3])
    out.append(names.get(rgb, ".".join(map(str, rgb))))
print(" ".join(out))
PY
}
points="600,100 20,20 700,380" # above the message box
want=$(slope_pixels $points) || fail "cannot read the sample game's slope picture"
game=$sample start
await has_size "800 600" || fail "the sample game's window is at $(geometry)"
read -r x y _ _ <<<"$(geometry)"
shifted=
for p in $points; do shifted+="$((x + ${p%,*})),$((y + ${p#*,})) "; done
await expect_pixels "$want" $shifted || fail "the sample game shows $got, expected $want"
note "sample game: the slope is shown"
stop
echo "display: passed"
