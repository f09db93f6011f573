#!/usr/bin/env bash
# under_sway.sh PROGRAM [ARGS...]: runs PROGRAM as a Qt client of a headless sway of its
# own (no screens, no input devices, no X server) and stops sway after it. sway refuses to
# start as root, so there it runs as nobody.
set -euo pipefail
dir=$(mktemp -d)
sway=""
# sway's own end is no verdict: killed before its handler is in place it dies of the signal,
# and under `set -e` that status would become the test's.
finish() {
    if [ -n "$sway" ]; then
        kill "$sway" 2>/dev/null || true
        wait "$sway" 2>/dev/null || true
    fi
    rm -rf "$dir"
}
trap finish EXIT
mkdir -m 700 "$dir/run" "$dir/client"
printf 'xwayland disable\n' >"$dir/config"
as=()
if [ "$(id -u)" -eq 0 ]; then
    chown 65534:65534 "$dir/run"
    chmod 755 "$dir"
    chmod 644 "$dir/config"
    as=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
XDG_RUNTIME_DIR=$dir/run HOME=$dir WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 \
    WLR_RENDERER=pixman timeout 60 "${as[@]}" sway -c "$dir/config" >"$dir/sway.log" 2>&1 &
sway=$!
socket=""
for _ in $(seq 100); do
    socket=$(find "$dir/run" -maxdepth 1 -type s -name 'wayland-*' | head -n 1)
    [ -n "$socket" ] && break
    sleep 0.1
done
if [ -z "$socket" ]; then
    echo "under_sway: sway did not start:" >&2
    cat "$dir/sway.log" >&2
    exit 1
fi
status=0
env -u DISPLAY WAYLAND_DISPLAY="$socket" XDG_RUNTIME_DIR="$dir/client" QT_QPA_PLATFORM=wayland \
    timeout 30 "$@" || status=$?
exit $status
