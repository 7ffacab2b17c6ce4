#!/usr/bin/env bash
# The installation as a desktop user meets it. The build is installed under a temporary DESTDIR; its menu
# entry and AppStream description must validate, and the entry's command, the launcher, is started from an
# empty home directory on a virtual X display, as the menu would start it. The launcher must prepare the
# course folder and start Vestrel there, so that "Lanseaza 1..." finds its program. A second start must
# keep what the user changed in the folder and renew what the installation owns. Each of the two packages'
# components is staged alone as well: they must share no file, hold every installed one between them, and
# the package vestrel-compare nothing but the comparison.
#   install_test.sh CMAKE BUILD-DIR INSTALL-PREFIX
set -u
cmake=$1 build=$2 prefix=$3
here=$(dirname "${BASH_SOURCE[0]}")
# shellcheck source=../tools/lib/common.sh
source "$here/../tools/lib/common.sh"

for tool in desktop-file-validate appstreamcli Xvfb openbox xdotool xprop xwininfo; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

app_id=ro.tovi.Vestrel
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
pass() {
    echo "PASS: $*"
}

scratch=$(mktemp -d "${TMPDIR:-/tmp}/vestrel-install.XXXXXX")
app_pid=
# shellcheck disable=SC2317 # called by the EXIT trap
cleanup() {
    if [[ -n $app_pid ]] && kill -0 "$app_pid" 2>/dev/null; then
        kill "$app_pid" 2>/dev/null
        wait "$app_pid" 2>/dev/null
    fi
    stop_virtual_display
    rm -rf "$scratch"
}
trap cleanup EXIT

stage=$scratch/stage
if ! DESTDIR=$stage "$cmake" --install "$build" >"$scratch/install.log" 2>&1; then
    cat "$scratch/install.log"
    echo "FAIL: cmake --install"
    exit 1
fi
root=$stage$prefix

# --- What lies on disk --------------------------------------------------------------------------------
outside=$(find "$stage" -mindepth 1 \( -type f -o -type l \) ! -path "$root/*")
if [[ -z $outside ]]; then
    pass "everything is installed under the prefix"
else
    fail "installed outside the prefix $prefix: $outside"
fi

for program in bin/vestrel bin/vestrel-compare; do
    [[ -x $root/$program ]] || fail "$program is not installed as a program"
done
if "$root/bin/vestrel-compare" --help >"$scratch/help.txt" 2>&1 && grep -q '^usage: vestrel-compare' "$scratch/help.txt"; then
    pass "the installed vestrel-compare runs"
else
    fail "the installed vestrel-compare --help: $(cat "$scratch/help.txt")"
fi

desktop=$root/share/applications/$app_id.desktop
if desktop-file-validate "$desktop" >"$scratch/dfv.txt" 2>&1 && [[ ! -s $scratch/dfv.txt ]]; then
    pass "desktop-file-validate"
else
    fail "desktop-file-validate: $(cat "$scratch/dfv.txt")"
fi
if appstreamcli validate-tree --no-net "$root" >"$scratch/as.txt" 2>&1 &&
    appstreamcli validate --no-net "$root/share/metainfo/$app_id.metainfo.xml" >>"$scratch/as.txt" 2>&1; then
    pass "appstreamcli validate"
else
    fail "appstreamcli validate: $(cat "$scratch/as.txt")"
fi

# The menu shows the entry with the icon it names, at every size the theme directories promise.
icon=$(sed -n 's/^Icon=//p' "$desktop")
[[ $icon == "$app_id" ]] || fail "the menu entry's icon is \"$icon\", not $app_id"
for size in 16 32 48 64 128 256; do
    png=$root/share/icons/hicolor/${size}x${size}/apps/$icon.png
    if [[ ! -f $png ]]; then
        fail "no ${size}x${size} icon"
        continue
    fi
    # The width and the height are the big-endian words at offsets 16 and 20 of a PNG.
    read -r signature < <(od -An -tx1 -N8 "$png" | tr -d ' ')
    read -r w1 w2 w3 w4 h1 h2 h3 h4 < <(od -An -tu1 -j16 -N8 "$png")
    width=$(((w1 << 24) | (w2 << 16) | (w3 << 8) | w4))
    height=$(((h1 << 24) | (h2 << 16) | (h3 << 8) | h4))
    [[ $signature == 89504e470d0a1a0a && $width == "$size" && $height == "$size" ]] ||
        fail "the ${size}x${size} icon is ${width}x${height} (signature $signature)"
done

# --- The two packages: each component staged alone, as its package holds it -----------------------------
# files_of DIR: the files and links under DIR, relative to the prefix, sorted.
files_of() {
    (cd "$1$prefix" && find . -mindepth 1 \( -type f -o -type l \) -printf '%P\n' | LC_ALL=C sort)
}
for component in vestrel compare; do
    if ! DESTDIR=$scratch/$component "$cmake" --install "$build" --component "$component" \
        >"$scratch/install-$component.log" 2>&1; then
        cat "$scratch/install-$component.log"
        fail "cmake --install --component $component"
    fi
done
files_of "$stage" >"$scratch/all.txt"
files_of "$scratch/vestrel" >"$scratch/vestrel.txt"
files_of "$scratch/compare" >"$scratch/compare.txt"
# dpkg refuses to install two packages that ship the same file, and a file in neither package is lost.
both=$(LC_ALL=C comm -12 "$scratch/vestrel.txt" "$scratch/compare.txt")
[[ -z $both ]] || fail "files in both packages: $both"
neither=$(LC_ALL=C sort -u "$scratch/vestrel.txt" "$scratch/compare.txt" | LC_ALL=C comm -23 "$scratch/all.txt" -)
[[ -z $neither ]] || fail "installed files in neither package: $neither"
# vestrel-compare carries its program, its manual page and what Debian asks of every package, nothing else.
extra=$(grep -Ev '^(bin/vestrel-compare|share/man/man1/vestrel-compare\.1\.gz|share/doc/vestrel-compare/(copyright|changelog\.Debian\.gz)|share/lintian/overrides/vestrel-compare)$' \
    "$scratch/compare.txt")
[[ -z $extra ]] || fail "the package vestrel-compare holds more than the comparison: $extra"
grep -qx bin/vestrel-compare "$scratch/compare.txt" || fail "the package vestrel-compare lacks bin/vestrel-compare"
grep -qx bin/vestrel "$scratch/vestrel.txt" || fail "the package vestrel lacks bin/vestrel"
((failures > 0)) || pass "the two packages share no file and hold every installed one"

# Debian's policy: each package's copyright file, in the machine-readable format, and its changelog,
# compressed, whose newest entry is the source's.
for package in vestrel vestrel-compare; do
    doc=$root/share/doc/$package
    copyright=$doc/copyright
    if [[ ! -f $copyright ]]; then
        fail "no /usr/share/doc/$package/copyright"
    elif ! head -n 1 "$copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
        ! grep -q '^Files: \*$' "$copyright" || ! grep -q '^License: ' "$copyright"; then
        fail "the copyright file of $package is not in the machine-readable format: $(head -n 3 "$copyright")"
    fi
    changelog=$doc/changelog.Debian.gz
    if [[ ! -f $changelog ]]; then
        fail "no /usr/share/doc/$package/changelog.Debian.gz"
    elif ! gzip -t "$changelog" 2>/dev/null; then
        fail "/usr/share/doc/$package/changelog.Debian.gz is not a whole gzip file"
    elif [[ ! $(gzip -dc "$changelog" | head -n 1) =~ ^vestrel\ \([0-9][^\)]*-[0-9]+\)\ [a-z-]+\;\ urgency= ]]; then
        fail "the changelog of $package does not start with an entry of the source vestrel: $(gzip -dc "$changelog" | head -n 1)"
    fi
done

for page in vestrel vestrel-compare; do
    man=$root/share/man/man1/$page.1.gz
    if [[ ! -f $man ]]; then
        fail "no manual page $page(1)"
    elif command -v groff >/dev/null; then
        # -ww: every warning, such as an unknown macro or a broken escape, shows on standard error.
        if ! zcat "$man" | groff -man -ww -z >"$scratch/groff.txt" 2>&1 || [[ -s $scratch/groff.txt ]]; then
            fail "groff finds faults in $page(1): $(cat "$scratch/groff.txt")"
        fi
    fi
done

# --- The menu entry, started as the menu starts it ------------------------------------------------------
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
launcher=$stage$exec_line
if [[ $exec_line != /* || ! -x $launcher ]]; then
    fail "the menu entry's command \"$exec_line\" is not an installed program"
    exit 1
fi

# A terminal emulator that only writes down what it was asked to run.
terminal=$scratch/terminal
cat >"$terminal" <<EOF
#!/bin/sh
printf '%s\n' "\$@" >"$scratch/terminal.args"
EOF
chmod +x "$terminal"

unset DISPLAY
start_virtual_display 1024x768x24 || exit 1

home=$scratch/home
mkdir "$home"
course=$home/.local/share/vestrel

# start_entry [VAR=VALUE...]: starts the launcher from the empty home; sets app_pid and window.
start_entry() {
    window=
    (cd "$scratch" && exec env -u XDG_DATA_HOME HOME="$home" TERMINAL="$terminal" "$@" "$launcher") \
        >"$scratch/app.log" 2>&1 &
    app_pid=$!
    if ! window=$(wait_for_window "$app_pid" 30); then
        fail "the window did not appear; the output: $(cat "$scratch/app.log")"
        return 1
    fi
    sleep 0.5
}

# stop_entry: closes the window as a user does; the program must end with status 0.
stop_entry() {
    local status=0
    if close_window "$window" "$app_pid" 10; then
        wait "$app_pid" || status=$?
        ((status == 0)) || fail "the program ended with status $status"
    else
        fail "the program did not close on Alt+F4"
    fi
    app_pid=
}

# installed_target LINK: where LINK leads, when that is an installed file.
installed_target() {
    local target
    [[ -L $1 ]] || return 1
    target=$(readlink -f -- "$1") || return 1
    [[ $target == "$root"/* && -x $target ]] && printf '%s\n' "$target"
}

if start_entry; then
    for name in P1 P2 P3 LAB2; do
        installed_target "$course/prog/$name.EXE" >/dev/null ||
            fail "prog/$name.EXE in the course folder is not a link to the installed program"
    done
    for name in data.txt numar.txt; do
        cmp -s "$course/prog/$name" "$root/share/vestrel/$name" ||
            fail "prog/$name in the course folder is not a copy of the sample"
        [[ -L $course/prog/$name ]] && fail "prog/$name is a link: the user could not edit their own"
    done
    [[ $(readlink "/proc/$app_pid/cwd") == "$course" ]] ||
        fail "Vestrel runs in $(readlink "/proc/$app_pid/cwd"), not in the course folder $course"
    [[ $(readlink "/proc/$app_pid/exe") == "$root/bin/vestrel" ]] ||
        fail "the launcher started $(readlink "/proc/$app_pid/exe"), not the installed vestrel"
    # The process list shows the program by its canonical path.
    shown=$(tr '\0' '\n' <"/proc/$app_pid/cmdline" | head -n 1)
    [[ $shown == "$(readlink -f -- "$root/bin/vestrel")" ]] ||
        fail "the process shows as $shown, not as the installed program's canonical path"

    # The first page is reached with Ctrl+Tab from the third; the window has a fixed size, so the button
    # "Lanseaza 1..." is always at this place in it.
    xdotool windowactivate --sync "$window" >/dev/null 2>&1
    xdotool key --clearmodifiers ctrl+Tab
    sleep 0.5
    xdotool mousemove --window "$window" 511 139 click 1
    for ((i = 0; i < 50; i++)); do
        [[ -s $scratch/terminal.args ]] && break
        xdotool search --name '^"Vestrel" by Tovi$' >/dev/null 2>&1 && break
        sleep 0.1
    done
    if xdotool search --name '^"Vestrel" by Tovi$' >/dev/null 2>&1; then
        fail "\"Lanseaza 1...\" showed a message box (the program was not found)"
        xdotool key --clearmodifiers Return
    elif [[ ! -s $scratch/terminal.args ]]; then
        fail "\"Lanseaza 1...\" started nothing"
    elif [[ $(cat "$scratch/terminal.args") == "-T"$'\n'"P1.EXE"$'\n'"-e"$'\n'"$course/prog/P1.EXE" ]]; then
        pass "\"Lanseaza 1...\" starts prog/P1.EXE of the course folder in a terminal titled P1.EXE"
    else
        fail "\"Lanseaza 1...\" asked the terminal for: $(cat "$scratch/terminal.args")"
    fi
    stop_entry
fi

# The course's LAB2 reads the data file beside it: the user's copy, not the installed sample.
"$course/prog/LAB2.EXE" 0 10 </dev/null >"$scratch/lab2.txt" 2>&1
if grep -qF "Fisierul $course/prog/data.txt, A = 0, B = 10" "$scratch/lab2.txt" &&
    grep -q '^Elementele din segmentul \[A,B\]: 5 7 2 9 0 4 6 1$' "$scratch/lab2.txt"; then
    pass "LAB2 in the course folder reads the user's data.txt"
else
    fail "LAB2 through the course folder's link: $(cat "$scratch/lab2.txt")"
fi

# What the user changed stays; what the installation owns is renewed.
printf '1 2 3\n' >"$course/prog/data.txt"
rm -f "$course/prog/numar.txt"
ln -sfn /nonexistent/old-install/P1.EXE "$course/prog/P1.EXE"
ln -sfn /nonexistent/old-install/OLD.EXE "$course/prog/OLD.EXE"
rm -f "$course/prog/P2.EXE"
printf '#!/bin/sh\necho mine\n' >"$course/prog/P2.EXE"
chmod +x "$course/prog/P2.EXE"
before=$failures
if start_entry; then
    [[ $(cat "$course/prog/data.txt") == "1 2 3" ]] || fail "the second start replaced the user's data.txt"
    cmp -s "$course/prog/numar.txt" "$root/share/vestrel/numar.txt" ||
        fail "the second start did not copy back the missing numar.txt"
    installed_target "$course/prog/P1.EXE" >/dev/null ||
        fail "the second start did not renew the stale link prog/P1.EXE"
    [[ ! -L $course/prog/OLD.EXE ]] || fail "the second start left the dangling link prog/OLD.EXE"
    [[ ! -L $course/prog/P2.EXE && $(cat "$course/prog/P2.EXE") == *"echo mine"* ]] ||
        fail "the second start replaced the user's own prog/P2.EXE"
    ((failures > before)) || pass "a second start keeps the user's files and renews the installation's links"
    stop_entry
fi

# XDG_DATA_HOME moves the course folder; a relative value is ignored, as the base directory rules say.
if start_entry XDG_DATA_HOME="$home/data"; then
    installed_target "$home/data/vestrel/prog/P1.EXE" >/dev/null ||
        fail "with XDG_DATA_HOME the course folder is not in $home/data/vestrel"
    stop_entry
fi
if start_entry XDG_DATA_HOME=relative/data; then
    [[ $(readlink "/proc/$app_pid/cwd") == "$course" ]] ||
        fail "with a relative XDG_DATA_HOME Vestrel runs in $(readlink "/proc/$app_pid/cwd")"
    [[ ! -e $scratch/relative ]] || fail "a relative XDG_DATA_HOME made a course folder under the current directory"
    stop_entry
fi

((failures == 0)) && echo "All checks passed."
exit $((failures > 0))
