#!/usr/bin/env bash
# Builds Vestrel and starts it.
#
# With a display the program runs in the foreground until its window is closed. Without one (DISPLAY
# empty, or nothing answers on it) the script starts a virtual display (Xvfb with openbox), starts the
# program there, waits for its window, saves a picture of the screen to $BUILD_DIR/startup.png, closes
# the program and reports. Exit status 0 means the window came up.
#
# BUILD_DIR: the build directory (default build, relative to the repository root).
set -euo pipefail
# shellcheck source=tools/lib/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"

"$VESTREL_ROOT/tools/install-deps.sh"

build=$(build_dir)
configure_build "$build"
cmake --build "$build" --target vestrel exercise_programs

# The program looks for its exercise programs (built into run/prog/ with a sample data file) in prog/
# under its working directory.
mkdir -p "$build/run"
cd "$build/run"

if have_display; then
    exec "$build/vestrel"
fi

if [[ -z ${DISPLAY:-} ]]; then
    echo "There is no display (DISPLAY is not set)."
else
    echo "There is no display: nothing answers on DISPLAY=$DISPLAY."
fi
echo "Starting a virtual display (Xvfb) to show that the program starts; it will be closed again."

trap stop_program_and_display EXIT

start_virtual_display 1024x768x24
echo "Virtual display: $DISPLAY"

log=$build/startup.log
picture=$build/startup.png
rm -f "$picture"
"$build/vestrel" >"$log" 2>&1 &
APP_PID=$!

if ! window=$(wait_for_window "$APP_PID" 30); then
    if kill -0 "$APP_PID" 2>/dev/null; then
        echo "FAILED: the window \"$VESTREL_TITLE\" did not appear within 30 s." >&2
    else
        status=0
        wait "$APP_PID" || status=$?
        APP_PID=
        echo "FAILED: the program ended (exit status $status) before its window appeared." >&2
    fi
    echo "Program output ($log):" >&2
    cat "$log" >&2
    exit 1
fi

# Let the first paint finish before taking the picture.
sleep 1
import -window root "$picture"

status=0
if close_window "$window" "$APP_PID" 10; then
    wait "$APP_PID" || status=$?
    APP_PID=
    closed="closed with Alt+F4 (exit status $status)"
else
    wait "$APP_PID" 2>/dev/null || true
    APP_PID=
    closed="did not close on Alt+F4 within 10 s and was killed"
fi

echo "The program started: its window \"$VESTREL_TITLE\" was mapped on $DISPLAY."
echo "Screenshot: $picture"
echo "The program $closed; its output is in $log."
