# Sourced: make_tiny_game DIR TITLE PRODUCT_ID builds a 160 x 120 game in DIR/data/ whose
# splash is red on its left half and blue on its right, and whose start script shows the
# same picture as its background (at once, without a cross-fade) and waits.
# Needs $tool (velmira-tool) and python3.
make_tiny_game() {
    local dir=$1 title=$2 product=$3 src
    src=$(mktemp -d)
    mkdir -p "$src/config" "$src/img" "$src/script" "$dir/data"
    printf '[System.Info]\r\nTitle=%s\r\n[.Setting]\r\nScreenWidth=160\r\nScreenHeight=120\r\nProductID=%s\r\n[.Option]\r\nSplashImage=splash.png\r\n' \
        "$title" "$product" >"$src/config/system.txt"
    printf 'system.txt\r\n' >"$src/config/config.txt"
    printf '.fade 0\r\n.img 0 splash.png\r\n.wait 20000\r\n' >"$src/script/start.txt"
    python3 - "$src/img/splash.png" <<'PY'
import struct, sys, zlib
w, h = 160, 120
row = b"\x00" + b"\xff\x00\x00" * (w // 2) + b"\x00\x00\xff" * (w - w // 2)
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
png += chunk(b"IDAT", zlib.compress(row * h)) + chunk(b"IEND", b"")
open(sys.argv[1], "wb").write(png)
PY
    "$tool" pack "$dir/data/system.dat" --revision 1 "$src" >/dev/null || return 1
    rm -rf "$src"
}
