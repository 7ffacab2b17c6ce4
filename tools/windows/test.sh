#!/usr/bin/env bash
# Runs the Windows build's tests under wine: tools/windows/test.sh BUILD-DIR QT-PREFIX [CTEST-ARGS...] (tools/windows/build.sh
# --test calls it so). Each test is a .exe run through wine64 (the toolchain's emulator), in a wine
# prefix made for this run.
set -euo pipefail
# shellcheck source=tools/lib/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/../lib/common.sh"
# shellcheck source=tools/windows/wine.sh
source "$VESTREL_ROOT/tools/windows/wine.sh"

dir=$1 qt=$2
shift 2
start_wine "$dir" "$qt"
trap stop_wine EXIT
if ! ctest --test-dir "$dir" --output-on-failure -j2 --no-tests=error "$@"; then
    echo "windows/test.sh: tests failed under wine in $dir (listed above); run one again with:" \
        "tools/windows/test.sh $dir $qt -R NAME" >&2
    exit 1
fi
echo "windows/test.sh: all tests passed under wine."
