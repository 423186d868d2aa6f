# Sourced by the real-window tests (under the X server xvfb-run started): waiting, the
# program's window, the window manager, window geometry and screen pixels.
# The caller sets timeout_s (how long await waits, in seconds), pid (the program under
# test; empty while none runs) and work (a private folder; cleanup removes it);
# main_window sets window, which geometry reads.

# Waits until "$@" succeeds, polling every 0.1 s for up to timeout_s seconds; 1 when it
# never did.
await() {
    local deadline=$((SECONDS + timeout_s))
    until "$@"; do
        [ $SECONDS -ge $deadline ] && return 1
        sleep 0.1
    done
}

# Ends the program under test. SIGTERM ends the game without its quit question, but SDL
# only turns it into a quit event that a busy or modal loop (an open GTK menu) may never
# read: one still there after 5 s gets SIGKILL.
stop() {
    [ -n "$pid" ] || return 0
    kill "$pid" 2>/dev/null
    timeout_s=5 await bash -c "! kill -0 $pid 2>/dev/null" || kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    pid=
}

# Starts openbox (its pid in wm) and waits until it manages the screen; 1 when it did not.
wm=
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
start_wm() {
    openbox --sm-disable >/dev/null 2>&1 &
    wm=$!
    await wm_ready
}

# For trap ... EXIT: stops the program and the window manager, removes the work folder.
cleanup() {
    stop
    [ -z "$wm" ] || kill "$wm" 2>/dev/null
    rm -rf "$work"
}

# Sets window to the program's first visible top-level window; 1 while there is none.
# (xdotool's own --sync search gives up with an X error when a window it looks at goes
# away meanwhile, so callers poll this with await instead.)
main_window() {
    window=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -1)
    [ -n "$window" ]
}

# "X Y W H" of the window's client area on the screen.
geometry() {
    xwininfo -id "$window" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
        /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}'
}

# "W H" of the screen.
screen_size() {
    xwininfo -root | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w, h}'
}

# The colour names of screen pixels "X,Y ..." in a fresh screenshot (xwd): red, blue,
# black or r.g.b. With a file name in SHOT, the screenshot is also written there as a PNG.
pixels() {
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
names = {(255, 0, 0): "red", (0, 0, 255): "blue", (0, 0, 0): "black"}
out = []
for point in sys.argv[3:]:
    x, y = map(int, point.split(","))
    colour = rgb(x, y)
    out.append(names.get(colour, ".".join(map(str, colour))))
print(" ".join(out))
PY
}
