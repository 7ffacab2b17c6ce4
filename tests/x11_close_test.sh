#!/usr/bin/env bash
# The window closes as a user closes it on a real X display: Alt+F4 through the window manager, and the
# "&Iesire" button by its accelerator Alt+I. Each time the program ends with exit status 0.
#   x11_close_test.sh PATH-TO-VESTREL
set -u
program=$1
# shellcheck source=../tools/lib/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/../tools/lib/common.sh"

for tool in Xvfb openbox xdotool xprop xwininfo; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
unset DISPLAY
trap stop_virtual_display EXIT
start_virtual_display 1024x768x24 || exit 1

failures=0
# close_with KEYS: starts the program, presses KEYS in its window and expects it to end with status 0.
close_with() {
    local keys=$1 pid window status i
    "$program" >/dev/null 2>&1 &
    pid=$!
    if ! window=$(wait_for_window "$pid" 30); then
        echo "FAIL ($keys): the window did not appear"
        kill "$pid" 2>/dev/null
        failures=$((failures + 1))
        return
    fi
    # On a loaded machine a key can arrive before the window manager has given the window the focus:
    # the keys are pressed again, up to three times, while the program still runs.
    local attempt
    for ((attempt = 0; attempt < 3; attempt++)); do
        sleep 0.5
        xdotool windowactivate --sync "$window" >/dev/null 2>&1 || true
        xdotool key --clearmodifiers "$keys"
        for ((i = 0; i < 50; i++)); do
            kill -0 "$pid" 2>/dev/null || break 2
            sleep 0.1
        done
    done
    if kill -0 "$pid" 2>/dev/null; then
        echo "FAIL ($keys): the program is still running"
        kill "$pid"
        failures=$((failures + 1))
        return
    fi
    status=0
    wait "$pid" || status=$?
    if [[ $status -ne 0 ]]; then
        echo "FAIL ($keys): exit status $status"
        failures=$((failures + 1))
        return
    fi
    echo "PASS ($keys): closed, exit status 0"
}

cd "$(mktemp -d)" || exit 1
close_with alt+F4
close_with alt+i
exit $((failures > 0))
