#!/usr/bin/env bash
# bench/side_by_side.sh OLD_COMMIT [ROUNDS] [SAVES]: start-up, save and private memory of the
# release `horavel` of OLD_COMMIT beside this checkout's, on a 90,400-task project, in
# interleaved launches with fresh homes under Xvfb (bench/side_by_side.py says what each
# figure is). The current build also starts the same tree with one period per task over a
# year. Prints a table of medians and the ratios. Takes about ten minutes with builds cached;
# run it on a quiet machine.
#   bench/side_by_side.sh 1bd0f95 6 3
# OLD_COMMIT is built in a worktree under $HORAVEL_BENCH_DIR (default /tmp/horavel-bench),
# kept for the next run (git worktree remove DIR when done); this checkout in
# build/side-by-side, so that build/release keeps its tests and benchmarks.
set -euo pipefail
old=$(git rev-parse --short "${1:?usage: bench/side_by_side.sh OLD_COMMIT [ROUNDS] [SAVES]}")
rounds=${2:-6}
saves=${3:-3}
repo=$(cd "$(dirname "$0")/.." && pwd)
work=${HORAVEL_BENCH_DIR:-/tmp/horavel-bench}
mkdir -p "$work"

# A release build of the program alone; tests and benchmarks stay off so old trees need
# nothing the program does not.
build() {
    local source=$1 dir=$2
    local launcher=()
    if command -v ccache >/dev/null; then
        export CCACHE_BASEDIR="$(cd "$source/.." && pwd)" CCACHE_NOHASHDIR=1
        launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    fi
    cmake -S "$source" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" \
        -DHORAVEL_TESTS=OFF -DHORAVEL_BENCH=OFF >/dev/null
    nice -n 10 cmake --build "$dir" --target horavel >/dev/null
}

old_tree="$work/$old"
if [ ! -d "$old_tree" ]; then
    git -C "$repo" worktree add --detach "$old_tree" "$old" >/dev/null
fi
echo "building $old in $old_tree/build/release" >&2
build "$old_tree" "$old_tree/build/release"
echo "building $(git -C "$repo" rev-parse --short HEAD) in $repo/build/side-by-side" >&2
build "$repo" "$repo/build/side-by-side"

# The project: five levels of ten, filled up to 90,400 tasks, each with an id, as the
# current build writes them; once more with one period per task, spread over 2026.
/usr/bin/python3 - "$work" <<'EOF'
import datetime, os, sys
tasks = 90400
for name, sessions in (("plain.hvp", False), ("year.hvp", True)):
    path = os.path.join(sys.argv[1], name)
    if os.path.exists(path):
        continue
    out = []
    made = 0
    def task(level, number):
        global made
        made += 1
        if sessions:
            day = datetime.date(2026, 1, 1) + datetime.timedelta(days=made % 365)
            history = (f'<history><session start="{day.isoformat()}T09:15:02+01:00" '
                       f'seconds="{60 + made % 3600}"/></history>')
        else:
            history = "<history/>"
        out.append(f'<task name="Task {number}" id="{made:032x}" '
                   f'completed="{"true" if made % 3 == 0 else "false"}" '
                   f'task_time="{made % 100}:{10 + made % 50}:07" '
                   f'subtask_time="{made % 1000}:45:06"><description>Description of task '
                   f'{number}, long enough to be a real one</description>{history}')
        i = 1
        while level < 5 and i <= 10 and made < tasks:
            task(level + 1, f"{number}.{i}")
            i += 1
        out.append("</task>")
    out.append('<?xml version="1.0"?><project name="Big" id="f' + "0" * 31 + '" '
               'completed="false" task_time="1:00:00" subtask_time="99999:00:00">'
               '<description>Benchmark</description><history/>')
    top = 1
    while made < tasks:
        task(1, str(top))
        top += 1
    out.append("</project>\n")
    with open(path + ".part", "w") as file:
        file.write("".join(out))
    os.rename(path + ".part", path)
EOF

# Xvfb picks a free display and writes its number; no window manager.
: >"$work/display"
Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
number=$(head -n1 "$work/display")
echo "measuring on display :$number, $rounds rounds of 3 launches, $saves saves each" >&2
DISPLAY=":$number" /usr/bin/python3 "$repo/bench/side_by_side.py" \
    --old "$old_tree/build/release/src/horavel" --new "$repo/build/side-by-side/src/horavel" \
    --plain "$work/plain.hvp" --year "$work/year.hvp" --rounds "$rounds" --saves "$saves"
