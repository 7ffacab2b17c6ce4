#!/usr/bin/env bash
# Builds the two Debian packages of Vestrel from one Release build installed under /usr, packed by CPack:
# vestrel (the window, its exercise programs and menu entry) and vestrel-compare (the comparison for
# scripts). Prints the path of each .deb; install them with `sudo apt install ./vestrel_*.deb
# ./vestrel-compare_*.deb`, or the second alone.
#
# PACKAGE_DIR: the build directory (default build-package, relative to the repository root).
set -euo pipefail
# shellcheck source=tools/lib/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"

"$VESTREL_ROOT/tools/install-deps.sh" --package

dir=${PACKAGE_DIR:-build-package}
[[ $dir == /* ]] || dir=$VESTREL_ROOT/$dir
generator=()
[[ -f $dir/CMakeCache.txt ]] || generator=(-G Ninja)
# The prefix is written into the menu entry, so it must be the one the packages install under.
cmake -S "$VESTREL_ROOT" -B "$dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DVESTREL_BUILD_TESTS=OFF -DVESTREL_BUILD_BENCHMARKS=OFF -DVESTREL_SANITIZE=OFF -DVESTREL_HARDEN=ON
cmake --build "$dir"
rm -f "$dir"/vestrel_*.deb "$dir"/vestrel-compare_*.deb
(cd "$dir" && cpack -G DEB)
status=0
for package in vestrel vestrel-compare; do
    deb=$(find "$dir" -maxdepth 1 -name "${package}_*.deb" -print -quit)
    if [[ -n $deb ]]; then
        echo "Package: $deb"
    else
        echo "package: cpack made no .deb for $package" >&2
        status=1
    fi
done
exit "$status"
