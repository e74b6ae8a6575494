# Runs the end-to-end script that sources this file once without a window
# manager and once under openbox (when installed), each time on an Xvfb of its
# own, in a network namespace of its own so that the game's single-instance
# marker stays apart from any other game on the machine. Inside, the script
# finds STAKOR_E2E_INNER=1 and its mode in STAKOR_E2E_MODE.
#
# Every Xvfb of these scripts runs with -noreset: by default the server resets
# whenever its last client leaves, and a client that connects meanwhile (the
# window manager just after a polling xprop, the game) is dropped without a
# word, now and then, on a busy machine.
#
#   run_x11_modes SCRIPT PROGRAM [XVFB_SERVER_ARGS]   (exits with the result)
run_x11_modes() {
    local script=$1 program=$2 server=${3:-}
    local name missing=() tool status=0 mode modes=(bare)
    name=$(basename "$script")
    for tool in xvfb-run Xvfb xdotool xwininfo xprop unshare; do
        command -v "$tool" >/dev/null || missing+=("$tool")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "SKIPPED: $name needs ${missing[*]} (Debian: xvfb xdotool x11-utils)"
        exit 77
    fi
    if ! unshare -n true 2>/dev/null; then
        echo "SKIPPED: $name needs 'unshare -n' (a network namespace of its own)"
        exit 77
    fi
    if command -v openbox >/dev/null; then
        modes+=(openbox)
    else
        echo "note: openbox is not installed; only the run without a window manager"
    fi
    for mode in "${modes[@]}"; do
        echo "=== $mode"
        STAKOR_E2E_INNER=1 STAKOR_E2E_MODE=$mode unshare -n \
            xvfb-run -a -s "-screen 0 1280x1024x24 -noreset $server" "$script" "$program" || status=1
    done
    exit $status
}
