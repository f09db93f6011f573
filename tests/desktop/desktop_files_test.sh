#!/usr/bin/env bash
# Checks of the files that integrate Horavel into a desktop, run by ctest (see CMakeLists.txt):
#   desktop_files_test.sh entry|metainfo|mime|install ARGUMENTS...
set -euo pipefail

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# desktop-file-validate exits 0 on mere warnings and hints; we want none of those either.
check_entry() {
    local report
    report=$(desktop-file-validate "$1" 2>&1) && [ -z "$report" ] ||
        fail "desktop-file-validate: $report"
}

check_metainfo() {
    local report
    report=$(appstreamcli validate --no-net --strict "$1" 2>&1) ||
        fail "appstreamcli rejects $1: $report"
    # The newest release, first, is the version the build stamps on the program and package.
    local newest
    newest=$(xmllint --xpath 'string(/component/releases/release[1]/@version)' "$1")
    [ "$newest" = "$2" ] || fail "newest release in $1 is '$newest', the project is $2"
}

# Compiles the types into a database of their own, as the system's trigger would, and
# reads back what a file manager would look up.
check_mime() {
    xmllint --noout --relaxng "$here/shared-mime-info.rng" "$1" ||
        fail "$1 is not a shared-mime-info package"
    mkdir -p "$work/mime/packages"
    cp "$1" "$work/mime/packages/horavel.xml"
    local report
    # Pointing XDG_DATA_DIRS at it silences the note that the folder is not searched.
    report=$(XDG_DATA_DIRS="$work" update-mime-database "$work/mime" 2>&1) && [ -z "$report" ] ||
        fail "update-mime-database: $report"
    for glob in project:hvp workspace:hvw; do
        grep -qx "50:application/x-horavel-${glob%:*}:\\*\\.${glob#*:}" "$work/mime/globs2" ||
            fail "*.${glob#*:} is not a Horavel ${glob%:*}"
    done
}

check_install() {
    local build=$1 id=$2 sizes=$3
    local root="$work/root"
    DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null || fail "install failed"
    local expected=(
        usr/bin/horavel
        "usr/share/applications/$id.desktop"
        "usr/share/metainfo/$id.metainfo.xml"
        "usr/share/mime/packages/$id.xml"
        "usr/share/icons/hicolor/scalable/apps/$id.svg"
        "usr/share/horavel/user-guide.html"
    )
    for size in $sizes; do
        expected+=("usr/share/icons/hicolor/${size}x${size}/apps/$id.png")
    done
    for path in "${expected[@]}"; do
        [ -f "$root/$path" ] || fail "not installed: /$path"
    done
    [ -x "$root/usr/bin/horavel" ] || fail "/usr/bin/horavel is not executable"
}

case "${1:-}" in
    entry) check_entry "$2" ;;
    metainfo) check_metainfo "$2" "$3" ;;
    mime) check_mime "$2" ;;
    install) check_install "$2" "$3" "$4" ;;
    *) fail "unknown check '${1:-}'" ;;
esac
echo "ok: $1"
