#!/bin/bash
# The processor time the real program spends while it idles and while the timer runs, with
# its window on screen and minimized: the processor time of all its threads over a stretch
# of wall time, as a share of one core, under Xvfb with a window manager, for projects of several
# sizes. The first row is the yardstick: a plain Qt window that shows one running time in a
# tree row and in its status bar (bench/repaint_floor.cpp), on screen and minimized; the
# second, "clock", the same window turning a clock image in that row every half second, as
# the program must: the figure to read the program's visible cost against.
#
#   bench/timing_cpu.sh [program] [seconds] [task counts...]
#   bench/timing_cpu.sh build/release/src/horavel 60 1000 10000 30000
set -euo pipefail

program=$(realpath "${1:-build/release/src/horavel}")
seconds=${2:-60}
sizes=("${@:3}")
[ ${#sizes[@]} -eq 0 ] && sizes=(1000 10000 30000)

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s '-screen 0 1280x1024x24' "$0" "$program" "$seconds" "${sizes[@]}"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work XDG_CONFIG_HOME=$work/config
mkdir -p "$XDG_CONFIG_HOME/horavel"
openbox >/dev/null 2>&1 &
wm=$!
sleep 1

# A project with `count` tasks, ten under each, with times shown in h:mm.
make_project() {
    python3 - "$1" "$2" <<'PY'
import sys
count, path = int(sys.argv[1]), sys.argv[2]
out = ['<?xml version="1.0"?><project name="Load" completed="false" task_time="0:00:00" subtask_time="0:00:00"><description/><history/>']
def tasks(level, remaining):
    made = 0
    while remaining[0] > 0 and made < 10:
        remaining[0] -= 1
        made += 1
        out.append('<task name="Task %d" completed="false" task_time="1:00:00" subtask_time="0:00:00"><description/><history/>' % remaining[0])
        if level < 3:
            tasks(level + 1, remaining)
        out.append('</task>')
remaining = [count]
while remaining[0] > 0:
    tasks(0, remaining)
out.append('</project>')
open(path, 'w').write(''.join(out))
PY
}

# Nanoseconds on a processor, all threads: utime and stime in /proc/PID/stat count in
# clock ticks, a hundredth of a second, as coarse as the figures measured here.
cpu_of() { cat /proc/"$1"/task/*/schedstat | awk '{ ns += $1 } END { printf "%d", ns }'; }

measure() {  # pid -> share of a core over $seconds, in percent
    local before after
    before=$(cpu_of "$1")
    sleep "$seconds"
    after=$(cpu_of "$1")
    awk -v t=$((after - before)) -v s="$seconds" 'BEGIN { printf "%.3f", 100 * t / 1e9 / s }'
}

printf '%10s %8s %10s %10s\n' tasks idle% timing% minimized%
floor=$(dirname "$program")/../bench/bench_repaint_floor
# The yardstick as it stands, then with the program's half-second clock frames in its row.
for variant in yardstick clock; do
    [ -x "$floor" ] || break
    if [ $variant = clock ]; then "$floor" --clock >/dev/null 2>&1 & else "$floor" >/dev/null 2>&1 & fi
    pid=$!
    sleep 3
    shown=$(measure $pid)
    xdotool search --name '^Repaint floor$' windowminimize >/dev/null 2>&1 || true
    sleep 2
    printf '%10s %8s %10s %10s\n' $variant - "$shown" "$(measure $pid)"
    kill $pid
    wait $pid 2>/dev/null || true
done
for count in "${sizes[@]}"; do
    project=$work/load-$count.hvp
    make_project "$count" "$project"
    printf '[general]\nTT_ShowTime=True\nAutoSaveWS=False\nAutoLoadWS=False\nTrayIcon=True\n' \
        > "$XDG_CONFIG_HOME/horavel/horavel.conf"
    "$program" "$project" >/dev/null 2>&1 &
    pid=$!
    sleep 4
    xdotool search --sync --onlyvisible --name '^Horavel$' windowactivate --sync >/dev/null 2>&1 || true
    sleep 2
    idle=$(measure $pid)
    xdotool key Right key Down key ctrl+t  # the project opened, its first task timed
    sleep 6  # past the first recovery snapshot: one-off work, not the steady cost
    timing=$(measure $pid)
    # Only the visible one: Qt's hidden leader window is called "horavel", and xdotool's
    # names match whatever the case.
    window=$(xdotool search --onlyvisible --name '^Horavel' | head -1)
    xdotool windowminimize "$window" >/dev/null 2>&1 || true
    sleep 2
    minimized=$(measure $pid)
    xprop -id "$window" WM_STATE | grep -q Iconic || minimized="$minimized(not minimized!)"
    printf '%10d %8s %10s %10s\n' "$count" "$idle" "$timing" "$minimized"
    kill $pid
    wait $pid 2>/dev/null || true
done
kill $wm 2>/dev/null || true
