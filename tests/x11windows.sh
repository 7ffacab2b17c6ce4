#!/usr/bin/env bash
# x11windows.sh HELPER: runs the window tests of HELPER (a Qt Test program) on a virtual X display with
# the openbox window manager, where frames, title bars, window icons and real mouse clicks exist. Exit
# status 77 (skipped) when a tool is missing.
set -uo pipefail
# shellcheck source=tools/lib/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/../tools/lib/common.sh"

helper=$1
shift
for tool in Xvfb openbox xdotool xprop; do
    if ! command -v "$tool" >/dev/null; then
        echo "skipped: $tool is missing (tools/install-deps.sh installs it)"
        exit 77
    fi
done

trap stop_virtual_display EXIT
unset DISPLAY
start_virtual_display 1024x768x24 || exit 1
work=$(mktemp -d "${TMPDIR:-/tmp}/vestrel-x11windows.XXXXXX")
cd "$work" || exit 1
QT_QPA_PLATFORM=xcb "$helper" "$@"
status=$?
cd / && rm -rf "$work"
exit $status
