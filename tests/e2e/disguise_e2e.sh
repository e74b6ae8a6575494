#!/usr/bin/env bash
# The disguise on a real X server (Xvfb), with the openbox window manager and
# without any: Esc hides the game behind another title and icon, no window of
# the game tells its title, its desktop entry or its icon meanwhile, a wrong
# password and a second start reveal nothing, the right password brings the
# game back.
#
#   tests/e2e/disguise_e2e.sh PATH/TO/stakor
#
# Exit status 77 (skipped) when the X tools are not installed.
set -uo pipefail

game=${1:?usage: disguise_e2e.sh PATH/TO/stakor}
game=$(readlink -f "$game")
script=$(readlink -f "$0")

if [ "${2:-}" != --inner ]; then
    missing=()
    for tool in xvfb-run Xvfb xauth xdotool xprop xwininfo; do
        command -v "$tool" >/dev/null || missing+=("$tool")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "SKIP: disguise end-to-end test needs ${missing[*]} (apt-get install xvfb xauth xdotool x11-utils openbox)"
        exit 77
    fi
    # The game's single-instance marker is an abstract socket: a network
    # namespace of our own keeps it apart from any other game of this user.
    isolate=()
    if [ -z "${STAKOR_E2E_ISOLATED:-}" ] && unshare -n true 2>/dev/null; then
        isolate=(unshare -n)
    else
        echo "note: running without a network namespace of its own"
    fi
    status=0
    managers=(none)
    if command -v openbox >/dev/null; then
        managers=(openbox none)
    else
        echo "note: openbox not installed; testing without a window manager only"
    fi
    for manager in "${managers[@]}"; do
        echo "=== window manager: $manager"
        STAKOR_E2E_ISOLATED=1 "${isolate[@]}" xvfb-run -a -s "-screen 0 1024x768x24 -noreset" \
            bash "$script" "$game" --inner "$manager" || status=1
    done
    exit $status
fi

manager=$3
work=$(mktemp -d)
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_CONFIG_HOME/Orvelan Games/Vexamo Stakor" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Orvelan Games\\Vexamo Stakor]\r\n"BossEnable"=dword:00000001\r\n"BossTitle"="_Notes"\r\n"BossPassword"="_Geheim"\r\n"PlayMusic"=dword:00000000\r\n' \
    >"$XDG_CONFIG_HOME/Orvelan Games/Vexamo Stakor/settings.reg"

pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
pass() { echo "ok: $*"; }
source "$(dirname "$script")/trace_wait.sh"

# Polls a command for up to ten seconds.
wait_for() {
    local i
    for i in $(seq 100); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

if [ "$manager" = openbox ]; then
    openbox --sm-disable >/dev/null 2>&1 &
    pids+=($!)
    wait_for xprop -root _NET_SUPPORTING_WM_CHECK >/dev/null 2>&1 ||
        wait_for sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep window >/dev/null' || true
    sleep 0.5
    kill -0 "${pids[-1]}" 2>/dev/null || { fail "openbox did not start"; exit 1; }
fi

"$game" >"$work/game.log" 2>&1 &
game_pid=$!
pids+=($game_pid)

visible_named() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null; }
has_visible() { [ -n "$(visible_named "$1")" ]; }

# A loaded machine may take a while to start the game.
wait_long() { wait_for "$@" || wait_for "$@" || wait_for "$@"; }
if ! wait_long has_visible 'Vexamo Stakor'; then
    fail "the game's window never showed"
    cat "$work/game.log"
    where_it_waits "$game_pid"
    exit 1
fi
main=$(visible_named 'Vexamo Stakor' | head -1)
main_hex=$(printf '0x%x' "$main")
# Every window the game's connection made shares its X resource base.
base=$((main >> 21))

game_windows() {
    local id
    for id in $(xwininfo -root -tree | grep -oE '^ +0x[0-9a-f]+'); do
        [ $((id >> 21)) -eq $base ] && echo "$id"
    done
}

map_state() { xwininfo -id "$1" | sed -n 's/.*Map State: //p'; }
wm_state() { xprop -id "$1" WM_STATE 2>/dev/null | sed -n 's/.*window state: //p'; }

# Nothing of any game window may tell the game's name or show its icon.
check_nothing_tells() {
    local id props icon told=0
    for id in $(game_windows); do
        props=$(xprop -id "$id" WM_NAME _NET_WM_NAME WM_ICON_NAME _NET_WM_ICON_NAME WM_CLASS \
            _GTK_APPLICATION_ID _KDE_NET_WM_DESKTOP_FILE 2>/dev/null)
        if grep -qiE 'vexamo' <<<"$props"; then
            fail "$1: window $id tells the game's name: $(grep -iE 'vexamo' <<<"$props" | head -2 | tr '\n' ' ')"
            told=1
        fi
        if xprop -id "$id" _NET_WM_ICON 2>/dev/null | grep '=' >/dev/null; then
            icon=$(xprop -id "$id" -notype _NET_WM_ICON | md5sum)
            if [ "$icon" = "$game_icon" ]; then
                fail "$1: window $id shows the game's icon"
                told=1
            fi
        fi
    done
    if xwininfo -root -tree | grep -i 'vexamo' >/dev/null; then
        fail "$1: xwininfo lists the game's name"
        told=1
    fi
    [ $told -eq 0 ] && pass "$1: no window tells the game's name or shows its icon"
}

focus() {
    if [ "$manager" = openbox ]; then
        xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1"
    else
        xdotool windowfocus --sync "$1"
    fi
}

# The checks below must be able to see the game: before the disguise they do.
game_seen() { xwininfo -root -tree | grep -i vexamo >/dev/null && xprop -id "$main" _NET_WM_ICON | grep '=' >/dev/null; }
if wait_for game_seen; then
    pass "shown: the game's name and icon are visible to the checks"
else
    fail "shown: the checks cannot see the game's name or icon:" \
        "$(xprop -id "$main" WM_NAME _NET_WM_ICON | head -c 300)"
fi
game_icon=$(xprop -id "$main" -notype _NET_WM_ICON | md5sum)

# --- Esc disguises the game, with the help open ----------------------------------------
focus "$main"
xdotool key F1
help=""
find_help() { help=$(visible_named 'Vexamo Stakor Help' | head -1); [ -n "$help" ]; }
wait_for find_help || fail "F1 showed no help window"
focus "$main"
xdotool key F2 # a running game
sleep 0.5
xdotool key Escape
main_unmapped() { [ "$(map_state "$main")" = IsUnMapped ]; }
if wait_for main_unmapped; then pass "Esc hid the game's window"; else fail "the game's window is still mapped"; fi
if [ -n "$help" ]; then
    help_unmapped() { [ "$(map_state "$help")" = IsUnMapped ]; }
    wait_for help_unmapped && pass "the help went with the game" || fail "the help stayed on the screen"
fi
# Nothing of the game may be seen: without a task bar not even the stand-in.
viewable_game_windows() {
    local id
    for id in $(game_windows); do
        [ "$(map_state "$id")" = IsViewable ] && echo "$id"
    done
}
if [ "$manager" = none ]; then
    nothing_viewable() { [ -z "$(viewable_game_windows)" ]; }
    wait_for nothing_viewable && pass "no window of the game is on the screen" ||
        fail "windows of the game on the screen: $(viewable_game_windows | tr '\n' ' ')"
fi

stand_in=""
find_stand_in() {
    local id
    for id in $(game_windows); do
        [ "$id" = "$main_hex" ] && continue
        [ -n "$help" ] && [ "$id" = "$(printf '0x%x' "$help")" ] && continue # the help, hidden and dressed too
        if xprop -id "$id" _NET_WM_NAME 2>/dev/null | grep '"Notes"' >/dev/null &&
            xprop -id "$id" WM_CLASS 2>/dev/null | grep '=' >/dev/null; then
            stand_in=$id
            return 0
        fi
    done
    return 1
}
if wait_for find_stand_in; then pass "a task-bar window titled Notes stands in"; else fail "no stand-in window"; fi
if [ -n "$stand_in" ] && xprop -id "$stand_in" _NET_WM_ICON | grep '=' >/dev/null; then
    pass "the stand-in carries an icon"
else
    fail "the stand-in has no icon"
fi
if [ "$manager" = openbox ] && [ -n "$stand_in" ]; then
    iconic() { [ "$(wm_state "$stand_in")" = Iconic ]; }
    if wait_for iconic; then pass "the stand-in is minimised"; else fail "the stand-in is not minimised"; fi
    if xprop -root _NET_CLIENT_LIST | grep "$stand_in" >/dev/null; then
        pass "the stand-in is in the window manager's client list"
    else
        fail "the stand-in is not a managed window"
    fi
    if xprop -root _NET_CLIENT_LIST | grep "$main_hex" >/dev/null; then fail "the game's window is still managed"; fi
fi
check_nothing_tells "disguised"

# --- Restoring asks for the password -------------------------------------------------
box=""
find_box() {
    local id
    for id in $(visible_named Notes); do
        id=$(printf '0x%x' "$id")
        [ "$id" != "$stand_in" ] && [ "$id" != "$main_hex" ] && { box=$id; return 0; }
    done
    return 1
}
restore_stand_in() {
    if [ "$manager" = openbox ]; then
        xdotool windowactivate "$stand_in" 2>/dev/null
    else
        # Without a task bar nothing shows the stand-in: a second start asks instead.
        timeout 20 "$game" >/dev/null 2>&1 &
    fi
}
answer() {
    focus "$box"
    xdotool mousemove --window "$box" 5 5
    [ -n "$1" ] && xdotool type --delay 20 "$1"
    xdotool key Return
}
box_gone() { ! xwininfo -id "$box" 2>/dev/null | grep IsViewable >/dev/null; }

if [ -n "$stand_in" ]; then
    restore_stand_in
    if wait_for find_box; then pass "restoring asks for the password"; else fail "no password box"; fi
    if [ "$manager" = openbox ]; then
        # Brought up from the window list, it goes straight back: no blank window beside the box.
        wait_for iconic && pass "the stand-in stays out of sight beside the box" ||
            fail "the stand-in is on the screen beside the password box: $(wm_state "$stand_in")"
    fi
    if [ -n "$box" ]; then
        main_unmapped && pass "the game stays hidden while the box is up" || fail "the game showed before the password"
        check_nothing_tells "password box up"
        answer wrong
        wait_for box_gone || fail "the password box did not close"
        sleep 0.5
        main_unmapped && pass "a wrong password leaves the game hidden" || fail "a wrong password showed the game"
        if [ "$manager" = openbox ]; then
            wait_for iconic && pass "a wrong password minimises again" || fail "not minimised after a wrong password"
        fi
        check_nothing_tells "after a wrong password"
    fi
fi

# --- A second start while disguised ---------------------------------------------------
box=""
timeout 20 "$game" >"$work/second.log" 2>&1
second=$?
[ $second -eq 0 ] && pass "a second start ends with 0" || fail "a second start ended with $second"
sleep 0.5
main_unmapped && pass "a second start does not show the game" || fail "a second start showed the game"
if wait_for find_box; then
    pass "a second start brings up the password box"
    check_nothing_tells "second start"
    focus "$box"
    xdotool key Escape # cancelled
    wait_for box_gone || fail "the cancelled box did not close"
    sleep 0.5
    main_unmapped && pass "a cancelled box leaves the game hidden" || fail "a cancelled box showed the game"
else
    fail "a second start brought up no password box"
fi

# --- The right password -----------------------------------------------------------------
box=""
if [ -n "$stand_in" ]; then
    restore_stand_in
    if wait_for find_box; then
        answer Geheim
        main_mapped() { [ "$(map_state "$main")" = IsViewable ]; }
        if wait_for main_mapped; then pass "the right password shows the game"; else fail "the right password did not show the game"; fi
        title_back() { xprop -id "$main" _NET_WM_NAME | grep '"Vexamo Stakor"' >/dev/null; }
        wait_for title_back && pass "the game's title is back" || fail "the title did not come back"
        xprop -id "$main" WM_CLASS | grep -i 'vexamo' >/dev/null && pass "the game's window class is back" ||
            fail "the window class did not come back: $(xprop -id "$main" WM_CLASS)"
        stand_in_gone() { ! xwininfo -id "$stand_in" >/dev/null 2>&1 || [ "$(map_state "$stand_in")" = IsUnMapped ]; }
        wait_for stand_in_gone && pass "the stand-in is gone" || fail "the stand-in stayed"
        icon_back() { [ "$(xprop -id "$main" -notype _NET_WM_ICON | md5sum)" = "$game_icon" ]; }
        wait_for icon_back && pass "the game's icon is back" ||
            fail "the game's icon did not come back: $(xprop -id "$main" _NET_WM_ICON | head -c 120)"
        if [ -n "$help" ]; then
            help_back() { [ "$(map_state "$help")" = IsViewable ] &&
                xprop -id "$help" _NET_WM_NAME | grep '"Vexamo Stakor Help"' >/dev/null; }
            wait_for help_back && pass "the help came back with the game" || fail "the help did not come back"
        fi
    else
        fail "no password box for the right password"
    fi
fi

kill "$game_pid" 2>/dev/null
wait "$game_pid" 2>/dev/null

# --- Without a password ---------------------------------------------------------------
# Where no window manager minimises, Esc leaves the game as it was (as the
# skin's minimise button does); under openbox it is disguised and comes back
# with its own title and icon.
sed -i 's/"BossPassword"="_Geheim"/"BossPassword"="_"/' "$XDG_CONFIG_HOME/Orvelan Games/Vexamo Stakor/settings.reg"
STAKOR_TRACE=1 "$game" >"$work/open.log" 2>&1 &
game_pid=$!
pids+=($game_pid)
traced() { grep -E "$1" "$work/open.log" >/dev/null; }
last_trace() { grep '^trace' "$work/open.log" | tail -1; }
if wait_long traced '^trace shown' && wait_for has_visible 'Vexamo Stakor'; then
    main=$(visible_named 'Vexamo Stakor' | head -1)
    main_hex=$(printf '0x%x' "$main")
    focus "$main"
    xdotool key F2
    wait_for traced 'press running=1 paused=0' || fail "no game started"
    xdotool key Escape
    if [ "$manager" = none ]; then
        sleep 1
        [ "$(map_state "$main")" = IsViewable ] && pass "without a password the window stays up" ||
            fail "the window went away"
        xprop -id "$main" _NET_WM_NAME | grep '"Vexamo Stakor"' >/dev/null && pass "the title stays the game's" ||
            fail "the window shows another title: $(xprop -id "$main" _NET_WM_NAME)"
        last_trace | grep 'running=1 paused=0 dropping=[01] minimized=0' >/dev/null &&
            pass "the game goes on, not minimised" || fail "the game was left in a half state: $(last_trace)"
    else
        main_iconic() { [ "$(wm_state "$main")" = Iconic ]; }
        wait_for main_iconic && pass "without a password the window is minimised" || fail "not minimised"
        xprop -id "$main" _NET_WM_NAME | grep '"Notes"' >/dev/null && pass "disguised as Notes" ||
            fail "not disguised: $(xprop -id "$main" _NET_WM_NAME)"
        xdotool windowactivate "$main" 2>/dev/null
        title_back() { xprop -id "$main" _NET_WM_NAME | grep '"Vexamo Stakor"' >/dev/null; }
        wait_for title_back && pass "restored with the game's title" || fail "the title did not come back"
        icon_back() { [ "$(xprop -id "$main" -notype _NET_WM_ICON | md5sum)" = "$game_icon" ]; }
        wait_for icon_back && pass "restored with the game's icon" ||
            fail "the game's icon did not come back: $(xprop -id "$main" _NET_WM_ICON | head -c 120)"
    fi
else
    fail "the game did not start again"
    trace=$work/open.log explain_not_shown "$game_pid"
fi

if [ $failures -gt 0 ]; then
    echo "--- game output"
    cat "$work/game.log"
    [ -f "$work/open.log" ] && grep -v '^trace' "$work/open.log"
    echo "$failures check(s) failed with window manager: $manager"
    exit 1
fi
echo "all checks passed with window manager: $manager"
