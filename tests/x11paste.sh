#!/usr/bin/env bash
# x11paste.sh HELPER: on a virtual X display, with text in both the clipboard and the primary selection,
# presses Ctrl+V and Shift+Insert and clicks the middle button in the bounds edit and in the memo, and
# checks that none of it got in, while typed digits did. A plain edit, given the same keys and clicks,
# must receive the texts: that shows the paste really was on offer. Exit status 77 (skipped) when a
# tool is missing.
set -uo pipefail
# shellcheck source=tools/lib/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/../tools/lib/common.sh"

helper=$1
for tool in Xvfb openbox xdotool xclip xprop; do
    if ! command -v "$tool" >/dev/null; then
        echo "skipped: $tool is missing (tools/install-deps.sh installs it)"
        exit 77
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/vestrel-x11paste.XXXXXX")
pids=()
# shellcheck disable=SC2317 # called by the EXIT trap
cleanup() {
    local pid
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    stop_virtual_display
    rm -rf "$work"
}
trap cleanup EXIT

start_virtual_display 1024x768x24 || exit 1
mkdir -p "$work/prog"
printf '1 2\r\n' >"$work/prog/data.txt"

mkfifo "$work/in" "$work/out"
QT_QPA_PLATFORM=xcb "$helper" "$work" <"$work/in" >"$work/out" 2>"$work/helper.log" &
pids+=($!)
exec 3>"$work/in" 4<"$work/out"

if ! read -r -t 30 ready ax ay mx my px py <&4 || [[ $ready != READY ]]; then
    echo "FAIL: the window did not come up; helper output:"
    cat "$work/helper.log"
    exit 1
fi

printf 777 | xclip -quiet -selection clipboard >/dev/null 2>&1 &
pids+=($!)
printf 888 | xclip -quiet -selection primary >/dev/null 2>&1 &
pids+=($!)
sleep 0.5

# try_paste X Y: focuses what is at X,Y and tries every way of pasting there.
try_paste() {
    xdotool mousemove --sync "$1" "$2" click 1
    sleep 0.2
    xdotool key ctrl+End key ctrl+v key shift+Insert
    sleep 0.2
    xdotool click 2
    sleep 0.2
}
try_paste "$ax" "$ay"
xdotool key Return type 3
try_paste "$mx" "$my"
xdotool key Return type 4
try_paste "$px" "$py"
sleep 0.5

# A helper that died must not end the script silently on a broken pipe.
trap '' PIPE
echo report >&3
aline="" mline="" pline=""
read -r -t 10 aline <&4
read -r -t 10 mline <&4
read -r -t 10 pline <&4
status=0
expect() {
    if [[ $2 != "$3" ]]; then
        echo "FAIL: $1: got '$2', expected '$3'"
        status=1
    else
        echo "ok   $1: '$2'"
    fi
}
expect "bounds edit (typed 3 gets in, nothing pasted)" "$aline" "aEdit=23"
expect "memo (typed 4 gets in, nothing pasted, no new line)" "$mline" 'fMemo=1 2\n4'
if [[ $pline == *777* && $pline == *888* ]]; then
    echo "ok   plain edit received both pastes: '$pline'"
else
    echo "FAIL: the plain edit did not receive the pastes ('$pline'): the test could not offer them"
    status=1
fi
if ((status != 0)); then
    echo "helper output:"
    cat "$work/helper.log"
fi
exit $status
