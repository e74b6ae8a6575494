# Waits on the game's STAKOR_TRACE lines, for the end-to-end scripts that
# source it; they set $trace to the file the game writes its trace to. Each
# wait polls for up to 10 s, since a loaded machine may take its time.

# A line of the trace matches a pattern.
await() {
    for _ in $(seq 1 200); do
        grep -E "$1" "$trace" >/dev/null && return 0
        sleep 0.05
    done
    return 1
}

# How many lines of the trace match a pattern.
count() { grep -cE "$1" "$trace"; }

# The trace's last line matches a pattern.
await_last() {
    for _ in $(seq 1 200); do
        tail -1 "$trace" | grep -E "$1" >/dev/null && return 0
        sleep 0.05
    done
    return 1
}

# At least N lines of the trace match a pattern.
await_count() {
    for _ in $(seq 1 200); do
        [ "$(count "$1")" -ge "$2" ] && return 0
        sleep 0.05
    done
    return 1
}

# F2 starts a game; a drop key held for some seconds then starts exactly one
# fast drop, and a real release and press afterwards the next. The script
# gives xdotool's key name, the name its messages use, and how long to hold.
check_held_drop() {
    local key=$1 name=$2 seconds=$3 drops
    xdotool key F2
    await 'press running=1' || fail "F2 started no game"
    sleep 1.5 # a new figure cannot be dropped before its first step
    xdotool keydown "$key"
    sleep "$seconds"
    xdotool keyup "$key"
    sleep 0.3
    drops=$(count '^trace fast drop on')
    [ "$drops" -eq 1 ] || fail "holding $name for $seconds s started $drops fast drops, not 1"
    await '^trace release' || fail "letting go of $name was not taken as a release"
    # Let go and pressed again: the next fast drop.
    xdotool key "$key"
    await_count '^trace fast drop on' 2
    drops=$(count '^trace fast drop on')
    [ "$drops" -eq 2 ] || fail "a new press of $name after letting go gave $drops fast drops in all, not 2"
}

# What a script says when the window never showed: whether the game still
# runs, what the X server holds of it, and whether it shows after all, so a
# failure on a loaded machine tells slowness from a hang.
explain_not_shown() {
    local game_pid=$1 waited
    if kill -0 "$game_pid" 2>/dev/null; then
        echo "--- the game still runs: $(ps -o stat=,etime=,time= -p "$game_pid")"
    else
        wait "$game_pid" 2>/dev/null
        echo "--- the game has ended (status $?)"
    fi
    echo "--- its windows on the server:"
    xwininfo -root -tree 2>&1 | grep -i 'stakor' || echo "(none)"
    for waited in $(seq 1 20); do
        sleep 1
        if grep -E '^trace shown' "$trace" >/dev/null; then
            echo "--- it showed $waited s later"
            return
        fi
    done
    echo "--- nor 20 s later"
    where_it_waits "$game_pid"
}

# Where each thread of a game that hangs waits: its stacks when gdb is at
# hand, else what the kernel says of each thread; and any process it started
# (a child that never ran its program is a hang in itself).
where_it_waits() {
    local game_pid=$1 task
    kill -0 "$game_pid" 2>/dev/null || return
    echo "--- its children: $(ps -o pid=,stat=,args= --ppid "$game_pid" | tr '\n' ';')"
    if command -v gdb >/dev/null; then
        echo "--- its threads:"
        timeout 60 gdb -p "$game_pid" -batch -nx -ex 'set pagination off' -ex 'thread apply all bt' 2>&1 |
            grep -E '^(Thread|#)' | cut -c1-200
    else
        for task in /proc/"$game_pid"/task/*; do
            echo "--- thread ${task##*/}: $(cat "$task/comm" 2>/dev/null) waits in $(cat "$task/wchan" 2>/dev/null)"
        done
    fi
}
