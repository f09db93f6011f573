#!/usr/bin/env bash
# Checks of the files that integrate Horavel into a desktop, run by ctest:
#   desktop_files_test.sh entry    DESKTOP_FILE
#   desktop_files_test.sh metainfo METAINFO_FILE PROJECT_VERSION
#   desktop_files_test.sh mime     MIME_XML
#   desktop_files_test.sh install  BUILD_DIR APP_ID "ICON_SIZES"
#   desktop_files_test.sh opens    BUILD_DIR APP_ID
set -euo pipefail

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

need() {
    command -v "$1" >/dev/null || fail "$1 is missing: run scripts/setup (package $2)"
}

here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# desktop-file-validate exits 0 on mere warnings and hints; we want none of those either.
check_entry() {
    need desktop-file-validate desktop-file-utils
    local report
    report=$(desktop-file-validate "$1" 2>&1) || fail "desktop-file-validate: $report"
    [ -z "$report" ] || fail "desktop-file-validate complains: $report"
}

check_metainfo() {
    need appstreamcli appstream
    need xmllint libxml2-utils
    local report
    report=$(appstreamcli validate --no-net --strict "$1" 2>&1) ||
        fail "appstreamcli rejects $1: $report"
    # The newest release comes first, and it has to be the version the build stamps on
    # the program and the package.
    local newest
    newest=$(xmllint --xpath 'string(/component/releases/release[1]/@version)' "$1")
    [ "$newest" = "$2" ] || fail "newest release in $1 is '$newest', the project is $2"
}

# Compiles the types into a database of their own, as the system's trigger would, and
# reads back what a file manager would look up.
check_mime() {
    need xmllint libxml2-utils
    need update-mime-database shared-mime-info
    xmllint --noout --relaxng "$here/shared-mime-info.rng" "$1" ||
        fail "$1 is not a shared-mime-info package"
    mkdir -p "$work/mime/packages"
    cp "$1" "$work/mime/packages/horavel.xml"
    local report
    # Pointing XDG_DATA_DIRS at it silences the note that the folder is not searched.
    report=$(XDG_DATA_DIRS="$work" update-mime-database "$work/mime" 2>&1) ||
        fail "update-mime-database: $report"
    [ -z "$report" ] || fail "update-mime-database complains: $report"
    grep -qx '50:application/x-horavel-project:\*\.hvp' "$work/mime/globs2" ||
        fail "*.hvp is not a Horavel project"
    grep -qx '50:application/x-horavel-workspace:\*\.hvw' "$work/mime/globs2" ||
        fail "*.hvw is not a Horavel workspace"
    grep -q '^ project application/x-horavel-project$' "$work/mime/XMLnamespaces" ||
        fail "a <project> document is not recognised by its content"
    grep -qx 'application/x-horavel-project application/xml' "$work/mime/subclasses" ||
        fail "a project is not known as XML"
}

# Ini-style value of KEY in a .desktop file.
desktop_value() {
    sed -n "s/^$2=//p" "$1"
}

check_install() {
    local build=$1 id=$2 sizes=$3
    local root="$work/root"
    DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null ||
        fail "cmake --install failed"

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
    local missing=0
    for path in "${expected[@]}"; do
        [ -f "$root/$path" ] || { echo "not installed: /$path" >&2; missing=1; }
    done
    [ "$missing" -eq 0 ] || fail "files are missing from the install"
    [ -x "$root/usr/bin/horavel" ] || fail "/usr/bin/horavel is not executable"
    local stray
    stray=$(cd "$root" && find . -type f | sed 's|^\./||' | sort |
        comm -23 - <(printf '%s\n' "${expected[@]}" | sort))
    [ -z "$stray" ] || fail "unexpected files installed: $stray"

    # The pieces refer to each other by name; a rename of one must not orphan the others.
    local desktop="$root/usr/share/applications/$id.desktop"
    local exec_name
    exec_name=$(desktop_value "$desktop" Exec | cut -d' ' -f1)
    [ -x "$root/usr/bin/$exec_name" ] || fail "Exec=$exec_name is not an installed program"
    [ "$(desktop_value "$desktop" Icon)" = "$id" ] || fail "Icon= does not name the installed icon"
    local mime_xml="$root/usr/share/mime/packages/$id.xml"
    local type
    for type in $(desktop_value "$desktop" MimeType | tr ';' ' '); do
        grep -q "<mime-type type=\"$type\">" "$mime_xml" || fail "MimeType $type is not defined"
    done
    local launchable
    launchable=$(xmllint --xpath 'string(/component/launchable[@type="desktop-id"])' \
        "$root/usr/share/metainfo/$id.metainfo.xml")
    [ "$launchable" = "$id.desktop" ] || fail "metainfo launches '$launchable', not $id.desktop"
    [ "$(xmllint --xpath 'string(/component/id)' \
        "$root/usr/share/metainfo/$id.metainfo.xml")" = "$id" ] || fail "metainfo id differs"
}

# What a file manager does on a double-click, asked of GIO (the library behind GNOME's and
# other desktops' file managers) on an install that sees nothing else: no other programs,
# no user choices.
check_opens() {
    need gio libglib2.0-bin
    need update-desktop-database desktop-file-utils
    need update-mime-database shared-mime-info
    local build=$1 id=$2
    local root="$work/root"
    DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null ||
        fail "cmake --install failed"
    local share="$root/usr/share"
    XDG_DATA_DIRS="$share" update-mime-database "$share/mime" || fail "update-mime-database"
    update-desktop-database -q "$share/applications" || fail "update-desktop-database"
    printf '<?xml version="1.0" ?><project name="Site"><description /><history /></project>' \
        >"$work/site.hvp"
    mkdir -p "$work/config" "$work/data"
    # GIO offers a program only when its Exec= command is on PATH.
    local desktop=(env -i HOME="$work" PATH="$root/usr/bin:/usr/bin:/bin"
        XDG_DATA_DIRS="$share" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
        XDG_CONFIG_DIRS="$work/config")
    local type
    type=$("${desktop[@]}" gio info -a standard::content-type "$work/site.hvp" |
        sed -n 's/^ *standard::content-type: //p')
    [ "$type" = application/x-horavel-project ] || fail "a .hvp file is seen as '$type'"
    local handler
    handler=$("${desktop[@]}" gio mime application/x-horavel-project)
    handler=${handler%%$'\n'*}
    [[ "$handler" == "Default application for "*": $id.desktop" ]] ||
        fail "project files do not open in Horavel: $handler"
}

case "${1:-}" in
    entry) check_entry "$2" ;;
    metainfo) check_metainfo "$2" "$3" ;;
    mime) check_mime "$2" ;;
    install) check_install "$2" "$3" "$4" ;;
    opens) check_opens "$2" "$3" ;;
    *) fail "unknown check '${1:-}'" ;;
esac
echo "ok: $1"
