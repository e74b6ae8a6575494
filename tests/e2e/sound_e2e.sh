#!/usr/bin/env bash
# The game's sound through a real PulseAudio server that this script starts
# (a null sink, its own socket and runtime folder, in a network namespace of
# its own), with the game under Xvfb and the sink's monitor recorded by parec:
#   - idle before any game and while paused, the game holds no stream open,
#     and the game and the server each take at most 0.2% of a core over 10 s;
#   - the effects "drop", "pause" and "resume" are heard at their keys, the
#     first one after a long silence;
#   - music switched on during a game is heard, and stops at the pause;
#   - the game ends at once when its window closes, its sound device open;
#   - with a SoundFont that is a named pipe, effects play and closing works;
#   - the game writes nothing on standard error but its trace, and ends well.
# Exit status 77 (skipped) when a tool is missing.
#
#   tests/e2e/sound_e2e.sh PATH/TO/stakor
set -uo pipefail

game=$(readlink -f "${1:?usage: sound_e2e.sh PATH/TO/stakor}")
script=$(readlink -f "$0")

if [ "${2:-}" != --inner ]; then
    missing=()
    for tool in pulseaudio parec pactl xvfb-run Xvfb xauth xdotool unshare od awk; do
        command -v "$tool" >/dev/null || missing+=("$tool")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "SKIPPED: sound_e2e.sh needs ${missing[*]} (Debian: pulseaudio pulseaudio-utils xvfb xauth xdotool)"
        exit 77
    fi
    if ! unshare -n true 2>/dev/null; then
        echo "SKIPPED: sound_e2e.sh needs 'unshare -n' (a network namespace of its own)"
        exit 77
    fi
    # The namespace keeps the game's single-instance marker, and the server,
    # apart from anything else running on the machine.
    exec unshare -n xvfb-run -a -s '-screen 0 1024x768x24 -noreset' "$script" "$game" --inner
fi

# ---- Inside the namespace and Xvfb ------------------------------------------------

work=$(mktemp -d)
pids=()
failures=0
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# The server: a null sink at 44.1 kHz, reached only through its own socket.
export XDG_RUNTIME_DIR=$work/runtime HOME=$work/home
mkdir -p "$XDG_RUNTIME_DIR" "$HOME"
chmod 700 "$XDG_RUNTIME_DIR"
cat >"$work/server.pa" <<EOF
load-module module-null-sink sink_name=stakor_sink rate=44100 channels=2
load-module module-native-protocol-unix auth-anonymous=1 socket=$work/pulse.socket
set-default-sink stakor_sink
EOF
pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no -F "$work/server.pa" \
    --log-target=file:"$work/server.log" &
server=$!
pids+=("$server")
export PULSE_SERVER=unix:$work/pulse.socket
for _ in $(seq 1 200); do
    pactl info >/dev/null 2>&1 && break
    sleep 0.05
done
if ! pactl info >/dev/null 2>&1; then
    echo "SKIPPED: the PulseAudio server would not start here:"
    cat "$work/server.log"
    exit 77
fi

# Built with LeakSanitizer, the game ends reporting what the sound server's
# client library and D-Bus keep for the life of a process: theirs, not the game's.
printf 'leak:libpulse.so\nleak:libpulsecommon\nleak:libdbus-1.so\n' >"$work/leaks.supp"
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$work/leaks.supp:print_suppressions=0"

# The game: sound on, music off to begin with, reporting its keys on stderr.
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data SDL_AUDIODRIVER=pulseaudio STAKOR_TRACE=1
mkdir -p "$XDG_CONFIG_HOME/Orvelan Games/Vexamo Stakor" "$XDG_DATA_HOME"
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Orvelan Games\\Vexamo Stakor]\r\n"PlayMusic"=dword:00000000\r\n"PlaySound"=dword:00000001\r\n' \
    >"$XDG_CONFIG_HOME/Orvelan Games/Vexamo Stakor/settings.reg"
trace=$work/trace
await_trace() {
    for _ in $(seq 1 400); do
        grep -E "$1" "$trace" >/dev/null && return 0
        sleep 0.05
    done
    return 1
}
start_game() {
    : >"$trace"
    "$game" 2>"$trace" &
    game_pid=$!
    pids+=("$game_pid")
    if ! await_trace '^trace shown'; then
        fail "the window never showed"
        cat "$trace"
        exit 1
    fi
    window=$(xdotool search --onlyvisible --name '^Vexamo Stakor$' | head -1)
    [ -n "$window" ] || { fail "no window named Vexamo Stakor"; exit 1; }
    xdotool windowfocus --sync "$window" 2>/dev/null
    sleep 0.3
}
start_game
key() { xdotool key "$@"; }

# Closes the window of a running game, answering Yes to the question, and
# checks that the game ends at once.
close_game() {
    local close question=
    close=$(sed -n 's/^trace shown .*close=\([0-9]*\),\([0-9]*\).*/\1 \2/p' "$trace" | head -1)
    # shellcheck disable=SC2086
    xdotool mousemove --window "$window" $close click 1
    if await_trace '^trace close asks'; then
        for _ in $(seq 1 100); do
            question=$(xdotool search --onlyvisible --name '^Vexamo Stakor$' 2>/dev/null | grep -v "^$window\$" | head -1)
            [ -n "$question" ] && break
            sleep 0.05
        done
        [ -n "$question" ] && xdotool windowfocus --sync "$question" 2>/dev/null
        sleep 0.3
        key Return # Yes, the default
    else
        fail "closing the window did not ask about the running game"
    fi
    for _ in $(seq 1 100); do
        kill -0 "$game_pid" 2>/dev/null || break
        sleep 0.05
    done
    if kill -0 "$game_pid" 2>/dev/null; then
        fail "the game did not end within 5 s of its window closing"
        tail -5 "$trace"
        return
    fi
    wait "$game_pid" || fail "the game ended with status $?"
    if grep -v '^trace ' "$trace" >"$work/said"; then
        fail "the game wrote more than its trace on standard error:"
        head -20 "$work/said"
    fi
}

# Streams the game holds open on the server.
streams() {
    local list
    list=$(pactl list short sink-inputs 2>/dev/null) || return 1
    if [ -z "$list" ]; then
        echo 0
    else
        echo "$list" | wc -l
    fi
}
# Waits up to 15 s for the game to hold no stream: it closes its device
# after a short silence.
await_no_stream() {
    for _ in $(seq 1 150); do
        [ "$(streams)" = 0 ] && return 0
        sleep 0.1
    done
    return 1
}
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
# Checks that the game and the server take at most 0.2% of a core over 10 s.
check_quiet_cost() {
    local what=$1 game_before server_before game_after server_after hz
    hz=$(getconf CLK_TCK)
    game_before=$(ticks "$game_pid")
    server_before=$(ticks "$server")
    sleep 10
    game_after=$(ticks "$game_pid")
    server_after=$(ticks "$server")
    local game_share server_share
    game_share=$(awk -v d=$((game_after - game_before)) -v hz="$hz" 'BEGIN { printf "%.2f", d / hz / 10 * 100 }')
    server_share=$(awk -v d=$((server_after - server_before)) -v hz="$hz" 'BEGIN { printf "%.2f", d / hz / 10 * 100 }')
    echo "$what: game ${game_share}%, server ${server_share}% of a core"
    awk -v g="$game_share" -v s="$server_share" 'BEGIN { exit !(g <= 0.2 && s <= 0.2) }' ||
        fail "$what costs more than 0.2% of a core"
}

# ---- 1. Idle: no game, no music ---------------------------------------------------
await_no_stream || fail "idle, the game still holds a stream on the server"
check_quiet_cost "idle"

# ---- 2. Effects at their keys -----------------------------------------------------
# The recording is 8 kHz mono; a key's place in it is the recording's length
# when the key is sent.
recording=$work/effects.raw
record() {
    : >"$1"
    parec -d stakor_sink.monitor --raw --format=s16le --rate=8000 --channels=1 --latency-msec=10 >"$1" &
    recorder=$!
    pids+=("$recorder")
    for _ in $(seq 1 200); do
        [ -s "$1" ] && return 0
        sleep 0.02
    done
    fail "parec records nothing"
    return 1
}
position() { echo $(($(stat -c %s "$1") / 2)); }
# Loudness (root mean square, 16-bit scale) of each 10 ms of samples FROM..TO.
levels() {
    local from=$2 to=$3
    [ "$from" -lt 0 ] && from=0
    od -An -v -td2 -w160 -j $((from * 2)) -N $(((to - from) * 2)) "$1" |
        awk '{ s = 0; for (i = 1; i <= NF; i++) s += $i * $i; printf "%d\n", sqrt(s / NF) }'
}
loudest() { levels "$@" | sort -n | tail -1; }
# Checks that an effect begins within 0.3 s of the key sent at sample AT,
# out of the silence before it, and sounds for at least MIN windows of 10 ms.
check_effect() {
    local name=$1 at=$2 min=$3 before onset length
    before=$(loudest "$recording" $((at - 3200)) $((at - 400)))
    [ "${before:-0}" -lt 30 ] || fail "$name: the sink was not silent before the key (level $before)"
    onset=$(levels "$recording" $((at - 400)) $((at + 4000)) | awk '$1 >= 300 { print NR - 6; exit }')
    if [ -z "$onset" ]; then
        fail "$name: not heard within 0.5 s of its key"
        return
    fi
    length=$(levels "$recording" $((at - 400)) $((at + 8000)) | awk '$1 >= 100 { n++ } END { print n + 0 }')
    echo "$name: heard $((onset * 10)) ms after its key (as recorded), loud for $((length * 10)) ms"
    [ "$onset" -le 30 ] || fail "$name: heard $((onset * 10)) ms after its key"
    [ "$length" -ge "$min" ] || fail "$name: heard for only $((length * 10)) ms"
}

record "$recording" || exit 1
sleep 1
key F2
await_trace 'press running=1 paused=0' || fail "F2 started no game"
sleep 1.5 # more than the device's hold: it is closed again
drop_at=$(position "$recording")
key space
sleep 1.5
pause_at=$(position "$recording")
key p
await_trace 'press running=1 paused=1' || fail "p paused nothing"
sleep 1.5
resume_at=$(position "$recording")
key p
sleep 1.5
kill "$recorder"
wait "$recorder" 2>/dev/null
check_effect drop "$drop_at" 10
check_effect pause "$pause_at" 25
check_effect resume "$resume_at" 25

# ---- 3. Music during a game, silence at the pause -----------------------------------
recording=$work/music.raw
record "$recording" || exit 1
music_at=$(position "$recording")
key alt+m # music on: a piece begins
sleep 5
stop_at=$(position "$recording")
key p
await_trace 'paused=1' || fail "p paused nothing"
sleep 3
end_at=$(position "$recording")
kill "$recorder"
wait "$recorder" 2>/dev/null
heard=$(levels "$recording" $((music_at + 4000)) "$stop_at" | awk '$1 >= 100 { n++ } END { print int(100 * n / NR) }')
echo "music: loud in ${heard}% of the 10 ms windows between its start and the pause"
[ "$heard" -ge 50 ] || fail "music switched on was not heard"
after=$(loudest "$recording" $((stop_at + 8000)) "$end_at")
echo "music: loudest 10 ms from 1 s after the pause: $after"
[ "${after:-0}" -lt 30 ] || fail "the music went on after the pause"

# ---- 4. Paused ----------------------------------------------------------------------
await_no_stream || fail "paused, the game still holds a stream on the server"
check_quiet_cost "paused"

# ---- 5. The game ends when its window closes ---------------------------------------
key p # resumed: music and effects again, the device open
sleep 1
close_game
# ---- 6. A SoundFont that is a named pipe ----------------------------------------------
# Refused at once: the effects play, the music stays silent, and closing
# does not wait for a reader stuck on the pipe.
mkfifo "$work/pipe.sf2"
STAKOR_SOUNDFONT=$work/pipe.sf2 start_game
recording=$work/pipe.raw
record "$recording" || exit 1
sleep 0.5
key F2
await_trace 'press running=1 paused=0' || fail "F2 started no game"
sleep 1
drop_at=$(position "$recording")
key space
sleep 1
kill "$recorder"
wait "$recorder" 2>/dev/null
check_effect "drop (SoundFont a pipe)" "$drop_at" 10
close_game

[ -n "${STAKOR_SOUND_E2E_KEEP:-}" ] && cp "$work"/*.raw "$STAKOR_SOUND_E2E_KEEP"/
[ "$failures" -eq 0 ] && echo "sound_e2e: all checks passed"
[ "$failures" -eq 0 ]
