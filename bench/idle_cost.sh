#!/usr/bin/env bash
# What a static scene costs: the real program under Xvfb (software renderer, no sound
# card) on a tiny game whose start script only waits, and the processor share of one
# core it takes over about 10 seconds, from utime + stime in /proc/<pid>/stat. The goal
# is below 3 %. With IDLE_SCENE=page the game shows a message page instead and waits for
# the page to be turned (the wait icon animates).
#
# usage: [IDLE_SCENE=page] bench/idle_cost.sh [BUILD_DIR]
#        (default build/release; needs xvfb-run, python3, iconv)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
velmira=$build/velmira tool=$build/velmira-tool
[ -x "$velmira" ] && [ -x "$tool" ] || { echo "idle_cost: build velmira and velmira-tool first" >&2; exit 2; }
seconds=${IDLE_SECONDS:-10}

if [ -z "${IDLE_COST_INNER:-}" ]; then
    IDLE_COST_INNER=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build"
fi

source "$root/tests/e2e/xvfb/tiny_game.sh"
work=$(mktemp -d)
chmod 700 "$work"
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$work"' EXIT
make_tiny_game "$work/game" "Idle" "velmira.bench.idle"
if [ "${IDLE_SCENE:-}" = page ]; then
    # A later archive replaces the start script with one that shows a page and waits.
    mkdir -p "$work/page/script"
    printf '.fade 0\n.img 0 splash.png\n坂の上の灯台が、静かに明かりを灯し始めた。/海が青く深く沈んでいく。\n\n' |
        iconv -t CP932 | sed 's/$/\r/' >"$work/page/script/start.txt"
    "$tool" pack "$work/game/data/page.dat" --revision 2 "$work/page" >/dev/null
fi

export XDG_RUNTIME_DIR=$work SDL_RENDER_DRIVER=software SDL_AUDIODRIVER=dummy
"$velmira" --save-dir "$work/save" "$work/game" 2>/dev/null &
pid=$!
sleep 2 # start-up is not part of the scene

ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
hz=$(getconf CLK_TCK)
t0=$(ticks) w0=$(date +%s.%N)
sleep "$seconds"
t1=$(ticks) w1=$(date +%s.%N)
kill -0 "$pid" 2>/dev/null || { echo "idle_cost: the game ended early" >&2; exit 1; }
python3 -c "
cpu = ($t1 - $t0) / $hz
wall = $w1 - $w0
print(f'idle_cost: {cpu:.2f} s of processor in {wall:.1f} s: {100 * cpu / wall:.1f} % of one core')
"
