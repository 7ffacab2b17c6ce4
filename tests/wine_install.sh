#!/usr/bin/env bash
# The Windows installer under wine, as a user meets it: a silent install into a fresh prefix puts the
# program's folder, its Start-menu shortcut and its uninstall entry in place; the installed programs start
# with nothing but the folder (no DLL search path of the build's); installing again over an edited data
# file keeps the user's bytes; uninstalling removes what the installer put there and keeps that data file.
#
#   tests/wine_install.sh SETUP.EXE WORK_DIR
#
# Exit status 0 when every check holds, 1 when one fails, 77 when wine is missing.
set -euo pipefail
# shellcheck source=tools/windows/wine.sh
source "$(dirname "${BASH_SOURCE[0]}")/../tools/windows/wine.sh"

setup=$(realpath "$1")
work=$(realpath -m "$2")
[[ -x $WINE64 ]] || {
    echo "wine_install: no wine64 here" >&2
    exit 77
}
mkdir -p "$work"
start_wine "$work" /nonexistent
unset WINEPATH # the installed folder must carry every DLL its programs need
trap stop_wine EXIT

failed=0
check() {
    local what=$1
    shift
    if "$@"; then
        echo "ok: $what"
    else
        echo "FAILED: $what" >&2
        failed=1
    fi
}

uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vestrel'
has_entry() { "$WINE64" reg query "$uninstall_key" </dev/null >/dev/null 2>&1; }

user_dir=$WINEPREFIX/drive_c/users/${USER:-$(id -un)}
dest=$user_dir/AppData/Local/Programs/Vestrel
shortcut="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Vestrel.lnk"

# The installer is the program wine waits for; it returns when it is done.
"$WINE64" "$setup" /S </dev/null >/dev/null 2>&1
for f in Vestrel.exe vestrel-compare.exe uninstall.exe Qt6Core.dll Qt6Widgets.dll platforms/qwindows.dll \
    prog/P1.EXE prog/P2.EXE prog/P3.EXE prog/LAB2.EXE prog/data.txt prog/numar.txt; do
    check "installed $f" test -f "$dest/$f"
done
check "the Start-menu shortcut" test -f "$shortcut"
check "the uninstall entry" has_entry

# The installed comparison runs from its folder alone and compares a tree of the Linux side.
version=$(cd "$dest" && "$WINE64" ./vestrel-compare.exe --version </dev/null 2>/dev/null | tr -d '\r')
check "the installed vestrel-compare starts ($version)" test -n "$version"
tree=$work/tree
rm -rf "$tree"
mkdir -p "$tree/one" "$tree/two"
printf 'same' >"$tree/one/a"
printf 'same' >"$tree/two/b"
lines=$(cd "$dest" && "$WINE64" ./vestrel-compare.exe --by contents "$(windows_path "$tree/one")" \
    "$(windows_path "$tree/two")" </dev/null 2>/dev/null)
check "the installed vestrel-compare compares" test "$lines" = $'[by contents]    \ta  =  b'

# Installing again: the program's files are renewed, the data file the user edited stays as it is.
printf '7 1 2 3 4 5 6 7\n' >"$dest/prog/data.txt"
echo 'stale' >"$dest/prog/numar.txt"
"$WINE64" "$setup" /S </dev/null >/dev/null 2>&1
check "reinstalling keeps the edited data file" test "$(cat "$dest/prog/data.txt")" = '7 1 2 3 4 5 6 7'
check "reinstalling renews the program's files" test "$(cat "$dest/prog/numar.txt")" != 'stale'

# Uninstalling: the uninstaller starts a copy of itself and returns at once; the copy removes the entry
# last, so the run is over when the entry is gone.
"$WINE64" "$dest/uninstall.exe" /S </dev/null >/dev/null 2>&1
for ((waited = 0; waited < 120; waited++)); do
    has_entry || break
    sleep 1
done
sleep 2 # the copy's own end, after its last step
for f in Vestrel.exe vestrel-compare.exe uninstall.exe Qt6Core.dll platforms prog/P1.EXE prog/numar.txt; do
    check "uninstalled $f" test ! -e "$dest/$f"
done
check "uninstalling keeps the data file" test "$(cat "$dest/prog/data.txt")" = '7 1 2 3 4 5 6 7'
check "the shortcut is gone" test ! -e "$shortcut"
gone=yes
if has_entry; then gone=no; fi
check "the uninstall entry is gone" test "$gone" = yes
exit "$failed"
