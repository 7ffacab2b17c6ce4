#!/usr/bin/env bash
# Makes the Windows packages: a zip of the program's folder (Vestrel\ with Vestrel.exe, vestrel-compare.exe,
# prog\ and the DLLs), and an installer made with NSIS. A Release build of its own, without tests; prints
# the path of each package. With --test, the installer is then tried under wine (tests/wine_install.sh):
# installed, installed again over an edited data file, and uninstalled.
#
# WINDOWS_PACKAGE_DIR: the build directory (default build-win64-package, relative to the repository root).
set -euo pipefail
# shellcheck source=tools/lib/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/../lib/common.sh"
# shellcheck source=tools/windows/wine.sh
source "$VESTREL_ROOT/tools/windows/wine.sh"

test_installer=false
case ${1:-} in
--test) test_installer=true ;;
'') ;;
*)
    echo "usage: tools/windows/package.sh [--test]" >&2
    exit 2
    ;;
esac

qt=$("$VESTREL_ROOT/tools/windows/build-qt.sh" | tail -n 1)
dir=$(BUILD_DIR=${WINDOWS_PACKAGE_DIR:-build-win64-package} build_dir)
configure_build "$dir" -DCMAKE_TOOLCHAIN_FILE="$VESTREL_ROOT/tools/windows/mingw-w64.cmake" \
    -DCMAKE_PREFIX_PATH="$qt" -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_BUILD_TYPE=Release -DVESTREL_BUILD_TESTS=OFF -DVESTREL_BUILD_BENCHMARKS=OFF
cmake --build "$dir"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$dir/CMakeCache.txt")
stage=$dir/stage/Vestrel
rm -rf "$dir/stage"
cmake --install "$dir" --prefix "$stage" --strip >/dev/null

zip=$dir/Vestrel-$version-win64.zip
rm -f "$zip"
(cd "$dir/stage" && zip -q -r -9 -X "$zip" Vestrel)
echo "Package: $zip"

setup=$dir/Vestrel-$version-win64-setup.exe
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DOUTFILE="$setup" \
    "$VESTREL_ROOT/packaging/windows/vestrel.nsi" >&2
echo "Package: $setup"

if $test_installer; then
    bash "$VESTREL_ROOT/tests/wine_install.sh" "$setup" "$dir/install-test"
fi
