#!/usr/bin/env bash
# The game's window under a real X server (Xvfb), driven by xdotool, once
# without a window manager and once under openbox when it is installed:
#   - a drop key held for seconds starts exactly one fast drop, and a real
#     release and press afterwards starts the next;
#   - Ctrl+Pause pauses like Pause;
#   - F1 during a game pauses it;
#   - without a window manager "-" leaves the window up, and "x" then still
#     asks before it ends the game; under openbox a quick click on the frame
#     leaves the window where it was.
# The game reports what it did with STAKOR_TRACE. Exit status 77 (skipped)
# when a tool is missing.
#
#   tests/e2e/window_e2e.sh PROGRAM
set -uo pipefail
program=$(realpath "${1:?usage: window_e2e.sh PROGRAM}")

if [ "${STAKOR_E2E_INNER:-}" != 1 ]; then
    source "$(dirname "$(realpath "$0")")/x11_modes.sh"
    run_x11_modes "$0" "$program" '-ardelay 250 -arinterval 30'
fi

# ---- Inside Xvfb -------------------------------------------------------------------

mode=$STAKOR_E2E_MODE
work=$(mktemp -d)
trace=$work/trace
failures=0
game=
wm=
cleanup() {
    [ -n "$game" ] && kill "$game" 2>/dev/null
    [ -n "$wm" ] && kill "$wm" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL ($mode): $*"
    echo "--- trace:"
    cat "$trace"
    failures=$((failures + 1))
}

source "$(dirname "$(realpath "$0")")/trace_wait.sh"

if [ "$mode" = openbox ]; then
    openbox >/dev/null 2>&1 &
    wm=$!
    for _ in $(seq 1 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep 'window id' >/dev/null && break
        sleep 0.05
    done
    kill -0 "$wm" 2>/dev/null || { fail "openbox did not start"; exit 1; }
fi

export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data STAKOR_TRACE=1
: >"$trace" # there before the game opens it, for the first look
"$program" 2>"$trace" &
game=$!
await '^trace shown' || { fail "the window never showed"; explain_not_shown "$game"; exit 1; }
window=$(xdotool search --onlyvisible --name '^Vexamo Stakor$' | head -1)
[ -n "$window" ] || { fail "no window named Vexamo Stakor"; exit 1; }
focus() {
    if [ "$mode" = openbox ]; then
        xdotool windowactivate "$window" 2>/dev/null
    else
        xdotool windowfocus "$window" 2>/dev/null
    fi
    sleep 0.3
}
focus

# A held drop key: one fast drop, however long it is held.
check_held_drop Down Down 4

# Ctrl+Pause pauses and resumes like Pause.
xdotool key ctrl+Pause
await_last 'paused=1' || fail "Ctrl+Pause did not pause"
xdotool key ctrl+Pause
await_last 'paused=0' || fail "Ctrl+Pause did not resume"

# F1 during a game: the help opens and the game pauses.
xdotool key F1
await '^trace help running=1 paused=1' || fail "F1 did not pause the game"
sleep 0.5
# The help goes beside the game window, not over the glass.
help=$(xdotool search --onlyvisible --name '^Vexamo Stakor Help$' | head -1)
if [ -z "$help" ]; then
    fail "F1 showed no help window"
else
    read -r gx gw < <(xwininfo -id "$window" | awk '/Absolute upper-left X/ {x = $NF} /Width/ {w = $NF} END {print x, w}')
    read -r hx hw < <(xwininfo -id "$help" | awk '/Absolute upper-left X/ {x = $NF} /Width/ {w = $NF} END {print x, w}')
    if [ "$hx" -lt $((gx + gw)) ] && [ $((hx + hw)) -gt "$gx" ]; then
        fail "the help ($hx+$hw) lies over the game window ($gx+$gw)"
    fi
fi
focus
xdotool key p
await_last 'paused=0' || fail "P after the help did not resume"

geometry() { xdotool getwindowgeometry "$window" | sed -n 's/.*Position: \([0-9]*,[0-9]*\).*/\1/p'; }
read -r mx my < <(sed -n 's/^trace shown minimize=\([0-9]*\),\([0-9]*\).*/\1 \2/p' "$trace")
read -r cx cy < <(sed -n 's/^trace shown.* close=\([0-9]*\),\([0-9]*\).*/\1 \2/p' "$trace")

if [ "$mode" = openbox ]; then
    # Quick clicks on the frame: the window must not stick to the pointer.
    for try in $(seq 1 10); do
        before=$(geometry)
        xdotool mousemove --window "$window" 10 60 click 1
        sleep 0.2
        xdotool mousemove --window "$window" 150 150
        sleep 0.3
        after=$(geometry)
        [ "$before" = "$after" ] || fail "quick click $try on the frame moved the window from $before to $after"
    done
    # Press, a small motion and release in one go, then away: the move ends
    # with the release, however late the game sees it.
    for try in $(seq 1 10); do
        before=$(geometry)
        xdotool mousemove --window "$window" 10 60 mousedown 1 mousemove_relative 4 4 mouseup 1 \
            mousemove --window "$window" 150 150
        sleep 0.3
        xdotool mousemove --window "$window" 200 180
        sleep 0.3
        after=$(geometry)
        IFS=, read -r bx by <<<"$before"
        IFS=, read -r ax ay <<<"$after"
        # At most the small motion; a window stuck to the pointer follows it far.
        if [ $((ax - bx)) -gt 8 ] || [ $((bx - ax)) -gt 8 ] || [ $((ay - by)) -gt 8 ] || [ $((by - ay)) -gt 8 ]; then
            fail "quick drag $try on the frame left the window following the pointer ($before to $after)"
            xdotool click 1 # lets it go for the next try
            sleep 0.3
        fi
    done
    focus
fi

# Minimise: without a window manager the window stays up and nothing is
# paused; under openbox it may be iconified, then comes back.
xdotool mousemove --window "$window" "$mx" "$my" click 1
if [ "$mode" = openbox ]; then
    await '^trace minimized' # a loaded window manager may take its time
else
    sleep 1
fi
if grep -q '^trace minimized' "$trace"; then
    [ "$mode" = openbox ] || fail "minimised without a window manager"
    echo "note ($mode): the window was iconified"
    xdotool windowactivate "$window" 2>/dev/null
    await '^trace restored' || fail "not restored after activation"
    focus
    xdotool key p
    await_last 'paused=0' || fail "P after the restore did not resume"
else
    echo "note ($mode): the window stayed up"
    tail -1 "$trace" | grep 'paused=0' >/dev/null || fail "an ignored minimise paused the game"
fi
xdotool mousemove --window "$window" "$cx" "$cy" click 1
await '^trace close asks running=1' || fail "closing a running game did not ask"

# Yes: the program ends, although its help is still open.
[ -n "$(xdotool search --onlyvisible --name '^Vexamo Stakor Help$')" ] || fail "the help is not open at the close"
question=""
find_question() {
    local id
    for id in $(xdotool search --onlyvisible --name '^Vexamo Stakor$'); do
        [ "$id" != "$window" ] && { question=$id; return 0; }
    done
    return 1
}
for _ in $(seq 1 200); do find_question && break; sleep 0.05; done
if [ -z "$question" ]; then
    fail "no question at the close"
else
    if [ "$mode" = openbox ]; then xdotool windowactivate "$question" 2>/dev/null; else xdotool windowfocus "$question"; fi
    sleep 0.3
    xdotool key y
    for _ in $(seq 1 200); do kill -0 "$game" 2>/dev/null || break; sleep 0.05; done
    if kill -0 "$game" 2>/dev/null; then
        fail "the program still runs after its window closed (the help left open)"
    else
        wait "$game"
        status=$?
        game=
        [ "$status" -eq 0 ] || fail "the program ended with $status, not 0"
    fi
fi

if [ "$failures" -eq 0 ]; then
    echo "ok ($mode)"
    exit 0
fi
exit 1
