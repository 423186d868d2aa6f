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

source "$(dirname "$0")/x11_lib.sh"
work=$(mktemp -d)
pid=
trap cleanup EXIT
start_wm || fail "the window manager did not start"

said() { grep -q "^$1\$" "$work/out"; }
# "red" or "other" for screen pixels "X,Y ..." (and the screenshot in SHOT, if set).
colours() {
    pixels "$@" | awk '{ for (i = 1; i <= NF; i++) if ($i != "red") $i = "other" } 1'
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
    read -r ox oy _ _ <<<"$(geometry)"
    read -r ax ay <<<"$(anchor_of "$ox" "$oy")"
    # Left of the corner the frame shows; inside the corner the menu does.
    await expect_colours "red other" "$((ax - 4)),$((ay + 8))" "$((ax + 30)),$((ay + 8))" ||
        fail "$name: no menu at $ax,$ay ($got)"
    if [ -n "${POPUP_SHOTS:-}" ]; then
        SHOT="$POPUP_SHOTS/$name.png" pixels >/dev/null || fail "$name: no screenshot"
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
read -r sw sh <<<"$(screen_size)"
anchor_of() { echo "$(($1 + (sw - 160) / 2 + 40)) $(($2 + (sh - 120) / 2 + 30))"; }
run fullscreen "Down Return" 17 --full-screen
echo "popup_menu: passed"
