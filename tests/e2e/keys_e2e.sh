#!/usr/bin/env bash
# Keys of the player's choice under a real X server (Xvfb), driven by
# xdotool: with S as the drop key, A as move left and Q as pause,
#   - S held for seconds starts exactly one fast drop, and a real release and
#     press afterwards starts the next, as Space and Down do;
#   - A held repeats as the keyboard repeats;
#   - Q pauses and resumes.
# The game reports what it did with STAKOR_TRACE. Exit status 77 (skipped)
# when a tool is missing.
#
#   tests/e2e/keys_e2e.sh PROGRAM
set -uo pipefail
program=$(realpath "${1:?usage: keys_e2e.sh PROGRAM}")

if [ "${STAKOR_E2E_INNER:-}" != 1 ]; then
    missing=()
    for tool in xvfb-run Xvfb xdotool unshare; do
        command -v "$tool" >/dev/null || missing+=("$tool")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "SKIPPED: keys_e2e.sh needs ${missing[*]} (Debian: xvfb xdotool)"
        exit 77
    fi
    if ! unshare -n true 2>/dev/null; then
        echo "SKIPPED: keys_e2e.sh needs 'unshare -n' (a network namespace of its own)"
        exit 77
    fi
    # Its own network namespace keeps the game's single-instance marker apart
    # from any other game running on the machine.
    STAKOR_E2E_INNER=1 unshare -n \
        xvfb-run -a -s '-screen 0 1280x1024x24 -noreset -ardelay 250 -arinterval 30' "$0" "$program"
    exit $?
fi

# ---- Inside Xvfb -------------------------------------------------------------------

work=$(mktemp -d)
trace=$work/trace
failures=0
game=
cleanup() {
    [ -n "$game" ] && kill "$game" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    echo "--- trace:"
    cat "$trace"
    failures=$((failures + 1))
}

source "$(dirname "$(realpath "$0")")/trace_wait.sh"

settings="$work/config/Orvelan Games/Vexamo Stakor"
mkdir -p "$settings"
printf '%s\n' 'Windows Registry Editor Version 5.00' '' \
    '[HKEY_CURRENT_USER\Software\Orvelan Games\Vexamo Stakor]' \
    '"KeyDrop"="_S"' '"KeyLeft"="_A"' '"KeyPause"="_Q"' '"PlayMusic"=dword:00000000' >"$settings/settings.reg"

export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data STAKOR_TRACE=1
"$program" 2>"$trace" &
game=$!
await '^trace shown' || { fail "the window never showed"; explain_not_shown "$game"; exit 1; }
window=$(xdotool search --onlyvisible --name '^Vexamo Stakor$' | head -1)
[ -n "$window" ] || { fail "no window named Vexamo Stakor"; exit 1; }
xdotool windowfocus "$window" 2>/dev/null
sleep 0.3

check_held_drop s S 3

# A held move key repeats: many presses in a second.
before=$(count '^trace press')
xdotool keydown a
sleep 1
xdotool keyup a
sleep 0.3
presses=$(($(count '^trace press') - before))
[ "$presses" -ge 5 ] || fail "holding A for 1 s gave $presses presses, not a repeating key"

xdotool key q
await_last 'paused=1' || fail "Q did not pause"
xdotool key q
await_last 'paused=0' || fail "Q did not resume"

if [ "$failures" -eq 0 ]; then
    echo "ok"
    exit 0
fi
exit 1
