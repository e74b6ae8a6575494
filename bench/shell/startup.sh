#!/usr/bin/env bash
# Start-up of the game under Xvfb: time to the first painted window, the
# processor time spent by then, and the memory in use a second later, when
# what follows the first frame is done (proportional set size, private
# pages, resident set). Each run starts the game afresh with empty settings
# and its own network namespace, so a running game is never disturbed.
#
#   bench/shell/startup.sh [PROGRAM] [RUNS]     defaults: build/stakor, 9
#
# Prints every run and the medians. Other programs using the same libraries
# lower the PSS figure; the private pages are the program's own.
set -euo pipefail
program=$(realpath "${1:-build/stakor}")
runs=${2:-9}

for tool in xvfb-run unshare; do
    command -v "$tool" >/dev/null || { echo "startup.sh: $tool is missing" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One run inside the X server: start, wait for the report line, read the
# process's figures at once, end it.
cat >"$work/one.sh" <<'ONE'
#!/usr/bin/env bash
set -u
program=$1 out=$2
export XDG_CONFIG_HOME=$(mktemp -d) XDG_DATA_HOME=$(mktemp -d) STAKOR_REPORT_STARTUP=1
"$program" 2>"$out.err" &
pid=$!
for _ in $(seq 1 1000); do
    grep -q 'first paint' "$out.err" 2>/dev/null && break
    sleep 0.005
done
# Processor time of all its threads, in nanoseconds.
cpu=$(cat /proc/$pid/task/*/schedstat 2>/dev/null | awk '{ns += $1} END {printf "%d", ns / 1000000}')
sleep 1
# PSS shares pages out among the programs using them; the private pages are
# the program's own, and the resident set counts shared pages whole,
# whatever else runs.
read -r pss private rss < <(awk '/^Pss:/ {p = $2} /^Private_(Clean|Dirty):/ {q += $2} /^Rss:/ {r = $2}
    END {print p, q, r}' "/proc/$pid/smaps_rollup")
paint=$(sed -n 's/.*first paint after \([0-9]*\) ms.*/\1/p' "$out.err")
echo "$paint $cpu $pss $private $rss" >"$out"
kill "$pid"
wait "$pid" 2>/dev/null
rm -rf "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"
ONE
chmod +x "$work/one.sh"

printf '%6s %9s %7s %8s %11s %8s\n' run 'paint ms' 'cpu ms' 'PSS kB' 'private kB' 'RSS kB'
for i in $(seq 1 "$runs"); do
    unshare -n xvfb-run -a -s '-screen 0 1280x1024x24' "$work/one.sh" "$program" "$work/run$i" >/dev/null 2>&1 || true
    read -r paint cpu pss private rss <"$work/run$i" || { echo "run $i: no report" >&2; continue; }
    printf '%6d %9s %7s %8s %11s %8s\n' "$i" "$paint" "$cpu" "$pss" "$private" "$rss"
    echo "$paint $cpu $pss $private $rss" >>"$work/all"
done

median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
printf '%6s %9s %7s %8s %11s %8s\n' median "$(cut -d' ' -f1 "$work/all" | median)" \
    "$(cut -d' ' -f2 "$work/all" | median)" "$(cut -d' ' -f3 "$work/all" | median)" \
    "$(cut -d' ' -f4 "$work/all" | median)" "$(cut -d' ' -f5 "$work/all" | median)"
