#!/usr/bin/env bash
# The game's window on a real Wayland compositor: sway with its headless
# backend, keys and pointer through wayvnc (driven by our own VNC client, one
# connection per sequence, so the game sees one keyboard and one pointer as
# on a real desk), window geometry and titles from swaymsg, pictures from grim:
#   - outside the skin's outline the desktop shows through;
#   - a drag of the frame moves the window by the drag;
#   - F2 starts a game that runs, P pauses it;
#   - the skin's minimise button pauses (sway has no minimised state), and the
#     next key brings the game back;
#   - a second start ends with status 0 and makes no second window;
#   - Esc with a password leaves no window titled with the game's name.
# Sway refuses to run as root: as root the test runs as "nobody", with the
# game copied to a folder of its own. Exit status 77 (skipped) when a tool is
# missing. With STAKOR_E2E_KEEP=DIR the screenshots are kept in DIR.
#
#   tests/e2e/wayland_e2e.sh PROGRAM VNC_INPUT
set -uo pipefail
program=$(realpath "${1:?usage: wayland_e2e.sh PROGRAM VNC_INPUT}")
vnc_input=$(realpath "${2:?usage: wayland_e2e.sh PROGRAM VNC_INPUT [APP_ID]}")
# The id the game's window carries: its desktop entry's name.
app_id=${3:-org.example.VexamoStakor}
script=$(realpath "$0")

if [ "${STAKOR_E2E_INNER:-}" != 1 ]; then
    missing=()
    for tool in sway swaymsg wayvnc grim jq unshare setpriv od; do
        command -v "$tool" >/dev/null || missing+=("$tool")
    done
    compgen -G '/usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so' >/dev/null ||
        compgen -G '/usr/lib/qt6/plugins/platforms/libqwayland-generic.so' >/dev/null || missing+=(qt6-wayland)
    if [ ${#missing[@]} -gt 0 ]; then
        echo "SKIPPED: wayland_e2e.sh needs ${missing[*]} (Debian: sway wayvnc grim jq qt6-wayland)"
        exit 77
    fi
    # The game, its data and this script where the test's user can read them.
    top=$(mktemp -d)
    trap 'rm -rf "$top"' EXIT
    chmod 755 "$top"
    mkdir "$top/game"
    cp "$program" "$vnc_input" "$script" "$top/game/"
    for folder in Background Language Music Skin Sound help icons; do
        [ -d "$(dirname "$program")/$folder" ] && cp -r "$(dirname "$program")/$folder" "$top/game/"
    done
    inner=(env STAKOR_E2E_INNER=1 STAKOR_E2E_TOP="$top" bash "$top/game/$(basename "$script")"
        "$top/game/$(basename "$program")" "$top/game/$(basename "$vnc_input")" "$app_id")
    # Its own network namespace keeps the game's single-instance marker apart
    # from any other game of the same user on the machine.
    # wayvnc listens on a local socket, so the namespace needs no loopback.
    # Sway refuses root: root runs it as "nobody".
    if [ "$(id -u)" -eq 0 ]; then
        isolate=(unshare -n setpriv --reuid=65534 --regid=65534 --clear-groups)
        chown -R 65534:65534 "$top"
    else
        isolate=(unshare --user --map-user="$(id -u)" --map-group="$(id -g)" -n)
    fi
    if ! "${isolate[@]}" true 2>/dev/null; then
        echo "SKIPPED: wayland_e2e.sh needs 'unshare -n' (a network namespace of its own)"
        exit 77
    fi
    "${isolate[@]}" "${inner[@]}"
    exit $?
fi

# ---- Inside: a user of our own, a network of our own -------------------------------

top=$STAKOR_E2E_TOP
keep=${STAKOR_E2E_KEEP:-}
work=$top/work
mkdir -p "$work/run" "$work/home" "$work/config/Orvelan Games/Vexamo Stakor" "$work/data"
chmod 700 "$work/run"
unset DISPLAY WAYLAND_DISPLAY SWAYSOCK XDG_ACTIVATION_TOKEN DESKTOP_STARTUP_ID
export HOME=$work/home XDG_RUNTIME_DIR=$work/run XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
trace=$work/trace
# Under the leak checker: Qt's Wayland platform leaves the display
# connection's objects to the end of the process; they are not the game's.
printf 'leak:libwayland-client.so\nleak:libQt6WaylandClient.so\n' >"$work/leaks.supp"
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$work/leaks.supp"
failures=0
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
pass() { echo "ok: $*"; }
# Polls a command for up to ten seconds.
wait_for() {
    local i
    for i in $(seq 100); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
# The game's standard error holds its trace lines among the Wayland messages
# it sends (WAYLAND_DEBUG), which tell what it asked of the compositor.
in_trace() { grep -E "$1" "$trace" >/dev/null; }
last_in_trace() { grep '^trace ' "$trace" | tail -1 | grep -E "$1" >/dev/null; }

# A desktop of a known colour, no borders of the compositor's own.
background='#3070a0'
desktop_rgb='48 112 160'
cat >"$work/sway.config" <<EOF
output HEADLESS-1 resolution 1024x768 position 0 0 bg $background solid_color
default_border none
default_floating_border none
focus_follows_mouse no
EOF
WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    sway -c "$work/sway.config" >"$work/sway.log" 2>&1 &
pids+=($!)
sway_socket() { compgen -G "$XDG_RUNTIME_DIR/sway-ipc.*.sock" >/dev/null && [ -S "$XDG_RUNTIME_DIR/wayland-1" ]; }
if ! wait_for sway_socket; then
    echo "FAIL: sway did not start"
    cat "$work/sway.log"
    exit 1
fi
export WAYLAND_DISPLAY=wayland-1
SWAYSOCK=$(compgen -G "$XDG_RUNTIME_DIR/sway-ipc.*.sock" | head -1)
export SWAYSOCK
wayvnc -o HEADLESS-1 -u "$XDG_RUNTIME_DIR/vnc" >"$work/wayvnc.log" 2>&1 &
pids+=($!)
if ! wait_for test -S "$XDG_RUNTIME_DIR/vnc"; then
    echo "FAIL: wayvnc did not start"
    cat "$work/wayvnc.log"
    exit 1
fi
# One sequence of keys and pointer moves, on one connection.
drive() { "$vnc_input" "$XDG_RUNTIME_DIR/vnc" || fail "the VNC client failed"; }
# The colour of one pixel of the screen as "R G B".
pixel() { grim -g "$1,$2 1x1" -t ppm - | tail -c 3 | od -An -tu1 | tr -s ' ' | sed 's/^ //;s/ $//'; }
shot() { [ -n "$keep" ] && mkdir -p "$keep" && grim "$keep/$1.png"; }

# The game's windows as "x y width height name" lines, one per window.
windows() {
    swaymsg -t get_tree | jq -r '.. | objects | select(.pid? != null and .type? != "output")
        | "\(.rect.x) \(.rect.y) \(.rect.width) \(.rect.height) \(.name)"'
}
game_window() { windows | grep -E ' Vexamo Stakor$' | head -1; }
shown() { [ -n "$(game_window)" ] && in_trace '^trace shown'; }

# The settings: a disguise with a password, no music.
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Orvelan Games\\Vexamo Stakor]\r\n"BossEnable"=dword:00000001\r\n"BossTitle"="_Notes"\r\n"BossPassword"="_Secret"\r\n"PlayMusic"=dword:00000000\r\n' \
    >"$XDG_CONFIG_HOME/Orvelan Games/Vexamo Stakor/settings.reg"

desktop_before=$(pixel 5 5)
[ "$desktop_before" = "$desktop_rgb" ] || fail "the desktop is $desktop_before, not $desktop_rgb"

QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=client STAKOR_TRACE=1 "$program" 2>"$trace" &
game=$!
pids+=($game)
if ! wait_for shown; then
    fail "the game's window never showed"
    grep -v '^\[' "$trace"
    exit 1
fi
sleep 1 # the first frames
shot shown
read -r wx wy ww wh _ < <(game_window)
swaymsg -t get_tree | jq -r '.. | objects | select(.name? == "Vexamo Stakor") | .app_id' | grep -xF "$app_id" >/dev/null ||
    fail "the game's window does not carry the application id $app_id"
echo "note: the window is ${ww}x${wh} at $wx,$wy"
[ "$ww" = 446 ] && [ "$wh" = 453 ] || fail "the window is ${ww}x${wh}, not 446x453"

# ---- The outline --------------------------------------------------------------------
# Outside the outline (the corners, the notch between caption and buttons,
# the cuts beside the side panel) the desktop shows; inside, the skin.
outside=(1 1  444 1  1 451  444 451  293 3  292 85  292 410  440 40)
inside=(150 12  10 200  100 300  400 200  320 20)
seen_outside=0
for ((i = 0; i < ${#outside[@]}; i += 2)); do
    x=${outside[i]} y=${outside[i + 1]}
    colour=$(pixel $((wx + x)) $((wy + y)))
    if [ "$colour" != "$desktop_rgb" ]; then
        fail "outside the outline at $x,$y the window shows $colour, not the desktop"
    else
        seen_outside=$((seen_outside + 1))
    fi
done
for ((i = 0; i < ${#inside[@]}; i += 2)); do
    x=${inside[i]} y=${inside[i + 1]}
    colour=$(pixel $((wx + x)) $((wy + y)))
    [ "$colour" = "$desktop_rgb" ] && fail "inside the outline at $x,$y the desktop shows through"
done
[ "$seen_outside" -eq $((${#outside[@]} / 2)) ] && pass "the desktop shows outside the outline"

# ---- A drag of the frame -----------------------------------------------------------
px=$((wx + 10)) py=$((wy + 200))
# The compositor moves the window from where the pointer is when the game's
# request reaches it: the drag goes on once the game has asked (its first
# move request, in the Wayland messages it writes).
drive <<EOF
move $px $py
press $px $py
await $trace .move(wl_seat@
move $((px + 20)) $((py + 10))
move $((px + 50)) $((py + 25))
move $((px + 80)) $((py + 40))
move $((px + 100)) $((py + 50))
sleep 200
release $((px + 100)) $((py + 50))
EOF
moved() { read -r nx ny _ < <(game_window) && [ "$nx" -eq $((wx + 100)) ] && [ "$ny" -eq $((wy + 50)) ]; }
if wait_for moved; then
    pass "a drag of the frame moved the window by the drag"
else
    read -r nx ny _ < <(game_window)
    fail "a drag by 100,50 moved the window from $wx,$wy to $nx,$ny"
fi
read -r wx wy _ < <(game_window)
shot moved

# ---- A game runs and pauses ---------------------------------------------------------
glass_sum() { grim -g "$((wx + 32)),$((wy + 77)) 240x360" -t ppm - | md5sum; }
drive <<EOF
move $((wx + 350)) $((wy + 250))
key F2
EOF
if wait_for in_trace '^trace press running=1 paused=0'; then
    first=$(glass_sum)
    changed() { [ "$(glass_sum)" != "$first" ]; }
    if wait_for changed; then pass "F2 started a game that runs"; else fail "the glass stood still after F2"; fi
else
    fail "F2 started no game"
fi
shot running
echo "key p" | drive
if wait_for last_in_trace 'paused=1'; then
    still=$(glass_sum)
    sleep 1.5
    [ "$(glass_sum)" = "$still" ] && pass "P paused the game" || fail "the glass moved while paused"
else
    fail "P did not pause"
fi
echo "key p" | drive
wait_for last_in_trace 'paused=0' || fail "P did not resume"

# ---- Minimise: sway has no minimised state ------------------------------------------
read -r mx my < <(sed -n 's/^trace shown minimize=\([0-9]*\),\([0-9]*\).*/\1 \2/p' "$trace")
echo "click $((wx + mx)) $((wy + my))" | drive
if wait_for in_trace '^trace minimized running=1 paused=1'; then
    pass "the minimise button paused the game although the window stays"
else
    fail "the minimise button did not pause the game"
fi
echo "key p" | drive
if wait_for in_trace '^trace restored' && wait_for last_in_trace 'paused=0 .*minimized=0'; then
    pass "a key in the window brought the game back"
else
    fail "a key in the window after minimising did not bring the game back"
fi

# ---- A second start -----------------------------------------------------------------
# The launcher's token travels to the running game, which presents it to the
# compositor (sway knows no such token and leaves the focus alone).
QT_QPA_PLATFORM=wayland XDG_ACTIVATION_TOKEN=stakor-test-token timeout 20 "$program" >"$work/second.log" 2>&1
status=$?
if [ "$status" -eq 0 ]; then
    pass "a second start ended with status 0"
else
    fail "a second start ended with status $status: $(head -c 2000 "$work/second.log")"
fi
if wait_for in_trace 'xdg_activation_v1@[0-9]+\.activate\("stakor-test-token"'; then
    pass "the running game presented the second start's activation token"
else
    fail "the running game did not present the second start's activation token"
fi
# Without a token: no second window either.
QT_QPA_PLATFORM=wayland timeout 20 "$program" >"$work/second.log" 2>&1 || fail "a second start without a token ended with status $?"
sleep 0.5
count=$(windows | grep -cE ' Vexamo Stakor$')
[ "$count" -eq 1 ] || fail "$count windows named Vexamo Stakor after two more starts"
kill -0 "$game" 2>/dev/null || fail "the running game ended on a second start"

# ---- Esc with a password ----------------------------------------------------------
# Titles and application ids (by which Wayland desktops find a window's
# desktop entry and so its icon), one "app_id title" line per window.
identities() {
    swaymsg -t get_tree | jq -r '.. | objects | select(.pid? != null and .type? != "output")
        | "\(.app_id) \(.name)"'
}
echo "key Escape" | drive
told() { identities | grep -i 'vexamo' >/dev/null; }
untold() { ! told; }
if wait_for untold; then
    pass "Esc with a password left no window titled with the game's name or its application id"
else
    fail "after Esc these windows tell the game's name: $(identities | grep -i vexamo | tr '\n' ' ')"
fi
# The disguise's icon file is the default "Notepad.exe": its entry is "notepad".
if identities | grep -E '^notepad Notes$' >/dev/null; then
    pass "the disguised entry carries the title Notes and the application id notepad"
else
    fail "no window with the application id notepad titled Notes: $(identities | tr '\n' '|')"
fi
shot disguised
echo "note: windows while disguised: $(identities | tr '\n' '|')"
# A second start now shows nothing of the game either.
QT_QPA_PLATFORM=wayland timeout 20 "$program" >"$work/second.log" 2>&1 ||
    fail "a second start while disguised ended with status $?"
sleep 1
told && fail "a second start while disguised showed the game: $(identities | grep -i vexamo | tr '\n' ' ')"
shot second-start-disguised

# The second start brought up the password box: the right password brings
# the game back under its own title and application id.
drive <<EOF
type Secret
key Return
EOF
back() { identities | grep -xF "$app_id Vexamo Stakor" >/dev/null; }
if wait_for back; then
    pass "the right password brought the game back under its own name"
else
    fail "after the password the windows are: $(identities | tr '\n' '|')"
fi
shot restored

# Sway has no minimised state, and Qt hands a minimised window its state back
# at once. Taken for a restore, that echo had the game ask to be minimised
# thousands of times a second while the password box was up, until a busy
# compositor's full socket cost the game its connection.
minimise_requests=$(grep -c 'set_minimized()' "$trace")
if [ "$minimise_requests" -le 10 ]; then
    pass "the game asked to be minimised $minimise_requests times in all"
else
    fail "the game asked to be minimised $minimise_requests times"
fi
kill -0 "$game" 2>/dev/null || fail "the game ended: $(grep -v '^\[' "$trace" | tail -3)"

kill "$game" 2>/dev/null
[ -n "$keep" ] && cp "$trace" "$keep/trace"
if [ "$failures" -eq 0 ]; then
    echo "ok: all Wayland checks passed"
    exit 0
fi
echo "--- trace:"
grep -v '^\[' "$trace"
exit 1
