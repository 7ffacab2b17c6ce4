#!/usr/bin/env bash
# Builds Vestrel for 64-bit Windows with mingw-w64, against the Qt that tools/windows/build-qt.sh builds
# (once) for Windows; the Linux build is untouched. With --test, also runs the tests under wine
# (tools/windows/test.sh).
#
# WINDOWS_BUILD_DIR: the build directory (default build-win64, relative to the repository root).
# Other arguments are passed to CMake's configure step.
set -euo pipefail
# shellcheck source=tools/lib/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/../lib/common.sh"

run_tests=0
cmake_args=()
for arg in "$@"; do
    case $arg in
    --test) run_tests=1 ;;
    *) cmake_args+=("$arg") ;;
    esac
done

qt=$("$VESTREL_ROOT/tools/windows/build-qt.sh" | tail -n 1)
dir=$(BUILD_DIR=${WINDOWS_BUILD_DIR:-build-win64} build_dir)

# The host's Qt tools (moc, rcc, lrelease) do the generating; the cross-built Qt is what is linked.
# The Linux build's vestrel-compare, when there is one, is what the Windows one's lines are compared with.
linux_compare=$(build_dir)/vestrel-compare
[[ -x $linux_compare ]] || linux_compare=
configure_build "$dir" -DVESTREL_LINUX_COMPARE="$linux_compare" -DCMAKE_TOOLCHAIN_FILE="$VESTREL_ROOT/tools/windows/mingw-w64.cmake" \
    -DCMAKE_PREFIX_PATH="$qt" -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DVESTREL_BUILD_TESTS=ON -DVESTREL_WERROR=ON "${cmake_args[@]}"
if ! cmake --build "$dir"; then
    echo "windows/build.sh: the Windows build in $dir failed (see the compiler's first message above)." >&2
    exit 1
fi
echo "windows/build.sh: built in $dir"
if ((run_tests)); then
    exec "$VESTREL_ROOT/tools/windows/test.sh" "$dir" "$qt"
fi
