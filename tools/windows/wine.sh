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
    keep_wine_session "$dir"
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

# keep_wine_session DIR: wine's services (winedevice, plugplay and others) and its desktop (explorer) are
# started by the first program that needs them, keep the output descriptors that program had, and end
# once no program of the prefix runs. Between two tests they would end, and the next test would start
# them again holding its output open, so that ctest waited on it until that test's time-out, however soon
# the test itself had ended. A program of the run's own therefore runs from here to stop_wine, started
# apart with no output: a command prompt that reads its commands from a pipe this shell holds, and ends
# when the pipe closes, however this shell ends. It has answered a first command once the services run.
keep_wine_session() {
    local dir=$1 fifo ready waited
    fifo=$dir/wine-session.fifo ready=$dir/wine-session.ready
    rm -f "$fifo" "$ready"
    mkfifo "$fifo"
    setsid "$WINE64" cmd <"$fifo" >/dev/null 2>&1 &
    disown # a caller's plain `wait` is not for this one
    exec {WINE_SESSION_FD}>"$fifo"
    rm -f "$fifo"
    echo "echo ready>$(windows_path "$ready")" >&"$WINE_SESSION_FD"
    for ((waited = 0; waited < 600; waited++)); do
        [[ -e $ready ]] && return 0
        sleep 0.1
    done
    echo "wine.sh: wine's session did not start within 60 s" >&2
    return 1
}

stop_wine() {
    if [[ -n ${WINE_SESSION_FD:-} ]]; then
        exec {WINE_SESSION_FD}>&-
        WINE_SESSION_FD=
    fi
    [[ -z ${WINEPREFIX:-} ]] || wineserver -k >/dev/null 2>&1 || true
}
