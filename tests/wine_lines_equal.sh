#!/usr/bin/env bash
# The Windows build's vestrel-compare.exe, under wine, prints byte for byte the lines of the Linux build's
# vestrel-compare on the same trees: random trees of names, sizes, dates and contents drawn from small
# pools (so that every criterion finds coincidences), with hidden and read-only files among them, both
# directories compared both ways and each with itself, every criterion and every kind of file.
#   wine_lines_equal.sh LINUX-VESTREL-COMPARE WINDOWS-VESTREL-COMPARE.EXE [TREES]
# Exit 77 (skipped) when no Linux build is given.
set -euo pipefail

linux=${1:+$(realpath "$1")} windows=$(realpath "$2") trees=${3:-12}
if [[ -z $linux || ! -x $linux ]]; then
    echo "no Linux vestrel-compare to compare with (configure with -DVESTREL_LINUX_COMPARE=...)"
    exit 77
fi
wine=${WINE64:-/usr/lib/wine/wine64}
work=$(mktemp -d "${TMPDIR:-/tmp}/vestrel-lines.XXXXXX")
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT

names=(a1 a2 a3 b1 b2 "s 1=2" "ăţ" "Z9" "z9" "cu spaţiu" .ascuns1 .ascuns2)
contents=("" x y xy xz xyz 0123456789 0123456780)
failures=0 lines=0
for ((seed = 1; seed <= trees; seed++)); do
    RANDOM=$seed
    tree=$work/$seed
    for side in one two; do
        mkdir -p "$tree/$side/sub.d"
        for ((f = 0; f < 10 + RANDOM % 8; f++)); do
            name=${names[RANDOM % ${#names[@]}]}
            [[ -e $tree/$side/$name ]] && continue
            printf '%s' "${contents[RANDOM % ${#contents[@]}]}" >"$tree/$side/$name"
            # Seconds that share a two-second step, and steps apart.
            touch -d "@$((1700000000 + 2 * (RANDOM % 4) + RANDOM % 2))" "$tree/$side/$name"
            ((RANDOM % 5 != 0)) || chmod a-w "$tree/$side/$name"
        done
    done
    for kinds in normal normal,hidden normal,readonly normal,hidden,readonly,system; do
        for pair in "one two" "two one" "one one"; do
            read -r first second <<<"$pair"
            args=(--by 'name,size,date,contents' --kinds "$kinds" "$tree/$first" "$tree/$second")
            expected=$(cd "$tree" && TZ=UTC "$linux" "${args[@]}" 2>/dev/null; echo "status $?")
            got=$(cd "$tree" && TZ=UTC "$wine" "$windows" --by name,size,date,contents --kinds "$kinds" \
                "Z:$tree/$first" "Z:$tree/$second" 2>/dev/null; echo "status $?")
            lines=$((lines + $(grep -c . <<<"$expected") - 1))
            if [[ $expected != "$got" ]]; then
                echo "tree $seed, --kinds $kinds, $first against $second: the builds differ"
                diff <(printf '%s\n' "$expected") <(printf '%s\n' "$got") | head -20 || true
                failures=$((failures + 1))
            fi
        done
    done
done
echo "$trees trees, $((trees * 12)) runs, $lines lines: $failures differ"
# Trees in which nothing coincides would show nothing.
((lines > trees * 12)) || { echo "too few lines to tell the builds apart"; exit 1; }
((failures == 0))
