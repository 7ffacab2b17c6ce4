# Shared by the scripts in tools/: the repository's paths, the build, and a virtual display with a window
# manager on which the program's window can be driven and photographed. Source it; it defines functions
# and variables only.
# shellcheck shell=bash

VESTREL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
VESTREL_TITLE='Lucrari de laborator - realizat de Tovi'

# BUILD_DIR as an absolute path; a relative one is taken from the repository root.
build_dir() {
    local dir=${BUILD_DIR:-build}
    [[ $dir == /* ]] || dir=$VESTREL_ROOT/$dir
    printf '%s\n' "$dir"
}

# configure_build DIR [CMAKE-ARGS...]: configures DIR with Ninja (a directory configured before keeps
# the generator it has) as RelWithDebInfo.
configure_build() {
    local dir=$1
    shift
    local generator=()
    [[ -f $dir/CMakeCache.txt ]] || generator=(-G Ninja)
    cmake -S "$VESTREL_ROOT" -B "$dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
}

# A display is usable when DISPLAY is set and a client can connect to it.
have_display() {
    [[ -n ${DISPLAY:-} ]] && xdpyinfo >/dev/null 2>&1
}

XVFB_PID=
WM_PID=
XSESSION_DIR=

# start_virtual_display WxHxDEPTH: starts Xvfb on a free display number and openbox on it, and exports
# DISPLAY. Call stop_virtual_display (e.g. from an EXIT trap) to end both.
start_virtual_display() {
    local screen=$1 number="" line i
    XSESSION_DIR=$(mktemp -d "${TMPDIR:-/tmp}/vestrel-x.XXXXXX")
    # Xvfb writes the display number it took to the descriptor once it accepts clients.
    Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$XSESSION_DIR/display" \
        >"$XSESSION_DIR/xvfb.log" 2>&1 &
    XVFB_PID=$!
    for ((i = 0; i < 100; i++)); do
        # read succeeds only on a whole line, so a half-written number is not taken.
        if [[ -f $XSESSION_DIR/display ]] && read -r line <"$XSESSION_DIR/display" && [[ -n $line ]]; then
            number=$line
            break
        fi
        kill -0 "$XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    if [[ -z $number ]]; then
        echo "Xvfb did not start; its output:" >&2
        cat "$XSESSION_DIR/xvfb.log" >&2
        return 1
    fi
    export DISPLAY=:$number
    # Qt warns without a runtime directory; give it a private one.
    if [[ -z ${XDG_RUNTIME_DIR:-} || ! -d ${XDG_RUNTIME_DIR:-} ]]; then
        mkdir -m 700 "$XSESSION_DIR/runtime"
        export XDG_RUNTIME_DIR=$XSESSION_DIR/runtime
    fi

    openbox >"$XSESSION_DIR/openbox.log" 2>&1 &
    WM_PID=$!
    # openbox is managing windows once it has set its check window on the root.
    for ((i = 0; i < 100; i++)); do
        if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
            return 0
        fi
        kill -0 "$WM_PID" 2>/dev/null || break
        sleep 0.1
    done
    echo "openbox did not start on $DISPLAY; its output:" >&2
    cat "$XSESSION_DIR/openbox.log" >&2
    return 1
}

# The program started on the virtual display, if any: stop_program_and_display ends it first.
APP_PID=

# stop_program_and_display: ends the program (when it still runs) and then the virtual display; meant for
# an EXIT trap.
stop_program_and_display() {
    if [[ -n $APP_PID ]] && kill -0 "$APP_PID" 2>/dev/null; then
        kill "$APP_PID" 2>/dev/null || true
        wait "$APP_PID" 2>/dev/null || true
    fi
    APP_PID=
    stop_virtual_display
}

stop_virtual_display() {
    local pid
    for pid in "$WM_PID" "$XVFB_PID"; do
        if [[ -n $pid ]] && kill -0 "$pid" 2>/dev/null; then
            kill "$pid" 2>/dev/null || true
            wait "$pid" 2>/dev/null || true
        fi
    done
    WM_PID="" XVFB_PID=""
    [[ -z $XSESSION_DIR ]] || rm -rf "$XSESSION_DIR"
    XSESSION_DIR=
}

# wait_for_window PID SECONDS: prints the id of the program's main window once it is mapped. Fails when
# the process ends first or the time runs out.
wait_for_window() {
    local pid=$1 seconds=$2 id i
    for ((i = 0; i < seconds * 10; i++)); do
        id=$(xdotool search --onlyvisible --name "^${VESTREL_TITLE}\$" 2>/dev/null | head -n 1) || true
        if [[ -n $id ]]; then
            printf '%s\n' "$id"
            return 0
        fi
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

# frame_geometry ID: prints WxH+X+Y of the window manager's frame around the client window ID (the
# client's own when it has no frame).
frame_geometry() {
    local id=$1 parent root info
    root=$(xwininfo -root | awk '/Window id:/ {print $4}')
    while :; do
        parent=$(xwininfo -children -id "$id" | awk '/Parent window id:/ {print $4}')
        [[ -n $parent && $parent != "$root" ]] || break
        id=$parent
    done
    info=$(xwininfo -id "$id")
    awk '/Absolute upper-left X:/ {x = $4} /Absolute upper-left Y:/ {y = $4}
         /Width:/ {w = $2} /Height:/ {h = $2}
         END {printf "%dx%d+%d+%d\n", w, h, x, y}' <<<"$info"
}

# shoot_window ID FILE: a picture of the window with its frame, as it is on the screen.
shoot_window() {
    local geometry
    geometry=$(frame_geometry "$1")
    import -window root -crop "$geometry" +repage "$2"
}

# close_window ID PID SECONDS: closes the window as a user would (Alt+F4 through the window manager) and
# waits for the process to end; kills it when it has not ended in time. Fails in that case.
close_window() {
    local id=$1 pid=$2 seconds=$3 i
    xdotool windowactivate --sync "$id" >/dev/null 2>&1 || true
    xdotool key --clearmodifiers alt+F4 >/dev/null 2>&1 || true
    for ((i = 0; i < seconds * 10; i++)); do
        kill -0 "$pid" 2>/dev/null || return 0
        sleep 0.1
    done
    kill "$pid" 2>/dev/null || true
    return 1
}
