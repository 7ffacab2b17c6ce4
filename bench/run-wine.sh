#!/usr/bin/env bash
# The Windows build's vestrel-compare.exe under wine against the Linux build's vestrel-compare, side by side
# on the same trees: two directories of N files each (names, sizes and contents from pools, so that every
# criterion finds coincidences), each criterion alone and all four, ROUNDS rounds alternating the two.
# Prints the best time of each and the ratio Windows/Linux. A benchmark to run by hand, not a test.
#   bench/run-wine.sh LINUX-VESTREL-COMPARE WINDOWS-VESTREL-COMPARE.EXE [N] [ROUNDS]
# The wine prefix and WINEPATH are the caller's (as tools/windows/test.sh sets them).
set -euo pipefail
linux=$(realpath "$1") windows=$(realpath "$2") n=${3:-10000} rounds=${4:-3}
wine=${WINE64:-/usr/lib/wine/wine64}
work=$(mktemp -d "${TMPDIR:-/tmp}/vestrel-wine-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
# Half the names of each side are also on the other; sizes and contents repeat every 97 and 13 files.
for side in one two; do
    mkdir -p "$work/$side"
    step=1
    [[ $side == one ]] || step=3
    for ((i = 0; i < n; i++)); do
        printf '%*s' $((i % 97)) "$((i % 13))" >"$work/$side/f$((i * step % (2 * n)))"
    done
done
# best SECONDS-OF-ONE-RUN... : the smallest of the times given.
best() { printf '%s\n' "$@" | sort -g | head -n 1; }
seconds() {
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN {print b - a}'
}
printf '%-24s %10s %10s %8s\n' criterion linux windows ratio
for by in name size date contents name,size,date,contents; do
    l=() w=()
    for ((r = 0; r < rounds; r++)); do
        l+=("$(seconds "$linux" --by "$by" "$work/one" "$work/two")")
        w+=("$(seconds "$wine" "$windows" --by "$by" "Z:$work/one" "Z:$work/two")")
    done
    lb=$(best "${l[@]}") wb=$(best "${w[@]}")
    printf '%-24s %10.3f %10.3f %8.2f\n' "$by" "$lb" "$wb" "$(awk -v a="$lb" -v b="$wb" 'BEGIN {print b / a}')"
done
