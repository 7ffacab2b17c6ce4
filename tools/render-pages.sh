#!/usr/bin/env bash
# Renders the three pages of the main window to docs/page1.png, docs/page2.png and docs/page3.png, each
# a picture of the window with its frame, taken under a fresh virtual display (Xvfb 1024x768x24 with
# openbox) whatever display the caller has.
#
# The program starts on the third page with the focus in the first path edit, inside the page control,
# so Ctrl+Tab goes on to the first page and then to the second.
#
# BUILD_DIR: the build directory (default build, relative to the repository root); the program is built
# there first when it is out of date.
set -euo pipefail
# shellcheck source=tools/lib/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"

"$VESTREL_ROOT/tools/install-deps.sh"

build=$(build_dir)
configure_build "$build"
cmake --build "$build" --target vestrel

docs=$VESTREL_ROOT/docs
mkdir -p "$docs" "$build/run"
cd "$build/run"

trap stop_program_and_display EXIT

start_virtual_display 1024x768x24
log=$build/render-pages.log
"$build/vestrel" >"$log" 2>&1 &
APP_PID=$!
if ! window=$(wait_for_window "$APP_PID" 30); then
    echo "The window \"$VESTREL_TITLE\" did not appear; program output ($log):" >&2
    cat "$log" >&2
    exit 1
fi
xdotool windowactivate --sync "$window" >/dev/null 2>&1 || true
sleep 1

shoot_window "$window" "$docs/page3.png"
xdotool key --clearmodifiers ctrl+Tab
sleep 0.5
shoot_window "$window" "$docs/page1.png"
xdotool key --clearmodifiers ctrl+Tab
sleep 0.5
shoot_window "$window" "$docs/page2.png"

if ! close_window "$window" "$APP_PID" 10; then
    echo "warning: the program did not close on Alt+F4 and was killed" >&2
fi
wait "$APP_PID" 2>/dev/null || true
APP_PID=

# A key that did not reach the page control would leave two pictures of the same page.
for pair in "page3 page1" "page1 page2" "page2 page3"; do
    read -r a b <<<"$pair"
    differing=$(compare -metric AE "$docs/$a.png" "$docs/$b.png" null: 2>&1 >/dev/null || true)
    if [[ $differing == 0 ]]; then
        echo "FAILED: $a.png and $b.png are the same picture: the page did not change." >&2
        exit 1
    fi
done
for n in 1 2 3; do
    echo "docs/page$n.png: $(identify -format '%wx%h' "$docs/page$n.png")"
done
