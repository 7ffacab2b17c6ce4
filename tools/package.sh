#!/usr/bin/env bash
# Builds the Debian package of Vestrel: a Release build installed under /usr, packed by CPack.
# Prints the path of the .deb; install it with `sudo apt install ./vestrel_*.deb`.
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
# The prefix is written into the menu entry, so it must be the one the package installs under.
cmake -S "$VESTREL_ROOT" -B "$dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DVESTREL_BUILD_TESTS=OFF -DVESTREL_SANITIZE=OFF
cmake --build "$dir"
rm -f "$dir"/vestrel_*.deb
(cd "$dir" && cpack -G DEB)
deb=$(find "$dir" -maxdepth 1 -name 'vestrel_*.deb' -print -quit)
[[ -n $deb ]] || { echo "package: cpack made no .deb" >&2; exit 1; }
echo "Package: $deb"
