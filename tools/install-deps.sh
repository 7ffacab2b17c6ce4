#!/usr/bin/env bash
# Installs the Debian packages that building, testing and showing Vestrel need, and only those missing.
# When every package is present it does not call apt-get at all, so it is cheap to run before each build.
#
# This list is the one place that names the project's packages; run.sh, test.sh, check.sh and
# render-pages.sh all call this script, and package.sh calls it with --package for what building the .deb
# needs as well, and tools/windows/*.sh call it with --windows for the cross-build and wine.
set -euo pipefail

packages=(
    cmake ninja-build g++              # the build
    qt6-base-dev qt6-qpa-plugins       # Qt 6 Widgets and its platform plugins (xcb, offscreen)
    qt6-l10n-tools                     # lrelease, which compiles the toolkit's Romanian translation
    fonts-liberation2 fonts-dejavu-core fonts-dejavu-extra # the window's stand-in faces
    xvfb xauth openbox                 # a virtual display with a window manager
    xdotool imagemagick x11-utils      # driving the window and taking its picture
    xclip                              # the clipboard and selection in the paste test
    desktop-file-utils appstream       # validating the installed menu entry and AppStream description
    git clang-format-14 shellcheck     # the gates (tools/check.sh): tracked files, their format, the scripts
)
for option in "$@"; do
    case $option in
    --package)
        packages+=(dpkg-dev file)      # cpack -G DEB: the library dependencies (dpkg-shlibdeps) of ELF files
        ;;
    --windows)
        # The posix threading model: with the win32 one std::mutex is missing and Qt 6 does not build.
        packages+=(g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64)
        packages+=(wine wine64 fonts-wine) # running the Windows build and its tests
        packages+=(dpkg-dev xz-utils)      # apt-get source: unpacking Qt's source package
        packages+=(nsis zip)               # the installer and the zip
        ;;
    *)
        echo "install-deps: unknown option $option (known: --package, --windows)" >&2
        exit 2
        ;;
    esac
done

# One dpkg-query for the whole list keeps the common case (nothing missing) cheap. It names only the
# packages it knows, and fails when one is unknown: both are answered by the loop below.
declare -A installed=()
while read -r package status; do
    [[ $status != installed ]] || installed[$package]=1
done < <(dpkg-query -W -f='${Package} ${db:Status-Status}\n' "${packages[@]}" 2>/dev/null || true)
missing=()
for package in "${packages[@]}"; do
    [[ -n ${installed[$package]:-} ]] || missing+=("$package")
done

if ((${#missing[@]} == 0)); then
    echo "install-deps: all ${#packages[@]} packages are installed"
    exit 0
fi

echo "install-deps: installing ${missing[*]}"
as_root=()
if ((EUID != 0)); then
    if ! command -v sudo >/dev/null 2>&1; then
        echo "install-deps: not root and no sudo: install these packages by hand: ${missing[*]}" >&2
        exit 1
    fi
    as_root=(sudo)
fi
# env passes the setting through sudo, which would otherwise drop it. On a machine that has just started,
# another apt may hold the lock for a while: wait for it rather than fail.
apt=("${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600)
"${apt[@]}" update </dev/null
"${apt[@]}" install -y --no-install-recommends "${missing[@]}" </dev/null
