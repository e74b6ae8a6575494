#!/usr/bin/env bash
# What the game's sound costs a real PulseAudio server (a null sink) and how
# its music follows on, measured on the real program under Xvfb:
#   - share of a core taken by the game and by the server over 10 s: idle
#     before any game (music switched off) and with a game paused;
#   - the gaps between music pieces on a recording of the sink's monitor:
#     from the end of one piece's sound to the start of the next.
# The SDL side (an effect's start after silence) is in stakor_bench
# (EffectAfterSilence), which this script runs against the same server.
#
#   bench/audio/sound_server_bench.sh PATH/TO/stakor [PATH/TO/stakor_bench] [SECONDS_OF_MUSIC]
#
# Needs pulseaudio, pulseaudio-utils, xvfb, xauth, xdotool and unshare.
set -uo pipefail

game=$(readlink -f "${1:?usage: sound_server_bench.sh PATH/TO/stakor [PATH/TO/stakor_bench] [SECONDS]}")
bench=${2:-}
[ -n "$bench" ] && bench=$(readlink -f "$bench")
music_seconds=${3:-100}
script=$(readlink -f "$0")

if [ "${STAKOR_BENCH_INNER:-}" != 1 ]; then
    for tool in pulseaudio parec pactl xvfb-run xdotool unshare od awk; do
        command -v "$tool" >/dev/null || { echo "needs $tool"; exit 77; }
    done
    STAKOR_BENCH_INNER=1 exec unshare -n xvfb-run -a -s '-screen 0 1024x768x24' "$script" "$game" "$bench" "$music_seconds"
fi

work=$(mktemp -d)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# ---- The sound server: a null sink, reached through its own socket ----------
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
pactl info >/dev/null 2>&1 || { echo "the sound server did not start"; cat "$work/server.log"; exit 1; }

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
# Share of one core (percent) that process $1 takes over $2 seconds.
cpu_share() {
    local before after
    before=$(ticks "$1")
    sleep "$2"
    after=$(ticks "$1")
    awk -v d=$((after - before)) -v s="$2" -v hz="$(getconf CLK_TCK)" 'BEGIN { printf "%.2f", 100 * d / hz / s }'
}

await_trace() {
    for _ in $(seq 1 400); do
        grep -E "$1" "$work/trace" >/dev/null && return 0
        sleep 0.05
    done
    return 1
}

# Starts the game with the given PlayMusic setting (0 or 1).
start_game() {
    export XDG_CONFIG_HOME=$work/config-$1 XDG_DATA_HOME=$work/data
    mkdir -p "$XDG_CONFIG_HOME/Orvelan Games/Vexamo Stakor" "$XDG_DATA_HOME"
    printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Orvelan Games\\Vexamo Stakor]\r\n"PlayMusic"=dword:%08d\r\n' "$1" \
        >"$XDG_CONFIG_HOME/Orvelan Games/Vexamo Stakor/settings.reg"
    : >"$work/trace"
    SDL_AUDIODRIVER=pulseaudio STAKOR_TRACE=1 "$game" 2>"$work/trace" &
    game_pid=$!
    pids+=("$game_pid")
    await_trace '^trace shown' || { echo "the window never showed"; exit 1; }
    window=$(xdotool search --onlyvisible --name '^Vexamo Stakor$' | head -1)
    xdotool windowfocus "$window" 2>/dev/null
}

stop_game() {
    kill "$game_pid" 2>/dev/null
    wait "$game_pid" 2>/dev/null
}

# ---- Idle and paused --------------------------------------------------------
if [ -z "${STAKOR_BENCH_MUSIC_ONLY:-}" ]; then
start_game 0
sleep 4 # the SoundFont loads and the effects are read; then nothing plays
echo "idle, no game (music off):  game $(cpu_share "$game_pid" 10)%  server $(cpu_share "$server" 10)%"
stop_game

start_game 1
sleep 2
xdotool key --window "$window" F2
await_trace 'running=1' || echo "note: the game did not start"
sleep 2
xdotool key --window "$window" p
sleep 4 # the pause effect and the music's last notes fade
echo "paused (music on):          game $(cpu_share "$game_pid" 10)%  server $(cpu_share "$server" 10)%"
stop_game
echo "server alone:               $(cpu_share "$server" 5)%"

# ---- Effect after silence, from the SDL side --------------------------------
if [ -n "$bench" ]; then
    SDL_AUDIODRIVER=pulseaudio "$bench" --benchmark_filter=EffectAfterSilence --benchmark_repetitions=3 2>&1 | grep EffectAfterSilence
fi

fi

# ---- Gaps between pieces ----------------------------------------------------
# Music alone, window active, no game: one piece after another.
start_game 1
parec -d stakor_sink.monitor --raw --format=s16le --rate=8000 --channels=1 --latency-msec=20 >"$work/music.raw" &
recorder=$!
pids+=("$recorder")
sleep "$music_seconds"
kill "$recorder"
stop_game
[ -n "${STAKOR_BENCH_KEEP:-}" ] && cp "$work/music.raw" "$STAKOR_BENCH_KEEP"
# Loudness per 10 ms; a gap is a run of windows below the floor between two
# louder stretches. Pieces never pause for a second inside themselves, so
# every silence of a second or more is between two pieces, and any silence
# of 0.3 s or more is listed.
od -An -v -td2 -w160 "$work/music.raw" | awk '
    { s = 0; for (i = 1; i <= NF; i++) s += $i * $i; rms = sqrt(s / NF); t = NR * 0.01
      if (rms < 30) { if (!quiet) { quiet = 1; from = t } }
      else { if (quiet && heard) { gap = t - from; if (gap >= 0.3) { printf "silence of %.2f s at %.1f s\n", gap, from; n++; if (gap > worst) worst = gap } }
             quiet = 0; heard = 1 } }
    END { printf "music: %.0f s recorded, %d silences of 0.3 s or more, longest %.2f s\n", NR * 0.01, n, worst }'
