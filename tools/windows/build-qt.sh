#!/usr/bin/env bash
# Builds Qt's base module for 64-bit Windows from Debian's own source package, once, into a cache folder
# outside the tree, and prints the folder (the Qt prefix) on its last line. A later call with the same Qt
# version and the same configure line finds the folder and builds nothing.
#
# The version is the host's Qt: a cross-built Qt runs the host's moc, rcc and uic, so both must agree.
#
# VESTREL_WINDOWS_CACHE: where the built Qt is kept (default ~/.cache/vestrel-windows).
set -euo pipefail
# shellcheck source=tools/lib/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/../lib/common.sh"

# The whole script is one function, read before any of it runs: a script edited while it builds (a long
# while) would otherwise go on with a mix of the two.
main() {
    "$VESTREL_ROOT/tools/install-deps.sh" --windows >&2

    toolchain=$VESTREL_ROOT/tools/windows/mingw-w64.cmake
    cache=${VESTREL_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vestrel-windows}
    host_version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
    qt_version=${host_version%%+*}

    # Only what the program and its tests use is built: each module or feature left out here is minutes of the
    # build on a machine without the cache. direct2d stays on: without it the Windows platform plugin does not
    # link (it needs the DirectWrite font database); only its 1.1 part goes. Debian's source has no wintab
    # headers, hence no tablet events. The bundled third-party libraries are used, as none is built for Windows.
    configure=(
        -DCMAKE_BUILD_TYPE=Release
        -DQT_HOST_PATH=/usr
        -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
        -DQT_QMAKE_TARGET_MKSPEC=win32-g++
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
        -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_concurrent=OFF
        -DFEATURE_xml=OFF -DFEATURE_printsupport=OFF
        -DINPUT_opengl=no -DFEATURE_opengl=OFF -DFEATURE_vulkan=OFF
        -DFEATURE_qmake=OFF -DFEATURE_jpeg=OFF -DFEATURE_tabletevent=OFF
        -DFEATURE_direct2d1_1=OFF
        -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_pcre2=OFF
        -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_doubleconversion=OFF
    )
    # Debian's patches that are fixes of Qt itself; the rest adapt Qt to Debian (one turns on Android tooling in
    # cross builds) and are not wanted here.
    wanted_patches='^(cve-|CVE-|upstream_)'

    # What makes one Qt differ from another: its version, its configure line, its patches and the compiler.
    compiler=$(x86_64-w64-mingw32-g++-posix -dumpfullversion)
    key=$(printf '%s\n' "$qt_version" "${configure[@]}" "$wanted_patches" "$compiler" | sha256sum | cut -c1-12)
    prefix=$cache/qt-$qt_version-win64-$key
    if [[ -f $prefix/.complete ]]; then
        echo "build-qt: Qt $qt_version for Windows is in $prefix" >&2
        printf '%s\n' "$prefix"
        exit 0
    fi

    as_root=()
    ((EUID == 0)) || as_root=(sudo)
    # apt-get source needs a deb-src entry; Debian's image lists only binary packages. The entry is the first
    # stanza of the image's own list, with the source type.
    # shellcheck disable=SC2016 # the field is apt's to expand, not the shell's
    if ! apt-get indextargets --format '$(CREATED_BY)' 2>/dev/null | grep -qx Sources; then
        echo "build-qt: adding a deb-src entry for apt-get source" >&2
        awk 'BEGIN {RS = ""; ORS = "\n"} NR == 1 {sub(/Types: deb/, "Types: deb-src"); print; exit}' \
            /etc/apt/sources.list.d/debian.sources |
            "${as_root[@]}" tee /etc/apt/sources.list.d/vestrel-deb-src.sources >/dev/null
        "${as_root[@]}" apt-get -o DPkg::Lock::Timeout=600 update </dev/null >&2
    fi

    mkdir -p "$cache"
    work=$(mktemp -d "$cache/qt-build.XXXXXX")
    trap 'rm -rf "$work"' EXIT
    cd "$work"
    echo "build-qt: fetching Debian's qt6-base $host_version source" >&2
    apt-get source --download-only "qt6-base=$host_version" </dev/null >&2
    dpkg-source --skip-patches -x qt6-base_*.dsc source >&2
    cd source
    while read -r patch; do
        [[ -n $patch && $patch != \#* ]] || continue
        if [[ $(basename "$patch") =~ $wanted_patches ]]; then
            echo "build-qt: applying $patch" >&2
            patch -p1 --forward --quiet <"debian/patches/$patch" >&2
        fi
    done <debian/patches/series

    echo "build-qt: configuring and building Qt $qt_version for Windows (a quarter of an hour on two cores)" >&2
    cmake -S . -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_INSTALL_PREFIX="$prefix.partial" "${configure[@]}" >&2
    cmake --build "$work/build" --parallel "$(nproc)" >&2
    rm -rf "$prefix.partial"
    cmake --install "$work/build" >&2
    find "$prefix.partial" -name '*.dll' -exec x86_64-w64-mingw32-strip --strip-unneeded {} + >&2
    rm -rf "$prefix"
    mv "$prefix.partial" "$prefix"
    touch "$prefix/.complete"
    echo "build-qt: Qt $qt_version for Windows is in $prefix" >&2
    printf '%s\n' "$prefix"
}

main "$@"
exit
