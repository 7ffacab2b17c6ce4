# Shared by the Windows scripts: a wine prefix of the build's own, made fresh, with its server started
# apart from the caller's output, and the DLLs that the programs need on wine's search path. Source it.
# shellcheck shell=bash

WINE64=/usr/lib/wine/wine64

# windows_path PATH: the Windows form of a Linux path, through the Z: drive that wine maps to /.
windows_path() {
    local path
    path=$(realpath -m "$1")
    printf 'Z:%s\n' "${path//\//\\}"
}

# start_wine DIR QT: makes a new wine prefix in DIR/wineprefix (a prefix is made in seconds, and one left
# from an earlier run may hold its settings) with the program's fonts, and exports what the programs need.
start_wine() {
    local dir qt=$2 runtime pthread
    dir=$(realpath -m "$1") # wine takes only an absolute prefix
    export WINEPREFIX=$dir/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
    rm -rf "$WINEPREFIX"
    # The prefix is made by a first start, and is ready once the server that start used has ended. Then a
    # server of the run's own is started apart: ctest would wait for one that held a test's output open.
    "$WINE64" wineboot --init </dev/null >/dev/null 2>&1
    wineserver -w
    setsid wineserver -p </dev/null >/dev/null 2>&1
    # The first program of a session also starts wine's services (winedevice and others), which stay with
    # the server and keep the descriptors they were given: started here, they hold no test's output.
    setsid "$WINE64" cmd /c exit </dev/null >/dev/null 2>&1 || true
    # Wine's own fonts become the system's, where the windows platform looks for them, and with them the
    # stand-ins the Linux build takes for the faces wine lacks (Arial, Verdana, Courier New, Impact). The
    # offscreen platform reads the same folder (QT_QPA_FONTDIR in the tests' environment).
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    cp /usr/share/wine/fonts/*.ttf /usr/share/fonts/truetype/dejavu/*.ttf \
        /usr/share/fonts/truetype/liberation2/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
    pthread=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")
    WINEPATH="$(windows_path "$qt/bin");$(windows_path "$runtime");$(windows_path "$pthread")"
    export WINEPATH
}

stop_wine() {
    [[ -z ${WINEPREFIX:-} ]] || wineserver -k >/dev/null 2>&1 || true
}
