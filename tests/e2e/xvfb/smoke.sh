#!/usr/bin/env bash
# The real window under an X server without a window manager (run by xvfb-run):
#  1. the game's window appears with the configured title and a client area of
#     ScreenWidth x ScreenHeight;
#  2. starting the game again while it runs exits 0 at once and the first window stays;
#  3. the close button (WM_DELETE_WINDOW, sent by wm_delete since no window manager is
#     there to send it) brings up the quit question, captioned with the title; Escape
#     answers it with "no" and the game goes on (a second close meanwhile is dropped);
#  4. a second close answered with Return (Yes is the default button) ends the game
#     with exit code 0;
# and all along the sound goes to SDL's disk audio driver, whose file must hold the
# opening music (not silence) a few seconds in.
#
# usage: smoke.sh VELMIRA WM_DELETE VELMIRA_TOOL SYSTEM_TXT [GAME_DIR]
#   SYSTEM_TXT: the game's configuration source (Shift-JIS) for the expected title and
#   size; GAME_DIR: a game folder to play instead of the one beside VELMIRA.
set -uo pipefail
export LC_ALL=C.UTF-8

velmira=$1 wm_delete=$2 tool=$3 system_txt=$4 game_dir=${5:-}
timeout_s=20

fail() { echo "smoke: FAIL: $*" >&2; exit 1; }
note() { echo "smoke: $*"; }

setting() {
    tr -d '\r' <"$system_txt" | grep -a "^$1=" | head -1 | cut -d= -f2- | iconv -f CP932 -t UTF-8
}
title=$(setting Title) width=$(setting ScreenWidth) height=$(setting ScreenHeight)
[ -n "$title" ] && [ -n "$width" ] && [ -n "$height" ] || fail "cannot read $system_txt"

archive=${game_dir:-$(dirname "$velmira")}/data/system.dat
if ! "$tool" list "$archive" 2>/dev/null | grep -qa '^script\\start\.txt'; then
    echo "smoke: skipped: $archive has no script\\start.txt"
    exit 77
fi

source "$(dirname "$0")/x11_lib.sh"

# A private runtime folder (single-instance lock) and save folder for this run.
work=$(mktemp -d)
chmod 700 "$work"
export XDG_RUNTIME_DIR=$work
args=(--save-dir "$work/save")
[ -n "$game_dir" ] && args+=("$game_dir")

pid=
trap cleanup EXIT

running() { kill -0 "$pid" 2>/dev/null; }
wm_name() { xprop -id "$1" _NET_WM_NAME 2>/dev/null | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p'; }
# Visible top-level windows of the game other than its main window.
other_windows() { xdotool search --onlyvisible --pid "$pid" 2>/dev/null | grep -vx "$window"; }

# SDL's disk driver writes what the game plays (16-bit stereo) to a file, in real time.
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/sound.raw" "$velmira" "${args[@]}" &
pid=$!

# 1. The window, its title and its client size.
await main_window || fail "no window appeared (game running: $(running && echo yes || echo no))"
# The engine names its window right after showing it.
titled() {
    shown=$(wm_name "$window")
    [[ "$shown" == "$title"* ]]
}
await titled || fail "title is '$shown', expected '$title'"
read -r _ _ w h <<<"$(geometry)"
size=${w}x${h}
[ "$size" = "${width}x${height}" ] || fail "client area is $size, expected ${width}x${height}"
note "window $window '$shown' ${size}"

# The sample game starts its music with the first scene: read it back.
sound_level() {
    python3 - "$work/sound.raw" <<'PY'
import array, math, sys
data = open(sys.argv[1], "rb").read()
samples = array.array("h")
samples.frombytes(data[: len(data) // 2 * 2])
rms = math.sqrt(sum(s * s for s in samples) / len(samples)) if samples else 0
print(f"{len(samples) // 2} {20 * math.log10(max(rms, 1) / 32768):.1f}")
PY
}
heard() {
    read -r frames level <<<"$(sound_level)"
    [ "${frames:-0}" -gt 88200 ] && python3 -c "import sys; sys.exit(0 if $level > -45 else 1)"
}
if [ -z "$game_dir" ]; then
    await heard || fail "no music came out of the sound driver (${frames:-0} frames at ${level:-?} dBFS)"
    note "sound: ${frames} frames at ${level} dBFS"
fi

# 2. A second instance leaves at once with 0; the first one stays.
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/second.raw" timeout $timeout_s "$velmira" "${args[@]}"
rc=$?
[ $rc -eq 0 ] || fail "second instance exited with $rc"
running || fail "the first instance ended when the second started"
xwininfo -id "$window" >/dev/null 2>&1 || fail "the first window went away"
note "second instance refused"

# 3. Close, answer no.
question() {
    dialog=$(other_windows | head -1)
    [ -n "$dialog" ]
}
answer() {
    xdotool windowfocus --sync "$dialog" && xdotool key "$1"
}
"$wm_delete" "$window" || fail "cannot send the close request"
await question || fail "no quit question after the close request"
caption=$(wm_name "$dialog")
[ "$caption" = "$title" ] || fail "quit question captioned '$caption', expected '$title'"
# A second click on the close button while the question is open goes nowhere.
"$wm_delete" "$window" || fail "cannot send the close request"
sleep 0.3
answer Escape || fail "cannot answer the question"
await bash -c "! xdotool search --onlyvisible --pid $pid | grep -vqx $window" ||
    fail "the quit question stayed after Escape"
# Give a wrongly kept close request the time to ask again.
sleep 1
[ -z "$(other_windows)" ] || fail "the question came back after it was answered"
running || fail "the game ended although the answer was no"
note "close answered no: still running"

# 4. Close, answer yes.
"$wm_delete" "$window" || fail "cannot send the close request"
await question || fail "no quit question after the second close request"
answer Return || fail "cannot answer the question"
await bash -c "! kill -0 $pid 2>/dev/null" || fail "the game did not end after Yes"
wait "$pid"
rc=$?
pid=
[ $rc -eq 0 ] || fail "the game exited with $rc"
note "close answered yes: exited with 0"
echo "smoke: passed"
