#!/usr/bin/env bash
# The game's dialogs under a real X server (Xvfb), driven by xdotool, once
# without a window manager and once under openbox when it is installed:
#   - each dialog (F3, F4, Alt+H, F11) opens centred on the main window;
#   - once it has closed, keys reach the game with the pointer away from it;
#   - a second start with a dialog open brings the dialog back above the
#     main window, not the main window over it;
#   - the picture chooser's completion list closes with the chooser, and
#     the disguise settings dialog then takes Return again.
# The game reports what it did with STAKOR_TRACE. Exit status 77 (skipped)
# when a tool is missing.
#
#   tests/e2e/dialogs_e2e.sh PROGRAM
set -uo pipefail
program=$(realpath "${1:?usage: dialogs_e2e.sh PROGRAM}")

if [ "${STAKOR_E2E_INNER:-}" != 1 ]; then
    source "$(dirname "$(realpath "$0")")/x11_modes.sh"
    run_x11_modes "$0" "$program"
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
    failures=$((failures + 1))
}
pass() { echo "ok ($mode): $*"; }

# Polls a command for up to ten seconds.
wait_for() {
    for _ in $(seq 1 200); do
        "$@" && return 0
        sleep 0.05
    done
    return 1
}
traced() { grep -E "$1" "$trace" >/dev/null; }
count() { grep -cE "$1" "$trace"; }

if [ "$mode" = openbox ]; then
    openbox --sm-disable >/dev/null 2>&1 &
    wm=$!
    wait_for sh -c "xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep 'window id' >/dev/null"
    kill -0 "$wm" 2>/dev/null || { fail "openbox did not start"; exit 1; }
fi

export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data STAKOR_TRACE=1
settings="$XDG_CONFIG_HOME/Orvelan Games/Vexamo Stakor/settings.reg"
mkdir -p "$(dirname "$settings")" "$work/pictures"
for name in blue yellow yellowish; do cp "$(dirname "$program")/icons/vexamo-stakor-48.png" "$work/pictures/$name.png"; done
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Orvelan Games\\Vexamo Stakor]\r\n"PlayMusic"=dword:00000000\r\n"BossFile"="_%s"\r\n' \
    "$work/pictures/blue.png" >"$settings"

: >"$trace" # there before the game opens it, for the first look
"$program" 2>"$trace" &
game=$!
# A loaded machine may take a while to start the game.
wait_for traced '^trace shown' || wait_for traced '^trace shown' || wait_for traced '^trace shown' ||
    { fail "the window never showed"; cat "$trace"; exit 1; }
window=$(xdotool search --onlyvisible --name '^Vexamo Stakor$' | head -1)
[ -n "$window" ] || { fail "no window named Vexamo Stakor"; exit 1; }

focus() {
    if [ "$mode" = openbox ]; then
        xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
    else
        xdotool windowfocus "$1"
    fi
    sleep 0.3
}
# A client's absolute geometry: x y width height.
geometry() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF}
        /Width:/ {w = $NF} /Height:/ {h = $NF} END {print x, y, w, h}'
}
viewable() { xwininfo -id "$1" 2>/dev/null | grep IsViewable >/dev/null; }
# The dialog now up: a visible named window that is neither the main window nor one already known.
dialog=""
find_dialog() {
    local id known
    for id in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
        [ "$id" = "$window" ] && continue
        for known in "$@"; do [ "$id" = "$known" ] && continue 2; done
        viewable "$id" || continue
        dialog=$id
        return 0
    done
    return 1
}
gone() { ! viewable "$1"; }
# Keys must reach the game with the pointer away from its window.
keys_reach_game() {
    local before
    xdotool mousemove 2 2
    sleep 0.2
    before=$(count '^trace press')
    xdotool key p
    if wait_for sh -c "[ \$(grep -c '^trace press' '$trace') -gt $before ]"; then
        pass "$1: keys reach the game"
    else
        fail "$1: keys do not reach the game after the dialog closed (focus: $(xdotool getwindowfocus 2>&1))"
    fi
}
centred() {
    local mx my mw mh dx dy dw dh ox oy
    read -r mx my mw mh < <(geometry "$window")
    read -r dx dy dw dh < <(geometry "$2")
    ox=$(((dx + dw / 2) - (mx + mw / 2)))
    oy=$(((dy + dh / 2) - (my + mh / 2)))
    if [ "${ox#-}" -le 2 ] && [ "${oy#-}" -le 2 ]; then
        pass "$1: centred on the window"
    else
        fail "$1: the dialog's middle is $ox,$oy px from the window's"
    fi
}

focus "$window"
xdotool key F2
wait_for traced 'press running=1' || fail "F2 started no game"

# ---- Each dialog: centred, and the keyboard back afterwards ----------------------------
for key in F3 F4 alt+h F11; do
    focus "$window"
    dialog=""
    xdotool key "$key"
    if ! wait_for find_dialog; then
        fail "$key opened no dialog"
        continue
    fi
    centred "$key" "$dialog"
    focus "$dialog"
    xdotool key Escape
    wait_for gone "$dialog" || { fail "$key: Esc did not close the dialog"; continue; }
    keys_reach_game "$key"
done

# ---- A second start with a dialog open ---------------------------------------------------
focus "$window"
dialog=""
xdotool key alt+h
if wait_for find_dialog; then
    records=$dialog
    timeout 20 "$program" >/dev/null 2>&1
    status=$?
    [ "$status" -eq 0 ] || fail "a second start ended with $status"
    sleep 1
    if viewable "$records"; then
        pass "the dialog is still shown after a second start"
    else
        fail "a second start hid the dialog"
    fi
    read -r dx dy dw dh < <(geometry "$records")
    xdotool mousemove $((dx + dw / 2)) $((dy + 5))
    sleep 0.2
    eval "$(xdotool getmouselocation --shell)"
    if [ "$mode" = bare ]; then
        # No frames: the window under the pointer is the top-level on top there.
        [ "$WINDOW" = "$records" ] && pass "the dialog stays above the window" ||
            fail "a second start put window $WINDOW over the dialog $records"
    fi
    [ "$(xdotool getwindowfocus)" = "$records" ] && pass "the dialog has the keyboard" ||
        fail "the keyboard is with $(xdotool getwindowfocus), not the dialog"
    focus "$records"
    xdotool key Escape
    wait_for gone "$records" || fail "Esc did not close the high scores"
    keys_reach_game "high scores after a second start"
else
    fail "Alt+H opened no dialog"
fi

# ---- The picture chooser's completion list ---------------------------------------------
focus "$window"
dialog=""
xdotool key F11
if wait_for find_dialog; then
    hide=$dialog
    # Browse... sits at the dialog's left, under the file box.
    xdotool mousemove --window "$hide" 40 103 click 1
    dialog=""
    if wait_for find_dialog "$hide"; then
        chooser=$dialog
        focus "$chooser"
        sleep 0.5
        xdotool key ctrl+a
        xdotool type --delay 60 "yellow"
        sleep 1.5 # the completion list comes up
        xdotool type --delay 60 ".png"
        sleep 0.5
        xdotool key Return
        wait_for gone "$chooser" || fail "Enter did not close the picture chooser"
        sleep 0.5
        # Any window of the game still on the screen besides the window and the dialog.
        base=$((window >> 21))
        left=()
        for id in $(xwininfo -root -tree | grep -oE '^ +0x[0-9a-f]+'); do
            [ $((id >> 21)) -eq $base ] || continue
            [ $((id)) -eq "$window" ] || [ $((id)) -eq "$hide" ] && continue
            viewable "$id" && left+=("$id $(xwininfo -id "$id" | awk '/Width:/ {w = $NF} /Height:/ {h = $NF} END {print w "x" h}')")
        done
        [ ${#left[@]} -eq 0 ] && pass "nothing of the chooser stays on the screen" ||
            fail "windows left on the screen: ${left[*]}"
        focus "$hide"
        xdotool key Return
        if wait_for gone "$hide"; then
            pass "the disguise settings take Return after the chooser"
            grep -a 'BossFile' "$settings" | grep 'yellow.png' >/dev/null && pass "the chosen picture was saved" ||
                fail "the chosen picture was not saved: $(grep -a BossFile "$settings")"
        else
            fail "the disguise settings ignore Return after the chooser"
            xdotool mousemove --window "$hide" 5 5 click 1
            focus "$hide"
            xdotool key Escape
        fi
    else
        fail "Browse... opened no chooser"
    fi
else
    fail "F11 opened no dialog"
fi

if [ "$failures" -eq 0 ]; then
    echo "all checks passed ($mode)"
    exit 0
fi
echo "--- trace:"
cat "$trace"
exit 1
