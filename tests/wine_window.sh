#!/usr/bin/env bash
# The Windows build's window under wine, on a virtual X display with a window manager, as a user sees it:
# it opens with its title at its fixed size on the third page, and its picture is saved (Opreste drawn
# disabled is for the reader of the picture to see); a click on "Lanseaza 1..." of the first page starts
# prog\P1.EXE.
#   wine_window.sh VESTREL.EXE RUN-DIR PICTURE-DIR
# RUN-DIR holds prog\ (the build's run/); the wine prefix and WINEPATH come from the caller
# (tools/windows/test.sh); the test makes a prefix of its own. Exit 77 (skipped) without the X tools.
set -u
program=$1 run=$2 pictures=$3
# shellcheck source=../tools/lib/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/../tools/lib/common.sh"
wine=${WINE64:-/usr/lib/wine/wine64}

for tool in Xvfb openbox xdotool xprop xwininfo import; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
unset DISPLAY
# shellcheck disable=SC2317 # called by the EXIT trap
stop_all() {
    stop_program_and_display
    wineserver -k >/dev/null 2>&1 || true
}
trap stop_all EXIT
start_virtual_display 1024x768x24 || exit 1
mkdir -p "$pictures"
# A prefix of this test's own, made with the display set: wine's desktop process starts with the first
# program of a prefix, and one that other tests started without a display shows no window.
export WINEPREFIX=$pictures/wineprefix
rm -rf "$WINEPREFIX"
"$wine" wineboot --init </dev/null >/dev/null 2>&1
wineserver -w
mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

cd "$run" || exit 1
"$wine" "$program" >"$pictures/wine-window.log" 2>&1 &
APP_PID=$!
if ! window=$(wait_for_window "$APP_PID" 90); then
    fail "the window did not appear"
    cat "$pictures/wine-window.log"
    exit 1
fi
sleep 2
shoot_window "$window" "$pictures/wine-page3.png"
echo "PASS: the window appeared; its picture is $pictures/wine-page3.png"

# The window's client area is the fixed size it is described with.
size=$(xwininfo -id "$window" | awk '/Width:/ {w = $2} /Height:/ {h = $2} END {print w "x" h}')
[[ $size == 588x473 ]] || fail "the window is $size, not 588x473"

# The first page's tab, then its "Lanseaza 1..." (client coordinates of the window's fixed layout): the
# shell starts prog\P1.EXE, a console program that waits for its input.
xdotool mousemove --window "$window" 45 60 click 1
sleep 1
shoot_window "$window" "$pictures/wine-page1.png"
xdotool mousemove --window "$window" 510 135 click 1
started=
for ((i = 0; i < 100; i++)); do
    started=$(pgrep -f 'prog.P1\.EXE' || true)
    [[ -z $started ]] || break
    sleep 0.1
done
if [[ -n $started ]]; then
    echo "PASS: Lanseaza 1... started prog\\P1.EXE"
    xargs kill <<<"$started" 2>/dev/null || true
else
    fail "Lanseaza 1... started no prog\\P1.EXE"
fi

exit $((failures > 0))
